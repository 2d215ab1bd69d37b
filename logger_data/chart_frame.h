// The frame both chart windows draw on every resize: axes, value ticks and labels, unit caption;
// the grid drawn before each new point; the value-to-height rule.
#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <optional>

namespace platform {
class DrawSurface;
}

// The plot area in drawing units: from x = X0 to X0 + W, from y = Y0 (bottom) up to Y0 - H.
struct PlotGeometry {
    double X0 = 60;
    double Y0 = 0;
    double W = 0;
    double H = 0;
};

// The palette index of grid lines and marks in both chart windows.
constexpr int DefaultGridColor = 7;

// The plot area of a surface of the given size in drawing units. W stays within half a unit of a
// multiple of 30, so marks every 30 units of a sweep fit the width.
PlotGeometry PlotAreaGeometry(double scaleWidth, double scaleHeight);

// The text of one value-axis label: a leading blank (a minus when negative), a point, no zero
// before the point, at most 15 significant digits, whatever the user's locale.
QString FormatAxisLabel(double value);

// Height above the baseline of a value inside [min, max].
inline double ScaleReading(double value, double min, double max, double h) {
    return h * (value - min) / (max - min);
}
// Heights of values a window judges over or under its range.
inline double OverRangeHeight(double h) {
    return h + 5;
}
constexpr double UnderRangeHeight = -3;

struct FrameSteps {
    // The window's minimum-size rule, run after the clearing; false ends the redraw there.
    std::function<bool()> minimumSize;
    // The window's own drawing between the value labels and the unit caption.
    std::function<void(const PlotGeometry&)> beforeCaption;
};

// Clears the surface and draws the frame for the range [min, max] and the unit text. Returns
// the geometry, or nothing when the minimum-size rule ended the redraw.
std::optional<PlotGeometry> DrawPlotFrame(platform::DrawSurface& surface, double min, double max,
                                          const QString& unit, const FrameSteps& steps = {});

// The time marks at `x`: the dotted line up from the time axis over a time label, and the short
// tick across the middle line, in `colour`; the line style is solid again afterwards.
void DrawTimeLine(platform::DrawSurface& surface, const PlotGeometry& g, double x, const QColor& colour);
void DrawTimeTick(platform::DrawSurface& surface, const PlotGeometry& g, double x, const QColor& colour);

// The grid step before each new point: the solid middle line, seven dotted lines, in the
// palette colour `gridColor` (rounded); the line style is solid again afterwards.
void DrawPlotGrid(platform::DrawSurface& surface, const PlotGeometry& g, double gridColor);
