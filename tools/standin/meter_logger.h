// The meter's data logger as the stand-in models it: the memory image with its end address, the
// logging interval ("J" reads it, "G" sets it), the meter clock ("C" sets it) and the bytes of a
// dump ("F").
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

namespace standin {

constexpr quint32 kEmptyEndAddress = 1023;
constexpr quint32 kLastAddress = 131071; // the top of the 128 K memory

// One set of the logger memory as tests describe it.
struct LoggerSetSpec {
    QTime start;
    int intervalSeconds = 1; // 1..60 (60 is sent as minutes 1, seconds 0)
    QList<quint32> raw;      // 24-bit readings
};
// The logger memory image for these sets: per set the marker 00 55 AA 00, a spare byte, BCD
// start hh mm ss, interval minutes and seconds, then 3 bytes per record.
QByteArray buildLoggerImage(const QList<LoggerSetSpec>& sets);

// Readings as a sunny day with passing clouds gives them: night 0, a midday peak near 1000 W/m2,
// raw = W/m2 x 1000 with noise in the two dropped digits. The same seed gives the same day.
// Never a record that, with the next, could read as a set marker.
QList<quint32> daylightReadings(QTime start, int intervalSeconds, int records, quint32 seed);

// Memories the stand-in can hold:
//   "demo"  two short sets (the default);
//   "week"  seven days from 06:00 to 20:00 at 60 s, one set a day;
//   "full"  the whole 128 K in one set of 43 346 records at 60 s (end address 131071);
//   "empty" nothing (end address 1023).
QStringList loggerMemoryNames();
// False for a name it does not know.
bool loggerMemory(const QString& name, QByteArray& image);

class MeterLogger {
public:
    MeterLogger();

    // --- memory ---
    // Replaces the memory; the end address becomes 1023 + the image size.
    void setImage(const QByteArray& image);
    const QByteArray& image() const { return image_; }
    // The "A" reply carries it; a dump cuts the image to it, or pads with FF as erased memory reads.
    quint32 endAddress = kEmptyEndAddress;
    void erase();

    // 0x02 0xAA, the end address in three bytes, 0x03.
    QByteArray pointerReply() const;
    // 14 leading bytes, the memory from 1023 up to the end address, one trailing byte.
    // Empty when the logger is empty.
    QByteArray dump() const;

    // --- logging interval, seconds ---
    int interval = 60;
    // 0x02, minutes, seconds, 0x03.
    QByteArray intervalReply() const;
    // The two bytes after "G": minutes and seconds. A pair outside 1 s .. 1 h is ignored.
    void setIntervalPayload(const QByteArray& payload);

    // --- meter clock ---
    // The four bytes after "C": day, hour, minute, second.
    void setClockPayload(const QByteArray& payload);
    QByteArray clockPayload() const { return clockPayload_; }
    // Time of day of the meter clock, seconds since midnight (runs from the PC's time at start).
    int clockSeconds() const;

private:
    QByteArray image_;
    QByteArray clockPayload_;
    int clockSecondsAtSet_ = 0;
    QElapsedTimer clockSince_;
};

} // namespace standin
