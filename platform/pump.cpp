#include "platform/pump.h"

#include "platform/clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <cstdlib>

namespace platform {

void pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void pumpEventsFor(double maxSeconds) {
    const double ms = realMsFor(maxSeconds);
    if (ms <= 0.5) {
        pumpEvents();
        return;
    }
    // A timer wakes the blocking pump at the deadline; any other event wakes it sooner.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(static_cast<int>(std::ceil(ms)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

namespace {
EndProgramHook endHook = nullptr;
}

void endProgram(int code) {
    if (endHook) {
        endHook(code);
        return;
    }
    std::exit(code);
}

void setEndProgramHook(EndProgramHook hook) {
    endHook = hook;
}

} // namespace platform
