#include "front_panel/logger_download.h"

#include "logger_data/logger_context.h"
#include "logger_data/logger_image.h"
#include "logger_data/memory.h"
#include "meter_link/meter.h"
#include "platform/clock.h"
#include "platform/grid.h"
#include "platform/message_box.h"
#include "platform/serial_control.h"

#include <QLocale>
#include <QTimer>

namespace {

constexpr int kLastFreeAddress = 131059; // at or above it the logger counts as full
constexpr int kLastAddress = 131071;

void tell(LoggerContext& ctx, const QString& text) {
    platform::msgBox(ctx.panel, text, platform::MsgIcon::Critical);
}

bool gone(const QPointer<Memory>& w) {
    return !w || w->isUnloaded();
}

// While it lives, closing the download's window cancels the download's waits at once.
class CancelOnClose {
public:
    ~CancelOnClose() { QObject::disconnect(connection_); }
    void watch(Memory* w, MeterLine& line) {
        connection_ = QObject::connect(w, &platform::Form::unloaded, &line, [&line] { line.cancelCommand(); });
    }

private:
    QMetaObject::Connection connection_;
};

// Until bytes are waiting or the line has been quiet for the silence bound since `lastByte`.
// False when it timed out or the download was cancelled.
Task<bool> waitForDumpBytes(MeterLine& line, double& lastByte) {
    while (line.waiting() == 0) {
        const double left = lastByte + kDumpSilenceSeconds - platform::monotonicSeconds();
        if (left <= 0)
            co_return false;
        // The result is named first: a co_await inside a condition is miscompiled by GCC 12.
        const Waited waited = co_await line.bytesWithin(left);
        if (waited != Waited::Done)
            co_return false;
    }
    lastByte = platform::monotonicSeconds();
    co_return true;
}

Task<void> download(LoggerContext& ctx) {
    AppState& app = *ctx.app;
    MeterLine& line = *ctx.line;
    MeterCommand command(line);
    if (!command.taken())
        co_return;

    // The one window of this download: once the user has closed it, no restart opens another.
    QPointer<Memory> w;
    bool opened = false;
    CancelOnClose cancel;
    int restarts = 0;
    for (;;) {
        // The window and both memory labels come first, then "F".
        std::function<bool()> ready = [&] {
            if (!opened) {
                opened = true;
                w = new Memory(ctx);
                cancel.watch(w, line);
            }
            if (gone(w))
                return false;
            w->show();
            app.logger.MemoryFormOpen = true;
            w->LblSize->setText(QStringLiteral("128 K"));
            w->LblRemain->setText(FreeMemoryCaption(app.logger.MemoryPointer));
            return true;
        };
        const DumpAsked asked = co_await CmdDumpLoggerMemory(line, std::move(ready));
        if (!command.line() || asked == DumpAsked::Cancelled)
            co_return;
        if (asked != DumpAsked::Sent) {
            command.end();
            if (asked == DumpAsked::Silent)
                tell(ctx, QString::fromLatin1(MeterNotAnswering));
            else if (asked == DumpAsked::Empty)
                tell(ctx, app.logger.MemoryPointer == kEmptyMemoryPointer
                              ? QStringLiteral("No Data in Memory")
                              : QStringLiteral("The meter reported a logger end address below its start!"));
            co_return;
        }
        const float pointer = app.logger.MemoryPointer;
        LoggerDumpCollector dump(LoggerDumpLength(pointer));
        double lastByte = platform::monotonicSeconds();
        LoggerDumpCollector::Step step = dump.readFrom(line);
        while (step == LoggerDumpCollector::Step::More) {
            if (!gone(w))
                w->setMessage(DumpProgressCaption(dump.received(), dump.expected()));
            const bool more = co_await waitForDumpBytes(line, lastByte);
            if (!command.line() || line.cancelled() || gone(w))
                co_return; // a closed window is the user's cancel
            if (!more) {
                command.end();
                tell(ctx, QStringLiteral("The meter stopped sending, the download is incomplete!"));
                co_return;
            }
            step = dump.readFrom(line);
        }
        if (gone(w))
            co_return;
        if (step == LoggerDumpCollector::Step::Restart) {
            if (++restarts <= kMaxDumpRestarts)
                continue;
            command.end();
            tell(ctx, QStringLiteral("The meter sent no valid logger data!"));
            co_return;
        }
        w->setMessage(DumpProgressCaption(dump.received(), dump.expected()));

        const QByteArray image = dump.imageWithEndMark();
        command.end();
        const LoggerSplit split = SplitLoggerImage(image, app.logger.MemorySets);
        for (const QString& row : split.rows)
            w->GridSet->addItem(row);
        QStringList faults;
        switch (split.fault) {
        case LoggerSplit::Fault::None:
            break;
        case LoggerSplit::Fault::NoMarker:
            faults << QStringLiteral("The logger memory holds no set!");
            break;
        case LoggerSplit::Fault::RaggedEnd:
            faults << RaggedEndMessage(split);
            break;
        case LoggerSplit::Fault::TooManySets:
            faults << QStringLiteral(
                          "The logger memory holds more sets than can be listed; the first %1 are.")
                          .arg(split.rows.size());
            break;
        }
        // Damaged bytes are listed as they came, but never as a clean download: the window
        // keeps saying so after the message.
        const LoggerDamage damage =
            FindLoggerDamage(app.logger.MemorySets, static_cast<int>(split.rows.size()));
        if (damage.any()) {
            w->setMessage(LoggerDamageCaption(damage));
            faults << LoggerDamageMessage(damage);
        }
        if (!faults.isEmpty())
            tell(ctx, faults.join(QLatin1Char('\n')));
        co_return;
    }
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
    // A click while a command runs starts nothing and leaves a running download and its window
    // alone.
    if (ctx.line->busy())
        return;
    if (ctx.memory)
        ctx.memory->Unload();
    app.logger.MemoryFormOpen = false;
    download(ctx).start();
}
