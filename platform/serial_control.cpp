#include "platform/serial_control.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

namespace platform {

QString defaultDeviceForPort(int n) {
    if (n < 1 || n > 16)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    // Windows gives the built-in ports COM1-COM4 and adapters the numbers above them; here the
    // adapters most meter cables use (ttyUSB) get the most numbers.
    if (n <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (n <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 5);
    return QStringLiteral("/dev/ttyACM%1").arg(n - 13);
#endif
}

QString deviceForPort(int n) {
    if (n < 1 || n > 16)
        return {};
    const QByteArray env = qgetenv(QStringLiteral("VANTREL_COM%1").arg(n).toLatin1().constData());
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return defaultDeviceForPort(n);
}

QString openFailureReason(const QString& device, int err, const QString& qtReason) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("no such device");
    case EACCES:
    case EPERM: {
#ifdef Q_OS_UNIX
        struct stat st {};
        if (::stat(QFile::encodeName(device).constData(), &st) == 0)
            if (const group* g = ::getgrgid(st.st_gid))
                return QStringLiteral("permission denied (the device belongs to the group %1)")
                    .arg(QString::fromLocal8Bit(g->gr_name));
#endif
        return QStringLiteral("permission denied");
    }
    case EBUSY:
        return QStringLiteral("busy (another program has it open)");
    case 0:
        return qtReason;
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

QString lockFileFor(const QString& device) {
#ifdef Q_OS_UNIX
    // The serial port library's own choice: the name under /dev with '/' as '_', in the first of
    // these folders that is readable and holds the file already or may be written.
    static const char* const dirs[] = {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                                       "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* d : dirs) {
        const QString dir = QString::fromLatin1(d);
        const QString file = dir + QStringLiteral("/LCK..") + name;
        const QFileInfo info(dir);
        if (info.isReadable() && (QFile::exists(file) || info.isWritable()))
            return file;
    }
#else
    Q_UNUSED(device);
#endif
    return {};
}

QString lockedReason(const QString& device) {
    const QString busy = openFailureReason(device, EBUSY, {});
#ifdef Q_OS_UNIX
    const QString file = lockFileFor(device);
    if (file.isEmpty())
        return busy;
    qint64 pid = 0;
    QString host, app;
    if (!QLockFile(file).getLockInfo(&pid, &host, &app) || pid <= 0)
        return busy;
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return busy; // another machine's process: nothing to tell from here
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
        return busy;
    // The program that locked it is gone, but its lock stays: one of another user cannot be
    // removed by us, so the port would be "busy" for good.
    QString owner;
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
        if (const passwd* pw = ::getpwuid(st.st_uid))
            owner = QString::fromLocal8Bit(pw->pw_name);
        else
            owner = QString::number(st.st_uid);
    }
    return QStringLiteral("stale lock: process %1, which locked it, no longer runs; remove %2%3 to free it")
        .arg(pid)
        .arg(file, owner.isEmpty() ? QString() : QStringLiteral(" (it belongs to the user %1)").arg(owner));
#else
    return busy;
#endif
}

std::optional<DeviceIdentity> identifyDevice(const QString& name) {
    DeviceIdentity id;
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(name);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    const auto ctimeNs = [](const struct stat& s) -> qint64 {
#ifdef Q_OS_LINUX
        return qint64(s.st_ctim.tv_sec) * 1000000000 + s.st_ctim.tv_nsec;
#else
        return qint64(s.st_ctime) * 1000000000;
#endif
    };
    if (S_ISLNK(st.st_mode)) {
        id.isLink = true;
        id.linkDev = st.st_dev;
        id.linkIno = st.st_ino;
        id.linkCtimeNs = ctimeNs(st);
        if (::stat(path.constData(), &st) != 0)
            return std::nullopt;
    }
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.rdev = st.st_rdev;
    id.ctimeNs = ctimeNs(st);
#ifdef Q_OS_LINUX
    // The pseudo-terminals' own device numbers.
    id.pseudoTerminal = S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
#endif
#else
    if (!QFileInfo::exists(name))
        return std::nullopt;
#endif
    return id;
}

bool mayReopen(const DeviceIdentity& lost, const DeviceIdentity& now) {
    if (now.isLink && (!lost.isLink || now.linkDev != lost.linkDev || now.linkIno != lost.linkIno ||
                       now.linkCtimeNs != lost.linkCtimeNs))
        return true;
    return !now.pseudoTerminal;
}

QString applyLineSettings(SerialLine& line, const LineSettings& s) {
    if (!line.setBaudRate(s.baud) || line.baudRate() != s.baud)
        return QStringLiteral("the device refuses %1 baud").arg(s.baud);
    if (!line.setDataBits(s.dataBits) || line.dataBits() != s.dataBits)
        return QStringLiteral("the device refuses %1 data bits").arg(int(s.dataBits));
    if (!line.setParity(s.parity) || line.parity() != s.parity)
        return QStringLiteral("the device refuses the parity");
    if (!line.setStopBits(s.stopBits) || line.stopBits() != s.stopBits)
        return QStringLiteral("the device refuses the stop bits");
    if (!line.setFlowControl(QSerialPort::NoFlowControl) || line.flowControl() != QSerialPort::NoFlowControl)
        return QStringLiteral("flow control stays on");
    const bool dtr = line.setDataTerminalReady(true);
    const bool rts = line.setRequestToSend(false);
    const std::optional<QSerialPort::PinoutSignals> pins = line.pinoutSignals();
    if (!pins)
        return {}; // no modem lines to set
    if (!dtr || !pins->testFlag(QSerialPort::DataTerminalReadySignal))
        return QStringLiteral("DTR cannot be raised");
    if (!rts || pins->testFlag(QSerialPort::RequestToSendSignal))
        return QStringLiteral("RTS stays on");
    return {};
}

namespace {

class PortLine : public SerialLine {
public:
    explicit PortLine(QSerialPort& port) : port_(port) {}
    bool setBaudRate(qint32 baud) override { return port_.setBaudRate(baud); }
    qint32 baudRate() override { return port_.baudRate(); }
    bool setDataBits(QSerialPort::DataBits bits) override { return port_.setDataBits(bits); }
    QSerialPort::DataBits dataBits() override { return port_.dataBits(); }
    bool setParity(QSerialPort::Parity parity) override { return port_.setParity(parity); }
    QSerialPort::Parity parity() override { return port_.parity(); }
    bool setStopBits(QSerialPort::StopBits bits) override { return port_.setStopBits(bits); }
    QSerialPort::StopBits stopBits() override { return port_.stopBits(); }
    bool setFlowControl(QSerialPort::FlowControl flow) override { return port_.setFlowControl(flow); }
    QSerialPort::FlowControl flowControl() override { return port_.flowControl(); }
    bool setDataTerminalReady(bool on) override { return port_.setDataTerminalReady(on); }
    bool setRequestToSend(bool on) override { return port_.setRequestToSend(on); }
    std::optional<QSerialPort::PinoutSignals> pinoutSignals() override {
        const QSerialPort::PinoutSignals pins = port_.pinoutSignals();
        if (port_.error() == QSerialPort::UnsupportedOperationError) {
            port_.clearError();
            return std::nullopt;
        }
        return pins;
    }

private:
    QSerialPort& port_;
};

SerialLineWrapper lineWrapper;
std::function<void()> portClosedHook;

} // namespace

void setSerialLineWrapper(SerialLineWrapper wrapper) {
    lineWrapper = std::move(wrapper);
}

void setPortClosedHook(std::function<void()> hook) {
    portClosedHook = std::move(hook);
}

std::unique_ptr<SerialLine> portLine(QSerialPort& port) {
    return std::make_unique<PortLine>(port);
}

SerialControl::SerialControl(QObject* parent) : QObject(parent), port_(this), reopen_(this) {
    port_.setObjectName(QStringLiteral("port"));
    reopen_.setInterval(500);
    connect(&reopen_, &QTimer::timeout, this, &SerialControl::tryReopen);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialControl::onError);
    connect(&port_, &QSerialPort::readyRead, this, &SerialControl::readyRead);
}

bool SerialControl::setSettings(const QString& s) {
    const QStringList parts = s.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return false;
    const QString p = parts[1].trimmed().toLower();
    QSerialPort::Parity parity;
    if (p == QLatin1String("n"))
        parity = QSerialPort::NoParity;
    else if (p == QLatin1String("e"))
        parity = QSerialPort::EvenParity;
    else if (p == QLatin1String("o"))
        parity = QSerialPort::OddParity;
    else
        return false;
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return false;
    const QString stop = parts[3].trimmed();
    if (stop != QLatin1String("1") && stop != QLatin1String("2"))
        return false;
    settings_ = s;
    baud_ = baud;
    parity_ = parity;
    dataBits_ = static_cast<QSerialPort::DataBits>(data);
    stopBits_ = stop == QLatin1String("1") ? QSerialPort::OneStop : QSerialPort::TwoStop;
    if (port_.isOpen()) {
        port_.setBaudRate(baud_);
        port_.setParity(parity_);
        port_.setDataBits(dataBits_);
        port_.setStopBits(stopBits_);
    }
    return true;
}

namespace {

// The system's reason why the device cannot be opened, 0 when it can; Qt's own errors do not
// tell a missing device, a denied one and a busy one apart.
int probeOpen(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
#else
    Q_UNUSED(path);
#endif
    return 0;
}

} // namespace

bool SerialControl::openDevice() {
    const QString dev = deviceForPort(commPort_);
    if (dev.isEmpty()) {
        error_ = QStringLiteral("no such port");
        return false;
    }
    // A link (as VANTREL_COMn or /dev/serial/by-id may name) is resolved afresh at every open, so
    // a device that comes back elsewhere behind the same name is found.
    const QFileInfo info(dev);
    const QString path = info.isSymLink() ? info.canonicalFilePath() : dev;
    if (path.isEmpty()) {
        error_ = QStringLiteral("no such device");
        return false;
    }
    port_.setPortName(path);
    if (!port_.open(QIODevice::ReadWrite)) {
        const int err = probeOpen(path);
        // Opened by us but refused by Qt: a lock file holds the device.
        if (err == 0 && port_.error() == QSerialPort::PermissionError)
            error_ = lockedReason(path);
        else
            error_ = openFailureReason(path, err, port_.errorString());
        return false;
    }
    const std::unique_ptr<SerialLine> line = lineWrapper ? lineWrapper(port_) : portLine(port_);
    const QString refused = applyLineSettings(*line, LineSettings{baud_, parity_, dataBits_, stopBits_});
    if (!refused.isEmpty()) {
        closePort();
        error_ = refused;
        return false;
    }
    port_.clearError();
    port_.clear();
    error_.clear();
    opened_ = identifyDevice(dev);
    ++openCount_;
    return true;
}

SerialControl::~SerialControl() {
    closePort();
}

void SerialControl::closePort() {
    // The serial port library closes the device first and removes its lock after. On a
    // pseudo-terminal whose other end is gone, that close hands the terminal's number to the next
    // one made, whose program would find our lock still there and be told "busy". A second handle
    // held until the lock is gone keeps the number ours till then.
    if (!port_.isOpen())
        return;
#ifdef Q_OS_UNIX
    const int held = ::fcntl(port_.handle(), F_DUPFD_CLOEXEC, 0);
#endif
    port_.close();
    if (portClosedHook)
        portClosedHook();
#ifdef Q_OS_UNIX
    if (held >= 0)
        ::close(held);
#endif
}

bool SerialControl::setPortOpen(bool open) {
    if (!open) {
        wanted_ = false;
        reopen_.stop();
        closePort();
        return true;
    }
    if (wanted_)
        return true;
    if (!openDevice()) {
        // The user sees only "No device found"; a terminal tells why.
        const QString dev = deviceForPort(commPort_);
        std::fprintf(stderr, "vantrel: cannot open COM%d%s: %s\n", commPort_,
                     dev.isEmpty() ? "" : qPrintable(QStringLiteral(" (%1)").arg(dev)), qPrintable(error_));
        std::fflush(stderr);
        return false;
    }
    wanted_ = true;
    return true;
}

QByteArray SerialControl::input() {
    if (!port_.isOpen())
        return {};
    return inputLen_ > 0 ? port_.read(inputLen_) : port_.readAll();
}

void SerialControl::output(const QByteArray& bytes) {
    if (!port_.isOpen())
        return;
    port_.write(bytes);
    port_.flush(); // out on the line now, not at the next event pump
}

void SerialControl::output(const QString& text) {
    output(text.toLatin1());
}

int SerialControl::inBufferCount() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

void SerialControl::setInBufferCount(int n) {
    if (n == 0 && port_.isOpen())
        port_.readAll();
}

void SerialControl::onError(QSerialPort::SerialPortError e) {
    // A hang-up, an end of file or a failed read or write: the device went away (adapter
    // unplugged, the other end closed). Qt leaves its read notifier armed after a read error, so
    // the port must be closed or every event pump returns at once. Closed from the event loop,
    // not inside Qt's own read or write that reports the error.
    if (!wanted_ || losing_ || !port_.isOpen())
        return;
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError && e != QSerialPort::WriteError)
        return;
    losing_ = true;
    QMetaObject::invokeMethod(this, &SerialControl::loseDevice, Qt::QueuedConnection);
}

void SerialControl::loseDevice() {
    losing_ = false;
    if (!wanted_ || !port_.isOpen())
        return;
    closePort();
    emit lost();
    // Keep trying to open it again by its name, so the program carries on once it is back.
    reopen_.start();
}

void SerialControl::tryReopen() {
    if (!wanted_ || port_.isOpen()) {
        reopen_.stop();
        return;
    }
    // A name that leads to another program's terminal now is left alone until the device is back.
    if (mayReopenNow() && openDevice()) {
        reopen_.stop();
        emit restored();
    }
}

bool SerialControl::mayReopenNow() const {
    if (!opened_)
        return true;
    const std::optional<DeviceIdentity> now = identifyDevice(deviceForPort(commPort_));
    return now && mayReopen(*opened_, *now);
}

} // namespace platform
