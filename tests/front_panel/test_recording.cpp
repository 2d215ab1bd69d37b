// The main toolbar's recording control and the PC sampler's recording file, driven tick by tick.
#include "tests/front_panel/sampler_fixture.h"
#include "tests/support/panel_fixture.h"

#include "front_panel/record_file.h"
#include "platform/clock.h"

#include <QScopeGuard>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>

using testing::SamplerFixture;

namespace {

const QString kWatt = QStringLiteral("W/(M)2");
const QString kBtu = QStringLiteral("Btu/((ft)2.h)");

QStringList sampleTimes(const RealTimeList* list) {
    QStringList out;
    for (int r = 1; r < list->Grid->rows(); ++r)
        out << list->Grid->textAt(r, 1);
    return out;
}

// A clock the test moves by hand, both its time of day and its monotonic seconds; the program's
// clock while it lives.
class SteppedClock : public platform::ClockSource {
public:
    explicit SteppedClock(const QDateTime& start = QDateTime(QDate(2026, 6, 1), QTime(10, 0, 0)))
        : start_(start) {
        platform::setClockSource(this);
    }
    ~SteppedClock() override { platform::setClockSource(nullptr); }
    void advance(double seconds) { t_ += seconds; }
    QDateTime now() const override { return start_.addMSecs(static_cast<qint64>(t_ * 1000.0)); }
    double monotonic() const override { return t_; }

private:
    QDateTime start_;
    double t_ = 0;
};

// The sampler at `interval` seconds, its timer stopped: its ticks come from the test.
void startHandDriven(SamplerFixture& f, int interval) {
    f.app.sampling.SampleInterval = static_cast<float>(interval);
    f.panel->startSampler();
    f.panel->Timer2.stop();
}

int secondsOfDay(const QString& hhmmss) {
    return QTime(0, 0).secsTo(QTime::fromString(hhmmss, QStringLiteral("hh:mm:ss")));
}

// A display frame with the given second and fourth byte (decimal point, kilo; the unit segments)
// and main value digits; the other groups blank.
QByteArray displayFrame(int flags2, int flags3, int mainHi, int mainLo) {
    return testing::bytes(
        {0x02, 0x00, flags2, flags3, 0x00, 0x00, 0xCC, 0xCC, mainHi, mainLo, 0xCC, 0xCC, 0x03});
}
// "812.5" in W/(M)2; the same with the unit bit flipped as noise does ("W"); "0.812" in KW/(M)2.
const QByteArray kWattFrame = displayFrame(0x40, 0x05, 0x81, 0x25);
const QByteArray kFlippedFrame = displayFrame(0x40, 0x01, 0x81, 0x25);
const QByteArray kKiloFrame = displayFrame(0x90, 0x05, 0x08, 0x12);

// The record lines of a recording file, header left out.
QList<QByteArray> records(const QString& file) {
    QList<QByteArray> lines = SamplerFixture::fileBytes(file).split('\n');
    if (!lines.isEmpty())
        lines.removeFirst();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Replaces the recording file's system calls for one test and puts them back after.
struct InjectedCalls {
    static inline int writes = 0;       // write calls so far
    static inline int failAtWrite = -1; // the call (from 0) that fails; -1 none
    static inline int bytesBefore = 0;  // bytes the call before the failure takes, at most
    static inline int writeError = 0;
    static inline int syncError = 0; // fdatasync fails with this when not 0
    static inline QList<struct stat> syncedFolders;

    InjectedCalls() {
        writes = 0;
        failAtWrite = -1;
        bytesBefore = 0;
        writeError = syncError = 0;
        syncedFolders.clear();
        recordfile::SystemCalls& sys = recordfile::systemCalls();
        sys.write = [](int fd, const void* data, size_t size) -> ssize_t {
            const int call = writes++;
            if (call == failAtWrite) {
                errno = writeError;
                return -1;
            }
            if (call + 1 == failAtWrite && bytesBefore > 0)
                size = std::min(size, static_cast<size_t>(bytesBefore));
            return recordfile::defaultSystemCalls().write(fd, data, size);
        };
        sys.fdatasync = [](int fd) {
            if (syncError != 0) {
                errno = syncError;
                return -1;
            }
            return recordfile::defaultSystemCalls().fdatasync(fd);
        };
        sys.fsync = [](int fd) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
                syncedFolders.append(st);
            return recordfile::defaultSystemCalls().fsync(fd);
        };
    }
    ~InjectedCalls() { recordfile::systemCalls() = recordfile::defaultSystemCalls(); }
};

} // namespace

class TestRecording : public QObject {
    Q_OBJECT
private slots:
    void toolbarButtons_data();
    void toolbarButtons();
    void otherKeysDoNothing_data();
    void otherKeysDoNothing();
    void recordingFileBytes_data();
    void recordingFileBytes();
    void saveButtonAndStatusLine();
    void sampleClock_data();
    void sampleClock();
    void sampleTimesKeepWithTheClock_data();
    void sampleTimesKeepWithTheClock();
    void unitGate_data();
    void unitGate();
    void saveWithForeignUnitKeepsRecording();
    void autoStopOnUnitChange();
    void autoStopAtRecordLimit();
    void startStopStartAsksForANewFile();
    void cancelAfterStopKeepsTheFile();
    void recordIsOnDiskAfterItsTick();
    void unopenableFileChangesNothing_data();
    void unopenableFileChangesNothing();
    void failingWriteStopsAndKeepsTheCount();
    void unitChangeMustHold_data();
    void unitChangeMustHold();
    void noisyFrameFromTheMeterKeepsRecording();
    void fullDiskCutsBackToTheLastRecord_data();
    void fullDiskCutsBackToTheLastRecord();
    void deletedFileIsReportedAtOnce_data();
    void deletedFileIsReportedAtOnce();
    void newFileNameIsSynced();
    void stallTakesOneSampleOnTheClock_data();
    void stallTakesOneSampleOnTheClock();
};

void TestRecording::toolbarButtons_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<int>("image");
    QTest::addColumn<bool>("shown");
    // clang-format off
    QTest::newRow("1") << 1 << "Save" << "Save As" << 8 << true;
    QTest::newRow("2") << 2 << "Open" << "Open File" << 3 << true;
    QTest::newRow("3") << 3 << "List" << "List Display" << 11 << true;
    QTest::newRow("4") << 4 << "Graph" << "Graphic Display" << 4 << true;
    QTest::newRow("5") << 5 << "PC" << "PC Sampling" << 14 << true;
    QTest::newRow("6") << 6 << "Memory" << "Data Logger" << 13 << true;
    QTest::newRow("7") << 7 << "Stop" << "Stop Recording" << 9 << false;
    QTest::newRow("8") << 8 << "Save1" << "Save As" << 8 << false;
    QTest::newRow("9") << 9 << "TimeSet" << "Set Meter Time to System Time" << 20 << true;
    // clang-format on
}

void TestRecording::toolbarButtons() {
    QFETCH(int, index);
    QFETCH(QString, key);
    QFETCH(QString, tip);
    QFETCH(int, image);
    QFETCH(bool, shown);
    SamplerFixture f;
    const platform::Toolbar* bar = f.panel->Toolbar1;
    QCOMPARE(bar->geometry(), QRect(0, 0, 323, 28));
    QCOMPARE(bar->count(), 9);
    const platform::ToolbarButton* b = bar->button(index);
    QVERIFY(b);
    QCOMPARE(b->key(), key);
    QCOMPARE(b->toolTip(), tip);
    QCOMPARE(b->image(), image);
    QCOMPARE(!b->isHidden(), shown);
    QVERIFY(!b->icon().isNull());
    QVERIFY(!b->icon().pixmap(16, 16).isNull());
}

void TestRecording::otherKeysDoNothing_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("lower case") << "save";
    QTest::newRow("upper case") << "LIST";
    QTest::newRow("trailing blank") << "Save ";
    QTest::newRow("icon holder Stop") << "Stop";
    QTest::newRow("icon holder Save1") << "Save1";
    QTest::newRow("later command Graph") << "Graph";
}

void TestRecording::otherKeysDoNothing() {
    QFETCH(QString, key);
    SamplerFixture f;
    f.answers << f.path(QStringLiteral("never.txt"));
    f.panel->Toolbar1_ButtonClick(key);
    // The two icon holders are hidden buttons: a click on them must not reach the dispatch.
    if (platform::ToolbarButton* b = f.panel->Toolbar1->button(key))
        b->click();
    QVERIFY(f.requests.isEmpty());
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.list());
    QVERIFY(f.messages.boxes.isEmpty());
}

void TestRecording::recordingFileBytes_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("W/m2") << kWatt << QStringList{"812.5", "OL", "", " 12.0"}
                          << QByteArray("\tTime\tW/(M)2\r\n"
                                        "1\t10:00:01\t812.5\r\n"
                                        "2\t10:00:02\tOL\r\n"
                                        "3\t10:00:03\t\r\n"
                                        "4\t10:00:04\t 12.0\r\n");
    QTest::newRow("Btu") << kBtu << QStringList{"257.6", "  25.7"}
                         << QByteArray("\tTime\tBtu/((ft)2.h)\r\n"
                                       "1\t10:00:01\t257.6\r\n"
                                       "2\t10:00:02\t  25.7\r\n");
}

void TestRecording::recordingFileBytes() {
    QFETCH(QString, unit);
    QFETCH(QStringList, readings);
    QFETCH(QByteArray, bytes);
    SamplerFixture f;
    f.show(unit, readings.value(0));
    const QString file = f.path(QStringLiteral("rec.txt"));
    f.startRecording(file);
    QVERIFY(f.app.recording.Recording);
    QCOMPARE(f.app.recording.RecordUnit, unit);
    for (const QString& r : readings) {
        f.show(unit, r);
        f.tick();
    }
    f.click(QStringLiteral("Save"));
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.File.isOpen());
    QCOMPARE(SamplerFixture::fileBytes(file), bytes);
}

void TestRecording::saveButtonAndStatusLine() {
    SamplerFixture f;
    f.panel->LblRec->hide();
    f.startRecording(f.path(QStringLiteral("status.txt")));
    QCOMPARE(f.saveButton()->image(), 9);
    QCOMPARE(f.saveButton()->toolTip(), QStringLiteral("Stop Recording"));
    QCOMPARE(f.saveButton()->icon().pixmap(16, 16).toImage(),
             f.panel->ImageList1->image(9).pixmap(16, 16).toImage());
    QCOMPARE(f.panel->LblFileName->text(), QStringLiteral("status.txt"));
    QVERIFY(!f.panel->LblRec->isHidden());
    QCOMPARE(f.panel->LblCount->text(), QString());

    f.tick(2);
    QCOMPARE(f.panel->LblCount->text(), QStringLiteral("2"));
    QCOMPARE(f.panel->LblRec->text(), QStringLiteral("Rec"));
    QCOMPARE(f.panel->LblFileName->text(), QStringLiteral("status.txt"));

    f.click(QStringLiteral("Save"));
    QCOMPARE(f.saveButton()->image(), 8);
    QCOMPARE(f.saveButton()->toolTip(), QStringLiteral("Save As"));
    QVERIFY(f.panel->LblRec->isHidden());
    QCOMPARE(f.panel->LblCount->text(), QString());
    QCOMPARE(f.panel->LblFileName->text(), QString());
    QCOMPARE(f.app.recording.FileRecordCount, 0.0f);
    QVERIFY(!f.app.recording.FileChosen);
}

void TestRecording::sampleClock_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("resetAfterTick"); // the counter set to 0 after this tick (0: never)
    QTest::addColumn<QStringList>("times");  // sample times, one per sample taken
    QTest::newRow("interval 1 samples every tick")
        << 1.0f << "10:00:00" << 3 << 0 << QStringList{"10:00:01", "10:00:02", "10:00:03"};
    QTest::newRow("interval 2 every second tick")
        << 2.0f << "10:00:00" << 5 << 0 << QStringList{"10:00:02", "10:00:04", "10:00:06"};
    QTest::newRow("interval 7 at the 7th tick")
        << 7.0f << "08:59:58" << 15 << 0 << QStringList{"09:00:05", "09:00:12", "09:00:19"};
    QTest::newRow("counter 0 samples at once")
        << 7.0f << "10:00:00" << 3 << 2 << QStringList{"10:00:07", "10:00:14"};
    QTest::newRow("midnight wrap") << 2.0f << "23:59:59" << 3 << 0 << QStringList{"00:00:01", "00:00:03"};
    QTest::newRow("hour wrap") << 3600.0f << "23:30:00" << 1 << 0 << QStringList{"00:30:00"};
    QTest::newRow("a whole day") << 86400.0f << "12:34:56" << 1 << 0 << QStringList{"12:34:56"};
}

void TestRecording::sampleClock() {
    QFETCH(float, interval);
    QFETCH(QString, start);
    QFETCH(int, ticks);
    QFETCH(int, resetAfterTick);
    QFETCH(QStringList, times);
    SamplerFixture f;
    f.app.sampling.SampleInterval = interval;
    f.app.sampling.SampleTime = start;
    f.click(QStringLiteral("List"));
    QVERIFY(f.list());
    for (int t = 1; t <= ticks; ++t) {
        f.tick();
        if (t == resetAfterTick)
            f.app.sampling.SampleTickCount = 0;
    }
    QCOMPARE(sampleTimes(f.list()), times);
    QCOMPARE(f.app.sampling.SampleTime, times.last());
}

void TestRecording::sampleTimesKeepWithTheClock_data() {
    QTest::addColumn<int>("interval");
    QTest::newRow("1 s") << 1;
    QTest::newRow("2 s") << 2;
}

void TestRecording::sampleTimesKeepWithTheClock() {
    // The sampler timer fires every 960 ms; an hour of it, on a clock moved by hand.
    QFETCH(int, interval);
    SteppedClock clock;
    SamplerFixture f;
    f.app.sampling.SampleTime = QStringLiteral("10:00:00");
    startHandDriven(f, interval);
    int samples = 0;
    double worst = 0;
    QString last = f.app.sampling.SampleTime;
    for (int i = 0; i < 3750; ++i) {
        clock.advance(0.96);
        f.panel->Timer2_Elapsed();
        if (f.app.sampling.SampleTime == last)
            continue;
        last = f.app.sampling.SampleTime;
        ++samples;
        const double clockNow = QTime(0, 0).msecsTo(clock.now().time()) / 1000.0;
        worst = std::max(worst, std::abs(secondsOfDay(last) - clockNow));
    }
    QCOMPARE(samples, 3600 / interval);
    QVERIFY2(worst <= 1.0, qPrintable(QStringLiteral("a sample time %1 s off the clock").arg(worst)));
}

void TestRecording::unitGate_data() {
    QTest::addColumn<QString>("unit");
    QTest::newRow("before the first frame") << QString();
    QTest::newRow("percent") << QStringLiteral("%");
    QTest::newRow("wrong case") << QStringLiteral("w/(M)2");
}

void TestRecording::unitGate() {
    QFETCH(QString, unit);
    SamplerFixture f;
    f.show(unit, QStringLiteral("12.5"));
    f.answers << f.path(QStringLiteral("gated.txt"));
    f.click(QStringLiteral("Save"));
    f.click(QStringLiteral("List"));
    f.click(QStringLiteral("Graph"));
    QVERIFY(f.requests.isEmpty());
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.liveList.ListOpen);
    QVERIFY(!f.list());
    QVERIFY(f.messages.boxes.isEmpty());
    QCOMPARE(f.saveButton()->image(), 8);
}

void TestRecording::saveWithForeignUnitKeepsRecording() {
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("gate.txt"));
    f.startRecording(file);
    f.show(QStringLiteral("%"), QStringLiteral("50"));
    f.click(QStringLiteral("Save"));
    QVERIFY(f.app.recording.Recording);
    f.tick(); // the sampler sees the change and stops by itself
    QVERIFY(!f.app.recording.Recording);
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("\tTime\tW/(M)2\r\n"));
}

void TestRecording::autoStopOnUnitChange() {
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("unit.txt"));
    f.click(QStringLiteral("List"));
    f.startRecording(file);
    f.tick(2);
    QCOMPARE(f.list()->Grid->rows(), 3);

    f.show(QStringLiteral("KW/(M)2"), QStringLiteral("0.812"));
    f.tick();
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.FileChosen);
    QVERIFY(!f.app.recording.File.isOpen());
    QCOMPARE(f.app.recording.FileRecordCount, 0.0f);
    QCOMPARE(f.saveButton()->image(), 8);
    QCOMPARE(f.saveButton()->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(f.panel->LblRec->text(), QString());
    QCOMPARE(f.panel->LblCount->text(), QString());
    QCOMPARE(f.panel->LblFileName->text(), QStringLiteral("unit.txt")); // until the next sample
    QCOMPARE(f.list()->Grid->rows(), 3);                                // that tick adds no row
    QCOMPARE(f.app.sampling.SampleTickCount, 1);                        // so the next tick samples
    QCOMPARE(SamplerFixture::fileBytes(file),
             QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n2\t10:00:02\t812.5\r\n"));
    QCOMPARE(f.messages.texts(),
             QStringList{"Recording stopped: the unit changed from W/(M)2 to KW/(M)2\nRecords saved: 2"});
    QVERIFY(f.messages.boxes[0].icon == platform::MsgIcon::Information);

    f.tick(); // samples again: the status line empties and the list closes on the new unit
    QCOMPARE(f.app.sampling.SampleTime, QStringLiteral("10:00:04"));
    QCOMPARE(f.panel->LblFileName->text(), QString());
    QVERIFY(!f.app.liveList.ListOpen);
    QVERIFY(!f.list());
}

void TestRecording::autoStopAtRecordLimit() {
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("full.txt"));
    f.startRecording(file);
    f.app.recording.FileRecordCount = 86398; // as if 86398 records were written already
    f.tick(2);
    QVERIFY(f.app.recording.Recording);
    QCOMPARE(f.panel->LblCount->text(), QStringLiteral("86400"));
    f.tick();
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.File.isOpen());
    QCOMPARE(SamplerFixture::fileBytes(file),
             QByteArray("\tTime\tW/(M)2\r\n86399\t10:00:01\t812.5\r\n86400\t10:00:02\t812.5\r\n"));
    QCOMPARE(f.messages.texts(),
             QStringList{"Recording stopped: the file holds 86400 records, the most it can\n"
                         "Records saved: 86400"});
}

void TestRecording::startStopStartAsksForANewFile() {
    SamplerFixture f;
    const QString first = f.path(QStringLiteral("first.txt"));
    const QString second = f.path(QStringLiteral("second.txt"));
    f.startRecording(first);
    f.tick();
    f.click(QStringLiteral("Save"));
    f.show(kBtu, QStringLiteral("257.6"));
    f.startRecording(second);
    QCOMPARE(f.requests.size(), 2);
    QVERIFY(f.app.recording.Recording);
    QCOMPARE(f.panel->LblFileName->text(), QStringLiteral("second.txt"));
    f.tick();
    f.click(QStringLiteral("Save"));
    QCOMPARE(SamplerFixture::fileBytes(first), QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n"));
    QCOMPARE(SamplerFixture::fileBytes(second),
             QByteArray("\tTime\tBtu/((ft)2.h)\r\n1\t10:00:02\t257.6\r\n"));
}

void TestRecording::cancelAfterStopKeepsTheFile() {
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("kept.txt"));
    f.startRecording(file);
    f.tick();
    f.show(kBtu, QStringLiteral("257.6"));
    f.tick(); // automatic stop
    QVERIFY(!f.app.recording.Recording);
    f.click(QStringLiteral("Save")); // the dialog is cancelled
    QCOMPARE(f.requests.size(), 2);
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.File.isOpen());
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n"));
    QCOMPARE(f.messages.boxes.size(), 1); // the stop's notice; the cancel says nothing
}

void TestRecording::recordIsOnDiskAfterItsTick() {
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("disk.txt"));
    f.startRecording(file);
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("\tTime\tW/(M)2\r\n"));
    f.tick();
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n"));
    QVERIFY(f.app.recording.File.isOpen());
}

void TestRecording::unopenableFileChangesNothing_data() {
    QTest::addColumn<QString>("file"); // relative names are placed in the test's folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "no/such/folder/rec.txt"
                                    << "No such file or directory";
    QTest::newRow("device that takes no bytes") << "/dev/full"
                                                << "No space left on device";
}

void TestRecording::unopenableFileChangesNothing() {
    QFETCH(QString, file);
    QFETCH(QString, reason);
    if (file == QLatin1String("/dev/full") && !QFile::exists(file))
        QSKIP("no /dev/full here");
    SamplerFixture f;
    if (!file.startsWith(QLatin1Char('/')))
        file = f.path(file);
    f.panel->LblRec->hide();
    f.panel->LblFileName->setText(QString());
    f.startRecording(file);
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.File.isOpen());
    QVERIFY(!f.app.recording.FileChosen);
    QCOMPARE(f.saveButton()->image(), 8);
    QCOMPARE(f.saveButton()->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(f.panel->LblFileName->text(), QString());
    QVERIFY(f.panel->LblRec->isHidden());
    QCOMPARE(f.messages.boxes.size(), 1);
    const platform::MsgRecord& box = f.messages.boxes[0];
    QCOMPARE(box.text, QStringLiteral("Cannot create %1: %2").arg(file, reason));
    QVERIFY(box.icon == platform::MsgIcon::Critical);
    QCOMPARE(box.title, QStringLiteral("Vantrel"));
    f.tick(); // nothing is recorded
    QCOMPARE(f.panel->LblCount->text(), QString());
}

void TestRecording::failingWriteStopsAndKeepsTheCount() {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("lost.txt"));
    f.click(QStringLiteral("List"));
    f.startRecording(file);
    f.tick();
    // The disk fills up: the open handle now points at a device that refuses every byte.
    QFile& handle = f.app.recording.File;
    handle.close();
    handle.setFileName(QStringLiteral("/dev/full"));
    QVERIFY(handle.open(QIODevice::WriteOnly));
    f.tick();

    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!handle.isOpen());
    QVERIFY(!f.app.recording.FileChosen);
    QCOMPARE(f.app.recording.FileRecordCount, 1.0f);
    QCOMPARE(f.panel->LblCount->text(), QStringLiteral("1"));
    QCOMPARE(f.panel->LblRec->text(), QString());
    QCOMPARE(f.saveButton()->image(), 8);
    QCOMPARE(f.saveButton()->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.boxes[0].text,
             QStringLiteral("Recording stopped: cannot write to /dev/full: No space left on device\n"
                            "Records saved: 1"));
    QVERIFY(f.messages.boxes[0].icon == platform::MsgIcon::Critical);
    QCOMPARE(f.list()->Grid->rows(), 2); // the failed sample adds no row either
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n"));

    f.tick(); // the next sample goes on without a recording
    QCOMPARE(f.list()->Grid->rows(), 3);
    QCOMPARE(f.panel->LblCount->text(), QString());
    QCOMPARE(f.app.recording.FileRecordCount, 0.0f);
}

void TestRecording::unitChangeMustHold_data() {
    QTest::addColumn<QList<QByteArray>>("frames"); // painted between the first and second sample
    QTest::addColumn<bool>("stops");
    QTest::newRow("one frame with the unit bit flipped")
        << QList<QByteArray>{kFlippedFrame, kWattFrame} << false;
    QTest::newRow("a flipped frame just before the sample")
        << QList<QByteArray>{kWattFrame, kFlippedFrame} << false;
    QTest::newRow("two frames of a new unit") << QList<QByteArray>{kKiloFrame, kKiloFrame} << false;
    QTest::newRow("a new unit broken by noise")
        << QList<QByteArray>{kKiloFrame, kKiloFrame, kFlippedFrame, kKiloFrame, kKiloFrame} << false;
    QTest::newRow("a new unit held over three frames")
        << QList<QByteArray>{kWattFrame, kKiloFrame, kKiloFrame, kKiloFrame} << true;
}

void TestRecording::unitChangeMustHold() {
    // Frames carry no checksum: a unit one frame shows is not yet a change of unit.
    QFETCH(QList<QByteArray>, frames);
    QFETCH(bool, stops);
    SamplerFixture f;
    f.panel->PaintFrame(kWattFrame);
    const QString file = f.path(QStringLiteral("noise.txt"));
    f.click(QStringLiteral("List"));
    f.startRecording(file);
    f.tick();
    for (const QByteArray& frame : frames)
        f.panel->PaintFrame(frame);
    f.tick();
    if (stops) {
        QVERIFY(!f.app.recording.Recording);
        QCOMPARE(f.messages.texts(),
                 QStringList{"Recording stopped: the unit changed from W/(M)2 to KW/(M)2\nRecords saved: 1"});
        QCOMPARE(records(file), QList<QByteArray>{"1\t10:00:01\t812.5\r"});
        f.tick();
        QVERIFY(!f.app.liveList.ListOpen); // the list follows the same unit
        return;
    }
    QVERIFY(f.app.recording.Recording);
    QVERIFY(f.messages.boxes.isEmpty());
    // A sample taken while a new unit has not held carries the reading last shown in the old one.
    QCOMPARE(records(file), (QList<QByteArray>{"1\t10:00:01\t812.5\r", "2\t10:00:02\t812.5\r"}));
    QVERIFY(f.app.liveList.ListOpen);
    QCOMPARE(f.list()->Grid->rows(), 3);
    QCOMPARE(f.list()->Grid->textAt(2, 2), QStringLiteral("812.5"));
}

void TestRecording::noisyFrameFromTheMeterKeepsRecording() {
    // Through the serial line: the meter sends one frame with its unit bit flipped, and a sample
    // falls while that frame is on the display.
    testing::PanelFixture f;
    QVERIFY(f.start());
    f.panel->Timer2.stop(); // samples come from the test
    f.app.sampling.SampleInterval = 1;
    f.meter.setFrame(kWattFrame);
    QVERIFY(testing::waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("812.5"); }, 20.0));
    const QString file = f.dir.filePath(QStringLiteral("meter.txt"));
    platform::CommonDialog::setResponder([&](const platform::CommonDialog::Request&) { return file; });
    const auto noDialog = qScopeGuard([] { platform::CommonDialog::setResponder({}); });
    f.panel->Toolbar1->button(QStringLiteral("Save"))->click();
    QVERIFY(f.app.recording.Recording);

    int flipped = 0, after = 0;
    QObject::connect(f.panel.get(), &Panel::framePainted, f.panel.get(), [&] {
        if (f.app.display.DisplayUnitText == QLatin1String("W") && flipped++ == 0) {
            f.panel->Timer2_Timer();
            f.meter.setFrame(kWattFrame);
        } else if (flipped > 0) {
            ++after;
        }
    });
    f.meter.setFrame(kFlippedFrame);
    QVERIFY(testing::waitUntil([&] { return after >= 3; }, 20.0));
    f.panel->Timer2_Timer();
    QVERIFY(f.app.recording.Recording);
    QVERIFY(f.messages.boxes.isEmpty());
    const QList<QByteArray> lines = records(file);
    QCOMPARE(lines.size(), 2);
    for (const QByteArray& line : lines)
        QVERIFY2(line.endsWith("\t812.5\r"), line.constData());
}

void TestRecording::fullDiskCutsBackToTheLastRecord_data() {
    QTest::addColumn<int>("failAtWrite"); // the write call of the record that fails; -1 none
    QTest::addColumn<int>("bytesBefore"); // bytes the call before it still takes
    QTest::addColumn<int>("writeError");
    QTest::addColumn<int>("syncError");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no room for a byte") << 0 << 0 << ENOSPC << 0 << "No space left on device";
    QTest::newRow("room for half a record") << 1 << 6 << ENOSPC << 0 << "No space left on device";
    QTest::newRow("quota reached in a record") << 1 << 3 << EDQUOT << 0 << "Disk quota exceeded";
    QTest::newRow("no room found at the sync") << -1 << 0 << 0 << ENOSPC << "No space left on device";
    QTest::newRow("the disk fails at the sync") << -1 << 0 << 0 << EIO << "Input/output error";
}

void TestRecording::fullDiskCutsBackToTheLastRecord() {
    QFETCH(int, failAtWrite);
    QFETCH(int, bytesBefore);
    QFETCH(int, writeError);
    QFETCH(int, syncError);
    QFETCH(QString, reason);
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("full.txt"));
    f.startRecording(file);
    f.tick();
    InjectedCalls calls;
    InjectedCalls::failAtWrite = failAtWrite;
    InjectedCalls::bytesBefore = bytesBefore;
    InjectedCalls::writeError = writeError;
    InjectedCalls::syncError = syncError;
    f.tick();
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.File.isOpen());
    // The file ends with its last whole record, as if the failed one had never been begun.
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n"));
    QCOMPARE(
        f.messages.texts(),
        QStringList{
            QStringLiteral("Recording stopped: cannot write to %1: %2\nRecords saved: 1").arg(file, reason)});
}

void TestRecording::deletedFileIsReportedAtOnce_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("lost");
    QTest::newRow("at the next sample") << 1 << 2;
    QTest::newRow("between samples") << 60 << 1;
}

void TestRecording::deletedFileIsReportedAtOnce() {
    QFETCH(int, interval);
    QFETCH(int, lost);
    SteppedClock clock;
    SamplerFixture f;
    startHandDriven(f, interval);
    const QString file = f.path(QStringLiteral("gone.txt"));
    f.startRecording(file);
    clock.advance(1.0);
    f.panel->Timer2_Elapsed(); // the first sample
    QCOMPARE(f.panel->LblCount->text(), QStringLiteral("1"));
    QVERIFY(QFile::remove(file));
    clock.advance(1.0);
    if (interval == 1)
        f.panel->Timer2_Timer(); // the record goes into a file without a name
    else
        f.panel->Timer2_Elapsed(); // no sample due for a minute
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.recording.File.isOpen());
    QCOMPARE(f.saveButton()->image(), 8);
    QCOMPARE(f.panel->LblCount->text(), QString());
    QCOMPARE(f.messages.texts(),
             QStringList{
                 QStringLiteral("Recording stopped: %1 was deleted\nRecords lost: %2").arg(file).arg(lost)});
    QVERIFY(f.messages.boxes[0].icon == platform::MsgIcon::Critical);
}

void TestRecording::newFileNameIsSynced() {
    InjectedCalls calls;
    SamplerFixture f;
    const QString file = f.path(QStringLiteral("named.txt"));
    f.startRecording(file);
    QVERIFY(f.app.recording.Recording);
    struct stat folder {};
    QCOMPARE(::stat(QFile::encodeName(f.dir.path()).constData(), &folder), 0);
    const bool synced = std::any_of(
        InjectedCalls::syncedFolders.begin(), InjectedCalls::syncedFolders.end(),
        [&](const struct stat& st) { return st.st_dev == folder.st_dev && st.st_ino == folder.st_ino; });
    QVERIFY(synced);
}

void TestRecording::stallTakesOneSampleOnTheClock_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<double>("stall");
    QTest::addColumn<int>("newRecords"); // from the stall
    QTest::newRow("stopped 7 s at 2 s") << 2 << 7.0 << 1;
    QTest::newRow("frozen 61 s at 1 s") << 1 << 61.0 << 1;
    QTest::newRow("frozen 10 min at 2 s") << 2 << 600.0 << 1;
    QTest::newRow("10 s inside a minute's interval") << 60 << 10.0 << 0;
    QTest::newRow("a minute's sample falls in the stall") << 60 << 50.0 << 1;
}

void TestRecording::stallTakesOneSampleOnTheClock() {
    // A record is a reading taken at its time: after a stall none is made up for the seconds
    // missed, and the time column is back on the clock.
    QFETCH(int, interval);
    QFETCH(double, stall);
    QFETCH(int, newRecords);
    SteppedClock clock;
    SamplerFixture f;
    startHandDriven(f, interval);
    const QString file = f.path(QStringLiteral("stall.txt"));
    f.click(QStringLiteral("List"));
    f.startRecording(file);
    // The sampler timer's events, 960 ms apart; the worst distance of a sample's time from the clock.
    const auto run = [&](double seconds) {
        double worst = 0;
        for (double t = 0; t < seconds; t += 0.96) {
            const QString last = f.app.sampling.SampleTime;
            clock.advance(0.96);
            f.panel->Timer2_Elapsed();
            if (f.app.sampling.SampleTime != last) {
                const double now = QTime(0, 0).msecsTo(clock.now().time()) / 1000.0;
                worst = std::max(worst, std::abs(secondsOfDay(f.app.sampling.SampleTime) - now));
            }
        }
        return worst;
    };
    run(20);
    const int before = static_cast<int>(records(file).size());
    QVERIFY(before >= 1);
    const QString lastTime = f.app.sampling.SampleTime;

    f.show(kWatt, QStringLiteral("903.1")); // what the meter shows when the program runs again
    clock.advance(stall);
    f.panel->Timer2_Elapsed();
    const QList<QByteArray> after = records(file);
    QCOMPARE(after.size(), before + newRecords);
    QCOMPARE(f.list()->Grid->rows(), 1 + before + newRecords);
    if (newRecords == 1) {
        const QString now = clock.now().time().toString(QStringLiteral("hh:mm:ss"));
        QCOMPARE(QString::fromLatin1(after.last()),
                 QStringLiteral("%1\t%2\t903.1\r").arg(before + 1).arg(now));
        QCOMPARE(f.list()->Grid->textAt(before + 1, 1), now);
        // Later samples keep one interval apart and on the clock.
        QVERIFY(run(3 * interval + 1) <= 1.0);
    } else {
        QCOMPARE(f.app.sampling.SampleTime, lastTime);
        run(3 * interval + 1);
        QCOMPARE(secondsOfDay(QString::fromLatin1(records(file).value(before).split('\t').value(1))),
                 secondsOfDay(lastTime) + interval); // the next sample keeps its time
    }
    const QList<QByteArray> all = records(file);
    QVERIFY(all.size() > before + newRecords);
    for (int i = 0; i < all.size(); ++i)
        QVERIFY2(all[i].startsWith(QByteArray::number(i + 1) + '\t'), all[i].constData());
    QVERIFY(f.messages.boxes.isEmpty());
}

QTEST_MAIN(TestRecording)
#include "test_recording.moc"
