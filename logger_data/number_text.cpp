#include "logger_data/number_text.h"

#include <cfenv>
#include <cmath>

namespace {

QString withoutBlanks(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            s.append(c);
    return s;
}

// Length of the leading number in `s` (no blanks), 0 when there is none.
int leadingNumberLength(const QString& s, bool* hasDigits) {
    int i = 0;
    if (i < s.size() && s[i] == QLatin1Char('-'))
        ++i;
    bool digits = false;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        int j = i + 1;
        bool fraction = false;
        while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128) {
            ++j;
            fraction = true;
        }
        if (digits || fraction) {
            i = j;
            digits = true;
        }
    }
    *hasDigits = digits;
    return digits ? i : 0;
}

} // namespace

double LeadingNumber(const QString& text) {
    const QString s = withoutBlanks(text);
    bool digits = false;
    const int n = leadingNumberLength(s, &digits);
    if (!digits)
        return 0;
    QString number = s.left(n);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    // QString::toDouble reads the C locale's point whatever the user's locale is.
    return number.toDouble();
}

bool IsWholeNumberText(const QString& text) {
    const QString s = withoutBlanks(text);
    bool digits = false;
    return leadingNumberLength(s, &digits) == s.size() && digits;
}

double NumberOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QString)
        return LeadingNumber(value.toString());
    return value.toDouble();
}

double RoundHalfEven(double v) {
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(mode);
    return r;
}

QString ShortestNumber(double v) {
    if (v == 0)
        return QStringLiteral("0");
    return QString::number(v, 'g', 15).toUpper();
}
