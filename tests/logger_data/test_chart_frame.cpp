#include "logger_data/chart_frame.h"
#include "platform/draw_surface.h"
#include "platform/twips.h"

#include <QApplication>
#include <QLocale>
#include <QtTest>
#include <clocale>

using platform::DrawOp;
using platform::DrawSurface;
using platform::LineStyle;
using Kind = platform::DrawOp::Kind;

namespace {

std::vector<DrawOp> ofKind(const std::vector<DrawOp>& ops, Kind kind) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : ops)
        if (op.kind == kind)
            out.push_back(op);
    return out;
}

// A surface with the client size of a chart window, in twips.
struct Surface {
    DrawSurface s;
    std::vector<DrawOp> ops;
    Surface(double wTwips, double hTwips) {
        s.resize(platform::px(wTwips), platform::px(hTwips));
        s.setFont(platform::designFont("Times New Roman", 8.25));
        s.setRecorder(&ops);
    }
};

} // namespace

class TestChartFrame : public QObject {
    Q_OBJECT
private slots:
    void geometry_data() {
        QTest::addColumn<double>("scaleWidth");
        QTest::addColumn<double>("scaleHeight");
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("y0");
        QTest::addColumn<double>("h");
        QTest::newRow("plot window at creation")
            << 5880 / 11.894 << 364.0 << 5880 / 11.894 - 74 << 337.0 << 264.0;
        QTest::newRow("live graph at creation")
            << 5235 / 11.894 << 364.0 << 5235 / 11.894 - 80 << 337.0 << 264.0;
        QTest::newRow("whole width: a multiple of 30") << 450.0 << 400.0 << 390.0 << 373.0 << 300.0;
        QTest::newRow("half rounds down to even") << 434.5 << 364.0 << 360.5 << 337.0 << 264.0;
        QTest::newRow("half rounds up to even") << 435.5 << 364.0 << 359.5 << 337.0 << 264.0;
    }
    void geometry() {
        QFETCH(double, scaleWidth);
        QFETCH(double, scaleHeight);
        QFETCH(double, w);
        QFETCH(double, y0);
        QFETCH(double, h);
        const PlotGeometry g = PlotAreaGeometry(scaleWidth, scaleHeight);
        QCOMPARE(g.X0, 60.0);
        QCOMPARE(g.Y0, y0);
        QCOMPARE(g.H, h);
        QVERIFY2(std::fabs(g.W - w) < 1e-9, qPrintable(QString::number(g.W, 'f', 6)));
    }

    void plotWindowAtCreation() {
        // The documented figures of the plot window's first frame.
        Surface f(5880, 5460);
        QVERIFY(std::fabs(f.s.ScaleWidth() - 494.36) < 0.01);
        QCOMPARE(f.s.ScaleHeight(), 364.0);
        const PlotGeometry g = PlotAreaGeometry(f.s.ScaleWidth(), f.s.ScaleHeight());
        QVERIFY(std::fabs(g.W - 420.36) < 0.01);
    }

    void labels_data() {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("W/m2") << 0.0 << 2200.0 << QStringList{" 0",    " 275",  " 550",  " 825", " 1100",
                                                              " 1375", " 1650", " 1925", " 2200"};
        QTest::newRow("Btu") << 0.0 << 697.4
                             << QStringList{" 0",       " 87.175", " 174.35",  " 261.525", " 348.7",
                                            " 435.875", " 523.05", " 610.225", " 697.4"};
        QTest::newRow("0 to 1") << 0.0 << 1.0 << QStringList{" 0",    " .125", " .25",  " .375", " .5",
                                                             " .625", " .75",  " .875", " 1"};
        QTest::newRow("negative") << -1.0 << 1.0 << QStringList{"-1",   "-.75", "-.5",  "-.25", " 0",
                                                                " .25", " .5",  " .75", " 1"};
    }
    void labels() {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(QStringList, labels);
        QStringList got;
        for (int i = 0; i <= 8; ++i)
            got << FormatAxisLabel(min + (max - min) * i / 8.0);
        QCOMPARE(got, labels);

        // The same under a locale that writes a decimal comma.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        QStringList comma;
        for (int i = 0; i <= 8; ++i)
            comma << FormatAxisLabel(min + (max - min) * i / 8.0);
        std::setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(before);
        QCOMPARE(comma, labels);
    }

    void labelDigits_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("15 significant digits") << 1.0 / 3 << " .333333333333333";
        QTest::newRow("negative zero") << -0.0 << " 0";
        QTest::newRow("no trailing point") << 120.0 << " 120";
    }
    void labelDigits() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatAxisLabel(value), text);
    }

    void scaleReading() {
        QCOMPARE(ScaleReading(0, 0, 2200, 264), 0.0);
        QCOMPARE(ScaleReading(2200, 0, 2200, 264), 264.0);
        QCOMPARE(ScaleReading(100, 50, 150, 264), 132.0);
        QCOMPARE(OverRangeHeight(264), 269.0);
        QCOMPARE(UnderRangeHeight, -3.0);
    }

    void frame() {
        Surface f(5880, 5460);
        std::vector<DrawOp> atCaption;
        FrameSteps steps;
        steps.beforeCaption = [&](const PlotGeometry&) { atCaption = f.ops; };
        const auto g = DrawPlotFrame(f.s, 0, 2200, "W/(M)2", steps);
        QVERIFY(g);
        const double X0 = g->X0, Y0 = g->Y0, W = g->W, H = g->H;

        QCOMPARE(f.ops.front().kind, Kind::Clear);
        const auto lines = ofKind(f.ops, Kind::Line);
        QCOMPARE(lines.size(), size_t(2 + 17 + 9));
        // The two axes, 2 wide, black.
        QCOMPARE(lines[0].width, 2);
        QCOMPARE(QPointF(lines[0].x1, lines[0].y1), QPointF(X0 - 2, Y0 + 5));
        QCOMPARE(QPointF(lines[0].x2, lines[0].y2), QPointF(X0 - 2, Y0 - H - 5));
        QCOMPARE(lines[1].width, 2);
        QCOMPARE(QPointF(lines[1].x2, lines[1].y2), QPointF(X0 + W + 2, Y0 + 6));
        // Ticks 1 wide: long ones (8 units) at the eighths, short ones (5) between.
        int longTicks = 0;
        for (size_t i = 2; i < lines.size(); ++i) {
            QCOMPARE(lines[i].width, 1);
            QCOMPARE(lines[i].colour, QColor(0, 0, 0));
            QCOMPARE(lines[i].x1, X0 - 2);
            if (lines[i].x2 == X0 - 10)
                ++longTicks;
            else
                QCOMPARE(lines[i].x2, X0 - 7);
        }
        QCOMPARE(longTicks, 9);

        // Nine labels, each centred on its eighth, then the caption above the value axis.
        const auto texts = ofKind(f.ops, Kind::Text);
        QCOMPARE(texts.size(), size_t(10));
        for (int i = 0; i <= 8; ++i) {
            const DrawOp& t = texts[i];
            QCOMPARE(t.y1 + f.s.TextHeight(t.text) / 2, Y0 - i * H / 8);
            QCOMPARE(t.x1, X0 - 40 - f.s.TextWidth(t.text) / 4);
        }
        QCOMPARE(texts[0].text, QString(" 0"));
        QCOMPARE(texts[8].text, QString(" 2200"));
        QCOMPARE(texts[9].text, QString("W/(M)2"));
        QCOMPARE(QPointF(texts[9].x1, texts[9].y1), QPointF(X0 - 30, Y0 - H - 25));
        // The window's own step runs after the labels and before the caption.
        QCOMPARE(ofKind(atCaption, Kind::Text).size(), size_t(9));
        QCOMPARE(f.s.DrawWidth, 1);
    }

    void frameEndedByMinimumSize() {
        Surface f(5880, 5460);
        f.s.Line(0, 0, 100, 100, Qt::black);
        f.ops.clear();
        FrameSteps steps;
        steps.minimumSize = [] { return false; };
        QVERIFY(!DrawPlotFrame(f.s, 0, 1, "x", steps));
        QCOMPARE(f.ops.size(), size_t(1));
        QCOMPARE(f.ops[0].kind, Kind::Clear);
        // What was drawn before is gone.
        QCOMPARE(f.s.image().pixelColor(40, 50), QColor(255, 255, 255));
    }

    void grid() {
        Surface f(5235, 5460);
        const PlotGeometry g = PlotAreaGeometry(f.s.ScaleWidth(), f.s.ScaleHeight());
        f.s.ForeColor = QColor(1, 2, 3);
        DrawPlotGrid(f.s, g, 7.2f);
        QCOMPARE(f.ops.size(), size_t(8));
        const QColor grey(192, 192, 192);
        QCOMPARE(f.ops[0].style, LineStyle::Solid);
        QCOMPARE(f.ops[0].colour, grey);
        QCOMPARE(f.ops[0].y1, g.Y0 - g.H / 2);
        QCOMPARE(f.ops[0].x2 - f.ops[0].x1, g.W + 4);
        const int order[] = {1, 7, 6, 5, 8, 3, 2};
        for (int i = 0; i < 7; ++i) {
            const DrawOp& l = f.ops[i + 1];
            QCOMPARE(l.style, LineStyle::Dot);
            QCOMPARE(l.colour, grey);
            QCOMPARE(QPointF(l.x1, l.y1), QPointF(g.X0, g.Y0 - order[i] * g.H / 8));
            QCOMPARE(QPointF(l.x2, l.y2), QPointF(g.X0 + g.W, g.Y0 - order[i] * g.H / 8));
        }
        QCOMPARE(f.s.DrawStyle, LineStyle::Solid);
        QCOMPARE(f.s.ForeColor, QColor(1, 2, 3));
    }
};

QTEST_MAIN(TestChartFrame)
#include "test_chart_frame.moc"
