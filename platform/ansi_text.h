// The text files' code page: Windows Western (1252), one byte per character. Its bytes 0x80 to
// 0x9F hold the euro sign, typographic quotes, dashes and a few letters; the five bytes it leaves
// undefined stand for the C1 control characters of the same number, so every byte reads back.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform {

// The character that an ANSI byte stands for.
char16_t ansiToUnicode(unsigned char byte);
QString fromAnsi(QByteArrayView bytes);
// Appends the UTF-8 form of ANSI `bytes` to `utf8`.
void appendAnsiAsUtf8(QByteArray& utf8, QByteArrayView bytes);
// The ANSI bytes of a text; a character the code page lacks becomes '?'.
QByteArray toAnsi(QStringView text);

} // namespace platform
