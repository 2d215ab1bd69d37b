// The main window: the meter's face mirrored live, its keys, the toolbar and the status line.
// It owns the one serial port and the poll and sampler timers.
#pragma once

#include "meter_link/records.h"
#include "meter_link/rs232.h"
#include "platform/serial_control.h"

#include <QByteArray>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <array>

class QCloseEvent;

namespace platform {
class CommonDialog;
class Toolbar;
class ToolbarButton;
}
class RealTimeList;

class Panel : public QWidget {
    Q_OBJECT
public:
    explicit Panel(AppState& app, QWidget* parent = nullptr);
    ~Panel() override;

    AppState& app() { return app_; }

    // Start-up: opens the port and starts polling. On failure shows the message and ends the program.
    bool Form_Load();
    void Form_Unload();
    void LblCOM_Click();
    void Timer1_Timer();

    // ---- display mirror and keypad (panel_face.cpp) ----
    void ShowClearPrompt(const QByteArray& frame);
    void ShowNormal(const QByteArray& frame);
    void LblCmd_MouseDown(int key);
    void LblCmd_MouseUp(int key);

    // ---- toolbar and recording (panel_toolbar.cpp), sampler (panel_sampler.cpp) ----
    void Toolbar1_ButtonClick(const QString& key);
    void Timer2_Timer();

    // Controls, named as the program's design names them.
    platform::SerialControl COM;
    QTimer Timer1; // poll, 50 ms
    QTimer Timer2; // sampler, 960 ms
    QLabel* LblCOM = nullptr;
    QLabel* LblValue = nullptr;
    QLabel* LblFileName = nullptr;
    QLabel* LblRec = nullptr;
    QLabel* LblCount = nullptr;

    // The link helpers' view of this window.
    MeterLink link;

    static constexpr const char* DesignCaption = "Panel     V8.00";
    static constexpr int ClientWidthTwips = 4845;
    static constexpr int ClientHeightTwips = 6960;

signals:
    // A display frame was accepted and painted (the benches count them).
    void framePainted();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFace();    // panel_face.cpp
    void buildToolbar(); // panel_toolbar.cpp

    // Bound on frames in a row without their markers before a tick gives up and asks again.
    static constexpr int kMaxBadFrames = 50;

    AppState& app_;
    bool inTick_ = false;

    // ---- members of the display mirror and keypad ----

    // ---- members of the toolbar and recording ----
};
