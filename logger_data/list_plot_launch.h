// Where the list windows hand over to the plot window.
#pragma once

struct LoggerContext;

// Unloads the plot window if it is shown, so the next plot starts afresh.
void UnloadListPlot(LoggerContext& ctx);
// Shows the plot window (modeless) on what PlotState holds: a new one, or the one a failed
// plot hid, drawn again.
void ShowListPlot(LoggerContext& ctx);
