// The program's start as the user meets it: the port window, then the main window, driven with
// real keys on shown and activated windows, the meter stand-in on COM1.
#include "front_panel/panel.h"
#include "front_panel/start_up.h"
#include "meter_link/port.h"
#include "tests/support/panel_fixture.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using testing::waitUntil;

namespace {

// Notes where and how the main window stands when it is first shown.
struct FirstShow : QObject {
    bool seen = false;
    QPoint pos;
    bool polling = false;
    FirstShow() { qApp->installEventFilter(this); }
    ~FirstShow() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && !seen)
            if (auto* p = qobject_cast<Panel*>(o)) {
                seen = true;
                pos = p->pos();
                polling = p->Timer1.isActive();
            }
        return false;
    }
};

bool panelVisible() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<Panel*>(w) && w->isVisible())
            return true;
    return false;
}

void key(Qt::Key k) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow(),
                    k);
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void failedLoadShowsNoWindow();
    void loadRunsBeforeTheWindowShows();
    void strayEnterAfterThePortWindowSendsNothing();
};

void TestStartUp::failedLoadShowsNoWindow() {
    AppState app; // port 0: no text matched
    testing::EndCapture ends;
    QStringList texts;
    bool panelBehind = true;
    platform::setMsgResponder([&](const platform::MsgRecord& r) {
        texts << r.text;
        panelBehind = panelVisible();
        return platform::MsgResult::Ok;
    });
    std::unique_ptr<Panel> panel = ShowPanel(app);
    platform::setMsgResponder({});
    QCOMPARE(texts, QStringList{QStringLiteral("No device found, try again!")});
    QVERIFY(!panelBehind);
    QVERIFY(!panel);
    QCOMPARE(ends.codes(), QList<int>{1});
}

void TestStartUp::loadRunsBeforeTheWindowShows() {
    testing::PanelFixture f;
    QVERIFY(f.start(false));
    f.panel.reset();
    FirstShow first;
    std::unique_ptr<Panel> panel = ShowPanel(f.app);
    QVERIFY(panel);
    QVERIFY(first.seen);
    QCOMPARE(first.pos, QPoint(0, 0));
    QVERIFY(first.polling);
    QVERIFY(f.messages.boxes.isEmpty());
}

void TestStartUp::strayEnterAfterThePortWindowSendsNothing() {
    testing::PanelFixture f;
    QVERIFY(f.start(false));
    f.panel.reset();
    f.app.link.ComPortNumber = 0;
    std::unique_ptr<Panel> panel;
    QPointer<Port> port = StartUp(f.app, panel);
    QVERIFY(QTest::qWaitForWindowActive(port));
    key(Qt::Key_Return); // COM1 at once
    QVERIFY(panel);
    QCOMPARE(int(f.app.link.ComPortNumber), 1);
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    QVERIFY(waitUntil([&] { return !panel->LblValue->text().isEmpty(); }));

    // The focus is on nothing that talks to the meter: habitual Enters and Spaces go nowhere.
    for (QWidget* k : panel->LblCmd)
        QVERIFY(!k->hasFocus());
    QVERIFY(panel->grab().save(testing::artifactsDir() + QStringLiteral("/panel_at_start.png")));
    f.meter.clearLog();
    key(Qt::Key_Return);
    key(Qt::Key_Space);
    key(Qt::Key_Enter);
    testing::pumpFor(0.3);
    QVERIFY2(!f.meter.commandLetters().contains(QRegularExpression(QStringLiteral("[^AM]"))),
             qPrintable(f.meter.commandLetters()));
    QVERIFY(!f.app.recording.Recording);

    // The keys are still reached with Tab, and act once they have the focus.
    int tabs = 0;
    while (!panel->LblCmd[1]->hasFocus() && tabs++ < 30)
        key(Qt::Key_Tab);
    QVERIFY(panel->LblCmd[1]->hasFocus());
    f.meter.clearLog();
    key(Qt::Key_Space);
    QVERIFY(waitUntil([&] { return f.meter.commandLetters().contains(QLatin1Char('P')); }));
}

QTEST_MAIN(TestStartUp)
#include "test_start_up.moc"
