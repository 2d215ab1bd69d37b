#include "logger_data/plot_rules.h"

#include <QtTest>

Q_DECLARE_METATYPE(TimeMark)
Q_DECLARE_METATYPE(ReadingRange)

namespace {

PlotState metricPlot(float records) {
    PlotState p;
    p.ValueMaxAllowed = QVariant(static_cast<qint16>(2200));
    p.ValueMinAllowed = QVariant(static_cast<qint16>(0));
    p.RecordCount = records;
    return p;
}

PlotState imperialPlot(float records) {
    PlotState p = metricPlot(records);
    p.ValueMaxAllowed = QVariant(697.4);
    return p;
}

} // namespace

class TestPlotRules : public QObject {
    Q_OBJECT
private slots:
    void timeMarks_data();
    void timeMarks();
    void readingHeights_data();
    void readingHeights();
    void progressCaption();
    void minimumSize_data();
    void minimumSize();
    void rangeCheck_data();
    void rangeCheck();
};

void TestPlotRules::timeMarks_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QList<int>>("labels");
    QTest::addColumn<QList<int>>("ticks");
    QTest::newRow("100") << 100 << QList<int>{1, 25, 50, 75, 100} << QList<int>{12, 37, 62, 87};
    QTest::newRow("5") << 5 << QList<int>{1, 2, 3, 5} << QList<int>{4};
    QTest::newRow("3") << 3 << QList<int>{1, 2, 3} << QList<int>{};
    QTest::newRow("1") << 1 << QList<int>{1} << QList<int>{};
    QTest::newRow("2") << 2 << QList<int>{1, 2} << QList<int>{};
    QTest::newRow("43346") << 43346 << QList<int>{1, 10836, 21673, 32509, 43346}
                           << QList<int>{5418, 16254, 27091, 37927};
}

void TestPlotRules::timeMarks() {
    QFETCH(int, n);
    QFETCH(QList<int>, labels);
    QFETCH(QList<int>, ticks);
    QList<int> gotLabels, gotTicks;
    for (int k = 1; k <= n; ++k) {
        const TimeMark m = PlotTimeMark(k, n);
        if (m == TimeMark::Label)
            gotLabels << k;
        else if (m == TimeMark::Tick)
            gotTicks << k;
    }
    QCOMPARE(gotLabels, labels);
    QCOMPARE(gotTicks, ticks);
}

void TestPlotRules::readingHeights_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<ReadingRange>("range");
    QTest::addColumn<double>("height");
    const double h = 264;
    QTest::newRow("overload") << "OL" << 0.0 << 2200.0 << ReadingRange::Over << h + 5;
    QTest::newRow("dashes") << "----" << 0.0 << 2200.0 << ReadingRange::Over << h + 5;
    QTest::newRow("negative overload") << "-OL" << 0.0 << 2200.0 << ReadingRange::Under << -3.0;
    QTest::newRow("bottom") << "0" << 0.0 << 2200.0 << ReadingRange::Inside << 0.0;
    QTest::newRow("top is inside") << "2200" << 0.0 << 2200.0 << ReadingRange::Inside << h;
    QTest::newRow("just above top") << "2200.1" << 0.0 << 2200.0 << ReadingRange::Over << h + 5;
    QTest::newRow("middle") << "1100" << 0.0 << 2200.0 << ReadingRange::Inside << h / 2;
    QTest::newRow("below a raised bottom") << "99.9" << 100.0 << 500.0 << ReadingRange::Under << -3.0;
    QTest::newRow("raised range") << "200" << 100.0 << 500.0 << ReadingRange::Inside << h / 4;
    QTest::newRow("text reads as 0 below bottom") << "abc" << 100.0 << 500.0 << ReadingRange::Under << -3.0;
    QTest::newRow("btu top") << "697.4" << 0.0 << 697.4 << ReadingRange::Inside << h;
}

void TestPlotRules::readingHeights() {
    QFETCH(QString, text);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(ReadingRange, range);
    QFETCH(double, height);
    QCOMPARE(ClassifyPlotReading(text, min, max), range);
    QCOMPARE(PlotReadingHeight(text, min, max, 264), height);
}

void TestPlotRules::progressCaption() {
    QCOMPARE(PlotProgressCaption(1), QString("1 Records Completed"));
    QCOMPARE(PlotProgressCaption(43346), QString("43346 Records Completed"));
}

void TestPlotRules::minimumSize_data() {
    QTest::addColumn<double>("w");
    QTest::addColumn<double>("h");
    QTest::addColumn<bool>("snap");
    QTest::newRow("exactly the minimum") << 6000.0 << 5865.0 << false;
    QTest::newRow("larger") << 9000.0 << 8000.0 << false;
    QTest::newRow("narrow") << 5985.0 << 9000.0 << true;
    QTest::newRow("low") << 9000.0 << 5850.0 << true;
    QTest::newRow("both") << 3000.0 << 3000.0 << true;
}

void TestPlotRules::minimumSize() {
    QFETCH(double, w);
    QFETCH(double, h);
    QFETCH(bool, snap);
    QCOMPARE(PlotBelowMinimumSize(w, h), snap);
}

void TestPlotRules::rangeCheck_data() {
    QTest::addColumn<bool>("imperial");
    QTest::addColumn<double>("t1");
    QTest::addColumn<double>("t2");
    QTest::addColumn<double>("r1");
    QTest::addColumn<double>("r2");
    QTest::addColumn<QString>("message");
    const QString metric = "Invalid, 0 <= Temperature <= 2200";
    const QString btu = "Invalid, 0 <= Temperature <= 697.4";
    const QString records = "Invalid, 0 <= Records <= 120";
    QTest::newRow("full ranges") << false << 0.0 << 2200.0 << 1.0 << 120.0 << QString();
    QTest::newRow("btu full") << true << 0.0 << 697.4 << 1.0 << 120.0 << QString();
    QTest::newRow("narrow") << false << 100.0 << 200.5 << 50.0 << 51.0 << QString();
    QTest::newRow("equal values") << false << 500.0 << 500.0 << 1.0 << 120.0 << metric;
    QTest::newRow("bottom above top") << false << 600.0 << 500.0 << 1.0 << 120.0 << metric;
    QTest::newRow("negative bottom") << false << -5.0 << 500.0 << 1.0 << 120.0 << metric;
    QTest::newRow("top above allowed") << false << 0.0 << 2200.5 << 1.0 << 120.0 << metric;
    QTest::newRow("btu top above allowed") << true << 0.0 << 697.5 << 1.0 << 120.0 << btu;
    QTest::newRow("both wrong: values first") << true << 5.0 << 5.0 << 0.0 << 0.0 << btu;
    QTest::newRow("first record 0") << false << 0.0 << 2200.0 << 0.0 << 120.0 << records;
    QTest::newRow("one record") << false << 0.0 << 2200.0 << 7.0 << 7.0 << records;
    QTest::newRow("reversed records") << false << 0.0 << 2200.0 << 9.0 << 7.0 << records;
    QTest::newRow("past the last record") << false << 0.0 << 2200.0 << 1.0 << 121.0 << records;
}

void TestPlotRules::rangeCheck() {
    QFETCH(bool, imperial);
    QFETCH(double, t1);
    QFETCH(double, t2);
    QFETCH(double, r1);
    QFETCH(double, r2);
    QFETCH(QString, message);
    const PlotState p = imperial ? imperialPlot(120) : metricPlot(120);
    QCOMPARE(CheckPlotRange(p, t1, t2, r1, r2), message);
}

QTEST_GUILESS_MAIN(TestPlotRules)
#include "test_plot_rules.moc"
