// The data list: one decoded logger set, in W/m² (GridM) and in Btu/(ft²·h) (GridI), one grid
// shown at a time. The logger window fills both grids; the grids are the only store of the rows.
#pragma once

#include "platform/form.h"
#include "platform/toolbar.h"

struct LoggerContext;
namespace platform {
class Grid;
}

class DataList : public platform::Form {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; Form_Load runs here.
    explicit DataList(LoggerContext& ctx);

    void Form_Load();
    void Toolbar1_ButtonClick(const QString& key);

    // The grid the user sees now: GridM while ListUnitMetric is set, else GridI.
    platform::Grid* shownGrid() const;

    platform::Toolbar* Toolbar1 = nullptr;
    platform::Grid* GridM = nullptr;
    platform::Grid* GridI = nullptr;
    platform::ImageList ImageList1;

    static constexpr const char* Caption = "Data List";

private:
    void showUnitGrid();
    void save();
    void plot();

    LoggerContext& ctx_;
};
