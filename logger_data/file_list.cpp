#include "logger_data/file_list.h"

#include "logger_data/file_transfer.h"
#include "logger_data/list_frame.h"
#include "logger_data/list_header.h"
#include "logger_data/list_plot_launch.h"
#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "platform/grid.h"

FileList::FileList(LoggerContext& ctx) : platform::Form(ctx.panel), ctx_(ctx) {
    BuildListFrame(*this, QStringLiteral("FileList"), QString::fromLatin1(Caption));

    Toolbar1 = BuildWindowToolbar(
        *this, ImageList1,
        {{"Plot", "Plot", ":/toolbar/plot.png"}, {"Print", "Print", ":/toolbar/print.png"}},
        [this](const QString& key) { Toolbar1_ButtonClick(key); });

    Grid = BuildListGrid(*this, QStringLiteral("Grid"));

    Form_Load();
}

void FileList::Form_Load() {
    platform::placeBesideMainWindow(*this, ctx_.panel);
    ApplyListHeader(*this, *Grid, ctx_.app->display.DisplayUnitText);
}

void FileList::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Plot")) {
        plot();
    } else if (key == QLatin1String("Print")) {
        PrintGrid(*this, *Grid, *ctx_.line);
    }
}

void FileList::plot() {
    PlotList(*this, ctx_, static_cast<float>(Grid->rows() - 1), true, [this] {
        Grid->setRow(0);
        Grid->setCol(2);
        return IsMetricHeader(Grid->text());
    });
}
