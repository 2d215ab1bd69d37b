#include "logger_data/plot_rules.h"

#include "logger_data/chart_frame.h"
#include "logger_data/number_text.h"

namespace {
ReadingRange classify(const QString& text, double v, double min, double max) {
    if (text == QLatin1String("OL") || text == QLatin1String("----") || v > max)
        return ReadingRange::Over;
    if (text == QLatin1String("-OL") || v < min)
        return ReadingRange::Under;
    return ReadingRange::Inside;
}
} // namespace

ReadingRange ClassifyPlotReading(const QString& text, double min, double max) {
    return classify(text, LeadingNumber(text), min, max);
}

double PlotReadingHeight(const QString& text, double min, double max, double h) {
    const double v = LeadingNumber(text);
    switch (classify(text, v, min, max)) {
    case ReadingRange::Over:
        return OverRangeHeight(h);
    case ReadingRange::Under:
        return UnderRangeHeight;
    case ReadingRange::Inside:
        break;
    }
    return ScaleReading(v, min, max, h);
}

TimeMark PlotTimeMark(long long k, long long n) {
    if (k == 1)
        return TimeMark::Label;
    for (long long j = 1; j <= 4; ++j)
        if (k == j * n / 4)
            return TimeMark::Label;
    for (long long j = 1; j <= 8; ++j)
        if (k == j * n / 8)
            return TimeMark::Tick;
    return TimeMark::None;
}

QString PlotProgressCaption(long long row) {
    return QString::number(row) + QStringLiteral(" Records Completed");
}

bool PlotBelowMinimumSize(double outerWidthTwips, double outerHeightTwips) {
    return outerWidthTwips < PlotMinOuterWidthTwips || outerHeightTwips < PlotMinOuterHeightTwips;
}

QString CheckPlotRange(const PlotState& plot, double t1, double t2, double r1, double r2) {
    const double minAllowed = NumberOf(plot.ValueMinAllowed);
    const double maxAllowed = NumberOf(plot.ValueMaxAllowed);
    if (t1 < minAllowed || t1 >= t2 || t2 > maxAllowed)
        return QStringLiteral("Invalid, ") + ShortestNumber(NumberOf(plot.ValueMinAllowed)) +
               QStringLiteral(" <= Temperature <= ") + ShortestNumber(NumberOf(plot.ValueMaxAllowed));
    if (r1 <= 0 || r1 >= r2 || r2 > plot.RecordCount)
        return QStringLiteral("Invalid, 0 <= Records <= ") + ShortestNumber(plot.RecordCount);
    return {};
}
