#include "logger_data/list_plot_state.h"

#include <cstdint>

void SetPlotState(PlotState& plot, bool fromFile, bool metric, float recordCount) {
    plot.PlotFromFile = fromFile;
    if (metric) {
        plot.ValueMaxAllowed = QVariant::fromValue<std::int16_t>(2200);
        plot.PlotUnitLabel = QStringLiteral("W/(M)2");
    } else {
        plot.ValueMaxAllowed = QVariant::fromValue<double>(697.4);
        plot.PlotUnitLabel = QStringLiteral("Btu/((ft)2.h)");
    }
    plot.RecordCount = recordCount;
    plot.ValueMinAllowed = QVariant::fromValue<std::int16_t>(0);
    plot.PlotValueMax = plot.ValueMaxAllowed;
    plot.PlotValueMin = plot.ValueMinAllowed;
    plot.PlotFromRecord = 1;
    plot.PlotRecordCount = plot.RecordCount;
    plot.PlotToRecord = plot.RecordCount;
}
