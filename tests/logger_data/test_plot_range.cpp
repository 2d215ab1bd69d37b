#include "logger_data/plot_range.h"
#include "tests/logger_data/plot_fixture.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using testing::MessageCapture;
using testing::PlotFixture;

namespace {

PlotRange* openDialog(PlotFixture& f) {
    ShowPlotRange(f.ctx);
    PlotRange* d = f.ctx.plotRange;
    if (d && !QTest::qWaitForWindowActive(d))
        return nullptr;
    return d;
}

// The named box of the range dialog over a plot of 120 records.
QLineEdit* openBox(PlotFixture& f, const QString& box) {
    f.plotOf(120);
    PlotRange* d = openDialog(f);
    return d ? d->findChild<QLineEdit*>(box) : nullptr;
}

} // namespace

class TestPlotRange : public QObject {
    Q_OBJECT
private slots:
    void opensFilledWithFocusInTheBottom();
    void tabWalksTheBoxesThenOk();
    void keyFilters_data();
    void keyFilters();
    void pasteOfRefusedCharactersIsDropped();
    void editingKeysEdit_data();
    void editingKeysEdit();
    void enterWalksTheBoxesAndActsAsOk();
    void checks_data();
    void checks();
    void limitAgainShowsTheOpenDialog();
    void picture();
};

void TestPlotRange::opensFilledWithFocusInTheBottom() {
    PlotFixture f;
    f.plotOf(120, false);
    f.app.plot.PlotValueMin = 12.5;
    f.app.plot.PlotFromRecord = 3;
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("Plot Range ( Btu/((ft)2.h) )"));
    QCOMPARE(d->FrameUnit->title(), QString("Btu/((ft)2.h)"));
    QCOMPARE(d->SSFrame2->title(), QString("Records"));
    QCOMPARE(d->TxtT1->text(), QString("12.5"));
    QCOMPARE(d->TxtT2->text(), QString("697.4"));
    QCOMPARE(d->TxtR1->text(), QString("3"));
    QCOMPARE(d->TxtR2->text(), QString("120"));
    QCOMPARE(d->pos(), QPoint(0, 0));
    QCOMPARE(d->size(), QSize(344, 94));
    QCOMPARE(QApplication::focusWidget(), d->TxtT1);
}

void TestPlotRange::tabWalksTheBoxesThenOk() {
    PlotFixture f;
    f.plotOf(120);
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    testing::tabWalks({d->TxtT2, d->TxtR1, d->TxtR2, d->CmdOK, d->TxtT1});
}

void TestPlotRange::keyFilters_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("bottom takes sign and point") << "TxtT1"
                                                 << "-1a2, 3.5x"
                                                 << "-123.5";
    QTest::newRow("top takes sign and point") << "TxtT2"
                                              << "7 9.-b"
                                              << "79.-";
    QTest::newRow("first record digits only") << "TxtR1"
                                              << "1-2.3 a,"
                                              << "123";
    QTest::newRow("last record digits only") << "TxtR2"
                                             << "+4e5"
                                             << "45";
}

void TestPlotRange::keyFilters() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    PlotFixture f;
    QLineEdit* edit = openBox(f, box);
    QVERIFY(edit);
    testing::typeIntoBox(edit, typed, text);
}

void TestPlotRange::pasteOfRefusedCharactersIsDropped() {
    PlotFixture f;
    f.plotOf(120);
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    d->TxtR1->clear();
    QApplication::clipboard()->setText("1.5");
    d->TxtR1->paste();
    QCOMPARE(d->TxtR1->text(), QString());
    QApplication::clipboard()->setText("15");
    d->TxtR1->paste();
    QCOMPARE(d->TxtR1->text(), QString("15"));
}

void TestPlotRange::editingKeysEdit_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("text");
    // The boxes open with 0, 2200, 1 and 120.
    QTest::newRow("Home, Delete in the top") << "TxtT2" << QList<int>{Qt::Key_Home, Qt::Key_Delete} << "200";
    QTest::newRow("End, Left, Delete in the last record")
        << "TxtR2" << QList<int>{Qt::Key_End, Qt::Key_Left, Qt::Key_Delete} << "12";
    QTest::newRow("Home, Delete in the bottom") << "TxtT1" << QList<int>{Qt::Key_Home, Qt::Key_Delete} << "";
}

// Keys that type no character edit the box: the filters judge only what is typed.
void TestPlotRange::editingKeysEdit() {
    QFETCH(QString, box);
    QFETCH(QList<int>, keys);
    QFETCH(QString, text);
    PlotFixture f;
    QLineEdit* edit = openBox(f, box);
    QVERIFY(edit);
    QCOMPARE(testing::pressEditKeys(edit, keys), text);
}

void TestPlotRange::enterWalksTheBoxesAndActsAsOk() {
    PlotFixture f;
    f.plotOf(120);
    MessageCapture messages;
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    for (QWidget* next : {d->TxtT2, d->TxtR1, d->TxtR2}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    d->TxtR2->setText("1");
    QTest::keyClick(d->TxtR2, Qt::Key_Enter);
    QCOMPARE(messages.texts(), QStringList{"Invalid, 0 <= Records <= 120"});
    QCOMPARE(messages.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(messages.boxes[0].title, QString(platform::AppTitle));
    QVERIFY(d->isVisible());

    d->TxtR2->setText("60");
    QTest::keyClick(d->TxtR2, Qt::Key_Return);
    QCOMPARE(messages.boxes.size(), 1);
    QVERIFY(d->isUnloaded());
    QCOMPARE(f.app.plot.PlotToRecord, 60.0f);
}

void TestPlotRange::checks_data() {
    QTest::addColumn<bool>("metric");
    QTest::addColumn<QStringList>("texts"); // TxtT1, TxtT2, TxtR1, TxtR2
    QTest::addColumn<QString>("message");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<float>("from");
    QTest::addColumn<float>("to");
    const QString metric = "Invalid, 0 <= Temperature <= 2200";
    const QString records = "Invalid, 0 <= Records <= 120";
    QTest::newRow("full ranges") << true << QStringList{"0", "2200", "1", "120"} << QString() << 0.0 << 2200.0
                                 << 1.0f << 120.0f;
    QTest::newRow("btu full") << false << QStringList{"0", "697.4", "1", "120"} << QString() << 0.0 << 697.4
                              << 1.0f << 120.0f;
    QTest::newRow("narrowed") << true << QStringList{"100.5", "900", "50", "100"} << QString() << 100.5
                              << 900.0 << 50.0f << 100.0f;
    QTest::newRow("empty bottom reads 0")
        << true << QStringList{"", "500", "2", "3"} << QString() << 0.0 << 500.0 << 2.0f << 3.0f;
    QTest::newRow("top by its leading number")
        << true << QStringList{"10", "50-3", "1", "9"} << QString() << 10.0 << 50.0 << 1.0f << 9.0f;
    QTest::newRow("negative bottom") << true << QStringList{"-5", "500", "1", "120"} << metric;
    QTest::newRow("equal values") << true << QStringList{"500", "500", "1", "120"} << metric;
    QTest::newRow("top over allowed") << true << QStringList{"0", "2201", "1", "120"} << metric;
    QTest::newRow("btu top over allowed")
        << false << QStringList{"0", "700", "1", "120"} << QString("Invalid, 0 <= Temperature <= 697.4");
    QTest::newRow("both wrong, values told") << true << QStringList{"9", "1", "", ""} << metric;
    QTest::newRow("empty first record") << true << QStringList{"0", "2200", "", "120"} << records;
    QTest::newRow("one record") << true << QStringList{"0", "2200", "7", "7"} << records;
    QTest::newRow("past the last") << true << QStringList{"0", "2200", "1", "121"} << records;
}

void TestPlotRange::checks() {
    QFETCH(bool, metric);
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    PlotFixture f;
    f.plotOf(120, metric);
    const PlotState before = f.app.plot;
    MessageCapture messages;
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    d->TxtT1->setText(texts[0]);
    d->TxtT2->setText(texts[1]);
    d->TxtR1->setText(texts[2]);
    d->TxtR2->setText(texts[3]);
    QTest::mouseClick(d->CmdOK, Qt::LeftButton);

    const PlotState& p = f.app.plot;
    if (!message.isEmpty()) {
        QCOMPARE(messages.texts(), QStringList{message});
        QVERIFY(d->isVisible() && !d->isUnloaded());
        QCOMPARE(p.PlotValueMin, before.PlotValueMin);
        QCOMPARE(p.PlotValueMax, before.PlotValueMax);
        QCOMPARE(p.PlotFromRecord, before.PlotFromRecord);
        QCOMPARE(p.PlotToRecord, before.PlotToRecord);
        QCOMPARE(p.PlotRecordCount, before.PlotRecordCount);
        return;
    }
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(float, from);
    QFETCH(float, to);
    QVERIFY(messages.boxes.isEmpty());
    QVERIFY(d->isUnloaded());
    QCOMPARE(p.PlotValueMin.toDouble(), min);
    QCOMPARE(p.PlotValueMax.toDouble(), max);
    QCOMPARE(p.PlotFromRecord, from);
    QCOMPARE(p.PlotToRecord, to);
    QCOMPARE(p.PlotRecordCount, to - from + 1);
    // The allowed limits stay as the list set them.
    QCOMPARE(p.ValueMaxAllowed, before.ValueMaxAllowed);
    QCOMPARE(p.RecordCount, before.RecordCount);
}

void TestPlotRange::limitAgainShowsTheOpenDialog() {
    PlotFixture f;
    f.plotOf(120);
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    d->TxtT1->setText("42");
    d->setWindowTitle("Plot Range");
    d->hide();
    ShowPlotRange(f.ctx);
    QCOMPARE(f.ctx.plotRange.data(), d);
    QVERIFY(d->isVisible());
    QCOMPARE(d->TxtT1->text(), QString("42"));
    QCOMPARE(d->windowTitle(), QString("Plot Range ( W/(M)2 )"));

    // Closed, it is loaded anew from the plot state.
    d->close();
    ShowPlotRange(f.ctx);
    QVERIFY(f.ctx.plotRange && f.ctx.plotRange != d);
    QCOMPARE(f.ctx.plotRange->TxtT1->text(), QString("0"));
}

void TestPlotRange::picture() {
    PlotFixture f;
    f.plotOf(43346);
    PlotRange* d = openDialog(f);
    QVERIFY(d);
    QVERIFY(d->grab().save(testing::artifactsDir() + "/plot_range.png"));
}

QTEST_MAIN(TestPlotRange)
#include "test_plot_range.moc"
