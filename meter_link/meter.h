// The meter's command set: the byte layouts that travel with the commands (plain functions over
// byte arrays) and the exchanges that put each command on the line.
#pragma once

#include "meter_link/meter_line.h"
#include "meter_link/rs232.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

// ---- layouts (byte positions in comments count from 1, as the meter numbers them) ----

constexpr int kEmptyMemoryPointer = 1023; // end address of an empty logger, and address of its first byte
constexpr int kDumpOverhead = 1008;       // a dump is MemoryPointer - 1008 bytes long
constexpr int kDumpImageStart = 15;       // the image starts at dump byte 15
constexpr int kSetHeadLength = 10;        // marker and head of a logger set
constexpr int kRecordLength = 3;

// The 4 bytes 00 55 AA 00 that open every logger set.
QByteArray SetMarker();
// True when bytes `position` to `position` + 3 of `bytes` are the set marker.
bool IsSetMarkerAt(const QByteArray& bytes, int position);

// A reply to "J" is usable when it has at least 4 bytes, byte 1 is 0x02 and byte 4 is 0x03.
bool IsLoggerIntervalReply(const QByteArray& reply);
// The interval in seconds: 60 when byte 2 is exactly 1, else byte 3.
int LoggerIntervalSeconds(const QByteArray& reply);
// Minutes and seconds after "G": 01 00 for 60 s, 00 t for 1..59 s. Values outside 1..60 are
// clamped, so the meter never gets a pair it cannot hold.
QByteArray LoggerIntervalPayload(int seconds);

// "yy/MM/dd hh:mm:ss", the text the clock payload is cut from.
QString MeterClockText(const QDateTime& when);
// Day, hour, minute, second as plain binary bytes (the 25th is 0x19), from the two-character
// fields at positions 7, 10, 13 and 16 of MeterClockText.
QByteArray MeterClockPayload(const QDateTime& when);

// Bytes expected after "F": 14 leading bytes, the image, one trailing byte.
int LoggerDumpLength(float memoryPointer);
// Dump bytes 15 to expected - 1: the logger memory from address 1023 up to the end address.
// Empty when `expected` leaves no image (an end address at or below 1023).
QByteArray LoggerDumpImage(const QByteArray& dump, int expected);
// Dump bytes 15 to 18 are the set marker of the first set.
bool HasDumpSetMarker(const QByteArray& dump);

// Start time of a set, "hh:mm:ss" from the BCD bytes 6, 7, 8, each as two hexadecimal digits.
QString LoggerSetStartTime(const QByteArray& set);
// Logging interval of a set in seconds: byte 9 minutes, byte 10 seconds.
int LoggerSetInterval(const QByteArray& set);
// Length of a set holding `records` records, and the records a set of `length` bytes holds
// (0 for a length too short for one).
int LoggerSetLength(int records);
int LoggerSetRecordCount(int length);
// Record k (from 1): set bytes 3k + 8 to 3k + 10. Empty when the set does not hold it.
QByteArray LoggerSetRecord(const QByteArray& set, int k);
// A record's reading: the 3 bytes as an unsigned 24-bit big-endian number.
quint32 LoggerRecord(const QByteArray& record);

// Gathers the reads that follow "F" until the dump is whole, and tells when it must be asked for
// again: nothing came at the first read, or bytes 15 to 18 are not the set marker.
class LoggerDumpCollector {
public:
    enum class Step { More, Restart, Complete };

    explicit LoggerDumpCollector(int expected) : expected_(expected) {}

    Step add(const QByteArray& read);
    // One read of every waiting byte, added.
    Step readFrom(MeterLine& line);

    int expected() const { return expected_; }
    // Bytes in so far, never more than expected.
    int received() const;
    // The whole buffer as received, including any bytes beyond the expected count.
    const QByteArray& buffer() const { return buffer_; }
    QByteArray image() const { return LoggerDumpImage(buffer_, expected_); }
    // The image with the first set marker again behind it: the end mark the set split looks for.
    QByteArray imageWithEndMark() const;

private:
    int expected_;
    QByteArray buffer_;
};

// ---- exchanges ----
// Each starts with the "A" exchange (which flushes first) and writes exactly the command's bytes.
// They run inside a MeterCommand, which holds the line; none of them touches the guard. Each is a
// coroutine the caller awaits: its waits return to the event loop. False when the meter did not
// answer the "A" exchange, the command was cancelled or the line went away meanwhile.

// "A"; "M". The reader of the display stream follows.
Task<bool> CmdDisplayStream(MeterLine& line);
// "A"; the key letter.
Task<bool> KeyCommand(MeterLine& line, char letter);

// Attempts of "J" before giving up on a meter that keeps answering wrongly (about 4 s).
constexpr int kMaxIntervalAttempts = 100;
// Flush; "A"; "J"; 0.02 s; one read, repeated until the reply is framed by 0x02 and 0x03.
// The meter's interval in seconds, or nullopt after kMaxIntervalAttempts wrong replies or a
// silent meter.
Task<std::optional<int>> CmdReadLoggerInterval(MeterLine& line);
// Flush; "A"; "G"; 0.02 s; the two payload bytes.
Task<bool> CmdSetLoggerInterval(MeterLine& line, int seconds);
// "A"; unless the logger is empty, `ready` (the logger window shown), then "F" and 0.2 s. An end
// address below 1023 counts as empty too, as it leaves no dump to ask for. Nothing more is sent
// when `ready` returns false or the command is cancelled. The caller then collects the dump with
// a LoggerDumpCollector of LoggerDumpLength(MemoryPointer).
enum class DumpAsked { Sent, Empty, Silent, Cancelled };
Task<DumpAsked> CmdDumpLoggerMemory(MeterLine& line, std::function<bool()> ready = {});
// "A"; "C"; 0.02 s; the four payload bytes. `when` is the PC's time taken before the call, so
// the time spent in the "A" exchange does not shift it.
Task<bool> CmdSetMeterClock(MeterLine& line, QDateTime when);
// "A"; 0.02 s; "D".
Task<bool> CmdDeleteLoggerMemory(MeterLine& line);
