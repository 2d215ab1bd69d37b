// The live graph's range dialog: the value range of its y axis and the ticks per sweep. Its OK
// checks the entries and opens the graph afresh with them.
#pragma once

#include "meter_link/records.h"
#include "platform/form.h"

class Panel;
class QLabel;
class QLineEdit;
class QPushButton;

class RealTimeRange : public platform::Form {
    Q_OBJECT
public:
    RealTimeRange(AppState& app, Panel& panel);

    void Form_Load();
    void CmdOK_Click();

    // The open dialog, or nullptr.
    static RealTimeRange* current();

    QLabel* SSPanel1 = nullptr; // "Min"
    QLabel* SSPanel2 = nullptr; // "Counts"
    QLabel* SSPanel3 = nullptr; // "Max"
    QLineEdit* TxtMin = nullptr;
    QLineEdit* TxtMax = nullptr;
    QLineEdit* TxtCounts = nullptr;
    QPushButton* CmdOK = nullptr;

    static constexpr const char* Caption = "Real Time Range";
    static constexpr double MaxCounts = 864000;
    static constexpr double MinCounts = 10;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The per-key filters; true discards the key.
    bool TxtMax_KeyPress(QKeyEvent& key);
    bool TxtMin_KeyPress(QKeyEvent& key);
    bool TxtCounts_KeyPress(QKeyEvent& key);

    AppState& app_;
    Panel& panel_;
};

// Shows the one range dialog, creating it when none is open; an open one is only brought forward.
RealTimeRange* ShowRealTimeRange(AppState& app, Panel& panel);
