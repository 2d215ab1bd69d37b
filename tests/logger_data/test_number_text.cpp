#include "logger_data/number_text.h"

#include <QtTest>

class TestNumberText : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("whole");
        QTest::newRow("digits") << "2200" << 2200.0 << true;
        QTest::newRow("fraction") << "697.4" << 697.4 << true;
        QTest::newRow("blanks ignored") << " 1 2.5 " << 12.5 << true;
        QTest::newRow("no zero before the point") << "-.5" << -0.5 << true;
        QTest::newRow("trailing point") << "12." << 12.0 << true;
        QTest::newRow("overload") << "OL" << 0.0 << false;
        QTest::newRow("set list header") << "Set" << 0.0 << false;
        QTest::newRow("trailing text") << "12.5x" << 12.5 << false;
        QTest::newRow("dashes") << "----" << 0.0 << false;
        QTest::newRow("empty") << "" << 0.0 << false;
        QTest::newRow("lone minus") << "-" << 0.0 << false;
        QTest::newRow("minus inside digits") << "12-5" << 12.0 << false;
        QTest::newRow("second point") << "1.2.3" << 1.2 << false;
        QTest::newRow("comma is not a separator") << "1,5" << 1.0 << false;
        QTest::newRow("tab and blank inside") << "\t- 3 .25" << -3.25 << true;
        QTest::newRow("letters after blanks") << " 7 W" << 7.0 << false;
        QTest::newRow("past the double range") << QString(400, '9') << qInf() << true;
        QTest::newRow("non-Latin digits end it") << QString::fromUtf8("5\u0663") << 5.0 << false;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, whole);
        QCOMPARE(LeadingNumber(text), value);
        QCOMPARE(IsWholeNumberText(text), whole);
    }

    void variants() {
        QCOMPARE(NumberOf(QVariant(697.4)), 697.4);
        QCOMPARE(NumberOf(QVariant(QString("100x"))), 100.0);
        QCOMPARE(ShortestNumber(697.4), QString("697.4"));
        QCOMPARE(ShortestNumber(2200), QString("2200"));
        QCOMPARE(ShortestNumber(-0.0), QString("0"));
    }

    void halfEven() {
        QCOMPARE(RoundHalfEven(0.5), 0.0);
        QCOMPARE(RoundHalfEven(1.5), 2.0);
        QCOMPARE(RoundHalfEven(2.5), 2.0);
        QCOMPARE(RoundHalfEven(-2.5), -2.0);
        QCOMPARE(RoundHalfEven(2.51), 3.0);
    }
};

QTEST_MAIN(TestNumberText)
#include "test_number_text.moc"
