#include "meter_link/decode.h"
#include "tools/standin/meter_display.h"

#include <QTest>

class TestDecode : public QObject {
    Q_OBJECT
private slots:
    void formatDigits_data();
    void formatDigits();
    void memoryNumberIsLastTwoDigits();
    void mainValue_data();
    void mainValue();
    void unitText_data();
    void unitText();
    void flagByteOneAllOrNone();
    void flagsFollowTheirBits();
    void frameCheckLooksOnlyAtMarkers_data();
    void frameCheckLooksOnlyAtMarkers();
    void byteAtOutOfRangeIsZero();
    void soundFrames_data();
    void soundFrames();
    void standInFramesAreSound();
};

void TestDecode::formatDigits_data() {
    QTest::addColumn<int>("hi");
    QTest::addColumn<int>("lo");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << 0x12 << 0x34 << "1234";
    QTest::newRow("leading blank") << 0xC1 << 0x23 << " 123";
    QTest::newRow("all blank") << 0xCC << 0xCC << "    ";
    QTest::newRow("letters") << 0x0E << 0xFA << "0EFA";
    QTest::newRow("small byte gets its zero") << 0x05 << 0xAB << "05AB";
}

void TestDecode::formatDigits() {
    QFETCH(int, hi);
    QFETCH(int, lo);
    QFETCH(QString, text);
    DisplayState d;
    QCOMPARE(FormatDigits(d, hi, lo), text);
    QCOMPARE(d.DigitText, text);
}

void TestDecode::memoryNumberIsLastTwoDigits() {
    DisplayState d;
    QCOMPARE(FormatDigits(d, 0, 0x07), QStringLiteral("0007"));
    QCOMPARE(d.DigitText.mid(2, 2), QStringLiteral("07"));
}

void TestDecode::mainValue_data() {
    QTest::addColumn<int>("flags2");
    QTest::addColumn<int>("flags4");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("dp1") << 0x10 << 0 << "1234"
                         << "1.234";
    QTest::newRow("dp2") << 0x20 << 0 << "1234"
                         << "12.34";
    QTest::newRow("dp3") << 0x40 << 0 << "1234"
                         << "123.4";
    QTest::newRow("none") << 0x00 << 0 << "1234"
                          << "1234";
    QTest::newRow("dp1 wins over dp3") << 0x50 << 0 << "1234"
                                       << "1.234";
    QTest::newRow("blank stays in place") << 0x40 << 0 << " 123"
                                          << " 12.3";
    QTest::newRow("overload") << 0x40 << 0x10 << "1234"
                              << "OL";
}

void TestDecode::mainValue() {
    QFETCH(int, flags2);
    QFETCH(int, flags4);
    QFETCH(QString, digits);
    QFETCH(QString, text);
    DisplayState d;
    int v = flags2;
    DecodeFlags2(d, v);
    v = flags4;
    DecodeFlags4(d, v);
    QCOMPARE(MainValueText(d, digits), text);
}

void TestDecode::unitText_data() {
    QTest::addColumn<int>("flags2");
    QTest::addColumn<int>("flags3");
    QTest::addColumn<int>("flags4");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("solar");
    QTest::newRow("W/m2") << 0x00 << 0x05 << 0x00 << "W/(M)2" << true;
    QTest::newRow("kW/m2") << 0x80 << 0x05 << 0x00 << "KW/(M)2" << true;
    QTest::newRow("Btu") << 0x00 << 0x80 << 0x03 << "Btu/((ft)2.h)" << true;
    QTest::newRow("kBtu") << 0x00 << 0xC0 << 0x03 << "kBtu/((ft)2.h)" << true;
    QTest::newRow("Btu per ft2 only") << 0x00 << 0x80 << 0x01 << "Btu/(ft)2" << false;
    QTest::newRow("percent") << 0x00 << 0x20 << 0x00 << "%" << false;
    QTest::newRow("hour and day marks add nothing") << 0x00 << 0x1D << 0x0C << "W/(M)2" << true;
    QTest::newRow("nothing") << 0x00 << 0x00 << 0x00 << "" << false;
}

void TestDecode::unitText() {
    QFETCH(int, flags2);
    QFETCH(int, flags3);
    QFETCH(int, flags4);
    QFETCH(QString, unit);
    QFETCH(bool, solar);
    DisplayState d;
    int v = flags2;
    DecodeFlags2(d, v);
    v = flags3;
    DecodeFlags3(d, v);
    v = flags4;
    DecodeFlags4(d, v);
    QCOMPARE(BuildDisplayUnitText(d), unit);
    QCOMPARE(d.DisplayUnitText, unit);
    QCOMPARE(IsSolarUnit(unit), solar);
}

void TestDecode::flagByteOneAllOrNone() {
    DisplayState d;
    int v = 0xFF;
    DecodeFlags1(d, v);
    QCOMPARE(v, 0); // worked on by halving
    for (bool f : {d.AnnHold, d.AnnMax, d.AnnMin, d.AnnAvg, d.AnnAutoDash, d.AnnAutoDot, d.AnnBT})
        QVERIFY(f);
    v = 0x10; // the unused bit
    DecodeFlags1(d, v);
    for (bool f : {d.AnnHold, d.AnnMax, d.AnnMin, d.AnnAvg, d.AnnAutoDash, d.AnnAutoDot, d.AnnBT})
        QVERIFY(!f);
}

void TestDecode::flagsFollowTheirBits() {
    // One bit at a time: each flag must answer to its own bit and no other.
    struct Bit {
        int byte, bit;
        bool DisplayState::*flag;
    };
    const Bit bits[] = {
        {2, 0, &DisplayState::AnnCal},
        {2, 1, &DisplayState::AnnCalDot},
        {2, 2, &DisplayState::AnnM},
        {2, 3, &DisplayState::AnnR},
        {2, 7, &DisplayState::AnnKiloUpper},
        {3, 1, &DisplayState::AnnHourUpper},
        {3, 3, &DisplayState::AnnPerHourUpper},
        {3, 4, &DisplayState::AnnPerDayUpper},
        {3, 6, &DisplayState::AnnKiloLower},
        {4, 2, &DisplayState::AnnPerHourLower},
        {4, 3, &DisplayState::AnnPerDayLower},
        {4, 4, &DisplayState::AnnOverload},
        {4, 5, &DisplayState::AnnClearPrompt},
        {4, 6, &DisplayState::AnnYes},
        {4, 7, &DisplayState::AnnNo},
        {1, 5, &DisplayState::AnnAutoDash},
        {1, 6, &DisplayState::AnnAutoDot},
        {1, 7, &DisplayState::AnnBT},
    };
    for (const Bit& b : bits) {
        QByteArray frame(13, '\0');
        frame[0] = 0x02;
        frame[12] = 0x03;
        frame[b.byte] = static_cast<char>(1 << b.bit);
        DisplayState d;
        DecodeFrameFlags(d, frame);
        QVERIFY2(d.*b.flag, qPrintable(QStringLiteral("byte %1 bit %2").arg(b.byte).arg(b.bit)));
        int set = 0;
        for (bool DisplayState::*f :
             {&DisplayState::AnnCal, &DisplayState::AnnCalDot, &DisplayState::AnnM, &DisplayState::AnnR,
              &DisplayState::AnnKiloUpper, &DisplayState::AnnHourUpper, &DisplayState::AnnPerHourUpper,
              &DisplayState::AnnPerDayUpper, &DisplayState::AnnKiloLower, &DisplayState::AnnPerHourLower,
              &DisplayState::AnnPerDayLower, &DisplayState::AnnOverload, &DisplayState::AnnClearPrompt,
              &DisplayState::AnnYes, &DisplayState::AnnNo, &DisplayState::AnnAutoDash,
              &DisplayState::AnnAutoDot, &DisplayState::AnnBT})
            set += d.*f ? 1 : 0;
        QCOMPARE(set, 1);
    }
}

void TestDecode::frameCheckLooksOnlyAtMarkers_data() {
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("good");
    QByteArray frame(13, '\x55');
    frame[0] = 0x02;
    frame[12] = 0x03;
    QTest::newRow("good") << frame << true;
    QTest::newRow("20 bytes, markers right") << frame + QByteArray(7, '\x02') << true;
    QByteArray badEnd = frame;
    badEnd[12] = 0x04;
    QTest::newRow("wrong end") << badEnd << false;
    QByteArray badStart = frame;
    badStart[0] = 0x03;
    QTest::newRow("wrong start") << badStart << false;
    QTest::newRow("short") << frame.left(12) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestDecode::frameCheckLooksOnlyAtMarkers() {
    QFETCH(QByteArray, buffer);
    QFETCH(bool, good);
    QCOMPARE(IsDisplayFrame(buffer), good);
}

void TestDecode::byteAtOutOfRangeIsZero() {
    const QByteArray b("\x02\xFF", 2);
    QCOMPARE(ByteAt(b, 2), 0xFF);
    QCOMPARE(ByteAt(b, 3), 0);
    QCOMPARE(ByteAt(b, 0), 0);
}

void TestDecode::soundFrames_data() {
    QTest::addColumn<int>("flags2"); // points and the upper "k"
    QTest::addColumn<int>("flags3");
    QTest::addColumn<int>("flags4");
    QTest::addColumn<int>("memory");
    QTest::addColumn<int>("value"); // main value pair
    QTest::addColumn<bool>("sound");
    const int w = 0x05, kw = 0x80, btu = 0x80, kbtu = 0xC0, perFt2h = 0x03;
    const int dp1 = 0x10, dp2 = 0x20, dp3 = 0x40;
    QTest::newRow("W 849.3") << dp3 << w << 0 << 0x01 << 0x8493 << true;
    QTest::newRow("W 1234, whole") << 0 << w << 0 << 0x01 << 0x1234 << true;
    QTest::newRow("W 12.3, leading blank") << dp3 << w << 0 << 0x01 << 0xC123 << true;
    QTest::newRow("W 2200, full scale") << 0 << w << 0 << 0x01 << 0x2200 << true;
    QTest::newRow("W 2201, beyond range") << 0 << w << 0 << 0x01 << 0x2201 << false;
    QTest::newRow("W 7862, point lost") << 0 << w << 0 << 0x01 << 0x7862 << false;
    QTest::newRow("W 8.448, thousandths") << dp1 << w << 0 << 0x01 << 0x8448 << false;
    QTest::newRow("W 12.34, hundredths") << dp2 << w << 0 << 0x01 << 0x1234 << false;
    QTest::newRow("W two points, the first counts") << (dp1 | dp3) << w << 0 << 0x01 << 0x1234 << false;
    QTest::newRow("F93.3, letter beside a point") << dp3 << w << 0 << 0x01 << 0xF933 << false;
    QTest::newRow("8 9.3, blank between digits") << dp3 << w << 0 << 0x01 << 0x8C93 << false;
    QTest::newRow("849 , blank behind") << 0 << w << 0 << 0x01 << 0x849C << false;
    QTest::newRow("blank main value") << 0 << w << 0 << 0x01 << 0xCCCC << true;
    QTest::newRow("blank main value with a point") << dp3 << w << 0 << 0x01 << 0xCCCC << false;
    QTest::newRow("meter's own text") << 0 << w << 0 << 0x01 << 0xDEAD << true;
    QTest::newRow("meter's own text, no unit") << 0 << 0 << 0 << 0x01 << 0xCE0F << true;
    QTest::newRow("kW 0.849") << (kw | dp1) << w << 0 << 0x01 << 0x0849 << true;
    QTest::newRow("kW 2.200") << (kw | dp1) << w << 0 << 0x01 << 0x2200 << true;
    QTest::newRow("kW 8.448, beyond range") << (kw | dp1) << w << 0 << 0x01 << 0x8448 << false;
    QTest::newRow("kW 0849, point lost") << kw << w << 0 << 0x01 << 0x0849 << false;
    QTest::newRow("kW  .849, no digit before the point") << (kw | dp1) << w << 0 << 0x01 << 0xC849 << false;
    QTest::newRow("kW two points, the first counts") << (kw | dp1 | dp3) << w << 0 << 0x01 << 0x1234 << true;
    QTest::newRow("Btu 697.4, full scale") << dp3 << btu << perFt2h << 0x01 << 0x6974 << true;
    QTest::newRow("Btu 697.5, beyond range") << dp3 << btu << perFt2h << 0x01 << 0x6975 << false;
    QTest::newRow("Btu 2576, point lost") << 0 << btu << perFt2h << 0x01 << 0x2576 << false;
    QTest::newRow("Btu 25.76, hundredths") << dp2 << btu << perFt2h << 0x01 << 0x2576 << false;
    QTest::newRow("kBtu 0.697") << dp1 << kbtu << perFt2h << 0x01 << 0x0697 << true;
    QTest::newRow("kBtu 0.698, beyond range") << dp1 << kbtu << perFt2h << 0x01 << 0x0698 << false;
    QTest::newRow("percent, not judged") << dp1 << 0x20 << 0 << 0x01 << 0x8448 << true;
    QTest::newRow("Btu per ft2 only, not judged") << 0 << btu << 0x01 << 0x01 << 0x7862 << true;
    QTest::newRow("overload, digits not read") << dp3 << w << 0x10 << 0x01 << 0xF933 << true;
    QTest::newRow("clear prompt, digits not read") << 0 << 0 << 0x60 << 0xFA << 0xF933 << true;
    QTest::newRow("memory number blank") << dp3 << w << 0 << 0xCC << 0x8493 << true;
    QTest::newRow("memory number with a letter") << dp3 << w << 0 << 0x1A << 0x8493 << false;
}

void TestDecode::soundFrames() {
    QFETCH(int, flags2);
    QFETCH(int, flags3);
    QFETCH(int, flags4);
    QFETCH(int, memory);
    QFETCH(int, value);
    QFETCH(bool, sound);
    // The CAL and second groups hold letters too: the meter writes its own texts there.
    const QByteArray frame = standin::makeFrame(0x00, quint8(flags2 | 0x02), quint8(flags3), quint8(flags4),
                                                quint8(memory), 0xE1AF, quint16(value), 0xBCDF);
    QCOMPARE(IsSoundDisplayFrame(frame), sound);
}

void TestDecode::standInFramesAreSound() {
    // Every unit, mark and screen the stand-in's meter shows passes.
    standin::MeterDisplay meter;
    for (const char key : QByteArray("TOUCHPBPXBPXRPXXPIUPI")) {
        meter.key(key);
        meter.tick();
        const QByteArray frame = meter.frame(13 * 3600 + 7 * 60);
        QVERIFY2(IsSoundDisplayFrame(frame), frame.toHex(' ').constData());
    }
}

QTEST_APPLESS_MAIN(TestDecode)
#include "test_decode.moc"
