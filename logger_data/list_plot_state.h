// What the list windows' "Plot" hands the plot window.
#pragma once

#include "meter_link/records.h"

#include <QString>

// Sets the value range, unit label and record range for a plot of `recordCount` data rows, in
// W/m² when `metric` is set, else in Btu/(ft²·h).
void SetPlotState(PlotState& plot, bool fromFile, bool metric, float recordCount);

// The file list's unit header names W/m² when it holds a capital M.
inline bool IsMetricHeader(const QString& header) {
    return header.contains(QLatin1Char('M'), Qt::CaseSensitive);
}

// The box shown instead of a plot of a list without data rows.
inline const char* const NoRecordsToPlot = "There are no records to plot.";
