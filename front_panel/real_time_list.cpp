#include "front_panel/real_time_list.h"

#include "front_panel/panel.h"
#include "logger_data/file_transfer.h"
#include "logger_data/list_frame.h"
#include "logger_data/list_header.h"

RealTimeList::RealTimeList(AppState& app, Panel& panel) : platform::Form(&panel), app_(app), panel_(panel) {
    BuildListFrame(*this, QStringLiteral("RealTimeList"), QString::fromLatin1(Caption));
    Toolbar1 = BuildWindowToolbar(
        *this, ImageList1,
        {{"Save", "Save As", ":/toolbar/save.png"}, {"Print", "Print", ":/toolbar/print.png"}},
        [this](const QString& key) { Toolbar1_ButtonClick(key); });
    // The sampler starts scrolling at the 16th row: 15 data rows show, so the newest is in view.
    Grid = BuildListGrid(*this, QStringLiteral("Grid"));

    Form_Load();
}

void RealTimeList::Form_Load() {
    platform::placeBesideMainWindow(*this, &panel_);
    ApplyListHeader(*this, *Grid, app_.display.DisplayUnitText);
}

void RealTimeList::Form_Unload() {
    app_.liveList.ListOpen = false;
    app_.liveList.ListCount = 0;
}

void RealTimeList::Toolbar1_ButtonClick(const QString& key) {
    // Each branch's nested loops may unload this window; held, it stays alive until they end.
    Hold hold(*this);
    if (key == QLatin1String("Save")) {
        SaveList(*this, *Grid, app_.recording, *panel_.Cmd1);
    } else if (key == QLatin1String("Print")) {
        PrintGrid(*this, *Grid, panel_.line);
    }
}
