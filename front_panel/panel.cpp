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
#include <QThread>

using platform::px;

Panel::Panel(AppState& app, QWidget* parent) : QWidget(parent), app_(app) {
    InitAssets();
    setObjectName(QStringLiteral("Panel"));
    setWindowTitle(QString::fromLatin1(DesignCaption));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(px(ClientWidthTwips), px(ClientHeightTwips));
    platform::fillBackground(*this, QColor(0, 128, 128));

    COM.setObjectName(QStringLiteral("COM"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(50);
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(960);
    connect(&Timer1, &QTimer::timeout, this, &Panel::Timer1_Timer);
    // Qt does not fire a timer again while its last timeout is still being handled; this one
    // carries the ticks inside a dialog's loop while a waiting tick is held under it.
    nestedTicks_.setInterval(Timer1.interval());
    connect(&nestedTicks_, &QTimer::timeout, this, [this] {
        if (Timer1.isActive())
            Timer1_Timer();
    });
    connect(&Timer2, &QTimer::timeout, this, &Panel::Timer2_Timer);

    buildFace();
    buildToolbar();
    if (LblCOM)
        LblCOM->installEventFilter(this);

    link.COM = &COM;
    link.LblCOM = LblCOM;
    link.link = &app_.link;
    link.logger = &app_.logger;

    loggerContext.app = &app_;
    loggerContext.panel = this;
    loggerContext.Cmd1 = Cmd1;
    loggerContext.Timer1 = &Timer1;
    loggerContext.Timer2 = &Timer2;
    loggerContext.link = &link;

    // A lost device shows as a silent meter; once it is back, ask for the stream again.
    connect(&COM, &platform::SerialControl::lost, this,
            [this] { LblCOM->setText(QStringLiteral("No COM")); });
    connect(&COM, &platform::SerialControl::restored, this, [this] { app_.link.PollCount = 0; });
}

Panel::~Panel() = default;

bool Panel::Form_Load() {
    move(0, 0);
    COM.setCommPort(app_.link.ComPortNumber);
    const bool ok =
        COM.setSettings(QStringLiteral("19200,n,8,1")) && (COM.portOpen() || COM.setPortOpen(true));
    if (!ok) {
        platform::msgBox(this, QStringLiteral("No device found, try again!"), platform::MsgIcon::Critical);
        platform::endProgram(1);
        return false;
    }
    LblCOM->setText(PortCaption(app_.link.ComPortNumber));
    app_.recording.Recording = false;
    app_.sampling.SampleInterval = 2;
    app_.sampling.SampleTime = platform::currentDateTime().time().toString(QStringLiteral("hh:mm:ss"));
    app_.logger.MemoryFormOpen = false;
    Timer1.start();
    Timer2.start(); // enabled at design: the sampler ticks from the load on
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
    // Ticks must not nest: the timer keeps firing while a tick waits and pumps events. A dialog
    // opened by a handler that ran inside that wait runs its own event loop, and the waiting tick
    // cannot go on until it closes: a tick inside the dialog's loop keeps the mirror live.
    const int loopLevel = QThread::currentThread()->loopLevel();
    if (inTick_ && loopLevel <= tickLoopLevel_)
        return;
    struct Leave {
        bool& flag;
        int& level;
        bool wasInTick;
        int wasLevel;
        ~Leave() {
            flag = wasInTick;
            level = wasLevel;
        }
    } leave{inTick_, tickLoopLevel_, inTick_, tickLoopLevel_};
    inTick_ = true;
    tickLoopLevel_ = loopLevel;
    struct StopNested {
        QTimer& timer;
        bool outermost;
        ~StopNested() {
            if (outermost)
                timer.stop();
        }
    } stopNested{nestedTicks_, !leave.wasInTick};
    if (stopNested.outermost)
        nestedTicks_.start();

    // A command since the stream was last asked for may have paused it (the dump, the delete).
    if (app_.link.PollCount == 0 || link.exchanges != streamAskedAt_)
        CmdDisplayStream(link);
    streamAskedAt_ = link.exchanges;

    int retry = 0;
    int badFrames = 0;
    QByteArray frame;
    // A device that was lost and opened again belongs to a meter that may have restarted: end the
    // tick, and the next one asks for the stream again.
    const int opened = COM.openCount();
    const auto reopened = [&] { return COM.openCount() != opened; };
    for (;;) {
        Flush(COM);
        COM.setInBufferCount(0);
        // Elapsed time on the monotonic clock, so a wait that spans midnight still ends.
        const double t0 = platform::monotonicSeconds();
        do {
            Delay(kDelayShort);
        } while (COM.inBufferCount() < DisplayFrameLength && platform::monotonicSeconds() - t0 < 1.0 &&
                 !reopened());
        if (reopened())
            return;

        if (COM.inBufferCount() < DisplayFrameLength && link.exchanges != streamAskedAt_) {
            // A command ran inside this wait and may have paused the stream (the dump, the
            // delete): ask for it again rather than end in "No COM" waiting for it.
            CmdDisplayStream(link);
            streamAskedAt_ = link.exchanges;
            continue;
        }

        if (COM.inBufferCount() < DisplayFrameLength && retry <= 6) {
            ++retry;
            continue;
        }
        if (retry > 6) {
            WaitForMeter(link);
            COM.input();
            return;
        }
        frame = COM.input();
        retry = 0;
        if (IsDisplayFrame(frame))
            break;
        if (++badFrames >= kMaxBadFrames) {
            // A line full of bytes that never form a frame: say so and ask for the stream again.
            LblCOM->setText(QStringLiteral("No COM"));
            app_.link.PollCount = 0;
            return;
        }
    }

    if (LblCOM->text() != PortCaption(app_.link.ComPortNumber))
        LblCOM->setText(PortCaption(app_.link.ComPortNumber));

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
}
