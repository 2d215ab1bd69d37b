// The main window's start-up and poll tick against the meter stand-in on a real pseudo-terminal.
#include "front_panel/panel.h"
#include "platform/clock.h"
#include "platform/toolbar.h"
#include "tests/support/panel_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using standin::makeFrame;
using standin::MeterStandIn;
using testing::PanelFixture;
using testing::waitUntil;

namespace {

// 812.5 W/m2: W and per-m2, point after the third digit.
QByteArray wattFrame(quint16 value = 0x8125) {
    return makeFrame(0x00, 0x40, 0x05, 0x00, 0x01, 0xCCCC, value, 0xCCCC);
}
QByteArray clearPromptFrame() {
    return makeFrame(0x00, 0x00, 0x00, 0x60);
}

// One poll cycle run to its end with the poll timer off: a tick, then events until the line
// reads nothing more for the display.
bool cycle(PanelFixture& f, double seconds = 20.0) {
    f.panel->Timer1_Timer();
    return waitUntil([&] { return f.panel->line.pollIdle(); }, seconds);
}

} // namespace

class TestPoll : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { platform::setClockSource(nullptr); }
    void startUpFailure_data();
    void startUpFailure();
    void loadState();
    void captionToggle();
    void firstTickSendsQueryThenStream();
    void fifteenthFrameAsksAgain();
    void fifteenFramesPerQuery();
    void clearPromptLeavesPollCount();
    void badFramesAreDropped();
    void endlessBadFramesEndTheTick();
    void damagedFramesKeepTheLastGoodOne_data();
    void damagedFramesKeepTheLastGoodOne();
    void silence_data();
    void silence();
    void lostDeviceIsReopened();
    void keyDuringAWaitingTickKeepsTheMirrorLive();
    void dialogFromInsideATickKeepsTheMirrorLive();
};

void TestPoll::startUpFailure_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device"); // "busy": a device another program holds open
    QTest::addColumn<QString>("reason"); // what standard error says
    QTest::newRow("port 0") << 0 << QString() << "cannot open COM0: no such port";
    QTest::newRow("missing device") << 3 << "/nonexistent/ttyVANTREL"
                                    << "cannot open COM3 (/nonexistent/ttyVANTREL): no such device";
    QTest::newRow("busy device") << 3 << "busy"
                                 << "busy (another program has it open)";
}

void TestPoll::startUpFailure() {
    QFETCH(int, port);
    QFETCH(QString, device);
    QFETCH(QString, reason);
    MeterStandIn meter;
    QSerialPort holder;
    if (device == QLatin1String("busy")) {
        QVERIFY(meter.open());
        device = meter.devicePath();
        holder.setPortName(device);
        QVERIFY(holder.open(QIODevice::ReadWrite));
    }
    if (!device.isEmpty())
        qputenv("VANTREL_COM3", device.toLocal8Bit());
    testing::StderrCapture err;
    AppState app;
    app.link.ComPortNumber = static_cast<std::int16_t>(port);
    testing::MessageCapture messages;
    testing::EndCapture ends;
    Panel panel(app);
    QVERIFY(!panel.Form_Load());
    QCOMPARE(messages.boxes.size(), 1);
    QCOMPARE(messages.boxes[0].text, QStringLiteral("No device found, try again!"));
    QCOMPARE(messages.boxes[0].title, QStringLiteral("Vantrel"));
    QVERIFY(messages.boxes[0].icon == platform::MsgIcon::Critical);
    QCOMPARE(testing::EndCapture::codes().size(), 1);
    QVERIFY(testing::EndCapture::codes()[0] != 0);
    QVERIFY(!panel.Timer1.isActive());
    QVERIFY2(err.text().contains(reason), qPrintable(err.text()));
    qunsetenv("VANTREL_COM3");
}

void TestPoll::loadState() {
    PanelFixture f;
    f.app.recording.Recording = true;
    f.app.logger.MemoryFormOpen = true;
    QVERIFY(f.start());
    QCOMPARE(f.panel->pos(), QPoint(0, 0));
    QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("COM1"));
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!f.app.logger.MemoryFormOpen);
    QCOMPARE(f.app.sampling.SampleInterval, 2.0f);
    QVERIFY(QTime::fromString(f.app.sampling.SampleTime, QStringLiteral("hh:mm:ss")).isValid());
    QVERIFY(f.panel->Timer1.isActive());
    QCOMPARE(f.panel->Timer1.interval(), 50);
    QCOMPARE(f.panel->COM.settings(), QStringLiteral("19200,n,8,1"));
}

void TestPoll::captionToggle() {
    AppState app;
    Panel panel(app);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel     V8.00"));
    panel.LblCOM_Click();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel     V8.00  130425"));
    panel.LblCOM_Click();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel     V8.00"));
    panel.setWindowTitle(QStringLiteral("something else"));
    panel.LblCOM_Click();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel     V8.00"));
}

void TestPoll::firstTickSendsQueryThenStream() {
    PanelFixture f;
    f.meter.setFrame(wattFrame());
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("812.5"); }));
    QVERIFY(f.meter.commandLetters().startsWith(QLatin1String("AM")));
    QCOMPARE(f.app.display.DisplayUnitText, QStringLiteral("W/(M)2"));
}

void TestPoll::fifteenthFrameAsksAgain() {
    PanelFixture f;
    f.meter.setFrame(wattFrame());
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.meter.streaming(); }));
    f.panel->Timer1.stop();
    QVERIFY(waitUntil([&] { return f.panel->line.pollIdle(); }));
    f.app.link.PollCount = 14;
    f.meter.clearLog();
    QVERIFY(cycle(f));
    QCOMPARE(int(f.app.link.PollCount), 0);
    QCOMPARE(f.meter.commandLetters(), QString());
    QVERIFY(cycle(f));
    QVERIFY2(testing::lineMatches(f.meter.commandLetters(), QStringLiteral("AM")),
             testing::lineDiff(f.meter.commandLetters(), QStringLiteral("AM")));
    QCOMPARE(int(f.app.link.PollCount), 1);
}

void TestPoll::fifteenFramesPerQuery() {
    PanelFixture f;
    f.meter.setFrame(wattFrame());
    f.meter.setFramePeriodMs(20);
    int frames = 0;
    QList<int> framesAtStream;
    QObject::connect(&f.meter, &MeterStandIn::commandReceived, [&](const standin::LoggedCommand& c) {
        if (c.letter == 'M')
            framesAtStream << frames;
    });
    QVERIFY(f.start(false));
    QObject::connect(f.panel.get(), &Panel::framePainted, [&] { ++frames; });
    QVERIFY(f.panel->Form_Load());
    QVERIFY(waitUntil([&] { return framesAtStream.size() >= 4; }, 30.0));
    for (int i = 1; i < framesAtStream.size(); ++i)
        QCOMPARE(framesAtStream[i] - framesAtStream[i - 1], 15);
    // Each query goes out as "A" (again while its reply is late) then "M", nothing else.
    const QString line = f.meter.commandLetters();
    QVERIFY2(QRegularExpression(QStringLiteral("^(A+M)+A*$")).match(line).hasMatch(), qPrintable(line));
}

void TestPoll::clearPromptLeavesPollCount() {
    PanelFixture f;
    f.meter.setFrame(wattFrame());
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.meter.streaming(); }));
    f.panel->Timer1.stop();
    QVERIFY(waitUntil([&] { return f.panel->line.pollIdle(); }));
    QVERIFY(cycle(f));
    const int count = f.app.link.PollCount;
    f.meter.setFrame(clearPromptFrame());
    testing::pumpFor(0.25);
    QVERIFY(cycle(f));
    QVERIFY(f.app.display.AnnClearPrompt);
    QCOMPARE(int(f.app.link.PollCount), count);
    QCOMPARE(f.app.display.DisplayUnitText, QStringLiteral("W/(M)2")); // kept from the last normal frame
}

void TestPoll::badFramesAreDropped() {
    PanelFixture f;
    f.meter.setFrame(wattFrame(0x1234));
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.meter.streaming(); }));
    f.panel->Timer1.stop();
    QVERIFY(waitUntil([&] { return f.panel->line.pollIdle(); }));
    f.meter.setLineMode(MeterStandIn::LineMode::BadEndMarkers);
    f.meter.setFrame(wattFrame(0x9999));
    QTimer::singleShot(400, [&] {
        f.meter.setFrame(wattFrame(0x4321));
        f.meter.setLineMode(MeterStandIn::LineMode::Normal);
    });
    QVERIFY(cycle(f));
    QCOMPARE(f.panel->LblValue->text(), QStringLiteral("432.1"));
}

void TestPoll::endlessBadFramesEndTheTick() {
    PanelFixture f;
    f.meter.setFrame(wattFrame());
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.meter.streaming(); }));
    f.panel->Timer1.stop();
    QVERIFY(waitUntil([&] { return f.panel->line.pollIdle(); }));
    f.app.link.PollCount = 3;
    f.meter.setFramePeriodMs(5);
    f.meter.setLineMode(MeterStandIn::LineMode::BadEndMarkers);
    QVERIFY(cycle(f)); // comes back on its own
    QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("No COM"));
    QCOMPARE(int(f.app.link.PollCount), 0); // the next tick asks for the stream again
    f.meter.setLineMode(MeterStandIn::LineMode::Normal);
    QVERIFY(cycle(f));
    QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("COM1"));
}

void TestPoll::damagedFramesKeepTheLastGoodOne_data() {
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<QString>("shown"); // what the mirror would have shown
    QTest::newRow("letter in a reading") << wattFrame(0xF933) << "F93.3";
    QTest::newRow("point moved") << makeFrame(0x00, 0x10, 0x05, 0x00, 0x01, 0xCCCC, 0x8448, 0xCCCC)
                                 << "8.448";
    QTest::newRow("point lost") << makeFrame(0x00, 0x00, 0x05, 0x00, 0x01, 0xCCCC, 0x7862, 0xCCCC) << "7862";
}

void TestPoll::damagedFramesKeepTheLastGoodOne() {
    QFETCH(QByteArray, damaged);
    QFETCH(QString, shown);
    PanelFixture f;
    f.meter.setFrame(wattFrame(0x8493));
    f.meter.setFramePeriodMs(20);
    QVERIFY(f.start(false));
    QStringList painted;
    int refused = 0;
    bool noCom = false;
    QObject::connect(f.panel.get(), &Panel::framePainted, [&] { painted << f.panel->LblValue->text(); });
    QObject::connect(f.panel.get(), &Panel::frameRefused, [&] { ++refused; });
    QObject::connect(&f.panel->line, &MeterLine::statusChanged,
                     [&](const QString& c) { noCom = noCom || c == QLatin1String("No COM"); });
    QVERIFY(f.panel->Form_Load());
    QVERIFY(waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("849.3"); }));
    f.meter.setFrame(damaged);
    // More than the line takes before it calls a stream of unframed bytes dead.
    QVERIFY(waitUntil([&] { return refused >= 60; }, 30.0));
    QCOMPARE(f.panel->LblValue->text(), QStringLiteral("849.3"));
    QVERIFY(!noCom); // the meter answered all along
    f.meter.setFrame(wattFrame(0x8347));
    QVERIFY(waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("834.7"); }));
    QVERIFY2(!painted.contains(shown), qPrintable(painted.join(QLatin1Char(','))));
    QVERIFY(!noCom);
}

void TestPoll::silence_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("noCom");
    QTest::newRow("3 s: the mirror waits") << 3.0 << false;
    QTest::newRow("12 s: No COM after eight empty waits") << 12.0 << true;
}

void TestPoll::silence() {
    QFETCH(double, seconds);
    QFETCH(bool, noCom);
    // One-second waits: run the program's clock fast, but only twice as fast: each wait's late
    // wake-up on a loaded machine counts as many times over as the clock runs fast (at 5 times,
    // eight waits each 64 ms late came to 2.6 s of its time).
    platform::FakeClock clock(2.0);
    platform::setClockSource(&clock);
    PanelFixture f;
    f.meter.setFrame(wattFrame());
    f.meter.setFramePeriodMs(20);
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("812.5"); }));
    double noComAt = -1;
    QObject::connect(&f.panel->line, &MeterLine::statusChanged, [&](const QString& c) {
        if (c == QLatin1String("No COM") && noComAt < 0)
            noComAt = platform::monotonicSeconds();
    });
    f.app.link.PollCount = 1; // no query due while the meter is silent
    f.meter.setLineMode(MeterStandIn::LineMode::Silent);
    f.meter.clearLog();
    const double t0 = platform::monotonicSeconds();
    QVERIFY(waitUntil([&] { return platform::monotonicSeconds() - t0 >= seconds; }, 30.0));
    QSignalSpy painted(f.panel.get(), &Panel::framePainted);
    f.meter.setLineMode(MeterStandIn::LineMode::Normal);
    QVERIFY(painted.wait(20000));
    if (noCom) {
        QVERIFY(noComAt > 0);
        // Eight one-second waits, the first begun up to a second before the silence.
        const double after = noComAt - t0;
        QVERIFY2(after > 6.5 && after < 10.5, qPrintable(QString::number(after)));
    } else {
        QCOMPARE(noComAt, -1.0);
    }
    QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("COM1"));
    QCOMPARE(f.meter.commandLetters(), QString()); // nothing sent to a silent meter
    QCOMPARE(f.panel->LblValue->text(), QStringLiteral("812.5"));
}

void TestPoll::lostDeviceIsReopened() {
    PanelFixture f;
    f.meter.setFrame(wattFrame(0x1111));
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("111.1"); }));
    f.meter.close();
    QVERIFY(waitUntil([&] { return f.panel->LblCOM->text() == QLatin1String("No COM"); }));
    f.meter.setFrame(wattFrame(0x2222));
    QVERIFY(f.meter.reopen());
    QVERIFY(waitUntil([&] { return f.panel->LblValue->text() == QLatin1String("222.2"); }, 20.0));
    QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("COM1"));
}

void TestPoll::keyDuringAWaitingTickKeepsTheMirrorLive() {
    PanelFixture f;
    f.meter.setFramePeriodMs(20);
    QVERIFY(f.start());
    QVERIFY(waitUntil([&] { return !f.panel->LblValue->text().isEmpty(); }));
    // A click nearly always lands while a cycle waits for its frame.
    QVERIFY(waitUntil([&] { return !f.panel->line.pollIdle(); }));
    f.panel->LblCmd_MouseDown(1);
    f.panel->LblCmd_MouseUp(1);
    // The key's query may be asked again when a frame on its way spoils the reply.
    const QRegularExpression keyThenStream(QStringLiteral("A+PA+M"));
    QVERIFY(waitUntil(
        [&] { return f.meter.commandLetters().contains(QRegularExpression(QStringLiteral("A+P"))); }));
    QVERIFY(f.panel->Timer1.isActive());
    QVERIFY(!f.app.link.KeyBusy);
    // Frames come again at once, after the query and "M" the key calls for.
    QElapsedTimer live;
    live.start();
    QVERIFY(waitUntil([&] { return f.app.display.DisplayUnitText == QLatin1String("KW/(M)2"); }, 20.0));
    QVERIFY(f.meter.commandLetters().contains(keyThenStream));
    QCOMPARE(f.panel->LblCOM->text(), QStringLiteral("COM1"));
}

void TestPoll::dialogFromInsideATickKeepsTheMirrorLive() {
    // A click nearly always lands while a tick waits for its frame. The file dialog of "Open"
    // must not hold that tick, and with it the mirror and what the sampler records, until the
    // user closes the dialog.
    PanelFixture f;
    QVERIFY(f.start());
    f.meter.setFramePeriodMs(20);
    f.panel->show();
    QVERIFY(waitUntil([&] { return !f.panel->LblValue->text().isEmpty(); }));
    int painted = 0;
    bool dialogShown = false;
    QObject::connect(f.panel.get(), &Panel::framePainted, [&] {
        if (QApplication::activeModalWidget())
            ++painted;
    });
    QMetaObject::Connection once;
    once = QObject::connect(&f.meter, &MeterStandIn::commandReceived, [&](const standin::LoggedCommand& c) {
        if (c.letter != 'M')
            return;
        QObject::disconnect(once);
        // Once the meter has begun its stream, still inside the tick's wait.
        QTimer::singleShot(
            0, [&] { QTest::mouseClick(f.panel->Toolbar1->button(QStringLiteral("Open")), Qt::LeftButton); });
    });
    QTimer closer;
    QElapsedTimer open;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (!dialogShown) {
            dialogShown = true;
            open.start();
        } else if (painted >= 10 || open.elapsed() > 20000) {
            QMetaObject::invokeMethod(dialog, "reject");
        }
    });
    closer.start(50);
    f.app.link.PollCount = 0;
    QVERIFY(waitUntil([&] { return dialogShown && !QApplication::activeModalWidget(); }, 30.0));
    QVERIFY2(painted >= 10, qPrintable(QString("%1 frames painted behind the dialog").arg(painted)));
}

QTEST_MAIN(TestPoll)
#include "test_poll.moc"
