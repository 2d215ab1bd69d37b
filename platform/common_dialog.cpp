#include "platform/common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace platform {
namespace {

CommonDialog::Responder responder;

// "Text (*.txt)|*.txt|All|*.*" -> "Text (*.txt);;All (*.*)": Qt reads the patterns from the
// parentheses that end each filter, separated by blanks instead of semicolons.
QStringList qtFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (desc.isEmpty() && patterns.isEmpty())
            continue;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (desc.endsWith(QLatin1Char(')')) && desc.contains(QLatin1Char('(') + patterns + QLatin1Char(')')))
            out << desc;
        else
            out << QStringLiteral("%1 (%2)").arg(desc, patterns);
    }
    return out;
}

} // namespace

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
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !confirm);
        if (!filters.isEmpty()) {
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
