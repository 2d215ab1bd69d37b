// The main window as the logger windows see it: app records, a placeholder window and the two
// timers, registered in one LoggerContext. Header-only, for the tests of those windows.
#pragma once

#include "logger_data/logger_context.h"
#include "meter_link/meter_line.h"
#include "meter_link/records.h"

#include <QTimer>
#include <QWidget>

namespace testing {

struct ContextFixture {
    AppState app;
    QWidget panel;
    MeterLine line{app.link, app.logger}; // no port: its poll reads nothing
    QTimer& timer1 = line.Timer1;
    QTimer timer2;
    LoggerContext ctx;

    ContextFixture() {
        line.setSampler([this] { timer2.stop(); }, [this] { timer2.start(); });
        ctx.app = &app;
        ctx.panel = &panel;
        ctx.line = &line;
    }
    ~ContextFixture() {
        // The windows are the panel's children; drop them before the records they point at.
        for (QWidget* w : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isWindow())
                delete w;
    }
    ContextFixture(const ContextFixture&) = delete;
    ContextFixture& operator=(const ContextFixture&) = delete;
};

} // namespace testing
