#include "logger_data/data_list.h"

#include "logger_data/file_transfer.h"
#include "logger_data/list_frame.h"
#include "logger_data/list_header.h"
#include "logger_data/list_plot_launch.h"
#include "logger_data/logger_context.h"
#include "platform/grid.h"

DataList::DataList(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    BuildListFrame(*this, QStringLiteral("DataList"), QString::fromLatin1(Caption));

    Toolbar1 = BuildWindowToolbar(*this, ImageList1,
                                  {{"Save", "Save As", ":/toolbar/save.png"},
                                   {"Plot", "Plot", ":/toolbar/plot.png"},
                                   {"Print", "Print", ":/toolbar/print.png"},
                                   {"Unit", "Unit", ":/toolbar/unit.png"}},
                                  [this](const QString& key) { Toolbar1_ButtonClick(key); });

    GridM = BuildListGrid(*this, QStringLiteral("GridM"));
    GridI = BuildListGrid(*this, QStringLiteral("GridI"));

    Form_Load();
}

void DataList::Form_Load() {
    move(0, 0);
    ApplyListHeader(*this, *GridM, QStringLiteral("W/(M)2"));
    ApplyListHeader(*this, *GridI, QStringLiteral("Btu/((ft)2.h)"));
    showUnitGrid();
}

platform::Grid* DataList::shownGrid() const {
    return ctx_.app->logger.ListUnitMetric ? GridM : GridI;
}

void DataList::showUnitGrid() {
    const bool metric = ctx_.app->logger.ListUnitMetric;
    GridM->setVisible(metric);
    GridI->setVisible(!metric);
}

void DataList::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Save")) {
        save();
    } else if (key == QLatin1String("Plot")) {
        plot();
    } else if (key == QLatin1String("Print")) {
        PrintGrid(*this, *shownGrid(), *ctx_.line);
    } else if (key == QLatin1String("Unit")) {
        ctx_.app->logger.ListUnitMetric = !ctx_.app->logger.ListUnitMetric;
        showUnitGrid();
    }
}

void DataList::save() {
    SaveList(*this, *shownGrid(), ctx_.app->recording, *ctx_.Cmd1);
}

void DataList::plot() {
    const bool metric = ctx_.app->logger.ListUnitMetric;
    PlotList(*this, ctx_, static_cast<float>(shownGrid()->rows() - 1), false, [metric] { return metric; });
}
