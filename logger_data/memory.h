// The logger window: total and free logger memory, the progress of a download and the list of
// downloaded sets. A click on a set lists its readings in the data list; a click on the free
// memory deletes the logger memory in the meter.
#pragma once

#include "platform/form.h"

#include <QLabel>

struct LoggerContext;
namespace platform {
class Grid;
}

class Memory : public platform::Form {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; Form_Load runs here. Registers itself in
    // the context.
    explicit Memory(LoggerContext& ctx);

    void Form_Load();
    void GridSet_Click();
    void LblRemain_Click();

    QLabel* SSPanel1 = nullptr;
    QLabel* SSPanel2 = nullptr;
    QLabel* LblSize = nullptr;
    QLabel* LblRemain = nullptr;
    QLabel* LblMessage = nullptr;
    platform::Grid* GridSet = nullptr;

    // Sets the progress text, the label sized to it.
    void setMessage(const QString& text);

    static constexpr const char* Caption = "Data Logger";
    static constexpr int ClientWidthTwips = 3015;
    static constexpr int ClientHeightTwips = 3450;

protected:
    void Form_Unload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LoggerContext& ctx_;
};
