#include "platform/serial_control.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
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

} // namespace

void setSerialLineWrapper(SerialLineWrapper wrapper) {
    lineWrapper = std::move(wrapper);
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
        // Opened by us but refused by Qt: another program holds the device's lock.
        if (err == 0 && port_.error() == QSerialPort::PermissionError)
            error_ = openFailureReason(path, EBUSY, {});
        else
            error_ = openFailureReason(path, err, port_.errorString());
        return false;
    }
    const std::unique_ptr<SerialLine> line = lineWrapper ? lineWrapper(port_) : portLine(port_);
    const QString refused = applyLineSettings(*line, LineSettings{baud_, parity_, dataBits_, stopBits_});
    if (!refused.isEmpty()) {
        port_.close();
        error_ = refused;
        return false;
    }
    port_.clearError();
    port_.clear();
    error_.clear();
    ++openCount_;
    return true;
}

bool SerialControl::setPortOpen(bool open) {
    if (!open) {
        wanted_ = false;
        reopen_.stop();
        port_.close();
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
    port_.close();
    emit lost();
    // Keep trying to open it again by its name, so the program carries on once it is back.
    reopen_.start();
}

void SerialControl::tryReopen() {
    if (!wanted_ || port_.isOpen()) {
        reopen_.stop();
        return;
    }
    if (openDevice()) {
        reopen_.stop();
        emit restored();
    }
}

} // namespace platform
