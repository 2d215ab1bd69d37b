// The run the silent-meter and lost-device benches share: the main window on COM1 paints five
// frames, the meter is cut off, the program's CPU is measured for a while, the meter comes back
// and the time to the next painted frame is taken.
#pragma once

#include "bench/standin_process.h"
#include "bench/usage.h"
#include "front_panel/panel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace bench {

struct Outage {
    double cpu = 0;  // process CPU seconds while cut off
    double wall = 0; // seconds measured
    double back = 0; // seconds from the restore to the next painted frame
    QString label;   // the port label at the end of the outage
};

// `cut` cuts the meter off; the measure starts `settle` seconds later and lasts `seconds`;
// `restore` brings the meter back (false: it could not). False when the program did not come back.
inline bool measureOutage(const QString& link, double settle, double seconds, const std::function<void()>& cut,
                          const std::function<bool()>& restore, Outage& out) {
    qputenv("VANTREL_COM1", link.toLocal8Bit());
    messagesToStderr();
    AppState app;
    app.link.ComPortNumber = 1;
    Panel panel(app);
    if (!panel.Form_Load())
        return false;
    int frames = 0;
    int framesAtReturn = -1;
    QElapsedTimer back;
    // Timers run inside any of the program's waits, so the whole run is driven by them.
    QObject::connect(&panel, &Panel::framePainted, [&] {
        ++frames;
        if (frames == 5) {
            cut();
            QTimer::singleShot(static_cast<int>(settle * 1000), [&] {
                const double cpu0 = cpuSeconds();
                QElapsedTimer wall;
                wall.start();
                QTimer::singleShot(static_cast<int>(seconds * 1000), [&, cpu0, wall] {
                    out.cpu = cpuSeconds() - cpu0;
                    out.wall = wall.elapsed() / 1000.0;
                    out.label = panel.LblCOM->text();
                    framesAtReturn = frames;
                    back.start();
                    if (!restore())
                        QApplication::exit(1);
                });
            });
        } else if (framesAtReturn >= 0 && frames > framesAtReturn) {
            out.back = back.elapsed() / 1000.0;
            QApplication::exit(0);
        }
    });
    QTimer::singleShot(static_cast<int>((settle + seconds) * 1000) + 60000, [] { QApplication::exit(3); });
    const int rc = QApplication::exec();
    if (rc != 0)
        std::fprintf(stderr, "the program did not come back (%d)\n", rc);
    return rc == 0;
}

} // namespace bench
