// Turning a display frame's bytes into the display state. Plain functions, no window needed.
#pragma once

#include "meter_link/bytes.h"
#include "meter_link/records.h"

#include <QByteArray>
#include <QString>

constexpr int DisplayFrameLength = 13;

// Each sets the flags of its flag byte, bit 0 first. `value` is worked on by halving, as the
// meter's bit order is defined, and is left changed: pass a copy.
void DecodeFlags1(DisplayState& d, int& value);
void DecodeFlags2(DisplayState& d, int& value);
void DecodeFlags3(DisplayState& d, int& value);
void DecodeFlags4(DisplayState& d, int& value);

// Four characters from two packed-digit bytes; nibble C is a blank. Also stored in d.DigitText.
QString FormatDigits(DisplayState& d, int hi, int lo);

// A frame is good when byte 1 is 0x02 and byte 13 is 0x03; longer buffers are allowed.
bool IsDisplayFrame(const QByteArray& buffer);

// Runs the four flag decoders on bytes 2..5 of the frame.
void DecodeFrameFlags(DisplayState& d, const QByteArray& frame);

// The main value with its decimal point from four digit characters, or "OL" on overload.
QString MainValueText(const DisplayState& d, const QString& digits);

// Rebuilds DisplayUnitText from the unit flags and returns it.
QString BuildDisplayUnitText(DisplayState& d);

// The four unit texts recording, the live list and the live graph accept.
bool IsSolarUnit(const QString& unitText);
