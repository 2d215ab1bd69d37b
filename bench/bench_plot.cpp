// Plot of a full data list (43 346 records), of a day of 1-second recording in the file list
// (86 400 rows) and of a month of it (2 592 000 rows) in a shown plot window: the time from the
// Plot button to the finished chart, as the user waits for it. Run it on a real X server too:
// the offscreen platform hides the traffic to the server.
#include "assets/assets.h"
#include "logger_data/data_list.h"
#include "logger_data/file_list.h"
#include "logger_data/list_plot.h"
#include "logger_data/logger_context.h"
#include "meter_link/meter_line.h"
#include "platform/grid.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTime>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void fill(platform::Grid& grid, int rows) {
    for (int n = 1; n <= rows; ++n) {
        const QString time = QTime(0, 0).addSecs(n % 86400).toString(QStringLiteral("hh:mm:ss"));
        const double v = 1100 + 1000 * std::sin(n / 700.0);
        grid.addItem(QString::number(n) + QLatin1Char('\t') + time + QLatin1Char('\t') +
                     QString::number(v, 'f', 1));
    }
}

// Clicks the list's Plot button and waits until the chart is complete; seconds.
double plotFrom(platform::Toolbar& toolbar, LoggerContext& ctx) {
    QElapsedTimer t;
    t.start();
    toolbar.button(QStringLiteral("Plot"))->click();
    ListPlot* plot = ctx.listPlot;
    bool done = false;
    QObject::connect(plot, &ListPlot::redrawn, plot, [&] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return t.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitAssets();
    const int records = argc > 1 ? std::atoi(argv[1]) : 43346;
    const int fileRows = argc > 2 ? std::atoi(argv[2]) : 86400;
    const int monthRows = argc > 3 ? std::atoi(argv[3]) : 2592000;
    platform::setMsgResponder([](const platform::MsgRecord&) { return platform::MsgResult::Ok; });

    AppState state;
    QWidget panel;
    panel.setGeometry(0, 0, 323, 400);
    panel.show();
    MeterLine line(state.link, state.logger); // no port
    LoggerContext ctx;
    ctx.app = &state;
    ctx.panel = &panel;
    ctx.line = &line;

    state.logger.ListUnitMetric = true;
    ctx.dataList = new DataList(ctx);
    fill(*ctx.dataList->GridM, records);
    fill(*ctx.dataList->GridI, records);
    ctx.dataList->show();
    const double dataS = plotFrom(*ctx.dataList->Toolbar1, ctx);

    const auto plotFile = [&](int rows) {
        if (ctx.fileList)
            ctx.fileList->close();
        ctx.fileList = new FileList(ctx);
        ctx.fileList->Grid->setRow(0);
        ctx.fileList->Grid->setCol(2);
        ctx.fileList->Grid->setText(QStringLiteral("W/(M)2"));
        fill(*ctx.fileList->Grid, rows);
        ctx.fileList->show();
        return plotFrom(*ctx.fileList->Toolbar1, ctx);
    };
    const double fileS = plotFile(fileRows);
    std::printf("data list %d records: %.3f s\n", records, dataS);
    std::printf("file list %d rows: %.3f s\n", fileRows, fileS);
    std::fflush(stdout);
    if (monthRows > 0) {
        const double monthS = plotFile(monthRows);
        std::printf("month file list %d rows: %.3f s\n", monthRows, monthS);
    }
    return 0;
}
