// The real-time list filled to its limit by the sampler (offscreen): 86 400 sampler ticks, each
// appending one row through the list step. Prints the time and the peak RSS. With a second
// argument N the window events run every N ticks, which adds the painting between ticks.
// Targets: 86 400 appends <= 0.5 s in all; peak RSS with the full list <= 100 MB.
#include "bench/usage.h"
#include "front_panel/panel.h"
#include "front_panel/real_time_list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 86400;
    // Every this many ticks the window events run, as between real ticks (scrolling, painting).
    const int pumpEvery = argc > 2 ? std::atoi(argv[2]) : 0;

    AppState app;
    Panel panel(app);
    panel.show();
    app.display.DisplayUnitText = QStringLiteral("W/(M)2");
    panel.LblValue->setText(QStringLiteral("812.5"));
    app.sampling.SampleInterval = 1;
    app.sampling.SampleTime = QStringLiteral("00:00:00");
    panel.Toolbar1_ButtonClick(QStringLiteral("List"));
    RealTimeList* list = panel.realTimeList();
    if (!list) {
        std::fprintf(stderr, "the list did not open\n");
        return 1;
    }
    QCoreApplication::processEvents();
    const double rssBefore = bench::peakRssMb();

    QElapsedTimer timer;
    timer.start();
    qint64 pumpNs = 0;
    for (int i = 1; i <= rows; ++i) {
        panel.Timer2_Timer();
        if (pumpEvery > 0 && i % pumpEvery == 0) {
            const qint64 t0 = timer.nsecsElapsed();
            QCoreApplication::processEvents();
            pumpNs += timer.nsecsElapsed() - t0;
        }
    }
    const double totalS = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double pumpS = static_cast<double>(pumpNs) / 1e9;
    timer.restart();
    QCoreApplication::processEvents();
    list->repaint();
    const double settleMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    const int dataRows = list->Grid->rows() - 1;
    const double rss = bench::peakRssMb();
    std::printf("rows appended:          %d (grid holds %d, top row %d)\n", rows, dataRows,
                list->Grid->topRow());
    if (pumpEvery > 0) {
        // Painting between ticks: a cost per tick (960 ms apart in use), not part of the target.
        std::printf("events run every:       %d tick(s)\n", pumpEvery);
        std::printf("ticks with events:      %.3f s, %.1f us per tick (%.3f s in event runs)\n", totalS,
                    totalS * 1e6 / rows, pumpS);
    } else {
        std::printf("appends in all:         %.3f s, %.2f us each (target <= 0.5 s)\n", totalS,
                    totalS * 1e6 / rows);
    }
    std::printf("events and paint after: %.1f ms\n", settleMs);
    std::printf("peak RSS before:        %.1f MB\n", rssBefore);
    std::printf("peak RSS full list:     %.1f MB (target <= 100 MB)\n", rss);
    const bool ok = dataRows == rows && (pumpEvery > 0 || totalS <= 0.5) && rss <= 100.0;
    std::printf("%s\n", ok ? "within targets" : "OUTSIDE TARGETS");
    return ok ? 0 : 2;
}
