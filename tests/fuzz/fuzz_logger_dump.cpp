// A logger download as it comes off the line: the reads gathered by the collector, the image cut
// from the dump, the split into sets, and every set decoded into both units' texts.
//
// Input: two bytes choose the end address the "A" reply gave, one the size of each read; the rest
// is what the meter sends after "F".
#include "front_panel/logger_download.h"
#include "logger_data/logger_image.h"
#include "logger_data/number_text.h"
#include "meter_link/meter.h"
#include "meter_link/records.h"
#include "tests/fuzz/fuzz_check.h"

#include <QLocale>
#include <algorithm>
#include <vector>

namespace {

double progressPercent(int received, int expected) {
    const QString caption = DumpProgressCaption(received, expected);
    FUZZ_CHECK(caption.endsWith(QLatin1String("% Completed")));
    bool ok = false;
    const double p = QLocale().toDouble(caption.left(caption.indexOf(QLatin1Char('%'))), &ok);
    FUZZ_CHECK(ok);
    return p;
}

// The data list's rows for one set, in W/m2 and in Btu/(ft2.h), as a click on the set makes them.
// Returns how many read above the meter's 2200 W/m2.
int decodeSet(const QByteArray& set, int records, int interval) {
    int beyond = 0;
    for (int i = 1; i <= records; ++i) {
        const QByteArray record = LoggerSetRecord(set, i);
        FUZZ_CHECK(record.size() == kRecordLength);
        const qint64 w = RecordWattTenths(LoggerRecord(record));
        beyond += w > 22000 ? 1 : 0;
        const LoggerDataRows rows = LoggerSetDataRows(set, i, interval);
        const QStringList metric = rows.metric.split(QLatin1Char('\t'));
        const QStringList imperial = rows.imperial.split(QLatin1Char('\t'));
        FUZZ_CHECK(metric.size() == 3 && imperial.size() == 3);
        FUZZ_CHECK(metric[0].toInt() == i && imperial[0] == metric[0]);
        FUZZ_CHECK(metric[1].size() == 8 && imperial[1] == metric[1]);
        const QString& watts = metric[2];
        const QString& btus = imperial[2];
        FUZZ_CHECK(!watts.isEmpty() && watts.size() <= 7 && btus.size() <= 7);
        FUZZ_CHECK(static_cast<qint64>(LeadingNumber(watts) * 10 + 0.5) / 10 == w / 10);
        FUZZ_CHECK(LeadingNumber(btus) >= 0 && LeadingNumber(btus) <= LeadingNumber(watts));
        const QString caption = SetDecodeProgressCaption(i, records);
        FUZZ_CHECK(caption.endsWith(QLatin1String(" % completed")));
        const double percent = LeadingNumber(caption);
        FUZZ_CHECK(percent >= 0 && percent <= 100 && (i < records || percent == 100));
    }
    FUZZ_CHECK(LoggerSetRecord(set, records + 1).isEmpty());
    return beyond;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const int pointer = kEmptyMemoryPointer + 1 + ((data[0] << 8 | data[1]) % 8192);
    const int readSize = data[2] + 1;
    const QByteArray line = fuzzBytes(data + 3, size - 3);

    LoggerDumpCollector dump(LoggerDumpLength(static_cast<float>(pointer)));
    FUZZ_CHECK(dump.expected() == pointer - kDumpOverhead && dump.expected() > 0);
    LoggerDumpCollector::Step step = LoggerDumpCollector::Step::More;
    int before = 0;
    for (qsizetype at = 0; step == LoggerDumpCollector::Step::More && at < line.size(); at += readSize) {
        step = dump.add(line.mid(at, readSize));
        FUZZ_CHECK(dump.received() >= before && dump.received() <= dump.expected());
        before = dump.received();
    }
    // The caption grows with the bytes received; its bounds are those of the last read.
    const double percent = progressPercent(dump.received(), dump.expected());
    FUZZ_CHECK(percent >= 0 && percent <= 100);
    FUZZ_CHECK(step != LoggerDumpCollector::Step::Complete || percent == 100);
    if (step != LoggerDumpCollector::Step::Complete)
        return 0;
    FUZZ_CHECK(HasDumpSetMarker(dump.buffer()));

    // The image with its first marker again behind it, as the download hands it on.
    const QByteArray image = dump.imageWithEndMark();
    FUZZ_CHECK(image.size() == std::max(0, dump.expected() - kDumpImageStart) + 4);

    static std::vector<QByteArray> sets(LoggerState::MaxSetIndex + 1);
    const LoggerSplit split = SplitLoggerImage(image, sets);
    const int found = static_cast<int>(split.rows.size());
    FUZZ_CHECK(found <= LoggerState::MaxSetIndex);
    FUZZ_CHECK(found > 0 || split.fault == LoggerSplit::Fault::NoMarker || image.size() < 18);
    // The sets lie back to back from the image's start, each inside it and before its end mark.
    qsizetype at = 0;
    int beyond = 0;
    for (int k = 1; k <= found; ++k) {
        const QByteArray& set = sets[static_cast<size_t>(k)];
        FUZZ_CHECK(set.size() >= kSetHeadLength + kRecordLength);
        FUZZ_CHECK((set.size() - kSetHeadLength) % kRecordLength == 0);
        FUZZ_CHECK(at + set.size() <= image.size() - 4);
        FUZZ_CHECK(image.mid(at, set.size()) == set);
        FUZZ_CHECK(IsSetMarkerAt(set, 1));
        at += set.size();

        const int records = LoggerSetRecordCount(static_cast<int>(set.size()));
        const QStringList row = split.rows[k - 1].split(QLatin1Char('\t'));
        FUZZ_CHECK(row.size() == 4);
        FUZZ_CHECK(row[0].toInt() == k && row[3].toInt() == records && row[1].size() == 8);
        const int interval = LoggerSetInterval(set);
        FUZZ_CHECK(row[2].toInt() == interval && interval >= 0 && interval <= 255 * 60 + 255);
        beyond += decodeSet(set, records, interval);
    }
    // Readings beyond the range always make the download suspect, and a suspect one says so.
    const LoggerDamage damage = FindLoggerDamage(sets, found);
    FUZZ_CHECK(damage.readingsBeyondRange == beyond);
    FUZZ_CHECK(damage.any() == !LoggerDamageMessage(damage).isEmpty());
    FUZZ_CHECK(damage.any() == !LoggerDamageCaption(damage).isEmpty());
    FUZZ_CHECK(sets[static_cast<size_t>(found) + 1].isEmpty() || found == LoggerState::MaxSetIndex);
    for (int k = 1; k <= found; ++k)
        sets[static_cast<size_t>(k)].clear();
    return 0;
}
