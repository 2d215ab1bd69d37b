// Runs the main window on COM1 against the stand-in as a process of its own, stops the stand-in
// (a meter switched off with its cable in: the line stays, nothing comes), measures the program's
// CPU use while the meter is silent, then lets the stand-in go on and measures how long the
// program takes to paint frames again.
#include "bench/standin_process.h"
#include "bench/usage.h"
#include "front_panel/panel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/types.h>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_silent STANDIN LINK [SECONDS]\n");
        return 2;
    }
    const QString link = QString::fromLocal8Bit(argv[2]);
    const double seconds = argc > 3 ? std::atof(argv[3]) : 20.0;
    QProcess meter;
    if (!bench::startStandin(meter, QString::fromLocal8Bit(argv[1]), link))
        return 1;
    const auto pid = static_cast<pid_t>(meter.processId());
    qputenv("VANTREL_COM1", link.toLocal8Bit());
    bench::messagesToStderr();

    AppState app;
    app.link.ComPortNumber = 1;
    Panel panel(app);
    if (!panel.Form_Load())
        return 1;
    int frames = 0;
    double cpuSilent = 0;
    double wallSilent = 0;
    QString label;
    QElapsedTimer back;
    int framesAtReturn = -1;
    QObject::connect(&panel, &Panel::framePainted, [&] {
        ++frames;
        if (frames == 5) {
            ::kill(pid, SIGSTOP);
            const double cpu0 = bench::cpuSeconds();
            QElapsedTimer wall;
            wall.start();
            QTimer::singleShot(static_cast<int>(seconds * 1000), [&, cpu0, wall] {
                cpuSilent = bench::cpuSeconds() - cpu0;
                wallSilent = wall.elapsed() / 1000.0;
                label = panel.LblCOM->text();
                framesAtReturn = frames;
                back.start();
                ::kill(pid, SIGCONT);
            });
        } else if (framesAtReturn >= 0 && frames > framesAtReturn) {
            QApplication::exit(0);
        }
    });
    QTimer::singleShot(static_cast<int>(seconds * 1000) + 60000, [] { QApplication::exit(3); });
    const int rc = QApplication::exec();
    ::kill(pid, SIGCONT);
    meter.terminate();
    meter.waitForFinished(5000);
    if (rc != 0) {
        std::fprintf(stderr, "the program did not come back (%d)\n", rc);
        return 1;
    }
    std::printf(
        "meter silent %.1f s (label \"%s\"): cpu %.3f s, %.2f %% of one core; frames again %.2f s after "
        "it spoke\n",
        wallSilent, qPrintable(label), cpuSilent, 100.0 * cpuSilent / wallSilent, back.elapsed() / 1000.0);
    return 0;
}
