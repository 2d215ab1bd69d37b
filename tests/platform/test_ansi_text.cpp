// The text files' code page: Windows Western, every byte read and written back as it was.
#include "platform/ansi_text.h"

#include <QtTest>

class TestAnsiText : public QObject {
    Q_OBJECT
private slots:
    void charactersOfTheHighBytes_data();
    void charactersOfTheHighBytes();
    void everyByteRoundTrips();
    void charactersWithoutAByte();
};

void TestAnsiText::charactersOfTheHighBytes_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("euro sign") << 0x80 << 0x20AC;
    QTest::newRow("low quote") << 0x82 << 0x201A;
    QTest::newRow("ellipsis") << 0x85 << 0x2026;
    QTest::newRow("left double quote") << 0x93 << 0x201C;
    QTest::newRow("right double quote") << 0x94 << 0x201D;
    QTest::newRow("en dash") << 0x96 << 0x2013;
    QTest::newRow("em dash") << 0x97 << 0x2014;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("undefined 0x81 stays a C1 control") << 0x81 << 0x81;
    QTest::newRow("undefined 0x8D") << 0x8D << 0x8D;
    QTest::newRow("undefined 0x8F") << 0x8F << 0x8F;
    QTest::newRow("undefined 0x90") << 0x90 << 0x90;
    QTest::newRow("undefined 0x9D") << 0x9D << 0x9D;
    QTest::newRow("no-break space") << 0xA0 << 0xA0;
    QTest::newRow("degree sign") << 0xB0 << 0xB0;
    QTest::newRow("y diaeresis") << 0xFF << 0xFF;
    QTest::newRow("ASCII") << int('M') << int('M');
}

void TestAnsiText::charactersOfTheHighBytes() {
    QFETCH(int, byte);
    QFETCH(int, unicode);
    const QByteArray one(1, static_cast<char>(byte));
    QCOMPARE(int(platform::fromAnsi(one).at(0).unicode()), unicode);
    QByteArray utf8;
    platform::appendAnsiAsUtf8(utf8, one);
    QCOMPARE(QString::fromUtf8(utf8), QString(QChar(unicode)));
    QCOMPARE(platform::toAnsi(QString(QChar(unicode))), one);
}

void TestAnsiText::everyByteRoundTrips() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = platform::fromAnsi(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(platform::toAnsi(text), all);
    QByteArray utf8;
    platform::appendAnsiAsUtf8(utf8, all);
    QCOMPARE(QString::fromUtf8(utf8), text);
}

void TestAnsiText::charactersWithoutAByte() {
    // U+0080 is not the euro sign's byte: the code page has no place for it.
    QCOMPARE(platform::toAnsi(QString::fromUtf8("a\u0080\u4e2d\U0001F600b")), QByteArray("a???b"));
}

QTEST_MAIN(TestAnsiText)
#include "test_ansi_text.moc"
