#include "front_panel/sampling_choice.h"

#include "front_panel/panel.h"
#include "platform/twips.h"

#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using platform::px;
using platform::rectTwips;

SamplingChoice::SamplingChoice(SamplingState& sampling, Panel& panel)
    : platform::Form(&panel), sampling_(sampling), panel_(panel) {
    setObjectName(QStringLiteral("SamplingChoice"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QString::fromLatin1(Caption));
    setFixedSize(px(ClientWidthTwips), px(ClientHeightTwips));
    setFont(platform::designFont(QStringLiteral("Times New Roman"), 12, true));

    OptPC = new QRadioButton(QStringLiteral("PC Sampling Rate"), this);
    OptPC->setObjectName(QStringLiteral("OptPC"));
    OptPC->setGeometry(rectTwips(240, 240, 2655, 375));
    OptMeter = new QRadioButton(QStringLiteral("Meter Sampling Rate"), this);
    OptMeter->setObjectName(QStringLiteral("OptMeter"));
    OptMeter->setGeometry(rectTwips(240, 840, 2655, 615));
    OptMeter->setChecked(true);
    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(rectTwips(2400, 1560, 495, 375));
    CmdOK->setDefault(true);
    connect(CmdOK, &QPushButton::clicked, this, [this] { CmdOK_Click(); });

    Form_Load();
}

void SamplingChoice::Form_Load() {
    // Its top left corner at the middle of the main window.
    const QRect main = panel_.frameGeometry();
    move(main.x() + main.width() / 2, main.y() + main.height() / 2);
}

void SamplingChoice::CmdOK_Click() {
    sampling_.PcSampling = OptPC->isChecked();
    Unload();
}

void SamplingChoice::ShowModal(SamplingState& sampling, Panel& panel) {
    QPointer<SamplingChoice> choice = new SamplingChoice(sampling, panel);
    QEventLoop loop;
    connect(choice, &platform::Form::unloaded, &loop, &QEventLoop::quit);
    // The main window may go, and the window with it, without an unload.
    connect(choice, &QObject::destroyed, &loop, &QEventLoop::quit);
    choice->show();
    choice->activateWindow();
    loop.exec();
}
