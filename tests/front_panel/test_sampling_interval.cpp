// The sampling interval and the meter's clock from the toolbar: the choice window, the interval
// box and what goes out on a real pseudo-terminal to the meter stand-in.
#include "front_panel/panel.h"
#include "front_panel/sampling_choice.h"
#include "front_panel/sampling_interval.h"
#include "meter_link/meter.h"
#include "platform/clock.h"
#include "platform/input_box.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "tests/front_panel/sampler_fixture.h"
#include "tests/support/modal.h"
#include "tests/support/panel_fixture.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

using testing::bytes;
using testing::lineDiff;
using testing::lineMatches;
using testing::PanelFixture;
using testing::waitUntil;

namespace {

// Answers the interval box with `answer` and remembers what it showed.
struct BoxAnswers {
    QList<platform::InputRecord> asked;
    QString answer;
    explicit BoxAnswers(QString a) : answer(std::move(a)) {
        platform::setInputResponder([this](const platform::InputRecord& r) {
            asked.append(r);
            return answer;
        });
    }
    ~BoxAnswers() { platform::setInputResponder({}); }
};

// What the choice window showed when it came up.
struct ChoiceSeen {
    bool shown = false;
    bool meterSelected = false;
    bool modal = false;
    QPoint pos;
};

// Answers the next choice window with the mouse: the PC's rate or the meter's, then OK; or
// closes it without OK.
enum class Choose { Pc, Meter, Close };
void answerChoice(Choose how, ChoiceSeen* seen = nullptr) {
    testing::whenShown(QStringLiteral("SamplingChoice"), [how, seen](QWidget* w) {
        auto* opt = w->findChild<QRadioButton*>(QStringLiteral("OptMeter"));
        if (seen) {
            seen->shown = true;
            seen->meterSelected = opt->isChecked();
            seen->modal = w->isModal();
            seen->pos = w->pos();
        }
        if (how == Choose::Close) {
            w->close();
            return;
        }
        if (how == Choose::Pc)
            QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("OptPC")), Qt::LeftButton);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    });
}

// Clicks a toolbar button; a command it starts runs on from the event loop: waits until it has
// given the line back.
void click(Panel& p, const char* key) {
    const bool busyBefore = p.app().link.KeyBusy;
    p.Toolbar1->button(QString::fromLatin1(key))->click();
    if (!busyBefore)
        QVERIFY(waitUntil([&] { return !p.app().link.KeyBusy; }, 30.0));
}

// The main window on the stand-in with polling stopped, so the line carries only the command.
bool startQuiet(PanelFixture& f) {
    if (!f.start() || !f.quiet())
        return false;
    f.panel->show();
    testing::pumpFor(0.15);
    f.meter.clearLog();
    return true;
}

// What the stand-in has heard a moment after the command ended.
QString lineAfter(PanelFixture& f) {
    testing::pumpFor(0.2);
    return f.meter.commandLetters();
}

QByteArray payloadOf(PanelFixture& f, char letter) {
    const auto cmds = f.meter.commands();
    for (auto it = cmds.rbegin(); it != cmds.rend(); ++it)
        if (it->letter == letter)
            return it->payload;
    return QByteArray("<none>");
}

} // namespace

class TestSamplingInterval : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { platform::setClockSource(nullptr); }
    void pcAnswers_data();
    void pcAnswers();
    void meterAnswers_data();
    void meterAnswers();
    void choiceWindow();
    void pcIntervalTakesEffect();
    void pcCancelChangesNothing();
    void closedChoiceKeepsLastChoice_data();
    void closedChoiceKeepsLastChoice();
    void meterIntervalOnTheLine_data();
    void meterIntervalOnTheLine();
    void intervalReplies_data();
    void intervalReplies();
    void meterNeverAnswersRight();
    void clockAtEndOfMonth();
    void clockRefused_data();
    void clockRefused();
    void standInProcessLogsWhatWasSet();
};

void TestSamplingInterval::pcAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("interval"); // 0: nothing changes
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("-5") << "-5" << 1;
    QTest::newRow("100000") << "100000" << 86400;
    QTest::newRow("86400") << "86400" << 86400;
    QTest::newRow("2.5 to even") << "2.5" << 2;
    QTest::newRow("3.5 to even") << "3.5" << 4;
    QTest::newRow("2.51") << "2.51" << 3;
    QTest::newRow("7") << "7" << 7;
    QTest::newRow("blanks round it") << " 7 " << 7;
    QTest::newRow("decimal comma") << "3,5" << 4;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("number then letters") << "12abc" << 0;
    QTest::newRow("beyond 32 bits") << "3000000000" << 0;
    QTest::newRow("beyond 32 bits below") << "-3000000000" << 0;
    QTest::newRow("infinity") << "inf" << 0;
}

void TestSamplingInterval::pcAnswers() {
    QFETCH(QString, answer);
    QFETCH(int, interval);
    QCOMPARE(PcIntervalFromAnswer(answer).value_or(0), interval);
}

void TestSamplingInterval::meterAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("interval"); // 0: nothing is sent
    QTest::newRow("60") << "60" << 60;
    QTest::newRow("75") << "75" << 60;
    QTest::newRow("59") << "59" << 59;
    QTest::newRow("0.4") << "0.4" << 1;
    QTest::newRow("12abc") << "12abc" << 12;
    QTest::newRow("blanks ignored") << " 1 2 s" << 12;
    QTest::newRow("2.5 to even") << "2.5" << 2;
    QTest::newRow("-5") << "-5" << 1;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("point only") << "." << 0;
    QTest::newRow("beyond 32 bits") << "99999999999" << 0;
}

void TestSamplingInterval::meterAnswers() {
    QFETCH(QString, answer);
    QFETCH(int, interval);
    QCOMPARE(MeterIntervalFromAnswer(answer).value_or(0), interval);
}

void TestSamplingInterval::choiceWindow() {
    testing::SamplerFixture f;
    f.panel->move(0, 0);
    f.panel->show();
    BoxAnswers box{QString()};
    // A first showing with the PC's rate chosen, then a fresh window: the meter's rate again.
    ChoiceSeen first, second;
    answerChoice(Choose::Pc, &first);
    f.click(QStringLiteral("PC"));
    QVERIFY(first.shown);
    QVERIFY(first.modal);
    QVERIFY(f.app.sampling.PcSampling);

    QWidget* shown = nullptr;
    testing::whenShown(QStringLiteral("SamplingChoice"), [&](QWidget* w) {
        shown = w;
        second.meterSelected = w->findChild<QRadioButton*>(QStringLiteral("OptMeter"))->isChecked();
        second.pos = w->pos();
        QCOMPARE(w->windowTitle(), QStringLiteral("Sampling Rate"));
        QCOMPARE(w->findChild<QRadioButton*>(QStringLiteral("OptPC"))->geometry(),
                 platform::rectTwips(240, 240, 2655, 375));
        QCOMPARE(w->findChild<QRadioButton*>(QStringLiteral("OptMeter"))->text(),
                 QStringLiteral("Meter Sampling Rate"));
        QCOMPARE(w->findChild<QPushButton*>(QStringLiteral("CmdOK"))->geometry(),
                 platform::rectTwips(2400, 1560, 495, 375));
        w->grab().save(QDir(testing::artifactsDir()).filePath(QStringLiteral("sampling_choice.png")));
        // Clicked on the PC option, then the keyboard picks the meter's again: keys reach it once
        // it is the active window.
        QVERIFY(QTest::qWaitForWindowActive(w, 20000));
        QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("OptPC")), Qt::LeftButton);
        QTest::keyClick(w->findChild<QRadioButton*>(QStringLiteral("OptPC")), Qt::Key_Down);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
    });
    // The meter branch would talk to the meter; this fixture has none, so only the window counts.
    SamplingChoice::ShowModal(f.app.sampling, *f.panel);
    QVERIFY(shown);
    QVERIFY(second.meterSelected);
    QVERIFY(!f.app.sampling.PcSampling);
    const QRect main = f.panel->frameGeometry();
    QCOMPARE(second.pos, QPoint(main.x() + main.width() / 2, main.y() + main.height() / 2));
}

void TestSamplingInterval::pcIntervalTakesEffect() {
    testing::SamplerFixture f;
    f.panel->show();
    f.app.sampling.SampleInterval = 2;
    f.app.sampling.SampleTickCount = 1;
    f.app.link.PollCount = 9;
    f.tick(); // counting: 2 of 2 next
    BoxAnswers box(QStringLiteral("7"));
    answerChoice(Choose::Pc);
    f.click(QStringLiteral("PC"));
    QCOMPARE(box.asked.size(), 1);
    QCOMPARE(box.asked[0].title, QStringLiteral("Input Sampling Time"));
    QCOMPARE(box.asked[0].prompt,
             QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "));
    QCOMPARE(box.asked[0].text, QStringLiteral("2"));
    QCOMPARE(f.app.sampling.SampleInterval, 7.0f);
    QCOMPARE(f.app.link.PollCount, std::int16_t(0));
    QVERIFY(f.panel->Timer1.isActive());
    f.panel->Timer1.stop(); // no port here

    // The very next tick samples, and the clock moves by the new interval.
    f.tick();
    QCOMPARE(f.app.sampling.SampleTime, QStringLiteral("10:00:07"));
    f.tick(6);
    QCOMPARE(f.app.sampling.SampleTime, QStringLiteral("10:00:07"));
    f.tick();
    QCOMPARE(f.app.sampling.SampleTime, QStringLiteral("10:00:14"));
}

void TestSamplingInterval::pcCancelChangesNothing() {
    testing::SamplerFixture f;
    f.panel->show();
    f.app.sampling.SampleInterval = 5;
    f.app.sampling.SampleTickCount = 3;
    f.app.link.PollCount = 4;
    for (const QString& answer : {QString(), QStringLiteral("abc")}) {
        BoxAnswers box(answer);
        answerChoice(Choose::Pc);
        f.click(QStringLiteral("PC"));
        QCOMPARE(box.asked.size(), 1);
        QCOMPARE(box.asked[0].text, QStringLiteral("5"));
        QCOMPARE(f.app.sampling.SampleInterval, 5.0f);
        QCOMPARE(f.app.sampling.SampleTickCount, 3);
        QCOMPARE(f.app.link.PollCount, std::int16_t(4));
        QVERIFY(!f.panel->Timer1.isActive());
    }
}

void TestSamplingInterval::closedChoiceKeepsLastChoice_data() {
    QTest::addColumn<bool>("pcBefore");
    QTest::newRow("meter rate at start") << false;
    QTest::newRow("PC rate chosen before") << true;
}

void TestSamplingInterval::closedChoiceKeepsLastChoice() {
    QFETCH(bool, pcBefore);
    PanelFixture f;
    QVERIFY(startQuiet(f));
    f.app.sampling.PcSampling = pcBefore;
    BoxAnswers box{QString()};
    answerChoice(Choose::Close);
    click(*f.panel, "PC");
    QCOMPARE(f.app.sampling.PcSampling, pcBefore);
    QCOMPARE(box.asked.size(), 1);
    QCOMPARE(box.asked[0].prompt, pcBefore ? PcIntervalPrompt() : MeterIntervalPrompt());
    f.panel->Timer1.stop();
}

void TestSamplingInterval::meterIntervalOnTheLine_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QByteArray>("payload"); // empty: nothing is sent
    QTest::newRow("60") << "60" << bytes({0x01, 0x00});
    QTest::newRow("75") << "75" << bytes({0x01, 0x00});
    QTest::newRow("59") << "59" << bytes({0x00, 0x3B});
    QTest::newRow("0.4") << "0.4" << bytes({0x00, 0x01});
    QTest::newRow("12abc") << "12abc" << bytes({0x00, 0x0C});
    QTest::newRow("letters") << "abc" << QByteArray();
    QTest::newRow("empty or cancelled") << "" << QByteArray();
    QTest::newRow("beyond 32 bits") << "99999999999" << QByteArray();
}

void TestSamplingInterval::meterIntervalOnTheLine() {
    QFETCH(QString, answer);
    QFETCH(QByteArray, payload);
    PanelFixture f;
    QVERIFY(startQuiet(f));
    f.meter.setLoggerInterval(45);
    f.app.link.PollCount = 7;
    bool pollingWhileAsked = true;
    BoxAnswers box(answer);
    platform::setInputResponder([&](const platform::InputRecord& r) {
        box.asked.append(r);
        pollingWhileAsked = f.panel->Timer1.isActive();
        return answer;
    });
    answerChoice(Choose::Meter);
    click(*f.panel, "PC");

    QCOMPARE(box.asked.size(), 1);
    QCOMPARE(box.asked[0].prompt, QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 60 ) "));
    QCOMPARE(box.asked[0].text, QStringLiteral("45"));
    QVERIFY(!pollingWhileAsked);
    QCOMPARE(f.app.link.PollCount, std::int16_t(0));
    QVERIFY(f.panel->Timer1.isActive());
    QVERIFY(!f.app.link.KeyBusy);
    f.panel->Timer1.stop();

    const QString line = lineAfter(f);
    if (payload.isEmpty()) {
        QVERIFY2(lineMatches(line, QStringLiteral("AJ")), lineDiff(line, QStringLiteral("AJ")));
        QCOMPARE(f.meter.loggerInterval(), 45);
    } else {
        QVERIFY2(lineMatches(line, QStringLiteral("AJAG")), lineDiff(line, QStringLiteral("AJAG")));
        QVERIFY2(lineMatches(f.meter.received(), QByteArray("AJAG") + payload),
                 lineDiff(f.meter.received(), QByteArray("AJAG") + payload));
        QCOMPARE(payloadOf(f, 'G'), payload);
        QCOMPARE(f.meter.loggerInterval(), LoggerIntervalSeconds(bytes({2}) + payload + bytes({3})));
    }
}

void TestSamplingInterval::intervalReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("line");
    // The stand-in's own interval, 45 s, answers whatever comes after the queued reply.
    QTest::newRow("one minute") << bytes({0x02, 0x01, 0x00, 0x03}) << "60"
                                << "AJ";
    QTest::newRow("five seconds") << bytes({0x02, 0x00, 0x05, 0x03}) << "5"
                                  << "AJ";
    QTest::newRow("three bytes, asked again") << bytes({0x02, 0x00, 0x05}) << "45"
                                              << "AJAJ";
    QTest::newRow("wrong first byte, asked again") << bytes({0x06, 0x00, 0x05, 0x03}) << "45"
                                                   << "AJAJ";
}

void TestSamplingInterval::intervalReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    QFETCH(QString, line);
    PanelFixture f;
    QVERIFY(startQuiet(f));
    f.meter.setLoggerInterval(45);
    // A reply read too late makes the program ask again: a good reply answers every asking.
    f.meter.queueIntervalReplies(shown == QLatin1String("45") ? QList<QByteArray>{reply}
                                                              : QList<QByteArray>(20, reply));
    BoxAnswers box{QString()};
    answerChoice(Choose::Meter);
    click(*f.panel, "PC");
    f.panel->Timer1.stop();
    QCOMPARE(box.asked.size(), 1);
    QCOMPARE(box.asked[0].text, shown);
    const QString heard = lineAfter(f);
    QVERIFY2(lineMatches(heard, line), lineDiff(heard, line));
}

void TestSamplingInterval::meterNeverAnswersRight() {
    PanelFixture f;
    QVERIFY(startQuiet(f));
    QList<QByteArray> wrong;
    for (int i = 0; i < kMaxIntervalAttempts + 5; ++i)
        wrong.append(bytes({0x02, 0x00, 0x05}));
    f.meter.queueIntervalReplies(wrong);
    f.app.link.PollCount = 7;
    BoxAnswers box(QStringLiteral("30"));
    answerChoice(Choose::Meter);
    click(*f.panel, "PC");

    // The user is told, nothing is asked or sent, and polling resumes.
    QCOMPARE(f.messages.texts(), QStringList{QString::fromLatin1(NoIntervalReply)});
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    QVERIFY(box.asked.isEmpty());
    QCOMPARE(f.app.link.PollCount, std::int16_t(0));
    QVERIFY(f.panel->Timer1.isActive());
    f.panel->Timer1.stop();
    const QString line = lineAfter(f);
    // Each attempt is its pointer query then "J"; a query may send "A" again when its reply is late.
    QVERIFY2(QRegularExpression(QStringLiteral("^(A+J){%1}$").arg(kMaxIntervalAttempts)).match(line).hasMatch(),
             qPrintable(line));
}

void TestSamplingInterval::clockAtEndOfMonth() {
    PanelFixture f;
    QVERIFY(startQuiet(f));
    // A fast clock and ten bad pointer replies make the query run past midnight; the clock sent
    // is the one taken before it.
    QList<QByteArray> bad;
    for (int i = 0; i < 10; ++i)
        bad.append(bytes({0x02, 0x00, 0x04, 0x4C, 0x03}));
    f.meter.queuePointerReplies(bad);
    // The clock stands just before midnight until the first "A" reaches the meter, and is past
    // it from then on, however slowly the machine runs.
    platform::FakeClock clock(500);
    clock.setDate(QDate(2026, 12, 31));
    clock.setTimeOfDay(86399.9, true);
    platform::setClockSource(&clock);
    f.app.link.PollCount = 5;
    bool busyDuring = false;
    bool pastMidnight = false;
    connect(&f.meter, &standin::MeterStandIn::commandReceived, this, [&](const standin::LoggedCommand&) {
        busyDuring = busyDuring || f.app.link.KeyBusy;
        if (!pastMidnight) {
            pastMidnight = true;
            clock.setTimeOfDay(0.5);
        }
    });

    click(*f.panel, "TimeSet");
    QVERIFY(platform::timeOfDay() < 3600); // the query did run past midnight
    QVERIFY(busyDuring);
    QVERIFY(!f.app.link.KeyBusy);
    QCOMPARE(f.app.link.PollCount, std::int16_t(0));
    QVERIFY(f.panel->Timer1.isActive());
    f.panel->Timer1.stop();

    const QString line = lineAfter(f);
    QVERIFY2(QRegularExpression(QStringLiteral("^A{11,}C$")).match(line).hasMatch(), qPrintable(line));
    QCOMPARE(payloadOf(f, 'C'), bytes({31, 23, 59, 59}));
    QCOMPARE(f.meter.lastClockPayload(), bytes({31, 23, 59, 59}));
    QVERIFY(f.meter.received().endsWith(QByteArray("C") + bytes({31, 23, 59, 59})));
}

void TestSamplingInterval::clockRefused_data() {
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("recording");
    QTest::newRow("another exchange running") << true << false;
    QTest::newRow("recording") << false << true;
    QTest::newRow("both: busy wins, no message") << true << true;
}

void TestSamplingInterval::clockRefused() {
    QFETCH(bool, busy);
    QFETCH(bool, recording);
    PanelFixture f;
    QVERIFY(startQuiet(f));
    f.app.link.KeyBusy = busy;
    f.app.recording.Recording = recording;
    f.app.link.PollCount = 5;
    click(*f.panel, "TimeSet");
    if (busy) {
        QVERIFY(f.messages.boxes.isEmpty());
    } else {
        QCOMPARE(f.messages.texts(),
                 QStringList{QStringLiteral("Recording mode, stop record then try again !")});
        QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
        QCOMPARE(f.messages.boxes[0].title, QString::fromLatin1(platform::AppTitle));
    }
    QCOMPARE(f.app.link.KeyBusy, busy);
    QCOMPARE(f.app.link.PollCount, std::int16_t(5));
    QVERIFY(!f.panel->Timer1.isActive());
    QCOMPARE(lineAfter(f), QString());
    f.app.recording.Recording = false;
}

void TestSamplingInterval::standInProcessLogsWhatWasSet() {
    // The stand-in program as its own process on a pseudo-terminal, logging what it hears.
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    QProcess meter;
    meter.start(QStringLiteral(STANDIN_PROGRAM), {QStringLiteral("--link"), link});
    QVERIFY(meter.waitForStarted(5000));
    QVERIFY(waitUntil([&] { return QFile::exists(link); }, 20.0));
    qputenv("VANTREL_COM1", link.toLocal8Bit());

    AppState app;
    testing::MessageCapture messages;
    testing::EndCapture ends;
    app.link.ComPortNumber = 1;
    {
        Panel panel(app);
        QVERIFY(panel.Form_Load());
        panel.Timer1.stop();
        panel.show();

        BoxAnswers box{QStringLiteral("12abc")};
        answerChoice(Choose::Meter);
        click(panel, "PC");
        QCOMPARE(box.asked.size(), 1);
        QCOMPARE(box.asked[0].text, QStringLiteral("60")); // the stand-in starts at one minute

        // Frozen, so that a slow machine cannot take the time read past midnight.
        platform::FakeClock clock;
        clock.setDate(QDate(2026, 12, 31));
        clock.setTimeOfDay(86399.9, true);
        platform::setClockSource(&clock);
        click(panel, "TimeSet");
        platform::setClockSource(nullptr);
        panel.Timer1.stop();
    }
    // Its log, once it holds both (the stand-in may be slow to read the line).
    const QByteArray interval("G (logging interval 12 s) 00 0C");
    const QByteArray time("C (clock set to day 31, 23:59:59) 1F 17 3B 3B");
    QByteArray log;
    waitUntil(
        [&] {
            log += meter.readAllStandardError();
            return log.contains(interval) && log.contains(time);
        },
        20.0);
    meter.terminate();
    QVERIFY(meter.waitForFinished(5000));
    log += meter.readAllStandardError();
    QVERIFY2(log.contains(interval), log.constData());
    QVERIFY2(log.contains(time), log.constData());
    QVERIFY(messages.boxes.isEmpty());
}

QTEST_MAIN(TestSamplingInterval)
#include "test_sampling_interval.moc"
