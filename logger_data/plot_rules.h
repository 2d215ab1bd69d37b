// The plot's rules that need no window: where a record's reading and time mark go, the progress caption, the
// plot window's minimum size and the range dialog's checks.
#pragma once

#include "meter_link/records.h"

#include <QString>

// Where a reading is drawn: inside the value range, above it ("OL", "----" or more than the
// top) or below it ("-OL" or less than the bottom).
enum class ReadingRange { Inside, Over, Under };
ReadingRange ClassifyPlotReading(const QString& text, double min, double max);
// Height above the baseline of a reading in a plot area of height `h`: over range 5 units
// above the top, under range 3 units below the baseline.
double PlotReadingHeight(const QString& text, double min, double max, double h);

// The mark record k (1-based place in the plotted range) of n gets under the time axis: a
// dotted line with its time at the first record and at the quarters, a short tick across the
// middle line at the other eighths.
enum class TimeMark { None, Label, Tick };
TimeMark PlotTimeMark(long long k, long long n);

// The caption while row `row` is plotted.
QString PlotProgressCaption(long long row);

// The plot window's minimum outer size, in twips.
constexpr double PlotMinOuterWidthTwips = 6000;
constexpr double PlotMinOuterHeightTwips = 5865;
// True when a window of this outer size must be snapped back to the minimum (both sides).
bool PlotBelowMinimumSize(double outerWidthTwips, double outerHeightTwips);

// The range dialog's check of the four numbers it read: an empty text when they are good, else
// the message that refuses them. The value range is checked first.
QString CheckPlotRange(const PlotState& plot, double t1, double t2, double r1, double r2);
