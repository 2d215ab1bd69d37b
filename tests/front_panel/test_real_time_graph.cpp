// The live graph: opening, the sweep tick by tick, heights, the unit check, resizing, printing;
// and the same on the meter stand-in through the main window's poll.
#include "front_panel/real_time_graph.h"
#include "front_panel/real_time_range.h"
#include "platform/draw_surface.h"
#include "platform/printer.h"
#include "tests/front_panel/sampler_fixture.h"
#include "tests/support/panel_fixture.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <cmath>
#include <set>

using platform::DrawOp;
using testing::SamplerFixture;
using Kind = platform::DrawOp::Kind;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGrey(192, 192, 192);

// The main window with a live graph open on a W/m2 reading; the tests tick it by hand.
struct GraphFixture : SamplerFixture {
    std::vector<DrawOp> ops;
    bool timerWasActive = false;
    int timerInterval = -1;

    explicit GraphFixture(const QString& unit = QStringLiteral("W/(M)2"), bool perM2 = true) {
        show(unit, QStringLiteral("1100"));
        app.display.AnnPerM2 = perM2;
        panel->show();
        click(QStringLiteral("Graph"));
        if (graph()) {
            timerWasActive = graph()->Timer1.isActive();
            timerInterval = graph()->Timer1.interval();
            graph()->Timer1.stop();
            graph()->Surface->setRecorder(&ops);
        }
    }
    RealTimeGraph* graph() const { return RealTimeGraph::current(); }
    const LiveGraphState& st() const { return app.liveGraph; }
    // One tick with the main window showing `reading`; returns what it drew.
    std::vector<DrawOp> tick(const QString& reading) {
        panel->LblValue->setText(reading);
        ops.clear();
        graph()->Timer1_Timer();
        return ops;
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            graph()->Timer1_Timer();
    }
};

std::vector<DrawOp> traceOf(const std::vector<DrawOp>& ops) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : ops)
        if (op.kind == Kind::Line && op.colour == kBlack)
            out.push_back(op);
    return out;
}

int countOf(const std::vector<DrawOp>& ops, Kind kind) {
    return int(std::count_if(ops.begin(), ops.end(), [kind](const DrawOp& op) { return op.kind == kind; }));
}

} // namespace

class TestRealTimeGraph : public QObject {
    Q_OBJECT
private slots:
    void opens_data();
    void opens();
    void unitGateKeepsItClosed();
    void firstTickDrawsNoSegmentAndATimeLabel();
    void sweepMarksAndWrap();
    void timeLabelsAtOtherSteps_data();
    void timeLabelsAtOtherSteps();
    void heights_data();
    void heights();
    void commaReadings_data();
    void commaReadings();
    void unitChangeClosesGraphAndRange();
    void graphAgainStartsAFreshOne();
    void shrinkSnapsBackAndRedraws();
    void traceShowsInTheWindow();
    void sweepKeepsMarksAndCursor_data();
    void sweepKeepsMarksAndCursor();
    void underRangeTraceGoesWithTheNextSweep();
    void printsTheWindow();
    void failedPrintKeepsWindowAndChart();
    void followsTheMeter();
    void screenshotAfterOneSweep();
};

void TestRealTimeGraph::opens_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("perM2");
    QTest::addColumn<double>("fullMax");
    QTest::addColumn<QString>("topLabel");
    QTest::newRow("W/m2") << "W/(M)2" << true << 2200.0 << " 2200";
    QTest::newRow("kW/m2") << "KW/(M)2" << true << 2200.0 << " 2200";
    QTest::newRow("Btu") << "Btu/((ft)2.h)" << false << 697.4 << " 697.4";
}

void TestRealTimeGraph::opens() {
    QFETCH(QString, unit);
    QFETCH(bool, perM2);
    QFETCH(double, fullMax);
    QFETCH(QString, topLabel);
    GraphFixture f(unit, perM2);
    RealTimeGraph* g = f.graph();
    QVERIFY(g);
    QVERIFY(g->isVisible());
    QCOMPARE(g->windowTitle(), QStringLiteral("Real Time Graph "));
    QCOMPARE(g->pos(), QPoint(f.panel->x() + f.panel->frameGeometry().width(), 0));
    QCOMPARE(g->size(), QSize(349, 364));
    QCOMPARE(g->Toolbar1->button(1)->key(), QStringLiteral("Limit"));
    QCOMPARE(g->Toolbar1->button(2)->key(), QStringLiteral("Print"));
    QCOMPARE(f.st().GraphUnit, unit);
    QCOMPARE(f.st().GraphFullMax, fullMax);
    QCOMPARE(f.st().GraphFullMin, 0.0);
    QCOMPARE(f.st().GraphStepX, 1.0f);
    QCOMPARE(f.st().GridColor, 7.0f);
    QCOMPARE(f.st().GraphSweepX, -1.0f);
    QCOMPARE(f.st().GraphLastX, 0.0f);
    QCOMPARE(f.st().GraphY0, 337.0);
    QCOMPARE(f.st().GraphPlotHeight, 264.0f);
    QVERIFY(std::fabs(f.st().GraphPlotWidth - 360.13) < 0.01);

    // Ticking at the main window's poll interval.
    QVERIFY(f.timerWasActive);
    QCOMPARE(f.timerInterval, f.panel->Timer1.interval());

    // The frame of the first showing: the full range and the unit caption.
    std::vector<DrawOp> frame;
    g->Surface->setRecorder(&frame);
    g->Form_Resize();
    QStringList texts;
    for (const DrawOp& op : frame)
        if (op.kind == Kind::Text)
            texts << op.text;
    QCOMPARE(texts.size(), 10);
    QCOMPARE(texts[8], topLabel);
    QCOMPARE(texts[9], unit);
}

void TestRealTimeGraph::unitGateKeepsItClosed() {
    SamplerFixture f;
    f.show(QString(), QStringLiteral("1100"));
    f.click(QStringLiteral("Graph"));
    QVERIFY(!RealTimeGraph::current());
    f.show(QStringLiteral("%"), QStringLiteral("50"));
    f.click(QStringLiteral("Graph"));
    QVERIFY(!RealTimeGraph::current());
}

void TestRealTimeGraph::firstTickDrawsNoSegmentAndATimeLabel() {
    GraphFixture f;
    const auto ops = f.tick(QStringLiteral("1100"));
    QCOMPARE(f.st().GraphSweepX, 0.0f);
    QVERIFY(traceOf(ops).empty());
    QCOMPARE(f.st().GraphLastX, 60.0f);
    QCOMPARE(f.st().GraphLastY, float(337 - 132));
    // Red cursor strip (a unit wide, at least a pixel), then the white strip to write, which at
    // the start of a sweep also takes the column of the left edge; then the grid (8 lines).
    const double px = platform::DrawSurface::UnitsPerPixelX;
    QCOMPARE(ops[0].kind, Kind::FillRect);
    QCOMPARE(ops[0].colour, QColor(255, 0, 0));
    QCOMPARE(QPointF(ops[0].x1, ops[0].x2), QPointF(61, 61 + px));
    QCOMPARE(ops[1].colour, kWhite);
    QCOMPARE(QPointF(ops[1].x1, ops[1].x2), QPointF(60 - px, 61));
    // The time label at X0: a dotted mark, the white box, the clock time 5 units left of the box.
    const auto text =
        std::find_if(ops.begin(), ops.end(), [](const DrawOp& op) { return op.kind == Kind::Text; });
    QVERIFY(text != ops.end());
    QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(text->text).hasMatch());
    QCOMPARE(text->text, f.graph()->TimeLabel);
    const double w = f.graph()->Surface->TextWidth(text->text);
    QCOMPARE(text->x1, 60 - w / 2 - 5);
    QCOMPARE(text->y1, 337.0 + 10);
    const DrawOp& box = *(text - 1);
    QCOMPARE(box.kind, Kind::FillRect);
    QCOMPARE(QPointF(box.x1, box.x2), QPointF(60 - w / 2, 60 + w / 2));
    const DrawOp& mark = *(text - 2);
    QCOMPARE(mark.style, platform::LineStyle::Dot);
    QCOMPARE(QPointF(mark.x1, mark.y2), QPointF(60, 337 - 264 - 10));
    QCOMPARE(f.graph()->Surface->DrawStyle, platform::LineStyle::Solid);

    // The second tick joins the first point.
    const auto second = traceOf(f.tick(QStringLiteral("2200")));
    QCOMPARE(second.size(), size_t(1));
    QCOMPARE(QPointF(second[0].x1, second[0].y1), QPointF(60, 337 - 132));
    QCOMPARE(QPointF(second[0].x2, second[0].y2), QPointF(61, 337 - 264));
}

void TestRealTimeGraph::sweepMarksAndWrap() {
    GraphFixture f;
    // One sweep at step 1 over W = 360.13: positions 0 to 360.
    std::vector<DrawOp> sweep;
    for (int i = 0; i <= 360; ++i) {
        const auto ops = f.tick(QString::number(i));
        sweep.insert(sweep.end(), ops.begin(), ops.end());
    }
    QCOMPARE(f.st().GraphSweepX, 360.0f);
    QCOMPARE(countOf(sweep, Kind::Text), 7); // 0, 60, ... 360
    int shortTicks = 0;
    for (const DrawOp& op : sweep)
        if (op.kind == Kind::Line && op.colour == kGrey && op.x1 == op.x2 &&
            op.style == platform::LineStyle::Solid) {
            QCOMPARE(std::fmod(op.x1 - 60, 60.0), 30.0);
            QCOMPARE(op.y1, 337 - 3.8 * 264 / 8);
            QCOMPARE(op.y2, 337 - 4.2 * 264 / 8);
            ++shortTicks;
        }
    QCOMPARE(shortTicks, 6);
    QCOMPARE(int(traceOf(sweep).size()), 360);

    // The wrap: the cursor beyond the right edge is erased, no segment back to the left edge.
    const auto wrap = f.tick(QStringLiteral("0"));
    QCOMPARE(f.st().GraphSweepX, 0.0f);
    QVERIFY(traceOf(wrap).empty());
    QCOMPARE(wrap[0].kind, Kind::FillRect);
    QCOMPARE(wrap[0].colour, kWhite);
    QCOMPARE(QPointF(wrap[0].x1, wrap[0].x2), QPointF(60 + 361, 60 + 361 + 3));
    QCOMPARE(wrap[1].colour, QColor(255, 0, 0));
    // The first segment of the new sweep starts at the left edge from the height before it.
    const auto next = traceOf(f.tick(QStringLiteral("0")));
    QCOMPARE(next.size(), size_t(1));
    QCOMPARE(QPointF(next[0].x1, next[0].y1), QPointF(60, 337));
}

void TestRealTimeGraph::timeLabelsAtOtherSteps_data() {
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("labels");
    // Positions round halves to even: 0.5 is 0, so small steps print the first label again.
    QTest::newRow("half: 0 and 0.5") << 0.5f << 2 << 2;
    QTest::newRow("half: not at 1") << 0.5f << 3 << 2;
    QTest::newRow("quarter: 0 to 0.5") << 0.25f << 3 << 3;
    QTest::newRow("quarter: not at 0.75") << 0.25f << 4 << 3;
    QTest::newRow("half: 59.5, 60, 60.5") << 0.5f << 122 << 5;
    QTest::newRow("a long step jumps over 60") << 7.0f << 10 << 1;
}

void TestRealTimeGraph::timeLabelsAtOtherSteps() {
    QFETCH(float, step);
    QFETCH(int, ticks);
    QFETCH(int, labels);
    GraphFixture f;
    f.app.liveGraph.GraphStepX = step;
    f.app.liveGraph.GraphSweepX = -step;
    f.ops.clear();
    f.ticks(ticks);
    QCOMPARE(countOf(f.ops, Kind::Text), labels);
}

void TestRealTimeGraph::heights_data() {
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<double>("height");
    QTest::newRow("in range") << "0"
                              << "550" << 66.0;
    QTest::newRow("top") << "0"
                         << "2200" << 264.0;
    QTest::newRow("above the range") << "0"
                                     << "2200.5" << 269.0;
    QTest::newRow("overload") << "0"
                              << "OL" << 269.0;
    QTest::newRow("L anywhere") << "0"
                                << "-OL" << 269.0;
    QTest::newRow("empty reads 0") << "0"
                                   << "" << 0.0;
    QTest::newRow("dashes read 0") << "0"
                                   << "----" << 0.0;
    QTest::newRow("below the range") << "100"
                                     << "50" << -3.0;
    QTest::newRow("empty below the range") << "100"
                                           << "" << -3.0;
}

void TestRealTimeGraph::heights() {
    QFETCH(QString, min);
    QFETCH(QString, reading);
    QFETCH(double, height);
    GraphFixture f;
    f.app.liveGraph.GraphMin = min;
    f.tick(QStringLiteral("0"));
    const auto trace = traceOf(f.tick(reading));
    QCOMPARE(trace.size(), size_t(1));
    QCOMPARE(trace[0].y2, 337 - height);
    QCOMPARE(f.st().GraphReadingText, reading);
}

void TestRealTimeGraph::commaReadings_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("value");
    QTest::newRow("no comma") << "812.5"
                              << "812.5";
    QTest::newRow("decimal comma") << "812,5"
                                   << "812.5";
    QTest::newRow("leading comma") << ",75"
                                   << "0.75";
    QTest::newRow("trailing comma") << "812,"
                                    << "812";
    QTest::newRow("first comma only") << "1,2,3"
                                      << "1.2,3";
}

void TestRealTimeGraph::commaReadings() {
    QFETCH(QString, reading);
    QFETCH(QString, value);
    GraphFixture f;
    f.tick(reading);
    QCOMPARE(f.st().GraphValueText, value);
}

void TestRealTimeGraph::unitChangeClosesGraphAndRange() {
    GraphFixture f;
    f.graph()->Toolbar1->button(QStringLiteral("Limit"))->click();
    QPointer<RealTimeRange> range = RealTimeRange::current();
    QVERIFY(range);
    QPointer<RealTimeGraph> g = f.graph();
    f.tick(QStringLiteral("10"));
    f.app.display.DisplayUnitText = QStringLiteral("Btu/((ft)2.h)");
    const auto ops = f.tick(QStringLiteral("10"));
    QVERIFY(ops.empty());
    QVERIFY(!RealTimeGraph::current());
    QVERIFY(!RealTimeRange::current());
    QVERIFY(!g->isVisible());
    QVERIFY(!g->Timer1.isActive());
    SamplerFixture::flushDeletes();
    QVERIFY(!g);
    QVERIFY(!range);
}

void TestRealTimeGraph::graphAgainStartsAFreshOne() {
    GraphFixture f;
    f.ticks(100);
    f.app.liveGraph.GraphMax = 1000.0;
    QPointer<RealTimeGraph> first = f.graph();
    f.click(QStringLiteral("Graph"));
    QVERIFY(RealTimeGraph::current());
    QVERIFY(RealTimeGraph::current() != first.data());
    QVERIFY(!first || !first->isVisible());
    QCOMPARE(f.st().GraphMax.toDouble(), 2200.0);
    QCOMPARE(f.st().GraphSweepX, -1.0f);
    RealTimeGraph::current()->Timer1.stop();
}

void TestRealTimeGraph::shrinkSnapsBackAndRedraws() {
    GraphFixture f;
    RealTimeGraph* g = f.graph();
    f.ticks(50);
    QVERIFY(QTest::qWaitForWindowExposed(g));
    g->resize(300, 500);
    QCOMPARE(g->size(), QSize(349, 500));
    g->resize(400, 200);
    QCOMPARE(g->size(), QSize(400, 364));
    // The frame for the size in force, and a new sweep from the left edge.
    QCOMPARE(f.st().GraphY0, 337.0);
    QVERIFY(std::fabs(f.st().GraphPlotWidth -
                      (400 * 15 / 11.894 - 60 - std::fmod(std::nearbyint(400 * 15 / 11.894 - 60), 30.0))) <
            1e-3);
    QCOMPARE(f.st().GraphLastX, 0.0f);
    QCOMPARE(f.st().GraphSweepX, -1.0f);
    QCOMPARE(g->Surface->size(), g->size());
    QCOMPARE(g->Toolbar1->width(), 400);
    QVERIFY(traceOf(f.tick(QStringLiteral("5"))).empty());
}

void TestRealTimeGraph::traceShowsInTheWindow() {
    GraphFixture f;
    RealTimeGraph* g = f.graph();
    QVERIFY(QTest::qWaitForWindowExposed(g));
    for (int i = 0; i < 100; ++i)
        f.tick(QStringLiteral("1000")); // y = 337 - 120 = 217, off the grid lines
    for (int i = 0; i < 50; ++i)
        f.tick(QStringLiteral("1650")); // three quarters: y = 139
    const QImage shot = g->grab().toImage();
    // The axes where the frame puts them: x = X0 - 2 up the side, y = Y0 + 6 along the bottom.
    QCOMPARE(shot.pixelColor(platform::DrawSurface::toPixelX(58), 150), kBlack);
    QCOMPARE(shot.pixelColor(platform::DrawSurface::toPixelX(300), 343), kBlack);
    QCOMPARE(shot.pixelColor(platform::DrawSurface::toPixelX(300), 346), kWhite);
    const int x = platform::DrawSurface::toPixelX(60 + 125);
    QCOMPARE(shot.pixelColor(x, 139), kBlack);
    QCOMPARE(shot.pixelColor(x, 160), kWhite);
    QCOMPARE(shot.pixelColor(platform::DrawSurface::toPixelX(60 + 50), 217), kBlack);
    QCOMPARE(shot.pixelColor(platform::DrawSurface::toPixelX(60 + 200), 100), kWhite);
    // The red cursor stands just right of the write position and leaves no trail behind it.
    int shown = 0;
    for (int i = 0; i < 10; ++i) {
        f.tick(QStringLiteral("1000"));
        const double S = f.st().GraphSweepX;
        const QImage img = g->Surface->image();
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixelColor(x, 100) != QColor(255, 0, 0))
                continue;
            QVERIFY2(x >= platform::DrawSurface::toPixelX(60 + S) &&
                         x <= platform::DrawSurface::toPixelX(60 + S + 3),
                     qPrintable(QString("red at %1 with S = %2").arg(x).arg(S)));
            ++shown;
        }
    }
    QVERIFY(shown >= 7);
    // Covered and uncovered: the same picture.
    const QImage last = g->grab().toImage();
    g->hide();
    g->show();
    QVERIFY(QTest::qWaitForWindowExposed(g));
    QCOMPARE(g->grab().toImage(), last);
}

void TestRealTimeGraph::sweepKeepsMarksAndCursor_data() {
    QTest::addColumn<int>("width"); // client width in pixels; 0 keeps the opening size
    QTest::addColumn<int>("counts");
    for (const int width : {0, 700, 1280})
        for (const int counts : {10, 360, 1000, 7200, 864000})
            QTest::addRow("%d px, %d counts", width, counts) << width << counts;
}

// Every time line and short tick drawn stays until the sweep comes round again, and the red
// cursor shows right of the write position after every tick, whatever the width and the step.
void TestRealTimeGraph::sweepKeepsMarksAndCursor() {
    QFETCH(int, width);
    QFETCH(int, counts);
    GraphFixture f;
    RealTimeGraph* g = f.graph();
    if (width)
        g->resize(width, g->height());
    LiveGraphState& st = f.app.liveGraph;
    const double X0 = st.GraphX0, Y0 = st.GraphY0, H = st.GraphPlotHeight, W = st.GraphPlotWidth;
    const float d = st.GraphPlotWidth / counts;
    st.GraphStepX = d;
    f.panel->LblValue->setText(QStringLiteral("300"));

    // Whole sweeps where they are short; around the marks at 120 and 150 where they are long.
    std::vector<std::pair<double, double>> spans;
    if (counts <= 8000)
        spans = {{0, W}};
    else
        spans = {{118.5, 122.5}, {148.5, 152.5}};
    std::set<int> lineColumns, tickColumns;
    const QImage& img = g->Surface->image();
    const int cursorRow = int(Y0 - 3 * H / 16);
    int ticks = 0;
    for (const auto& [from, to] : spans) {
        // A long span is entered a few units early: the cursor is built up by the ticks before.
        st.GraphSweepX = from == 0 ? -d : float(from - 3) - d;
        while (st.GraphSweepX + d < to) {
            f.ops.clear();
            g->Timer1_Timer();
            ++ticks;
            for (const DrawOp& op : f.ops)
                if (op.kind == Kind::Line && op.colour == kGrey && op.x1 == op.x2)
                    (op.style == platform::LineStyle::Dot ? lineColumns : tickColumns)
                        .insert(platform::DrawSurface::toPixelX(op.x1));
            const double S = st.GraphSweepX;
            const int c = platform::DrawSurface::toPixelX(X0 + S);
            // A step this long can put the cursor past the window's right edge.
            if (S < from || platform::DrawSurface::toPixelX(X0 + S + d) + 1 >= img.width())
                continue;
            bool red = false;
            for (int x = c + 1; x <= platform::DrawSurface::toPixelX(X0 + S + d) + 2 && !red; ++x)
                red = img.pixelColor(x, cursorRow) == QColor(255, 0, 0);
            if (!red)
                QFAIL(qPrintable(QStringLiteral("no cursor after the tick at S = %1").arg(S)));
        }
    }
    QVERIFY(ticks > 0);
    QVERIFY(!lineColumns.empty());
    QVERIFY(counts == 10 || !tickColumns.empty()); // steps of 36 units miss every 30th
    for (const int x : lineColumns) {
        int grey = 0;
        for (int y = int(Y0 - H); y < int(Y0); ++y)
            grey += img.pixelColor(x, y) == kGrey;
        QVERIFY2(grey >= H / 4, qPrintable(QStringLiteral("time line at column %1 is gone").arg(x)));
    }
    for (const int x : tickColumns) {
        QVERIFY2(img.pixelColor(x, int(std::lround(Y0 - 3.9 * H / 8))) == kGrey &&
                     img.pixelColor(x, int(std::lround(Y0 - 4.1 * H / 8))) == kGrey,
                 qPrintable(QStringLiteral("short tick at column %1 is gone").arg(x)));
    }
}

// A reading below the range is drawn 3 units under the baseline; the next sweep blanks it too.
void TestRealTimeGraph::underRangeTraceGoesWithTheNextSweep() {
    GraphFixture f;
    const QImage& img = f.graph()->Surface->image();
    const int x = platform::DrawSurface::toPixelX(60 + 10), under = 337 + 3, over = 337 - 264 - 5;
    for (int i = 0; i < 20; ++i)
        f.tick(i < 15 ? QStringLiteral("-5") : QStringLiteral("OL"));
    QCOMPARE(img.pixelColor(x, under), kBlack);
    QCOMPARE(img.pixelColor(platform::DrawSurface::toPixelX(60 + 17), over), kBlack);
    while (f.st().GraphSweepX != 0)
        f.tick(QStringLiteral("300"));
    for (int i = 0; i < 25; ++i)
        f.tick(QStringLiteral("300"));
    QCOMPARE(img.pixelColor(x, under), kWhite);
    QCOMPARE(img.pixelColor(platform::DrawSurface::toPixelX(60 + 17), over), kWhite);
}

void TestRealTimeGraph::printsTheWindow() {
    GraphFixture f;
    f.ticks(20);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("graph.pdf");
    platform::Printer::setOutputPdf(pdf);
    f.graph()->Toolbar1->button(QStringLiteral("Print"))->click();
    platform::Printer::setOutputPdf(QString());
    QVERIFY(QFile(pdf).size() > 0);
    QVERIFY(f.messages.boxes.isEmpty());
    QVERIFY(f.graph()->Toolbar1->isVisible());
}

void TestRealTimeGraph::failedPrintKeepsWindowAndChart() {
    GraphFixture f;
    RealTimeGraph* g = f.graph();
    f.ticks(20);
    const QImage before = g->Surface->image();
    QTemporaryDir dir;
    platform::Printer::setOutputPdf(dir.filePath("no/such/folder/graph.pdf"));
    g->Toolbar1->button(QStringLiteral("Print"))->click();
    platform::Printer::setOutputPdf(QString());
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY(f.messages.boxes[0].text.startsWith(QStringLiteral("The graph could not be printed")));
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(RealTimeGraph::current(), g);
    QVERIFY(g->isVisible());
    QVERIFY(g->Toolbar1->isVisible());
    QCOMPARE(g->Surface->image(), before);
    f.tick(QStringLiteral("5")); // and it goes on
    QCOMPARE(f.st().GraphSweepX, 20.0f);
}

void TestRealTimeGraph::followsTheMeter() {
    // The graph on the poll of the real main window: it draws what the mirror shows and
    // closes when the meter changes its unit.
    testing::PanelFixture f;
    f.meter.setFrame(standin::makeFrame(0x00, 0x40, 0x05, 0x00, 0x01, 0xCCCC, 0x8125, 0xCCCC));
    QVERIFY(f.start());
    f.panel->show();
    QVERIFY(testing::waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("812.5"); }));
    f.panel->Toolbar1->button(QStringLiteral("Graph"))->click();
    QPointer<RealTimeGraph> g = RealTimeGraph::current();
    QVERIFY(g);
    QVERIFY(testing::waitUntil([&] { return f.app.liveGraph.GraphSweepX >= 10; }));
    QCOMPARE(f.app.liveGraph.GraphReadingText, QStringLiteral("812.5"));
    QCOMPARE(f.app.liveGraph.GraphLastY, float(337 - 264 * 812.5 / 2200));
    // The meter switches to Btu.
    f.meter.setFrame(standin::makeFrame(0x00, 0x40, 0x80, 0x03, 0x01, 0xCCCC, 0x2576, 0xCCCC));
    QVERIFY(testing::waitUntil([&] { return !g || !g->isVisible(); }));
    QVERIFY(!RealTimeGraph::current());
}

void TestRealTimeGraph::screenshotAfterOneSweep() {
    GraphFixture f;
    RealTimeGraph* g = f.graph();
    QVERIFY(QTest::qWaitForWindowExposed(g));
    // A slow swell with a spike and an overload, once across and a little into the next sweep.
    for (int i = 0; i < 361 + 40; ++i) {
        QString reading = QString::number(1100 + 700 * std::sin(i / 40.0), 'f', 1);
        if (i == 200)
            reading = QStringLiteral("OL");
        f.tick(reading);
    }
    const QString path = testing::artifactsDir() + QStringLiteral("/live_graph.png");
    QVERIFY(g->grab().save(path));
    qInfo("live graph picture: %s", qPrintable(path));
}

QTEST_MAIN(TestRealTimeGraph)
#include "test_real_time_graph.moc"
