#include "logger_data/logger_image.h"

#include "meter_link/bytes.h"
#include "meter_link/meter.h"
#include "meter_link/records.h"

#include <QChar>
#include <algorithm>

LoggerSplit SplitLoggerImage(const QByteArray& image, std::vector<QByteArray>& sets) {
    LoggerSplit out;
    const qsizetype total = image.size(); // T, sentinel included
    const int lastSlot = static_cast<int>(sets.size()) - 1;
    qsizetype p = 1; // image bytes count from 1
    int k = 0;
    while (p <= total - 4) {
        if (!IsSetMarkerAt(image, static_cast<int>(p))) {
            out.fault = LoggerSplit::Fault::NoMarker; // only the first set can get here
            break;
        }
        if (k >= lastSlot) {
            out.fault = LoggerSplit::Fault::TooManySets;
            break;
        }
        // The first marker on the grid behind the head and at least one record; the search stops
        // where no marker fits before the end of the image.
        qsizetype n = 1;
        while (p + 10 + 3 * n + 3 <= total && !IsSetMarkerAt(image, static_cast<int>(p + 10 + 3 * n)))
            ++n;
        qsizetype length = kSetHeadLength + kRecordLength * n;
        if (p + 10 + 3 * n + 3 > total) {
            // No marker on the grid: the set runs into the sentinel. Keep the whole records in
            // front of it and end there.
            out.fault = LoggerSplit::Fault::RaggedEnd;
            const qsizetype room = total - 4 - p + 1; // bytes p .. T - 4
            n = (room - kSetHeadLength) / kRecordLength;
            if (n < 1)
                break;
            length = kSetHeadLength + kRecordLength * n;
        }
        const QByteArray set = image.mid(p - 1, length);
        sets[static_cast<size_t>(++k)] = set;
        out.rows.append(QStringLiteral("%1\t%2\t%3\t%4")
                            .arg(k)
                            .arg(LoggerSetStartTime(set))
                            .arg(LoggerSetInterval(set))
                            .arg(n));
        if (out.fault == LoggerSplit::Fault::RaggedEnd)
            break;
        p += length;
    }
    return out;
}

QString RaggedEndMessage(const LoggerSplit& split) {
    // Only the set cut short can have no row: every set before it was listed whole.
    if (split.rows.isEmpty())
        return QStringLiteral("The logger memory holds no whole record; no set is listed.");
    return QStringLiteral("The last set ends inside a record; its whole records are listed.");
}

namespace {

constexpr qint64 kMaxWattTenths = 22000; // the meter's 2200 W/m2

bool isBcd(int byte, int highest) {
    return (byte & 0x0F) <= 9 && (byte >> 4) <= 9 && (byte >> 4) * 10 + (byte & 0x0F) <= highest;
}

// The meter logs at 1 to 60 seconds, written as 00 ss or 01 00; its clock gives the start.
bool isSoundHead(const QByteArray& set) {
    const int minutes = ByteAt(set, 9);
    const int seconds = ByteAt(set, 10);
    const bool interval = (minutes == 0 && seconds >= 1 && seconds <= 59) || (minutes == 1 && seconds == 0);
    return interval && isBcd(ByteAt(set, 6), 23) && isBcd(ByteAt(set, 7), 59) && isBcd(ByteAt(set, 8), 59);
}

QString setNumbers(const QList<int>& sets) {
    QStringList numbers;
    for (int k : sets)
        numbers << QString::number(k);
    return (sets.size() == 1 ? QStringLiteral("set ") : QStringLiteral("sets ")) +
           numbers.join(QStringLiteral(", "));
}

bool hasStrayMarker(const QByteArray& set) {
    return set.indexOf(QByteArray::fromHex("0055AA00"), 1) >= 0;
}

int readingsBeyondRange(const QByteArray& set) {
    int beyond = 0;
    const int n = LoggerSetRecordCount(static_cast<int>(set.size()));
    for (int i = 1; i <= n; ++i)
        if (RecordWattTenths(LoggerRecord(LoggerSetRecord(set, i))) > kMaxWattTenths)
            ++beyond;
    return beyond;
}

} // namespace

bool IsSuspectLoggerSet(const QByteArray& set) {
    return !isSoundHead(set) || hasStrayMarker(set) || readingsBeyondRange(set) > 0;
}

LoggerDamage FindLoggerDamage(const std::vector<QByteArray>& sets, int count) {
    LoggerDamage out;
    for (int k = 1; k <= count && k < static_cast<int>(sets.size()); ++k) {
        const QByteArray& set = sets[static_cast<size_t>(k)];
        if (!isSoundHead(set))
            out.badHeadSets << k;
        if (hasStrayMarker(set))
            out.strayMarkerSets << k;
        const int beyond = readingsBeyondRange(set);
        if (beyond > 0) {
            out.readingsBeyondRange += beyond;
            out.beyondRangeSets << k;
        }
    }
    return out;
}

QString LoggerDamageMessage(const LoggerDamage& damage) {
    if (!damage.any())
        return {};
    QStringList found;
    if (!damage.beyondRangeSets.isEmpty())
        found << QStringLiteral("%1 reading%2 above the meter's 2200 W/m2 in %3")
                     .arg(damage.readingsBeyondRange)
                     .arg(damage.readingsBeyondRange == 1 ? QString() : QStringLiteral("s"))
                     .arg(setNumbers(damage.beyondRangeSets));
    if (!damage.badHeadSets.isEmpty())
        found << QStringLiteral("a start time or logging interval the meter cannot write in %1")
                     .arg(setNumbers(damage.badHeadSets));
    if (!damage.strayMarkerSets.isEmpty())
        found << QStringLiteral("a set marker inside %1, so sets may have run together")
                     .arg(setNumbers(damage.strayMarkerSets));
    return QStringLiteral("The downloaded data are suspect: ") + found.join(QStringLiteral("; ")) +
           QStringLiteral(". Download again before you rely on them!");
}

QString LoggerDamageCaption(const LoggerDamage& damage) {
    if (!damage.any())
        return {};
    QList<int> sets = damage.beyondRangeSets + damage.badHeadSets + damage.strayMarkerSets;
    std::sort(sets.begin(), sets.end());
    sets.erase(std::unique(sets.begin(), sets.end()), sets.end());
    // The label has room for a few numbers only.
    if (sets.size() > 3)
        return QStringLiteral("Suspect data: %1 sets").arg(sets.size());
    return QStringLiteral("Suspect data: ") + setNumbers(sets);
}

qint64 RecordWattTenths(quint32 raw) {
    return raw / 100;
}

qint64 RecordBtuTenths(qint64 wattTenths) {
    // W / 3.1546 in tenths, in whole numbers so no rounding of a binary fraction moves a digit.
    return wattTenths * 10000 / 31546;
}

QString WattText(qint64 wattTenths) {
    const qint64 whole = wattTenths / 10;
    const qint64 tenth = wattTenths % 10;
    if (tenth == 0 || whole >= 1000)
        return QString::number(whole);
    return QStringLiteral("%1.%2").arg(whole).arg(tenth);
}

QString BtuText(qint64 btuTenths) {
    return QStringLiteral("%1.%2").arg(btuTenths / 10).arg(btuTenths % 10);
}

QString ElapsedTime(int i, int interval) {
    const qint64 s = (static_cast<qint64>(i - 1) * interval) % 86400;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':') + two(s % 60);
}

LoggerDataRows LoggerSetDataRows(const QByteArray& set, int i, int interval) {
    const qint64 w = RecordWattTenths(LoggerRecord(LoggerSetRecord(set, i)));
    const QString head =
        QString::number(i) + QLatin1Char('\t') + ElapsedTime(i, interval) + QLatin1Char('\t');
    return {head + WattText(w), head + BtuText(RecordBtuTenths(w))};
}

QString SetDecodeProgressCaption(int i, int n) {
    const qint64 tenths = n > 0 ? static_cast<qint64>(i) * 1000 / n : 1000;
    QString text = QLatin1Char(' ') + QString::number(tenths / 10);
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(tenths % 10);
    return text + QStringLiteral(" % completed");
}
