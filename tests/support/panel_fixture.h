// The main window on the meter stand-in, through the real serial layer. Header-only: only the
// tests of the main window include it.
#pragma once

#include "front_panel/panel.h"
#include "meter_link/records.h"
#include "tests/support/line_fixture.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_standin.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace testing {

struct PanelFixture {
    QTemporaryDir dir;
    standin::MeterStandIn meter;
    AppState app;
    MessageCapture messages;
    EndCapture ends;
    std::unique_ptr<Panel> panel;

    // Opens the stand-in at a link named COM1 maps to, and loads the main window on it.
    bool start(bool load = true) {
        if (!openOnCom1(meter, dir))
            return false;
        app.link.ComPortNumber = 1;
        panel = std::make_unique<Panel>(app);
        return !load || panel->Form_Load();
    }

    // Stops polling and lets a poll cycle under way end, so that from now on the line carries
    // only what the test does. False if the cycle never ended.
    bool quiet() {
        panel->Timer1.stop();
        return waitUntil([&] { return panel->line.pollIdle(); }, 20.0);
    }
};

} // namespace testing
