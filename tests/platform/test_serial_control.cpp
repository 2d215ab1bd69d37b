// The serial control's port numbers, the reasons it gives when a device cannot be opened, and
// which device it opens again after a loss.
#include "platform/serial_control.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_standin.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

Q_DECLARE_METATYPE(platform::DeviceIdentity)

using platform::defaultDeviceForPort;
using platform::deviceForPort;

namespace {

// The test program run again as a child: opens COM5 (set by the parent) and exits with 0 on
// success, 1 on failure; its standard error carries the reason.
constexpr const char* kChildMode = "VANTREL_TEST_OPEN_COM5";

int openAsChild() {
    platform::SerialControl com;
    com.setCommPort(5);
    return com.setSettings(QStringLiteral("19200,n,8,1")) && com.setPortOpen(true) ? 0 : 1;
}

// A device that takes what it is told except what a test says, and shows what it was told.
class FakeLine : public platform::SerialLine {
public:
    QString refuse; // "baud", "data", "parity", "stop", "flow", "dtr", "rts"
    bool modemLines = true;
    qint32 baud = 9600;
    QSerialPort::DataBits data = QSerialPort::Data7;
    QSerialPort::Parity par = QSerialPort::EvenParity;
    QSerialPort::StopBits stop = QSerialPort::TwoStop;
    QSerialPort::FlowControl flow = QSerialPort::HardwareControl;
    bool dtr = false, rts = true; // as a driver may leave them

    bool setBaudRate(qint32 b) override { return take("baud", baud, b); }
    qint32 baudRate() override { return baud; }
    bool setDataBits(QSerialPort::DataBits b) override { return take("data", data, b); }
    QSerialPort::DataBits dataBits() override { return data; }
    bool setParity(QSerialPort::Parity p) override { return take("parity", par, p); }
    QSerialPort::Parity parity() override { return par; }
    bool setStopBits(QSerialPort::StopBits b) override { return take("stop", stop, b); }
    QSerialPort::StopBits stopBits() override { return stop; }
    bool setFlowControl(QSerialPort::FlowControl f) override { return take("flow", flow, f); }
    QSerialPort::FlowControl flowControl() override { return flow; }
    bool setDataTerminalReady(bool on) override { return modemLines && take("dtr", dtr, on); }
    bool setRequestToSend(bool on) override { return modemLines && take("rts", rts, on); }
    std::optional<QSerialPort::PinoutSignals> pinoutSignals() override {
        if (!modemLines)
            return std::nullopt;
        QSerialPort::PinoutSignals pins;
        pins.setFlag(QSerialPort::DataTerminalReadySignal, dtr);
        pins.setFlag(QSerialPort::RequestToSendSignal, rts);
        return pins;
    }

private:
    // A refused setting says it took but stays as it was, as some drivers do.
    template <typename T> bool take(const char* name, T& field, T value) {
        if (refuse != QLatin1String(name))
            field = value;
        return true;
    }
};

// A pseudo-terminal of the test's own: the device end stays closed until someone opens it.
struct RawTerminal {
    int master = -1;
    QString path;
    RawTerminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        if (const char* name = ::ptsname(master))
            path = QString::fromLocal8Bit(name);
    }
    ~RawTerminal() { close(); }
    void close() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;
};

bool placeLink(const QString& link, const QString& target) {
    ::unlink(QFile::encodeName(link).constData());
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

platform::DeviceIdentity terminal(quint64 ino, qint64 ctime) {
    platform::DeviceIdentity id;
    id.dev = 25;
    id.rdev = (136u << 8) | 4u;
    id.ino = ino;
    id.ctimeNs = ctime;
    id.pseudoTerminal = true;
    return id;
}

platform::DeviceIdentity adapter(quint64 ino, qint64 ctime) {
    platform::DeviceIdentity id = terminal(ino, ctime);
    id.dev = 5;
    id.rdev = 188u << 8;
    id.pseudoTerminal = false;
    return id;
}

platform::DeviceIdentity behindLink(platform::DeviceIdentity id, quint64 linkIno, qint64 linkCtime) {
    id.isLink = true;
    id.linkDev = 40;
    id.linkIno = linkIno;
    id.linkCtimeNs = linkCtime;
    return id;
}

} // namespace

class TestSerialControl : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        qunsetenv("VANTREL_COM5");
        platform::setPortClosedHook({});
    }
    void fixedMapping_data();
    void fixedMapping();
    void environmentOverrides();
    void reasons_data();
    void reasons();
    void permissionDeniedIsReported();
    void lineSettings_data();
    void lineSettings();
    void refusedSettingFailsTheOpen();
    void reopenRule_data();
    void reopenRule();
    void reusedTerminalNumberIsNotReopened();
    void portHeldByARunningProgramIsBusy();
    void terminalNumberOutlivesTheLock();
    void staleLockSaysHowToClearIt();
};

void TestSerialControl::reopenRule_data() {
    using platform::DeviceIdentity;
    QTest::addColumn<DeviceIdentity>("lost");
    QTest::addColumn<DeviceIdentity>("now");
    QTest::addColumn<bool>("reopen");
    QTest::newRow("adapter plugged in again: its node made anew") << adapter(7, 100) << adapter(9, 200) << true;
    QTest::newRow("adapter behind a link that stayed")
        << behindLink(adapter(7, 100), 3, 50) << behindLink(adapter(9, 200), 3, 50) << true;
    // A terminal's number and node say nothing of who has it now: the node of a new terminal
    // keeps the number's inode, and its time may not even have moved on.
    QTest::newRow("a terminal by its own name") << terminal(7, 100) << terminal(7, 100) << false;
    QTest::newRow("a link that stayed, on a new terminal of that number")
        << behindLink(terminal(7, 100), 3, 50) << behindLink(terminal(7, 200), 3, 50) << false;
    QTest::newRow("a link that stayed, on another terminal")
        << behindLink(terminal(7, 100), 3, 50) << behindLink(terminal(8, 300), 3, 50) << false;
    QTest::newRow("the link made anew, same number")
        << behindLink(terminal(7, 100), 3, 50) << behindLink(terminal(7, 200), 4, 250) << true;
    QTest::newRow("the link made anew in the same inode")
        << behindLink(terminal(7, 100), 3, 50) << behindLink(terminal(8, 300), 3, 250) << true;
    QTest::newRow("a link now where the terminal's own name was")
        << terminal(7, 100) << behindLink(terminal(8, 300), 3, 250) << true;
}

void TestSerialControl::reopenRule() {
    QFETCH(platform::DeviceIdentity, lost);
    QFETCH(platform::DeviceIdentity, now);
    QFETCH(bool, reopen);
    QCOMPARE(platform::mayReopen(lost, now), reopen);
}

// A stand-in killed leaves its link on its terminal's number, which the system then gives to the
// next terminal anyone opens. The control must not open that one (another program's), and must
// open the device put back behind the link.
void TestSerialControl::reusedTerminalNumberIsNotReopened() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    auto first = std::make_unique<RawTerminal>();
    QVERIFY(!first->path.isEmpty());
    const QString number = first->path;
    QVERIFY(placeLink(link, number));
    qputenv("VANTREL_COM5", QFile::encodeName(link));
    platform::SerialControl com;
    com.setCommPort(5);
    QVERIFY(com.setSettings(QStringLiteral("19200,n,8,1")));
    QVERIFY2(com.setPortOpen(true), qPrintable(com.errorString()));

    first->close(); // killed: the link stays
    QVERIFY(testing::waitUntil([&] { return com.deviceLost(); }));
    // New terminals until one gets the lost number (the lowest free one goes out first), unless
    // another program took it meanwhile: the control must leave that one alone just the same.
    std::vector<std::unique_ptr<RawTerminal>> taken;
    for (int i = 0; i < 64; ++i) {
        taken.push_back(std::make_unique<RawTerminal>());
        if (taken.back()->path == number)
            break;
    }
    QVERIFY(!com.mayReopenNow());
    testing::pumpFor(1.2); // retries come every half second
    QVERIFY(com.deviceLost());

    // A stand-in started again behind the link, on the same number if it has it.
    QVERIFY(placeLink(link, taken.back()->path));
    QVERIFY(com.mayReopenNow());
    QVERIFY(testing::waitUntil([&] { return !com.deviceLost(); }));
    qunsetenv("VANTREL_COM5");
}

// Closing a port whose terminal's other end is gone frees the terminal's number. Were it freed
// before our lock went, the next program to get that number would be told "busy".
void TestSerialControl::terminalNumberOutlivesTheLock() {
    auto terminal = std::make_unique<RawTerminal>();
    QVERIFY(!terminal->path.isEmpty());
    const QString number = terminal->path;
    const QString lock = platform::lockFileFor(number);
    qputenv("VANTREL_COM5", QFile::encodeName(number));
    platform::SerialControl com;
    com.setCommPort(5);
    QVERIFY(com.setSettings(QStringLiteral("19200,n,8,1")));
    QVERIFY2(com.setPortOpen(true), qPrintable(com.errorString()));
    QVERIFY2(QFile::exists(lock), qPrintable(lock));
    terminal->close(); // our port alone holds the number now

    bool lockGone = false;
    bool numberHandedOut = false;
    platform::setPortClosedHook([&] {
        lockGone = !QFile::exists(lock);
        // New terminals take the lowest free numbers: one of them gets ours if it is free.
        std::vector<std::unique_ptr<RawTerminal>> taken;
        for (int i = 0; i < 64 && !numberHandedOut; ++i) {
            taken.push_back(std::make_unique<RawTerminal>());
            numberHandedOut = taken.back()->path == number;
        }
    });
    QVERIFY(com.setPortOpen(false));
    platform::setPortClosedHook({});
    QVERIFY(lockGone);
    QVERIFY2(!numberHandedOut, qPrintable(number + QStringLiteral(" went to a new terminal while locked")));
}

void TestSerialControl::portHeldByARunningProgramIsBusy() {
    standin::MeterStandIn meter;
    QVERIFY(meter.open());
    QSerialPort holder(meter.devicePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    // Where the serial port library keeps its lock is where the control looks.
    QVERIFY2(QFile::exists(platform::lockFileFor(meter.devicePath())),
             qPrintable(platform::lockFileFor(meter.devicePath())));
    qputenv("VANTREL_COM5", meter.devicePath().toLocal8Bit());
    testing::StderrCapture err;
    QCOMPARE(openAsChild(), 1);
    QVERIFY2(err.text().contains(QStringLiteral("cannot open COM5 (%1): busy (another program has it open)")
                                     .arg(meter.devicePath())),
             qPrintable(err.text()));
    holder.close();
    QCOMPARE(openAsChild(), 0);
}

// A program that died with the port open leaves its lock; when it belonged to another user this
// one cannot remove it, and must say so instead of "busy".
void TestSerialControl::staleLockSaysHowToClearIt() {
    if (geteuid() != 0)
        QSKIP("needs root to leave a lock the program's user cannot remove");
    standin::MeterStandIn meter;
    QVERIFY(meter.open());
    const QString device = meter.devicePath();
    QVERIFY(::chmod(QFile::encodeName(device).constData(), 0666) == 0); // open to the other user
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    QVERIFY(gone.waitForStarted(20000));
    const qint64 deadPid = gone.processId();
    QVERIFY(gone.waitForFinished(20000));

    const QString lock = platform::lockFileFor(device);
    QVERIFY(!lock.isEmpty() && !QFile::exists(lock));
    QFile file(lock);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(deadPid) + "\ntrue\n" + QSysInfo::machineHostName().toLocal8Bit() + "\n");
    file.close();
    QFile::setPermissions(lock, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildMode), QStringLiteral("1"));
    env.insert(QStringLiteral("VANTREL_COM5"), device);
    child.setProcessEnvironment(env);
    child.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    });
    child.start(QCoreApplication::applicationFilePath(), {});
    const bool finished = child.waitForFinished(20000);
    QFile::remove(lock);
    QVERIFY(finished);
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    QCOMPARE(child.exitCode(), 1);
    QVERIFY2(err.contains(QStringLiteral("cannot open COM5 (%1): stale lock: process %2, which locked it, no "
                                         "longer runs; remove %3 (it belongs to the user root) to free it")
                              .arg(device)
                              .arg(deadPid)
                              .arg(lock)),
             qPrintable(err));
}

void TestSerialControl::lineSettings_data() {
    QTest::addColumn<QString>("refuse");
    QTest::addColumn<bool>("modemLines");
    QTest::addColumn<QString>("reason");
    QTest::newRow("all take") << QString() << true << QString();
    QTest::newRow("no modem lines (a pseudo-terminal)") << QString() << false << QString();
    QTest::newRow("baud") << "baud" << true << "the device refuses 19200 baud";
    QTest::newRow("data bits") << "data" << true << "the device refuses 8 data bits";
    QTest::newRow("parity") << "parity" << true << "the device refuses the parity";
    QTest::newRow("stop bits") << "stop" << true << "the device refuses the stop bits";
    QTest::newRow("flow control") << "flow" << true << "flow control stays on";
    QTest::newRow("DTR") << "dtr" << true << "DTR cannot be raised";
    QTest::newRow("RTS") << "rts" << true << "RTS stays on";
}

void TestSerialControl::lineSettings() {
    QFETCH(QString, refuse);
    QFETCH(bool, modemLines);
    QFETCH(QString, reason);
    FakeLine line;
    line.refuse = refuse;
    line.modemLines = modemLines;
    QCOMPARE(platform::applyLineSettings(line, platform::LineSettings{}), reason);
    if (reason.isEmpty()) {
        QCOMPARE(line.baud, 19200);
        QCOMPARE(line.data, QSerialPort::Data8);
        QCOMPARE(line.par, QSerialPort::NoParity);
        QCOMPARE(line.stop, QSerialPort::OneStop);
        QCOMPARE(line.flow, QSerialPort::NoFlowControl);
        if (modemLines) {
            QVERIFY(line.dtr);  // the cable's positive supply
            QVERIFY(!line.rts); // and its negative one
        }
    }
}

void TestSerialControl::refusedSettingFailsTheOpen() {
    standin::MeterStandIn meter;
    QVERIFY(meter.open());
    qputenv("VANTREL_COM5", meter.devicePath().toLocal8Bit());
    platform::setSerialLineWrapper([](QSerialPort&) {
        auto line = std::make_unique<FakeLine>();
        line->refuse = QStringLiteral("rts");
        return line;
    });
    testing::StderrCapture err;
    platform::SerialControl com;
    com.setCommPort(5);
    QVERIFY(com.setSettings(QStringLiteral("19200,n,8,1")));
    const bool opened = com.setPortOpen(true);
    platform::setSerialLineWrapper({});
    QVERIFY(!opened);
    QVERIFY(!com.portOpen());
    QVERIFY2(
        err.text().contains(QStringLiteral("cannot open COM5 (%1): RTS stays on").arg(meter.devicePath())),
        qPrintable(err.text()));
    // The port itself, a pseudo-terminal without modem lines, opens.
    QVERIFY(com.setPortOpen(true));
}

void TestSerialControl::fixedMapping_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM0") << 0 << QString();
    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM4") << 4 << "/dev/ttyS3";
    QTest::newRow("COM5") << 5 << "/dev/ttyUSB0";
    QTest::newRow("COM12") << 12 << "/dev/ttyUSB7";
    QTest::newRow("COM13") << 13 << "/dev/ttyACM0";
    QTest::newRow("COM16") << 16 << "/dev/ttyACM3";
    QTest::newRow("COM17") << 17 << QString();
}

void TestSerialControl::fixedMapping() {
    QFETCH(int, port);
    QFETCH(QString, device);
    QCOMPARE(defaultDeviceForPort(port), device);
    QCOMPARE(deviceForPort(port), device);
}

void TestSerialControl::environmentOverrides() {
    qputenv("VANTREL_COM5", "/dev/serial/by-id/usb-meter");
    QCOMPARE(deviceForPort(5), QStringLiteral("/dev/serial/by-id/usb-meter"));
    QCOMPARE(deviceForPort(6), QStringLiteral("/dev/ttyUSB1")); // only that number
    qputenv("VANTREL_COM17", "/dev/ttyUSB0");
    QCOMPARE(deviceForPort(17), QString()); // no number beyond COM16
    qunsetenv("VANTREL_COM17");
}

void TestSerialControl::reasons_data() {
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << ENOENT << "no such device";
    QTest::newRow("unplugged") << ENXIO << "no such device";
    QTest::newRow("busy") << EBUSY << "busy (another program has it open)";
    QTest::newRow("denied") << EACCES << "permission denied (the device belongs to the group root)";
    QTest::newRow("nothing better") << 0 << "Qt's reason";
}

void TestSerialControl::reasons() {
    QFETCH(int, err);
    QFETCH(QString, reason);
    QTemporaryFile owned; // root's group, for the permission text
    QVERIFY(owned.open());
    if (getegid() != 0)
        reason.replace(QStringLiteral("group root"), QStringLiteral("group %1").arg(getegid()));
    QCOMPARE(platform::openFailureReason(owned.fileName(), err, QStringLiteral("Qt's reason")), reason);
}

// A terminal device the user may not open, as a serial device is for a user outside its group:
// the program runs as an unprivileged user on the stand-in's terminal (owned by root, group tty).
void TestSerialControl::permissionDeniedIsReported() {
    standin::MeterStandIn meter;
    QVERIFY(meter.open());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildMode), QStringLiteral("1"));
    env.insert(QStringLiteral("VANTREL_COM5"), meter.devicePath());
    child.setProcessEnvironment(env);
    if (geteuid() == 0)
        child.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
        });
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    QCOMPARE(child.exitCode(), 1);
    QVERIFY2(err.contains(QStringLiteral("cannot open COM5 (%1): permission denied").arg(meter.devicePath())),
             qPrintable(err));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kChildMode)) {
        QCoreApplication app(argc, argv);
        return openAsChild();
    }
    QCoreApplication app(argc, argv);
    TestSerialControl t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_serial_control.moc"
