// The byte layouts of the meter's commands, replies and logger memory, without a port.
#include "meter_link/meter.h"
#include "tests/support/test_support.h"

#include <QTest>

using testing::bytes;

class TestMeterLayouts : public QObject {
    Q_OBJECT
private slots:
    void intervalReply_data();
    void intervalReply();
    void intervalPayload_data();
    void intervalPayload();
    void clockPayload_data();
    void clockPayload();
    void dumpLayout_data();
    void dumpLayout();
    void setMarkerAt();
    void loggerSet();
    void loggerRecord_data();
    void loggerRecord();
    void recordCount_data();
    void recordCount();
    void collector();
    void collectorRestarts_data();
    void collectorRestarts();
    void collectorShortDump_data();
    void collectorShortDump();
};

void TestMeterLayouts::intervalReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<int>("seconds");
    QTest::newRow("one minute") << bytes({0x02, 0x01, 0x00, 0x03}) << true << 60;
    QTest::newRow("30 s") << bytes({0x02, 0x00, 0x1E, 0x03}) << true << 30;
    QTest::newRow("minutes 2 ignored") << bytes({0x02, 0x02, 0x05, 0x03}) << true << 5;
    QTest::newRow("minutes 1 wins over seconds") << bytes({0x02, 0x01, 0x07, 0x03}) << true << 60;
    QTest::newRow("extra bytes ignored") << bytes({0x02, 0x00, 0x05, 0x03, 0x02, 0x01}) << true << 5;
    QTest::newRow("three bytes") << bytes({0x02, 0x00, 0x05}) << false << 0;
    QTest::newRow("bad start") << bytes({0x01, 0x00, 0x05, 0x03}) << false << 0;
    QTest::newRow("bad end") << bytes({0x02, 0x00, 0x05, 0x02}) << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
}

void TestMeterLayouts::intervalReply() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, usable);
    QFETCH(int, seconds);
    QCOMPARE(IsLoggerIntervalReply(reply), usable);
    if (usable)
        QCOMPARE(LoggerIntervalSeconds(reply), seconds);
}

void TestMeterLayouts::intervalPayload_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("60") << 60 << bytes({0x01, 0x00});
    QTest::newRow("59") << 59 << bytes({0x00, 0x3B});
    QTest::newRow("30") << 30 << bytes({0x00, 0x1E});
    QTest::newRow("1") << 1 << bytes({0x00, 0x01});
    QTest::newRow("above 60 clamps") << 75 << bytes({0x01, 0x00});
    QTest::newRow("0 clamps") << 0 << bytes({0x00, 0x01});
    QTest::newRow("negative clamps") << -5 << bytes({0x00, 0x01});
}

void TestMeterLayouts::intervalPayload() {
    QFETCH(int, seconds);
    QFETCH(QByteArray, payload);
    QCOMPARE(LoggerIntervalPayload(seconds), payload);
    // The payload and a reply carrying the same pair agree on the interval.
    if (seconds >= 1 && seconds <= 60)
        QCOMPARE(LoggerIntervalSeconds(bytes({0x02}) + payload + bytes({0x03})), seconds);
}

void TestMeterLayouts::clockPayload_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("25th 13:07:09") << QDateTime(QDate(2025, 3, 25), QTime(13, 7, 9)) << "25/03/25 13:07:09"
                                   << bytes({0x19, 0x0D, 0x07, 0x09});
    QTest::newRow("31st 23:59:59.9") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 900))
                                     << "24/12/31 23:59:59" << bytes({0x1F, 0x17, 0x3B, 0x3B});
    QTest::newRow("1st midnight") << QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)) << "26/01/01 00:00:00"
                                  << bytes({0x01, 0x00, 0x00, 0x00});
}

void TestMeterLayouts::clockPayload() {
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QFETCH(QByteArray, payload);
    QCOMPARE(MeterClockText(when), text);
    QCOMPARE(MeterClockPayload(when), payload);
}

void TestMeterLayouts::dumpLayout_data() {
    QTest::addColumn<float>("pointer");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("imageLength");
    QTest::newRow("1100") << 1100.0f << 92 << 77;
    QTest::newRow("one set, one record") << 1036.0f << 28 << 13;
    QTest::newRow("full memory") << 131071.0f << 130063 << 130048;
    QTest::newRow("empty") << 1023.0f << 15 << 0;
    QTest::newRow("below empty") << 1000.0f << -8 << 0;
}

void TestMeterLayouts::dumpLayout() {
    QFETCH(float, pointer);
    QFETCH(int, expected);
    QFETCH(int, imageLength);
    QCOMPARE(LoggerDumpLength(pointer), expected);
    // A dump numbered byte by byte, with extra bytes behind it that must not leak into the image.
    QByteArray dump;
    for (int i = 0; i < std::max(expected, 0) + 5; ++i)
        dump.append(static_cast<char>((i + 1) & 0xFF));
    const QByteArray image = LoggerDumpImage(dump, expected);
    QCOMPARE(image.size(), imageLength);
    if (imageLength > 0) {
        QCOMPARE(static_cast<unsigned char>(image.front()), 15u); // dump byte 15
        QCOMPARE(static_cast<unsigned char>(image.back()),
                 unsigned((expected - 1) & 0xFF)); // byte expected-1
    }
}

void TestMeterLayouts::setMarkerAt() {
    QCOMPARE(SetMarker(), bytes({0x00, 0x55, 0xAA, 0x00}));
    QByteArray dump(14, '\x7F');
    QVERIFY(!HasDumpSetMarker(dump + bytes({0x00, 0x55, 0xAA}))); // too short to hold it
    QVERIFY(HasDumpSetMarker(dump + SetMarker()));
    QVERIFY(!HasDumpSetMarker(dump + bytes({0x00, 0x55, 0xAA, 0x01})));
    QVERIFY(!HasDumpSetMarker(SetMarker() + dump)); // at byte 1 it does not count
    QVERIFY(IsSetMarkerAt(bytes({0x09}) + SetMarker(), 2));
    QVERIFY(!IsSetMarkerAt(SetMarker(), 0));
}

void TestMeterLayouts::loggerSet() {
    // Two records: 16 bytes, records at 11-13 and 14-16.
    const QByteArray set =
        SetMarker() + bytes({0xEE, 0x09, 0x30, 0x05, 0x01, 0x00, 0x01, 0x86, 0xA0, 0x00, 0x00, 0x63});
    QCOMPARE(set.size(), 16);
    QCOMPARE(LoggerSetLength(2), 16);
    QCOMPARE(LoggerSetRecordCount(int(set.size())), 2);
    QCOMPARE(LoggerSetStartTime(set), QStringLiteral("09:30:05"));
    QCOMPARE(LoggerSetInterval(set), 60);
    QCOMPARE(LoggerSetRecord(set, 1), bytes({0x01, 0x86, 0xA0}));
    QCOMPARE(LoggerSetRecord(set, 2), bytes({0x00, 0x00, 0x63}));
    QVERIFY(LoggerSetRecord(set, 0).isEmpty());
    QVERIFY(LoggerSetRecord(set, 3).isEmpty());

    QByteArray late = set;
    late[5] = '\x23';
    late[6] = '\x59';
    late[7] = '\x59';
    late[8] = '\x02';
    late[9] = '\x1E';
    QCOMPARE(LoggerSetStartTime(late), QStringLiteral("23:59:59"));
    QCOMPARE(LoggerSetInterval(late), 150);
}

void TestMeterLayouts::loggerRecord_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<quint32>("raw");
    QTest::newRow("100000") << bytes({0x01, 0x86, 0xA0}) << quint32(100000);
    QTest::newRow("123456") << bytes({0x01, 0xE2, 0x40}) << quint32(123456);
    QTest::newRow("largest") << bytes({0xFF, 0xFF, 0xFF}) << quint32(16777215);
    QTest::newRow("zero") << bytes({0x00, 0x00, 0x00}) << quint32(0);
}

void TestMeterLayouts::loggerRecord() {
    QFETCH(QByteArray, record);
    QFETCH(quint32, raw);
    QCOMPARE(LoggerRecord(record), raw);
}

void TestMeterLayouts::recordCount_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("records");
    QTest::newRow("one") << 13 << 1;
    QTest::newRow("five") << 25 << 5;
    QTest::newRow("head only") << 10 << 0;
    QTest::newRow("empty slot") << 0 << 0;
}

void TestMeterLayouts::recordCount() {
    QFETCH(int, length);
    QFETCH(int, records);
    QCOMPARE(LoggerSetRecordCount(length), records);
}

void TestMeterLayouts::collector() {
    // End address 1036: 28 bytes, arriving in pieces, with more behind the last one.
    const QByteArray image = SetMarker() + bytes({0, 0x12, 0, 0, 0, 1, 0x01, 0x86, 0xA0});
    const QByteArray dump = QByteArray(14, '\x55') + image + bytes({0xFE}) + bytes({0x02, 0x03});
    LoggerDumpCollector c(LoggerDumpLength(1036));
    QCOMPARE(c.expected(), 28);
    QCOMPARE(c.add(dump.left(10)), LoggerDumpCollector::Step::More); // marker not in yet
    QCOMPARE(c.add({}), LoggerDumpCollector::Step::More);            // a quiet read later on is fine
    QCOMPARE(c.add(dump.mid(10, 8)), LoggerDumpCollector::Step::More);
    QCOMPARE(c.received(), 18);
    QCOMPARE(c.add(dump.mid(18)), LoggerDumpCollector::Step::Complete);
    QCOMPARE(c.received(), 28);
    QCOMPARE(c.image(), image);
}

void TestMeterLayouts::collectorRestarts_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::newRow("nothing at the first read") << QByteArray();
    QTest::newRow("marker 00 55 AA 01") << QByteArray(14, '\0') + bytes({0x00, 0x55, 0xAA, 0x01});
    QTest::newRow("marker shifted") << QByteArray(13, '\0') + SetMarker() + bytes({0x00});
}

void TestMeterLayouts::collectorRestarts() {
    QFETCH(QByteArray, first);
    LoggerDumpCollector c(LoggerDumpLength(1100));
    QCOMPARE(c.add(first), LoggerDumpCollector::Step::Restart);
}

void TestMeterLayouts::collectorShortDump_data() {
    QTest::addColumn<int>("pointer");
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<bool>("complete");
    // End addresses 1024 and 1025 ask for 16 and 17 bytes: too few to reach a marker at 15..18.
    QTest::newRow("1024, all it asked for") << 1024 << QByteArray(14, '\x01') + bytes({0x00, 0x55}) << false;
    QTest::newRow("1025, all it asked for")
        << 1025 << QByteArray(14, '\x01') + bytes({0x00, 0x55, 0xAA}) << false;
    QTest::newRow("1024, marker in the bytes behind") << 1024 << QByteArray(14, '\x01') + SetMarker() << true;
    QTest::newRow("1026, the marker's last byte is the dump's last")
        << 1026 << QByteArray(14, '\x01') + SetMarker() << true;
}

void TestMeterLayouts::collectorShortDump() {
    QFETCH(int, pointer);
    QFETCH(QByteArray, dump);
    QFETCH(bool, complete);
    LoggerDumpCollector c(LoggerDumpLength(static_cast<float>(pointer)));
    const auto expected = complete ? LoggerDumpCollector::Step::Complete : LoggerDumpCollector::Step::Restart;
    QCOMPARE(c.add(dump), expected);
}

QTEST_GUILESS_MAIN(TestMeterLayouts)
#include "test_meter_layouts.moc"
