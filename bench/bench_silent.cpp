// Runs the main window on COM1 against the stand-in as a process of its own, stops the stand-in
// (a meter switched off with its cable in: the line stays, nothing comes), measures the program's
// CPU use while the meter is silent, then lets the stand-in go on and measures how long the
// program takes to paint frames again.
#include "bench/meter_outage.h"

#include <QProcess>
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
    bench::Outage o;
    const bool ok = bench::measureOutage(
        link, 0, seconds, [pid] { ::kill(pid, SIGSTOP); },
        [pid] {
            ::kill(pid, SIGCONT);
            return true;
        },
        o);
    ::kill(pid, SIGCONT);
    meter.terminate();
    meter.waitForFinished(5000);
    if (!ok)
        return 1;
    std::printf("meter silent %.1f s (label \"%s\"): cpu %.3f s, %.2f %% of one core; frames again %.2f s after "
                "it spoke\n",
                o.wall, qPrintable(o.label), o.cpu, 100.0 * o.cpu / o.wall, o.back);
    return 0;
}
