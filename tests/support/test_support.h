// Small helpers shared by the tests.
#pragma once

#include "platform/message_box.h"

#include <QByteArray>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLineEdit;
class QWidget;
#include <initializer_list>

namespace testing {

// A byte array from byte values, as the meter's replies are written down.
QByteArray bytes(std::initializer_list<int> values);

// Whether what the meter heard (its command letters, or the raw bytes) is `expected` under any
// timing. Each "A" of `expected` is one pointer query, which sends "A" again while its reply is
// late, so it matches one "A" or more; "AJ" is a reading of the interval, which is asked again
// (query and "J") when its reply comes after the read, so it matches that pair once or more. With
// `polls`, whole poll cycles (a query, then "M") may also come first and between the steps. Any
// other letter, order, missing or extra byte fails.
enum class Polls { No, Between };
bool lineMatches(const QByteArray& heard, const QByteArray& expected, Polls polls = Polls::No);
bool lineMatches(const QString& heard, const QString& expected, Polls polls = Polls::No);
// For a failure message: what was heard against what was expected.
QByteArray lineDiff(const QByteArray& heard, const QByteArray& expected);
QByteArray lineDiff(const QString& heard, const QString& expected);

// Pumps events (blocking between them) until `done` holds or `seconds` of real time pass.
bool waitUntil(const std::function<bool()>& done, double seconds = 20.0);
// Pumps events for `seconds` of real time.
void pumpFor(double seconds);

// Records every message box instead of showing it, and answers with `answer`.
class MessageCapture {
public:
    explicit MessageCapture(platform::MsgResult answer = platform::MsgResult::Ok);
    ~MessageCapture();
    QList<platform::MsgRecord> boxes;
    platform::MsgResult answer;
    QStringList texts() const;
};

// Records calls to end the program instead of ending the test process.
class EndCapture {
public:
    EndCapture();
    ~EndCapture();
    static QList<int>& codes();
};

// Records every caption a window is given, progress captions included.
// Runs `action` at every event of `type` that reaches `watched`.
class OnEvent : public QObject {
public:
    OnEvent(QObject* watched, QEvent::Type type, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QObject* watched_;
    QEvent::Type type_;
    std::function<void()> action_;
};

class CaptionLog : public QObject {
public:
    explicit CaptionLog(QWidget* w);
    QStringList captions;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* w_;
};

// Catches what the code under test writes to the process's standard error while it lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // What was written so far.
    QString text() const;

private:
    int saved_ = -1;
    int file_ = -1;
};

// Types `typed` into `edit` with real key presses: the box then shows `text`, and a Backspace takes
// its last character off.
void typeIntoBox(QLineEdit* edit, const QString& typed, const QString& text);
// Presses the editing keys `keys` in `edit` (which has the focus), each with the text the X
// server gives it (Delete comes as "\x7f", Home, End and the arrows with none); returns the text.
QString pressEditKeys(QLineEdit* edit, const QList<int>& keys);
// Tab, pressed on the focus widget again and again, moves the focus through `order`.
void tabWalks(const QList<QWidget*>& order);

// A folder for pictures the tests grab, from $VANTREL_ARTIFACTS (created), else the temp folder.
QString artifactsDir();

} // namespace testing
