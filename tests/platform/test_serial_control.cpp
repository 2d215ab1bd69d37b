// The serial control's port numbers and the reasons it gives when a device cannot be opened.
#include "platform/serial_control.h"
#include "tests/support/test_support.h"
#include "tools/standin/meter_standin.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <unistd.h>

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

} // namespace

class TestSerialControl : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("VANTREL_COM5"); }
    void fixedMapping_data();
    void fixedMapping();
    void environmentOverrides();
    void reasons_data();
    void reasons();
    void permissionDeniedIsReported();
};

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
    QVERIFY(child.waitForFinished(10000));
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
