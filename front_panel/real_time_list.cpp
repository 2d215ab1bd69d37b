#include "front_panel/real_time_list.h"

#include "front_panel/panel.h"
#include "logger_data/file_transfer.h"
#include "logger_data/list_header.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QHeaderView>
#include <algorithm>

using platform::designFont;
using platform::px;
using platform::rectTwips;

namespace {
constexpr int kRowsInView = 15;
}

RealTimeList::RealTimeList(AppState& app, Panel& panel) : platform::Form(&panel), app_(app), panel_(panel) {
    setObjectName(QStringLiteral("RealTimeList"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QString::fromLatin1(Caption));
    setFixedSize(px(ClientWidthTwips), px(ClientHeightTwips));
    setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    platform::fillBackground(*this, QColor(0, 128, 128));

    ImageList1.add(QIcon(QStringLiteral(":/toolbar/save.png")));
    ImageList1.add(QIcon(QStringLiteral(":/toolbar/print.png")));
    Toolbar1 = new platform::Toolbar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setGeometry(rectTwips(0, 0, 2790, 420));
    Toolbar1->setImageList(&ImageList1);
    Toolbar1->addButton(QStringLiteral("Save"), QStringLiteral("Save As"), 1);
    Toolbar1->addButton(QStringLiteral("Print"), QStringLiteral("Print"), 2);
    connect(Toolbar1, &platform::Toolbar::buttonClick, this,
            [this](platform::ToolbarButton* b) { Toolbar1_ButtonClick(b->key()); });

    Grid = new platform::Grid(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setGeometry(rectTwips(0, 480, 2775, 3615));
    Grid->setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    Grid->setRows(1);
    Grid->setCols(3);
    // The sampler starts scrolling at the 16th row: rows just high enough for 15 data rows to
    // show under the header, so the newest row is always in view.
    const int dataHeight =
        Grid->height() - 2 * Grid->frameWidth() - Grid->horizontalHeader()->sizeHint().height();
    const int rowHeight = std::max(QFontMetrics(Grid->font()).height() + 2, dataHeight / kRowsInView);
    Grid->verticalHeader()->setMinimumSectionSize(rowHeight);
    Grid->verticalHeader()->setDefaultSectionSize(rowHeight);

    Form_Load();
}

void RealTimeList::Form_Load() {
    // Just right of the main window, top edges level.
    move(panel_.x() + panel_.frameGeometry().width(), panel_.y());
    ApplyListHeader(*this, *Grid, app_.display.DisplayUnitText);
}

void RealTimeList::Form_Unload() {
    app_.liveList.ListOpen = false;
    app_.liveList.ListCount = 0;
}

void RealTimeList::Toolbar1_ButtonClick(const QString& key) {
    // Each branch's nested loops may unload this window; held, it stays alive until they end.
    Hold hold(*this);
    if (key == QLatin1String("Save")) {
        if (app_.recording.Recording) {
            platform::msgBox(this, QStringLiteral("Aready in recording mode, close it and try again !"),
                             platform::MsgIcon::Critical);
            return;
        }
        platform::setBusyPointer(true);
        // A cancel must not fall back on a file chosen earlier.
        app_.recording.FileChosen = false;
        AskSaveFileName(*panel_.Cmd1, app_.recording);
        // A list unloaded while the dialog was open still holds the rows it had: they are saved
        // as the user asked, not lost with the window.
        if (app_.recording.FileChosen)
            SaveGridToFile(*this, *Grid, app_.recording);
        platform::setBusyPointer(false);
    } else if (key == QLatin1String("Print")) {
        PrintGrid(*this, *Grid, panel_.Timer1);
    }
}
