// The serial-port control: port number, settings text, open, binary reads and writes, count of
// waiting bytes. The program polls it; it raises no events of its own to the program, except
// that a device that goes away is closed and reopened in the background.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

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

// The lock file that marks `device` as in use ("LCK.." and its name under /dev, in the first
// lock folder this user may use), where the serial port library takes it; empty when there is none.
QString lockFileFor(const QString& device);
// Why a device that opens is still refused by its lock: "busy (another program has it open)" while
// the process named in the lock runs, else that the lock is stale and how to clear it.
QString lockedReason(const QString& device);

// What a port's name led to when it was opened: the name's own link, if it is one, and the device
// node. After a loss this tells a device put back behind the name from one that merely took the
// lost device's number.
struct DeviceIdentity {
    bool isLink = false;
    quint64 linkDev = 0, linkIno = 0; // the link itself
    qint64 linkCtimeNs = 0;
    quint64 dev = 0, ino = 0, rdev = 0; // the node it leads to
    qint64 ctimeNs = 0;
    bool pseudoTerminal = false;
};
// The identity of `name` now; nullopt when it leads to nothing.
std::optional<DeviceIdentity> identifyDevice(const QString& name);
// Whether the device lost behind a name may be opened again now: after a link re-made since (a
// stand-in or an adapter's rule put a device behind it), or on a device that is not a
// pseudo-terminal (an adapter plugged in again gets its node back). A pseudo-terminal whose other
// end closed never comes back, and its number goes to whoever asks next, so a link left on that
// number leads to another program's terminal.
bool mayReopen(const DeviceIdentity& lost, const DeviceIdentity& now);

// What the control sets on an open device and reads back. The program's is the QSerialPort
// itself; tests give one that refuses a setting or has no modem lines.
class SerialLine {
public:
    virtual ~SerialLine() = default;
    virtual bool setBaudRate(qint32 baud) = 0;
    virtual qint32 baudRate() = 0;
    virtual bool setDataBits(QSerialPort::DataBits bits) = 0;
    virtual QSerialPort::DataBits dataBits() = 0;
    virtual bool setParity(QSerialPort::Parity parity) = 0;
    virtual QSerialPort::Parity parity() = 0;
    virtual bool setStopBits(QSerialPort::StopBits bits) = 0;
    virtual QSerialPort::StopBits stopBits() = 0;
    virtual bool setFlowControl(QSerialPort::FlowControl flow) = 0;
    virtual QSerialPort::FlowControl flowControl() = 0;
    virtual bool setDataTerminalReady(bool on) = 0;
    virtual bool setRequestToSend(bool on) = 0;
    // The modem lines as the device reports them; nullopt when it has none (a pseudo-terminal).
    virtual std::optional<QSerialPort::PinoutSignals> pinoutSignals() = 0;
};

struct LineSettings {
    qint32 baud = 19200;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Puts the meter's line on an open device: its settings, no flow control, DTR on and RTS off (an
// optically isolated cable draws its supply from DTR positive and RTS negative), and reads every
// one back. Empty when all took, else what did not, such as "RTS stays on". A device without
// modem lines is taken as it is.
QString applyLineSettings(SerialLine& line, const LineSettings& settings);

// Tests put a device of their own between the control and the port it opened; an empty function
// gives the port back.
using SerialLineWrapper = std::function<std::unique_ptr<SerialLine>(QSerialPort& port)>;
void setSerialLineWrapper(SerialLineWrapper wrapper);
// For tests: runs when a port has closed and released its lock, while the control still holds
// the device.
void setPortClosedHook(std::function<void()> hook);
// The program's own view of an opened port.
std::unique_ptr<SerialLine> portLine(QSerialPort& port);

class SerialControl : public QObject {
    Q_OBJECT
public:
    explicit SerialControl(QObject* parent = nullptr);
    ~SerialControl() override;

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
    // While the device is lost: whether its name now leads to a device it may open again.
    bool mayReopenNow() const;

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
    void closePort();

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
    std::optional<DeviceIdentity> opened_; // of the last open
    QString error_;
};

} // namespace platform
