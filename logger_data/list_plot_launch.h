// Where the list windows hand over to the plot window.
#pragma once

struct LoggerContext;

// Unloads the plot window if it is open, so the next plot starts afresh.
void UnloadListPlot(LoggerContext& ctx);
// Shows a new plot window (modeless) on what PlotState holds.
void ShowListPlot(LoggerContext& ctx);
