#include "logger_data/list_frame.h"

#include "assets/assets.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QWidget>
#include <algorithm>

using platform::designFont;
using platform::px;
using platform::rectTwips;

void BuildListFrame(QWidget& window, const QString& objectName, const QString& caption, int widthTwips,
                    int heightTwips) {
    InitAssets(); // the toolbar pictures are compiled into a static library
    window.setObjectName(objectName);
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    window.setWindowTitle(caption);
    window.setFixedSize(px(widthTwips), px(heightTwips));
    window.setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    platform::fillBackground(window, QColor(0, 128, 128));
}

platform::Toolbar* BuildWindowToolbar(QWidget& window, platform::ImageList& images,
                                      const QList<ToolbarButtonSpec>& buttons,
                                      const std::function<void(const QString&)>& click) {
    auto* bar = new platform::Toolbar(&window);
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setGeometry(0, 0, window.width(), px(420));
    bar->setImageList(&images);
    for (const ToolbarButtonSpec& b : buttons) {
        images.add(QIcon(b.picture));
        bar->addButton(b.key, b.toolTip, images.count());
    }
    bar->raise();
    QObject::connect(bar, &platform::Toolbar::buttonClick, &window,
                     [click](platform::ToolbarButton* b) { click(b->key()); });
    return bar;
}

namespace {

// Keeps the rows of a list grid as tall as 15 data rows fill its view, whatever height the header
// takes once the window's style and fonts are in force: the 16th row is the first that scrolls.
class FifteenRowsInView : public QObject {
public:
    // Lives as long as the view it watches.
    explicit FifteenRowsInView(platform::Grid* grid) : QObject(grid->viewport()), grid_(grid) {
        grid->viewport()->installEventFilter(this);
        fit();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Resize && watched == parent())
            fit();
        return false;
    }

private:
    void fit() {
        constexpr int kRowsInView = 15;
        const int view = grid_->viewport()->height();
        // Never lower than the text: with a font too big for 15 rows the list scrolls sooner.
        const int rowHeight = std::max(QFontMetrics(grid_->font()).height(), view / kRowsInView);
        QHeaderView* rows = grid_->verticalHeader();
        if (rows->defaultSectionSize() == rowHeight)
            return;
        rows->setMinimumSectionSize(std::min(rows->minimumSectionSize(), rowHeight));
        rows->setDefaultSectionSize(rowHeight);
        rows->setMinimumSectionSize(rowHeight);
    }

    platform::Grid* grid_;
};

} // namespace

platform::Grid* BuildListGrid(QWidget& window, const QString& objectName) {
    auto* grid = new platform::Grid(&window);
    grid->setObjectName(objectName);
    grid->setGeometry(rectTwips(0, 480, 2775, 3615));
    grid->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    grid->setRows(1);
    grid->setCols(3);
    // The view's height before the window is shown, from the header's measured height; the
    // rows follow the real height once it is known.
    grid->viewport()->resize(grid->viewport()->width(), grid->height() - 2 * grid->frameWidth() -
                                                            grid->horizontalHeader()->sizeHint().height());
    new FifteenRowsInView(grid);
    return grid;
}
