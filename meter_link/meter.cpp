#include "meter_link/meter.h"

#include "meter_link/bytes.h"
#include "platform/serial_control.h"

#include <QLocale>
#include <algorithm>

QByteArray SetMarker() {
    return QByteArray("\x00\x55\xAA\x00", 4);
}

bool IsSetMarkerAt(const QByteArray& bytes, int position) {
    if (position < 1 || bytes.size() < position + 3)
        return false;
    return bytes.mid(position - 1, 4) == SetMarker();
}

bool IsLoggerIntervalReply(const QByteArray& reply) {
    return reply.size() >= 4 && ByteAt(reply, 1) == 0x02 && ByteAt(reply, 4) == 0x03;
}

int LoggerIntervalSeconds(const QByteArray& reply) {
    if (reply.size() < 3)
        return 0;
    return ByteAt(reply, 2) == 1 ? 60 : ByteAt(reply, 3);
}

QByteArray LoggerIntervalPayload(int seconds) {
    seconds = std::clamp(seconds, 1, 60);
    QByteArray p(2, '\0');
    if (seconds == 60) {
        p[0] = 1;
    } else {
        p[1] = static_cast<char>(seconds);
    }
    return p;
}

QString MeterClockText(const QDateTime& when) {
    return QLocale::c().toString(when, QStringLiteral("yy/MM/dd hh:mm:ss"));
}

QByteArray MeterClockPayload(const QDateTime& when) {
    const QString text = MeterClockText(when);
    QByteArray p;
    for (const int pos : {7, 10, 13, 16})
        p.append(static_cast<char>(text.mid(pos - 1, 2).toInt()));
    return p;
}

int LoggerDumpLength(float memoryPointer) {
    return static_cast<int>(memoryPointer) - kDumpOverhead;
}

QByteArray LoggerDumpImage(const QByteArray& dump, int expected) {
    const int length = expected - kDumpImageStart; // bytes 15 .. expected - 1
    if (length <= 0)
        return {};
    return dump.mid(kDumpImageStart - 1, length);
}

bool HasDumpSetMarker(const QByteArray& dump) {
    return IsSetMarkerAt(dump, kDumpImageStart);
}

QString LoggerSetStartTime(const QByteArray& set) {
    if (set.size() < 8)
        return {};
    return Hex2(ByteAt(set, 6)) + QLatin1Char(':') + Hex2(ByteAt(set, 7)) + QLatin1Char(':') +
           Hex2(ByteAt(set, 8));
}

int LoggerSetInterval(const QByteArray& set) {
    if (set.size() < kSetHeadLength)
        return 0;
    return ByteAt(set, 9) * 60 + ByteAt(set, 10);
}

int LoggerSetLength(int records) {
    return kSetHeadLength + kRecordLength * records;
}

int LoggerSetRecordCount(int length) {
    return length < kSetHeadLength ? 0 : (length - kSetHeadLength) / kRecordLength;
}

QByteArray LoggerSetRecord(const QByteArray& set, int k) {
    if (k < 1 || k > LoggerSetRecordCount(static_cast<int>(set.size())))
        return {};
    return set.mid(3 * k + 8 - 1, kRecordLength);
}

quint32 LoggerRecord(const QByteArray& record) {
    if (record.size() < kRecordLength)
        return 0;
    return static_cast<quint32>(ByteAt(record, 1)) * 65536u + static_cast<quint32>(ByteAt(record, 2)) * 256u +
           static_cast<quint32>(ByteAt(record, 3));
}

LoggerDumpCollector::Step LoggerDumpCollector::add(const QByteArray& read) {
    buffer_.append(read);
    if (buffer_.isEmpty())
        return Step::Restart; // the meter did not start sending
    if (buffer_.size() >= kDumpImageStart + 3 && !HasDumpSetMarker(buffer_))
        return Step::Restart;
    if (received() < expected_)
        return Step::More;
    // An end address just above the start leaves a dump too short to hold the marker: never whole.
    return HasDumpSetMarker(buffer_) ? Step::Complete : Step::Restart;
}

LoggerDumpCollector::Step LoggerDumpCollector::readFrom(MeterLine& line) {
    return add(line.readAll());
}

QByteArray LoggerDumpCollector::imageWithEndMark() const {
    return image() + buffer_.mid(kDumpImageStart - 1, 4);
}

int LoggerDumpCollector::received() const {
    return std::min(static_cast<int>(buffer_.size()), expected_);
}

// ---- exchanges ----

Task<bool> CmdDisplayStream(MeterLine& line) {
    const bool answered = co_await ReadMemoryPointer(line);
    if (!answered)
        co_return false;
    line.sendLetter('M');
    co_return true;
}

Task<bool> KeyCommand(MeterLine& line, char letter) {
    const bool answered = co_await ReadMemoryPointer(line);
    if (!answered)
        co_return false;
    line.sendLetter(letter);
    co_return true;
}

Task<std::optional<int>> CmdReadLoggerInterval(MeterLine& line) {
    for (int attempt = 0; attempt < kMaxIntervalAttempts; ++attempt) {
        line.flush();
        const bool answered = co_await ReadMemoryPointer(line);
        if (!answered)
            co_return std::nullopt;
        line.sendLetter('J');
        const Waited paused = co_await line.pause(kDelayShort);
        if (paused == Waited::Gone)
            co_return std::nullopt;
        const QByteArray reply = line.readAll(); // each attempt's read stands alone
        if (IsLoggerIntervalReply(reply))
            co_return LoggerIntervalSeconds(reply);
    }
    co_return std::nullopt;
}

Task<bool> CmdSetLoggerInterval(MeterLine& line, int seconds) {
    line.flush();
    const bool answered = co_await ReadMemoryPointer(line);
    if (!answered)
        co_return false;
    line.sendLetter('G');
    const Waited paused = co_await line.pause(kDelayShort);
    if (paused == Waited::Gone)
        co_return false;
    line.send(LoggerIntervalPayload(seconds));
    co_return true;
}

Task<DumpAsked> CmdDumpLoggerMemory(MeterLine& line, std::function<bool()> ready) {
    const bool answered = co_await ReadMemoryPointer(line);
    if (!answered)
        co_return line.stopped() ? DumpAsked::Cancelled : DumpAsked::Silent;
    if (line.logger().MemoryPointer <= kEmptyMemoryPointer)
        co_return DumpAsked::Empty;
    if ((ready && !ready()) || line.stopped())
        co_return DumpAsked::Cancelled;
    line.sendLetter('F');
    const Waited paused = co_await line.pause(kDelayDump);
    if (paused == Waited::Gone)
        co_return DumpAsked::Cancelled;
    co_return DumpAsked::Sent;
}

Task<bool> CmdSetMeterClock(MeterLine& line, QDateTime when) {
    const QByteArray payload = MeterClockPayload(when);
    const bool answered = co_await ReadMemoryPointer(line);
    if (!answered)
        co_return false;
    line.sendLetter('C');
    const Waited paused = co_await line.pause(kDelayShort);
    if (paused == Waited::Gone)
        co_return false;
    line.send(payload);
    co_return true;
}

Task<bool> CmdDeleteLoggerMemory(MeterLine& line) {
    const bool answered = co_await ReadMemoryPointer(line);
    if (!answered)
        co_return false;
    const Waited paused = co_await line.pause(kDelayShort);
    if (paused == Waited::Gone)
        co_return false;
    line.sendLetter('D');
    co_return true;
}
