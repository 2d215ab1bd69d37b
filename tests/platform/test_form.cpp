// The window base: a window unloaded while its own nested loop runs stays alive, hidden, until
// that code is done, and is deleted after.
#include "platform/form.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

namespace {

class Window : public platform::Form {
public:
    int unloads = 0;
    int* deleted = nullptr;
    ~Window() override {
        if (deleted)
            ++*deleted;
    }

protected:
    void Form_Unload() override { ++unloads; }
};

void runDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A nested loop as a message box runs it, in which `inside` runs as a timer event does.
void nestedLoop(const std::function<void()>& inside) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, inside);
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

class TestForm : public QObject {
    Q_OBJECT
private slots:
    void unload_data();
    void unload();
};

void TestForm::unload_data() {
    QTest::addColumn<int>("holds");      // holds taken, one inside the other, around the nested loop
    QTest::addColumn<bool>("userClose"); // closed through its frame instead of Unload()
    QTest::newRow("free, Unload") << 0 << false;
    QTest::newRow("free, closed by the user") << 0 << true;
    QTest::newRow("held, Unload") << 1 << false;
    QTest::newRow("held twice, closed by the user") << 2 << true;
}

void TestForm::unload() {
    QFETCH(int, holds);
    QFETCH(bool, userClose);
    int deleted = 0;
    auto* raw = new Window;
    raw->deleted = &deleted;
    QPointer<Window> w(raw);
    w->show();
    int signals_ = 0;
    connect(raw, &platform::Form::unloaded, [&] { ++signals_; });
    const auto unloadIt = [&] {
        if (userClose)
            w->close();
        else
            w->Unload();
        w->Unload(); // a second unload does nothing more
    };

    if (holds == 0) {
        unloadIt();
    } else {
        platform::Form::Hold outer(*w);
        std::optional<platform::Form::Hold> inner;
        if (holds > 1)
            inner.emplace(*w);
        nestedLoop(unloadIt);
        QVERIFY(w); // not freed under its own code
        QVERIFY(outer.gone());
        QVERIFY(!w->isVisible());
        QCOMPARE(deleted, 0);
        inner.reset();
        runDeletes();
        QVERIFY(w); // still held by the outer hold
    }
    QCOMPARE(signals_, 1);
    QCOMPARE(raw->unloads, 1);
    runDeletes();
    QVERIFY(!w);
    QCOMPARE(deleted, 1);
}

QTEST_MAIN(TestForm)
#include "test_form.moc"
