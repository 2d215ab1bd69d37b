// Bytes as the meter's layouts number them: from 1.
#pragma once

#include <QByteArray>
#include <QString>

// Byte n (1-based) of a buffer, 0 past its end.
int ByteAt(const QByteArray& buffer, int n);

// A byte as two upper-case hexadecimal digits (5 gives "05", 171 gives "AB").
QString Hex2(int value);
