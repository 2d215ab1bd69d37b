// The serial link helpers against the meter stand-in on a real pseudo-terminal.
#include "meter_link/meter_line.h"
#include "meter_link/rs232.h"
#include "platform/clock.h"
#include "platform/serial_control.h"
#include "tests/support/line_fixture.h"
#include "tests/support/run_task.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_standin.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using testing::bytes;

namespace {

// The line, and how often the stand-in heard a letter.
struct Line : testing::LineFixture {
    int sendsOf(char letter) const {
        return static_cast<int>(meter.commandLetters().count(QLatin1Char(letter)));
    }
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { platform::setClockSource(nullptr); }
    void pointerReply_data();
    void pointerReply();
    void pauseNearMidnightIsCutShort();
    void commandQueryGivesUpOnASilentMeter();
    void pollQueryFallsSilentThenAsksAgain();
    void unknownPortHasNoDevice();
};

void TestLink::pointerReply_data() {
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<float>("pointer");
    QTest::addColumn<int>("minSends");
    QTest::newRow("empty logger") << QList<QByteArray>{bytes({0x02, 0xAA, 0x00, 0x03, 0xFF, 0x03})} << 1023.0f
                                  << 1;
    QTest::newRow("top of memory") << QList<QByteArray>{bytes({0x02, 0xAA, 0x01, 0xFF, 0xFF, 0x03})}
                                   << 131071.0f << 1;
    QTest::newRow("7 bytes accepted")
        << QList<QByteArray>{bytes({0x02, 0xAA, 0x00, 0x10, 0x00, 0x03, 0x77})} << 4096.0f << 1;
    // The stand-in's own end address is 5000 once the queued replies are used up.
    QTest::newRow("bad byte 6 starts again")
        << QList<QByteArray>{bytes({0x02, 0xAA, 0x00, 0x03, 0xFF, 0x04})} << 5000.0f << 2;
    QTest::newRow("bad byte 1") << QList<QByteArray>{bytes({0x03, 0xAA, 0x00, 0x03, 0xFF, 0x03})} << 5000.0f
                                << 2;
    QTest::newRow("bad byte 2") << QList<QByteArray>{bytes({0x02, 0xAB, 0x00, 0x03, 0xFF, 0x03})} << 5000.0f
                                << 2;
    QTest::newRow("split over two sends is never assembled")
        << QList<QByteArray>{bytes({0x02, 0xAA, 0x00}), bytes({0x03, 0xFF, 0x03})} << 5000.0f << 3;
}

void TestLink::pointerReply() {
    QFETCH(QList<QByteArray>, replies);
    QFETCH(float, pointer);
    QFETCH(int, minSends);
    Line line;
    QVERIFY(line.open());
    line.meter.setEndAddress(5000);
    line.meter.queuePointerReplies(replies);
    testing::finish(ReadMemoryPointer(line.link));
    QCOMPARE(line.loggerState.MemoryPointer, pointer);
    QVERIFY(line.sendsOf('A') >= minSends);
    QVERIFY(line.meter.commandLetters().count(QLatin1Char('A')) == line.meter.commandLetters().size());
}

namespace {
Task<Waited> pauseOn(MeterLine& line, double seconds) {
    const Waited waited = co_await line.pause(seconds);
    co_return waited;
}
} // namespace

void TestLink::pauseNearMidnightIsCutShort() {
    platform::FakeClock clock;
    platform::setClockSource(&clock);
    Line line;
    clock.setTimeOfDay(86399.99, true);
    QElapsedTimer t;
    t.start();
    QCOMPARE(testing::finish(pauseOn(line.link, 60.0)), Waited::Done); // would end after midnight
    QVERIFY(t.elapsed() < 30000);
    clock.setTimeOfDay(86399.0, true);
    t.restart();
    // Ends before midnight: runs its time even with the time of day frozen.
    QCOMPARE(testing::finish(pauseOn(line.link, 0.5)), Waited::Done);
    QVERIFY(t.elapsed() >= 450);
}

void TestLink::commandQueryGivesUpOnASilentMeter() {
    // The bound is 5 s of the program's time: run its clock fast.
    platform::FakeClock clock(50.0);
    platform::setClockSource(&clock);
    Line line;
    QVERIFY(line.open());
    line.meter.setLineMode(standin::MeterStandIn::LineMode::Silent);
    QStringList status;
    QObject::connect(&line.link, &MeterLine::statusChanged, [&](const QString& c) { status << c; });
    QVERIFY(!testing::finish(ReadMemoryPointer(line.link)));
    QCOMPARE(line.sendsOf('A'), kCommandPointerSends);
    QCOMPARE(status, QStringList{QStringLiteral("No COM")});
    // The meter back: the next query answers and the port is shown again.
    line.meter.setLineMode(standin::MeterStandIn::LineMode::Normal);
    line.meter.setEndAddress(2048);
    QVERIFY(testing::finish(ReadMemoryPointer(line.link)));
    QCOMPARE(line.loggerState.MemoryPointer, 2048.0f);
    QCOMPARE(status.last(), QStringLiteral("COM1"));
}

void TestLink::pollQueryFallsSilentThenAsksAgain() {
    // 1000 unanswered sends take 20 s of the program's time: run its clock fast.
    platform::FakeClock clock(100.0);
    platform::setClockSource(&clock);
    Line line;
    QVERIFY(line.open());
    line.meter.setEndAddress(2048);
    line.meter.setLineMode(standin::MeterStandIn::LineMode::Silent);
    int sendsAtNoCom = -1;
    QObject::connect(&line.link, &MeterLine::statusChanged, [&](const QString& c) {
        if (c == QLatin1String("No COM") && sendsAtNoCom < 0)
            sendsAtNoCom = line.sendsOf('A');
    });
    line.link.startPolling();
    QVERIFY(testing::waitUntil([&] { return sendsAtNoCom >= 0; }, 30.0));
    QCOMPARE(sendsAtNoCom, kPollPointerSends);
    // Nothing goes out while the meter is silent.
    testing::pumpFor(0.3);
    QCOMPARE(line.meter.commandLetters().size(), kPollPointerSends);
    line.meter.setLineMode(standin::MeterStandIn::LineMode::Normal);
    line.meter.sendRaw(QByteArray(1, '\x55')); // any byte ends the silence
    QVERIFY(testing::waitUntil([&] { return line.meter.streaming(); }));
    QCOMPARE(line.loggerState.MemoryPointer, 2048.0f);
    QVERIFY(line.meter.commandLetters().endsWith(QLatin1String("AM")));
    line.link.Timer1.stop();
}

void TestLink::unknownPortHasNoDevice() {
    platform::SerialControl com;
    for (int n : {0, 17}) {
        com.setCommPort(n);
        QVERIFY(!com.setPortOpen(true));
    }
    qputenv("VANTREL_COM5", "/nonexistent/device");
    com.setCommPort(5);
    QVERIFY(!com.setPortOpen(true));
    qunsetenv("VANTREL_COM5");
}

QTEST_MAIN(TestLink)
#include "test_link.moc"
