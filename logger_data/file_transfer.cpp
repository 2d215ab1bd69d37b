#include "logger_data/file_transfer.h"

#include "meter_link/meter_line.h"
#include "platform/ansi_text.h"
#include "platform/common_dialog.h"
#include "platform/file_replace.h"
#include "platform/form.h"
#include "platform/grid.h"
#include "platform/message_box.h"
#include "platform/printer.h"
#include "platform/pump.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace {

constexpr qint64 kProgressMs = 250;

// Keeps a window that another handler may unload alive while a box or a pump runs under it.
// A held window that is unloaded stays until the hold ends, but counts as gone at once.
struct HoldWindow {
    explicit HoldWindow(QWidget* w) : window(w), form(qobject_cast<platform::Form*>(w)) {
        if (form)
            hold.emplace(*form);
    }
    bool gone() const { return !window || (form && form->isUnloaded()); }
    QPointer<QWidget> window;
    platform::Form* form;
    std::optional<platform::Form::Hold> hold;
};

// A box goes on the window while it is there, else on the window that opened it.
QWidget* boxParent(QWidget* window) {
    auto* form = qobject_cast<platform::Form*>(window);
    return form && form->isUnloaded() ? form->parentWidget() : window;
}

} // namespace

void AskSaveFileName(platform::CommonDialog& Cmd1, RecordingState& rec) {
    Cmd1.FilterIndex = 0;
    Cmd1.Filter = QStringLiteral("All Files (*.*)|*.*|");
    // Ask before replacing a file from the first save of the run on: a recording or a list
    // would otherwise empty an existing data file without a word.
    Cmd1.Flags = platform::CommonDialog::FlagOverwritePrompt;
    if (!Cmd1.setAction(platform::CommonDialog::ActionSave))
        return; // the cancel error: the last choice stands
    // Set after the dialog, so it governs the next dialog on this control, not this one.
    Cmd1.CancelError = true;
    rec.SaveFileName = Cmd1.FileName;
    rec.FileChosen = !Cmd1.FileTitle.isEmpty();
}

bool SaveGridToFile(QWidget& window, platform::Grid& grid, RecordingState& rec) {
    const HoldWindow hold(&window);
    platform::setBusyPointer(true);
    const QString caption = window.windowTitle();
    const QString& path = rec.SaveFileName;

    // The rows go to a new file beside the old one, which takes its place only once every row is
    // on the disk; a file with other names, or in a folder that takes no new file, is written in
    // place.
    platform::FileReplace file(path);
    bool ok = file.open();
    if (ok) {
        QElapsedTimer clock;
        clock.start();
        const int rows = grid.rows();
        QByteArray line;
        for (int r = 0; r < rows && ok; ++r) {
            grid.setRow(r);
            // A caption per row would be a request to the window system per row.
            if (r == 0 || clock.elapsed() >= kProgressMs) {
                window.setWindowTitle(QString::number(r) + QStringLiteral("Records Completed"));
                clock.restart();
            }
            line.clear();
            const int cols = grid.cols();
            for (int c = 0; c < cols; ++c) {
                grid.setCol(c);
                line += platform::toAnsi(grid.text());
                line += '\t';
            }
            line += "\r\n";
            ok = file.write(line);
        }
        ok = ok && file.commit();
    }
    window.setWindowTitle(caption);
    rec.FileChosen = false;
    platform::setBusyPointer(false);
    if (!ok) {
        const QString shown = QDir::toNativeSeparators(path);
        const QString what =
            file.oldFileIntact()
                ? QStringLiteral("Nothing was saved; a file of that name is as it was.")
                : QStringLiteral("The file was being written in place (its folder takes no new file, or it "
                                 "has other names): it now holds only the part of the list written before "
                                 "the failure.");
        platform::msgBox(
            boxParent(&window),
            QStringLiteral("Could not save the list to %1: %2. %3").arg(shown, file.errorString(), what),
            platform::MsgIcon::Critical);
    }
    return ok;
}

void SaveList(QWidget& window, platform::Grid& grid, RecordingState& rec, platform::CommonDialog& Cmd1) {
    // The dialog's and the box's loops may unload the window; held, it and its grid stay.
    const HoldWindow hold(&window);
    if (rec.Recording) {
        platform::msgBox(&window, QStringLiteral("Aready in recording mode, close it and try again !"),
                         platform::MsgIcon::Critical);
        return;
    }
    platform::setBusyPointer(true);
    // A cancel must not fall back on a file chosen earlier.
    rec.FileChosen = false;
    AskSaveFileName(Cmd1, rec);
    // A list unloaded while the dialog was open still holds its rows: they are saved as the user
    // asked, not lost with the window.
    if (rec.FileChosen)
        SaveGridToFile(window, grid, rec);
    platform::setBusyPointer(false);
}

QString PrintedRow(const QString& c0, const QString& c1, const QString& c2) {
    // QString::leftJustified pads and never cuts (truncate = false).
    return c0.leftJustified(7) + c1.leftJustified(10) + c2.leftJustified(15);
}

namespace {
bool printing = false;

QString cellAt(platform::Grid& grid, int c) {
    if (c >= grid.cols())
        return {};
    grid.setCol(c);
    return grid.text();
}
} // namespace

bool PrintGrid(QWidget& window, platform::Grid& grid, MeterLine& line) {
    // The toolbars stay live while the rows are printed; a second print would interleave lines.
    if (printing)
        return false;
    printing = true;
    platform::setBusyPointer(true);
    line.pausePolling();
    // The pump below may unload the list window (held, it and its grid stay until the print
    // is done) or, for a window that is not held, delete it and its grid.
    const HoldWindow hold(&window);
    QPointer<QWidget> win(&window);
    QPointer<platform::Grid> source(&grid);
    const QString caption = window.windowTitle();
    platform::Printer& printer = platform::Printer::instance();

    QString failure;
    grid.setRow(0);
    for (int r = 0; source && r <= source->rows() - 1; ++r) {
        source->setRow(r);
        const QString c0 = cellAt(*source, 0);
        const QString c1 = cellAt(*source, 1);
        const QString c2 = cellAt(*source, 2);
        const QString line = PrintedRow(c0, c1, c2);
        win->setWindowTitle(QString::number(r) + QStringLiteral(" record(s) completed"));
        platform::pumpEvents();
        if (!source || hold.gone()) {
            failure = QStringLiteral("The list was closed while it was being printed. Nothing was printed.");
            break;
        }
        if (!printer.printLine(line)) {
            failure = QStringLiteral("The list could not be printed: %1").arg(printer.errorString());
            break;
        }
    }
    if (failure.isEmpty() && !printer.endDoc())
        failure = QStringLiteral("The list could not be printed: %1").arg(printer.errorString());
    if (!failure.isEmpty())
        printer.abortDoc();

    platform::setBusyPointer(false);
    if (win)
        win->setWindowTitle(caption);
    line.resumePolling();
    printing = false;
    if (!failure.isEmpty())
        platform::msgBox(boxParent(win), failure, platform::MsgIcon::Critical);
    return failure.isEmpty();
}
