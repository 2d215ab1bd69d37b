// The real-time list: one row per PC sample (number, sample time, reading), appended by the
// main window's sampler. Its rows live only in its grid and are gone when it closes.
#pragma once

#include "meter_link/records.h"
#include "platform/form.h"
#include "platform/grid.h"
#include "platform/toolbar.h"

class Panel;

// The sampler may unload it at any time, also while its own dialog, a box or its print runs: it
// then hides at once and goes once that code is done (platform::Form).
class RealTimeList : public platform::Form {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; it deletes itself once unloaded.
    RealTimeList(AppState& app, Panel& panel);

    void Form_Load();
    void Form_Unload() override;
    void Toolbar1_ButtonClick(const QString& key);

    platform::Toolbar* Toolbar1 = nullptr;
    platform::Grid* Grid = nullptr;
    platform::ImageList ImageList1;

    static constexpr const char* Caption = "Real Time List";

private:
    AppState& app_;
    Panel& panel_;
};
