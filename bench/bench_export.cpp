// Export of a full real-time list (86 400 rows) to a text file: time and peak memory.
// Also times the appends that fill the list, early and late, to show they stay constant.
#include "bench/usage.h"
#include "logger_data/file_transfer.h"
#include "platform/grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>
#include <cstdio>

namespace {

// The sampler's append: a row, the current row at the bottom, one row of scroll past 15.
void appendSample(platform::Grid& grid, int n) {
    const QString time = QTime(0, 0).addSecs(n).toString(QStringLiteral("hh:mm:ss"));
    grid.addItem(QString::number(n) + QLatin1Char('\t') + time + QStringLiteral("\t812.5"));
    grid.setRow(grid.rows() - 1);
    if (grid.row() > 15)
        grid.setTopRow(grid.topRow() + 1);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 86400;
    constexpr int block = 2000;

    QWidget window;
    window.setWindowTitle(QStringLiteral("Real Time List"));
    window.resize(186, 271);
    platform::Grid grid(&window);
    grid.setGeometry(0, 32, 185, 241);
    grid.setCols(3);
    grid.setRow(0);
    const QStringList header{QStringLiteral("No.s"), QStringLiteral("Time"), QStringLiteral("W/(M)2")};
    for (int c = 0; c < 3; ++c) {
        grid.setCol(c);
        grid.setText(header[c]);
    }
    window.show();
    QCoreApplication::processEvents();

    // Appends, with the events a running program would see between samples.
    QElapsedTimer t;
    double firstBlockUs = 0, lastBlockUs = 0;
    t.start();
    for (int n = 1; n <= rows; ++n) {
        appendSample(grid, n);
        if (n % 100 == 0)
            QCoreApplication::processEvents();
        if (n == block) {
            firstBlockUs = t.nsecsElapsed() / 1e3 / block;
        } else if (n == rows - block) {
            t.restart();
        }
    }
    lastBlockUs = t.nsecsElapsed() / 1e3 / block;
    QCoreApplication::processEvents();

    QTemporaryDir dir;
    RecordingState rec;
    rec.SaveFileName = dir.filePath(QStringLiteral("list.txt"));
    rec.FileChosen = true;
    t.restart();
    const bool ok = SaveGridToFile(window, grid, rec);
    const double exportS = t.nsecsElapsed() / 1e9;

    std::printf("rows %d\n", grid.rows() - 1);
    std::printf("append first %d: %.2f us/row, last %d: %.2f us/row\n", block, firstBlockUs, block,
                lastBlockUs);
    std::printf("export %s: %.3f s (%lld bytes)\n", ok ? "ok" : "FAILED", exportS,
                static_cast<long long>(QFileInfo(rec.SaveFileName).size()));
    std::printf("peak RSS %.1f MiB\n", bench::peakRssMb());
    return ok ? 0 : 1;
}
