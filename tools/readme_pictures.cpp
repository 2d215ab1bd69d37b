// Makes the README's pictures from the running program on the meter stand-in: the main window,
// the live graph after one sweep, a file list and its plot. Run by scripts/pictures.
#include "assets/assets.h"
#include "front_panel/panel.h"
#include "front_panel/real_time_graph.h"
#include "logger_data/file_list.h"
#include "logger_data/list_plot.h"
#include "platform/common_dialog.h"
#include "platform/message_box.h"
#include "platform/toolbar.h"
#include "tools/standin/meter_standin.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

bool waitFor(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void pause(double seconds) {
    waitFor([] { return false; }, seconds);
}

bool save(QWidget& w, const QString& folder, const char* name) {
    const QString path = QDir(folder).filePath(QLatin1String(name));
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// A clear day at the bench, one reading a minute from 06:00 to 18:00, as a saved list file.
bool writeDay(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("No.s\tTime\tW/(M)2\t\r\n");
    for (int n = 1; n <= 720; ++n) {
        const double sun = std::sin(M_PI * n / 721.0);
        const double cloud = (n > 400 && n < 430) ? 0.55 : 1.0;
        const double v = 1050 * std::pow(sun, 1.3) * cloud;
        const QString time = QTime(6, 0).addSecs(n * 60).toString(QStringLiteral("hh:mm:ss"));
        f.write(QStringLiteral("%1\t%2\t%3\t\r\n").arg(n).arg(time).arg(v, 0, 'f', 1).toLatin1());
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitAssets();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/pictures");
    QDir().mkpath(folder);
    platform::setMsgResponder([](const platform::MsgRecord& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return platform::MsgResult::Ok;
    });

    QTemporaryDir dir;
    standin::MeterStandIn meter;
    const QString link = dir.filePath(QStringLiteral("meter"));
    if (!meter.open(link)) {
        std::fprintf(stderr, "the meter stand-in did not open\n");
        return 1;
    }
    qputenv("VANTREL_COM1", link.toLocal8Bit());

    AppState state;
    state.link.ComPortNumber = 1;
    Panel panel(state);
    if (!panel.Form_Load())
        return 1;
    panel.show();
    bool ok = waitFor([&] { return !state.display.DisplayUnitText.isEmpty(); }, 10);
    pause(1.5);
    ok = save(panel, folder, "main_window.png") && ok;

    // The live graph after one full sweep.
    panel.Toolbar1->button(QStringLiteral("Graph"))->click();
    RealTimeGraph* graph = RealTimeGraph::current();
    if (graph) {
        float furthest = 0;
        waitFor(
            [&] {
                const float s = state.liveGraph.GraphSweepX;
                furthest = std::max(furthest, s);
                return furthest > 10 && s < furthest; // back at the left edge
            },
            60);
        pause(1.0);
        ok = save(*graph, folder, "live_graph.png") && ok;
        graph->Unload();
    } else {
        ok = false;
    }

    // A saved day opened into the file list, and its plot.
    const QString day = dir.filePath(QStringLiteral("day.txt"));
    ok = writeDay(day) && ok;
    platform::CommonDialog::setResponder([&](const platform::CommonDialog::Request&) { return day; });
    panel.Toolbar1->button(QStringLiteral("Open"))->click();
    platform::CommonDialog::setResponder({});
    FileList* list = panel.loggerContext.fileList;
    if (list) {
        pause(0.5);
        ok = save(*list, folder, "file_list.png") && ok;
        list->Toolbar1->button(QStringLiteral("Plot"))->click();
        ListPlot* plot = panel.loggerContext.listPlot;
        ok = plot &&
             waitFor(
                 [&] { return plot->windowTitle() == QLatin1String(ListPlot::Caption) && !plot->plotting(); },
                 30) &&
             ok;
        pause(0.5);
        if (plot)
            ok = save(*plot, folder, "plot.png") && ok;
    } else {
        ok = false;
    }
    return ok ? 0 : 1;
}
