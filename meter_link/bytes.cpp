#include "meter_link/bytes.h"

int ByteAt(const QByteArray& b, int n) {
    return n >= 1 && n <= b.size() ? static_cast<unsigned char>(b[n - 1]) : 0;
}

QString Hex2(int v) {
    return (QStringLiteral("0") + QString::number(v & 0xFF, 16).toUpper()).right(2);
}
