// Runs the main window on COM1 for a while and prints its CPU use and the frames it painted.
#include "bench/usage.h"
#include "front_panel/panel.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    AppState app;
    app.link.ComPortNumber = 1;
    Panel panel(app);
    panel.show();
    if (!panel.Form_Load())
        return 1;
    // Count from the first painted frame, so start-up is not measured.
    int frames = -1;
    double cpu0 = 0;
    QElapsedTimer wall;
    QObject::connect(&panel, &Panel::framePainted, [&] {
        if (frames < 0) {
            frames = 0;
            cpu0 = bench::cpuSeconds();
            wall.start();
            QTimer::singleShot(static_cast<int>(seconds * 1000), [] { QApplication::exit(0); });
        } else {
            ++frames;
        }
    });
    QTimer::singleShot(static_cast<int>(seconds * 1000) + 10000, [] { QApplication::exit(2); });
    const int rc = QApplication::exec();
    if (rc != 0 || frames < 0) {
        std::fprintf(stderr, "no frames painted\n");
        return 1;
    }
    const double w = wall.elapsed() / 1000.0;
    std::printf("wall %.1f s  cpu %.3f s  cpu %.2f %% of one core  frames painted %.1f /s\n", w,
                bench::cpuSeconds() - cpu0, 100.0 * (bench::cpuSeconds() - cpu0) / w, frames / w);
    return 0;
}
