// The plot window: one list (the file list's grid, or the data list's grid of the plot's unit)
// drawn as a line chart over a range of records, with the times of chosen records under the
// time axis. Every resize draws the whole chart again.
#pragma once

#include "logger_data/chart_frame.h"
#include "platform/form.h"
#include "platform/toolbar.h"

#include <QTimer>

struct LoggerContext;
namespace platform {
class DrawSurface;
class Grid;
} // namespace platform

class ListPlot : public platform::Form {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; Form_Load runs here. The chart is drawn
    // once the window is shown.
    explicit ListPlot(LoggerContext& ctx);

    void Form_Load();
    // The full redraw: frame, then PlotGrid over the source grid.
    void Form_Resize();
    // Draws the records PlotFromRecord to PlotToRecord of `grid`.
    void PlotGrid(platform::Grid& grid);
    void Toolbar1_ButtonClick(const QString& key);

    // True while PlotGrid runs or a redraw is due: the chart is not yet what the window shows.
    bool plotting() const { return plotting_ || redrawLater_.isActive(); }

    platform::Toolbar* Toolbar1 = nullptr;
    platform::DrawSurface* Surface = nullptr; // the client area the chart is drawn on
    platform::ImageList ImageList1;

    static constexpr const char* Caption = "Plot Data/File ";
    static constexpr int ClientWidthTwips = 5880;
    static constexpr int ClientHeightTwips = 5460;
    // The outer size is counted with the standard window borders, whatever the desktop draws.
    static constexpr int BorderWidthTwips = 120;
    static constexpr int BorderHeightTwips = 405;

signals:
    // A redraw ended: the chart is complete, or the plot stopped.
    void redrawn();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    bool snapToMinimumSize();
    platform::Grid* sourceGrid() const;
    void startMainTimers();
    void stopMainTimers();
    void failPlot();

    LoggerContext& ctx_;
    PlotGeometry geometry_;
    QTimer redrawLater_;
    bool plotting_ = false;
    bool resizedWhilePlotting_ = false;
};
