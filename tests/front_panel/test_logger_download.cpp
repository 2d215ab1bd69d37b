// The "Memory" command on the stand-in over a real pseudo-terminal: the bytes on the line, the
// logger window it fills, its restarts and its bounds, and the delete from the logger window.
#include "front_panel/logger_download.h"
#include "front_panel/panel.h"
#include "logger_data/data_list.h"
#include "logger_data/logger_image.h"
#include "logger_data/memory.h"
#include "meter_link/meter.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "tests/support/panel_fixture.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

using standin::LoggerSetSpec;
using testing::PanelFixture;
using testing::waitUntil;

namespace {

const QList<LoggerSetSpec> kTwoSets = {{QTime(23, 59, 59), 60, {0x01E240, 0x0F4240}},
                                       {QTime(9, 30, 5), 30, {1, 2, 3, 4, 5}}};

// Three sets of zero readings with 19 bytes put into set 1's fourth record: they run together.
QByteArray mergedSets() {
    const QList<quint32> zeros(10, 0);
    QByteArray image = standin::buildLoggerImage(
        {{QTime(8, 0), 60, zeros}, {QTime(9, 0), 60, zeros}, {QTime(10, 0), 60, zeros}});
    return image.insert(19, QByteArray(19, '\0'));
}

bool startOn(PanelFixture& f, const QList<LoggerSetSpec>& sets) {
    if (!f.start())
        return false;
    f.meter.setDumpPace(0);
    f.meter.setFramePeriodMs(20);
    f.meter.setLoggerSets(sets);
    f.panel->show();
    return waitUntil([&] { return f.meter.streaming(); });
}

// Clicks "Memory"; the download it starts runs on from the event loop: waits until it has given
// the line back.
void clickMemory(PanelFixture& f) {
    const bool busyBefore = f.app.link.KeyBusy;
    QTest::mouseClick(f.panel->Toolbar1->button(QStringLiteral("Memory")), Qt::LeftButton);
    if (!busyBefore)
        QVERIFY(waitUntil([&] { return !f.app.link.KeyBusy; }, 30.0));
}

// Clicks "Memory" and runs `midway` once, as soon as the logger window shows the transfer running;
// true when it ran.
bool clickMemoryThenMidway(PanelFixture& f, const std::function<void(Memory*)>& midway) {
    bool ran = false;
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        Memory* m = f.panel->loggerContext.memory;
        if (ran || !m || m->LblMessage->text().isEmpty())
            return;
        ran = true;
        midway(m);
    });
    poke.start(10);
    clickMemory(f);
    poke.stop();
    return ran;
}

QStringList setRows(Memory* m) {
    QStringList out;
    for (int r = 1; r < m->GridSet->rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << m->GridSet->textAt(r, c);
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// The state every end of the command leaves: the keys free and the poll loop asking again.
void checkIdle(PanelFixture& f) {
    QVERIFY(!f.app.link.KeyBusy);
    QVERIFY(f.panel->Timer1.isActive());
    QVERIFY(f.app.link.PollCount <= 1);
}

// Polling runs again and a key reaches the meter.
void checkPollingAndKeys(PanelFixture& f) {
    f.meter.clearLog();
    QVERIFY(waitUntil([&] { return f.meter.commandLetters().contains(QLatin1Char('M')); }));
    QSignalSpy painted(f.panel.get(), &Panel::framePainted);
    QVERIFY(painted.wait(20000)); // a frame painted: HOLD then sends "H"
    QLabel* hold = f.panel->LblCmd[0];
    QTest::mousePress(hold, Qt::LeftButton);
    QTest::mouseRelease(hold, Qt::LeftButton);
    QVERIFY(waitUntil([&] { return f.meter.commandLetters().contains(QLatin1Char('H')); }));
}

} // namespace

class TestLoggerDownload : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void freeMemory_data() {
        QTest::addColumn<float>("pointer");
        QTest::addColumn<QString>("caption");
        QTest::newRow("100 above empty") << 1123.f << " 126.9 K";
        QTest::newRow("empty") << 1023.f << " 127 K";
        QTest::newRow("103 below the top") << 130968.f << " 0.1 K";
        QTest::newRow("131058") << 131058.f << " 0 K";
        QTest::newRow("cut-off") << 131059.f << " 0 K";
        QTest::newRow("71 below the top") << 131000.f << " 0 K";
        QTest::newRow("beyond the top") << 200000.f << " 0 K";
    }
    void freeMemory() {
        QFETCH(float, pointer);
        QFETCH(QString, caption);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FreeMemoryCaption(pointer), caption);
    }

    void progressText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("got");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("text");
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("point") << QLocale::c() << 425 << 1000 << "42.5% Completed";
        QTest::newRow("comma") << de << 425 << 1000 << "42,5% Completed";
        QTest::newRow("rounded") << QLocale::c() << 2 << 3 << "66.7% Completed";
        QTest::newRow("whole") << de << 28 << 28 << "100,0% Completed";
    }
    void progressText() {
        QFETCH(QLocale, locale);
        QFETCH(int, got);
        QFETCH(int, expected);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(DumpProgressCaption(got, expected), text);
    }

    void download_data() {
        QTest::addColumn<QList<LoggerSetSpec>>("sets");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("one record (pointer 1036)") << QList<LoggerSetSpec>{{QTime(9, 30, 5), 60, {7}}}
                                                   << QStringList{"1|09:30:05|60|1"} << QList<int>{13};
        QTest::newRow("two sets of 2 and 5")
            << kTwoSets << QStringList{"1|23:59:59|60|2", "2|09:30:05|30|5"} << QList<int>{16, 25};
    }
    void download() {
        QFETCH(QList<LoggerSetSpec>, sets);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, lengths);
        PanelFixture f;
        QVERIFY(startOn(f, sets));
        f.meter.clearLog();
        clickMemory(f);

        // "A" (once or more), then "F" and nothing else until the command has ended.
        const QString line = f.meter.commandLetters();
        // A display frame that slips in between the pointer reply and "F" leads the dump and makes
        // it start again, as it does on the meter: a busy machine sees that now and then.
        QVERIFY2(QRegularExpression(QStringLiteral("^(A+F)+$")).match(line).hasMatch(), qPrintable(line));
        Memory* m = f.panel->loggerContext.memory;
        QVERIFY(m && m->isVisible());
        QVERIFY(f.app.logger.MemoryFormOpen);
        QCOMPARE(m->LblSize->text(), QStringLiteral("128 K"));
        QCOMPARE(m->LblRemain->text(), FreeMemoryCaption(f.app.logger.MemoryPointer));
        QCOMPARE(m->LblMessage->text(), QStringLiteral("100.0% Completed"));
        QCOMPARE(setRows(m), rows);
        for (int k = 1; k <= lengths.size(); ++k)
            QCOMPARE(f.app.logger.MemorySets[size_t(k)].size(), lengths[k - 1]);
        checkIdle(f);
        checkPollingAndKeys(f);
    }

    void aWeekOfReadingsIntoTheDataList() {
        PanelFixture f;
        QVERIFY(startOn(f, {}));
        QByteArray week;
        QVERIFY(standin::loggerMemory(QStringLiteral("week"), week));
        f.meter.setLoggerImage(week);
        clickMemory(f);
        Memory* m = f.panel->loggerContext.memory;
        QCOMPARE(setRows(m).size(), 7);
        for (int k = 1; k <= 7; ++k)
            QCOMPARE(setRows(m).at(k - 1), QStringLiteral("%1|06:00:00|60|840").arg(k));

        // A click on set 3 lists its readings, the poll timer back on afterwards.
        f.app.display.AnnPerM2 = true;
        platform::Grid* g = m->GridSet;
        g->flushRows(); // as the event loop would before the user sees the row
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(2, 1)).center());
        DataList* list = f.panel->loggerContext.dataList;
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->GridM->rows(), 841);
        QCOMPARE(list->GridI->rows(), 841);
        QCOMPARE(list->GridM->textAt(840, 1), QStringLiteral("13:59:00"));
        const QByteArray set3 = f.app.logger.MemorySets[3];
        const qint64 w = RecordWattTenths(LoggerRecord(LoggerSetRecord(set3, 400)));
        QCOMPARE(list->GridM->textAt(400, 2), WattText(w));
        QCOMPARE(list->GridI->textAt(400, 2), BtuText(RecordBtuTenths(w)));
        QVERIFY(w > 0);
        QVERIFY(f.panel->Timer1.isActive());
    }

    void restartOnABadMarker() {
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        f.meter.setCorruptFirstDumpMarker(true);
        f.meter.clearLog();
        clickMemory(f);
        const QString line = f.meter.commandLetters();
        QVERIFY2(QRegularExpression(QStringLiteral("^A+FA+F")).match(line).hasMatch(), qPrintable(line));
        QCOMPARE(setRows(f.panel->loggerContext.memory).size(), 2);
        QVERIFY(f.messages.boxes.isEmpty());
        checkIdle(f);
    }

    void restartsAreBounded() {
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        f.meter.setLoggerImage(QByteArray(40, '\x01')); // never a marker
        f.meter.clearLog();
        clickMemory(f);
        QCOMPARE(f.meter.commandLetters().count(QLatin1Char('F')), kMaxDumpRestarts + 1);
        QCOMPARE(f.messages.texts(), QStringList{"The meter sent no valid logger data!"});
        QCOMPARE(setRows(f.panel->loggerContext.memory), QStringList());
        checkIdle(f);
        checkPollingAndKeys(f);
    }

    void damagedDownloadIsSuspect_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("caption"); // what the logger window keeps showing
        QByteArray week;
        QVERIFY(standin::loggerMemory(QStringLiteral("week"), week));
        QStringList weekRows;
        for (int k = 1; k <= 7; ++k)
            weekRows << QStringLiteral("%1|06:00:00|60|840").arg(k);
        QTest::newRow("clean") << week << weekRows << QStringList{} << "100.0% Completed";
        // Six readings changed, two of them beyond the range: those two are what can be seen.
        const auto record = [](int set, int i) { return (set - 1) * (10 + 3 * 840) + 10 + 3 * (i - 1); };
        QByteArray changed = week;
        changed[record(1, 100)] = 0x7F;
        changed[record(3, 200)] = 0x30;
        for (int i : {5, 6, 7, 8})
            changed[record(2, i) + 2] = char(changed[record(2, i) + 2] ^ 0x01);
        QTest::newRow("readings changed") << changed << weekRows
                                          << QStringList{"The downloaded data are suspect: 2 readings above "
                                                         "the meter's 2200 W/m2 in sets 1, 3. "
                                                         "Download again before you rely on them!"}
                                          << "Suspect data: sets 1, 3";
        const QString merged = QStringLiteral(
            "The downloaded data are suspect: 2 readings above the meter's 2200 W/m2 in set 1; a set marker "
            "inside set 1, so sets may have run together. Download again before you rely on them!");
        QTest::newRow("inserted bytes") << mergedSets() << QStringList{"1|08:00:00|60|43"}
                                        << QStringList{merged} << "Suspect data: set 1";
        QTest::newRow("inserted bytes, ragged end")
            << mergedSets() + "\x11\x22" << QStringList{"1|08:00:00|60|43"}
            << QStringList{"The last set ends inside a record; its whole records are listed.\n" + merged}
            << "Suspect data: set 1";
    }
    void damagedDownloadIsSuspect() {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, messages);
        QFETCH(QString, caption);
        PanelFixture f;
        QVERIFY(startOn(f, {}));
        f.meter.setLoggerImage(image);
        clickMemory(f);
        Memory* m = f.panel->loggerContext.memory;
        QVERIFY(m && m->isVisible());
        QCOMPARE(setRows(m), rows); // listed as the bytes came
        QCOMPARE(f.messages.texts(), messages);
        QCOMPARE(m->LblMessage->text(), caption);
        checkIdle(f);
    }

    void endAddress1030HoldsNoWholeRecord() {
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        f.meter.setLoggerImage(QByteArray::fromHex("0055AA00000800")); // a marker and part of a head
        clickMemory(f);
        QCOMPARE(f.app.logger.MemoryPointer, 1030);
        QCOMPARE(f.messages.texts(),
                 QStringList{"The logger memory holds no whole record; no set is listed."});
        QCOMPARE(setRows(f.panel->loggerContext.memory), QStringList());
        checkIdle(f);
    }

    void pulledCableEndsTheDownload() {
        PanelFixture f;
        QList<LoggerSetSpec> big = {{QTime(8, 0), 60, QList<quint32>(300, 500000)}};
        QVERIFY(startOn(f, big));
        // No display frame may lead the dump here: its restart would meet the pulled cable in the
        // pointer query, which waits for the meter without a limit.
        f.panel->Timer1.stop();
        f.meter.setFramePeriodMs(1000000);
        testing::pumpFor(0.1);
        f.meter.setDumpPace(1920);
        f.meter.setFallSilentAfter(200);
        QElapsedTimer t;
        t.start();
        clickMemory(f);
        const double took = t.elapsed() / 1000.0;
        QVERIFY2(took >= kDumpSilenceSeconds && took < kDumpSilenceSeconds + 3,
                 qPrintable(QString::number(took)));
        QCOMPARE(f.messages.texts(), QStringList{"The meter stopped sending, the download is incomplete!"});
        Memory* m = f.panel->loggerContext.memory;
        QCOMPARE(m->LblMessage->text(), DumpProgressCaption(200, int(f.app.logger.MemoryPointer) - 1008));
        QCOMPARE(setRows(m), QStringList());
        checkIdle(f);
        f.meter.setLineMode(standin::MeterStandIn::LineMode::Normal); // plugged in again
        f.meter.setFramePeriodMs(20);
        checkPollingAndKeys(f);
    }

    void bytesBeyondTheExpectedCountAreDropped() {
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        // The meter claims one 13-byte set but sends both. The display stream stops first, so
        // the claim is the only reply to the command's first "A".
        f.panel->Timer1.stop();
        f.meter.setFramePeriodMs(1000000);
        testing::pumpFor(0.1);
        // Every "A" gets the claim, a query asked again after a late reply too.
        f.meter.queuePointerReplies(QList<QByteArray>(20, testing::bytes({0x02, 0xAA, 0x00, 0x04, 0x0C, 0x03})));
        QStringList progress;
        QTimer sample;
        connect(&sample, &QTimer::timeout, this, [&] {
            if (f.panel->loggerContext.memory)
                progress << f.panel->loggerContext.memory->LblMessage->text();
        });
        sample.start(0);
        clickMemory(f);
        sample.stop();
        QCOMPARE(f.app.logger.MemoryPointer, 1036.f);
        Memory* m = f.panel->loggerContext.memory;
        QCOMPARE(setRows(m), QStringList{"1|23:59:59|60|1"});
        QCOMPARE(f.app.logger.MemorySets[1].size(), 13);
        QCOMPARE(m->LblMessage->text(), QStringLiteral("100.0% Completed"));
        for (const QString& p : progress)
            QVERIFY2(p.isEmpty() || QLocale::c().toDouble(p.section(QLatin1Char('%'), 0, 0)) <= 100.0,
                     qPrintable(p));
        checkIdle(f);
    }

    void progressOfAPacedDump() {
        PanelFixture f;
        QVERIFY(startOn(f, {{QTime(8, 0), 60, QList<quint32>(2000, 500000)}}));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        f.meter.setDumpPace(6000);
        QStringList progress;
        QTimer sample;
        connect(&sample, &QTimer::timeout, this, [&] {
            if (f.panel->loggerContext.memory) {
                const QString p = f.panel->loggerContext.memory->LblMessage->text();
                if (!p.isEmpty() && (progress.isEmpty() || progress.last() != p))
                    progress << p;
            }
        });
        sample.start(1);
        clickMemory(f);
        sample.stop();
        QVERIFY2(progress.size() >= 3, qPrintable(progress.join(QLatin1Char(' '))));
        double last = -1;
        for (const QString& p : progress) {
            QVERIFY2(p.endsWith(QLatin1String("% Completed")) && p.contains(QLatin1Char(',')), qPrintable(p));
            const double v = QLocale().toDouble(p.section(QLatin1Char('%'), 0, 0));
            QVERIFY(v >= last && v <= 100.0);
            last = v;
        }
        QCOMPARE(f.panel->loggerContext.memory->LblMessage->text(), QStringLiteral("100,0% Completed"));
    }

    void emptyLogger_data() {
        QTest::addColumn<quint32>("end");
        QTest::addColumn<QString>("text");
        QTest::newRow("1023") << 1023u << "No Data in Memory";
        QTest::newRow("below 1023") << 256u << "The meter reported a logger end address below its start!";
    }
    void emptyLogger() {
        QFETCH(quint32, end);
        QFETCH(QString, text);
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        f.meter.setEndAddress(end);
        f.meter.clearLog();
        clickMemory(f);
        QCOMPARE(f.messages.texts(), QStringList{text});
        QCOMPARE(f.messages.boxes.first().icon, platform::MsgIcon::Critical);
        QVERIFY(!f.meter.commandLetters().contains(QLatin1Char('F')));
        QVERIFY(!f.panel->loggerContext.memory);
        QVERIFY(!f.app.logger.MemoryFormOpen);
        checkIdle(f);
    }

    void busyClickLeavesTheWindow() {
        // A second click while a command runs starts nothing and leaves the window (and the
        // download it may be showing) alone.
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        clickMemory(f);
        QPointer<Memory> first = f.panel->loggerContext.memory;
        QVERIFY(first);
        f.app.link.KeyBusy = true;
        f.panel->Timer1.stop();
        f.meter.clearLog();
        clickMemory(f);
        QVERIFY(first && !first->isUnloaded());
        QVERIFY(f.app.logger.MemoryFormOpen);
        QCOMPARE(setRows(first).size(), 2);
        testing::pumpFor(0.1);
        QCOMPARE(f.meter.commandLetters(), QString());
        QVERIFY(!f.panel->Timer1.isActive());
        f.app.link.KeyBusy = false;
    }

    void closingTheWindowCancels() {
        PanelFixture f;
        // A dump of about 16 s at the meter's pace, closed well before its end.
        QVERIFY(startOn(f, {{QTime(8, 0), 60, QList<quint32>(10000, 500000)}}));
        f.meter.setDumpPace(1920);
        QTimer::singleShot(600, this, [&] {
            if (f.panel->loggerContext.memory)
                f.panel->loggerContext.memory->close();
        });
        QElapsedTimer t;
        t.start();
        clickMemory(f);
        QVERIFY2(t.elapsed() < 10000, qPrintable(QStringLiteral("%1 ms").arg(t.elapsed())));
        QVERIFY(f.messages.boxes.isEmpty());
        checkIdle(f);
    }

    void setClickDuringTheDownloadIsRefused() {
        PanelFixture f;
        QVERIFY(startOn(f, {{QTime(8, 0), 60, QList<quint32>(1000, 500000)}}));
        f.meter.setDumpPace(3000);
        // Once the window shows the transfer running, click its header row (row 0 is a valid
        // row to decode, and would open an empty data list).
        bool timerOff = false;
        const bool clicked = clickMemoryThenMidway(f, [&](Memory* m) {
            QHeaderView* h = m->GridSet->horizontalHeader();
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
            timerOff = !f.panel->Timer1.isActive();
        });
        QVERIFY(clicked);
        QVERIFY(timerOff);
        QVERIFY(!f.panel->loggerContext.dataList);
        QCOMPARE(setRows(f.panel->loggerContext.memory).size(), 1);
    }

    void pollingSwitchedOnMidwayIsHeldOff() {
        PanelFixture f;
        QVERIFY(startOn(f, {{QTime(8, 0), 60, QList<quint32>(1000, 500000)}}));
        f.meter.setDumpPace(3000);
        // As a print of another list does when it ends.
        const bool started = clickMemoryThenMidway(f, [&](Memory*) { f.panel->Timer1.start(); });
        QVERIFY(started);
        QVERIFY(f.messages.boxes.isEmpty());
        QCOMPARE(setRows(f.panel->loggerContext.memory), QStringList{"1|08:00:00|60|1000"});
        checkIdle(f);
    }

    void deleteAfterTheWarning_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void deleteAfterTheWarning() {
        QFETCH(bool, ok);
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        clickMemory(f);
        QPointer<Memory> m = f.panel->loggerContext.memory;
        QVERIFY(m);
        // The box is answered while the exchange holds the keys and the poll timer.
        QList<platform::MsgRecord> boxes;
        bool guarded = false;
        platform::setMsgResponder([&](const platform::MsgRecord& r) {
            boxes << r;
            guarded = f.app.link.KeyBusy && !f.panel->Timer1.isActive();
            return ok ? platform::MsgResult::Ok : platform::MsgResult::Cancel;
        });
        f.meter.clearLog();
        QTest::mouseClick(m->LblRemain, Qt::LeftButton);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(guarded);
        const platform::MsgRecord box = boxes.first();
        QCOMPARE(box.text, QStringLiteral("All the data in memory will be deleted!"));
        QCOMPARE(box.title, QStringLiteral("Warning"));
        QCOMPARE(box.icon, platform::MsgIcon::Exclamation);
        QCOMPARE(box.buttons, platform::MsgButtons::OkCancel);
        if (ok) {
            QVERIFY(waitUntil([&] { return f.meter.endAddress() == 1023; }));
            QVERIFY(QRegularExpression(QStringLiteral("^A+D")).match(f.meter.commandLetters()).hasMatch());
            QVERIFY(!m || m->isUnloaded());
            QVERIFY(!f.app.logger.MemoryFormOpen);
        } else {
            testing::pumpFor(0.2);
            QVERIFY(!f.meter.commandLetters().contains(QLatin1Char('D')));
            QVERIFY(m && m->isVisible());
            QVERIFY(f.meter.endAddress() > 1023);
        }
        QVERIFY(!f.app.link.KeyBusy);
        QVERIFY(f.panel->Timer1.isActive());
    }

    // The user's click nearly always lands while a poll tick waits for its frame: the tick must
    // not go on waiting for a stream the command has paused, but ask for it again.
    void commandInsideAPollWait_data() {
        QTest::addColumn<bool>("remove");
        QTest::newRow("download") << false;
        QTest::newRow("delete") << true;
    }
    void commandInsideAPollWait() {
        QFETCH(bool, remove);
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        if (remove) {
            clickMemory(f);
            QVERIFY(f.panel->loggerContext.memory);
            platform::setMsgResponder([](const platform::MsgRecord&) { return platform::MsgResult::Ok; });
        }
        bool ran = false;
        QMetaObject::Connection once;
        once = connect(
            &f.meter, &standin::MeterStandIn::commandReceived, this, [&](const standin::LoggedCommand& c) {
                if (c.letter != 'M')
                    return;
                disconnect(once);
                // Once the meter has begun its stream, still inside the tick's wait.
                QTimer::singleShot(0, this, [&] {
                    if (remove)
                        QTest::mouseClick(f.panel->loggerContext.memory->LblRemain, Qt::LeftButton);
                    else
                        clickMemory(f);
                    ran = true;
                });
            });
        f.meter.clearLog();
        QVERIFY(waitUntil([&] { return ran; }));
        const QLatin1Char command(remove ? 'D' : 'F');
        QVERIFY(waitUntil([&] { return f.meter.commandLetters().contains(command); }));
        f.meter.clearLog();
        QVERIFY2(waitUntil([&] { return f.meter.commandLetters().contains(QLatin1Char('M')); }),
                 qPrintable(f.meter.commandLetters()));
        const int painted = f.app.link.PollCount;
        QVERIFY(waitUntil([&] { return f.app.link.PollCount != painted; }));
        QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("COM1"));
    }

    void deleteRefusedWhileBusy() {
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        clickMemory(f);
        Memory* m = f.panel->loggerContext.memory;
        f.app.link.KeyBusy = true;
        QTest::mouseClick(m->LblRemain, Qt::LeftButton);
        QVERIFY(f.messages.boxes.isEmpty());
        f.app.link.KeyBusy = false;
    }

    void lookOfTheLoggerWindow() {
        PanelFixture f;
        QVERIFY(startOn(f, kTwoSets));
        clickMemory(f);
        Memory* m = f.panel->loggerContext.memory;
        QCOMPARE(m->windowTitle(), QStringLiteral("Data Logger"));
        QCOMPARE(m->pos(), QPoint(f.panel->x() + f.panel->frameGeometry().width(), f.panel->y()));
        QCOMPARE(m->GridSet->textAt(0, 0), QStringLiteral("Set"));
        QCOMPARE(m->GridSet->textAt(0, 3), QStringLiteral("Records"));
        QVERIFY(m->grab().save(testing::artifactsDir() + QStringLiteral("/logger_window.png")));
    }
};

QTEST_MAIN(TestLoggerDownload)
#include "test_logger_download.moc"
