// The runtime's clock: time of day as the program reads it, and a monotonic clock for waits.
// Tests swap in a FakeClock to reach midnight or to make long waits short.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>

namespace platform {

class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual QDateTime now() const = 0;
    // Seconds on a clock that never goes back; waits measure with it.
    virtual double monotonic() const = 0;
    // Real milliseconds that pass while this clock advances by `seconds`.
    virtual double realMs(double seconds) const { return seconds * 1000.0; }
};

// Local date and time now.
QDateTime currentDateTime();
// Seconds since midnight in single precision, as the program's time-of-day counter.
float timeOfDay();
// Monotonic seconds.
double monotonicSeconds();
double realMsFor(double seconds);

// nullptr restores the real clock. The source must outlive its use.
void setClockSource(ClockSource* source);

// A clock for tests: time of day can be set or frozen; both clocks may run faster than real time.
class FakeClock : public ClockSource {
public:
    explicit FakeClock(double speed = 1.0);
    // Time of day from now on: starts at `t` and then runs at the clock's speed (or stays if frozen).
    void setTimeOfDay(double secondsSinceMidnight, bool frozen = false);
    void setDate(QDate date) { date_ = date; }
    QDateTime now() const override;
    double monotonic() const override;
    double realMs(double seconds) const override { return seconds * 1000.0 / speed_; }

private:
    double speed_;
    QElapsedTimer real_;
    QDate date_;
    double todBase_ = 0;
    double todSetAt_ = 0; // monotonic() when the time of day was set
    bool frozen_ = false;
};

} // namespace platform
