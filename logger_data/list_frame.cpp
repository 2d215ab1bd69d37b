#include "logger_data/list_frame.h"

#include "assets/assets.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QWidget>
#include <algorithm>

using platform::designFont;
using platform::px;
using platform::rectTwips;

void BuildListFrame(QWidget& window, const QString& objectName, const QString& caption) {
    InitAssets(); // the toolbar pictures are compiled into a static library
    window.setObjectName(objectName);
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    window.setWindowTitle(caption);
    window.setFixedSize(px(ListClientWidthTwips), px(ListClientHeightTwips));
    window.setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    platform::fillBackground(window, QColor(0, 128, 128));
}

platform::Toolbar* BuildListToolbar(QWidget& window, const platform::ImageList& images) {
    auto* bar = new platform::Toolbar(&window);
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setGeometry(rectTwips(0, 0, 2790, 420));
    bar->setImageList(&images);
    return bar;
}

platform::Grid* BuildListGrid(QWidget& window, const QString& objectName) {
    constexpr int kRowsInView = 15;
    auto* grid = new platform::Grid(&window);
    grid->setObjectName(objectName);
    grid->setGeometry(rectTwips(0, 480, 2775, 3615));
    grid->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    grid->setRows(1);
    grid->setCols(3);
    const int dataHeight =
        grid->height() - 2 * grid->frameWidth() - grid->horizontalHeader()->sizeHint().height();
    const int rowHeight = std::max(QFontMetrics(grid->font()).height() + 2, dataHeight / kRowsInView);
    grid->verticalHeader()->setMinimumSectionSize(rowHeight);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    return grid;
}
