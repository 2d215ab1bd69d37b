#include "front_panel/panel.h"

#include "assets/assets.h"
#include "meter_link/decode.h"
#include "meter_link/meter.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/pump.h"
#include "platform/twips.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>

using platform::px;

Panel::Panel(AppState& app, QWidget* parent)
    : QWidget(parent), line(app.link, app.logger), COM(line.COM), Timer1(line.Timer1), app_(app) {
    InitAssets();
    setObjectName(QStringLiteral("Panel"));
    setWindowTitle(QString::fromLatin1(DesignCaption));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(px(ClientWidthTwips), px(ClientHeightTwips));
    platform::fillBackground(*this, QColor(0, 128, 128));

    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(960);
    connect(&Timer2, &QTimer::timeout, this, &Panel::Timer2_Elapsed);
    line.setSampler([this] { Timer2.stop(); }, [this] { startSampler(); });
    connect(&line, &MeterLine::frameArrived, this, &Panel::frameArrived);

    buildFace();
    buildToolbar();
    if (LblCOM)
        LblCOM->installEventFilter(this);

    connect(&line, &MeterLine::statusChanged, this, [this](const QString& caption) {
        LblCOM->setVisible(true);
        LblCOM->setText(caption);
    });

    loggerContext.app = &app_;
    loggerContext.panel = this;
    loggerContext.Cmd1 = Cmd1;
    loggerContext.line = &line;
}

Panel::~Panel() = default;

bool Panel::Form_Load() {
    move(0, 0);
    if (!line.open(app_.link.ComPortNumber)) {
        platform::msgBox(this, QStringLiteral("No device found, try again!"), platform::MsgIcon::Critical);
        platform::endProgram(1);
        return false;
    }
    LblCOM->setText(PortCaption(app_.link.ComPortNumber));
    app_.recording.Recording = false;
    app_.sampling.SampleInterval = 2;
    app_.sampling.SampleTime = platform::currentDateTime().time().toString(QStringLiteral("hh:mm:ss"));
    app_.logger.MemoryFormOpen = false;
    line.startPolling();
    startSampler(); // enabled at design: the sampler ticks from the load on
    return true;
}

void Panel::Form_Unload() {
    platform::endProgram(0);
}

void Panel::closeEvent(QCloseEvent* e) {
    e->accept();
    Form_Unload();
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblCOM && event->type() == QEvent::MouseButtonRelease) {
        LblCOM_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Panel::LblCOM_Click() {
    const QString design = QString::fromLatin1(DesignCaption);
    setWindowTitle(windowTitle() == design ? design + QStringLiteral("  130425") : design);
}

void Panel::Timer1_Timer() {
    // One step of the poll (the line runs it on every tick of Timer1); it never waits, so a
    // dialog opened meanwhile returns at once.
    line.Poll();
}

void Panel::frameArrived(const QByteArray& frame) {
    // The meter answered, so the line stays live; only the picture, and with it the readings the
    // sampler and the graph take from it, keeps the last good frame.
    if (!IsSoundDisplayFrame(frame)) {
        emit frameRefused();
        return;
    }
    PaintFrame(frame);
    // Only normal screens count towards the next pointer query.
    if (!app_.display.AnnClearPrompt && ++app_.link.PollCount >= 15)
        app_.link.PollCount = 0;
    emit framePainted();
}

void Panel::PaintFrame(const QByteArray& frame) {
    DecodeFrameFlags(app_.display, frame);
    if (app_.display.AnnClearPrompt)
        ShowClearPrompt(frame);
    else
        ShowNormal(frame);
    if (!app_.display.UnitInDoubt)
        readingInForce_ = LblValue->text();
}
