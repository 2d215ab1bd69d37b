// Opening a data file from "Open": the time from the click to the list drawn on the screen, and the
// memory the open adds to the program's resident set at its peak, against the file's size.
// Usage: bench_open FILE
#include "bench/usage.h"
#include "front_panel/open_data_file.h"
#include "front_panel/panel.h"
#include "logger_data/file_list.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// The resident set now, in MiB.
double rssMb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

// Counts the paints of the grids' viewports.
struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->parent() && qobject_cast<platform::Grid*>(o->parent()))
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);

    AppState app;
    app.display.DisplayUnitText = QStringLiteral("W/(M)2");
    Panel panel(app);
    panel.show();
    QStringList messages;
    platform::setMsgResponder([&](const platform::MsgRecord& m) {
        messages << m.text;
        return platform::MsgResult::Ok;
    });
    platform::CommonDialog::setResponder(
        [&](const platform::CommonDialog::Request&) -> std::optional<QString> { return path; });
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double startRss = rssMb();

    PaintCount paints;
    qapp.installEventFilter(&paints);
    QElapsedTimer t;
    t.start();
    OpenDataFile(panel.loggerContext);
    const double readS = t.nsecsElapsed() / 1e9;
    FileList* list = panel.loggerContext.fileList;
    // On the screen: the list's grid has been painted with its rows.
    while (list && paints.paints == 0 && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double shownS = t.nsecsElapsed() / 1e9;
    qapp.removeEventFilter(&paints);

    const double fileMb = static_cast<double>(QFileInfo(path).size()) / 1048576.0;
    const double grownMb = bench::peakRssMb() - startRss;
    std::printf("file %s: %.1f MiB\n", qPrintable(path), fileMb);
    std::printf("rows %d\n", list ? list->Grid->rows() - 1 : -1);
    std::printf("read %.3f s, on screen %.3f s\n", readS, shownS);
    std::printf("peak growth %.1f MiB = %.2f x the file\n", grownMb, fileMb > 0 ? grownMb / fileMb : 0.0);
    for (const QString& m : messages)
        std::printf("message: %s\n", qPrintable(m));
    platform::CommonDialog::setResponder({});
    platform::setMsgResponder({});
    return 0;
}
