// The frame the list windows share with the real-time list and the logger window: a fixed-size window of its
// own with the main window's colour, a toolbar across the top and grids below it.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QWidget;
namespace platform {
class Grid;
class ImageList;
class Toolbar;
} // namespace platform

constexpr int ListClientWidthTwips = 2790;
constexpr int ListClientHeightTwips = 4065;

// Makes `window` a fixed-size top-level window with the list caption, size, font and background;
// the logger window, of the same kind, has a size of its own.
void BuildListFrame(QWidget& window, const QString& objectName, const QString& caption,
                    int widthTwips = ListClientWidthTwips, int heightTwips = ListClientHeightTwips);
// One button of a window's toolbar: its key, tool tip and picture.
struct ToolbarButtonSpec {
    QString key;
    QString toolTip;
    QString picture;
};
// The toolbar "Toolbar1" across the top of `window` (the chart windows' as well), above what the
// window holds so far: `buttons` in order, their pictures added to `images`. A click hands the
// button's key to `click`.
platform::Toolbar* BuildWindowToolbar(QWidget& window, platform::ImageList& images,
                                      const QList<ToolbarButtonSpec>& buttons,
                                      const std::function<void(const QString&)>& click);
// A list grid in the window's grid place: 1 row, 3 columns, its rows as tall as 15 data rows fill
// its view, also when the header takes another height once the window is shown.
platform::Grid* BuildListGrid(QWidget& window, const QString& objectName);
