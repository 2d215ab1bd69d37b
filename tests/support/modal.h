// Acting on a modal window from inside its own event loop, as a person would while it waits.
// Header-only.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace testing {

// Runs `act` on the first shown top-level window named `name` once it appears (checked every
// 10 ms for up to `seconds`). Returns the timer; it stops itself after acting.
inline QTimer* whenShown(const QString& name, std::function<void(QWidget*)> act, double seconds = 10.0,
                         QObject* owner = qApp) {
    auto* timer = new QTimer(owner);
    auto left = std::make_shared<int>(static_cast<int>(seconds * 100));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act = std::move(act), left] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(w);
                return;
            }
        }
        if (--*left <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return timer;
}

} // namespace testing
