#include "meter_link/port.h"
#include "platform/twips.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

class TestPort : public QObject {
    Q_OBJECT
private slots:
    void textToPortNumber_data();
    void textToPortNumber();
    void okTakesTheTypedText_data();
    void okTakesTheTypedText();
    void escapeDoesNothing_data();
    void escapeDoesNothing();
    void keyboardAtStart_data();
    void keyboardAtStart();
    void load();
    void picture();
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

namespace {

// The port window as the user meets it: shown, active, the focus where the window put it.
struct ShownPort {
    LinkState link;
    int shown = 0;
    QPointer<Port> w = new Port(link, [this] { ++shown; });
    ShownPort() {
        w->show();
        w->activateWindow();
    }
    ~ShownPort() { delete w; } // it deletes itself once closed
    bool ready() { return QTest::qWaitForWindowActive(w) && w->Port1->hasFocus(); }
    static void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
};

} // namespace

void TestPort::okTakesTheTypedText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how"); // how OK is given: Enter in the box, Tab and Space, a click
    QTest::addColumn<int>("port");
    QTest::newRow("untouched, click") << "COM1"
                                      << "click" << 1;
    QTest::newRow("COM7, Enter in the box") << "COM7"
                                            << "enter" << 7;
    QTest::newRow("COM12, Tab and Space") << "COM12"
                                          << "tab" << 12;
    QTest::newRow("COM16, click") << "COM16"
                                  << "click" << 16;
    QTest::newRow("Auto, Enter") << "Auto"
                                 << "enter" << 1;
    QTest::newRow("com3, Tab and Space") << "com3"
                                         << "tab" << 0;
    QTest::newRow("com3, click") << "com3"
                                 << "click" << 0;
    QTest::newRow("Com12, click") << "Com12"
                                  << "click" << 0;
    QTest::newRow("com3, Enter") << "com3"
                                 << "enter" << 0;
    QTest::newRow("COM, Tab and Space") << "COM"
                                        << "tab" << 0;
    QTest::newRow("co, click") << "co"
                               << "click" << 0;
    QTest::newRow("leading blank") << " COM3"
                                   << "tab" << 0;
    QTest::newRow("trailing blank") << "COM3 "
                                    << "enter" << 0;
    QTest::newRow("COM17") << "COM17"
                           << "click" << 0;
    QTest::newRow("emptied") << ""
                             << "tab" << 0;
}

void TestPort::okTakesTheTypedText() {
    QFETCH(QString, typed);
    QFETCH(QString, how);
    QFETCH(int, port);
    ShownPort p;
    QVERIFY(p.ready());
    // Tab to the box past the two hidden buttons, and type over its text.
    ShownPort::key(Qt::Key_Tab);
    ShownPort::key(Qt::Key_Tab);
    QVERIFY(p.w->TxtCOM->hasFocus());
    p.w->TxtCOM->lineEdit()->selectAll();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClicks(QApplication::focusWidget(), typed);
    QCOMPARE(p.w->TxtCOM->currentText(), typed);
    if (how == QLatin1String("enter")) {
        ShownPort::key(Qt::Key_Return);
    } else if (how.startsWith(QLatin1String("tab"))) {
        ShownPort::key(Qt::Key_Tab);
        QVERIFY(p.w->CmdOK->hasFocus());
        QCOMPARE(p.w->TxtCOM->currentText(), typed); // leaving the box changed nothing
        ShownPort::key(how.endsWith(QLatin1String("enter")) ? Qt::Key_Return : Qt::Key_Space);
    } else {
        QTest::mouseClick(p.w->CmdOK, Qt::LeftButton);
    }
    QCOMPARE(int(p.link.ComPortNumber), port);
    QCOMPARE(p.shown, 1);
}

void TestPort::escapeDoesNothing_data() {
    QTest::addColumn<int>("tabs");
    QTest::newRow("on Port1") << 0;
    QTest::newRow("in the box") << 2;
    QTest::newRow("on OK") << 3;
}

void TestPort::escapeDoesNothing() {
    QFETCH(int, tabs);
    ShownPort p;
    QVERIFY(p.ready());
    for (int i = 0; i < tabs; ++i)
        ShownPort::key(Qt::Key_Tab);
    ShownPort::key(Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(p.w->isVisible());
    QCOMPARE(p.shown, 0);
    QCOMPARE(int(p.link.ComPortNumber), 0);
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
    ShownPort p;
    QVERIFY(p.ready());
    p.w->TxtCOM->setEditText(QStringLiteral("COM9")); // must not be read
    for (int i = 0; i < tabs; ++i)
        ShownPort::key(Qt::Key_Tab);
    ShownPort::key(Qt::Key(key));
    QCOMPARE(int(p.link.ComPortNumber), port);
    QCOMPARE(p.shown, 1);
}

void TestPort::picture() {
    ShownPort p;
    QVERIFY(p.ready());
    QVERIFY(p.w->grab().save(testing::artifactsDir() + QStringLiteral("/port.png")));
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
