// The port choice window, shown first at every start.
#pragma once

#include "meter_link/records.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QKeyEvent;
class QPushButton;

// The port number for the text in the box: "Auto" is 1, "COM1".."COM16" are 1..16, compared
// exactly; any other text leaves `current`.
int PortNumberForText(const QString& text, int current);

// A plain window, not a dialog: a dialog's default button would take Enter typed in the box, and
// Escape would close it.
class Port : public QWidget {
    Q_OBJECT
public:
    // `showPanel` shows the main window once the port number is set.
    Port(LinkState& link, std::function<void()> showPanel, QWidget* parent = nullptr);

    void Form_Load();
    void CmdOK_Click();
    void Port1_Click();
    void Port2_Click();

    QComboBox* TxtCOM;
    QPushButton* CmdOK;
    QPushButton* Port1;
    QPushButton* Port2;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void choose(int portNumber);
    LinkState& link_;
    std::function<void()> showPanel_;
    bool chosen_ = false;
};
