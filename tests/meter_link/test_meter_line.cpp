// The meter commands on a real serial line: the bytes each one puts on the wire, against the
// meter stand-in on a pseudo-terminal. A pointer query may send "A" again when its reply is late.
#include "meter_link/meter.h"
#include "platform/clock.h"
#include "platform/pump.h"
#include "platform/serial_control.h"
#include "tests/support/line_fixture.h"
#include "tests/support/run_task.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_standin.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using testing::bytes;
using testing::lineDiff;
using testing::lineMatches;

namespace {

// The stand-in, the program's serial control opened on it, and the link the commands use.
class Line : public testing::LineFixture {
public:
    Line() { opened = open(); }

    // What the stand-in has heard once it matches `expected`, and a moment later, so that bytes
    // sent beyond it show too.
    QByteArray heard(const QByteArray& expected) {
        testing::waitUntil([&] { return lineMatches(meter.received(), expected); }, 20.0);
        testing::pumpFor(0.1);
        return meter.received();
    }

    // Collects the dump after "F" until it is whole or must be asked for again.
    LoggerDumpCollector::Step collect(LoggerDumpCollector& dump) {
        auto step = LoggerDumpCollector::Step::More;
        QElapsedTimer t;
        t.start();
        while ((step = dump.readFrom(link)) == LoggerDumpCollector::Step::More && t.elapsed() < 5000)
            platform::pumpEventsFor(0.02);
        return step;
    }

    bool opened = false;
};

} // namespace

class TestMeterLine : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sequences_data();
    void sequences();
    void deleteWaitsBeforeItsLetter();
    void intervalAskedAgain_data();
    void intervalAskedAgain();
    void intervalGivesUp();
    void emptyLoggerSendsNoDump();
    void dumpCollected();
    void dumpWithWrongMarkerRestarts();

private:
    std::unique_ptr<Line> line;
};

void TestMeterLine::init() {
    line = std::make_unique<Line>();
    QVERIFY2(line->opened, qPrintable(line->com.errorString()));
}

void TestMeterLine::cleanup() {
    platform::setClockSource(nullptr);
    line.reset();
}

void TestMeterLine::sequences_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("display stream") << "M" << QByteArray("AM");
    QTest::newRow("key H") << "key H" << QByteArray("AH");
    QTest::newRow("key C, no payload") << "key C" << QByteArray("AC");
    QTest::newRow("set interval 30") << "G30" << QByteArray("AG") + bytes({0x00, 0x1E});
    QTest::newRow("set interval 60") << "G60" << QByteArray("AG") + bytes({0x01, 0x00});
    QTest::newRow("clock") << "C" << QByteArray("AC") + bytes({0x19, 0x0D, 0x07, 0x09});
    QTest::newRow("delete") << "D" << QByteArray("AD");
    QTest::newRow("read interval") << "J" << QByteArray("AJ");
}

void TestMeterLine::sequences() {
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);
    Line& l = *line;
    l.meter.setEndAddress(1100);
    l.meter.setLoggerInterval(45);
    if (command == QLatin1String("M")) {
        testing::finish(CmdDisplayStream(l.link));
    } else if (command.startsWith(QLatin1String("key "))) {
        testing::finish(KeyCommand(l.link, command.back().toLatin1()));
    } else if (command.startsWith(QLatin1Char('G'))) {
        const int seconds = command.mid(1).toInt();
        testing::finish(CmdSetLoggerInterval(l.link, seconds));
        QTRY_COMPARE(l.meter.loggerInterval(), seconds);
    } else if (command == QLatin1String("C")) {
        testing::finish(CmdSetMeterClock(l.link, QDateTime(QDate(2025, 3, 25), QTime(13, 7, 9))));
        QTRY_COMPARE(l.meter.lastClockPayload(), bytes({0x19, 0x0D, 0x07, 0x09}));
    } else if (command == QLatin1String("D")) {
        testing::finish(CmdDeleteLoggerMemory(l.link));
    } else if (command == QLatin1String("J")) {
        QCOMPARE(testing::finish(CmdReadLoggerInterval(l.link)).value_or(-1), 45);
    }
    const QByteArray line = l.heard(wire);
    QVERIFY2(lineMatches(line, wire), lineDiff(line, wire));
    // The "A" exchange came first and took the end address from the stand-in's reply.
    QCOMPARE(l.meter.commands().first().letter, 'A');
    QCOMPARE(l.loggerState.MemoryPointer, 1100.0f);
}

void TestMeterLine::deleteWaitsBeforeItsLetter() {
    // A slowed clock makes each 0.02 s wait 400 ms long, so the gap stands well clear of the
    // line's latency on a loaded machine: the wait for the "A" reply gives one such span, the
    // wait before "D" a second.
    platform::FakeClock slow(0.05);
    platform::setClockSource(&slow);
    Line& l = *line;
    QElapsedTimer since;
    since.start();
    QList<QPair<char, qint64>> heard;
    connect(&l.meter, &standin::MeterStandIn::commandReceived, this, [&](const standin::LoggedCommand& c) {
        heard.append({c.letter, since.elapsed()});
    });
    testing::finish(CmdDeleteLoggerMemory(l.link));
    QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty() && heard.last().first == 'D', 20000);
    QString letters;
    for (const auto& h : heard)
        letters += QLatin1Char(h.first);
    QVERIFY2(lineMatches(letters, QStringLiteral("AD")), lineDiff(letters, QStringLiteral("AD")));
    const qint64 gap = heard[heard.size() - 1].second - heard[heard.size() - 2].second; // from the last "A"
    QVERIFY2(gap >= 500, qPrintable(QStringLiteral("gap %1 ms").arg(gap)));
}

void TestMeterLine::intervalAskedAgain_data() {
    QTest::addColumn<QByteArray>("wrong");
    QTest::newRow("three bytes") << bytes({0x02, 0x00, 0x05});
    QTest::newRow("bad start") << bytes({0x06, 0x00, 0x05, 0x03});
    QTest::newRow("bad end") << bytes({0x02, 0x00, 0x05, 0x04});
}

void TestMeterLine::intervalAskedAgain() {
    QFETCH(QByteArray, wrong);
    Line& l = *line;
    l.meter.setLoggerInterval(60);
    l.meter.queueIntervalReplies({wrong});
    QCOMPARE(testing::finish(CmdReadLoggerInterval(l.link)).value_or(-1), 60);
    const QByteArray heard = l.heard("AJAJ");
    QVERIFY2(lineMatches(heard, "AJAJ"), lineDiff(heard, "AJAJ"));
}

void TestMeterLine::intervalGivesUp() {
    Line& l = *line;
    QList<QByteArray> wrong;
    for (int i = 0; i < kMaxIntervalAttempts + 5; ++i)
        wrong.append(bytes({0x02, 0x00, 0x05}));
    l.meter.queueIntervalReplies(wrong);
    QVERIFY(!testing::finish(CmdReadLoggerInterval(l.link)).has_value());
    QByteArray asked;
    for (int i = 0; i < kMaxIntervalAttempts; ++i)
        asked += "AJ";
    const QByteArray heard = l.heard(asked);
    // Each attempt counts, a late reply's too: so many, and then it stopped asking.
    QVERIFY2(QRegularExpression(QStringLiteral("^(A+J){%1}$").arg(kMaxIntervalAttempts))
                 .match(QString::fromLatin1(heard))
                 .hasMatch(),
             lineDiff(heard, asked));
}

void TestMeterLine::emptyLoggerSendsNoDump() {
    Line& l = *line;
    l.meter.setEndAddress(1023);
    QVERIFY(testing::finish(CmdDumpLoggerMemory(l.link)) == DumpAsked::Empty);
    QCOMPARE(l.loggerState.MemoryPointer, 1023.0f);
    testing::pumpFor(0.3);
    QVERIFY2(lineMatches(l.meter.received(), "A"), lineDiff(l.meter.received(), "A"));
}

void TestMeterLine::dumpCollected() {
    Line& l = *line;
    l.meter.setDumpPace(0);
    l.meter.setLoggerSets({{QTime(9, 30, 5), 60, {100000, 123456}}, {QTime(23, 59, 59), 1, {1, 2, 3, 4, 5}}});
    const QByteArray image = l.meter.loggerImage();
    QCOMPARE(image.size(), 16 + 25);
    QVERIFY(testing::finish(CmdDumpLoggerMemory(l.link)) == DumpAsked::Sent);
    QCOMPARE(l.loggerState.MemoryPointer, float(1023 + image.size()));

    LoggerDumpCollector dump(LoggerDumpLength(l.loggerState.MemoryPointer));
    QCOMPARE(l.collect(dump), LoggerDumpCollector::Step::Complete);
    QCOMPARE(dump.image(), image);
    QVERIFY2(lineMatches(l.meter.commandLetters(), QStringLiteral("AF")),
             lineDiff(l.meter.commandLetters(), QStringLiteral("AF")));
    // The stand-in's sets read back through the set layout.
    QCOMPARE(LoggerSetStartTime(image), QStringLiteral("09:30:05"));
    QCOMPARE(LoggerSetInterval(image), 60);
    QCOMPARE(LoggerRecord(LoggerSetRecord(image, 2)), 123456u);
    QCOMPARE(LoggerSetStartTime(image.mid(16)), QStringLiteral("23:59:59"));
}

void TestMeterLine::dumpWithWrongMarkerRestarts() {
    Line& l = *line;
    l.meter.setDumpPace(0);
    l.meter.setLoggerSets({{QTime(8, 0, 0), 10, {7, 8, 9}}});
    l.meter.setCorruptFirstDumpMarker(true);
    QVERIFY(testing::finish(CmdDumpLoggerMemory(l.link)) == DumpAsked::Sent);
    LoggerDumpCollector dump(LoggerDumpLength(l.loggerState.MemoryPointer));
    QCOMPARE(l.collect(dump), LoggerDumpCollector::Step::Restart);
}

QTEST_MAIN(TestMeterLine)
#include "test_meter_line.moc"
