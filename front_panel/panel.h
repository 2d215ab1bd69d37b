// The main window: the meter's face mirrored live, its keys, the toolbar and the status line.
// It owns the one serial port and the poll and sampler timers.
#pragma once

#include "front_panel/sampler_pace.h"
#include "logger_data/logger_context.h"
#include "meter_link/meter_line.h"
#include "meter_link/records.h"
#include "platform/message_box.h"
#include "platform/serial_control.h"

#include <QByteArray>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <array>

class QCloseEvent;

namespace platform {
class CommonDialog;
class ImageList;
class Toolbar;
class ToolbarButton;
} // namespace platform
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

    // Decodes an accepted frame and paints the screen it calls for.
    void PaintFrame(const QByteArray& frame);

    // ---- display mirror and keypad (panel_face.cpp) ----
    void ShowClearPrompt(const QByteArray& frame);
    void ShowNormal(const QByteArray& frame);
    void LblCmd_MouseDown(int key);
    void LblCmd_MouseUp(int key);

    // ---- toolbar and recording (panel_toolbar.cpp), sampler (panel_sampler.cpp) ----
    void Toolbar1_ButtonClick(const QString& key);
    void Timer2_Timer();
    // The sampler timer's event: runs Timer2_Timer for the second that passed; after a stall
    // (more than one second at once) takes at most one sample, at the time it then is.
    void Timer2_Elapsed();
    // Starts the sampler, counting its seconds from now.
    void startSampler();

    // The owner of the serial line: the port, the poll and every command exchange.
    MeterLine line;
    // Controls, named as the program's design names them; the port and the poll timer are the line's.
    platform::SerialControl& COM;
    QTimer& Timer1; // poll, 50 ms
    QTimer Timer2;  // sampler, 960 ms
    QLabel* LblCOM = nullptr;
    QLabel* LblValue = nullptr;
    QLabel* LblFileName = nullptr;
    QLabel* LblRec = nullptr;
    QLabel* LblCount = nullptr;

    // The logger, list and plot windows' view of this window.
    LoggerContext loggerContext;

    static constexpr const char* DesignCaption = "Panel     V8.00";
    static constexpr int ClientWidthTwips = 4845;
    static constexpr int ClientHeightTwips = 6960;

signals:
    // A display frame was accepted and painted (the benches count them).
    void framePainted();
    // A frame with good markers but damaged between them was dropped: the mirror keeps the last
    // good frame.
    void frameRefused();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFace();    // panel_face.cpp
    void buildToolbar(); // panel_toolbar.cpp

    // A frame the line accepted: painted, and counted towards the next pointer query, unless it
    // holds what the meter cannot show.
    void frameArrived(const QByteArray& frame);

    AppState& app_;
    SamplerPace samplerPace_;

    // ---- members of the display mirror and keypad ----
public:
    // The letter key `key` (0..5) sends. Key 0 (HOLD) depends on the caption of LblMMA.
    static char KeyLetter(int key, bool longPress, const QString& mmaCaption);
    // A press held longer than this (seconds) is long; exactly this is short.
    static constexpr float KeyPressThreshold = 2.0f;
    static constexpr int KeyCount = 6;

    // Face controls, back to front as built: body, bezel, glass, power symbol, key pictures,
    // keys and legends, name plate, display texts, key symbols, click areas.
    QWidget* Shape2 = nullptr;
    QWidget* Shape3 = nullptr;
    QWidget* Sh0 = nullptr; // "Sh(0)"
    QWidget* Shape1 = nullptr;
    QWidget* Line1 = nullptr;
    QLabel* LblOLCLR = nullptr;
    QLabel* LblYESNO = nullptr;
    std::array<QLabel*, 2> LblMem{};
    std::array<QLabel*, 4> LblCal{};
    QLabel* CalDot = nullptr;
    QLabel* MarkCal = nullptr;
    std::array<QLabel*, 4> LblT{};
    QLabel* LblAutoDot = nullptr;
    QLabel* LblAutoDash = nullptr;
    QLabel* LblMMA = nullptr;
    QLabel* LblH = nullptr;
    QLabel* LblM = nullptr;
    QLabel* LblR = nullptr;
    QLabel* ImgBT = nullptr;
    QLabel *UnitKUp = nullptr, *UnitW = nullptr, *Unith = nullptr, *UnitM = nullptr, *UnitM2 = nullptr;
    QLabel *UnitHUp = nullptr, *UnitDUp = nullptr, *UnitPercent = nullptr, *UnitKDown = nullptr;
    QLabel *UnitBtu = nullptr, *UnitF = nullptr, *UnitF2 = nullptr, *UnitDotH = nullptr;
    QLabel *UnitHDown = nullptr, *UnitDDown = nullptr;
    std::array<QWidget*, KeyCount> ShapeR{};
    std::array<QWidget*, KeyCount> ShapeC{};
    std::array<QLabel*, KeyCount> Sym{};
    std::array<QLabel*, KeyCount> Img{};
    std::array<QLabel*, KeyCount> LblCmd{};
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QLabel* LblName = nullptr;

private:
    // The fifteen unit labels in painting order.
    std::array<QLabel*, 15> unitLabels() const;
    // Sets a display label's caption and sizes it to the text around its design anchor.
    static void setCaption(QLabel* label, const QString& text);

    // ---- members of the toolbar and recording ----
public:
    platform::Toolbar* Toolbar1 = nullptr;
    std::shared_ptr<platform::ImageList> ImageList1; // the toolbar's pictures, 1-based
    platform::CommonDialog* Cmd1 = nullptr;          // the one file dialog of the run

    void StartRecording();
    void StopRecording();
    void OpenLiveList();
    // The open real-time list, or nullptr.
    RealTimeList* realTimeList() const { return realTimeList_; }

    // The sample clock "hh:nn:ss" advanced by whole seconds, wrapping at midnight.
    static QString AdvanceSampleTime(const QString& hhnnss, double seconds);

private:
    bool unitGateOpen() const;
    // The Save button's picture and tooltip for recording on or off.
    void showSaveButton(bool recording);
    // What every stop of a recording does: recording off, the Save button back, the file closed.
    void endRecording();
    // The sampler's stop: captions emptied as well, and the user told why.
    void stopRecordingAuto(const QString& why, platform::MsgIcon icon);
    // The recording file was deleted under the recording: stop and say what is lost.
    void stopRecordingDeleted(qint64 lost);
    void resumeAfterStall(long long ticks);
    // One sample stamped `time`: the recording step and the list step.
    void takeSample(const QString& time);
    void listStep(const QString& sampleLine);

    RealTimeList* realTimeList_ = nullptr;
    // The reading of the last frame shown in the unit in force: what a sample takes while a
    // frame shows a unit that has not held yet.
    QString readingInForce_;
};
