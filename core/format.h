#pragma once

#include <QDate>
#include <QString>

// Number and date texts as the program shows them.
namespace fmt {

// The workstation's decimal separator (of the default locale).
QString decimalSeparator();

// Rounds to 4 decimal places: the nearest multiple of 0.0001, a tie (in decimal terms) going to the even digit.
double round4(double v);

// General decimal form: at most 15 significant digits, no trailing zeros, no thousands separator, the
// workstation's decimal separator.
QString general(double v);

// A number mask: "#0" (whole), "#0.00", "#0.000" (fixed places), "#0.00#" (two to three places) and the like:
// the count of '0' after the point is the fewest places, '#' adds optional ones. Rounds half away from zero.
QString mask(double v, const QString& mask);

// DD.MM.YYYY
QString date(const QDate& d);

bool isWeekend(const QDate& d);
int daysInMonth(int year, int month);

// The text without its trailing blanks (those of a fixed-width text column are not part of the value).
QString trimmedRight(const QString& s);

// Reads a number typed with either separator ("2,5" or "2.5"); ok is false for anything else.
double parseNumber(const QString& text, bool* ok);

}  // namespace fmt
