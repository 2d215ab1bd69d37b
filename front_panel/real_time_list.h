// The real-time list: one row per PC sample (number, sample time, reading), appended by the
// main window's sampler. Its rows live only in its grid and are gone when it closes.
#pragma once

#include "meter_link/records.h"
#include "platform/grid.h"
#include "platform/toolbar.h"

#include <QWidget>

class QCloseEvent;
class Panel;

class RealTimeList : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; it deletes itself when closed.
    RealTimeList(AppState& app, Panel& panel);

    void Form_Load();
    void Form_Unload();
    void Toolbar1_ButtonClick(const QString& key);

    platform::Toolbar* Toolbar1 = nullptr;
    platform::Grid* Grid = nullptr;
    platform::ImageList ImageList1;

    static constexpr const char* Caption = "Real Time List";
    static constexpr int ClientWidthTwips = 2790;
    static constexpr int ClientHeightTwips = 4065;

signals:
    // The window has closed; it is deleted once control is back in the event loop.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    AppState& app_;
    Panel& panel_;
};
