#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {
namespace {
MsgResponder responder;

QMessageBox::Icon boxIcon(MsgIcon icon) {
    return icon == MsgIcon::Critical      ? QMessageBox::Critical
           : icon == MsgIcon::Exclamation ? QMessageBox::Warning
                                          : QMessageBox::Information;
}
} // namespace

void setMsgResponder(MsgResponder r) {
    responder = std::move(r);
}

MsgResult msgBox(QWidget* parent, const QString& text, MsgIcon icon, const QString& title,
                 MsgButtons buttons) {
    MsgRecord rec{text, title, icon, buttons};
    if (responder)
        return responder(rec);
    QMessageBox box(parent);
    box.setText(text);
    box.setWindowTitle(title);
    box.setIcon(boxIcon(icon));
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
}

void msgNotice(QWidget* parent, const QString& text, MsgIcon icon, const QString& title) {
    MsgRecord rec{text, title, icon, MsgButtons::Ok};
    if (responder) {
        responder(rec);
        return;
    }
    auto* box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void setBusyPointer(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

} // namespace platform
