#include "meter_link/meter_line.h"

#include "meter_link/decode.h"
#include "meter_link/rs232.h"
#include "platform/clock.h"
#include "platform/pump.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

int realMs(double seconds) {
    return static_cast<int>(std::ceil(platform::realMsFor(seconds)));
}

} // namespace

MeterLine::MeterLine(LinkState& link, LoggerState& logger, QObject* parent)
    : QObject(parent), COM(this), Timer1(this), link_(link), logger_(logger), step_(this), deadline_(this),
      waitTimer_(this), resumeTimer_(this) {
    COM.setObjectName(QStringLiteral("COM"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(50);
    step_.setSingleShot(true);
    step_.setTimerType(Qt::PreciseTimer);
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &MeterLine::Poll);
    connect(&step_, &QTimer::timeout, this, &MeterLine::onStep);
    connect(&deadline_, &QTimer::timeout, this, &MeterLine::onFrameDeadline);
    waitTimer_.setSingleShot(true);
    waitTimer_.setTimerType(Qt::PreciseTimer);
    resumeTimer_.setSingleShot(true);
    resumeTimer_.setInterval(0);
    connect(&waitTimer_, &QTimer::timeout, this,
            [this] { finishWait(waitKind_ == LineWait::Kind::Pause ? Waited::Done : Waited::TimedOut); });
    connect(&resumeTimer_, &QTimer::timeout, this, &MeterLine::resumeWaiter);
    connect(&COM, &platform::SerialControl::readyRead, this, &MeterLine::onBytes);
    connect(&COM, &platform::SerialControl::lost, this, [this] {
        endCycle();
        setStatus(QStringLiteral("No COM"));
        if (waiting_ && waitKind_ == LineWait::Kind::Bytes)
            finishWait(Waited::TimedOut);
    });
    // A device opened again may belong to a meter that restarted: ask for the stream afresh.
    connect(&COM, &platform::SerialControl::restored, this, [this] {
        endCycle();
        link_.PollCount = 0;
        streamStale_ = true;
        if (waiting_ && waitKind_ == LineWait::Kind::Bytes)
            finishWait(Waited::TimedOut);
    });
}

MeterLine::~MeterLine() {
    // A command still waiting runs to its end now: every wait returns Gone and it sends nothing.
    dying_ = true;
    waitTimer_.stop();
    resumeTimer_.stop();
    waiting_ = false;
    if (std::coroutine_handle<> h = std::exchange(waiter_, {}))
        h.resume();
}

bool MeterLine::open(int portNumber) {
    COM.setCommPort(portNumber);
    if (!COM.setSettings(QStringLiteral("19200,n,8,1")))
        return false;
    if (!COM.portOpen() && !COM.setPortOpen(true))
        return false;
    status_ = portCaption();
    return true;
}

QString MeterLine::portCaption() const {
    return PortCaption(link_.ComPortNumber);
}

void MeterLine::startPolling() {
    polling_ = true;
    updatePolling();
}

void MeterLine::pausePolling() {
    ++pollHolds_;
    updatePolling();
}

void MeterLine::resumePolling() {
    if (pollHolds_ > 0)
        --pollHolds_;
    polling_ = true; // on after every hold, whatever it was before
    updatePolling();
}

void MeterLine::pauseSampler() {
    ++samplerHolds_;
    if (stopSampler_)
        stopSampler_();
}

void MeterLine::resumeSampler() {
    if (samplerHolds_ > 0)
        --samplerHolds_;
    if (startSampler_ && samplerHolds_ == 0)
        startSampler_();
}

void MeterLine::updatePolling() {
    if (polling_ && pollHolds_ == 0 && !link_.KeyBusy) {
        if (!Timer1.isActive())
            Timer1.start();
        return;
    }
    Timer1.stop();
    endCycle();
}

void MeterLine::setStatus(const QString& caption) {
    if (caption == status_)
        return;
    status_ = caption;
    emit statusChanged(caption);
}

// ---- commands ----

bool MeterLine::takeForCommand() {
    if (link_.KeyBusy || dying_)
        return false;
    link_.KeyBusy = true;
    cancelled_ = false;
    Timer1.stop();
    endCycle();
    return true;
}

void MeterLine::endCommand(bool resetPollCount) {
    cancelled_ = false;
    if (dying_)
        return;
    Flush(COM);
    if (resetPollCount)
        link_.PollCount = 0;
    streamStale_ = true; // the command may have paused the stream (the dump, the delete)
    link_.KeyBusy = false;
    polling_ = true;
    updatePolling();
}

MeterCommand::MeterCommand(MeterLine& line, bool resetsPollCount)
    : line_(&line), resetsPollCount_(resetsPollCount) {
    taken_ = line.takeForCommand();
}

MeterCommand::~MeterCommand() {
    end();
}

void MeterCommand::end() {
    if (taken_ && line_)
        line_->endCommand(resetsPollCount_);
    taken_ = false;
}

// ---- a command's waits ----

bool LineWait::await_ready() const noexcept {
    return line_.stopped();
}

void LineWait::await_suspend(std::coroutine_handle<> waiter) {
    line_.beginWait(kind_, seconds_, waiter);
}

Waited LineWait::await_resume() const noexcept {
    return line_.stopped() ? Waited::Gone : line_.waitResult_;
}

void MeterLine::beginWait(LineWait::Kind kind, double seconds, std::coroutine_handle<> waiter) {
    waiter_ = waiter;
    waiting_ = true;
    waitKind_ = kind;
    if (kind == LineWait::Kind::Bytes && (COM.inBufferCount() > 0 || COM.deviceLost())) {
        finishWait(COM.inBufferCount() > 0 ? Waited::Done : Waited::TimedOut);
        return;
    }
    double ms = realMs(seconds);
    // Midnight rule of a pause: one whose end would reach midnight is cut short.
    if (kind == LineWait::Kind::Pause && platform::timeOfDay() + static_cast<float>(seconds) >= 86400.0f)
        ms = 0;
    waitTimer_.start(static_cast<int>(std::max(0.0, ms)));
}

void MeterLine::finishWait(Waited result) {
    if (!waiting_)
        return;
    waiting_ = false;
    waitTimer_.stop();
    waitResult_ = result;
    resumeTimer_.start();
}

void MeterLine::resumeWaiter() {
    if (waiting_)
        return;
    if (std::coroutine_handle<> h = std::exchange(waiter_, {}))
        h.resume();
}

void MeterLine::cancelCommand() {
    if (!link_.KeyBusy)
        return;
    cancelled_ = true;
    finishWait(Waited::Gone);
}

void MeterLine::flush() {
    Flush(COM);
}

void MeterLine::send(const QByteArray& bytes) {
    COM.output(bytes);
}

void MeterLine::sendLetter(char letter) {
    COM.output(QString(QLatin1Char(letter)));
}

QByteArray MeterLine::readAll() {
    return COM.input();
}

int MeterLine::waiting() const {
    return COM.inBufferCount();
}

Task<bool> MeterLine::readMemoryPointer(int maxSends) {
    Flush(COM);
    int total = 0;
    for (;;) {
        if (COM.deviceLost()) { // a pulled cable: nothing to wait for
            setStatus(QStringLiteral("No COM"));
            co_return false;
        }
        QByteArray reply;
        do {
            ++total;
            COM.output(QByteArray(1, 'A'));
            const Waited paused = co_await pause(kDelayShort);
            if (paused == Waited::Gone)
                co_return false;
            reply = COM.input(); // each read replaces the last: a reply split over sends is not assembled
        } while (reply.size() < 6 && total < maxSends && !COM.deviceLost());
        if (reply.size() < 6 || (total >= maxSends && !IsMemoryPointerReply(reply))) {
            setStatus(QStringLiteral("No COM"));
            co_return false;
        }
        if (!IsMemoryPointerReply(reply))
            continue;
        logger_.MemoryPointer = static_cast<float>(MemoryPointerOf(reply));
        setStatus(portCaption());
        co_return true;
    }
}

// ---- the poll ----

void MeterLine::Poll() {
    // Ticks never nest: a cycle under way carries on by its own timers and arriving bytes.
    if (state_ != State::Idle || link_.KeyBusy || !COM.portOpen() || COM.deviceLost())
        return;
    if (link_.PollCount == 0 || streamStale_) {
        state_ = State::Query;
        Flush(COM);
        sends_ = 0;
        sendQuery();
    } else {
        beginFrameWait();
    }
}

void MeterLine::sendQuery() {
    ++sends_;
    COM.output(QByteArray(1, 'A'));
    step_.start(realMs(kDelayShort));
}

void MeterLine::onStep() {
    if (state_ != State::Query)
        return;
    const QByteArray reply = COM.input();
    if (reply.size() < 6 && sends_ < kPollPointerSends) {
        sendQuery();
        return;
    }
    if (sends_ >= kPollPointerSends) {
        goSilent();
        return;
    }
    if (!IsMemoryPointerReply(reply)) {
        sends_ = 0; // a new cycle, without a flush
        sendQuery();
        return;
    }
    logger_.MemoryPointer = static_cast<float>(MemoryPointerOf(reply));
    COM.output(QStringLiteral("M"));
    streamStale_ = false;
    retry_ = 0;
    badFrames_ = 0;
    beginFrameWait();
}

void MeterLine::beginFrameWait() {
    state_ = State::Frames;
    Flush(COM);
    COM.setInBufferCount(0);
    deadline_.start(realMs(1.0));
}

void MeterLine::onBytes() {
    if (waiting_ && waitKind_ == LineWait::Kind::Bytes && COM.inBufferCount() > 0)
        finishWait(Waited::Done);
    switch (state_) {
    case State::Frames:
        if (COM.inBufferCount() >= DisplayFrameLength)
            endFrameWait();
        break;
    case State::Silent:
        if (COM.inBufferCount() > 0) {
            COM.input(); // what woke it is dropped
            setStatus(portCaption());
            endCycle();
        }
        break;
    case State::Query:
    case State::Idle:
        break; // the query reads at its step; an idle line is flushed by the next cycle
    }
}

void MeterLine::onFrameDeadline() {
    if (state_ == State::Frames)
        endFrameWait();
}

void MeterLine::endFrameWait() {
    deadline_.stop();
    if (COM.inBufferCount() < DisplayFrameLength && retry_ < kFrameWaits - 1) {
        ++retry_;
        beginFrameWait();
        return;
    }
    if (retry_ >= kFrameWaits - 1) {
        goSilent();
        return;
    }
    const QByteArray frame = COM.input();
    retry_ = 0;
    if (IsDisplayFrame(frame)) {
        setStatus(portCaption());
        endCycle();
        emit frameArrived(frame);
        return;
    }
    if (++badFrames_ >= kMaxBadFrames) {
        // A line full of bytes that never form a frame: say so and ask for the stream again.
        setStatus(QStringLiteral("No COM"));
        link_.PollCount = 0;
        endCycle();
        return;
    }
    beginFrameWait();
}

void MeterLine::goSilent() {
    step_.stop();
    deadline_.stop();
    state_ = State::Silent;
    setStatus(QStringLiteral("No COM"));
    // Nothing is sent until the meter speaks; bytes already waiting end the silence at once.
    if (COM.inBufferCount() > 0)
        QMetaObject::invokeMethod(this, &MeterLine::onBytes, Qt::QueuedConnection);
}

void MeterLine::endCycle() {
    step_.stop();
    deadline_.stop();
    state_ = State::Idle;
    retry_ = 0;
    badFrames_ = 0;
}
