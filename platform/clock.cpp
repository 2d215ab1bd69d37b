#include "platform/clock.h"

#include <cmath>

namespace platform {
namespace {

class RealClock : public ClockSource {
public:
    RealClock() { timer_.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    double monotonic() const override { return timer_.nsecsElapsed() / 1e9; }

private:
    QElapsedTimer timer_;
};

RealClock& realClock() {
    static RealClock clock;
    return clock;
}

ClockSource* current = nullptr;

ClockSource& source() {
    return current ? *current : realClock();
}

} // namespace

QDateTime currentDateTime() {
    return source().now();
}

float timeOfDay() {
    const QTime t = source().now().time();
    return static_cast<float>(t.msecsSinceStartOfDay() / 1000.0);
}

double monotonicSeconds() {
    return source().monotonic();
}

double realMsFor(double seconds) {
    return source().realMs(seconds);
}

void setClockSource(ClockSource* s) {
    current = s;
}

FakeClock::FakeClock(double speed) : speed_(speed), date_(2026, 12, 10) {
    real_.start();
}

void FakeClock::setTimeOfDay(double t, bool frozen) {
    todBase_ = t;
    todSetAt_ = monotonic();
    frozen_ = frozen;
}

double FakeClock::monotonic() const {
    return real_.nsecsElapsed() / 1e9 * speed_;
}

QDateTime FakeClock::now() const {
    double t = todBase_ + (frozen_ ? 0.0 : monotonic() - todSetAt_);
    double days = std::floor(t / 86400.0);
    t -= days * 86400.0;
    const auto ms = static_cast<qint64>(std::floor(t * 1000.0));
    return QDateTime(date_.addDays(static_cast<qint64>(days)),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

} // namespace platform
