#include "meter_link/port.h"

#include "platform/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

using platform::designFont;
using platform::px;
using platform::rectTwips;

int PortNumberForText(const QString& text, int current) {
    if (text == QLatin1String("Auto"))
        return 1;
    for (int n = 1; n <= 16; ++n)
        if (text == QStringLiteral("COM%1").arg(n))
            return n;
    return current;
}

Port::Port(LinkState& link, std::function<void()> showPanel, QWidget* parent)
    : QWidget(parent), link_(link), showPanel_(std::move(showPanel)) {
    setObjectName(QStringLiteral("Port"));
    setWindowTitle(QStringLiteral("COM Port"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(px(2040), px(615));
    platform::fillBackground(*this, QColor(0x00, 0x80, 0x80)); // &H00808000& is BGR

    const QFont bold = designFont(QStringLiteral("Times New Roman"), 9.75, true);
    // The two hidden buttons lie below the client area: they cannot be seen or clicked but
    // take the focus first, so Enter or Space at once chooses port 1.
    Port1 = new QPushButton(QStringLiteral("COM1"), this);
    Port1->setObjectName(QStringLiteral("Port1"));
    Port1->setGeometry(rectTwips(360, 5760, 855, 375));
    Port2 = new QPushButton(QStringLiteral("COM2"), this);
    Port2->setObjectName(QStringLiteral("Port2"));
    Port2->setGeometry(rectTwips(1320, 5760, 855, 375));
    // Enter acts on the button that has the focus, as Space does; neither is ever a default.
    for (QPushButton* b : {Port1, Port2})
        b->setAutoDefault(true);

    TxtCOM = new QComboBox(this);
    TxtCOM->setObjectName(QStringLiteral("TxtCOM"));
    TxtCOM->setEditable(true);
    TxtCOM->setInsertPolicy(QComboBox::NoInsert);
    // What was typed reaches OK unchanged: no completion, which would rewrite "com3" as "COM3"
    // or "co" as "COM1" when the focus leaves the box.
    TxtCOM->setCompleter(nullptr);
    TxtCOM->setGeometry(rectTwips(120, 120, 1095, 345));
    TxtCOM->setFont(bold);
    TxtCOM->setEditText(QStringLiteral("COM1"));
    TxtCOM->setAccessibleName(QStringLiteral("Serial port"));

    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(rectTwips(1320, 120, 615, 375));
    CmdOK->setFont(bold);
    CmdOK->setAutoDefault(true);

    setTabOrder(Port1, Port2);
    setTabOrder(Port2, TxtCOM);
    setTabOrder(TxtCOM, CmdOK);

    connect(CmdOK, &QPushButton::clicked, this, &Port::CmdOK_Click);
    connect(Port1, &QPushButton::clicked, this, &Port::Port1_Click);
    connect(Port2, &QPushButton::clicked, this, &Port::Port2_Click);
    Form_Load();
    Port1->setFocus();
}

void Port::Form_Load() {
    move(px(3700), px(2700));
    for (int n = 1; n <= 16; ++n)
        TxtCOM->addItem(QStringLiteral("COM%1").arg(n));
    TxtCOM->setEditText(QStringLiteral("COM1"));
}

void Port::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter in the box is OK on what the box says (the buttons take their own Enter).
        if (TxtCOM->hasFocus()) {
            e->accept();
            CmdOK_Click();
            return;
        }
        break;
    case Qt::Key_Escape:
        e->accept(); // not a way out of this window
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(e);
}

void Port::choose(int portNumber) {
    // A second Enter queued behind the first must not show the main window twice.
    if (chosen_)
        return;
    chosen_ = true;
    link_.ComPortNumber = static_cast<std::int16_t>(portNumber);
    hide();
    if (showPanel_)
        showPanel_();
    close();
}

void Port::CmdOK_Click() {
    choose(PortNumberForText(TxtCOM->currentText(), link_.ComPortNumber));
}
void Port::Port1_Click() {
    choose(1);
}
void Port::Port2_Click() {
    choose(2);
}
