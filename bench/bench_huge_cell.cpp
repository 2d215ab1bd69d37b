// A list with one huge cell (digits only, 20 MB by default) in the real-time list's grid: the time
// of one paint of the grid with that cell in view, and of one with ordinary rows only.
#include "bench/usage.h"
#include "platform/grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTime>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Median milliseconds of `runs` paints of the grid, each forced at once.
double paintMs(platform::Grid& grid, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        grid.viewport()->repaint();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const qsizetype bytes = argc > 1 ? std::atoll(argv[1]) : 20 * 1000 * 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    QWidget window;
    window.resize(186, 271);
    platform::Grid grid(&window);
    grid.setGeometry(0, 32, 185, 241);
    grid.setCols(3);
    // The real-time list's columns, measured from " 000000 ", " HH:NN:SS" and "AAW/Am)AA".
    grid.setColWidth(0, 700);
    grid.setColWidth(1, 800);
    grid.setColWidth(2, 900);
    for (int n = 1; n <= 5; ++n)
        grid.addItem(QStringLiteral("%1\t10:00:0%1\t812.5").arg(n));
    window.show();
    grid.flushRows();
    QCoreApplication::processEvents();
    const double plain = paintMs(grid, runs);

    QString digits(bytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes; ++i)
        digits[i] = QChar(static_cast<char16_t>(u'0' + i % 10));
    grid.addItem(QStringLiteral("6\t10:00:06\t") + digits);
    digits.clear();
    grid.flushRows();
    QCoreApplication::processEvents();
    const double huge = paintMs(grid, runs);

    std::printf("paint, ordinary rows: %.2f ms\n", plain);
    std::printf("paint, a %lld-byte cell in view: %.2f ms\n", static_cast<long long>(bytes), huge);
    std::printf("peak RSS %.1f MiB\n", bench::peakRssMb());
    return 0;
}
