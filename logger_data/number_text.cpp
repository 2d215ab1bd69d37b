#include "logger_data/number_text.h"

#include <QLatin1StringView>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace {

QString withoutBlanks(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            s.append(c);
    return s;
}

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Length of the leading number in `s` (no blanks), 0 when there is none.
template <typename Text> int leadingNumberLength(const Text& s, bool* hasDigits) {
    int i = 0;
    if (i < s.size() && QChar(s[i]) == QLatin1Char('-'))
        ++i;
    bool digits = false;
    while (i < s.size() && isAsciiDigit(QChar(s[i]))) {
        ++i;
        digits = true;
    }
    if (i < s.size() && QChar(s[i]) == QLatin1Char('.')) {
        int j = i + 1;
        bool fraction = false;
        while (j < s.size() && isAsciiDigit(QChar(s[j]))) {
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
    // Plots read this for every record: the characters a number can hold, blanks skipped, go to
    // a plain byte string; the number ends at any other character.
    std::string s;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u' ' || u == u'\t')
            continue;
        if (!((u >= u'0' && u <= u'9') || u == u'-' || u == u'.'))
            break;
        s.push_back(static_cast<char>(u));
    }
    bool digits = false;
    const int n = leadingNumberLength(QLatin1StringView(s.data(), static_cast<qsizetype>(s.size())), &digits);
    if (!digits)
        return 0;
    s.resize(static_cast<size_t>(n));
    if (s.back() == '.')
        s.pop_back();
    // Read with a point whatever the user's locale is.
    double value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error == std::errc() && end == s.data() + s.size())
        return value;
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())).toDouble();
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
