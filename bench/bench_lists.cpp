// Opening an 86 401-line recording file into the file list, then the data list with a full
// memory's one set (43 346 records) in both grids: the open time and the peak memory with both
// lists full.
#include "front_panel/open_data_file.h"
#include "front_panel/panel.h"
#include "logger_data/data_list.h"
#include "logger_data/file_list.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <cstdio>
#include <optional>
#include <sys/resource.h>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 86401;
    const int records = argc > 2 ? std::atoi(argv[2]) : 43346;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        QByteArray out = "\tTime\tW/(M)2\r\n";
        for (int n = 1; n < lines; ++n) {
            out += QByteArray::number(n) + '\t' +
                   QTime(0, 0).addSecs(n % 86400).toString(QStringLiteral("hh:mm:ss")).toLatin1() + '\t' +
                   QByteArray::number(100 + n % 1900) + ".5\r\n";
        }
        f.write(out);
    }

    AppState app;
    app.display.DisplayUnitText = QStringLiteral("W/(M)2");
    Panel panel(app);
    panel.show();
    platform::CommonDialog::setResponder(
        [&](const platform::CommonDialog::Request&) -> std::optional<QString> { return path; });
    QCoreApplication::processEvents();

    QElapsedTimer t;
    t.start();
    OpenDataFile(panel.loggerContext);
    const double openS = t.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents();
    FileList* fileList = panel.loggerContext.fileList;
    const int fileRows = fileList ? fileList->Grid->rows() - 1 : -1;

    app.logger.ListUnitMetric = true;
    auto* dataList = new DataList(panel.loggerContext);
    panel.loggerContext.dataList = dataList;
    for (int n = 1; n <= records; ++n) {
        const QString time = QTime(0, 0).addSecs((n - 1) * 2 % 86400).toString(QStringLiteral("hh:mm:ss"));
        const double w = 100 + n % 2100 + 0.4;
        dataList->GridM->addItem(QString::number(n) + QLatin1Char('\t') + time + QLatin1Char('\t') +
                                 QString::number(w, 'f', 1));
        dataList->GridI->addItem(QString::number(n) + QLatin1Char('\t') + time + QLatin1Char('\t') +
                                 QString::number(w / 3.1546, 'f', 1));
    }
    dataList->show();
    QCoreApplication::processEvents();

    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("open %d lines: %.3f s, %d rows\n", lines, openS, fileRows);
    std::printf("data list rows %d + %d\n", dataList->GridM->rows() - 1, dataList->GridI->rows() - 1);
    std::printf("peak RSS %.1f MiB\n", ru.ru_maxrss / 1024.0);
    platform::CommonDialog::setResponder({});
    return fileRows == lines - 1 ? 0 : 1;
}
