#include "platform/serial_control.h"

#include <QFileInfo>
#include <QStringList>

namespace platform {

QString deviceForPort(int n) {
    if (n < 1 || n > 16)
        return {};
    const QByteArray env = qgetenv(QStringLiteral("VANTREL_COM%1").arg(n).toLatin1().constData());
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

SerialControl::SerialControl(QObject* parent) : QObject(parent), port_(this), reopen_(this) {
    port_.setObjectName(QStringLiteral("port"));
    reopen_.setInterval(500);
    connect(&reopen_, &QTimer::timeout, this, &SerialControl::tryReopen);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialControl::onError);
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

bool SerialControl::openDevice() {
    const QString dev = deviceForPort(commPort_);
    if (dev.isEmpty()) {
        error_ = QStringLiteral("no such port");
        return false;
    }
    // A link (as VANTREL_COMn may name) is opened through its target.
    const QFileInfo info(dev);
    port_.setPortName(info.isSymLink() ? info.symLinkTarget() : dev);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        return false;
    }
    port_.setBaudRate(baud_);
    port_.setParity(parity_);
    port_.setDataBits(dataBits_);
    port_.setStopBits(stopBits_);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
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
    if (!openDevice())
        return false;
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
    if (e != QSerialPort::ResourceError || !wanted_)
        return;
    // The device went away (adapter unplugged, the other end closed): close it and keep
    // trying to open it again, so the program carries on once it is back.
    port_.close();
    emit lost();
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
