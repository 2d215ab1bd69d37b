// The port choice window, shown first at every start.
#pragma once

#include "meter_link/records.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QPushButton;

// The port number for the text in the box: "Auto" is 1, "COM1".."COM16" are 1..16, compared
// exactly; any other text leaves `current`.
int PortNumberForText(const QString& text, int current);

class Port : public QDialog {
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

private:
    void choose(int portNumber);
    LinkState& link_;
    std::function<void()> showPanel_;
};
