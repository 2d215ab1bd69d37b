#include "front_panel/real_time_graph.h"

#include "front_panel/panel.h"
#include "front_panel/real_time_range.h"
#include "logger_data/chart_toolbar.h"
#include "logger_data/number_text.h"
#include "meter_link/settled_unit.h"
#include "platform/clock.h"
#include "platform/draw_surface.h"
#include "platform/twips.h"

#include <QResizeEvent>
#include <algorithm>

using platform::px;
using platform::QBColor;

namespace {
QPointer<RealTimeGraph> openGraph;
constexpr int kWhite = 15;
constexpr int kRed = 12;
} // namespace

RealTimeGraph* RealTimeGraph::current() {
    return openGraph && !openGraph->isUnloaded() ? openGraph.data() : nullptr;
}

RealTimeGraph::RealTimeGraph(AppState& app, Panel& panel) : platform::Form(&panel), app_(app), panel_(panel) {
    setObjectName(QStringLiteral("RealTimeGraph"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QString::fromLatin1(Caption));
    setFont(platform::designFont(QStringLiteral("Times New Roman"), 8.25));
    platform::fillBackground(*this, QColor(255, 255, 255));
    resize(px(ClientWidthTwips), px(ClientHeightTwips));
    setMinimumSize(px(MinClientWidthTwips), px(MinClientHeightTwips));

    Surface = BuildChartSurface(*this);
    Toolbar1 =
        BuildChartToolbar(*this, ImageList1, [this](const QString& key) { Toolbar1_ButtonClick(key); });

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(0);
    connect(&Timer1, &QTimer::timeout, this, &RealTimeGraph::Timer1_Timer);

    Form_Load();
}

void RealTimeGraph::Form_Load() {
    platform::placeBesideMainWindow(*this, &panel_, platform::TopEdge::ScreenTop);
    app_.liveGraph.GridColor = DefaultGridColor;
    app_.liveGraph.GraphSweepX = -app_.liveGraph.GraphStepX;
}

void RealTimeGraph::resizeEvent(QResizeEvent* e) {
    platform::Form::resizeEvent(e);
    Form_Resize();
}

PlotGeometry RealTimeGraph::plotGeometry() const {
    const LiveGraphState& st = app_.liveGraph;
    return PlotGeometry{st.GraphX0, st.GraphY0, st.GraphPlotWidth, st.GraphPlotHeight};
}

void RealTimeGraph::Form_Resize() {
    LiveGraphState& st = app_.liveGraph;
    Surface->setGeometry(rect());
    Toolbar1->setGeometry(0, 0, width(), Toolbar1->height());

    FrameSteps steps;
    steps.minimumSize = [this] {
        // A size set here redraws in full by itself; this run then goes on at the size in force.
        if (width() < px(MinClientWidthTwips))
            resize(px(MinClientWidthTwips), height());
        if (height() < px(MinClientHeightTwips))
            resize(width(), px(MinClientHeightTwips));
        Surface->setGeometry(rect());
        Toolbar1->setGeometry(0, 0, width(), Toolbar1->height());
        return true;
    };
    steps.beforeCaption = [this, &st](const PlotGeometry& g) {
        st.GraphX0 = g.X0;
        st.GraphY0 = g.Y0;
        st.GraphPlotWidth = static_cast<float>(g.W);
        st.GraphPlotHeight = static_cast<float>(g.H);
        Surface->FillRect(g.X0, g.Y0, g.X0 + g.W, g.Y0 - g.H, QBColor(kWhite));
        st.GraphLastX = 0;
        st.GraphSweepX = -st.GraphStepX;
    };
    DrawPlotFrame(*Surface, NumberOf(st.GraphMin), NumberOf(st.GraphMax), app_.display.DisplayUnitText,
                  steps);
}

QString RealTimeGraph::ValueTextOf(const QString& reading) {
    const qsizetype comma = reading.indexOf(QLatin1Char(','));
    if (comma < 0)
        return reading;
    if (comma == reading.size() - 1)
        return reading.left(reading.size() - 1);
    if (comma == 0)
        return QStringLiteral("0.") + reading.mid(1);
    return reading.left(comma) + QLatin1Char('.') + reading.mid(comma + 1);
}

void RealTimeGraph::Timer1_Timer() {
    LiveGraphState& st = app_.liveGraph;
    if (st.GraphUnit != UnitInForce(app_.display)) {
        if (RealTimeRange* range = RealTimeRange::current())
            range->Unload();
        Unload();
        return;
    }

    platform::DrawSurface& s = *Surface;
    const double X0 = st.GraphX0, Y0 = st.GraphY0;
    const float W = st.GraphPlotWidth, H = st.GraphPlotHeight, d = st.GraphStepX;

    float S = st.GraphSweepX + d;
    if (S >= W) {
        s.FillRect(X0 + S, Y0 + 3, X0 + S + 2 + d, Y0 - H - 5, QBColor(kWhite));
        S = 0;
    }
    st.GraphSweepX = S;

    // The cursor is a line one unit wide, but never narrower than a pixel: a unit is less than
    // a pixel, and the blank strip drawn over it would otherwise hide it on some ticks.
    const double px = platform::DrawSurface::UnitsPerPixelX;
    s.FillRect(X0 + S + 1, Y0 + 3, X0 + S + d + std::max(1.0, px), Y0 - H - 5, QBColor(kRed));
    // The strip ahead of the write position is blanked column by column as the sweep enters it;
    // a new sweep also blanks the column the left edge lies in, which no strip before it holds.
    s.FillRect(X0 + S - (S == 0 ? px : 0), Y0 + 3, X0 + S + d, Y0 - H - 5, QBColor(kWhite));

    const PlotGeometry g = plotGeometry();
    DrawPlotGrid(s, g, st.GridColor);

    st.GraphReadingText = panel_.LblValue->text();
    st.GraphValueText = ValueTextOf(st.GraphReadingText);

    const double v = LeadingNumber(st.GraphValueText);
    const double max = NumberOf(st.GraphMax), min = NumberOf(st.GraphMin);
    double y;
    if (v > max || st.GraphReadingText.contains(QLatin1Char('L')))
        y = OverRangeHeight(H);
    else if (v < min)
        y = UnderRangeHeight;
    else
        y = ScaleReading(v, min, max, H);

    if (st.GraphLastX != 0 && S != 0)
        s.Line(st.GraphLastX, st.GraphLastY, X0 + S, Y0 - y, QColor(0, 0, 0));
    st.GraphLastY = static_cast<float>(Y0 - y);
    st.GraphLastX = static_cast<float>(X0 + S);

    const QColor grid = QBColor(static_cast<int>(RoundHalfEven(st.GridColor)));
    const auto n = static_cast<long long>(RoundHalfEven(S));
    if (n % 60 == 0) {
        DrawTimeLine(s, g, X0 + S, grid);
        TimeLabel = platform::currentDateTime().time().toString(QStringLiteral("hh:mm:ss"));
        const double w = s.TextWidth(TimeLabel);
        s.FillRect(X0 + S - w / 2, Y0 + 10, X0 + S + w / 2, Y0 + 20, QBColor(kWhite));
        s.ForeColor = QColor(0, 0, 0);
        s.CurrentX = X0 + S - w / 2 - 5;
        s.CurrentY = Y0 + 10;
        s.Print(TimeLabel);
    } else if (n % 30 == 0) {
        DrawTimeTick(s, g, X0 + S, grid);
    }
}

void RealTimeGraph::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Limit")) {
        ShowRealTimeRange(app_, panel_);
    } else if (key == QLatin1String("Print")) {
        PrintChart(*this, *Toolbar1, *Surface, QStringLiteral("The graph could not be printed: %1"));
    }
}

void RealTimeGraph::Form_Unload() {
    Timer1.stop();
}

RealTimeGraph* ShowLiveGraph(AppState& app, Panel& panel) {
    if (RealTimeGraph* old = RealTimeGraph::current())
        old->Unload();
    auto* graph = new RealTimeGraph(app, panel);
    openGraph = graph;
    graph->show();
    graph->Timer1.setInterval(panel.Timer1.interval());
    graph->Timer1.start();
    return graph;
}

void OpenLiveGraph(AppState& app, Panel& panel) {
    LiveGraphState& st = app.liveGraph;
    if (RealTimeGraph* old = RealTimeGraph::current())
        old->Unload();
    st.GraphUnit = UnitInForce(app.display);
    st.GraphFullMax = app.display.AnnPerM2 ? 2200.0 : 697.4;
    st.GraphFullMin = 0;
    st.GraphMax = st.GraphFullMax;
    st.GraphMin = st.GraphFullMin;
    st.GraphStepX = 1.0f;
    ShowLiveGraph(app, panel);
}
