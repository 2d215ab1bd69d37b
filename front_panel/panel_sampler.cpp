// The PC sampler: one sample per sampling interval into the recording file and the live list.
#include "front_panel/panel.h"

#include "front_panel/real_time_list.h"
#include "front_panel/record_file.h"
#include "meter_link/settled_unit.h"
#include "platform/clock.h"
#include "platform/message_box.h"

#include <QDir>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kSecondsPerDay = 86400;
constexpr float kMaxEntries = 86400; // records in a file, rows in the list

} // namespace

QString Panel::AdvanceSampleTime(const QString& hhnnss, double seconds) {
    const QStringList parts = hhnnss.split(QLatin1Char(':'));
    long long t = 0;
    if (parts.size() == 3)
        t = parts[0].toLongLong() * 3600 + parts[1].toLongLong() * 60 + parts[2].toLongLong();
    t = (t + std::llround(seconds)) % kSecondsPerDay;
    if (t < 0)
        t += kSecondsPerDay;
    return QStringLiteral("%1:%2:%3")
        .arg(t / 3600, 2, 10, QLatin1Char('0'))
        .arg(t / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(t % 60, 2, 10, QLatin1Char('0'));
}

void Panel::stopRecordingAuto(const QString& why, platform::MsgIcon icon) {
    const auto saved = static_cast<qint64>(app_.recording.FileRecordCount);
    endRecording();
    LblRec->setText(QString());
    LblCount->setText(QString());
    app_.recording.FileRecordCount = 0;
    // The sampler may run inside a command's wait for the meter: the box must not hold it.
    platform::msgNotice(this, QStringLiteral("%1\nRecords saved: %2").arg(why).arg(saved), icon);
}

void Panel::stopRecordingDeleted(qint64 lost) {
    const QString name = QDir::toNativeSeparators(app_.recording.File.fileName());
    endRecording();
    LblRec->setText(QString());
    LblCount->setText(QString());
    app_.recording.FileRecordCount = 0;
    platform::msgNotice(
        this, QStringLiteral("Recording stopped: %1 was deleted\nRecords lost: %2").arg(name).arg(lost),
        platform::MsgIcon::Critical);
}

void Panel::startSampler() {
    samplerPace_.restart(platform::monotonicSeconds());
    Timer2.start();
}

void Panel::Timer2_Elapsed() {
    const long long ticks = samplerPace_.due(platform::monotonicSeconds());
    // A file deleted under the recording takes every record with it when it is closed: say so
    // within the second, whatever the sampling interval.
    RecordingState& rec = app_.recording;
    if (rec.Recording && recordfile::deleted(rec.File))
        stopRecordingDeleted(static_cast<qint64>(rec.FileRecordCount));
    if (ticks == 1)
        Timer2_Timer();
    else if (ticks > 1)
        resumeAfterStall(ticks);
}

void Panel::resumeAfterStall(long long ticks) {
    // The program stood still (stopped, frozen, busy) for more than a second. The readings of the
    // missed samples were never seen: none is made up. If a sample fell due meanwhile, one is
    // taken now, with the reading now shown and the time it now is; the next follows one
    // interval later.
    SamplingState& s = app_.sampling;
    const auto interval = static_cast<long long>(s.SampleInterval);
    const long long count = s.SampleTickCount;
    const long long toNext = count == 0 || count >= interval ? 1 : interval - count + 1;
    if (ticks < toNext) {
        s.SampleTickCount = static_cast<std::int32_t>(count + ticks);
        return;
    }
    if (count != 0)
        s.SampleTickCount = static_cast<std::int32_t>(std::max(count, interval));
    takeSample(platform::currentDateTime().time().toString(QStringLiteral("hh:mm:ss")));
}

void Panel::Timer2_Timer() {
    SamplingState& s = app_.sampling;
    if (s.SampleTickCount != 0 &&
        static_cast<double>(s.SampleTickCount) < static_cast<double>(s.SampleInterval)) {
        ++s.SampleTickCount;
        return;
    }
    // The sample clock counts whole intervals while the sampler keeps pace.
    takeSample(AdvanceSampleTime(s.SampleTime, s.SampleInterval));
}

void Panel::takeSample(const QString& time) {
    SamplingState& s = app_.sampling;
    s.SampleTime = time;
    const DisplayState& d = app_.display;
    const QString sampleLine =
        s.SampleTime + QLatin1Char('\t') + (d.UnitInDoubt ? readingInForce_ : LblValue->text());
    const QString& unit = UnitInForce(d);

    RecordingState& rec = app_.recording;
    if (rec.Recording) {
        if (rec.FileRecordCount == kMaxEntries) {
            stopRecordingAuto(QStringLiteral("Recording stopped: the file holds %1 records, the most it can")
                                  .arg(static_cast<qint64>(kMaxEntries)),
                              platform::MsgIcon::Information);
            return; // no list row for this sample; the next tick samples again
        }
        if (unit != rec.RecordUnit) {
            stopRecordingAuto(
                QStringLiteral("Recording stopped: the unit changed from %1 to %2").arg(rec.RecordUnit, unit),
                platform::MsgIcon::Information);
            return;
        }
        const float count = rec.FileRecordCount + 1;
        const QString line = QString::number(static_cast<qint64>(count)) + QLatin1Char('\t') + sampleLine +
                             QStringLiteral("\r\n");
        const recordfile::Result written = recordfile::append(rec.File, line.toLatin1());
        if (written.outcome == recordfile::Outcome::Deleted) {
            stopRecordingDeleted(static_cast<qint64>(count));
            return;
        }
        if (written.outcome == recordfile::Outcome::Failed) {
            // Stop as the automatic stop does, but keep the count of the records that are on disk.
            const QString name = QDir::toNativeSeparators(rec.File.fileName());
            const auto saved = static_cast<qint64>(rec.FileRecordCount);
            endRecording();
            LblRec->setText(QString());
            platform::msgNotice(this,
                                QStringLiteral("Recording stopped: cannot write to %1: %2\nRecords saved: %3")
                                    .arg(name, written.reason)
                                    .arg(saved),
                                platform::MsgIcon::Critical);
            return;
        }
        rec.FileRecordCount = count;
        LblCount->setText(QString::number(static_cast<qint64>(count)));
        LblRec->setText(QStringLiteral("Rec"));
    } else {
        LblFileName->setText(QString());
        LblCount->setText(QString());
        LblRec->setText(QString());
        rec.FileRecordCount = 0;
    }

    if (app_.liveList.ListOpen) {
        LiveListState& list = app_.liveList;
        if (list.ListCount == kMaxEntries || unit != list.ListUnit || !realTimeList_) {
            list.ListCount = 0;
            list.ListOpen = false;
            if (realTimeList_)
                realTimeList_->Unload();
            return;
        }
        listStep(sampleLine);
    }
    s.SampleTickCount = 1;
}

void Panel::listStep(const QString& sampleLine) {
    LiveListState& list = app_.liveList;
    list.ListCount += 1;
    platform::Grid& grid = *realTimeList_->Grid;
    grid.addItem(QString::number(static_cast<qint64>(list.ListCount)) + QLatin1Char('\t') + sampleLine);
    grid.setRow(grid.rows() - 1);
    // Up to 15 data rows the list stands still; from the 16th on it scrolls one row per row.
    if (grid.row() > 15)
        grid.setTopRow(grid.topRow() + 1);
}
