// The common file-dialog control. Its properties stay as set for every later dialog shown on it.
// Tests answer the dialogs through a responder instead of a person.
#pragma once

#include <QFileIconProvider>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace platform {

// One pattern list of a filter ("*.txt;*.dat") as the file dialog matches it: "*.*" is every file.
QStringList qtPatterns(const QString& patterns);

// Icons and type names for the file dialogs from a file's name and kind alone. The default
// provider reads a file whose name says nothing to guess its type: on a device or a /proc entry
// that read may never return, and it runs on the user-interface thread.
class NameIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

class CommonDialog : public QObject {
    Q_OBJECT
public:
    explicit CommonDialog(QWidget* owner);

    QString Filter; // "description|pattern|description|pattern|..."
    int FilterIndex = 0;
    int Flags = 0; // 2: ask before replacing an existing file (save dialog)
    bool CancelError = false;
    QString FileName;  // full path chosen
    QString FileTitle; // the chosen file's name without its folder

    static constexpr int ActionOpen = 1;
    static constexpr int ActionSave = 2;
    static constexpr int FlagOverwritePrompt = 2;

    // Shows the dialog. On a cancel: with CancelError set, returns false (the cancel error) and
    // leaves FileName and FileTitle; without it, empties both and returns true.
    bool setAction(int action);

    struct Request {
        int action;
        QString filter;
        int filterIndex;
        bool confirmOverwrite; // the dialog would ask before replacing
        QString fileName;      // the name the dialog starts with
    };
    // Returns the chosen path, or nullopt for a cancel.
    using Responder = std::function<std::optional<QString>(const Request&)>;
    static void setResponder(Responder responder);

private:
    QWidget* owner_;
    std::unique_ptr<NameIconProvider> icons_;
};

} // namespace platform
