// The live graph: the main window's reading swept from left to right against time, one step per
// tick, wrapping at the right edge with a red cursor at the write position. It closes itself when
// the meter changes its unit.
#pragma once

#include "logger_data/chart_frame.h"
#include "meter_link/records.h"
#include "platform/form.h"
#include "platform/toolbar.h"

#include <QPointer>
#include <QString>
#include <QTimer>

class Panel;
class QResizeEvent;
namespace platform {
class DrawSurface;
}

class RealTimeGraph : public platform::Form {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; it is deleted once unloaded.
    RealTimeGraph(AppState& app, Panel& panel);

    void Form_Load();
    void Form_Resize();
    void Timer1_Timer();
    void Toolbar1_ButtonClick(const QString& key);

    // The reading text with a decimal comma turned into a point.
    static QString ValueTextOf(const QString& reading);

    // The open graph, or nullptr; there is one at most.
    static RealTimeGraph* current();

    platform::Toolbar* Toolbar1 = nullptr;
    platform::ImageList ImageList1;
    platform::DrawSurface* Surface = nullptr; // the client area's drawing
    QTimer Timer1;
    QString TimeLabel;

    static constexpr const char* Caption = "Real Time Graph ";
    static constexpr int ClientWidthTwips = 5235;
    static constexpr int ClientHeightTwips = 5460;
    // The smallest outer size, less the window's design frame: the creation client size.
    static constexpr int MinClientWidthTwips = 5355 - 120;
    static constexpr int MinClientHeightTwips = 5865 - 405;

protected:
    void Form_Unload() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PlotGeometry plotGeometry() const;

    AppState& app_;
    Panel& panel_;
};

// The main toolbar's "Graph": a fresh graph over the full range of the current unit.
void OpenLiveGraph(AppState& app, Panel& panel);
// Unloads a showing graph and shows a new one with the unit, ranges and step now in the record,
// ticking at the main window's poll interval.
RealTimeGraph* ShowLiveGraph(AppState& app, Panel& panel);
