#include "platform/common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace platform {
namespace {

CommonDialog::Responder responder;

} // namespace

QStringList qtPatterns(const QString& patterns) {
    QStringList out;
    for (const QString& p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString t = p.trimmed();
        // Qt reads "*.*" literally, as names with a dot; here it means every file.
        if (t == QLatin1String("*.*"))
            out << QStringLiteral("*");
        else if (!t.isEmpty())
            out << t;
    }
    out.removeDuplicates();
    return out;
}

namespace {

// "Text (*.txt)|*.txt|All Files (*.*)|*.*" -> "Text (*.txt)", "All Files (*.*) (*)": Qt takes
// the patterns from the parentheses that end each filter, separated by blanks; the dialog shows
// only the description before them (HideNameFilterDetails), as the user wrote it.
QStringList qtFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (desc.isEmpty() && patterns.isEmpty())
            continue;
        out << QStringLiteral("%1 (%2)").arg(desc, qtPatterns(patterns).join(QLatin1Char(' ')));
    }
    return out;
}

} // namespace

QIcon NameIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot())
        return icon(Drive);
    if (info.isDir())
        return icon(Folder);
    return icon(File);
}

QString NameIconProvider::type(const QFileInfo& info) const {
    if (info.isRoot())
        return QStringLiteral("Drive");
    if (info.isDir())
        return QStringLiteral("Folder");
    if (!info.isFile())
        return QStringLiteral("System file");
    // The name only: the file is never opened.
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

CommonDialog::CommonDialog(QWidget* owner) : QObject(owner), owner_(owner) {
    setObjectName(QStringLiteral("Cmd1"));
}

void CommonDialog::setResponder(Responder r) {
    responder = std::move(r);
}

bool CommonDialog::setAction(int action) {
    const bool save = action == ActionSave;
    const bool confirm = save && (Flags & FlagOverwritePrompt) != 0;
    const QStringList filters = qtFilters(Filter);
    const int index = std::max(1, FilterIndex);

    std::optional<QString> chosen;
    if (responder) {
        chosen = responder(Request{action, Filter, FilterIndex, confirm, FileName});
    } else {
        QFileDialog dlg(owner_, save ? QObject::tr("Save As") : QObject::tr("Open"));
        if (!icons_)
            icons_ = std::make_unique<NameIconProvider>();
        // Qt's own dialog, not the desktop's: the icon provider decides what is read.
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setIconProvider(icons_.get());
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !confirm);
        if (!filters.isEmpty()) {
            dlg.setOption(QFileDialog::HideNameFilterDetails);
            dlg.setNameFilters(filters);
            if (index <= filters.size())
                dlg.selectNameFilter(filters[index - 1]);
        }
        if (!FileName.isEmpty())
            dlg.selectFile(FileName);
        dlg.setModal(true);
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
            chosen = dlg.selectedFiles().constFirst();
            const int picked = static_cast<int>(filters.indexOf(dlg.selectedNameFilter()));
            if (picked >= 0)
                FilterIndex = picked + 1;
        }
    }

    if (!chosen || chosen->isEmpty()) {
        if (CancelError)
            return false;
        FileName.clear();
        FileTitle.clear();
        return true;
    }
    FileName = *chosen;
    FileTitle = QFileInfo(*chosen).fileName();
    return true;
}

} // namespace platform
