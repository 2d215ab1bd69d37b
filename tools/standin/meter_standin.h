// A stand-in for the meter on a pseudo-terminal: it speaks the meter's side of the protocol so
// the program (and its tests) can run against a real serial device without the instrument.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTime>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace standin {

// One command as the stand-in understood it: its letter and the payload bytes that came with it.
// A byte that is no command is logged with the letter '?' and the byte as payload; "C" carries 4
// payload bytes as the clock command and none as the SET key.
struct LoggedCommand {
    char letter = 0;
    QByteArray payload;
};

// A display frame: 0x02, four flag bytes, memory number, CAL pair, main value pair, second pair, 0x03.
QByteArray makeFrame(quint8 flags1, quint8 flags2, quint8 flags3, quint8 flags4, quint8 mem = 0,
                     quint16 cal = 0xCCCC, quint16 value = 0xCCCC, quint16 second = 0xCCCC);

// One set of the logger memory as tests describe it.
struct LoggerSetSpec {
    QTime start;
    int intervalSeconds = 1; // 1..60 (60 is sent as minutes 1, seconds 0)
    QList<quint32> raw;      // 24-bit readings
};
// The logger memory image for these sets: per set the marker 00 55 AA 00, a spare byte, BCD
// start hh mm ss, interval minutes and seconds, then 3 bytes per record.
QByteArray buildLoggerImage(const QList<LoggerSetSpec>& sets);

class MeterStandIn : public QObject {
    Q_OBJECT
public:
    explicit MeterStandIn(QObject* parent = nullptr);
    ~MeterStandIn() override;

    // Opens a pseudo-terminal in raw mode. With a link path, a symbolic link there points at the
    // terminal's device (and is moved to the new device by reopen()).
    bool open(const QString& linkPath = {});
    // The path the program should open: the link if one was given, else the terminal's device.
    QString devicePath() const;
    // Closes the stand-in's side: the device goes away as an unplugged adapter does.
    void close();
    bool reopen();
    bool isOpen() const;

    // --- display stream ("M" starts it; any other command stops it until the next "M") ---
    void setFramePeriodMs(int ms); // default 100
    // A fixed frame to stream; an empty array goes back to the stand-in's own display, which
    // shows a slowly varying W/m2 reading and follows the keys.
    void setFrame(const QByteArray& frame);
    QByteArray currentFrame() const;
    bool streaming() const;

    enum class LineMode {
        Normal,        // answers and streams as a meter does
        Silent,        // answers nothing, streams nothing
        Noise,         // sends random bytes instead of frames (and still answers commands)
        BadEndMarkers, // frames with a wrong last byte
    };
    void setLineMode(LineMode mode);
    LineMode lineMode() const;

    // --- memory pointer ("A") ---
    // The logger end address the "A" reply carries; 1023 is an empty logger. A dump cuts the image
    // to this size, or pads it with FF as erased memory reads.
    void setEndAddress(quint32 address);
    quint32 endAddress() const;
    // Replies for the next "A" queries, in order, instead of the normal one (tests of bad replies).
    void queuePointerReplies(const QList<QByteArray>& replies);

    // --- logger ---
    // Replaces the logger memory; the end address becomes 1023 + the image size.
    void setLoggerSets(const QList<LoggerSetSpec>& sets);
    void setLoggerImage(const QByteArray& image);
    QByteArray loggerImage() const;
    void setLoggerInterval(int seconds); // "J" answers with it; "G" sets it
    int loggerInterval() const;
    // Replies for the next "J" queries, in order, instead of the normal one.
    void queueIntervalReplies(const QList<QByteArray>& replies);
    void setDumpPace(int bytesPerSecond); // 1920 as the meter; 0 as fast as possible
    void setCorruptFirstDumpMarker(bool on); // the first dump after this carries 00 55 AA 01
    void setStopDumpAfter(int bytes);       // the next dump stops after this many bytes; -1 none

    // --- clock ("C" with 4 payload bytes; "C" alone is the SET key held long) ---
    QByteArray lastClockPayload() const;

    // Sends bytes on the line as they are (tests of a meter that speaks up unasked).
    void sendRaw(const QByteArray& bytes);

    // --- what it received ---
    QByteArray received() const;
    QList<LoggedCommand> commands() const;
    QString commandLetters() const; // e.g. "AMAH"
    void clearLog();

signals:
    void commandReceived(const standin::LoggedCommand& command);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace standin
