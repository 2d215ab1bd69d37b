// The serial-port control: port number, settings text, open, binary reads and writes, count of
// waiting bytes. The program polls it; it raises no events of its own to the program, except
// that a device that goes away is closed and reopened in the background.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace platform {

// The fixed device of COMn (1..16) on this system; empty for other numbers. On Linux COM1-COM4
// are the PC's own ports /dev/ttyS0-3, COM5-COM12 the USB serial adapters /dev/ttyUSB0-7 and
// COM13-COM16 the modem-class USB devices /dev/ttyACM0-3; on Windows COMn is COMn.
QString defaultDeviceForPort(int portNumber);
// The device COMn opens: $VANTREL_COMn when it is set, else the fixed one.
QString deviceForPort(int portNumber);

// Why `device` could not be opened, in a few words ("no such device", "permission denied ...",
// "busy ..."), from the system's error number; `qtReason` when it says nothing better.
QString openFailureReason(const QString& device, int errorNumber, const QString& qtReason);

class SerialControl : public QObject {
    Q_OBJECT
public:
    explicit SerialControl(QObject* parent = nullptr);

    void setCommPort(int n) { commPort_ = n; }
    int commPort() const { return commPort_; }
    // "baud,parity,data,stop", e.g. "19200,n,8,1". Returns false for a text it cannot use.
    bool setSettings(const QString& settings);
    QString settings() const { return settings_; }

    // Opens the device of commPort(). Returns false when that fails, with the reason in
    // errorString() and on the program's standard error.
    bool setPortOpen(bool open);
    bool portOpen() const { return wanted_; }
    QString errorString() const { return error_; }

    // 0: one input() returns every waiting byte; n: at most n bytes.
    void setInputLen(int n) { inputLen_ = n; }
    int inputLen() const { return inputLen_; }
    QByteArray input();
    void output(const QByteArray& bytes);
    void output(const QString& text); // one byte per character (Latin-1)
    int inBufferCount() const;
    // Setting the count to 0 discards the waiting bytes.
    void setInBufferCount(int n);

    // True while the device is lost and being reopened.
    bool deviceLost() const { return wanted_ && !port_.isOpen(); }
    // Counts successful opens, so a wait can tell that a lost device came back.
    int openCount() const { return openCount_; }

signals:
    // Bytes arrived; waits and the poll react to it instead of polling the count.
    void readyRead();
    void lost();
    void restored();

private:
    void onError(QSerialPort::SerialPortError e);
    void loseDevice();
    void tryReopen();
    bool openDevice();

    QSerialPort port_;
    QTimer reopen_;
    int commPort_ = 0;
    QString settings_ = QStringLiteral("9600,n,8,1");
    qint32 baud_ = 9600;
    QSerialPort::Parity parity_ = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits_ = QSerialPort::Data8;
    QSerialPort::StopBits stopBits_ = QSerialPort::OneStop;
    int inputLen_ = 0;
    bool wanted_ = false;
    bool losing_ = false;
    int openCount_ = 0;
    QString error_;
};

} // namespace platform
