// The plot range dialog: narrows the plot window's value axis and its records. A good OK stores
// the ranges and opens the plot window anew; a bad one is refused and the dialog stays open.
#pragma once

#include "platform/form.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct LoggerContext;

class PlotRange : public platform::Form {
    Q_OBJECT
public:
    // Not modal; a window of its own owned by the main window.
    explicit PlotRange(LoggerContext& ctx);

    void Form_Load();
    // Each sets `KeyAscii` to 0 to discard the typed character.
    void TxtT1_KeyPress(int& KeyAscii);
    void TxtT2_KeyPress(int& KeyAscii);
    void TxtR1_KeyPress(int& KeyAscii);
    void TxtR2_KeyPress(int& KeyAscii);
    void CmdOK_Click();

    QGroupBox* FrameUnit = nullptr;
    QGroupBox* SSFrame2 = nullptr;
    QLabel* SSPanel1 = nullptr;
    QLabel* SSPanel2 = nullptr;
    QLabel* SSPanel3 = nullptr;
    QLabel* SSPanel4 = nullptr;
    QLineEdit* TxtT1 = nullptr;
    QLineEdit* TxtT2 = nullptr;
    QLineEdit* TxtR1 = nullptr;
    QLineEdit* TxtR2 = nullptr;
    QPushButton* CmdOK = nullptr;

    static constexpr const char* Caption = "Plot Range";
    static constexpr int ClientWidthTwips = 5160;
    static constexpr int ClientHeightTwips = 1410;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    LoggerContext& ctx_;
};

// The "Limit" button's step: shows the open dialog again, or a new one, and captions it with
// the plot's unit.
void ShowPlotRange(LoggerContext& ctx);
