// The frame the list windows share with the real-time list: a fixed-size window of its own with
// the main window's colour, a toolbar across the top and grids below it.
#pragma once

#include <QString>

class QWidget;
namespace platform {
class Grid;
class ImageList;
class Toolbar;
} // namespace platform

constexpr int ListClientWidthTwips = 2790;
constexpr int ListClientHeightTwips = 4065;

// Makes `window` a fixed-size top-level window with the list caption, size, font and background.
void BuildListFrame(QWidget& window, const QString& objectName, const QString& caption);
// The toolbar across the top, taking its pictures from `images`.
platform::Toolbar* BuildListToolbar(QWidget& window, const platform::ImageList& images);
// A list grid in the window's grid place: 1 row, 3 columns, rows sized so 15 data rows show.
platform::Grid* BuildListGrid(QWidget& window, const QString& objectName);
