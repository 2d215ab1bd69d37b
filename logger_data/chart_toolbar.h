// What the two chart windows carry besides their drawing: the surface over the client area, the
// "Limit"/"Print" toolbar across the top, and the print of the window's picture.
#pragma once

#include <QString>
#include <functional>

class QWidget;
namespace platform {
class DrawSurface;
class Form;
class ImageList;
class Toolbar;
} // namespace platform

// A drawing surface filling `window`, named "Surface".
platform::DrawSurface* BuildChartSurface(QWidget& window);
// The toolbar "Toolbar1" with "Limit" and "Print", its pictures added to `images`; it sits above
// the surface. A click hands the button's key to `click`.
platform::Toolbar* BuildChartToolbar(QWidget& window, platform::ImageList& images,
                                     const std::function<void(const QString&)>& click);
// Prints the window's picture without the toolbar, also while the surface holds back its updates.
// A failure is told with `failure`, its %1 the reason. The window may be gone when this returns.
void PrintChart(platform::Form& window, platform::Toolbar& toolbar, platform::DrawSurface& surface,
                const QString& failure);
