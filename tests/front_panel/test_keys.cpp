// The keypad: which letter each key sends, and the exchange around it on a real pseudo-terminal.
#include "front_panel/panel.h"
#include "platform/clock.h"
#include "tests/support/panel_fixture.h"

#include <QTest>
#include <QTimer>

using testing::PanelFixture;
using testing::waitUntil;

namespace {

// Loads the main window on the stand-in with polling stopped, so the line carries only what
// the keys send.
bool startQuiet(PanelFixture& f) {
    if (!f.start() || !f.quiet())
        return false;
    f.panel->show();
    return true;
}

bool keyPictureShown(Panel& p, int key) {
    return !p.ShapeR[key]->isHidden() && !p.ShapeC[key]->isHidden() && !p.Img[key]->isHidden();
}

bool keyPictureHidden(Panel& p, int key) {
    return p.ShapeR[key]->isHidden() && p.ShapeC[key]->isHidden() && p.Img[key]->isHidden() &&
           !p.Sym[key]->isHidden();
}

// Waits for the key letter to reach the meter, then for anything that might follow it.
QString lineAfterKey(PanelFixture& f, char letter) {
    waitUntil([&] { return f.meter.commandLetters().contains(QLatin1Char(letter)); }, 20.0);
    testing::pumpFor(0.25);
    return f.meter.commandLetters();
}

// The key's exchange runs from the event loop: waits until it has given the line back.
bool commandEnded(PanelFixture& f) {
    return waitUntil([&] { return !f.app.link.KeyBusy; }, 10.0);
}

bool isExchangeThen(const QString& line, char letter) {
    return testing::lineMatches(line, QStringLiteral("A%1").arg(QLatin1Char(letter)));
}

} // namespace

class TestKeys : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { platform::setClockSource(nullptr); }
    void letterTable_data();
    void letterTable();
    void keyOnTheLine_data();
    void keyOnTheLine();
    void holdKeyBeforeFirstFrame();
    void anyMouseButton_data();
    void anyMouseButton();
    void busyReleaseSendsNothing();
    void secondKeyDuringExchangeIsRefused();
    void keyboardPressAndRelease();
};

void TestKeys::letterTable_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("longPress");
    QTest::addColumn<QString>("mma");
    QTest::addColumn<char>("letter");
    QTest::newRow("hold short, no statistics") << 0 << false << "" << 'H';
    QTest::newRow("hold long, no statistics") << 0 << true << "" << 'X';
    QTest::newRow("hold short, MAX") << 0 << false << "MAX" << 'X';
    QTest::newRow("hold long, MAX") << 0 << true << "MAX" << 'E';
    QTest::newRow("hold short, MIN") << 0 << false << "MIN" << 'X';
    QTest::newRow("hold long, all three") << 0 << true << "MAX  MIN  AVG" << 'E';
    QTest::newRow("up short") << 1 << false << "MAX" << 'P';
    QTest::newRow("up long") << 1 << true << "" << 'P';
    QTest::newRow("down short") << 2 << false << "" << 'R';
    QTest::newRow("down long") << 2 << true << "MAX" << 'R';
    QTest::newRow("memory short") << 3 << false << "" << 'B';
    QTest::newRow("memory long") << 3 << true << "" << 'I';
    QTest::newRow("set short") << 4 << false << "" << 'U';
    QTest::newRow("set long") << 4 << true << "" << 'C';
    QTest::newRow("power short") << 5 << false << "" << 'T';
    QTest::newRow("power long") << 5 << true << "" << 'O';
}

void TestKeys::letterTable() {
    QFETCH(int, key);
    QFETCH(bool, longPress);
    QFETCH(QString, mma);
    QFETCH(char, letter);
    QCOMPARE(Panel::KeyLetter(key, longPress, mma), letter);
}

void TestKeys::keyOnTheLine_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("downAt");
    QTest::addColumn<double>("upAt");
    QTest::addColumn<QString>("mma");
    QTest::addColumn<char>("letter");
    // With no max/min/avg on the display.
    const char shortLetters[] = "HPRBUT", longLetters[] = "XPRICO";
    for (int key = 0; key < Panel::KeyCount; ++key) {
        QTest::addRow("key %d short", key) << key << 1000.0 << 1000.5 << "" << shortLetters[key];
        QTest::addRow("key %d long", key) << key << 1000.0 << 1003.5 << "" << longLetters[key];
    }
    QTest::newRow("exactly 2 s is short") << 3 << 1000.0 << 1002.0 << "" << 'B';
    QTest::newRow("2.01 s is long") << 3 << 1000.0 << 1002.01 << "" << 'I';
    QTest::newRow("across midnight is short") << 4 << 86399.0 << 2.5 << "" << 'U';
    QTest::newRow("hold short with MAX") << 0 << 1000.0 << 1000.3 << "MAX" << 'X';
    QTest::newRow("hold long with MAX") << 0 << 1000.0 << 1004.0 << "MAX" << 'E';
}

void TestKeys::keyOnTheLine() {
    QFETCH(int, key);
    QFETCH(double, downAt);
    QFETCH(double, upAt);
    QFETCH(QString, mma);
    QFETCH(char, letter);
    PanelFixture f;
    QVERIFY(startQuiet(f));
    platform::FakeClock clock;
    platform::setClockSource(&clock);
    f.panel->LblMMA->setText(mma);
    f.app.link.PollCount = 7;

    clock.setTimeOfDay(downAt, true);
    QTest::mousePress(f.panel->LblCmd[key], Qt::LeftButton);
    QVERIFY(keyPictureHidden(*f.panel, key));
    clock.setTimeOfDay(upAt, true);
    QTest::mouseRelease(f.panel->LblCmd[key], Qt::LeftButton);
    QVERIFY(commandEnded(f));

    // The guard is undone: polling resumes and asks for the stream again.
    QVERIFY(keyPictureShown(*f.panel, key));
    QVERIFY(f.panel->Timer1.isActive());
    QCOMPARE(f.app.link.PollCount, std::int16_t(0));
    QVERIFY(!f.app.link.KeyBusy);
    f.panel->Timer1.stop();

    const QString line = lineAfterKey(f, letter);
    QVERIFY2(isExchangeThen(line, letter), qPrintable(line));
}

void TestKeys::holdKeyBeforeFirstFrame() {
    PanelFixture f;
    QVERIFY(startQuiet(f));
    QCOMPARE(f.panel->LblMMA->text(), QStringLiteral("MAX"));
    QTest::mousePress(f.panel->LblCmd[0], Qt::LeftButton);
    QTest::mouseRelease(f.panel->LblCmd[0], Qt::LeftButton);
    QVERIFY(commandEnded(f));
    f.panel->Timer1.stop();
    const QString line = lineAfterKey(f, 'X');
    QVERIFY2(isExchangeThen(line, 'X'), qPrintable(line));
}

void TestKeys::anyMouseButton_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestKeys::anyMouseButton() {
    QFETCH(Qt::MouseButton, button);
    PanelFixture f;
    QVERIFY(startQuiet(f));
    QTest::mousePress(f.panel->LblCmd[2], button);
    QVERIFY(keyPictureHidden(*f.panel, 2));
    QTest::mouseRelease(f.panel->LblCmd[2], button);
    QVERIFY(keyPictureShown(*f.panel, 2));
    QVERIFY(commandEnded(f));
    f.panel->Timer1.stop();
    const QString line = lineAfterKey(f, 'R');
    QVERIFY2(isExchangeThen(line, 'R'), qPrintable(line));
}

void TestKeys::busyReleaseSendsNothing() {
    PanelFixture f;
    QVERIFY(startQuiet(f));
    f.app.link.KeyBusy = true; // a download or clock set is running
    f.app.link.PollCount = 5;
    QTest::mousePress(f.panel->LblCmd[3], Qt::LeftButton);
    QVERIFY(keyPictureHidden(*f.panel, 3));
    QTest::mouseRelease(f.panel->LblCmd[3], Qt::LeftButton);
    QVERIFY(keyPictureShown(*f.panel, 3));
    testing::pumpFor(0.3);
    QCOMPARE(f.meter.commandLetters(), QString());
    QVERIFY(f.app.link.KeyBusy);
    QCOMPARE(f.app.link.PollCount, std::int16_t(5));
    QVERIFY(!f.panel->Timer1.isActive());
}

void TestKeys::secondKeyDuringExchangeIsRefused() {
    PanelFixture f;
    QVERIFY(startQuiet(f));
    f.panel->Timer1.start();
    bool busyInside = false, pollingInside = true;
    // Runs at the first event the loop serves while the exchange waits for the meter.
    QTimer::singleShot(0, f.panel.get(), [&] {
        busyInside = f.app.link.KeyBusy;
        pollingInside = f.panel->Timer1.isActive();
        f.panel->LblCmd_MouseDown(1);
        f.panel->LblCmd_MouseUp(1);
    });
    f.panel->LblCmd_MouseDown(5);
    f.panel->LblCmd_MouseUp(5);
    QVERIFY(commandEnded(f));
    f.panel->Timer1.stop();
    QVERIFY(busyInside);
    QVERIFY(!pollingInside);
    QVERIFY(keyPictureShown(*f.panel, 1));
    const QString line = lineAfterKey(f, 'T');
    QVERIFY2(isExchangeThen(line, 'T'), qPrintable(line));
}

void TestKeys::keyboardPressAndRelease() {
    PanelFixture f;
    QVERIFY(startQuiet(f));
    QLabel* area = f.panel->LblCmd[4];
    QCOMPARE(area->accessibleName(), QStringLiteral("SET"));
    QVERIFY(area->focusPolicy() & Qt::TabFocus);
    QTest::keyPress(area, Qt::Key_Space);
    QVERIFY(keyPictureHidden(*f.panel, 4));
    QTest::keyRelease(area, Qt::Key_Space);
    QVERIFY(keyPictureShown(*f.panel, 4));
    QVERIFY(commandEnded(f));
    f.panel->Timer1.stop();
    const QString line = lineAfterKey(f, 'U');
    QVERIFY2(isExchangeThen(line, 'U'), qPrintable(line));
}

QTEST_MAIN(TestKeys)
#include "test_keys.moc"
