// The serial link discipline: the flush, the wait that keeps the windows alive, and the
// memory-pointer query that comes before every command.
#pragma once

#include "meter_link/command_task.h"
#include "meter_link/records.h"

#include <QByteArray>

class MeterLine;
namespace platform {
class SerialControl;
}

// Reads and drops every waiting byte.
void Flush(platform::SerialControl& comm);

// Waits `seconds` while pumping events. A wait whose end would reach midnight ends after one pump.
// Commands never use it: they await MeterLine::pause, which leaves nothing on the stack.
void Delay(double seconds);

// The "A" exchange of a command: sets LoggerState::MemoryPointer from the meter's reply. False
// when the meter gave no usable reply in kCommandPointerSends sends.
Task<bool> ReadMemoryPointer(MeterLine& line);

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
