#include "platform/draw_surface.h"
#include "platform/printer.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::DrawOp;
using platform::DrawSurface;
using platform::LineStyle;

namespace {

QColor pixel(QWidget& w, int x, int y) {
    return w.grab().toImage().pixelColor(x, y);
}

const QColor white(255, 255, 255);
const QColor black(0, 0, 0);

} // namespace

class TestDrawSurface : public QObject {
    Q_OBJECT
private slots:
    void scale() {
        DrawSurface s;
        s.resize(349, 364); // 5235 x 5460 twips
        QVERIFY(std::fabs(s.ScaleWidth() - 440.13) < 0.01);
        QCOMPARE(s.ScaleHeight(), 364.0);
        // 100 x units are 1189.4 twips, 79.29 pixels.
        QCOMPARE(DrawSurface::toPixelX(100), 79);
        QCOMPARE(DrawSurface::toPixelY(100), 100);
    }

    void palette_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("7 light grey") << 7 << QColor(192, 192, 192);
        QTest::newRow("12 light red") << 12 << QColor(255, 0, 0);
        QTest::newRow("15 white") << 15 << QColor(255, 255, 255);
        QTest::newRow("0 black") << 0 << QColor(0, 0, 0);
    }
    void palette() {
        QFETCH(int, index);
        QFETCH(QColor, colour);
        QCOMPARE(platform::QBColor(index), colour);
    }

    void drawingPersistsUntilResize() {
        QWidget window;
        window.resize(300, 200);
        auto* s = new DrawSurface(&window);
        s->resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        s->FillRect(10, 10, 20, 20, platform::QBColor(12));
        QCOMPARE(pixel(*s, DrawSurface::toPixelX(15), 15), QColor(255, 0, 0));
        // Covered and shown again: the picture is still there, nothing redrew it.
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        s->repaint();
        QCOMPARE(pixel(*s, DrawSurface::toPixelX(15), 15), QColor(255, 0, 0));
        // A resize clears it.
        s->resize(310, 200);
        QCOMPARE(pixel(*s, DrawSurface::toPixelX(15), 15), white);
    }

    void fillTilesAtPixelEdges() {
        DrawSurface s;
        s.resize(100, 100);
        s.FillRect(20, 30, 10, 10, black); // corners in either order
        const QImage& img = s.image();
        // Columns that begin inside (10, 20]: the one a point at x = 10 lands in is not taken,
        // the one a point at x = 20 lands in is. Rows 10 to 30, both included.
        const int l = DrawSurface::toPixelX(10), r = DrawSurface::toPixelX(20);
        QCOMPARE(img.pixelColor(l, 20), white);
        QCOMPARE(img.pixelColor(l + 1, 10), black);
        QCOMPARE(img.pixelColor(r, 30), black);
        QCOMPARE(img.pixelColor(r + 1, 20), white);
        QCOMPARE(img.pixelColor(l + 1, 9), white);
        QCOMPARE(img.pixelColor(l + 1, 31), white);
        // Strips one unit wide side by side leave neither a gap nor an overlap.
        s.Cls();
        for (int i = 0; i < 40; ++i)
            s.FillRect(40 + i, 50, 41 + i, 60, i % 2 ? black : QColor(255, 0, 0));
        QCOMPARE(img.pixelColor(DrawSurface::toPixelX(40), 55), white);
        for (int x = DrawSurface::toPixelX(40) + 1; x <= DrawSurface::toPixelX(80); ++x)
            QVERIFY(img.pixelColor(x, 55) != white);
        QCOMPARE(img.pixelColor(DrawSurface::toPixelX(80) + 1, 55), white);
        // A box narrower than a pixel takes the column that begins inside it, or none: never
        // the column a point drawn at its left edge lands in.
        s.Cls();
        const double k = DrawSurface::UnitsPerPixelX;
        s.FillRect(41.2 * k, 70, 41.7 * k, 70, black); // holds where column 42 begins
        s.FillRect(44.6 * k, 72, 45.4 * k, 72, black); // holds no beginning
        QCOMPARE(img.pixelColor(41, 70), white);
        QCOMPARE(img.pixelColor(42, 70), black);
        QCOMPARE(img.pixelColor(43, 70), white);
        for (int x = 43; x <= 47; ++x)
            QCOMPARE(img.pixelColor(x, 72), white);
    }

    void lineWidthAndStyle() {
        DrawSurface s;
        s.resize(200, 100);
        s.DrawWidth = 2;
        s.Line(10, 20, 150, 20, black);
        s.DrawWidth = 1;
        s.DrawStyle = LineStyle::Dot;
        s.Line(10, 60, 150, 60, black);
        const QImage& img = s.image();
        // The 2-wide line covers two rows.
        int rows = 0;
        for (int y = 17; y <= 23; ++y)
            rows += img.pixelColor(50, y) == black;
        QCOMPARE(rows, 2);
        // The dotted line has as many gaps as dots.
        int on = 0, off = 0;
        for (int x = 20; x < 100; ++x)
            (img.pixelColor(x, 60) == black ? on : off)++;
        QVERIFY2(on > 30 && off > 30, qPrintable(QString("%1 on, %2 off").arg(on).arg(off)));
    }

    void textAtCurrentPosition() {
        DrawSurface s;
        s.resize(300, 100);
        std::vector<DrawOp> ops;
        s.setRecorder(&ops);
        s.CurrentX = 50;
        s.CurrentY = 40;
        s.ForeColor = platform::QBColor(12);
        s.Print("12:34:56");
        QCOMPARE(ops.size(), size_t(1));
        QCOMPARE(ops[0].kind, DrawOp::Kind::Text);
        QCOMPARE(ops[0].text, QString("12:34:56"));
        QCOMPARE(QPointF(ops[0].x1, ops[0].y1), QPointF(50, 40));
        // The ink lies inside the text's box, right and below the position.
        const QRect box(DrawSurface::toPixelX(50), 40, DrawSurface::toPixelX(s.TextWidth("12:34:56")) + 1,
                        int(s.TextHeight("12:34:56")) + 1);
        int inside = 0, outside = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 300; ++x)
                if (s.image().pixelColor(x, y) != white)
                    (box.contains(x, y) ? inside : outside)++;
        QVERIFY(inside > 10);
        QCOMPARE(outside, 0);
    }

    void clsClearsAndHomes() {
        DrawSurface s;
        s.resize(100, 100);
        s.FillRect(0, 0, 50, 50, black);
        s.CurrentX = 10;
        s.CurrentY = 10;
        s.Cls();
        QCOMPARE(s.image().pixelColor(5, 5), white);
        QCOMPARE(s.CurrentX, 0.0);
        QCOMPARE(s.CurrentY, 0.0);
    }

    void printsTheWindowImage() {
        QTemporaryDir dir;
        QWidget window;
        window.resize(200, 150);
        auto* s = new DrawSurface(&window);
        s->resize(200, 150);
        s->FillRect(10, 10, 100, 100, black);
        const QString pdf = dir.filePath("chart.pdf");
        platform::Printer::setOutputPdf(pdf);
        QString error;
        QVERIFY(platform::PrintWindowImage(window, &error));
        QVERIFY(QFile(pdf).size() > 0);

        // A target that cannot be written fails with a reason.
        platform::Printer::setOutputPdf(dir.filePath("missing/chart.pdf"));
        QVERIFY(!platform::PrintWindowImage(window, &error));
        QVERIFY(!error.isEmpty());
        platform::Printer::setOutputPdf(QString());
    }
};

QTEST_MAIN(TestDrawSurface)
#include "test_draw_surface.moc"
