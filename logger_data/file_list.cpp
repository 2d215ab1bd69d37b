#include "logger_data/file_list.h"

#include "logger_data/file_transfer.h"
#include "logger_data/list_frame.h"
#include "logger_data/list_header.h"
#include "logger_data/list_plot_launch.h"
#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "platform/grid.h"
#include "platform/message_box.h"

FileList::FileList(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    BuildListFrame(*this, QStringLiteral("FileList"), QString::fromLatin1(Caption));

    ImageList1.add(QIcon(QStringLiteral(":/toolbar/plot.png")));
    ImageList1.add(QIcon(QStringLiteral(":/toolbar/print.png")));
    Toolbar1 = BuildListToolbar(*this, ImageList1);
    Toolbar1->addButton(QStringLiteral("Plot"), QStringLiteral("Plot"), 1);
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"), 2);
    connect(Toolbar1, &platform::Toolbar::buttonClick, this,
            [this](platform::ToolbarButton* b) { Toolbar1_ButtonClick(b->key()); });

    Grid = BuildListGrid(*this, QStringLiteral("Grid"));

    Form_Load();
}

void FileList::Form_Load() {
    // Just right of the main window, top edges level.
    QWidget& panel = *ctx_.panel;
    move(panel.x() + panel.frameGeometry().width(), panel.y());
    ApplyListHeader(*this, *Grid, ctx_.app->display.DisplayUnitText);
}

void FileList::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Plot")) {
        plot();
    } else if (key == QLatin1String("Print")) {
        Hold hold(*this);
        PrintGrid(*this, *Grid, *ctx_.Timer1);
    }
}

void FileList::plot() {
    const float records = static_cast<float>(Grid->rows() - 1);
    if (records < 1) {
        // The plot steps by the record count; a list without data rows has nothing to draw.
        Hold hold(*this);
        platform::msgBox(this, QString::fromLatin1(NoRecordsToPlot), platform::MsgIcon::Critical);
        return;
    }
    UnloadListPlot(ctx_);
    Grid->setRow(0);
    Grid->setCol(2);
    SetPlotState(ctx_.app->plot, true, IsMetricHeader(Grid->text()), records);
    ShowListPlot(ctx_);
}
