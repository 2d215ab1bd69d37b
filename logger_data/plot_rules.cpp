#include "logger_data/plot_rules.h"

#include <QLocale>

double LeadingNumber(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            s.append(c);

    qsizetype i = 0;
    QString number;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        number.append(s[i++]);
    bool digits = false;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        number.append(s[i++]);
        digits = true;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        number.append(s[i++]);
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
            number.append(s[i++]);
            digits = true;
        }
    }
    if (!digits)
        return 0;
    bool ok = false;
    const double v = QLocale::c().toDouble(number, &ok);
    return ok ? v : 0;
}

QString PlainNumberText(double value, int digits) {
    // Locale-free, shortest form: trailing zeros and a trailing point dropped.
    return QString::number(value, 'g', digits);
}

QString PlainNumberText(const QVariant& value) {
    if (value.typeId() == QMetaType::Float)
        return PlainNumberText(value.toDouble(), 7);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return PlainNumberText(value.toDouble(), 15);
}

ReadingRange ClassifyPlotReading(const QString& text, double min, double max) {
    const double v = LeadingNumber(text);
    if (text == QLatin1String("OL") || text == QLatin1String("----") || v > max)
        return ReadingRange::Over;
    if (text == QLatin1String("-OL") || v < min)
        return ReadingRange::Under;
    return ReadingRange::Inside;
}

double PlotReadingHeight(const QString& text, double min, double max, double h) {
    switch (ClassifyPlotReading(text, min, max)) {
    case ReadingRange::Over:
        return h + 5;
    case ReadingRange::Under:
        return -3;
    case ReadingRange::Inside:
        break;
    }
    return h * (LeadingNumber(text) - min) / (max - min);
}

TimeMark PlotTimeMark(long long k, long long n) {
    if (k == 1)
        return TimeMark::Label;
    for (long long j = 1; j <= 4; ++j)
        if (k == j * n / 4)
            return TimeMark::Label;
    for (long long j = 1; j <= 8; ++j)
        if (k == j * n / 8)
            return TimeMark::Tick;
    return TimeMark::None;
}

QString PlotProgressCaption(long long row) {
    return QString::number(row) + QStringLiteral(" Records Completed");
}

bool PlotBelowMinimumSize(double outerWidthTwips, double outerHeightTwips) {
    return outerWidthTwips < PlotMinOuterWidthTwips || outerHeightTwips < PlotMinOuterHeightTwips;
}

QString CheckPlotRange(const PlotState& plot, double t1, double t2, double r1, double r2) {
    const double minAllowed = plot.ValueMinAllowed.toDouble();
    const double maxAllowed = plot.ValueMaxAllowed.toDouble();
    if (t1 < minAllowed || t1 >= t2 || t2 > maxAllowed)
        return QStringLiteral("Invalid, ") + PlainNumberText(plot.ValueMinAllowed) +
               QStringLiteral(" <= Temperature <= ") + PlainNumberText(plot.ValueMaxAllowed);
    if (r1 <= 0 || r1 >= r2 || r2 > plot.RecordCount)
        return QStringLiteral("Invalid, 0 <= Records <= ") + PlainNumberText(plot.RecordCount, 7);
    return {};
}
