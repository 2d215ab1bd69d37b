#include "platform/input_box.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace platform {
namespace {
InputResponder responder;
}

void setInputResponder(InputResponder r) {
    responder = std::move(r);
}

QString inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& text) {
    if (responder)
        return responder(InputRecord{prompt, title, text});

    QDialog box(parent);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(title);
    box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    box.setModal(true);

    auto* label = new QLabel(prompt, &box);
    label->setObjectName(QStringLiteral("LblPrompt"));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumWidth(260);
    auto* edit = new QLineEdit(text, &box);
    edit->setObjectName(QStringLiteral("TxtInput"));
    edit->selectAll();
    auto* ok = new QPushButton(QStringLiteral("OK"), &box);
    ok->setObjectName(QStringLiteral("CmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &box);
    cancel->setObjectName(QStringLiteral("CmdCancel"));
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &box, &QDialog::reject);

    auto* grid = new QGridLayout(&box);
    grid->addWidget(label, 0, 0, 3, 1);
    grid->addWidget(ok, 0, 1);
    grid->addWidget(cancel, 1, 1);
    grid->setRowStretch(2, 1);
    grid->addWidget(edit, 3, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    edit->setFocus();

    if (box.exec() != QDialog::Accepted)
        return {};
    return edit->text();
}

} // namespace platform
