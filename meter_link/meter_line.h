// The owner of the serial line: the one port, the poll of the display stream and every command
// exchange. Windows and command flows ask it for an exchange; none of them touches the port or
// the poll timer. It keeps one command at a time, polls without ever blocking, and is the only
// one that stops and restarts polling.
#pragma once

#include "meter_link/records.h"
#include "platform/serial_control.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class MeterLine : public QObject {
    Q_OBJECT
public:
    MeterLine(LinkState& link, LoggerState& logger, QObject* parent = nullptr);
    ~MeterLine() override;

    // The serial control and the poll timer (50 ms), named as the main window's design names them.
    platform::SerialControl COM;
    QTimer Timer1;

    // Port number, "19200,n,8,1", open. False when the port cannot be opened.
    bool open(int portNumber);
    // Polling from now on, unless something holds it.
    void startPolling();

    // Printing, plotting and decoding a set hold polling (and the plot the sampler) while they
    // run. Holds nest; polling comes back when the last is released and no command runs.
    void pausePolling();
    void resumePolling();
    // How to stop and start the sampler, which the plot holds with the poll; the main window
    // hands them over.
    void setSampler(std::function<void()> stop, std::function<void()> start) {
        stopSampler_ = std::move(stop);
        startSampler_ = std::move(start);
    }
    void pauseSampler();
    void resumeSampler();

    // True while a command holds the line (LinkState::KeyBusy).
    bool busy() const { return link_.KeyBusy; }
    // True while no poll cycle is under way: nothing is read from the line for the display.
    bool pollIdle() const { return state_ == State::Idle; }

    // The poll: one step of reading the display stream; never waits. Timer1 calls it.
    void Poll();

    // ---- the exchanges a command may make, only while it holds the line ----
    // Each wait pumps events but has a bound; false means the meter did not answer in time.
    void flush();
    // The "A" exchange: sets LoggerState::MemoryPointer. Gives up after `maxSends` unanswered sends.
    bool readMemoryPointer(int maxSends);
    void send(const QByteArray& bytes);
    void sendLetter(char letter);
    QByteArray readAll();
    int waiting() const;
    // Pumps events until bytes are waiting or `seconds` pass. False on time-out or a lost device.
    bool waitForBytes(double seconds);

    LinkState& link() { return link_; }
    LoggerState& logger() { return logger_; }
    QString portCaption() const;

signals:
    // "No COM" while the meter is silent or the device is gone, "COM" and the port number again
    // once bytes come.
    void statusChanged(const QString& caption);
    // An accepted display frame (0x02 first, 0x03 thirteenth).
    void frameArrived(const QByteArray& frame);

private:
    friend class MeterCommand;
    enum class State { Idle, Query, Frames, Silent };

    bool takeForCommand();
    void endCommand(bool resetPollCount);
    void updatePolling();
    void endCycle();
    void setStatus(const QString& caption);

    void sendQuery();
    void onStep();
    void onBytes();
    void onFrameDeadline();
    void beginFrameWait();
    void endFrameWait();
    void goSilent();

    LinkState& link_;
    LoggerState& logger_;
    std::function<void()> stopSampler_, startSampler_;
    QTimer step_;     // 0.02 s after an "A" of the poll's query
    QTimer deadline_; // 1 s frame wait
    State state_ = State::Idle;
    int pollHolds_ = 0;
    int samplerHolds_ = 0;
    bool polling_ = false;
    int sends_ = 0;
    int retry_ = 0;
    int badFrames_ = 0;
    bool streamStale_ = true; // a command ran since the stream was last asked for
    QString status_;
};

// A command's hold on the line, for as long as it lives. Taken only when no other command runs
// (a second command is refused as a busy key is: nothing sent); the poll stops while it is held.
// Given back on every way out: the line flushed, PollCount 0 unless told otherwise, the busy
// flag cleared and polling back.
class MeterCommand {
public:
    explicit MeterCommand(MeterLine& line, bool resetsPollCount = true);
    ~MeterCommand();
    MeterCommand(const MeterCommand&) = delete;
    MeterCommand& operator=(const MeterCommand&) = delete;

    bool taken() const { return taken_ && line_; }
    // The line, or nullptr once it is gone (the main window closed inside a wait).
    MeterLine* line() const { return line_.data(); }
    // Gives the line back now.
    void end();

private:
    QPointer<MeterLine> line_;
    bool taken_ = false;
    bool resetsPollCount_;
};

// Unanswered "A" sends before the poll's query gives up and shows the meter silent (20 s), and
// before a command's query gives up with a message (5 s).
constexpr int kPollPointerSends = 1000;
constexpr int kCommandPointerSends = 250;
constexpr int kFrameWaits = 8;    // empty one-second waits before "No COM"
constexpr int kMaxBadFrames = 50; // frames in a row without their markers
inline const char* const MeterNotAnswering = "The meter does not answer, try again !";
