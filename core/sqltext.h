#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QVariant>

// Building SQL texts from literal pieces and values. This is the only way user text reaches a statement.
namespace sql {

// A text value between apostrophes, apostrophes doubled (and backslashes escaped, so the value means the
// same whatever the server's standard_conforming_strings is).
QString quote(const QString& text);

// A whole number as plain decimal text.
inline QString num(qlonglong n) {
    return QString::number(n);
}
inline QString num(int n) {
    return QString::number(n);
}

// A fractional number with a point as separator (up to 15 significant digits, no trailing zeros).
QString num(double d);

// A date as DD.MM.YYYY (two-digit day and month, four-digit year).
QString date(const QDate& d);

// to_date('DD.MM.YYYY', 'DD.MM.YYYY')
QString toDate(const QDate& d);

// A value as an SQL literal: NULL, a number, a quoted text, or a quoted ISO date / date-time.
QString literal(const QVariant& v);

// Replaces the named parameters (":name") of a statement text by the literals of their values. Quoted texts,
// quoted identifiers and "::" casts are left alone; a parameter without a value becomes NULL.
QString bind(const QString& text, const QHash<QString, QVariant>& params);

}  // namespace sql
