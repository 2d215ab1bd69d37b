#include "logger_data/list_plot_launch.h"

#include "logger_data/list_plot.h"
#include "logger_data/logger_context.h"

void UnloadListPlot(LoggerContext& ctx) {
    // A window that a failed plot hid stays loaded: the next plot shows it again.
    if (ctx.listPlot && ctx.listPlot->isVisible())
        ctx.listPlot->Unload();
}

void ShowListPlot(LoggerContext& ctx) {
    if (ctx.listPlot && !ctx.listPlot->isUnloaded()) {
        ListPlot* hidden = ctx.listPlot;
        hidden->setWindowTitle(QString::fromLatin1(ListPlot::Caption));
        hidden->show();
        // Its chart is the one that failed: draw the plot it is shown for now.
        if (!hidden->plotting())
            hidden->Form_Resize();
        return;
    }
    ctx.listPlot = new ListPlot(ctx);
    ctx.listPlot->show();
}
