// Runs the main window on COM1 against the stand-in as a process of its own, ends the stand-in
// (its terminal closes as a pulled adapter does), measures the program's CPU use while the
// device is gone, then starts a new stand-in behind the same link and measures how long the
// program takes to paint frames again.
#include "bench/standin_process.h"
#include "bench/usage.h"
#include "front_panel/panel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_device_gone STANDIN LINK [SECONDS]\n");
        return 2;
    }
    const QString standin = QString::fromLocal8Bit(argv[1]);
    const QString link = QString::fromLocal8Bit(argv[2]);
    const double seconds = argc > 3 ? std::atof(argv[3]) : 10.0;
    QProcess first;
    QProcess second;
    if (!bench::startStandin(first, standin, link))
        return 1;
    qputenv("VANTREL_COM1", link.toLocal8Bit());
    bench::messagesToStderr();

    AppState app;
    app.link.ComPortNumber = 1;
    Panel panel(app);
    if (!panel.Form_Load())
        return 1;
    int frames = 0;
    double cpuGone = 0;
    double wallGone = 0;
    QElapsedTimer back;
    int framesAtReturn = -1;
    QObject::connect(&panel, &Panel::framePainted, [&] {
        ++frames;
        if (frames == 5) {
            // Timers run inside any of the program's waits, so the whole run is driven by them.
            first.terminate();
            first.waitForFinished(5000);
            QTimer::singleShot(1000, [&] {
                const double cpu0 = bench::cpuSeconds();
                QElapsedTimer wall;
                wall.start();
                QTimer::singleShot(static_cast<int>(seconds * 1000), [&, cpu0, wall] {
                    cpuGone = bench::cpuSeconds() - cpu0;
                    wallGone = wall.elapsed() / 1000.0;
                    framesAtReturn = frames;
                    back.start();
                    if (!bench::startStandin(second, standin, link))
                        QApplication::exit(1);
                });
            });
        } else if (framesAtReturn >= 0 && frames > framesAtReturn) {
            QApplication::exit(0);
        }
    });
    QTimer::singleShot(static_cast<int>(seconds * 1000) + 60000, [] { QApplication::exit(3); });
    const int rc = QApplication::exec();
    second.terminate();
    second.waitForFinished(5000);
    if (rc != 0) {
        std::fprintf(stderr, "the program did not come back (%d)\n", rc);
        return 1;
    }
    std::printf(
        "device gone %.1f s: cpu %.3f s, %.2f %% of one core; frames again %.2f s after it was back\n",
        wallGone, cpuGone, 100.0 * cpuGone / wallGone, back.elapsed() / 1000.0);
    return 0;
}
