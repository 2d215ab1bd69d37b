#include "meter_link/meter.h"

#include "meter_link/bytes.h"
#include "platform/serial_control.h"

#include <QPointer>

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

bool CmdDisplayStream(MeterLine& line) {
    if (!ReadMemoryPointer(line))
        return false;
    line.sendLetter('M');
    return true;
}

bool KeyCommand(MeterLine& line, char letter) {
    if (!ReadMemoryPointer(line))
        return false;
    line.sendLetter(letter);
    return true;
}

std::optional<int> CmdReadLoggerInterval(MeterLine& line) {
    QPointer<MeterLine> alive(&line);
    for (int attempt = 0; attempt < kMaxIntervalAttempts; ++attempt) {
        line.flush();
        if (!ReadMemoryPointer(line))
            return std::nullopt;
        line.sendLetter('J');
        Delay(kDelayShort);
        if (!alive)
            return std::nullopt;
        const QByteArray reply = line.readAll(); // each attempt's read stands alone
        if (IsLoggerIntervalReply(reply))
            return LoggerIntervalSeconds(reply);
    }
    return std::nullopt;
}

bool CmdSetLoggerInterval(MeterLine& line, int seconds) {
    QPointer<MeterLine> alive(&line);
    line.flush();
    if (!ReadMemoryPointer(line))
        return false;
    line.sendLetter('G');
    Delay(kDelayShort);
    if (!alive)
        return false;
    line.send(LoggerIntervalPayload(seconds));
    return true;
}

DumpAsked CmdDumpLoggerMemory(MeterLine& line, const std::function<bool()>& ready) {
    QPointer<MeterLine> alive(&line);
    if (!ReadMemoryPointer(line))
        return DumpAsked::Silent;
    if (line.logger().MemoryPointer <= kEmptyMemoryPointer)
        return DumpAsked::Empty;
    if ((ready && !ready()) || !alive)
        return DumpAsked::Cancelled;
    line.sendLetter('F');
    Delay(kDelayDump);
    return DumpAsked::Sent;
}

bool CmdSetMeterClock(MeterLine& line, const QDateTime& when) {
    QPointer<MeterLine> alive(&line);
    const QByteArray payload = MeterClockPayload(when);
    if (!ReadMemoryPointer(line))
        return false;
    line.sendLetter('C');
    Delay(kDelayShort);
    if (!alive)
        return false;
    line.send(payload);
    return true;
}

bool CmdDeleteLoggerMemory(MeterLine& line) {
    QPointer<MeterLine> alive(&line);
    if (!ReadMemoryPointer(line))
        return false;
    Delay(kDelayShort);
    if (!alive)
        return false;
    line.sendLetter('D');
    return true;
}
