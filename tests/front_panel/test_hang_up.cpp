// A meter whose line goes away while the program runs: the stand-in runs as a process of its own,
// so its pseudo-terminal really closes when it ends, as a pulled USB adapter does. The program
// must show "No COM", spin no core while the device is gone, and open the device again by its
// name (a link that the next stand-in points at its new terminal) once it is back.
#include "front_panel/panel.h"
#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using testing::waitUntil;

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// build/tools/meter_standin beside build/tests/.
QString standinProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/meter_standin");
}

// Starts the stand-in with its device behind `link`; true once the link is in place.
bool startStandin(QProcess& p, const QString& link) {
    p.setProgram(standinProgram());
    p.setArguments({QStringLiteral("--link"), link, QStringLiteral("--period"), QStringLiteral("50")});
    p.setStandardErrorFile(QProcess::nullDevice()); // its log of commands
    p.start();
    return p.waitForStarted(20000) && p.waitForReadyRead(20000) && p.readLine().trimmed() == link.toLocal8Bit();
}

// A handle on a terminal keeps its number from going to a new terminal, even after its other
// end is gone; tests running beside this one then never get the dead terminal's number.
struct HeldTerminal {
    int fd = -1;
    explicit HeldTerminal(const QString& path)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~HeldTerminal() {
        if (fd >= 0)
            ::close(fd);
    }
    HeldTerminal(const HeldTerminal&) = delete;
    HeldTerminal& operator=(const HeldTerminal&) = delete;
};

} // namespace

class TestHangUp : public QObject {
    Q_OBJECT
private slots:
    void deviceGoesAndComesBack_data();
    void deviceGoesAndComesBack();
};

void TestHangUp::deviceGoesAndComesBack_data() {
    QTest::addColumn<bool>("kill");
    // Ended: the stand-in removes its link. Killed: the link is left pointing at a dead terminal.
    QTest::newRow("stand-in ended") << false;
    QTest::newRow("stand-in killed") << true;
}

void TestHangUp::deviceGoesAndComesBack() {
    QFETCH(bool, kill);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    QProcess first;
    QVERIFY(startStandin(first, link));
    qputenv("VANTREL_COM1", link.toLocal8Bit());
    // Taken before the program opens it, which then keeps newer openers out.
    const HeldTerminal held(link);
    QVERIFY(held.fd >= 0);

    AppState app;
    app.link.ComPortNumber = 1;
    testing::MessageCapture messages;
    testing::EndCapture ends;
    Panel panel(app);
    int frames = 0;
    connect(&panel, &Panel::framePainted, [&] { ++frames; });
    QVERIFY(panel.Form_Load());
    QVERIFY(waitUntil([&] { return frames > 3; }));

    // The program's waits may be nested inside one another while the device is gone, so what
    // happens meanwhile is watched from timers, which run inside any wait.
    QString labelWhileGone;
    double cpuWhileGone = -1;
    bool secondStarted = false;
    int framesBeforeReturn = 0;
    QProcess second;
    QElapsedTimer wall;
    double cpu0 = 0;

    if (kill)
        first.kill();
    else
        first.terminate();
    QVERIFY(first.waitForFinished(5000));

    QTimer::singleShot(500, [&] {
        wall.start();
        cpu0 = cpuSeconds();
    });
    QTimer::singleShot(3000, [&] {
        cpuWhileGone = (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
        labelWhileGone = panel.LblCOM->text();
        framesBeforeReturn = frames;
        secondStarted = startStandin(second, link);
    });
    // A stalled program would never give control back here: end the test instead of hanging.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [&] {
        std::fprintf(stderr, "FAIL: the program never recovered from the hang-up\n");
        second.kill();
        std::_Exit(1);
    });
    watchdog.start(45000);

    QVERIFY(waitUntil([&] { return secondStarted && frames > framesBeforeReturn + 3; }, 40.0));
    watchdog.stop();
    QCOMPARE(labelWhileGone, QStringLiteral("No COM"));
    QVERIFY2(cpuWhileGone >= 0 && cpuWhileGone < 0.2,
             qPrintable(QStringLiteral("%1 of a core while the device was gone").arg(cpuWhileGone)));
    QCOMPARE(panel.LblCOM->text(), QStringLiteral("COM1"));
    QVERIFY(messages.boxes.isEmpty());
    QVERIFY(ends.codes().isEmpty());

    panel.Timer1.stop();
    second.terminate();
    second.waitForFinished(5000);
}

QTEST_MAIN(TestHangUp)
#include "test_hang_up.moc"
