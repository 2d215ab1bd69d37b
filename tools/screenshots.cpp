// screenshots: makes the README's pictures by using the program as a user does, against the meter
// stand-in running as its own process on a pseudo-terminal. Each window is grabbed to a PNG with
// a plain title strip, since offscreen windows have no frame of their own.
//
//     screenshots --out DIR [--standin PATH]

#include "front_panel/panel.h"
#include "front_panel/real_time_graph.h"
#include "logger_data/data_list.h"
#include "logger_data/list_plot.h"
#include "logger_data/logger_context.h"
#include "logger_data/memory.h"
#include "meter_link/decode.h"
#include "meter_link/port.h"
#include "meter_link/records.h"
#include "platform/grid.h"
#include "platform/message_box.h"
#include "platform/pump.h"
#include "platform/toolbar.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/prctl.h>

namespace {

QProcess* standinProcess = nullptr;

void stopStandin() {
    if (standinProcess && standinProcess->state() != QProcess::NotRunning) {
        standinProcess->terminate();
        if (!standinProcess->waitForFinished(3000))
            standinProcess->kill();
    }
}

// Ends at once, from inside any nested loop; the stand-in must not outlive it.
[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "screenshots: %s\n", what.toLocal8Bit().constData());
    std::fflush(stderr);
    stopStandin();
    std::_Exit(1);
}

// Pumps events, blocking between them, until `done` holds; fails after `seconds`.
void waitFor(const std::function<bool()>& done, double seconds, const QString& what) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > seconds * 1000)
            fail(QStringLiteral("timed out waiting for %1").arg(what));
        platform::pumpEventsFor(0.02);
    }
}

void pumpFor(double seconds) {
    QElapsedTimer t;
    t.start();
    waitFor([&] { return t.elapsed() >= seconds * 1000; }, seconds + 1, QStringLiteral("a pause"));
}

// The window as its client area shows it, under a title strip with its caption.
QImage framed(QWidget* w) {
    const QPixmap client = w->grab();
    const QFont font = QApplication::font();
    const int strip = QFontMetrics(font).height() + 8;
    const int border = 1;
    QImage out(client.width() + 2 * border, client.height() + strip + border, QImage::Format_RGB32);
    out.fill(QColor(96, 96, 96));
    QPainter p(&out);
    p.fillRect(border, border, client.width(), strip - border, QColor(0, 0, 128));
    p.setPen(Qt::white);
    p.setFont(font);
    p.drawText(QRect(border + 6, border, client.width() - 12, strip - border),
               Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
    p.drawPixmap(border, strip, client);
    return out;
}

void save(QWidget* w, const QString& dir, const QString& name) {
    const QString path = QDir(dir).filePath(name);
    if (!framed(w).save(path))
        fail(QStringLiteral("cannot write %1").arg(path));
    std::printf("%s\n", QDir::toNativeSeparators(path).toLocal8Bit().constData());
    std::fflush(stdout);
}

void activate(QWidget* w) {
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        fail(QStringLiteral("the window \"%1\" did not become active").arg(w->windowTitle()));
}

void clickToolbar(platform::Toolbar* bar, const QString& key) {
    platform::ToolbarButton* b = bar ? bar->button(key) : nullptr;
    if (!b || !b->isVisible())
        fail(QStringLiteral("no toolbar button \"%1\"").arg(key));
    QTest::mouseClick(b, Qt::LeftButton);
}

// A real click on the set list's row whose set number is `set`.
void clickSet(platform::Grid* grid, const QString& set) {
    for (int r = 1; r < grid->rows(); ++r) {
        if (grid->textAt(r, 0).trimmed() != set)
            continue;
        const QModelIndex cell = grid->model()->index(r, 1);
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        return;
    }
    fail(QStringLiteral("no set %1 in the logger window").arg(set));
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes the README's pictures against the meter stand-in."));
    parser.addHelpOption();
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("Folder for the pictures."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption standinOpt(
        QStringLiteral("standin"), QStringLiteral("The meter_standin program."), QStringLiteral("PATH"),
        QDir(QCoreApplication::applicationDirPath()).filePath("meter_standin"));
    parser.addOptions({outOpt, standinOpt});
    parser.process(qapp);
    if (!parser.isSet(outOpt))
        fail(QStringLiteral("--out is required"));
    const QString out = parser.value(outOpt);
    if (!QDir().mkpath(out))
        fail(QStringLiteral("cannot create %1").arg(out));

    // A message box would wait for a person; none is expected on this road, so one is a failure.
    platform::setMsgResponder([](const platform::MsgRecord& r) -> platform::MsgResult {
        fail(QStringLiteral("the program said \"%1\"").arg(r.text));
    });

    // The stand-in, as scripts/demo starts it, behind a link that COM1 is mapped to.
    QTemporaryDir run;
    const QString link = QDir(run.path()).filePath(QStringLiteral("meter"));
    QProcess standin;
    // Its log of commands goes to the run folder, out of the way.
    standin.setStandardErrorFile(QDir(run.path()).filePath(QStringLiteral("standin.log")));
    // Even if this program dies, the stand-in goes with it.
    standin.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // A week of sunny days in the logger, sent as fast as the line takes it.
    standin.start(parser.value(standinOpt),
                  {QStringLiteral("--link"), link, QStringLiteral("--memory"), QStringLiteral("week"),
                   QStringLiteral("--pace"), QStringLiteral("0")});
    if (!standin.waitForStarted())
        fail(QStringLiteral("cannot start %1").arg(parser.value(standinOpt)));
    standinProcess = &standin;
    waitFor([&] { return QFileInfo::exists(link); }, 5, QStringLiteral("the stand-in's device"));
    qputenv("VANTREL_COM1", link.toLocal8Bit());

    // Start-up as main() does it: the port choice, then the main window.
    AppState app;
    std::unique_ptr<Panel> panel;
    auto* port = new Port(app.link, [&] {
        panel = std::make_unique<Panel>(app);
        panel->show();
        panel->Form_Load();
    });
    port->show();
    activate(port);
    // The window opens with the focus on "COM1": Enter chooses it.
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : port, Qt::Key_Return);
    waitFor([&] { return panel && panel->isVisible(); }, 5, QStringLiteral("the main window"));
    waitFor([&] { return IsSolarUnit(app.display.DisplayUnitText) && !panel->LblValue->text().isEmpty(); },
            10, QStringLiteral("a reading on the main window"));
    pumpFor(1.0);
    save(panel.get(), out, QStringLiteral("main-window.png"));

    // "Graph": the live graph after one sweep and a little more, so the wrap and the cursor show.
    activate(panel.get());
    clickToolbar(panel->Toolbar1, QStringLiteral("Graph"));
    waitFor([] { return RealTimeGraph::current() && RealTimeGraph::current()->isVisible(); }, 5,
            QStringLiteral("the live graph"));
    {
        bool wrapped = false;
        float last = app.liveGraph.GraphSweepX;
        waitFor(
            [&] {
                const float s = app.liveGraph.GraphSweepX;
                wrapped = wrapped || s < last;
                last = s;
                return wrapped && s >= 60;
            },
            60, QStringLiteral("a full sweep of the live graph"));
    }
    save(RealTimeGraph::current(), out, QStringLiteral("live-graph.png"));
    RealTimeGraph::current()->Unload();

    // "Memory": the download fills the logger window's set list; a click on a set lists it.
    LoggerContext& ctx = panel->loggerContext;
    activate(panel.get());
    clickToolbar(panel->Toolbar1, QStringLiteral("Memory"));
    waitFor([&] { return ctx.memory && ctx.memory->isVisible() && ctx.memory->GridSet->rows() > 1; }, 60,
            QStringLiteral("the logger's sets"));
    Memory* memory = ctx.memory;
    activate(memory);
    pumpFor(0.3);
    save(memory, out, QStringLiteral("logger.png"));
    clickSet(memory->GridSet, QStringLiteral("3"));
    waitFor([&] { return ctx.dataList && ctx.dataList->isVisible(); }, 10, QStringLiteral("the data list"));
    DataList* dataList = ctx.dataList;
    activate(dataList);
    pumpFor(0.3);
    save(dataList, out, QStringLiteral("data-list.png"));

    // "Plot" on the data list: the set's day as a chart, once it is drawn in full.
    clickToolbar(dataList->Toolbar1, QStringLiteral("Plot"));
    waitFor([&] { return ctx.listPlot && ctx.listPlot->isVisible(); }, 10, QStringLiteral("the plot window"));
    ListPlot* plot = ctx.listPlot;
    waitFor([&] { return !plot->plotting() && plot->windowTitle() == QLatin1String(ListPlot::Caption); }, 60,
            QStringLiteral("the plot to finish"));
    pumpFor(0.3);
    save(plot, out, QStringLiteral("plot.png"));

    stopStandin();
    return 0;
}
