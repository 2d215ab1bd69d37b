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
