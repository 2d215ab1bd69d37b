// The main toolbar: dispatch, the unit gate, starting and stopping a recording, the live list.
#include "front_panel/panel.h"

#include "front_panel/logger_download.h"
#include "front_panel/open_data_file.h"
#include "front_panel/real_time_graph.h"
#include "front_panel/real_time_list.h"
#include "front_panel/record_file.h"
#include "front_panel/sampling_interval.h"
#include "logger_data/file_transfer.h"
#include "meter_link/decode.h"
#include "meter_link/settled_unit.h"
#include "platform/common_dialog.h"
#include "platform/message_box.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

#include <QDir>

using platform::rectTwips;

namespace {

// ImageList1, 1-based. The toolbar shows 3, 4, 8, 9, 11, 13, 14 and 20; the others are blanks.
constexpr int kImageCount = 20;
const char* const kImageNames[kImageCount] = {
    "blank", "blank", "open",   "graph", "blank", "blank", "blank", "save",  "stop",  "blank",
    "list",  "blank", "logger", "pc",    "blank", "blank", "blank", "blank", "blank", "clock",
};

} // namespace

void Panel::buildToolbar() {
    ImageList1 = std::make_shared<platform::ImageList>();
    for (int i = 1; i <= kImageCount; ++i)
        ImageList1->add(QIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(kImageNames[i - 1]))));

    Toolbar1 = new platform::Toolbar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setGeometry(rectTwips(0, 0, 4845, 420));
    Toolbar1->setImageList(ImageList1.get());
    Toolbar1->addButton(QStringLiteral("Save"), QStringLiteral("Save As"), 8);
    Toolbar1->addButton(QStringLiteral("Open"), QStringLiteral("Open File"), 3);
    Toolbar1->addButton(QStringLiteral("List"), QStringLiteral("List Display"), 11);
    Toolbar1->addButton(QStringLiteral("Graph"), QStringLiteral("Graphic Display"), 4);
    Toolbar1->addButton(QStringLiteral("PC"), QStringLiteral("PC Sampling"), 14);
    Toolbar1->addButton(QStringLiteral("Memory"), QStringLiteral("Data Logger"), 13);
    // Hidden holders of the two pictures the Save button takes in turn; they never click.
    Toolbar1->addButton(QStringLiteral("Stop"), QStringLiteral("Stop Recording"), 9, true, false);
    Toolbar1->addButton(QStringLiteral("Save1"), QStringLiteral("Save As"), 8, true, false);
    Toolbar1->addButton(QStringLiteral("TimeSet"), QStringLiteral("Set Meter Time to System Time"), 20);
    connect(Toolbar1, &platform::Toolbar::buttonClick, this,
            [this](platform::ToolbarButton* b) { Toolbar1_ButtonClick(b->key()); });

    Cmd1 = new platform::CommonDialog(this);
}

void Panel::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Save")) {
        if (!unitGateOpen())
            return;
        if (app_.recording.Recording)
            StopRecording();
        else
            StartRecording();
    } else if (key == QLatin1String("Open")) {
        OpenDataFile(loggerContext);
    } else if (key == QLatin1String("List")) {
        if (unitGateOpen())
            OpenLiveList();
    } else if (key == QLatin1String("Graph")) {
        if (unitGateOpen())
            OpenLiveGraph(app_, *this);
    } else if (key == QLatin1String("PC")) {
        SetSamplingInterval(*this);
    } else if (key == QLatin1String("Memory")) {
        DownloadLoggerMemory(loggerContext);
    } else if (key == QLatin1String("TimeSet")) {
        SetMeterTime(*this);
    }
}

bool Panel::unitGateOpen() const {
    return IsSolarUnit(UnitInForce(app_.display));
}

void Panel::showSaveButton(bool recording) {
    platform::ToolbarButton* save = Toolbar1->button(QStringLiteral("Save"));
    const QString holder = recording ? QStringLiteral("Stop") : QStringLiteral("Save1");
    save->setImage(Toolbar1->button(holder)->image(), ImageList1.get());
    save->setToolTip(recording ? QStringLiteral("Stop Recording") : QStringLiteral("Save As"));
}

void Panel::endRecording() {
    RecordingState& rec = app_.recording;
    rec.Recording = false;
    showSaveButton(false);
    rec.File.close();
    rec.FileChosen = false;
}

void Panel::StartRecording() {
    RecordingState& rec = app_.recording;
    // A cancel must never fall back on a file chosen earlier for something else.
    rec.FileChosen = false;
    AskSaveFileName(*Cmd1, rec);
    if (!rec.FileChosen)
        return;

    const QString unit = UnitInForce(app_.display);
    // The file is opened and its header written before anything on screen changes, so a file
    // that cannot be created leaves the window as it was.
    rec.File.close();
    rec.File.setFileName(rec.SaveFileName);
    const QByteArray header = QByteArrayLiteral("\tTime\t") + unit.toLatin1() + QByteArrayLiteral("\r\n");
    QString reason;
    bool created = rec.File.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!created) {
        reason = rec.File.errorString();
    } else {
        const recordfile::Result written = recordfile::append(rec.File, header);
        created = written.outcome != recordfile::Outcome::Failed;
        reason = written.reason;
        // The new name is on disk too, so a power cut soon after cannot take the file away.
        created = created && recordfile::syncFolder(rec.SaveFileName, &reason);
    }
    if (!created) {
        rec.File.close();
        rec.FileChosen = false;
        platform::msgBox(
            this,
            QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(rec.SaveFileName), reason),
            platform::MsgIcon::Critical);
        return;
    }

    rec.RecordUnit = unit;
    rec.FileRecordCount = 0;
    LblFileName->setText(Cmd1->FileTitle);
    showSaveButton(true);
    rec.Recording = true;
    LblRec->show();
}

void Panel::StopRecording() {
    endRecording();
    LblRec->hide();
    LblCount->setText(QString());
    LblFileName->setText(QString());
    app_.recording.FileRecordCount = 0;
}

void Panel::OpenLiveList() {
    if (realTimeList_ && realTimeList_->isVisible())
        return;
    app_.liveList.ListUnit = UnitInForce(app_.display);
    auto* list = new RealTimeList(app_, *this);
    realTimeList_ = list;
    // A closed list deletes itself later; forget it at once, unless a newer one took its place.
    connect(list, &RealTimeList::unloaded, this, [this, list] {
        if (realTimeList_ == list)
            realTimeList_ = nullptr;
    });
    list->show();
    app_.liveList.ListOpen = true;
}
