// Cutting a logger image into sets, the record texts, and the logger window's set click that
// lists a set in the data list.

#include "logger_data/data_list.h"
#include "logger_data/logger_context.h"
#include "logger_data/logger_image.h"
#include "logger_data/memory.h"
#include "logger_data/number_text.h"
#include "meter_link/records.h"
#include "platform/grid.h"
#include "tests/support/context_fixture.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_logger.h"

#include <QApplication>
#include <QHeaderView>
#include <QLocale>
#include <QTest>
#include <QTimer>

using standin::buildLoggerImage;
using standin::LoggerSetSpec;

namespace {

QByteArray withSentinel(const QByteArray& image) {
    return image + QByteArray::fromHex("0055AA00");
}

// A logger window on its own, with the parts of the main window it uses.
struct WindowFixture : testing::ContextFixture {
    Memory* memory = nullptr;

    WindowFixture() {
        panel.setGeometry(10, 10, 300, 400);
        memory = new Memory(ctx);
        memory->show();
    }
    ~WindowFixture() {
        if (ctx.dataList)
            delete ctx.dataList.data();
        if (ctx.memory)
            delete ctx.memory.data();
    }
    // The download's part: the sets in the slots, the rows in the list.
    void load(const QList<LoggerSetSpec>& sets) {
        const LoggerSplit split =
            SplitLoggerImage(withSentinel(buildLoggerImage(sets)), app.logger.MemorySets);
        for (const QString& row : split.rows)
            memory->GridSet->addItem(row);
    }
    void clickRow(int row) {
        platform::Grid* g = memory->GridSet;
        g->flushRows(); // as the event loop would before the user sees the row
        const QRect cell = g->visualRect(g->model()->index(row - 1, 1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QStringList rows(platform::Grid* g) const {
        QStringList out;
        for (int r = 1; r < g->rows(); ++r)
            out << g->textAt(r, 0) + QLatin1Char('|') + g->textAt(r, 1) + QLatin1Char('|') + g->textAt(r, 2);
        return out;
    }
};

// Every caption a data list is given, from its first on.
struct TitleLog : QObject {
    QStringList titles;
    TitleLog() { qApp->installEventFilter(this); }
    ~TitleLog() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange && qobject_cast<DataList*>(o))
            titles << static_cast<QWidget*>(o)->windowTitle();
        return false;
    }
};

// Three sets of zero readings with 19 bytes put into set 1's fourth record.
QByteArray mergedSets() {
    const QList<quint32> zeros(10, 0);
    QByteArray image =
        buildLoggerImage({{QTime(8, 0), 60, zeros}, {QTime(9, 0), 60, zeros}, {QTime(10, 0), 60, zeros}});
    return image.insert(19, QByteArray(19, '\0'));
}

} // namespace

class TestLoggerSets : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void split_data() {
        QTest::addColumn<QByteArray>("image"); // sentinel included
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<int>("fault");

        QTest::newRow("one record") << withSentinel(buildLoggerImage({{QTime(9, 30, 5), 60, {1}}}))
                                    << QStringList{"1\t09:30:05\t60\t1"} << QList<int>{13} << 0;
        QTest::newRow("two sets of 2 and 5")
            << withSentinel(
                   buildLoggerImage({{QTime(23, 59, 59), 60, {1, 2}}, {QTime(0, 0, 1), 30, {1, 2, 3, 4, 5}}}))
            << QStringList{"1\t23:59:59\t60\t2", "2\t00:00:01\t30\t5"} << QList<int>{16, 25} << 0;
        // Two stray bytes behind the last record: the marker search must stop at the image's end.
        QTest::newRow("ragged last set")
            << withSentinel(buildLoggerImage({{QTime(8, 0), 5, {7}}, {QTime(9, 0), 5, {1, 2}}}) + "\x11\x22")
            << QStringList{"1\t08:00:00\t5\t1", "2\t09:00:00\t5\t2"} << QList<int>{13, 16} << 2;
        QTest::newRow("head only at the end") << withSentinel(buildLoggerImage({{QTime(8, 0), 5, {7}}}) +
                                                              QByteArray::fromHex("0055AA0000080000"))
                                              << QStringList{"1\t08:00:00\t5\t1"} << QList<int>{13} << 2;
        // End address 1030: seven bytes, a marker and part of a head.
        QTest::newRow("no whole record")
            << withSentinel(QByteArray::fromHex("0055AA00000800")) << QStringList{} << QList<int>{} << 2;
        QTest::newRow("no marker") << withSentinel(QByteArray(20, '\x01')) << QStringList{} << QList<int>{}
                                   << 1;
        QTest::newRow("nothing") << QByteArray() << QStringList{} << QList<int>{} << 0;
        QTest::newRow("sentinel cut short")
            << QByteArray::fromHex("0055AA") << QStringList{} << QList<int>{} << 0;
    }
    void split() {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, lengths);
        QFETCH(int, fault);
        std::vector<QByteArray> sets(LoggerState::MaxSetIndex + 1);
        sets[0] = "untouched";
        const LoggerSplit split = SplitLoggerImage(image, sets);
        QCOMPARE(split.rows, rows);
        QCOMPARE(int(split.fault), fault);
        for (int k = 1; k <= lengths.size(); ++k) {
            QCOMPARE(sets[size_t(k)].size(), lengths[k - 1]);
            QCOMPARE(sets[size_t(k)].left(4), QByteArray::fromHex("0055AA00"));
        }
        QCOMPARE(sets[0], QByteArray("untouched"));
        QVERIFY(sets[size_t(lengths.size() + 1)].isEmpty());
        if (split.fault == LoggerSplit::Fault::RaggedEnd)
            QCOMPARE(
                RaggedEndMessage(split),
                rows.isEmpty()
                    ? QStringLiteral("The logger memory holds no whole record; no set is listed.")
                    : QStringLiteral("The last set ends inside a record; its whole records are listed."));
    }

    void splitKeepsTheSlotsItHas() {
        // 10 005 one-record sets: one more than the slots 1 .. 10 004.
        QList<LoggerSetSpec> specs(LoggerState::MaxSetIndex + 1, LoggerSetSpec{QTime(1, 2, 3), 1, {42}});
        std::vector<QByteArray> sets(LoggerState::MaxSetIndex + 1);
        const LoggerSplit split = SplitLoggerImage(withSentinel(buildLoggerImage(specs)), sets);
        QCOMPARE(split.fault, LoggerSplit::Fault::TooManySets);
        QCOMPARE(split.rows.size(), LoggerState::MaxSetIndex);
        QCOMPARE(split.rows.last(), QStringLiteral("10004\t01:02:03\t1\t1"));
        QCOMPARE(sets.back().size(), 13);
    }

    void splitOfAFullMemory() {
        QByteArray image;
        QVERIFY(standin::loggerMemory(QStringLiteral("full"), image));
        std::vector<QByteArray> sets(LoggerState::MaxSetIndex + 1);
        const LoggerSplit split = SplitLoggerImage(withSentinel(image), sets);
        QCOMPARE(split.rows, QStringList{QStringLiteral("1\t06:00:00\t60\t43346")});
        QCOMPARE(sets[1], image);
    }

    void damage_data() {
        QTest::addColumn<QByteArray>("image"); // without the sentinel
        QTest::addColumn<int>("beyond");
        QTest::addColumn<QList<int>>("beyondSets");
        QTest::addColumn<QList<int>>("badHeadSets");
        QTest::addColumn<QList<int>>("straySets");
        using L = QList<int>;
        const QByteArray clean =
            buildLoggerImage({{QTime(23, 59, 59), 60, {0, 2200099}}, {QTime(0, 0, 1), 1, {123400, 5}}});
        QTest::newRow("clean, full scale") << clean << 0 << L{} << L{} << L{};
        QTest::newRow("one reading above 2200 W/m2")
            << buildLoggerImage({{QTime(8, 0), 60, {2200100, 5}}}) << 1 << L{1} << L{} << L{};
        QByteArray flipped = clean;
        flipped[16 + 10 + 3] = char(flipped[16 + 10 + 3] | 0x80); // set 2, record 2, top bit
        QTest::newRow("a bit flipped high") << flipped << 1 << L{2} << L{} << L{};
        QByteArray hour24 = clean;
        hour24[16 + 5] = 0x24;
        QTest::newRow("hour 24") << hour24 << 0 << L{} << L{2} << L{};
        QByteArray notBcd = clean;
        notBcd[6] = 0x5A;
        QTest::newRow("minute not BCD") << notBcd << 0 << L{} << L{1} << L{};
        QTest::newRow("interval 0") << buildLoggerImage({{QTime(8, 0), 0, {5}}}) << 0 << L{} << L{1} << L{};
        QTest::newRow("interval 61") << buildLoggerImage({{QTime(8, 0), 61, {5}}}) << 0 << L{} << L{1} << L{};
        // 19 bytes inside set 1 push the markers behind them off its record grid: the three sets
        // run together into one, whose records across the markers read far beyond the range.
        QTest::newRow("inserted bytes merge sets") << mergedSets() << 2 << L{1} << L{} << L{1};
    }
    void damage() {
        QFETCH(QByteArray, image);
        QFETCH(int, beyond);
        QFETCH(QList<int>, beyondSets);
        QFETCH(QList<int>, badHeadSets);
        QFETCH(QList<int>, straySets);
        std::vector<QByteArray> sets(LoggerState::MaxSetIndex + 1);
        const LoggerSplit split = SplitLoggerImage(withSentinel(image), sets);
        QCOMPARE(split.fault, LoggerSplit::Fault::None);
        const LoggerDamage damage = FindLoggerDamage(sets, int(split.rows.size()));
        QCOMPARE(damage.readingsBeyondRange, beyond);
        QCOMPARE(damage.beyondRangeSets, beyondSets);
        QCOMPARE(damage.badHeadSets, badHeadSets);
        QCOMPARE(damage.strayMarkerSets, straySets);
        QCOMPARE(damage.any(), !LoggerDamageMessage(damage).isEmpty());
        QCOMPARE(damage.any(), !LoggerDamageCaption(damage).isEmpty());
    }
    void damageTexts() {
        LoggerDamage damage;
        damage.readingsBeyondRange = 6;
        damage.beyondRangeSets = {1, 3};
        damage.badHeadSets = {2};
        QCOMPARE(
            LoggerDamageMessage(damage),
            QStringLiteral("The downloaded data are suspect: 6 readings above the meter's 2200 W/m2 in "
                           "sets 1, 3; a start time or logging interval the meter cannot write in set 2. "
                           "Download again before you rely on them!"));
        QCOMPARE(LoggerDamageCaption(damage), QStringLiteral("Suspect data: sets 1, 2, 3"));
        damage.strayMarkerSets = {4};
        QCOMPARE(LoggerDamageCaption(damage), QStringLiteral("Suspect data: 4 sets"));
    }

    void recordTexts_data() {
        QTest::addColumn<quint32>("raw");
        QTest::addColumn<QString>("watts");
        QTest::addColumn<QString>("btu");
        QTest::newRow("99") << 99u << "0"
                            << "0.0";
        QTest::newRow("100") << 100u << "0.1"
                             << "0.0";
        QTest::newRow("150") << 150u << "0.1"
                             << "0.0";
        QTest::newRow("999") << 999u << "0.9"
                             << "0.2";
        QTest::newRow("1000") << 1000u << "1"
                              << "0.3";
        QTest::newRow("01 E2 40") << 0x01E240u << "123.4"
                                  << "39.1";
        QTest::newRow("0F 42 40") << 0x0F4240u << "1000"
                                  << "316.9";
        QTest::newRow("12 D6 87") << 0x12D687u << "1234"
                                  << "391.3";
        QTest::newRow("21 91 C0") << 0x2191C0u << "2200"
                                  << "697.3";
        QTest::newRow("exactly 500 Btu") << 1577300u << "1577"
                                         << "500.0";
        // From 10 000 W/m2 on every digit before the point stays.
        QTest::newRow("10000.5") << 10000500u << "10000"
                                 << "3170.1";
        QTest::newRow("top") << 0xFFFFFFu << "16777"
                             << "5318.3";
    }
    void recordTexts() {
        QFETCH(quint32, raw);
        QFETCH(QString, watts);
        QFETCH(QString, btu);
        for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
            QLocale::setDefault(locale);
            const qint64 w = RecordWattTenths(raw);
            QCOMPARE(WattText(w), watts);
            QCOMPARE(BtuText(RecordBtuTenths(w)), btu);
        }
    }

    void elapsedTimes_data() {
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("time");
        QTest::newRow("first") << 1 << 60 << "00:00:00";
        QTest::newRow("second") << 2 << 60 << "00:01:00";
        QTest::newRow("last of the day") << 1440 << 60 << "23:59:00";
        QTest::newRow("wraps") << 1441 << 60 << "00:00:00";
        QTest::newRow("seconds") << 4 << 25 << "00:01:15";
        QTest::newRow("interval 0") << 9 << 0 << "00:00:00";
    }
    void elapsedTimes() {
        QFETCH(int, i);
        QFETCH(int, interval);
        QFETCH(QString, time);
        QCOMPARE(ElapsedTime(i, interval), time);
    }

    void setClickListsTheSetInBothUnits() {
        WindowFixture f;
        f.load({{QTime(9, 0), 60, {0x01E240, 0x0F4240, 0x12D687}}, {QTime(10, 0), 30, {1000}}});
        f.app.display.AnnPerM2 = true;
        f.timer1.start();

        f.clickRow(1);
        QVERIFY(f.ctx.dataList);
        DataList* list = f.ctx.dataList;
        QCOMPARE(f.rows(list->GridM),
                 (QStringList{"1|00:00:00|123.4", "2|00:01:00|1000", "3|00:02:00|1234"}));
        QCOMPARE(f.rows(list->GridI),
                 (QStringList{"1|00:00:00|39.1", "2|00:01:00|316.9", "3|00:02:00|391.3"}));
        QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
        QVERIFY(list->GridM->isVisible());
        QVERIFY(!list->GridI->isVisible());
        QVERIFY(f.timer1.isActive());
        QCOMPARE(f.memory->GridSet->col(), 2);
        QVERIFY(list->grab().save(testing::artifactsDir() + QStringLiteral("/data_list_from_set.png")));

        // Another set replaces the list; the Btu grid is shown when the meter shows Btu.
        f.app.display.AnnPerM2 = false;
        f.clickRow(2);
        QTRY_VERIFY(list == nullptr || f.ctx.dataList != list);
        DataList* second = f.ctx.dataList;
        QCOMPARE(f.rows(second->GridI), QStringList{"1|00:00:00|0.3"});
        QVERIFY(second->GridI->isVisible());
        QVERIFY(!second->GridM->isVisible());
    }

    void suspectSetKeepsItsMarkInTheDataList() {
        WindowFixture f;
        f.load({{QTime(9, 0), 60, {0x01E240, 0x7F0000}}, {QTime(10, 0), 30, {1000}}});
        f.clickRow(1);
        DataList* list = f.ctx.dataList;
        QVERIFY(list);
        QCOMPARE(f.rows(list->GridM), (QStringList{"1|00:00:00|123.4", "2|00:01:00|8323"})); // as it came
        QCOMPARE(list->windowTitle(), QStringLiteral("Data List - suspect data"));
        f.clickRow(2);
        QTRY_VERIFY(f.ctx.dataList && f.ctx.dataList != list);
        QCOMPARE(f.ctx.dataList->windowTitle(), QStringLiteral("Data List"));
    }

    void progressCaptions() {
        WindowFixture f;
        f.load({{QTime(9, 0), 60, {1, 2, 3}}, {QTime(9, 0), 60, {1}}});
        TitleLog log;
        f.memory->GridSet->setRow(1);
        f.memory->GridSet_Click();
        QCOMPARE(log.titles, (QStringList{"Data List", " 33.3 % completed", " 66.6 % completed",
                                          " 100 % completed", "Data List"}));
        log.titles.clear();
        f.memory->GridSet->setRow(2);
        f.memory->GridSet_Click();
        QCOMPARE(log.titles, (QStringList{"Data List", " 100 % completed", "Data List"}));
    }

    void headerRowGivesAnEmptyList() {
        WindowFixture f;
        f.load({{QTime(9, 0), 60, {1, 2, 3}}});
        f.timer1.stop();
        platform::Grid* g = f.memory->GridSet;
        QTest::mouseClick(g->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(g->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
        QVERIFY(f.ctx.dataList);
        QCOMPARE(f.ctx.dataList->GridM->rows(), 1);
        QCOMPARE(f.ctx.dataList->GridI->rows(), 1);
        QCOMPARE(f.ctx.dataList->windowTitle(), QStringLiteral("Data List"));
        QVERIFY(f.timer1.isActive());
    }

    void setClickRefusedWhileBusy() {
        WindowFixture f;
        f.load({{QTime(9, 0), 60, {1, 2, 3}}});
        f.app.link.KeyBusy = true;
        f.clickRow(1);
        QVERIFY(!f.ctx.dataList);
        QVERIFY(!f.timer1.isActive()); // left as the download keeps it
    }
};

QTEST_MAIN(TestLoggerSets)
#include "test_logger_sets.moc"
