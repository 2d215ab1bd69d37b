// A stand-in for the meter on a pseudo-terminal: it speaks the meter's side of the protocol so
// the program (and its tests) can run against a real serial device without the instrument.
// The terminal is PtyDevice, the bytes become commands in CommandParser, and the meter itself is
// MeterDisplay (display and keys) and MeterLogger (logger memory, logging interval, clock); this
// class wires them, streams the display and paces the dumps.
#pragma once

#include "tools/standin/command_parser.h"
#include "tools/standin/meter_display.h"
#include "tools/standin/meter_logger.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTime>
#include <memory>

namespace standin {

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
    void setDumpPace(int bytesPerSecond);    // 1920 as the meter; 0 as fast as possible
    void setCorruptFirstDumpMarker(bool on); // the first dump after this carries 00 55 AA 01
    void setStopDumpAfter(int bytes);        // the next dump stops after this many bytes; -1 none
    // A pulled cable: the next dump stops after this many bytes and the stand-in then falls
    // silent (LineMode::Silent) until told otherwise; -1 none.
    void setFallSilentAfter(int bytes);

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
