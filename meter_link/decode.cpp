#include "meter_link/decode.h"

#include <array>

namespace {

// Sets the eight flags of one byte from bit 0 up; a null entry is a bit without a flag.
void decodeBits(int& value, const std::array<bool*, 8>& flags) {
    for (bool* f : flags) {
        if (f)
            *f = (value % 2) != 0;
        value /= 2;
    }
}

// The highest reading of each solar unit in ten-thousandths, and the most decimals it shows.
struct UnitRange {
    const char* unit;
    qint64 maxTenThousandths;
    int maxDecimals;
};
constexpr UnitRange kUnitRanges[] = {
    {"W/(M)2", 22'000'000, 1},
    {"KW/(M)2", 22'000, 3},
    {"Btu/((ft)2.h)", 6'974'000, 1},
    {"kBtu/((ft)2.h)", 6'974, 3},
};

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Decimals the lit point gives the main value: the first lit point counts, as it is painted.
int pointDecimals(const DisplayState& d) {
    return d.AnnDp1 ? 3 : d.AnnDp2 ? 2 : d.AnnDp3 ? 1 : 0;
}

bool isSoundMainValue(const DisplayState& d, const QString& digits) {
    const int decimals = pointDecimals(d);
    bool letter = false;
    for (QChar c : digits)
        letter = letter || (!isDigit(c) && c != QLatin1Char(' '));
    if (letter)
        return decimals == 0; // the meter's own texts carry no point
    qsizetype first = 0;
    while (first < digits.size() && !isDigit(digits[first]))
        ++first;
    if (first == digits.size())
        return decimals == 0; // a blank main value
    for (qsizetype i = first; i < digits.size(); ++i)
        if (!isDigit(digits[i]))
            return false; // a blank behind a digit: no number the meter writes
    if (first > digits.size() - 1 - decimals)
        return false; // no digit in front of the point
    const qint64 value = digits.mid(first).toLongLong();
    for (const UnitRange& r : kUnitRanges) {
        if (d.DisplayUnitText != QLatin1String(r.unit))
            continue;
        qint64 scale = 1;
        for (int i = decimals; i < 4; ++i)
            scale *= 10;
        return decimals <= r.maxDecimals && value * scale <= r.maxTenThousandths;
    }
    return true;
}

} // namespace

void DecodeFlags1(DisplayState& d, int& v) {
    decodeBits(
        v, {&d.AnnHold, &d.AnnMax, &d.AnnMin, &d.AnnAvg, nullptr, &d.AnnAutoDash, &d.AnnAutoDot, &d.AnnBT});
}

void DecodeFlags2(DisplayState& d, int& v) {
    decodeBits(v,
               {&d.AnnCal, &d.AnnCalDot, &d.AnnM, &d.AnnR, &d.AnnDp1, &d.AnnDp2, &d.AnnDp3, &d.AnnKiloUpper});
}

void DecodeFlags3(DisplayState& d, int& v) {
    decodeBits(v, {&d.AnnW, &d.AnnHourUpper, &d.AnnPerM2, &d.AnnPerHourUpper, &d.AnnPerDayUpper,
                   &d.AnnPercent, &d.AnnKiloLower, &d.AnnBtu});
}

void DecodeFlags4(DisplayState& d, int& v) {
    decodeBits(v, {&d.AnnPerFt2, &d.AnnDotH, &d.AnnPerHourLower, &d.AnnPerDayLower, &d.AnnOverload,
                   &d.AnnClearPrompt, &d.AnnYes, &d.AnnNo});
}

QString FormatDigits(DisplayState& d, int hi, int lo) {
    const QString s = Hex2(hi) + Hex2(lo);
    QString out;
    for (QChar c : s)
        out += c == QLatin1Char('C') ? QLatin1Char(' ') : c;
    d.DigitText = out;
    return out;
}

bool IsDisplayFrame(const QByteArray& b) {
    return b.size() >= DisplayFrameLength && ByteAt(b, 1) == 0x02 && ByteAt(b, 13) == 0x03;
}

bool IsSoundDisplayFrame(const QByteArray& frame) {
    DisplayState d;
    DecodeFrameFlags(d, frame);
    if (d.AnnClearPrompt)
        return true;
    const QString memory = FormatDigits(d, 0, ByteAt(frame, 6)).mid(2);
    for (QChar c : memory)
        if (!isDigit(c) && c != QLatin1Char(' '))
            return false;
    if (d.AnnOverload)
        return true;
    BuildDisplayUnitText(d);
    return isSoundMainValue(d, FormatDigits(d, ByteAt(frame, 9), ByteAt(frame, 10)));
}

void DecodeFrameFlags(DisplayState& d, const QByteArray& frame) {
    int v = ByteAt(frame, 2);
    DecodeFlags1(d, v);
    v = ByteAt(frame, 3);
    DecodeFlags2(d, v);
    v = ByteAt(frame, 4);
    DecodeFlags3(d, v);
    v = ByteAt(frame, 5);
    DecodeFlags4(d, v);
}

QString MainValueText(const DisplayState& d, const QString& digits) {
    if (d.AnnOverload)
        return QStringLiteral("OL");
    const QString D = digits.leftJustified(4, QLatin1Char(' '), true);
    if (d.AnnDp1)
        return D.left(1) + QLatin1Char('.') + D.mid(1, 3);
    if (d.AnnDp2)
        return D.left(2) + QLatin1Char('.') + D.mid(2, 2);
    if (d.AnnDp3)
        return D.left(3) + QLatin1Char('.') + D.mid(3, 1);
    return D;
}

QString BuildDisplayUnitText(DisplayState& d) {
    QString u;
    if (d.AnnKiloUpper)
        u += QLatin1Char('K');
    if (d.AnnW)
        u += QLatin1Char('W');
    if (d.AnnHourUpper)
        u += QLatin1Char('h');
    if (d.AnnPerM2)
        u += QStringLiteral("/(M)2");
    if (d.AnnPercent)
        u += QLatin1Char('%');
    if (d.AnnKiloLower)
        u += QLatin1Char('k');
    if (d.AnnBtu)
        u += QStringLiteral("Btu");
    if (d.AnnPerFt2)
        u += d.AnnDotH ? QStringLiteral("/((ft)2.h)") : QStringLiteral("/(ft)2");
    d.DisplayUnitText = u;
    return u;
}

bool IsSolarUnit(const QString& u) {
    return u == QLatin1String("KW/(M)2") || u == QLatin1String("W/(M)2") ||
           u == QLatin1String("kBtu/((ft)2.h)") || u == QLatin1String("Btu/((ft)2.h)");
}
