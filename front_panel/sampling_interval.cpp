#include "front_panel/sampling_interval.h"

#include "front_panel/panel.h"
#include "front_panel/sampling_choice.h"
#include "logger_data/number_text.h"
#include "meter_link/meter.h"
#include "platform/clock.h"
#include "platform/input_box.h"
#include "platform/message_box.h"

#include <QLocale>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kPcMax = 86400;
constexpr int kMeterMax = 60;

// The nearest whole number, an exact half going to the even neighbour; nullopt beyond the
// 32-bit signed range (and for what is no finite number).
std::optional<std::int64_t> roundHalfEven(double v) {
    if (!std::isfinite(v))
        return std::nullopt;
    double r = std::floor(v);
    const double frac = v - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int64_t>(r);
}

QString intervalPrompt(int max) {
    return QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= %1 ) ").arg(max);
}

void tellSilent(Panel& p) {
    platform::msgBox(&p, QString::fromLatin1(MeterNotAnswering), platform::MsgIcon::Critical);
}

void setPcInterval(Panel& p) {
    SamplingState& s = p.app().sampling;
    const QString answer = platform::inputBox(&p, PcIntervalPrompt(), QString::fromLatin1(IntervalTitle),
                                              QString::number(s.SampleInterval));
    const std::optional<int> t = PcIntervalFromAnswer(answer);
    if (!t)
        return;
    s.SampleInterval = static_cast<float>(*t);
    s.SampleTickCount = 0; // the next sampler tick takes a sample
    p.app().link.PollCount = 0;
    p.line.startPolling();
}

// Holds the line from "J" until "G" is sent or the box is cancelled: a key or another command in
// between would land in the middle of the exchange.
Task<void> setMeterInterval(Panel& p) {
    MeterCommand command(p.line);
    if (!command.taken())
        co_return;
    const std::optional<int> current = co_await CmdReadLoggerInterval(p.line);
    if (!command.line() || p.line.cancelled())
        co_return;
    if (!current) {
        command.end();
        platform::msgBox(&p, QString::fromLatin1(NoIntervalReply), platform::MsgIcon::Critical);
        co_return;
    }
    // Polling stays off while the box is open.
    QPointer<Panel> alive(&p);
    const QString answer = platform::inputBox(&p, MeterIntervalPrompt(), QString::fromLatin1(IntervalTitle),
                                              QString::number(*current));
    if (!alive || !command.line())
        co_return;
    const std::optional<int> t = MeterIntervalFromAnswer(answer);
    if (!t)
        co_return;
    const bool sent = co_await CmdSetLoggerInterval(p.line, *t);
    if (sent || !command.line() || p.line.cancelled())
        co_return;
    command.end();
    tellSilent(p);
}

Task<void> setMeterClock(Panel& p) {
    MeterCommand command(p.line);
    if (!command.taken())
        co_return;
    // Taken before the query, so the time the query takes does not shift it.
    const QDateTime now = platform::currentDateTime();
    const bool sent = co_await CmdSetMeterClock(p.line, now);
    if (sent || !command.line() || p.line.cancelled())
        co_return;
    command.end();
    tellSilent(p);
}

} // namespace

QString PcIntervalPrompt() {
    return intervalPrompt(kPcMax);
}

QString MeterIntervalPrompt() {
    return intervalPrompt(kMeterMax);
}

std::optional<int> PcIntervalFromAnswer(const QString& answer) {
    QString text = answer.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    const std::optional<std::int64_t> t = roundHalfEven(v);
    if (!t)
        return std::nullopt;
    return static_cast<int>(std::clamp<std::int64_t>(*t, 1, kPcMax));
}

std::optional<int> MeterIntervalFromAnswer(const QString& answer) {
    const double v = LeadingNumber(answer);
    if (v == 0)
        return std::nullopt;
    const std::optional<std::int64_t> t = roundHalfEven(v);
    if (!t)
        return std::nullopt;
    return static_cast<int>(std::clamp<std::int64_t>(*t, 1, kMeterMax));
}

void SetSamplingInterval(Panel& panel) {
    QPointer<Panel> alive(&panel);
    SamplingChoice::ShowModal(panel.app().sampling, panel);
    if (!alive)
        return;
    if (panel.app().sampling.PcSampling) {
        setPcInterval(panel);
        return;
    }
    // The meter's rate needs the line: a refusal is said, not swallowed.
    if (panel.line.busy()) {
        platform::msgBox(&panel, QString::fromLatin1(LineBusyRefusal), platform::MsgIcon::Critical);
        return;
    }
    setMeterInterval(panel).start();
}

void SetMeterTime(Panel& panel) {
    AppState& app = panel.app();
    if (app.link.KeyBusy)
        return;
    if (app.recording.Recording) {
        platform::msgBox(&panel, QString::fromLatin1(RecordingRefusal), platform::MsgIcon::Critical);
        return;
    }
    setMeterClock(panel).start();
}
