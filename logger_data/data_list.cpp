#include "logger_data/data_list.h"

#include "logger_data/file_transfer.h"
#include "logger_data/list_frame.h"
#include "logger_data/list_header.h"
#include "logger_data/list_plot_launch.h"
#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "platform/grid.h"
#include "platform/message_box.h"

DataList::DataList(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    BuildListFrame(*this, QStringLiteral("DataList"), QString::fromLatin1(Caption));

    ImageList1.add(QIcon(QStringLiteral(":/toolbar/save.png")));
    ImageList1.add(QIcon(QStringLiteral(":/toolbar/plot.png")));
    ImageList1.add(QIcon(QStringLiteral(":/toolbar/print.png")));
    ImageList1.add(QIcon(QStringLiteral(":/toolbar/unit.png")));
    Toolbar1 = BuildListToolbar(*this, ImageList1);
    Toolbar1->addButton(QStringLiteral("Save"), QStringLiteral("Save As"), 1);
    Toolbar1->addButton(QStringLiteral("Plot"), QStringLiteral("Plot"), 2);
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"), 3);
    Toolbar1->addButton(QStringLiteral("Unit"), QStringLiteral("Unit"), 4);
    connect(Toolbar1, &platform::Toolbar::buttonClick, this,
            [this](platform::ToolbarButton* b) { Toolbar1_ButtonClick(b->key()); });

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
        Hold hold(*this);
        PrintGrid(*this, *shownGrid(), *ctx_.Timer1);
    } else if (key == QLatin1String("Unit")) {
        ctx_.app->logger.ListUnitMetric = !ctx_.app->logger.ListUnitMetric;
        showUnitGrid();
    }
}

void DataList::save() {
    RecordingState& rec = ctx_.app->recording;
    Hold hold(*this);
    if (rec.Recording) {
        platform::msgBox(this, QStringLiteral("Aready in recording mode, close it and try again !"),
                         platform::MsgIcon::Critical);
        return;
    }
    platform::setBusyPointer(true);
    // A cancel must not fall back on a file chosen earlier.
    rec.FileChosen = false;
    AskSaveFileName(*ctx_.Cmd1, rec);
    if (hold.gone()) {
        rec.FileChosen = false;
        platform::setBusyPointer(false);
        return;
    }
    if (rec.FileChosen)
        SaveGridToFile(*this, *shownGrid(), rec);
    platform::setBusyPointer(false);
}

void DataList::plot() {
    const bool metric = ctx_.app->logger.ListUnitMetric;
    const float records = static_cast<float>(shownGrid()->rows() - 1);
    if (records < 1) {
        // The plot steps by the record count; a list without data rows has nothing to draw.
        Hold hold(*this);
        platform::msgBox(this, QString::fromLatin1(NoRecordsToPlot), platform::MsgIcon::Critical);
        return;
    }
    UnloadListPlot(ctx_);
    SetPlotState(ctx_.app->plot, false, metric, records);
    ShowListPlot(ctx_);
}
