// The serial link discipline: the flush and the memory-pointer query that comes before every
// command. The waits are the line's (MeterLine::pause and bytesWithin).
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
