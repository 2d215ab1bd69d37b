#include "logger_data/list_plot_launch.h"

#include "logger_data/logger_context.h"

// PLOT WINDOW GOES HERE: the plot window is not built yet. Unload a visible ListPlot in the first
// function and create, register (ctx.listPlot) and show it in the second.
void UnloadListPlot(LoggerContext& ctx) {
    (void)ctx;
}

void ShowListPlot(LoggerContext& ctx) {
    (void)ctx;
}
