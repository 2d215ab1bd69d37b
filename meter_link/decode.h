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

// Whether a frame with good markers holds what the meter can show. Frames carry no checksum, so a
// damaged byte between the markers would otherwise be shown and recorded as a reading. Sound:
// every clear-prompt frame (its digits are not read); a normal frame whose memory number is two
// digits or blanks and whose main value is one of
//  - "OL" (its digits are not read);
//  - a text of the meter's own: any digits, blanks and letters, no decimal point lit;
//  - a reading: blanks in front of digits only, at least one digit in front of a lit point, and,
//    in one of the four solar units, within the meter's range (2200 W/m2, 697.4 Btu/(ft2.h))
//    and no finer than its tenth of a W/m2 or Btu/(ft2.h).
// A letter beside a lit point, a blank between digits, a point finer than the unit's tenth or a
// reading beyond the range is damage. Units, and readings in other units, are not judged here.
bool IsSoundDisplayFrame(const QByteArray& frame);

// Runs the four flag decoders on bytes 2..5 of the frame.
void DecodeFrameFlags(DisplayState& d, const QByteArray& frame);

// The main value with its decimal point from four digit characters, or "OL" on overload.
QString MainValueText(const DisplayState& d, const QString& digits);

// Rebuilds DisplayUnitText from the unit flags and returns it.
QString BuildDisplayUnitText(DisplayState& d);

// The four unit texts recording, the live list and the live graph accept.
bool IsSolarUnit(const QString& unitText);
