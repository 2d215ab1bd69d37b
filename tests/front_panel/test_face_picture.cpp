// Pictures of the face for a person to look at, and a few pixel checks that need no person:
// the glass is yellow, the digits blue, the keys orange and green with white symbols.
#include "front_panel/panel.h"
#include "meter_link/decode.h"
#include "platform/twips.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_standin.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTest>

using platform::rectTwips;
using standin::makeFrame;

namespace {

// Pixels of `colour` inside `r` of the picture.
int countColour(const QImage& img, const QRect& r, const QColor& colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixelColor(x, y) == colour)
                ++n;
    return n;
}

} // namespace

class TestFacePicture : public QObject {
    Q_OBJECT
private slots:
    void grab_data();
    void grab();
};

void TestFacePicture::grab_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("value");
    // 812.5 W/m2, memory 01, hold, battery, M mark, CAL 0.987, second group 12:30.
    QTest::newRow("W per m2") << makeFrame(0x41 | 0x80, 0x40 | 0x04 | 0x01 | 0x02, 0x05, 0x00, 0x01, 0x0987,
                                           0x8125, 0x1230)
                              << "face_watt.png"
                              << "812.5";
    // 257.6 Btu/(ft2 h) with max, min and average, R mark, second group with a dash.
    QTest::newRow("Btu max min avg") << makeFrame(0x0E | 0x20, 0x40 | 0x08, 0x80, 0x03, 0x12, 0xCCCC, 0x2576,
                                                  0xC5CC)
                                     << "face_btu.png"
                                     << "257.6";
    QTest::newRow("clear prompt") << makeFrame(0x00, 0x00, 0x00, 0x60) << "face_clear.png"
                                  << "";
}

void TestFacePicture::grab() {
    QFETCH(QByteArray, frame);
    QFETCH(QString, file);
    QFETCH(QString, value);
    AppState app;
    Panel panel(app);
    panel.show();
    panel.PaintFrame(makeFrame(0x00, 0x40, 0x05, 0x00, 0x01, 0xCCCC, 0x1000, 0xCCCC));
    panel.PaintFrame(frame);
    QCOMPARE(panel.LblValue->text(), value);

    const QPixmap shot = panel.grab();
    const QString path = QDir(testing::artifactsDir()).filePath(file);
    QVERIFY(shot.save(path));
    qInfo("face picture: %s", qPrintable(path));

    const QImage img = shot.toImage();
    QCOMPARE(img.size(), QSize(platform::px(4845), platform::px(6960)));
    // The glass is yellow, and the reading (or the prompt) is painted in blue on it.
    const QRect glass = rectTwips(240, 720, 4335, 1575);
    QVERIFY(countColour(img, glass, QColor(255, 255, 128)) > glass.width() * glass.height() / 2);
    QVERIFY(countColour(img, panel.LblValue->geometry().united(panel.LblOLCLR->geometry()),
                        QColor(0, 0, 255)) > 200);
    // Orange keys and the green one, each with white symbol pixels on it.
    for (int i = 0; i < Panel::KeyCount; ++i) {
        const QRect body = panel.ShapeR[i]->geometry();
        const QColor key = i == 5 ? QColor(0, 255, 0) : QColor(255, 128, 0);
        QVERIFY2(countColour(img, body, key) > body.width() * body.height() / 3,
                 qPrintable(QString::number(i)));
        QVERIFY2(countColour(img, panel.Sym[i]->geometry(), Qt::white) > 20, qPrintable(QString::number(i)));
    }
}

QTEST_MAIN(TestFacePicture)
#include "test_face_picture.moc"
