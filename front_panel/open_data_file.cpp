#include "front_panel/open_data_file.h"

#include "front_panel/item_reader.h"
#include "logger_data/file_list.h"
#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "platform/ansi_text.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"
#include "platform/message_box.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr qint64 kProgressMs = 250;

} // namespace

DataFileRead ReadDataFile(QIODevice& device, platform::Grid& grid, const std::function<void(qint64)>& progress,
                          qint64 chunk) {
    DataFileRead out;
    QElapsedTimer clock;
    clock.start();
    qint64 n = 0;
    const DeviceItemsRead read = ReadDeviceItems(device, chunk, grid.byteLimit(), [&](QByteArrayView item) {
        if (n == 0) {
            grid.setRow(0);
            grid.setCol(2);
            grid.setText(IsMetricHeader(platform::fromAnsi(item)) ? QStringLiteral("W/(M)2")
                                                                   : QStringLiteral("Btu/(ft)2.h"));
        } else if (!grid.tryAddAnsiItem(item)) {
            return false;
        } else {
            out.rows = n;
            // Every row would cost a request to the window system; the caption and the view
            // follow every few hundred ms instead.
            if (progress && (n & 1023) == 0 && clock.elapsed() >= kProgressMs) {
                grid.flushRows();
                progress(n);
                clock.restart();
            }
        }
        ++n;
        return true;
    });
    switch (read.status) {
    case DeviceItemsRead::End:
        out.status = DataFileRead::End;
        break;
    case DeviceItemsRead::OpenQuote:
        out.status = DataFileRead::OpenQuote;
        break;
    case DeviceItemsRead::ReadError:
        out.status = DataFileRead::ReadError;
        out.error = read.error;
        break;
    case DeviceItemsRead::Stopped:
    case DeviceItemsRead::TooLong:
        out.status = DataFileRead::Full;
        break;
    }
    grid.flushRows();
    return out;
}

void OpenDataFile(LoggerContext& ctx) {
    RecordingState& rec = ctx.app->recording;
    if (rec.Recording) {
        platform::msgBox(ctx.panel, QStringLiteral("Recording Mode!\n\rPlease stop recording!"),
                         platform::MsgIcon::Critical);
        return;
    }

    platform::CommonDialog& Cmd1 = *ctx.Cmd1;
    const bool chosen = Cmd1.setAction(platform::CommonDialog::ActionOpen);
    // Governs the next dialog on this control, not this one.
    Cmd1.CancelError = true;
    if (!chosen || Cmd1.FileName.isEmpty())
        return;
    const QString fileName = Cmd1.FileName;
    const QString shownName = QDir::toNativeSeparators(fileName);

    // Every opening starts with a fresh list.
    if (ctx.fileList)
        ctx.fileList->Unload();

    // A device, pipe or folder never ends, blocks or is no text: refused before it is opened,
    // since opening a pipe already waits for a writer.
    const QString notRegular = QStringLiteral("Cannot open %1: not a regular file").arg(shownName);
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile()) {
        platform::msgBox(ctx.panel, notRegular, platform::MsgIcon::Critical);
        return;
    }
    QFile& file = rec.File;
    if (file.isOpen())
        file.close();
    file.setFileName(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason = file.errorString();
        platform::msgBox(ctx.panel, QStringLiteral("Cannot open %1: %2").arg(shownName, reason),
                         platform::MsgIcon::Critical);
        return;
    }
#ifdef Q_OS_UNIX
    // The name may have been swapped for something else in between.
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0 || !S_ISREG(st.st_mode)) {
        file.close();
        platform::msgBox(ctx.panel, notRegular, platform::MsgIcon::Critical);
        return;
    }
#endif

    auto* list = new FileList(ctx);
    ctx.fileList = list;
    list->show();
    const QString caption = list->windowTitle();
    platform::setBusyPointer(true);
    const DataFileRead read = ReadDataFile(file, *list->Grid, [list](qint64 rows) {
        list->setWindowTitle(QString::number(rows) + QStringLiteral(" Records Completed"));
    });
    platform::setBusyPointer(false);
    list->setWindowTitle(caption);
    file.close();

    QString failure;
    switch (read.status) {
    case DataFileRead::End:
        break;
    case DataFileRead::OpenQuote:
        failure = QStringLiteral("%1 ends inside a quoted item; the rows before it were read.").arg(shownName);
        break;
    case DataFileRead::ReadError:
        failure = QStringLiteral("Could not read %1: %2. The rows before the failure were read.")
                      .arg(shownName, read.error);
        break;
    case DataFileRead::Full:
        failure = QStringLiteral("%1 holds more than the list can keep in memory; the first %2 rows were read.")
                      .arg(shownName)
                      .arg(read.rows);
        break;
    }
    if (!failure.isEmpty()) {
        platform::Form::Hold hold(*list);
        platform::msgBox(list, failure, platform::MsgIcon::Critical);
    }
}
