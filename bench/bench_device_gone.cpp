// Runs the main window on COM1 against the stand-in as a process of its own, ends the stand-in
// (its terminal closes as a pulled adapter does), measures the program's CPU use while the
// device is gone, then starts a new stand-in behind the same link and measures how long the
// program takes to paint frames again.
#include "bench/meter_outage.h"

#include <QProcess>
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
    bench::Outage o;
    const bool ok = bench::measureOutage(
        link, 1.0, seconds,
        [&] {
            first.terminate();
            first.waitForFinished(5000);
        },
        [&] { return bench::startStandin(second, standin, link); }, o);
    second.terminate();
    second.waitForFinished(5000);
    if (!ok)
        return 1;
    std::printf("device gone %.1f s: cpu %.3f s, %.2f %% of one core; frames again %.2f s after it was back\n",
                o.wall, o.cpu, 100.0 * o.cpu / o.wall, o.back);
    return 0;
}
