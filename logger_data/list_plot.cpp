#include "logger_data/list_plot.h"

#include "logger_data/chart_toolbar.h"
#include "logger_data/data_list.h"
#include "logger_data/file_list.h"
#include "logger_data/logger_context.h"
#include "logger_data/number_text.h"
#include "logger_data/plot_range.h"
#include "meter_link/meter_line.h"
#include "logger_data/plot_rules.h"
#include "platform/clock.h"
#include "platform/draw_surface.h"
#include "platform/grid.h"
#include "platform/pump.h"
#include "platform/twips.h"

#include <QPointer>
#include <QResizeEvent>
#include <cmath>

using platform::DrawSurface;
using platform::px;
using platform::rectTwips;

namespace {
constexpr double kPumpEverySeconds = 0.02;
constexpr double kShowEverySeconds = 0.05;
} // namespace

ListPlot::ListPlot(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    setObjectName(QStringLiteral("ListPlot"));
    setWindowFlags(Qt::Window);
    setWindowTitle(QString::fromLatin1(Caption));
    // The default window font of the other windows; the toolkit's own is wider, and the value
    // labels then run into the axis.
    setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 8.25));
    resize(px(ClientWidthTwips), px(ClientHeightTwips));

    Surface = BuildChartSurface(*this);
    Toolbar1 =
        BuildChartToolbar(*this, ImageList1, [this](const QString& key) { Toolbar1_ButtonClick(key); });

    // Resizes come in bursts while the user drags; the chart is drawn once they stop, and only
    // after the window is on the screen.
    redrawLater_.setSingleShot(true);
    redrawLater_.setInterval(0);
    connect(&redrawLater_, &QTimer::timeout, this, [this] { Form_Resize(); });

    Form_Load();
}

void ListPlot::Form_Load() {
    platform::placeBesideMainWindow(*this, ctx_.panel, platform::TopEdge::ScreenTop);
    ctx_.app->liveGraph.GridColor = DefaultGridColor;
}

void ListPlot::resizeEvent(QResizeEvent* e) {
    platform::Form::resizeEvent(e);
    Toolbar1->setGeometry(0, 0, width(), Toolbar1->height());
    // A running plot would go on with the old geometry: it stops and starts again at this size.
    if (plotting_)
        resizedWhilePlotting_ = true;
    else
        redrawLater_.start();
}

bool ListPlot::snapToMinimumSize() {
    const double outerW = platform::toTwips(width()) + BorderWidthTwips;
    const double outerH = platform::toTwips(height()) + BorderHeightTwips;
    if (!PlotBelowMinimumSize(outerW, outerH))
        return false;
    resize(px(PlotMinOuterWidthTwips - BorderWidthTwips), px(PlotMinOuterHeightTwips - BorderHeightTwips));
    return true;
}

void ListPlot::Form_Resize() {
    redrawLater_.stop();
    if (plotting_) {
        resizedWhilePlotting_ = true;
        return;
    }
    if (isMinimized() || isUnloaded())
        return;
    Hold hold(*this);
    do {
        resizedWhilePlotting_ = false;
        Surface->setGeometry(rect());
        PlotState& p = ctx_.app->plot;
        FrameSteps steps;
        steps.minimumSize = [this] { return !snapToMinimumSize(); };
        steps.beforeCaption = [&p](const PlotGeometry& g) {
            // Without records there is no step between them; the frame stands alone.
            p.PlotStepX = p.PlotRecordCount >= 1 ? static_cast<float>(g.W / p.PlotRecordCount) : 0;
            p.LastPointX = 0;
            p.PointOffsetX = -p.PlotStepX;
        };
        const std::optional<PlotGeometry> g = DrawPlotFrame(*Surface, NumberOf(p.PlotValueMin),
                                                            NumberOf(p.PlotValueMax), p.PlotUnitLabel, steps);
        if (!g)
            break; // the snap brings a resize of its own
        geometry_ = *g;
        p.PlotOriginX = g->X0;
        p.PlotOriginY = g->Y0;
        p.PlotWidth = g->W;
        p.PlotHeight = g->H;
        if (p.PlotRecordCount < 1)
            break;
        platform::Grid* grid = sourceGrid();
        if (!grid) {
            failPlot();
            break;
        }
        PlotGrid(*grid);
    } while (resizedWhilePlotting_ && !hold.gone());
    if (!hold.gone())
        emit redrawn();
}

platform::Grid* ListPlot::sourceGrid() const {
    const PlotState& p = ctx_.app->plot;
    if (p.PlotFromFile)
        return ctx_.fileList && !ctx_.fileList->isUnloaded() ? ctx_.fileList->Grid : nullptr;
    if (!ctx_.dataList || ctx_.dataList->isUnloaded())
        return nullptr;
    return p.PlotUnitLabel.contains(QLatin1Char('M'), Qt::CaseSensitive) ? ctx_.dataList->GridM
                                                                         : ctx_.dataList->GridI;
}

void ListPlot::stopMainTimers() {
    if (ctx_.line) {
        ctx_.line->pausePolling();
        ctx_.line->pauseSampler();
    }
}

void ListPlot::startMainTimers() {
    if (ctx_.line) {
        ctx_.line->resumePolling();
        ctx_.line->resumeSampler();
    }
}

void ListPlot::failPlot() {
    // The partial chart stays in the hidden window; the progress caption stays too.
    if (isVisible())
        hide();
    startMainTimers();
}

namespace {
// A cell of the source list, read through the grid's cell API only.
QString cellOf(const platform::Grid& grid, long long row, int col) {
    return grid.textAt(static_cast<int>(row), col);
}
} // namespace

void ListPlot::PlotGrid(platform::Grid& grid) {
    PlotState& p = ctx_.app->plot;
    const QString caption = windowTitle();
    stopMainTimers();
    plotting_ = true;

    Hold hold(*this);
    QPointer<platform::Grid> source(&grid);
    QPointer<DrawSurface> surface(Surface);
    const PlotGeometry g = geometry_;
    const double min = NumberOf(p.PlotValueMin);
    const double max = NumberOf(p.PlotValueMax);
    const QColor black(0, 0, 0);
    const double gridColor = ctx_.app->liveGraph.GridColor;
    const QColor gridColour = platform::QBColor(static_cast<int>(RoundHalfEven(gridColor)));
    const long long from = std::llround(p.PlotFromRecord);
    const long long to = std::llround(p.PlotToRecord);
    const long long n = std::llround(p.PlotRecordCount);
    double lastY = 0;
    long long rows = source->rows();

    // Every record redraws the grid before its point, so the finished chart shows the grid over
    // all but the last record's drawing: the grid is drawn where events are pumped (for the
    // chart so far) and once more before the last record, which gives the same picture.
    // Events are pumped often enough for a close, resize or click to act at once; the caption
    // and the picture on the screen change only as often as a person can see.
    double nextPump = 0;
    double nextShow = 0;
    const auto end = [&] {
        plotting_ = false;
        if (surface)
            surface->endBatch();
    };
    const auto leaveRowAt = [&](long long row) {
        if (source && row >= 1 && row < source->rows())
            source->setRow(static_cast<int>(row));
    };

    Surface->beginBatch();
    long long i = from;
    for (; i <= to; ++i) {
        const double now = platform::monotonicSeconds();
        bool gridDrawn = false;
        if (i == from || now >= nextPump) {
            const bool show = i == from || now >= nextShow;
            if (show) {
                setWindowTitle(PlotProgressCaption(i));
                nextShow = now + kShowEverySeconds;
            }
            Surface->endBatch(show);
            leaveRowAt(i - 1);
            platform::pumpEvents();
            if (hold.gone()) {
                // Unloaded from inside the pump: draw nothing more, but give the main window back
                // its poll and sampler.
                end();
                startMainTimers();
                return;
            }
            if (resizedWhilePlotting_)
                break; // the redraw starts over at the new size
            if (!source) {
                end();
                failPlot();
                return;
            }
            rows = source->rows();
            nextPump = platform::monotonicSeconds() + kPumpEverySeconds;
            Surface->beginBatch();
            DrawPlotGrid(*Surface, g, gridColor);
            gridDrawn = true;
        }
        if (i < 1 || i >= rows) {
            leaveRowAt(i - 1);
            end();
            failPlot();
            return;
        }
        p.PointOffsetX += p.PlotStepX;
        const double x = g.X0 + p.PointOffsetX;
        if (i == to && !gridDrawn)
            DrawPlotGrid(*Surface, g, gridColor);

        const double height = PlotReadingHeight(cellOf(*source, i, 2), min, max, g.H);
        if (p.LastPointX != 0 && p.PointOffsetX != 0)
            Surface->Line(p.LastPointX, lastY, x, g.Y0 - height, black);
        lastY = g.Y0 - height;
        p.LastPointX = static_cast<float>(x);
        Surface->ForeColor = black;

        switch (PlotTimeMark(i - from + 1, n)) {
        case TimeMark::Label: {
            DrawTimeLine(*Surface, g, x, gridColour);
            const QString time = cellOf(*source, i, 1).right(8);
            const double w = Surface->TextWidth(time);
            Surface->CurrentX = x - w / 2 - (i == from ? 10 : 0) - (i == to ? 10 : 0);
            Surface->CurrentY = g.Y0 + 10;
            Surface->ForeColor = black;
            Surface->Print(time);
            break;
        }
        case TimeMark::Tick:
            DrawTimeTick(*Surface, g, x, gridColour);
            break;
        case TimeMark::None:
            break;
        }
    }
    // The list is left on the last record plotted, at the column read last.
    leaveRowAt(std::min(i, to));
    if (source)
        source->setCol(i > to && PlotTimeMark(to - from + 1, n) == TimeMark::Label ? 1 : 2);
    end();
    setWindowTitle(caption);
    startMainTimers();
}

void ListPlot::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Limit")) {
        ShowPlotRange(ctx_);
    } else if (key == QLatin1String("Print")) {
        PrintChart(*this, *Toolbar1, *Surface, QStringLiteral("The chart could not be printed: %1"));
    }
}
