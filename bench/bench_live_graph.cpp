// The live graph over one full sweep at its opening step (offscreen, window shown): the graph's
// own timer at the poll interval, the reading label changed as the mirror changes it. Prints
// the process CPU time over the sweep as a share of one core, and the time per tick.
// Target: program CPU while the live graph runs <= 10 % of one core.
#include "bench/usage.h"
#include "front_panel/panel.h"
#include "front_panel/real_time_graph.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    AppState app;
    Panel panel(app);
    panel.show();
    app.display.DisplayUnitText = QStringLiteral("W/(M)2");
    app.display.AnnPerM2 = true;
    panel.LblValue->setText(QStringLiteral("812.5"));

    // The mirror repaints the reading about every 100 ms, as the meter streams it.
    int frame = 0;
    QTimer mirror;
    QObject::connect(&mirror, &QTimer::timeout, [&] {
        ++frame;
        panel.LblValue->setText(QString::number(1100 + 700 * std::sin(frame / 20.0), 'f', 1));
    });
    mirror.start(100);

    panel.Toolbar1_ButtonClick(QStringLiteral("Graph"));
    RealTimeGraph* graph = RealTimeGraph::current();
    if (!graph) {
        std::fprintf(stderr, "the graph did not open\n");
        return 1;
    }
    QCoreApplication::processEvents();

    // One sweep: from the first position to the wrap back to the left edge.
    int ticks = 0;
    qint64 tickNs = 0;
    QElapsedTimer tickTimer;
    QObject::connect(&graph->Timer1, &QTimer::timeout, [&] { ++ticks; });
    const double cpu0 = bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    bool started = false;
    while (true) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        const float s = app.liveGraph.GraphSweepX;
        if (s > 0)
            started = true;
        if (started && s == 0)
            break;
    }
    const double wallS = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpuS = bench::cpuSeconds() - cpu0;

    // The cost of one tick alone, measured over many ticks after the sweep.
    graph->Timer1.stop();
    tickTimer.start();
    constexpr int kTicks = 2000;
    for (int i = 0; i < kTicks; ++i)
        graph->Timer1_Timer();
    QCoreApplication::processEvents();
    tickNs = tickTimer.nsecsElapsed();

    const double share = 100.0 * cpuS / wallS;
    std::printf("sweep:             %d ticks in %.2f s (W = %.2f units)\n", ticks, wallS,
                app.liveGraph.GraphPlotWidth);
    std::printf("process CPU:       %.3f s, %.2f %% of one core (target <= 10 %%)\n", cpuS, share);
    std::printf("one tick, drawing: %.1f us\n", static_cast<double>(tickNs) / 1e3 / kTicks);
    const bool ok = share <= 10.0;
    std::printf("%s\n", ok ? "within target" : "OUTSIDE TARGET");
    return ok ? 0 : 2;
}
