// The PC sampler: one sample per sampling interval into the recording file and the live list.
#include "front_panel/panel.h"

#include "front_panel/real_time_list.h"
#include "platform/clock.h"
#include "platform/message_box.h"

#include <QDir>
#include <cmath>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

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

// Writes one line and hands it to the disk at once, so a crash or a power cut loses no record
// the status line has counted.
bool Panel::writeRecordLine(const QByteArray& line) {
    QFile& f = app_.recording.File;
    if (f.write(line) != line.size() || !f.flush())
        return false;
#ifdef Q_OS_UNIX
    // Devices that cannot be synced (EINVAL) have nothing to sync.
    if (::fdatasync(f.handle()) != 0 && errno != EINVAL)
        return false;
#endif
    return true;
}

void Panel::stopRecordingAuto() {
    endRecording();
    LblRec->setText(QString());
    LblCount->setText(QString());
    app_.recording.FileRecordCount = 0;
}

void Panel::startSampler() {
    samplerPace_.restart(platform::monotonicSeconds());
    Timer2.start();
}

void Panel::Timer2_Elapsed() {
    for (int n = samplerPace_.due(platform::monotonicSeconds()); n > 0; --n)
        Timer2_Timer();
}

void Panel::Timer2_Timer() {
    SamplingState& s = app_.sampling;
    if (s.SampleTickCount != 0 &&
        static_cast<double>(s.SampleTickCount) < static_cast<double>(s.SampleInterval)) {
        ++s.SampleTickCount;
        return;
    }

    // The sample clock counts whole intervals, never the real time that passed.
    s.SampleTime = AdvanceSampleTime(s.SampleTime, s.SampleInterval);
    const QString sampleLine = s.SampleTime + QLatin1Char('\t') + LblValue->text();
    const QString& unit = app_.display.DisplayUnitText;

    RecordingState& rec = app_.recording;
    if (rec.Recording) {
        if (rec.FileRecordCount == kMaxEntries || unit != rec.RecordUnit) {
            stopRecordingAuto();
            return; // no list row for this sample; the next tick samples again
        }
        const float count = rec.FileRecordCount + 1;
        const QString line = QString::number(static_cast<qint64>(count)) + QLatin1Char('\t') + sampleLine +
                             QStringLiteral("\r\n");
        if (!writeRecordLine(line.toLatin1())) {
            // Stop as the automatic stop does, but keep the count of the records that are on disk.
            const QString reason = rec.File.errorString();
            const QString name = QDir::toNativeSeparators(rec.File.fileName());
            const auto written = static_cast<qint64>(rec.FileRecordCount);
            endRecording();
            LblRec->setText(QString());
            platform::msgBox(this,
                             QStringLiteral("Recording stopped: cannot write to %1: %2\nRecords saved: %3")
                                 .arg(name, reason)
                                 .arg(written),
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
