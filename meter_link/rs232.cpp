#include "meter_link/rs232.h"

#include "meter_link/bytes.h"
#include "meter_link/meter_line.h"

#include "platform/serial_control.h"

void Flush(platform::SerialControl& comm) {
    comm.setInputLen(0);
    comm.input();
}

QString PortCaption(int portNumber) {
    return QStringLiteral("COM%1").arg(portNumber);
}

Task<bool> ReadMemoryPointer(MeterLine& line) {
    return line.readMemoryPointer(kCommandPointerSends);
}

bool IsMemoryPointerReply(const QByteArray& reply) {
    return reply.size() >= 6 && ByteAt(reply, 1) == 0x02 && ByteAt(reply, 2) == 0xAA &&
           ByteAt(reply, 6) == 0x03;
}

int MemoryPointerOf(const QByteArray& reply) {
    return ByteAt(reply, 3) * 65536 + ByteAt(reply, 4) * 256 + ByteAt(reply, 5);
}
