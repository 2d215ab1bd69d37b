#include "tools/standin/meter_display.h"

#include <QString>

#include <cmath>
#include <numbers>

namespace standin {

namespace {

constexpr double kWattsPerBtu = 3.1546;

// Four packed digits with the point flags of byte 2 (bits 4-6); false when it does not fit.
bool encode(double v, int decimals, quint16& digits, quint8& dpFlags) {
    for (int dec = decimals; dec >= 0; --dec) {
        const long long scaled = std::llround(v * std::pow(10.0, dec));
        if (scaled > 9999 || scaled < 0)
            continue;
        QString text = QString::number(scaled).rightJustified(dec + 1, QLatin1Char('0'));
        text = text.rightJustified(4, QLatin1Char(' '));
        digits = 0;
        for (QChar ch : text)
            digits = quint16(digits << 4 | (ch == QLatin1Char(' ') ? 0xC : ch.digitValue()));
        dpFlags = dec == 3 ? 0x10 : dec == 2 ? 0x20 : dec == 1 ? 0x40 : 0x00;
        return true;
    }
    return false;
}

} // namespace

quint8 bcd(int v) {
    return static_cast<quint8>(((v / 10) % 10) << 4 | (v % 10));
}

QByteArray makeFrame(quint8 flags1, quint8 flags2, quint8 flags3, quint8 flags4, quint8 mem, quint16 cal,
                     quint16 value, quint16 second) {
    QByteArray f;
    f.reserve(13);
    f.append(char(0x02));
    f.append(char(flags1));
    f.append(char(flags2));
    f.append(char(flags3));
    f.append(char(flags4));
    f.append(char(mem));
    for (quint16 pair : {cal, value, second}) {
        f.append(char(pair >> 8));
        f.append(char(pair & 0xFF));
    }
    f.append(char(0x03));
    return f;
}

MeterDisplay::MeterDisplay() {
    since_.start();
}

double MeterDisplay::liveW() const {
    const double t = since_.elapsed() / 1000.0;
    return 820.0 + 36.0 * std::sin(2 * std::numbers::pi * t / 60.0) +
           3.0 * std::sin(2 * std::numbers::pi * t / 7.0);
}

void MeterDisplay::tick() {
    if (mma_ == 0)
        return;
    const double w = liveW();
    maxW_ = std::max(maxW_, w);
    minW_ = std::min(minW_, w);
    sumW_ += w;
    ++statCount_;
}

void MeterDisplay::restartStats() {
    const double w = liveW();
    maxW_ = minW_ = sumW_ = w;
    statCount_ = 1;
}

double MeterDisplay::shownW() const {
    if (readMode_ && !memory_.isEmpty())
        return memory_.last();
    switch (mma_) {
    case 1:
        return maxW_;
    case 2:
        return minW_;
    case 3:
        return statCount_ > 0 ? sumW_ / statCount_ : liveW();
    default:
        break;
    }
    return hold_ ? heldW_ : liveW();
}

QByteArray MeterDisplay::frame(int clockSeconds) const {
    const quint8 memNumber = bcd(int(memory_.size()));
    if (clearPrompt_)
        return makeFrame(0, 0, 0, quint8(0x20 | (clearYes_ ? 0x40 : 0x80)), memNumber);

    quint8 f1 = 0, f2 = 0, f3 = 0, f4 = 0;
    if (hold_)
        f1 |= 0x01;
    if (mma_ == 1 || mma_ == 4)
        f1 |= 0x02;
    if (mma_ == 2 || mma_ == 4)
        f1 |= 0x04;
    if (mma_ == 3 || mma_ == 4)
        f1 |= 0x08;
    if (dash_)
        f1 |= 0x20;
    if (timeShown_)
        f1 |= 0x40;
    if (battery_)
        f1 |= 0x80;
    if (cal_)
        f2 |= 0x01;
    f2 |= 0x02; // the CAL factor's point
    if (!memory_.isEmpty())
        f2 |= 0x04;
    if (readMode_ && !memory_.isEmpty())
        f2 |= 0x08;

    const double w = shownW();
    double v = w;
    int decimals = 1;
    switch (unit_) {
    case 1:
        v = w / 1000.0;
        decimals = 3;
        f2 |= 0x80;
        f3 |= 0x05;
        break;
    case 2:
        v = w / kWattsPerBtu;
        f3 |= 0x80;
        f4 |= 0x03;
        break;
    case 3:
        v = w / kWattsPerBtu / 1000.0;
        decimals = 3;
        f3 |= 0xC0;
        f4 |= 0x03;
        break;
    case 4:
        v = w / 10.0;
        f3 |= 0x20;
        break;
    default:
        f3 |= 0x05;
        break;
    }
    quint16 value = 0xCCCC;
    quint8 dp = 0;
    if (encode(v, decimals, value, dp))
        f2 |= dp;
    else
        f4 |= 0x10;

    quint16 second = 0xCCCC;
    if (timeShown_) {
        const int secs = clockSeconds % 86400;
        second = quint16(bcd(secs / 3600) << 8 | bcd(secs / 60 % 60));
    }
    return makeFrame(f1, f2, f3, f4, memNumber, 0x1000, value, second);
}

void MeterDisplay::key(char c) {
    if (clearPrompt_) {
        switch (c) {
        case 'R':
        case 'P':
            clearYes_ = !clearYes_;
            break;
        case 'U':
            if (clearYes_) {
                memory_.clear();
                readMode_ = false;
            }
            clearPrompt_ = false;
            break;
        case 'I':
            clearPrompt_ = false;
            break;
        default:
            break;
        }
        return;
    }
    switch (c) {
    case 'H':
        hold_ = !hold_;
        heldW_ = liveW();
        break;
    case 'X':
        if (mma_ == 0)
            restartStats();
        mma_ = mma_ == 4 ? 1 : mma_ + 1;
        break;
    case 'E':
        mma_ = 0;
        break;
    case 'P':
        unit_ = (unit_ + 1) % 5;
        break;
    case 'R':
        readMode_ = !readMode_ && !memory_.isEmpty();
        break;
    case 'B':
        if (memory_.size() < 99)
            memory_.append(std::round(shownW() * 10.0) / 10.0);
        break;
    case 'I':
        clearPrompt_ = true;
        clearYes_ = true;
        break;
    case 'U':
        cal_ = !cal_;
        break;
    case 'C':
        dash_ = !dash_;
        break;
    case 'T':
        timeShown_ = !timeShown_;
        break;
    case 'O':
        battery_ = !battery_;
        break;
    default:
        break;
    }
}

} // namespace standin
