#include "meter_link/port.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestPort : public QObject {
    Q_OBJECT
private slots:
    void textToPortNumber_data();
    void textToPortNumber();
    void okTakesTheTypedText_data();
    void okTakesTheTypedText();
    void keyboardAtStart_data();
    void keyboardAtStart();
    void load();
};

void TestPort::textToPortNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    for (int n = 1; n <= 16; ++n)
        QTest::addRow("COM%d", n) << QStringLiteral("COM%1").arg(n) << n;
    QTest::newRow("Auto") << "Auto" << 1;
    QTest::newRow("lower case") << "com3" << 0;
    QTest::newRow("leading blank") << " COM3" << 0;
    QTest::newRow("trailing blank") << "COM3 " << 0;
    QTest::newRow("COM17") << "COM17" << 0;
    QTest::newRow("COM0") << "COM0" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("auto lower case") << "auto" << 0;
}

void TestPort::textToPortNumber() {
    QFETCH(QString, text);
    QFETCH(int, port);
    QCOMPARE(PortNumberForText(text, 0), port);
}

void TestPort::okTakesTheTypedText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("port");
    QTest::newRow("untouched") << QString() << 1;
    QTest::newRow("COM12") << "COM12" << 12;
    QTest::newRow("com3 matches nothing") << "com3" << 0;
    QTest::newRow("emptied") << "" << 0;
}

void TestPort::okTakesTheTypedText() {
    QFETCH(QString, typed);
    QFETCH(int, port);
    LinkState link;
    int shown = 0;
    auto* w = new Port(link, [&] { ++shown; });
    w->show();
    if (!QTest::currentDataTag() || QByteArray(QTest::currentDataTag()) != "untouched") {
        w->TxtCOM->lineEdit()->selectAll();
        w->TxtCOM->lineEdit()->del();
        QTest::keyClicks(w->TxtCOM->lineEdit(), typed);
    }
    QTest::mouseClick(w->CmdOK, Qt::LeftButton);
    QCOMPARE(int(link.ComPortNumber), port);
    QCOMPARE(shown, 1);
}

void TestPort::keyboardAtStart_data() {
    QTest::addColumn<int>("tabs");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("port");
    QTest::newRow("Enter at once") << 0 << int(Qt::Key_Return) << 1;
    QTest::newRow("Space at once") << 0 << int(Qt::Key_Space) << 1;
    QTest::newRow("Enter after a Tab") << 1 << int(Qt::Key_Return) << 2;
    QTest::newRow("Space after a Tab") << 1 << int(Qt::Key_Space) << 2;
}

void TestPort::keyboardAtStart() {
    QFETCH(int, tabs);
    QFETCH(int, key);
    QFETCH(int, port);
    LinkState link;
    int shown = 0;
    auto* w = new Port(link, [&] { ++shown; });
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->activateWindow();
    w->TxtCOM->setEditText(QStringLiteral("COM9")); // must not be read
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(int(link.ComPortNumber), port);
    QCOMPARE(shown, 1);
}

void TestPort::load() {
    LinkState link;
    Port w(link, {});
    QCOMPARE(w.windowTitle(), QStringLiteral("COM Port"));
    QCOMPARE(w.TxtCOM->count(), 16);
    QCOMPARE(w.TxtCOM->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(w.TxtCOM->itemText(15), QStringLiteral("COM16"));
    QCOMPARE(w.TxtCOM->currentText(), QStringLiteral("COM1"));
    QCOMPARE(w.pos(), QPoint(platform::px(3700), platform::px(2700)));
    // The hidden buttons lie below the visible client area.
    QVERIFY(w.Port1->geometry().top() >= w.height());
    QVERIFY(w.Port2->geometry().top() >= w.height());
}

QTEST_MAIN(TestPort)
#include "test_port.moc"
