// One owner of the serial line, as the user meets it: a command asked for while another runs is
// refused and the running one ends untouched, and a dialog returns the moment it is answered,
// whatever the meter does. The stand-in runs as a process of its own; keys, buttons and dialogs
// get real mouse and key events.
#include "front_panel/panel.h"
#include "front_panel/sampling_interval.h"
#include "logger_data/file_list.h"
#include "logger_data/memory.h"
#include "platform/common_dialog.h"
#include "platform/input_box.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "tests/support/standin_process.h"
#include "tests/support/test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

using testing::StandinProcess;
using testing::waitUntil;

namespace {

// A dialog held under the poll's wait for a silent meter returns only when that wait ends, seconds
// later; one that returns at once does so well before, however loaded the machine.
constexpr qint64 kAtOnceMs = 4000;

enum class Cmd { Key, PcMeter, TimeSet, Memory, Delete };

// The letters each command puts on the line besides "A" (the poll's "A" and "M" aside).
QString lettersOf(Cmd c) {
    switch (c) {
    case Cmd::Key:
        return QStringLiteral("P");
    case Cmd::PcMeter:
        return QStringLiteral("JG");
    case Cmd::TimeSet:
        return QStringLiteral("C");
    case Cmd::Memory:
        return QStringLiteral("F");
    case Cmd::Delete:
        return QStringLiteral("D");
    }
    return {};
}

// Answers every modal window the program opens, as a person would, and notes what it answered.
class Answerer : public QObject {
public:
    QString inputAnswer = QStringLiteral("7");
    bool choosePc = false;
    QString fileAnswer;
    QStringList messages;   // texts of the message boxes answered
    bool confirmed = false; // the delete's warning was answered OK
    QElapsedTimer answered; // started at the last answer

    Answerer() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &Answerer::look);
        timer_.start();
    }

private:
    void look() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == last_)
            return;
        if (w != seen_) {
            seen_ = w;
            seenAt_.start();
        }
        // The file dialog fills its name box once it has read its folder: type after that.
        if (qobject_cast<QFileDialog*>(w) && seenAt_.elapsed() < 500)
            return;
        last_ = w;
        if (w->objectName() == QLatin1String("SamplingChoice")) {
            if (choosePc)
                QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("OptPC")), Qt::LeftButton);
            answered.start();
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        } else if (w->objectName() == QLatin1String("InputBox")) {
            auto* edit = w->findChild<QLineEdit*>(QStringLiteral("TxtInput"));
            edit->selectAll();
            QTest::keyClicks(edit, inputAnswer);
            answered.start();
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
            messages << box->text();
            if (box->windowTitle() == QLatin1String("Warning"))
                confirmed = true;
            answered.start();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        } else if (qobject_cast<QFileDialog*>(w)) {
            auto* edit = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->selectAll();
            QTest::keyClicks(edit, fileAnswer);
            // The name completer's list would take the Return.
            if (edit->completer() && edit->completer()->popup())
                edit->completer()->popup()->hide();
            answered.start();
            QTest::keyClick(edit, Qt::Key_Return);
        }
    }

    QTimer timer_;
    QPointer<QWidget> last_, seen_;
    QElapsedTimer seenAt_;
};

struct Session {
    QTemporaryDir dir;
    StandinProcess meter;
    AppState app;
    testing::EndCapture ends;
    std::unique_ptr<Panel> panel;
    int frames = 0;

    bool start(const QStringList& options = {}) {
        const QString link = dir.filePath(QStringLiteral("meter"));
        if (!meter.start(link, QStringList{QStringLiteral("--period"), QStringLiteral("20")} + options))
            return false;
        qputenv("VANTREL_COM1", link.toLocal8Bit());
        app.link.ComPortNumber = 1;
        panel = std::make_unique<Panel>(app);
        QObject::connect(panel.get(), &Panel::framePainted, [this] { ++frames; });
        panel->show();
        QApplication::setActiveWindow(panel.get());
        return panel->Form_Load() && waitUntil([&] { return frames > 2; });
    }
    void click(const QString& key) { QTest::mouseClick(panel->Toolbar1->button(key), Qt::LeftButton); }
    Memory* memory() const {
        Memory* m = panel->loggerContext.memory;
        return m && m->isVisible() && !m->isUnloaded() ? m : nullptr;
    }
    void run(Cmd c) {
        switch (c) {
        case Cmd::Key:
            QTest::mousePress(panel->LblCmd[1], Qt::LeftButton);
            QTest::mouseRelease(panel->LblCmd[1], Qt::LeftButton);
            break;
        case Cmd::PcMeter:
            click(QStringLiteral("PC"));
            break;
        case Cmd::TimeSet:
            click(QStringLiteral("TimeSet"));
            break;
        case Cmd::Memory:
            click(QStringLiteral("Memory"));
            break;
        case Cmd::Delete:
            if (Memory* m = memory())
                QTest::mouseClick(m->LblRemain, Qt::LeftButton);
            break;
        }
    }
    // Polling back: the line free, the poll timer on and frames painted again.
    bool pollingBack() {
        if (!waitUntil([&] { return !app.link.KeyBusy && panel->Timer1.isActive(); }))
            return false;
        const int before = frames;
        return waitUntil([&] { return frames > before + 2; });
    }
    // The commands' letters without the pointer queries and the poll's "M"; a dump or an interval
    // asked for again (the meter's reply spoilt by a frame still on its way) counts once.
    QString commandLetters() const {
        QString s = meter.letters;
        s.remove(QLatin1Char('A'));
        s.remove(QLatin1Char('M'));
        s.replace(QRegularExpression(QStringLiteral("F+")), QStringLiteral("F"));
        s.replace(QRegularExpression(QStringLiteral("J+")), QStringLiteral("J"));
        return s;
    }
};

// A program that stalls would never hand control back to the test: end it instead of hanging.
struct Watchdog {
    QTimer timer;
    explicit Watchdog(int ms) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] {
            std::fprintf(stderr, "FAIL: the program stalled\n");
            std::_Exit(1);
        });
        timer.start(ms);
    }
};

// Runs `act` once on the first modal window the program shows that `match` accepts: the test's
// steps then run inside that window's own event loop, as long as it stays open.
class OnModal : public QObject {
public:
    OnModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> act)
        : match_(std::move(match)), act_(std::move(act)) {
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (done_ || !w || !w->isVisible() || !match_(w))
                return;
            done_ = true;
            timer_.stop();
            act_(w);
        });
        timer_.start(5);
    }
    bool done() const { return done_; }

private:
    std::function<bool(QWidget*)> match_;
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    bool done_ = false;
};

bool named(QWidget* w, const char* name) {
    return w->objectName() == QLatin1String(name);
}

// Any visible logger window.
bool loggerWindowShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (named(w, "Memory") && w->isVisible())
            return true;
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Cmd)

class TestLineOwner : public QObject {
    Q_OBJECT
private slots:
    void commandDuringCommand_data();
    void commandDuringCommand();
    void dialogWhileMeterGone_data();
    void dialogWhileMeterGone();
    void commandRunsOnUnderAWindow_data();
    void commandRunsOnUnderAWindow();
    void meterRateRefusedAloud_data();
    void meterRateRefusedAloud();
    void closedLoggerWindowStaysClosed();
};

void TestLineOwner::commandDuringCommand_data() {
    QTest::addColumn<Cmd>("first");
    QTest::addColumn<Cmd>("second");
    const QList<QPair<const char*, Cmd>> cmds{{"key", Cmd::Key},
                                              {"PC meter rate", Cmd::PcMeter},
                                              {"TimeSet", Cmd::TimeSet},
                                              {"Memory", Cmd::Memory},
                                              {"delete", Cmd::Delete}};
    for (const auto& a : cmds)
        for (const auto& b : cmds)
            QTest::newRow(qPrintable(QStringLiteral("%1 during %2").arg(b.first, a.first)))
                << a.second << b.second;
}

void TestLineOwner::commandDuringCommand() {
    QFETCH(Cmd, first);
    QFETCH(Cmd, second);
    Watchdog watchdog(60000);
    Session s;
    QVERIFY(s.start({QStringLiteral("--pace"), QStringLiteral("0")}));
    Answerer answers;
    // A logger window to delete from.
    s.run(Cmd::Memory);
    QVERIFY(waitUntil([&] { return s.memory() && s.memory()->GridSet->rows() > 1 && !s.app.link.KeyBusy; }));
    QVERIFY(s.pollingBack());
    s.meter.clearLog();

    // The second command is asked for the first moment the first one waits on the line.
    bool fired = false;
    QPointer<Memory> running; // the logger window when the second command was asked for
    QTimer trigger;
    trigger.setTimerType(Qt::PreciseTimer);
    trigger.setInterval(1);
    QObject::connect(&trigger, &QTimer::timeout, [&] {
        if (fired || !s.app.link.KeyBusy || QApplication::activeModalWidget())
            return;
        // A download is asked into once its window shows the transfer.
        const bool needsWindow = second == Cmd::Delete || first == Cmd::Memory;
        if ((needsWindow && !s.memory()) || (first == Cmd::Delete && !answers.confirmed))
            return;
        fired = true;
        running = s.panel->loggerContext.memory;
        s.run(second);
    });
    trigger.start();
    s.run(first);
    // The first command runs on from the event loop; the second is asked for while it does.
    QVERIFY(waitUntil([&] { return fired; }, 20.0));
    trigger.stop();

    QVERIFY(s.pollingBack());
    testing::pumpFor(0.3); // the stand-in's log comes through a pipe
    QStringList expected;
    if (first == Cmd::Delete)
        expected << QStringLiteral("All the data in memory will be deleted!");
    if (second == Cmd::PcMeter && answers.messages.contains(QString::fromLatin1(LineBusyRefusal))) {
        // The meter's rate is settled at OK in its choice: refused, and said so, while the first
        // still held the line.
        expected << QString::fromLatin1(LineBusyRefusal);
        QCOMPARE(s.commandLetters(), lettersOf(first));
    } else if (second == Cmd::PcMeter) {
        // The first had ended by then: the meter's rate was set after it, never inside it.
        QVERIFY(waitUntil([&] { return !s.app.link.KeyBusy && s.meter.letters.contains(QLatin1Char('G')); }));
        QVERIFY(s.pollingBack());
        testing::pumpFor(0.3);
        QCOMPARE(s.commandLetters(), lettersOf(first) + lettersOf(Cmd::PcMeter));
    } else {
        QCOMPARE(s.commandLetters(), lettersOf(first));
    }
    QCOMPARE(answers.messages, expected);
    if (first == Cmd::Memory) { // the download ran to its end in its own window and lists its sets
        QVERIFY(s.memory() && s.memory()->GridSet->rows() > 1);
        QCOMPARE(s.memory(), running.data());
    }
    if (first == Cmd::PcMeter)
        QVERIFY(s.meter.lines.contains(QStringLiteral("G (logging interval 7 s) 00 07")));
}

void TestLineOwner::dialogWhileMeterGone_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("pulled");
    for (const char* d : {"open", "save", "input box", "message box"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, meter silent").arg(d))) << d << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, meter pulled").arg(d))) << d << true;
    }
}

void TestLineOwner::dialogWhileMeterGone() {
    QFETCH(QString, dialog);
    QFETCH(bool, pulled);
    Watchdog watchdog(60000);
    Session s;
    QVERIFY(s.start());
    const QString reading = s.panel->LblValue->text();
    QVERIFY(!reading.isEmpty());
    Answerer answers;
    if (pulled) {
        s.meter.end();
        QVERIFY(waitUntil([&] { return s.panel->LblCOM->text() == QLatin1String("No COM"); }));
    } else {
        s.meter.pause();
        testing::pumpFor(1.5); // the poll is well into its empty waits
    }
    const QString lastReading = s.panel->LblValue->text();

    if (dialog == QLatin1String("open")) {
        const QString path = s.dir.filePath(QStringLiteral("data.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\tTime\tW/(M)2\r\n1\t10:00:02\t812.5\r\n2\t10:00:04\t813.0\r\n");
        f.close();
        answers.fileAnswer = path;
        s.click(QStringLiteral("Open"));
        QVERIFY(answers.answered.isValid());
        QVERIFY2(answers.answered.elapsed() < kAtOnceMs, "the open dialog did not return at once");
        FileList* list = s.panel->loggerContext.fileList;
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->Grid->rows(), 3);
    } else if (dialog == QLatin1String("save")) {
        const QString path = s.dir.filePath(QStringLiteral("rec.txt"));
        answers.fileAnswer = path;
        s.click(QStringLiteral("Save"));
        QVERIFY(answers.answered.isValid());
        QVERIFY2(answers.answered.elapsed() < kAtOnceMs, "the save dialog did not return at once");
        QVERIFY(s.app.recording.Recording);
        QVERIFY(QFile::exists(path));
        // The sampler keeps going and records the last reading shown.
        QVERIFY(waitUntil([&] { return s.app.recording.FileRecordCount >= 1; }, 5.0));
        s.panel->StopRecording();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines[1].trimmed().split('\t').value(2), lastReading.toLatin1());
    } else if (dialog == QLatin1String("input box")) {
        answers.choosePc = true;
        answers.inputAnswer = QStringLiteral("5");
        s.click(QStringLiteral("PC"));
        QVERIFY(answers.answered.isValid());
        QVERIFY2(answers.answered.elapsed() < kAtOnceMs, "the input box did not return at once");
        QCOMPARE(s.app.sampling.SampleInterval, 5.0f);
    } else {
        // The clock set asks a meter that does not answer: it gives up, says so, and the box
        // returns as soon as it is answered.
        s.click(QStringLiteral("TimeSet"));
        QVERIFY(waitUntil([&] { return !answers.messages.isEmpty(); }, 30.0));
        QVERIFY(answers.answered.isValid());
        QVERIFY2(answers.answered.elapsed() < kAtOnceMs, "the message box did not return at once");
        QCOMPARE(answers.messages, QStringList{QString::fromLatin1(MeterNotAnswering)});
        QVERIFY(!s.app.link.KeyBusy);
        QVERIFY(s.panel->Timer1.isActive());
    }
    if (pulled)
        QCOMPARE(s.panel->LblCOM->text(), QStringLiteral("No COM"));
    else
        s.meter.resume();
}

void TestLineOwner::commandRunsOnUnderAWindow_data() {
    QTest::addColumn<Cmd>("command");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("meterBack");
    for (const char* w : {"choice", "file dialog", "message box", "input box"}) {
        QTest::newRow(qPrintable(QStringLiteral("key, %1").arg(w))) << Cmd::Key << w << true;
        QTest::newRow(qPrintable(QStringLiteral("download, %1").arg(w))) << Cmd::Memory << w << true;
    }
    QTest::newRow("key, choice, meter silent") << Cmd::Key << "choice" << false;
}

void TestLineOwner::commandRunsOnUnderAWindow() {
    QFETCH(Cmd, command);
    QFETCH(QString, window);
    QFETCH(bool, meterBack);
    Watchdog watchdog(90000);
    Session s;
    QVERIFY(s.start({QStringLiteral("--memory"), QStringLiteral("week"), QStringLiteral("--pace"),
                     QStringLiteral("3000")}));
    if (window == QLatin1String("message box")) {
        // Open while recording says "Recording Mode!" in a box.
        const QString path = s.dir.filePath(QStringLiteral("rec.txt"));
        platform::CommonDialog::setResponder([&](const platform::CommonDialog::Request&) { return path; });
        s.click(QStringLiteral("Save"));
        platform::CommonDialog::setResponder({});
        QVERIFY(s.app.recording.Recording);
    }

    // The command under way: a key waiting on a silent meter, or a download showing its progress.
    if (command == Cmd::Key) {
        s.meter.pause();
        s.run(Cmd::Key);
        QVERIFY(s.app.link.KeyBusy);
    } else {
        s.run(Cmd::Memory);
        QVERIFY(waitUntil([&] { return s.memory() && !s.memory()->LblMessage->text().isEmpty(); }, 20.0));
    }

    // What happens while the window is open: the letter goes out once the meter answers again,
    // or the bound gives up and says so; the download's progress moves on and it ends.
    bool ranOpen = false, letterWhileOpen = false, boundWhileOpen = false, progressWhileOpen = false,
         doneWhileOpen = false;
    QPointer<QWidget> opened;
    const auto whileOpen = [&](QWidget* w) {
        opened = w;
        ranOpen = true;
        if (command == Cmd::Key && meterBack) {
            s.meter.resume();
            letterWhileOpen = waitUntil([&] { return s.meter.letters.contains(QLatin1Char('P')); }, 20.0) &&
                              opened && opened->isVisible();
        } else if (command == Cmd::Key) {
            // The bound's box comes up on top of the open window; it is answered from its own loop.
            bool boxShown = false;
            OnModal bound(
                [](QWidget* b) {
                    auto* box = qobject_cast<QMessageBox*>(b);
                    return box && box->text() == QLatin1String(MeterNotAnswering);
                },
                [&](QWidget* b) {
                    boxShown = opened && opened->isVisible();
                    QTest::mouseClick(static_cast<QMessageBox*>(b)->button(QMessageBox::Ok), Qt::LeftButton);
                });
            boundWhileOpen = waitUntil([&] { return bound.done() && !s.app.link.KeyBusy; }, 30.0) && boxShown;
        } else {
            const QString before = s.memory() ? s.memory()->LblMessage->text() : QString();
            progressWhileOpen = waitUntil(
                [&] { return s.memory() && s.memory()->LblMessage->text() != before; }, 20.0);
            doneWhileOpen = waitUntil([&] { return !s.app.link.KeyBusy && s.memory() &&
                                                   s.memory()->GridSet->rows() > 1; }, 30.0) &&
                            opened && opened->isVisible();
        }
        if (!opened)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(opened.data()))
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        else if (auto* dialog = qobject_cast<QDialog*>(opened.data()))
            dialog->reject();
        else if (named(opened, "SamplingChoice")) // the PC's rate, then an empty answer: nothing changes
            QTest::mouseClick(opened->findChild<QRadioButton*>(QStringLiteral("OptPC")), Qt::LeftButton),
                QTest::mouseClick(opened->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    };

    std::unique_ptr<OnModal> first, second;
    platform::setInputResponder([](const platform::InputRecord&) { return QString(); });
    if (window == QLatin1String("choice")) {
        first = std::make_unique<OnModal>([](QWidget* w) { return named(w, "SamplingChoice"); }, whileOpen);
        s.click(QStringLiteral("PC"));
    } else if (window == QLatin1String("input box")) {
        platform::setInputResponder({}); // the real box this time
        first = std::make_unique<OnModal>([](QWidget* w) { return named(w, "SamplingChoice"); }, [](QWidget* w) {
            QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("OptPC")), Qt::LeftButton);
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        });
        second = std::make_unique<OnModal>([](QWidget* w) { return named(w, "InputBox"); }, whileOpen);
        s.click(QStringLiteral("PC"));
    } else if (window == QLatin1String("file dialog")) {
        first = std::make_unique<OnModal>([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
                                          whileOpen);
        s.click(QStringLiteral("Open"));
    } else {
        first = std::make_unique<OnModal>(
            [](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                return box && box->text().startsWith(QLatin1String("Recording Mode!"));
            },
            whileOpen);
        s.click(QStringLiteral("Open"));
    }
    platform::setInputResponder({});
    QVERIFY(ranOpen);
    if (command == Cmd::Key && meterBack) {
        QVERIFY2(letterWhileOpen, "the key letter waited for the window");
    } else if (command == Cmd::Key) {
        QVERIFY2(boundWhileOpen, "the key's bound waited for the window");
    } else {
        QVERIFY2(progressWhileOpen, "the download's progress stood still under the window");
        QVERIFY2(doneWhileOpen, "the download waited for the window");
    }
    s.meter.resume();
    QVERIFY(s.pollingBack());
}

void TestLineOwner::meterRateRefusedAloud_data() {
    QTest::addColumn<Cmd>("running");
    QTest::newRow("during a download") << Cmd::Memory;
    QTest::newRow("during a key's wait on a silent meter") << Cmd::Key;
}

void TestLineOwner::meterRateRefusedAloud() {
    QFETCH(Cmd, running);
    Watchdog watchdog(60000);
    Session s;
    QVERIFY(s.start({QStringLiteral("--memory"), QStringLiteral("week"), QStringLiteral("--pace"),
                     QStringLiteral("3000")}));
    Answerer answers; // keeps "Meter Sampling Rate", OK
    if (running == Cmd::Key) {
        s.meter.pause();
        s.run(Cmd::Key);
    } else {
        s.run(Cmd::Memory);
        QVERIFY(waitUntil([&] { return s.memory() && !s.memory()->LblMessage->text().isEmpty(); }, 20.0));
    }
    QVERIFY(s.app.link.KeyBusy);
    s.meter.clearLog();
    s.click(QStringLiteral("PC"));
    QVERIFY(waitUntil([&] { return !answers.messages.isEmpty(); }, 20.0));
    QCOMPARE(answers.messages.first(), QString::fromLatin1(LineBusyRefusal));
    s.meter.resume();
    QVERIFY(waitUntil([&] { return !s.app.link.KeyBusy; }, 30.0));
    QVERIFY(s.pollingBack());
    testing::pumpFor(0.3);
    QVERIFY2(!s.meter.letters.contains(QLatin1Char('J')), qPrintable(s.meter.letters));
}

void TestLineOwner::closedLoggerWindowStaysClosed() {
    Watchdog watchdog(60000);
    Session s;
    // The first dump comes back empty: the download asks again from "A".
    QVERIFY(s.start({QStringLiteral("--memory"), QStringLiteral("week"), QStringLiteral("--stop-after"),
                     QStringLiteral("0")}));
    testing::MessageCapture messages;
    s.run(Cmd::Memory);
    QVERIFY(waitUntil([&] { return s.memory() != nullptr; }, 20.0));
    QPointer<Memory> window = s.memory();
    // The meter falls silent, so the restart's "A" goes unanswered; the user closes the window.
    QVERIFY(waitUntil([&] { return s.meter.letters.contains(QLatin1Char('F')); }, 20.0));
    s.meter.pause();
    testing::pumpFor(0.5);
    QVERIFY(s.app.link.KeyBusy);
    window->close();
    QVERIFY2(waitUntil([&] { return !s.app.link.KeyBusy; }, 5.0), "closing the window did not end the download");
    s.meter.clearLog();
    s.meter.resume();
    QVERIFY(s.pollingBack());
    testing::pumpFor(0.5);
    QVERIFY(!loggerWindowShown());
    QVERIFY(!s.app.logger.MemoryFormOpen);
    QVERIFY2(!s.meter.letters.contains(QLatin1Char('F')), qPrintable(s.meter.letters));
    QCOMPARE(messages.texts(), QStringList());
}

QTEST_MAIN(TestLineOwner)
#include "test_line_owner.moc"
