#include "assets/assets.h"
#include "logger_data/chart_frame.h"
#include "logger_data/data_list.h"
#include "logger_data/file_list.h"
#include "logger_data/list_plot.h"
#include "logger_data/list_plot_launch.h"
#include "logger_data/number_text.h"
#include "logger_data/plot_range.h"
#include "logger_data/plot_rules.h"
#include "platform/clock.h"
#include "platform/draw_surface.h"
#include "platform/grid.h"
#include "platform/printer.h"
#include "tests/logger_data/plot_fixture.h"
#include "tests/support/test_support.h"

#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>

using platform::DrawOp;
using platform::LineStyle;
using testing::AtCaption;
using testing::MessageCapture;
using testing::PlotFixture;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kGrey(192, 192, 192);

QString timeOf(int row) {
    const int s = 8 * 3600 + row * 60;
    return QString("%1:%2:%3")
        .arg(s / 3600, 2, 10, QChar('0'))
        .arg(s / 60 % 60, 2, 10, QChar('0'))
        .arg(s % 60, 2, 10, QChar('0'));
}

void fill(platform::Grid& grid, const QStringList& readings) {
    for (int i = 0; i < readings.size(); ++i)
        grid.addItem(QString("%1\t%2\t%3").arg(i + 1).arg(timeOf(i + 1), readings[i]));
}

QStringList readingsOf(int n, const std::function<QString(int)>& reading) {
    QStringList r;
    for (int i = 1; i <= n; ++i)
        r << reading(i);
    return r;
}

// A clock that reads `step` seconds later each time it is read.
struct SteppingClock : platform::ClockSource {
    explicit SteppingClock(double step) : step_(step) {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    double monotonic() const override { return t_ += step_; }
    // The time now, without moving the clock.
    double peek() const { return t_; }

private:
    double step_;
    mutable double t_ = 0;
};

// The main window's records and the lists a plot draws from, with the plot's primitives. Its
// clock makes each record of a plot a moment to pump events and show the caption, as a long plot
// has every few dozen milliseconds.
struct Plotting : PlotFixture {
    std::vector<DrawOp> ops;
    SteppingClock clock;

    explicit Plotting(double clockStep = 1.0) : clock(clockStep) { platform::setClockSource(&clock); }
    ~Plotting() { platform::setClockSource(nullptr); }

    DataList* dataList(const QStringList& metric, const QStringList& imperial = {}) {
        app.logger.ListUnitMetric = true;
        ctx.dataList = new DataList(ctx);
        fill(*ctx.dataList->GridM, metric);
        fill(*ctx.dataList->GridI, imperial.isEmpty() ? metric : imperial);
        plotOf(metric.size(), true, false);
        return ctx.dataList;
    }
    FileList* fileList(const QString& header, const QStringList& readings) {
        ctx.fileList = new FileList(ctx);
        platform::Grid& g = *ctx.fileList->Grid;
        g.setRow(0);
        g.setCol(2);
        g.setText(header);
        fill(g, readings);
        plotOf(readings.size(), header.contains('M'), true);
        return ctx.fileList;
    }
    // Shows the plot window, recording what it draws, and waits for the chart.
    ListPlot* show() {
        ShowListPlot(ctx);
        ListPlot* w = ctx.listPlot;
        w->Surface->setRecorder(&ops);
        return finished(w) ? w : nullptr;
    }
    // The chart is drawn from the event loop after the show; a pump runs the whole plot.
    bool finished(ListPlot* w) {
        QPointer<ListPlot> guard(w);
        return testing::waitUntil([&] {
            testing::pumpFor(0.02);
            return !guard || !guard->plotting();
        });
    }
    // The primitives of the last complete redraw.
    std::vector<DrawOp> lastChart() const {
        auto it = std::find_if(ops.rbegin(), ops.rend(),
                               [](const DrawOp& o) { return o.kind == DrawOp::Kind::Clear; });
        return it == ops.rend() ? ops : std::vector<DrawOp>(it.base(), ops.end());
    }
    // The data line: black solid lines of width 1 right of the value axis, in drawing order.
    std::vector<DrawOp> dataLines() const {
        std::vector<DrawOp> out;
        for (const DrawOp& o : lastChart())
            if (o.kind == DrawOp::Kind::Line && o.colour == kBlack && o.width == 1 &&
                o.x1 >= app.plot.PlotOriginX)
                out.push_back(o);
        return out;
    }
    std::vector<DrawOp> of(DrawOp::Kind kind, const std::function<bool(const DrawOp&)>& pick) const {
        std::vector<DrawOp> out;
        for (const DrawOp& o : lastChart())
            if (o.kind == kind && pick(o))
                out.push_back(o);
        return out;
    }
    // Labels under the time axis, and the dotted time marks.
    std::vector<DrawOp> timeLabels() const {
        const double below = app.plot.PlotOriginY + 10;
        return of(DrawOp::Kind::Text, [below](const DrawOp& o) { return o.y1 == below; });
    }
    std::vector<DrawOp> timeMarks() const {
        const double top = app.plot.PlotOriginY - app.plot.PlotHeight - 10;
        return of(DrawOp::Kind::Line,
                  [top](const DrawOp& o) { return o.style == LineStyle::Dot && o.y2 == top; });
    }
    std::vector<DrawOp> shortTicks() const {
        const double y = app.plot.PlotOriginY - 3.8 * app.plot.PlotHeight / 8;
        return of(DrawOp::Kind::Line, [y](const DrawOp& o) { return o.y1 == y; });
    }
    int gridSteps() const {
        const double mid = app.plot.PlotOriginY - app.plot.PlotHeight / 2;
        return static_cast<int>(of(DrawOp::Kind::Line, [mid](const DrawOp& o) {
                                    return o.style == LineStyle::Solid && o.y1 == mid && o.x1 == 58 &&
                                           o.x2 > 60;
                                }).size());
    }
    double xOf(int k) const { return app.plot.PlotOriginX + (k - 1) * app.plot.PlotStepX; }
};

} // namespace

class TestListPlot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitAssets(); }
    void init() { platform::Printer::setOutputPdf({}); }
    void opensBesideTheMainWindowAtItsDesignSize();
    void drawsOneSegmentPerRecordAfterTheFirst();
    void readingsOutsideTheRange_data();
    void readingsOutsideTheRange();
    void timeMarks_data();
    void timeMarks();
    void progressCaptionsAndTimers();
    void sourceGrid_data();
    void sourceGrid();
    void snapsBackToTheMinimumSize_data();
    void snapsBackToTheMinimumSize();
    void resizeWhilePlottingRestartsThePlot();
    void rangePastTheLastRowHidesTheWindow();
    void sourceListClosedWhilePlotting();
    void plotPressedAgainWhilePlotting();
    void listWithoutRecordsDrawsTheFrameAlone();
    void limitOpensTheRangeDialogOnce();
    void fileListPlotButtonShowsThePlot();
    void rangeDialogOkOpensANewPlot_data();
    void rangeDialogOkOpensANewPlot();
    void printsTheChartWithoutTheToolbar();
    void failedPrintTellsAndKeepsTheChart();
    void printWhilePlottingHasTheChartSoFar();
    void pixelsOfAShownPlot();
    void valueLabelsStayLeftOfTheAxis_data();
    void samePictureAsRecordByRecord_data();
    void samePictureAsRecordByRecord();
    void longPlotShowsProgressAndStaysResponsive();
    void valueLabelsStayLeftOfTheAxis();
};

void TestListPlot::opensBesideTheMainWindowAtItsDesignSize() {
    Plotting f;
    f.panel.move(10, 40);
    f.panel.show();
    f.dataList(readingsOf(10, [](int) { return "100"; }));
    ListPlot* w = f.show();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString("Plot Data/File "));
    QCOMPARE(w->size(), QSize(392, 364));
    QCOMPARE(w->pos(), QPoint(10 + f.panel.frameGeometry().width(), 0));
    QCOMPARE(f.app.liveGraph.GridColor, 7.0f);
    const PlotState& p = f.app.plot;
    QCOMPARE(p.PlotOriginX, 60.0);
    QCOMPARE(p.PlotOriginY, 337.0);
    QCOMPARE(p.PlotHeight, 264.0);
    QVERIFY(std::fabs(p.PlotWidth - 420.36) < 0.01);
    QVERIFY(std::fabs(p.PlotStepX - p.PlotWidth / 10) < 1e-4);
    QCOMPARE(w->Toolbar1->button(1)->key(), QString("Limit"));
    QCOMPARE(w->Toolbar1->button(2)->key(), QString("Print"));
}

void TestListPlot::drawsOneSegmentPerRecordAfterTheFirst() {
    Plotting f;
    f.dataList({"0", "550", "1100", "2200", "275"});
    QVERIFY(f.show());
    const PlotState& p = f.app.plot;
    const double Y0 = p.PlotOriginY, H = p.PlotHeight;
    const std::vector<DrawOp> lines = f.dataLines();
    const QList<double> ys{Y0, Y0 - H / 4, Y0 - H / 2, Y0 - H, Y0 - H / 8};
    QCOMPARE(lines.size(), size_t(4));
    for (int k = 2; k <= 5; ++k) {
        const DrawOp& l = lines[k - 2];
        QVERIFY(std::fabs(l.x1 - f.xOf(k - 1)) < 1e-3 && std::fabs(l.x2 - f.xOf(k)) < 1e-3);
        QVERIFY(std::fabs(l.y1 - ys[k - 2]) < 1e-9 && std::fabs(l.y2 - ys[k - 1]) < 1e-9);
        QCOMPARE(l.style, LineStyle::Solid);
    }
    QCOMPARE(f.gridSteps(), 5);
}

void TestListPlot::readingsOutsideTheRange_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<double>("height"); // in plot heights; 5 above the top / 3 below added apart
    QTest::addColumn<double>("extra");
    QTest::newRow("overload") << "OL" << 1.0 << 5.0;
    QTest::newRow("dashes") << "----" << 1.0 << 5.0;
    QTest::newRow("negative overload") << "-OL" << 0.0 << -3.0;
    QTest::newRow("the top is inside") << "2200" << 1.0 << 0.0;
    QTest::newRow("just above the top") << "2200.5" << 1.0 << 5.0;
    QTest::newRow("below the bottom") << "-1" << 0.0 << -3.0;
}

void TestListPlot::readingsOutsideTheRange() {
    QFETCH(QString, reading);
    QFETCH(double, height);
    QFETCH(double, extra);
    Plotting f;
    f.dataList({"1100", reading, "1100"});
    QVERIFY(f.show());
    const PlotState& p = f.app.plot;
    const std::vector<DrawOp> lines = f.dataLines();
    QCOMPARE(lines.size(), size_t(2));
    const double y = p.PlotOriginY - (height * p.PlotHeight + extra);
    QCOMPARE(lines[0].y2, y);
    QCOMPARE(lines[1].y1, y);
}

void TestListPlot::timeMarks_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QList<int>>("labelled");
    QTest::addColumn<QList<int>>("ticked");
    QTest::newRow("100") << 100 << QList<int>{1, 25, 50, 75, 100} << QList<int>{12, 37, 62, 87};
    QTest::newRow("5") << 5 << QList<int>{1, 2, 3, 5} << QList<int>{4};
    QTest::newRow("3") << 3 << QList<int>{1, 2, 3} << QList<int>{};
    QTest::newRow("1") << 1 << QList<int>{1} << QList<int>{};
}

void TestListPlot::timeMarks() {
    QFETCH(int, n);
    QFETCH(QList<int>, labelled);
    QFETCH(QList<int>, ticked);
    Plotting f;
    f.dataList(readingsOf(n, [](int i) { return QString::number(i * 10); }));
    ListPlot* w = f.show();
    QVERIFY(w);
    const std::vector<DrawOp> marks = f.timeMarks();
    const std::vector<DrawOp> labels = f.timeLabels();
    const std::vector<DrawOp> ticks = f.shortTicks();
    QCOMPARE(marks.size(), size_t(labelled.size()));
    QCOMPARE(labels.size(), size_t(labelled.size()));
    QCOMPARE(ticks.size(), size_t(ticked.size()));
    for (int j = 0; j < labelled.size(); ++j) {
        const int k = labelled[j];
        const double x = f.xOf(k);
        QVERIFY(std::fabs(marks[j].x1 - x) < 1e-3);
        QCOMPARE(marks[j].colour, kGrey);
        QCOMPARE(labels[j].text, timeOf(k));
        const double shift = (k == 1 ? 10 : 0) + (k == n ? 10 : 0);
        const double expected = x - w->Surface->TextWidth(timeOf(k)) / 2 - shift;
        QVERIFY2(std::fabs(labels[j].x1 - expected) < 1e-3, qPrintable(QString::number(k)));
    }
    for (int j = 0; j < ticked.size(); ++j) {
        QVERIFY(std::fabs(ticks[j].x1 - f.xOf(ticked[j])) < 1e-3);
        QCOMPARE(ticks[j].y2, f.app.plot.PlotOriginY - 4.2 * f.app.plot.PlotHeight / 8);
        QCOMPARE(ticks[j].colour, kGrey);
    }
    QCOMPARE(f.dataLines().size(), size_t(n - 1));
}

void TestListPlot::progressCaptionsAndTimers() {
    Plotting f;
    f.dataList(readingsOf(120, [](int i) { return QString::number(i); }));
    f.app.plot.PlotFromRecord = 50;
    f.app.plot.PlotToRecord = 100;
    f.app.plot.PlotRecordCount = 51;
    f.timer1.start();
    f.timer2.stop(); // stopped before: running after
    ShowListPlot(f.ctx);
    ListPlot* w = f.ctx.listPlot;
    testing::CaptionLog log(w);
    bool timersRanDuringPlot = false;
    AtCaption mid(w, "75 Records Completed",
                  [&] { timersRanDuringPlot = f.timer1.isActive() || f.timer2.isActive(); });
    QVERIFY(f.finished(w));
    QStringList expected;
    for (int i = 50; i <= 100; ++i)
        expected << QString("%1 Records Completed").arg(i);
    expected << "Plot Data/File ";
    QCOMPARE(log.captions, expected);
    QVERIFY(!timersRanDuringPlot);
    QVERIFY(f.timer1.isActive());
    QVERIFY(f.timer2.isActive());
    // The grid is left on the last record plotted.
    QCOMPARE(f.ctx.dataList->GridM->row(), 100);
}

void TestListPlot::sourceGrid_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<double>("y"); // of the second point, in plot heights
    // GridM holds 1100 W/m², GridI 174.35 Btu (a quarter of 697.4); a file with 550 W/m².
    QTest::newRow("data list in W/m2") << "W" << 0.5;
    QTest::newRow("data list in Btu") << "Btu" << 0.25;
    QTest::newRow("file list ignores the unit") << "file" << 0.25;
}

void TestListPlot::sourceGrid() {
    QFETCH(QString, source);
    QFETCH(double, y);
    Plotting f;
    f.dataList({"0", "1100"}, {"0", "174.35"});
    if (source == "Btu")
        f.plotOf(2, false, false);
    if (source == "file")
        f.fileList("W/(M)2", {"0", "550"});
    QVERIFY(f.show());
    const std::vector<DrawOp> lines = f.dataLines();
    QCOMPARE(lines.size(), size_t(1));
    QVERIFY(std::fabs(lines[0].y2 - (f.app.plot.PlotOriginY - y * f.app.plot.PlotHeight)) < 1e-9);
}

void TestListPlot::snapsBackToTheMinimumSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("narrow") << QSize(300, 500);
    QTest::newRow("low") << QSize(500, 300);
    QTest::newRow("both") << QSize(200, 100);
    QTest::newRow("one pixel narrow") << QSize(391, 364);
}

void TestListPlot::snapsBackToTheMinimumSize() {
    QFETCH(QSize, size);
    Plotting f;
    f.dataList(readingsOf(20, [](int) { return "1000"; }));
    ListPlot* w = f.show();
    QVERIFY(w);
    testing::CaptionLog log(w);
    f.ops.clear();
    w->resize(size);
    QVERIFY(testing::waitUntil([&] { return log.captions.contains("Plot Data/File "); }));
    testing::pumpFor(0.1);
    QCOMPARE(w->size(), QSize(392, 364));
    QCOMPARE(log.captions.count("1 Records Completed"), 1);
    QCOMPARE(f.app.plot.PlotOriginY, 337.0);
    QCOMPARE(f.dataLines().size(), size_t(19));
}

void TestListPlot::resizeWhilePlottingRestartsThePlot() {
    Plotting f;
    f.dataList(readingsOf(300, [](int i) { return QString::number(i % 50 * 40); }));
    ShowListPlot(f.ctx);
    ListPlot* w = f.ctx.listPlot;
    w->Surface->setRecorder(&f.ops);
    AtCaption mid(w, "120 Records Completed", [w] { w->resize(600, 500); });
    QVERIFY(f.finished(w));
    QCOMPARE(w->size(), QSize(600, 500));
    const PlotState& p = f.app.plot;
    QCOMPARE(p.PlotOriginY, 473.0);
    QCOMPARE(p.PlotHeight, 400.0);
    // The last chart is whole and at the new size: every segment, each at its record's place.
    const std::vector<DrawOp> lines = f.dataLines();
    QCOMPARE(lines.size(), size_t(299));
    QVERIFY(std::fabs(lines.back().x2 - (p.PlotOriginX + 299 * p.PlotStepX)) < 0.05);
    QVERIFY(lines.back().x2 <= p.PlotOriginX + p.PlotWidth);
    QCOMPARE(f.gridSteps(), 300);
    QVERIFY(f.timer1.isActive() && f.timer2.isActive());
    QCOMPARE(w->windowTitle(), QString("Plot Data/File "));
}

void TestListPlot::rangePastTheLastRowHidesTheWindow() {
    Plotting f;
    f.dataList(readingsOf(5, [](int) { return "500"; }));
    // As if the list had been reloaded shorter under the open plot.
    f.app.plot.PlotToRecord = 10;
    f.app.plot.PlotRecordCount = 10;
    MessageCapture messages;
    ShowListPlot(f.ctx);
    QPointer<ListPlot> w = f.ctx.listPlot.data();
    QVERIFY(testing::waitUntil([&] { return w && w->isHidden() && !w->plotting(); }));
    QVERIFY(!w->isUnloaded());
    QCOMPARE(w->windowTitle(), QString("6 Records Completed"));
    QVERIFY(f.timer1.isActive() && f.timer2.isActive());
    QVERIFY(messages.boxes.isEmpty());

    // The next Plot shows the same window, drawn for the new plot.
    QTest::mouseClick(f.ctx.dataList->Toolbar1->button("Plot"), Qt::LeftButton);
    QCOMPARE(f.ctx.listPlot.data(), w.data());
    QVERIFY(f.finished(w));
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Plot Data/File "));
    QCOMPARE(f.app.plot.PlotToRecord, 5.0f);
}

void TestListPlot::sourceListClosedWhilePlotting() {
    Plotting f;
    f.dataList(readingsOf(50, [](int) { return "500"; }));
    ShowListPlot(f.ctx);
    QPointer<ListPlot> w = f.ctx.listPlot.data();
    AtCaption mid(w, "10 Records Completed", [&] { f.ctx.dataList->close(); });
    QVERIFY(testing::waitUntil([&] { return w && !w->plotting() && w->isHidden(); }));
    QVERIFY(f.timer1.isActive() && f.timer2.isActive());
    QCOMPARE(w->windowTitle(), QString("10 Records Completed"));
}

void TestListPlot::plotPressedAgainWhilePlotting() {
    Plotting f;
    f.dataList(readingsOf(200, [](int) { return "500"; }));
    ShowListPlot(f.ctx);
    QPointer<ListPlot> first = f.ctx.listPlot.data();
    AtCaption mid(first, "20 Records Completed",
                  [&] { QTest::mouseClick(f.ctx.dataList->Toolbar1->button("Plot"), Qt::LeftButton); });
    QVERIFY(testing::waitUntil([&] { return !first; }));
    ListPlot* second = f.ctx.listPlot;
    QVERIFY(second);
    second->Surface->setRecorder(&f.ops);
    QVERIFY(f.finished(second));
    QVERIFY(second->isVisible());
    QVERIFY(f.timer1.isActive() && f.timer2.isActive());
}

void TestListPlot::listWithoutRecordsDrawsTheFrameAlone() {
    Plotting f;
    f.fileList("W/(M)2", {});
    QCOMPARE(f.app.plot.PlotRecordCount, 0.0f);
    f.timer1.start();
    f.timer2.start();
    ListPlot* w = f.show();
    QVERIFY(w && w->isVisible());
    QCOMPARE(f.app.plot.PlotStepX, 0.0f);
    QCOMPARE(f.gridSteps(), 0);
    QVERIFY(!f.of(DrawOp::Kind::Text, [](const DrawOp& o) { return o.text == "W/(M)2"; }).empty());
    QVERIFY(f.timer1.isActive() && f.timer2.isActive());
}

void TestListPlot::limitOpensTheRangeDialogOnce() {
    Plotting f;
    f.dataList(readingsOf(10, [](int) { return "1"; }));
    ListPlot* w = f.show();
    QVERIFY(w);
    QTest::mouseClick(w->Toolbar1->button("Limit"), Qt::LeftButton);
    QPointer<PlotRange> range = f.ctx.plotRange.data();
    QVERIFY(range && range->isVisible());
    QCOMPARE(range->windowTitle(), QString("Plot Range ( W/(M)2 )"));
    QTest::mouseClick(w->Toolbar1->button("Limit"), Qt::LeftButton);
    QCOMPARE(f.ctx.plotRange.data(), range.data());
}

void TestListPlot::fileListPlotButtonShowsThePlot() {
    Plotting f;
    FileList* list = f.fileList("Btu/(ft)2.h", readingsOf(8, [](int i) { return QString::number(i * 80); }));
    f.app.plot = PlotState(); // the button fills it
    list->show();
    QTest::mouseClick(list->Toolbar1->button("Plot"), Qt::LeftButton);
    ListPlot* w = f.ctx.listPlot;
    QVERIFY(w && w->isVisible());
    w->Surface->setRecorder(&f.ops);
    QVERIFY(f.finished(w));
    QCOMPARE(f.app.plot.PlotUnitLabel, QString("Btu/((ft)2.h)"));
    QCOMPARE(f.dataLines().size(), size_t(7));
    for (const QString& text : {QString(" 697.4"), QString("Btu/((ft)2.h)")})
        QCOMPARE(f.of(DrawOp::Kind::Text, [&](const DrawOp& o) { return o.text == text; }).size(), size_t(1));
}

void TestListPlot::rangeDialogOkOpensANewPlot_data() {
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("plot open") << false;
    QTest::newRow("plot closed meanwhile") << true;
}

void TestListPlot::rangeDialogOkOpensANewPlot() {
    QFETCH(bool, closeFirst);
    Plotting f;
    f.dataList(readingsOf(100, [](int i) { return QString::number(i * 20); }));
    QPointer<ListPlot> first = f.show();
    QVERIFY(first);
    ShowPlotRange(f.ctx);
    if (closeFirst) {
        first->close();
        QVERIFY(testing::waitUntil([&] { return !first; }));
    }
    PlotRange* range = f.ctx.plotRange;
    range->TxtT1->setText("500");
    range->TxtT2->setText("1500");
    range->TxtR1->setText("21");
    range->TxtR2->setText("70");
    QTest::mouseClick(range->CmdOK, Qt::LeftButton);
    ListPlot* second = f.ctx.listPlot;
    QVERIFY(second && second != first);
    second->Surface->setRecorder(&f.ops);
    QVERIFY(testing::waitUntil([&] { return !first; }));
    QVERIFY(f.finished(second));
    const PlotState& p = f.app.plot;
    QCOMPARE(p.PlotRecordCount, 50.0f);
    const std::vector<DrawOp> lines = f.dataLines();
    QCOMPARE(lines.size(), size_t(49));
    // Record 21 reads 420: under the new bottom; record 70 reads 1400, 9/10 of the way up.
    QCOMPARE(lines.front().y1, p.PlotOriginY + 3);
    QVERIFY(std::fabs(lines.back().y2 - (p.PlotOriginY - 0.9 * p.PlotHeight)) < 1e-9);
    const std::vector<DrawOp> labels =
        f.of(DrawOp::Kind::Text, [](const DrawOp& o) { return o.text == " 500"; });
    QCOMPARE(labels.size(), size_t(1));
}

void TestListPlot::printsTheChartWithoutTheToolbar() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("chart.pdf");
    platform::Printer::setOutputPdf(pdf);
    Plotting f;
    f.dataList(readingsOf(10, [](int i) { return QString::number(i * 100); }));
    ListPlot* w = f.show();
    QVERIFY(w);
    MessageCapture messages;
    QTest::mouseClick(w->Toolbar1->button("Print"), Qt::LeftButton);
    QVERIFY(messages.boxes.isEmpty());
    QVERIFY(QFile(pdf).size() > 0);
    QVERIFY(w->Toolbar1->isVisible());
}

void TestListPlot::failedPrintTellsAndKeepsTheChart() {
    QTemporaryDir dir;
    platform::Printer::setOutputPdf(dir.filePath("missing/chart.pdf"));
    Plotting f;
    f.dataList(readingsOf(10, [](int i) { return QString::number(i * 100); }));
    ListPlot* w = f.show();
    QVERIFY(w);
    const QImage before = w->Surface->image();
    MessageCapture messages;
    QTest::mouseClick(w->Toolbar1->button("Print"), Qt::LeftButton);
    QCOMPARE(messages.boxes.size(), 1);
    QVERIFY2(messages.boxes[0].text.startsWith("The chart could not be printed: "),
             qPrintable(messages.boxes[0].text));
    QCOMPARE(messages.boxes[0].icon, platform::MsgIcon::Critical);
    QVERIFY(w->isVisible() && !w->isUnloaded());
    QVERIFY(w->Toolbar1->isVisible());
    QCOMPARE(w->Surface->image(), before);
}

void TestListPlot::printWhilePlottingHasTheChartSoFar() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("mid.pdf");
    platform::Printer::setOutputPdf(pdf);
    Plotting f;
    f.dataList(readingsOf(400, [](int) { return "1500"; }));
    ShowListPlot(f.ctx);
    ListPlot* w = f.ctx.listPlot;
    AtCaption mid(w, "200 Records Completed",
                  [&] { QTest::mouseClick(w->Toolbar1->button("Print"), Qt::LeftButton); });
    QVERIFY(f.finished(w));
    QProcess render;
    render.start("pdftoppm", {"-png", "-r", "96", "-singlefile", pdf, dir.filePath("mid")});
    QVERIFY(render.waitForFinished(20000) && render.exitCode() == 0);
    const QImage page(dir.filePath("mid.png"));
    QVERIFY(!page.isNull());
    // A chart is a few dark lines on white, not a dark block.
    qint64 dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            dark += qGray(page.pixel(x, y)) < 100;
    QVERIFY2(dark > 500 && dark < 392 * 364 / 10, qPrintable(QString::number(dark)));
}

void TestListPlot::pixelsOfAShownPlot() {
    // A day of the logger in W/m²: a bell over 240 records, with an overload before noon.
    const auto reading = [](int i) { return 1900 * std::exp(-std::pow((i - 120) / 55.0, 2)); };
    Plotting f;
    f.dataList(readingsOf(
        240, [&](int i) { return i == 100 ? QString("OL") : QString::number(reading(i), 'f', 1); }));
    ListPlot* w = f.show();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QImage shot = w->grab().toImage();
    shot.save(testing::artifactsDir() + "/list_plot.png");
    const PlotState& p = f.app.plot;
    const auto px = [](double x) { return platform::DrawSurface::toPixelX(x); };
    const auto py = [](double y) { return platform::DrawSurface::toPixelY(y); };
    // The value axis and the time axis are black; the middle grid line grey away from the data.
    QCOMPARE(shot.pixelColor(px(p.PlotOriginX - 2), py(p.PlotOriginY - 100)), kBlack);
    QCOMPARE(shot.pixelColor(px(p.PlotOriginX + 200), py(p.PlotOriginY + 6)), kBlack);
    QCOMPARE(shot.pixelColor(px(p.PlotOriginX + 5), py(p.PlotOriginY - p.PlotHeight / 2)), kGrey);
    // A point of the bell where the geometry puts it; the overload 5 units over the plot area.
    const double v = QString::number(reading(50), 'f', 1).toDouble();
    QCOMPARE(shot.pixelColor(px(f.xOf(50)), py(p.PlotOriginY - p.PlotHeight * v / 2200)), kBlack);
    QCOMPARE(shot.pixelColor(px(f.xOf(50)), py(p.PlotOriginY - p.PlotHeight * v / 2200) - 4),
             QColor(Qt::white));
    QCOMPARE(shot.pixelColor(px(f.xOf(100)), py(p.PlotOriginY - p.PlotHeight - 5)), kBlack);
    QCOMPARE(shot.pixelColor(px(f.xOf(100)), py(p.PlotOriginY - p.PlotHeight - 9)), QColor(Qt::white));
}

void TestListPlot::valueLabelsStayLeftOfTheAxis_data() {
    QTest::addColumn<bool>("metric");
    QTest::newRow("W/(M)2") << true;
    QTest::newRow("Btu/((ft)2.h)") << false;
}

void TestListPlot::valueLabelsStayLeftOfTheAxis() {
    // The labels start 40 units plus a quarter of their width left of the plot area: in a font
    // wider than the window's own, " 610.225" runs across the value axis into the chart.
    QFETCH(bool, metric);
    Plotting f;
    f.dataList({"-OL", "-OL", "-OL"}); // below the baseline, clear of the labels
    f.plotOf(3, metric, false);
    ListPlot* w = f.show();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QImage shot = w->grab().toImage();
    const PlotState& p = f.app.plot;
    const int right = platform::DrawSurface::toPixelX(p.PlotOriginX);
    for (int i = 1; i <= 7; ++i) {
        const int y = platform::DrawSurface::toPixelY(p.PlotOriginY - i * p.PlotHeight / 8);
        for (int dy = -6; dy <= 6; ++dy)
            for (int x = right; x <= right + 6; ++x)
                QVERIFY2(shot.pixelColor(x, y + dy).lightness() > 100,
                         qPrintable(QString("label %1 at %2, %3").arg(i).arg(x).arg(y + dy)));
    }
}

namespace {

// The chart as the plot's steps draw it record by record, on a surface of its own: the frame,
// then for every record the grid, the reading's segment and the record's time mark.
QImage recordByRecord(const ListPlot& w, const platform::Grid& grid, const PlotState& p, double gridColor) {
    platform::DrawSurface s;
    s.setFont(w.Surface->font());
    s.resize(w.Surface->size());
    const double min = NumberOf(p.PlotValueMin), max = NumberOf(p.PlotValueMax);
    const PlotGeometry g = *DrawPlotFrame(s, min, max, p.PlotUnitLabel);
    const QColor black(0, 0, 0);
    const QColor grey = platform::QBColor(static_cast<int>(RoundHalfEven(gridColor)));
    const long long from = std::llround(p.PlotFromRecord), to = std::llround(p.PlotToRecord);
    const long long n = std::llround(p.PlotRecordCount);
    const float step = static_cast<float>(g.W / p.PlotRecordCount);
    float offset = -step, lastX = 0;
    double lastY = 0;
    for (long long i = from; i <= to; ++i) {
        offset += step;
        const double x = g.X0 + offset;
        DrawPlotGrid(s, g, gridColor);
        const double height = PlotReadingHeight(grid.textAt(int(i), 2), min, max, g.H);
        if (lastX != 0 && offset != 0)
            s.Line(lastX, lastY, x, g.Y0 - height, black);
        lastY = g.Y0 - height;
        lastX = static_cast<float>(x);
        switch (PlotTimeMark(i - from + 1, n)) {
        case TimeMark::Label: {
            DrawTimeLine(s, g, x, grey);
            const QString time = grid.textAt(int(i), 1).right(8);
            s.CurrentX = x - s.TextWidth(time) / 2 - (i == from ? 10 : 0) - (i == to ? 10 : 0);
            s.CurrentY = g.Y0 + 10;
            s.ForeColor = black;
            s.Print(time);
            break;
        }
        case TimeMark::Tick:
            DrawTimeTick(s, g, x, grey);
            break;
        case TimeMark::None:
            break;
        }
    }
    return s.image();
}

} // namespace

void TestListPlot::samePictureAsRecordByRecord_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    // Seconds the clock moves at each reading: 0 draws all in one go, 0.007 pumps events at every
    // third record and shows the caption at every eighth.
    QTest::addColumn<double>("clockStep");
    for (const QSize size : {QSize(392, 364), QSize(640, 480), QSize(1200, 800)}) {
        const QString at = QString("%1x%2, ").arg(size.width()).arg(size.height());
        QTest::newRow(qPrintable(at + "all records, full range"))
            << size << 1 << 6000 << 0.0 << 2200.0 << 0.0;
        QTest::newRow(qPrintable(at + "middle records, narrow range"))
            << size << 700 << 5300 << 400.0 << 1500.0 << 0.007;
        QTest::newRow(qPrintable(at + "nine records")) << size << 2995 << 3003 << 0.0 << 2200.0 << 0.007;
    }
}

// The chart drawn in bulk is the chart drawn record by record, pixel for pixel: over many
// records per pixel, readings out of range and display texts, with events pumped in between.
void TestListPlot::samePictureAsRecordByRecord() {
    QFETCH(QSize, size);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, clockStep);
    Plotting f(clockStep);
    f.dataList(readingsOf(6000, [](int i) {
        if (i % 997 == 0)
            return QString("OL");
        if (i % 1409 == 0)
            return QString(i % 2 ? "-OL" : "----");
        // Slow swings with noise and flat runs: many records land on the same pixels.
        const double v = 1100 + 1050 * std::sin(i / 400.0) + (i % 7) * 9.0 - (i % 13) * 4.0;
        return QString::number(i % 300 < 60 ? 800.0 : v, 'f', 1);
    }));
    PlotState& p = f.app.plot;
    p.PlotFromRecord = float(from);
    p.PlotToRecord = float(to);
    p.PlotRecordCount = float(to - from + 1);
    p.PlotValueMin = min;
    p.PlotValueMax = max;
    ListPlot* w = f.show();
    QVERIFY(w);
    if (w->size() != size) {
        QSignalSpy redrawn(w, &ListPlot::redrawn);
        w->resize(size);
        QVERIFY(redrawn.wait(10000));
        QVERIFY(f.finished(w));
    }
    QCOMPARE(w->Surface->size(), size);
    if (to - from > 100)
        QVERIFY(f.gridSteps() < (to - from + 1) / 2); // it did not draw record by record
    const QImage fast = w->Surface->image();
    const QImage reference = recordByRecord(*w, *f.ctx.dataList->GridM, p, f.app.liveGraph.GridColor);
    QCOMPARE(fast.size(), reference.size());
    for (int y = 0; y < fast.height(); ++y)
        for (int x = 0; x < fast.width(); ++x)
            if (fast.pixel(x, y) != reference.pixel(x, y)) {
                fast.save(testing::artifactsDir() + "/plot_fast.png");
                reference.save(testing::artifactsDir() + "/plot_reference.png");
                QFAIL(qPrintable(QString("pixel %1, %2 differs").arg(x).arg(y)));
            }
}

// The caption shows the progress a few times a second and ends on the window's own caption;
// other events run every few dozen milliseconds of the plot. Timed on a clock that moves a
// millisecond each time it is read, about once per record.
void TestListPlot::longPlotShowsProgressAndStaysResponsive() {
    Plotting f(0.001);
    const int n = 5000;
    f.dataList(readingsOf(n, [](int i) { return QString::number(i % 2200); }));
    std::vector<double> pumps;
    QTimer other; // a zero timer runs at every pump
    QObject::connect(&other, &QTimer::timeout, [&] { pumps.push_back(f.clock.peek()); });
    ShowListPlot(f.ctx);
    ListPlot* w = f.ctx.listPlot;
    QStringList captions;
    std::vector<double> captionTimes;
    testing::OnEvent titles(w, QEvent::WindowTitleChange, [&] {
        captions << w->windowTitle();
        captionTimes.push_back(f.clock.peek());
    });
    QObject::connect(w, &ListPlot::redrawn, &other, &QTimer::stop);
    other.start(0);
    QVERIFY(f.finished(w));
    const double seconds = f.clock.peek();

    QVERIFY(pumps.size() > 100);
    for (size_t i = 1; i < pumps.size(); ++i)
        QVERIFY2(pumps[i] - pumps[i - 1] <= 0.025, qPrintable(QString::number(pumps[i] - pumps[i - 1])));
    QVERIFY(captions.size() > 10);
    QVERIFY2(captions.size() <= seconds / 0.05 + 2, qPrintable(QString::number(captions.size())));
    QCOMPARE(captions.last(), QString("Plot Data/File "));
    long long previous = 0;
    for (int i = 0; i + 1 < captions.size(); ++i) {
        const QStringList words = captions[i].split(' ');
        QCOMPARE(words.mid(1).join(' '), QString("Records Completed"));
        QVERIFY(words[0].toLongLong() > previous);
        previous = words[0].toLongLong();
        if (i > 0)
            QVERIFY(captionTimes[size_t(i)] - captionTimes[size_t(i) - 1] >= 0.05);
    }
    QCOMPARE(f.ctx.dataList->GridM->row(), n);
}

QTEST_MAIN(TestListPlot)
#include "test_list_plot.moc"
