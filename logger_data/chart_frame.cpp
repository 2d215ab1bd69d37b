#include "logger_data/chart_frame.h"

#include "logger_data/number_text.h"
#include "platform/draw_surface.h"

#include <cmath>

using platform::LineStyle;

PlotGeometry PlotAreaGeometry(double scaleWidth, double scaleHeight) {
    PlotGeometry g;
    g.X0 = 60;
    g.Y0 = scaleHeight - 27;
    g.H = scaleHeight - 100;
    const double span = scaleWidth - 60;
    const double r = std::fmod(RoundHalfEven(span), 30.0);
    g.W = span - (r < 0 ? r + 30 : r);
    return g;
}

QString FormatAxisLabel(double value) {
    if (value == 0)
        value = 0; // no minus for a negative zero
    QString digits = QString::number(std::fabs(value), 'g', 15).toUpper();
    if (digits.startsWith(QLatin1String("0.")))
        digits.remove(0, 1);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

std::optional<PlotGeometry> DrawPlotFrame(platform::DrawSurface& s, double min, double max,
                                          const QString& unit, const FrameSteps& steps) {
    s.Cls();
    if (steps.minimumSize && !steps.minimumSize())
        return std::nullopt;
    const PlotGeometry g = PlotAreaGeometry(s.ScaleWidth(), s.ScaleHeight());
    const double X0 = g.X0, Y0 = g.Y0, W = g.W, H = g.H;
    const QColor black(0, 0, 0);

    s.DrawWidth = 2;
    s.DrawStyle = LineStyle::Solid;
    s.ForeColor = black;
    s.Line(X0 - 2, Y0 + 5, X0 - 2, Y0 - H - 5, black);
    s.Line(X0 - 2, Y0 + 6, X0 + W + 2, Y0 + 6, black);

    s.DrawWidth = 1;
    for (int j = 0; j <= 16; ++j) {
        const double y = Y0 - j * H / 16;
        s.Line(X0 - 2, y, X0 - 7, y, black);
        if (j % 2 == 0)
            s.Line(X0 - 2, y, X0 - 10, y, black);
    }

    for (int i = 0; i <= 8; ++i) {
        const QString text = FormatAxisLabel(min + (max - min) * i / 8.0);
        s.CurrentX = X0 - 40 - s.TextWidth(text) / 4;
        s.CurrentY = Y0 - s.TextHeight(text) / 2 - i * H / 8;
        s.Print(text);
    }

    if (steps.beforeCaption)
        steps.beforeCaption(g);

    s.ForeColor = black;
    s.CurrentX = X0 - 30;
    s.CurrentY = Y0 - H - 25;
    s.Print(unit);
    s.ForeColor = black;
    return g;
}

void DrawPlotGrid(platform::DrawSurface& s, const PlotGeometry& g, double gridColor) {
    const QColor colour = platform::QBColor(static_cast<int>(RoundHalfEven(gridColor)));
    const double X0 = g.X0, Y0 = g.Y0, W = g.W, H = g.H;
    s.Line(X0 - 2, Y0 - H / 2, X0 + W + 2, Y0 - H / 2, colour);
    s.DrawStyle = LineStyle::Dot;
    for (const int k : {1, 7, 6, 5, 8, 3, 2})
        s.Line(X0, Y0 - k * H / 8, X0 + W, Y0 - k * H / 8, colour);
    s.DrawStyle = LineStyle::Solid;
}

void DrawTimeLine(platform::DrawSurface& s, const PlotGeometry& g, double x, const QColor& colour) {
    s.DrawStyle = LineStyle::Dot;
    s.Line(x, g.Y0, x, g.Y0 - g.H - 10, colour);
    s.DrawStyle = LineStyle::Solid;
}

void DrawTimeTick(platform::DrawSurface& s, const PlotGeometry& g, double x, const QColor& colour) {
    s.Line(x, g.Y0 - 3.8 * g.H / 8, x, g.Y0 - 4.2 * g.H / 8, colour);
}
