// Base of the program's secondary windows. Another handler may unload such a window while one of
// its own dialogs, message boxes or waits is running; the window then hides at once and is
// deleted only after the last of those nested loops has returned, so no code runs on a freed
// window. Code that runs a nested loop holds the window and checks it afterwards:
//
//     platform::Form::Hold hold(*this);
//     msgBox(this, ...);
//     if (hold.gone())
//         return;
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QCloseEvent;

namespace platform {

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // Unloads the window as closing it does: Form_Unload, hidden, `unloaded`, deleted when free.
    void Unload();
    bool isUnloaded() const { return unloaded_; }

    class Hold {
    public:
        explicit Hold(Form& form);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        // The window was unloaded (or deleted) while held: drop whatever the nested loop returned.
        bool gone() const { return !form_ || form_->unloaded_; }

    private:
        QPointer<Form> form_;
    };

signals:
    // The window has been unloaded; it is deleted once it is free and control is back in the loop.
    void unloaded();

protected:
    // The window's own unload step, run once.
    virtual void Form_Unload() {}
    void closeEvent(QCloseEvent* e) override;

private:
    int holds_ = 0;
    bool unloaded_ = false;
};

// Where a window placed beside the main window has its top edge.
enum class TopEdge { MainWindowTop, ScreenTop };
// Moves `window` just right of `mainWindow` (left edge at its right edge), the top edge level with
// the main window's or at the screen's top. Does nothing without a main window.
void placeBesideMainWindow(QWidget& window, const QWidget* mainWindow, TopEdge top = TopEdge::MainWindowTop);

// True when a key's text holds a character it types. Delete, the arrows, Home and End type
// none (Delete comes with the control character 0x7f): a box's key filter lets them edit as usual.
bool TypesCharacter(const QString& keyText);

} // namespace platform
