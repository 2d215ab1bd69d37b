// A display frame as the poll loop takes it off the line: the frame check, the flag decoders and
// the texts painted from it.
#include "meter_link/decode.h"
#include "tests/fuzz/fuzz_check.h"

#include <QRegularExpression>

namespace {

bool isDigitChar(QChar c) {
    return c == QLatin1Char(' ') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray frame = fuzzBytes(data, size);
    const bool good = IsDisplayFrame(frame);
    FUZZ_CHECK(good == (size >= 13 && data[0] == 0x02 && data[12] == 0x03));

    DisplayState d;
    DecodeFrameFlags(d, frame);
    // Memory number, CAL pair, main value, second pair, as the mirror paints them.
    const int pairs[][2] = {{0, 6}, {7, 8}, {9, 10}, {11, 12}};
    for (const auto& p : pairs) {
        const QString digits = FormatDigits(d, ByteAt(frame, p[0]), ByteAt(frame, p[1]));
        FUZZ_CHECK(digits.size() == 4 && d.DigitText == digits);
        for (const QChar c : digits)
            FUZZ_CHECK(isDigitChar(c));
        const QString value = MainValueText(d, digits);
        FUZZ_CHECK(value.size() == (d.AnnOverload ? 2 : d.AnnDp1 || d.AnnDp2 || d.AnnDp3 ? 5 : 4));
    }
    // A frame let through to the mirror never shows a letter or a gap in a number with a point.
    if (IsSoundDisplayFrame(frame) && !d.AnnClearPrompt && !d.AnnOverload) {
        const QString value = MainValueText(d, FormatDigits(d, ByteAt(frame, 9), ByteAt(frame, 10)));
        if (value.contains(QLatin1Char('.')))
            FUZZ_CHECK(QRegularExpression(QStringLiteral("^ *[0-9]+\\.[0-9]+$")).match(value).hasMatch());
    }
    const QString unit = BuildDisplayUnitText(d);
    FUZZ_CHECK(unit == d.DisplayUnitText && unit.size() <= 32);
    FUZZ_CHECK(!IsSolarUnit(unit) || unit.contains(QLatin1Char('/')));
    return 0;
}
