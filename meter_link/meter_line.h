// The owner of the serial line: the one port, the poll of the display stream and every command
// exchange. Windows and command flows ask it for an exchange; none of them touches the port or
// the poll timer. It keeps one command at a time, polls without ever blocking, and is the only
// one that stops and restarts polling.
#pragma once

#include "meter_link/command_task.h"
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

class MeterLine;

// How a command's wait on the line ended. Gone: the command was cancelled or the line is going
// away; the command ends at once and tells nothing.
enum class Waited { Done, TimedOut, Gone };

// What a command awaits: a pause of fixed length, or bytes on the line within a bound. Only one
// command waits at a time: the one that holds the line.
class LineWait {
public:
    enum class Kind { Pause, Bytes };
    LineWait(MeterLine& line, Kind kind, double seconds) : line_(line), kind_(kind), seconds_(seconds) {}
    bool await_ready() const noexcept;
    void await_suspend(std::coroutine_handle<> waiter);
    Waited await_resume() const noexcept;

private:
    MeterLine& line_;
    Kind kind_;
    double seconds_;
};

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
    // A command never waits on the stack: it awaits the line, which resumes it from the event loop.
    void flush();
    // The "A" exchange: sets LoggerState::MemoryPointer. Gives up after `maxSends` unanswered sends.
    Task<bool> readMemoryPointer(int maxSends);
    void send(const QByteArray& bytes);
    void sendLetter(char letter);
    QByteArray readAll();
    int waiting() const;
    // `seconds` of the program's clock; a pause whose end would reach midnight ends at once.
    LineWait pause(double seconds) { return LineWait(*this, LineWait::Kind::Pause, seconds); }
    // Until bytes are waiting (Done) or `seconds` pass or the device goes (TimedOut).
    LineWait bytesWithin(double seconds) { return LineWait(*this, LineWait::Kind::Bytes, seconds); }
    // Ends the running command's waits: the one under way and every later one return Gone.
    void cancelCommand();
    bool cancelled() const { return cancelled_; }
    // Cancelled, or the line is going away: no wait of the command waits any more.
    bool stopped() const { return cancelled_ || dying_; }

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
    friend class LineWait;
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

    void beginWait(LineWait::Kind kind, double seconds, std::coroutine_handle<> waiter);
    void finishWait(Waited result);
    void resumeWaiter();

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

    // The waiting command, resumed from resumeTimer_ so that it never runs inside the handler
    // that ended its wait.
    std::coroutine_handle<> waiter_;
    bool waiting_ = false; // waiter_ is still waiting; else its resume is on the way
    LineWait::Kind waitKind_ = LineWait::Kind::Pause;
    Waited waitResult_ = Waited::Done;
    QTimer waitTimer_;
    QTimer resumeTimer_;
    bool cancelled_ = false;
    bool dying_ = false;
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

    bool taken() const { return taken_ && line(); }
    // The line, or nullptr once it is going (the main window closed while the command waited).
    MeterLine* line() const { return line_ && !line_->dying_ ? line_.data() : nullptr; }
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
