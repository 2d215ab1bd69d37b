#include "tools/standin/meter_logger.h"

#include "tools/standin/meter_display.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

#include <cmath>
#include <numbers>

namespace standin {

namespace {

constexpr quint32 kMarkerHead = 0x0055AA; // a record with these bytes, followed by one starting 00

QList<LoggerSetSpec> demoSets() {
    LoggerSetSpec a;
    a.start = QTime(9, 30, 0);
    a.intervalSeconds = 60;
    a.raw = {801200, 812500, 823400, 830100, 826700, 818800};
    LoggerSetSpec b;
    b.start = QTime(13, 15, 30);
    b.intervalSeconds = 30;
    b.raw = {845300, 851000, 858800, 849900, 840200, 836600, 829400, 833000};
    return {a, b};
}

QList<LoggerSetSpec> weekSets() {
    QList<LoggerSetSpec> sets;
    for (int day = 0; day < 7; ++day) {
        LoggerSetSpec s;
        s.start = QTime(6, 0, 0);
        s.intervalSeconds = 60;
        s.raw = daylightReadings(s.start, 60, 14 * 60, 1000 + quint32(day));
        sets.append(s);
    }
    return sets;
}

QList<LoggerSetSpec> fullSets() {
    constexpr int records = int(kLastAddress - kEmptyEndAddress - 10) / 3; // 43 346
    LoggerSetSpec s;
    s.start = QTime(6, 0, 0);
    s.intervalSeconds = 60;
    s.raw = daylightReadings(s.start, 60, records, 7);
    return {s};
}

} // namespace

QByteArray buildLoggerImage(const QList<LoggerSetSpec>& sets) {
    QByteArray out;
    for (const auto& s : sets) {
        out.append(QByteArray::fromHex("0055AA00"));
        out.append(char(0x00));
        const QTime t = s.start.isValid() ? s.start : QTime(0, 0);
        out.append(char(bcd(t.hour())));
        out.append(char(bcd(t.minute())));
        out.append(char(bcd(t.second())));
        out.append(char(s.intervalSeconds / 60));
        out.append(char(s.intervalSeconds % 60));
        for (quint32 r : s.raw) {
            out.append(char((r >> 16) & 0xFF));
            out.append(char((r >> 8) & 0xFF));
            out.append(char(r & 0xFF));
        }
    }
    return out;
}

QList<quint32> daylightReadings(QTime start, int intervalSeconds, int records, quint32 seed) {
    QRandomGenerator rng(seed);
    QList<quint32> raw;
    raw.reserve(records);
    const double startS = start.isValid() ? start.msecsSinceStartOfDay() / 1000.0 : 0.0;
    double cloud = 1.0; // slowly drifting cover, 0.2 .. 1
    for (int i = 0; i < records; ++i) {
        const double tod = std::fmod(startS + double(i) * intervalSeconds, 86400.0);
        const double hours = tod / 3600.0;
        double w = 0.0;
        if (hours > 6.0 && hours < 19.0)
            w = 1000.0 * std::pow(std::sin(std::numbers::pi * (hours - 6.0) / 13.0), 1.3);
        cloud = std::clamp(cloud + (rng.generateDouble() - 0.5) * 0.08, 0.2, 1.0);
        if (rng.bounded(40) == 0)
            cloud = 0.3 + 0.7 * rng.generateDouble(); // a cloud edge
        w *= cloud;
        quint32 r = quint32(std::lround(w * 10.0)) * 100 + (w > 0 ? rng.bounded(100u) : 0u);
        if (r == kMarkerHead)
            ++r;
        raw.append(r);
    }
    return raw;
}

QStringList loggerMemoryNames() {
    return {QStringLiteral("demo"), QStringLiteral("week"), QStringLiteral("full"), QStringLiteral("empty")};
}

bool loggerMemory(const QString& name, QByteArray& image) {
    if (name == QLatin1String("demo"))
        image = buildLoggerImage(demoSets());
    else if (name == QLatin1String("week"))
        image = buildLoggerImage(weekSets());
    else if (name == QLatin1String("full"))
        image = buildLoggerImage(fullSets());
    else if (name == QLatin1String("empty"))
        image.clear();
    else
        return false;
    return true;
}

MeterLogger::MeterLogger() {
    QByteArray demo;
    loggerMemory(QStringLiteral("demo"), demo);
    setImage(demo);
    clockSecondsAtSet_ = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    clockSince_.start();
}

void MeterLogger::setImage(const QByteArray& image) {
    image_ = image;
    endAddress = kEmptyEndAddress + quint32(image.size());
}

void MeterLogger::erase() {
    image_.clear();
    endAddress = kEmptyEndAddress;
}

QByteArray MeterLogger::pointerReply() const {
    QByteArray r;
    r.append(char(0x02));
    r.append(char(0xAA));
    r.append(char((endAddress >> 16) & 0xFF));
    r.append(char((endAddress >> 8) & 0xFF));
    r.append(char(endAddress & 0xFF));
    r.append(char(0x03));
    return r;
}

QByteArray MeterLogger::dump() const {
    if (endAddress <= kEmptyEndAddress)
        return {};
    const qsizetype imageLen = qsizetype(endAddress - kEmptyEndAddress);
    QByteArray body = image_.left(imageLen);
    if (body.size() < imageLen)
        body.append(QByteArray(imageLen - body.size(), char(0xFF))); // erased flash reads FF
    QByteArray d = QByteArrayLiteral("\x02LOGGER DUMP\x00\x00");
    d.resize(14);
    d.append(body);
    d.append(char(0x03));
    return d;
}

QByteArray MeterLogger::intervalReply() const {
    QByteArray r;
    r.append(char(0x02));
    r.append(char(interval / 60));
    r.append(char(interval % 60));
    r.append(char(0x03));
    return r;
}

void MeterLogger::setIntervalPayload(const QByteArray& payload) {
    if (payload.size() != 2)
        return;
    const int secs = quint8(payload[0]) * 60 + quint8(payload[1]);
    if (secs >= 1 && secs <= 3600)
        interval = secs;
}

void MeterLogger::setClockPayload(const QByteArray& payload) {
    if (payload.size() != 4)
        return;
    clockPayload_ = payload;
    clockSecondsAtSet_ = quint8(payload[1]) * 3600 + quint8(payload[2]) * 60 + quint8(payload[3]);
    clockSince_.start();
}

int MeterLogger::clockSeconds() const {
    return int((clockSecondsAtSet_ + clockSince_.elapsed() / 1000) % 86400);
}

} // namespace standin
