// How the program reads texts as numbers and writes numbers as texts.
#pragma once

#include <QString>
#include <QVariant>

// The decimal number the text starts with: blanks ignored, a point as the decimal separator, an
// optional leading minus; 0 when it starts with none ("OL", "----", "", "-").
double LeadingNumber(const QString& text);
// The text is one decimal number as a whole (blanks ignored), not merely led by one.
bool IsWholeNumberText(const QString& text);
// A value that holds a number or a text, by its number (a text by its leading number).
double NumberOf(const QVariant& value);
// To the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double v);
// A number in its shortest form ("2200", "697.4", "-1.5"), independent of the locale.
QString ShortestNumber(double v);
