// The design values of windows and controls: geometry in twips (15 twips are one pixel at
// 96 dpi), fonts by their design names, background colours.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <cmath>

class QWidget;

namespace platform {

constexpr double TwipsPerPixel = 15.0;

constexpr int px(double twips) {
    return static_cast<int>(twips / TwipsPerPixel + (twips >= 0 ? 0.5 : -0.5));
}
inline QRect rectTwips(double l, double t, double w, double h) {
    return QRect(px(l), px(t), px(w), px(h));
}
inline double toTwips(double pixels) {
    return pixels * TwipsPerPixel;
}

// A font by its design name and point size; Arial and Times New Roman resolve to their
// metric-compatible Liberation faces through fontconfig.
QFont designFont(const QString& family, double pointSize, bool bold = false);

// Fills the widget's background with `colour` (a window's back colour, an opaque label).
void fillBackground(QWidget& widget, const QColor& colour);

} // namespace platform
