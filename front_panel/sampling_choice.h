// The small modal window that asks whether the PC's or the meter's sampling interval is to be set.
#pragma once

#include "meter_link/records.h"
#include "platform/form.h"

class QPushButton;
class QRadioButton;
class Panel;

class SamplingChoice : public platform::Form {
    Q_OBJECT
public:
    // Loaded afresh at every showing, so it always opens with the meter's rate selected.
    SamplingChoice(SamplingState& sampling, Panel& panel);

    // Shows a new window modally and returns once it is unloaded (or gone with the main window).
    static void ShowModal(SamplingState& sampling, Panel& panel);

    void Form_Load();
    void CmdOK_Click();

    QRadioButton* OptPC = nullptr;
    QRadioButton* OptMeter = nullptr;
    QPushButton* CmdOK = nullptr;

    static constexpr const char* Caption = "Sampling Rate";
    static constexpr int ClientWidthTwips = 3135;
    static constexpr int ClientHeightTwips = 2055;

private:
    SamplingState& sampling_;
    Panel& panel_;
};
