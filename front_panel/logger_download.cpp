#include "front_panel/logger_download.h"

#include "logger_data/logger_context.h"
#include "logger_data/logger_image.h"
#include "logger_data/memory.h"
#include "meter_link/meter.h"
#include "platform/clock.h"
#include "platform/grid.h"
#include "platform/message_box.h"
#include "platform/pump.h"
#include "platform/serial_control.h"

#include <QLocale>
#include <QTimer>

namespace {

constexpr int kLastFreeAddress = 131059; // at or above it the logger counts as full
constexpr int kLastAddress = 131071;

// What every way out of the download does: the line cleared, the keys and polling back.
void endDownload(LoggerContext& ctx) {
    Flush(*ctx.link->COM);
    ctx.app->link.PollCount = 0;
    ctx.app->link.KeyBusy = false;
    ctx.Timer1->start();
}

void tell(LoggerContext& ctx, const QString& text) {
    platform::msgBox(ctx.panel, text, platform::MsgIcon::Critical);
}

bool gone(const QPointer<Memory>& w) {
    return !w || w->isUnloaded();
}

// Waits in the event loop until bytes are waiting or the line has been quiet for the silence
// bound since `lastByte`. False when it timed out or the window went away.
bool waitForDumpBytes(LoggerContext& ctx, const QPointer<Memory>& w, double& lastByte) {
    platform::SerialControl& com = *ctx.link->COM;
    while (com.inBufferCount() == 0) {
        const double left = lastByte + kDumpSilenceSeconds - platform::monotonicSeconds();
        if (left <= 0)
            return false;
        platform::pumpEventsFor(left);
        // A handler that ran in the pump (a print's end) may have switched polling back on; a
        // poll tick now would take the dump's bytes off the line.
        ctx.Timer1->stop();
        if (gone(w))
            return false;
    }
    lastByte = platform::monotonicSeconds();
    return true;
}

} // namespace

QString FreeMemoryCaption(float memoryPointer) {
    const long long pointer = static_cast<long long>(memoryPointer);
    const long long tenths = pointer >= kLastFreeAddress ? 0 : (kLastAddress - pointer) * 10 / 1024;
    QString text = QLatin1Char(' ') + QString::number(tenths / 10);
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(tenths % 10);
    return text + QStringLiteral(" K");
}

QString DumpProgressCaption(int received, int expected) {
    const double percent = expected > 0 ? static_cast<double>(received) / expected * 100.0 : 100.0;
    return QLocale().toString(percent, 'f', 1) + QStringLiteral("% Completed");
}

void DownloadLoggerMemory(LoggerContext& ctx) {
    AppState& app = *ctx.app;
    if (ctx.memory)
        ctx.memory->Unload();
    app.logger.MemoryFormOpen = false;
    if (app.link.KeyBusy)
        return;

    int restarts = 0;
    for (;;) {
        ctx.Timer1->stop();
        app.link.KeyBusy = true;
        if (!CmdDumpLoggerMemory(*ctx.link)) {
            tell(ctx, app.logger.MemoryPointer == kEmptyMemoryPointer
                          ? QStringLiteral("No Data in Memory")
                          : QStringLiteral("The meter reported a logger end address below its start!"));
            endDownload(ctx);
            return;
        }
        const float pointer = app.logger.MemoryPointer;
        QPointer<Memory> w = ctx.memory;
        if (gone(w))
            w = new Memory(ctx);
        w->show();
        app.logger.MemoryFormOpen = true;
        w->LblSize->setText(QStringLiteral("128 K"));
        w->LblRemain->setText(FreeMemoryCaption(pointer));

        LoggerDumpCollector dump(LoggerDumpLength(pointer));
        double lastByte = platform::monotonicSeconds();
        LoggerDumpCollector::Step step = dump.readFrom(*ctx.link->COM);
        while (step == LoggerDumpCollector::Step::More) {
            w->setMessage(DumpProgressCaption(dump.received(), dump.expected()));
            if (!waitForDumpBytes(ctx, w, lastByte)) {
                if (!gone(w)) // a closed window is the user's cancel; silence is the meter's fault
                    tell(ctx, QStringLiteral("The meter stopped sending, the download is incomplete!"));
                endDownload(ctx);
                return;
            }
            step = dump.readFrom(*ctx.link->COM);
        }
        if (step == LoggerDumpCollector::Step::Restart) {
            if (++restarts <= kMaxDumpRestarts)
                continue;
            tell(ctx, QStringLiteral("The meter sent no valid logger data!"));
            endDownload(ctx);
            return;
        }
        w->setMessage(DumpProgressCaption(dump.received(), dump.expected()));

        const QByteArray image = dump.imageWithEndMark();
        endDownload(ctx);
        const LoggerSplit split = SplitLoggerImage(image, app.logger.MemorySets);
        for (const QString& row : split.rows)
            w->GridSet->addItem(row);
        switch (split.fault) {
        case LoggerSplit::Fault::None:
            break;
        case LoggerSplit::Fault::NoMarker:
            tell(ctx, QStringLiteral("The logger memory holds no set!"));
            break;
        case LoggerSplit::Fault::RaggedEnd:
            tell(ctx, RaggedEndMessage(split));
            break;
        case LoggerSplit::Fault::TooManySets:
            tell(ctx,
                 QStringLiteral("The logger memory holds more sets than can be listed; the first %1 are.")
                     .arg(split.rows.size()));
            break;
        }
        return;
    }
}
