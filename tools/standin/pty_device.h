// The stand-in's end of a pseudo-terminal: raw mode, an optional symbolic link the program opens,
// and a write queue that never blocks the caller's event loop.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace standin {

class PtyDevice : public QObject {
    Q_OBJECT
public:
    explicit PtyDevice(QObject* parent = nullptr);
    ~PtyDevice() override;

    // Opens a new terminal; with a link path, a symbolic link there points at its device.
    bool open(const QString& linkPath = {});
    // Our side goes away as an unplugged adapter does; the link is removed.
    void close();
    // A new terminal behind the same link.
    bool reopen() { return open(QString(linkPath_)); }
    bool isOpen() const { return masterFd_ >= 0; }
    // The link if one was given, else the terminal's device.
    QString devicePath() const;

    // Queues bytes and writes what the terminal takes now.
    void send(const QByteArray& bytes);
    qsizetype queued() const { return outQueue_.size(); }

signals:
    // Bytes the program wrote. A slot may close the device.
    void received(const QByteArray& bytes);
    // The write queue ran empty after a wait for room.
    void drained();

private:
    bool placeLink(const QString& target);
    void removeLink();
    void flushOut();
    void onReadable();
    void onWritable();

    QString linkPath_;
    QString slavePath_;
    int masterFd_ = -1;
    int slaveFd_ = -1; // held so the master never sees a hang-up before the program opens its side
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray outQueue_;
};

} // namespace standin
