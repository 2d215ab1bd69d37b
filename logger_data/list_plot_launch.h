// Where the list windows hand over to the plot window.
#pragma once

#include <functional>

struct LoggerContext;
namespace platform {
class Form;
}

// Unloads the plot window if it is shown, so the next plot starts afresh.
void UnloadListPlot(LoggerContext& ctx);
// Shows the plot window (modeless) on what PlotState holds: a new one, or the one a failed
// plot hid, drawn again.
void ShowListPlot(LoggerContext& ctx);
// A list's "Plot" over its `records` data rows: refused with a box when there are none, else the
// plot window anew. `metric` is asked once the old plot is gone.
void PlotList(platform::Form& list, LoggerContext& ctx, float records, bool fromFile,
              const std::function<bool()>& metric);
