// The logger: a whole download through the main window from the stand-in on COM1 ("download"),
// or the decoding of the full memory's one set into both grids of the data list ("decode").
#include "bench/standin_process.h"
#include "bench/usage.h"
#include "front_panel/panel.h"
#include "logger_data/data_list.h"
#include "logger_data/logger_context.h"
#include "meter_link/meter_line.h"
#include "logger_data/logger_image.h"
#include "logger_data/memory.h"
#include "platform/grid.h"
#include "platform/message_box.h"
#include "tools/standin/meter_logger.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

int download() {
    AppState app;
    app.link.ComPortNumber = 1;
    Panel panel(app);
    panel.show();
    if (!panel.Form_Load())
        return 1;
    int rc = 2;
    bool started = false;
    QObject::connect(&panel, &Panel::framePainted, [&] {
        if (started)
            return;
        started = true;
        QTimer::singleShot(0, [&] {
            QElapsedTimer wall;
            const double cpu0 = bench::cpuSeconds();
            wall.start();
            panel.Toolbar1_ButtonClick(QStringLiteral("Memory"));
            const double w = wall.elapsed() / 1000.0;
            const double cpu = bench::cpuSeconds() - cpu0;
            const int expected = static_cast<int>(app.logger.MemoryPointer) - 1008;
            Memory* m = panel.loggerContext.memory;
            const QString rows = m ? m->GridSet->textAt(1, 3) : QString();
            std::printf("download: %d bytes  wall %.2f s  line time at 1920 bytes/s %.2f s  ratio %.3f  "
                        "cpu %.2f s  %.2f %% of one core  records %s\n",
                        expected, w, expected / 1920.0, w / (expected / 1920.0), cpu, 100.0 * cpu / w,
                        qPrintable(rows));
            rc = rows.isEmpty() ? 1 : 0;
            QApplication::exit(rc);
        });
    });
    QTimer::singleShot(300000, [] { QApplication::exit(2); });
    QApplication::exec();
    return rc;
}

int decode() {
    AppState app;
    QWidget panel;
    MeterLine line(app.link, app.logger); // no port
    LoggerContext ctx;
    ctx.app = &app;
    ctx.panel = &panel;
    ctx.line = &line;
    panel.show();
    QByteArray image;
    standin::loggerMemory(QStringLiteral("full"), image);
    auto* memory = new Memory(ctx);
    memory->show();
    const LoggerSplit split = SplitLoggerImage(image + image.left(4), app.logger.MemorySets);
    for (const QString& row : split.rows)
        memory->GridSet->addItem(row);
    QApplication::processEvents();
    memory->GridSet->setRow(1);
    QElapsedTimer wall;
    wall.start();
    memory->GridSet_Click();
    const double w = wall.elapsed() / 1000.0;
    QApplication::processEvents();
    const int rows = ctx.dataList ? ctx.dataList->GridM->rows() - 1 : 0;
    std::printf("decode: %d records into both grids  %.3f s  peak RSS %.1f MB\n", rows, w,
                bench::peakRssMb());
    return rows == 43346 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    bench::messagesToStderr();
    if (argc > 1 && std::strcmp(argv[1], "decode") == 0)
        return decode();
    return download();
}
