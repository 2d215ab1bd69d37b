// The serial link discipline: the flush, the two waits that keep the windows alive, and the
// memory-pointer query that comes before every command.
#pragma once

#include "meter_link/records.h"

#include <QByteArray>

class QLabel;
namespace platform {
class SerialControl;
}

// What the link helpers use of the main window and of the records.
struct MeterLink {
    platform::SerialControl* COM = nullptr;
    QLabel* LblCOM = nullptr;
    LinkState* link = nullptr;
    LoggerState* logger = nullptr;
    // Pointer queries begun; every command exchange starts with one, so the poll loop sees from
    // it that a command ran (and may have paused the display stream).
    int exchanges = 0;
};

// Reads and drops every waiting byte.
void Flush(platform::SerialControl& comm);

// Waits `seconds` while pumping events. A wait whose end would reach midnight ends after one pump.
void Delay(double seconds);

// Shows "No COM" and pumps events until a byte is waiting (or a lost device is back), then
// shows "COM" and the port number. The bytes are left waiting.
void WaitForMeter(MeterLink& m);

// The "A" exchange: sets m.logger->MemoryPointer from the meter's reply.
void ReadMemoryPointer(MeterLink& m);

// A reply to "A" is usable when it has at least 6 bytes: 0x02, 0xAA, the end address in three
// bytes high first, 0x03. Bytes after the sixth are ignored.
bool IsMemoryPointerReply(const QByteArray& reply);
// The end address a usable reply carries, 0 to 0xFFFFFF.
int MemoryPointerOf(const QByteArray& reply);

// "COM3" for port 3.
QString PortCaption(int portNumber);

constexpr double kDelayShort = 0.02;
constexpr double kDelayDump = 0.2;
constexpr int kMaxPointerSends = 1000;
