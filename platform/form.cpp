#include "platform/form.h"

#include <QCloseEvent>

namespace platform {

Form::Form(QWidget* parent) : QWidget(parent) {}

void placeBesideMainWindow(QWidget& window, const QWidget* mainWindow, TopEdge top) {
    if (!mainWindow)
        return;
    window.move(mainWindow->x() + mainWindow->frameGeometry().width(),
                top == TopEdge::ScreenTop ? 0 : mainWindow->y());
}

void Form::Unload() {
    close();
    // A hidden window takes no close event; unload it all the same.
    if (!unloaded_) {
        QCloseEvent e;
        closeEvent(&e);
    }
}

void Form::closeEvent(QCloseEvent* e) {
    e->accept();
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_Unload();
    hide();
    emit unloaded();
    if (holds_ == 0)
        deleteLater();
}

Form::Hold::Hold(Form& form) : form_(&form) {
    ++form.holds_;
}

Form::Hold::~Hold() {
    if (!form_)
        return;
    if (--form_->holds_ == 0 && form_->unloaded_)
        form_->deleteLater();
}

bool TypesCharacter(const QString& keyText) {
    for (const QChar c : keyText)
        if (c.isPrint())
            return true;
    return false;
}

} // namespace platform
