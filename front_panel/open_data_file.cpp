#include "front_panel/open_data_file.h"

#include "front_panel/item_reader.h"
#include "logger_data/file_list.h"
#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"
#include "platform/message_box.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

constexpr qint64 kChunk = 1 << 16;

} // namespace

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

    // Every opening starts with a fresh list.
    if (ctx.fileList)
        ctx.fileList->Unload();

    QFile& file = rec.File;
    if (file.isOpen())
        file.close();
    file.setFileName(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason = file.errorString();
        platform::msgBox(ctx.panel,
                         QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(fileName), reason),
                         platform::MsgIcon::Critical);
        return;
    }

    auto* list = new FileList(ctx);
    ctx.fileList = list;
    list->show();
    const QString caption = list->windowTitle();
    platform::Grid& grid = *list->Grid;

    // The file is read in chunks; an item cut at a chunk's end is read again with the next one.
    QByteArray buffer;
    qsizetype pos = 0;
    bool atEnd = false;
    qint64 n = 0;
    QString failure;
    for (;;) {
        const NextItemResult r = NextItem(buffer, pos, atEnd);
        if (r.status == NextItemResult::Item) {
            const QString item = QString::fromLatin1(r.item);
            if (n == 0) {
                grid.setRow(0);
                grid.setCol(2);
                grid.setText(IsMetricHeader(item) ? QStringLiteral("W/(M)2") : QStringLiteral("Btu/(ft)2.h"));
            } else {
                grid.addItem(item);
                list->setWindowTitle(QString::number(n) + QStringLiteral(" Records Completed"));
            }
            ++n;
            pos = r.next;
            continue;
        }
        if (r.status == NextItemResult::End)
            break;
        if (r.status == NextItemResult::OpenQuote) {
            failure = QStringLiteral("%1 ends inside a quoted item; the rows before it were read.")
                          .arg(QDir::toNativeSeparators(fileName));
            break;
        }
        // NeedMore: keep the unread tail and add the next chunk. The item is scanned again from its
        // start, so a chunk at least as large as the tail keeps a very long item linear.
        buffer.remove(0, pos);
        pos = 0;
        const qsizetype have = buffer.size();
        const qint64 want = std::max<qint64>(kChunk, have);
        buffer.resize(have + want);
        const qint64 got = file.read(buffer.data() + have, want);
        buffer.resize(have + std::max<qint64>(got, 0));
        if (got < 0) {
            failure = QStringLiteral("Could not read %1: %2. The rows before the failure were read.")
                          .arg(QDir::toNativeSeparators(fileName), file.errorString());
            break;
        }
        if (got == 0)
            atEnd = true;
    }

    list->setWindowTitle(caption);
    file.close();
    if (!failure.isEmpty()) {
        platform::Form::Hold hold(*list);
        platform::msgBox(list, failure, platform::MsgIcon::Critical);
    }
}
