#pragma once

#include <QDate>
#include <QString>

class Db;

// Closed months: the database refuses every change of shift records, maintenance entries and time-sheet rows
// of a closed month (db/closed_months_audit.sql); the windows only show the state and switch their writing
// buttons off.
namespace closed_months {

// Whether the month of date is closed. A database that has no closed months yet (not upgraded) has none.
bool isClosed(Db& db, const QDate& date);

// "март 2024", as the database names a month in its messages.
QString caption(int year, int month);

// What a window shows on a day of a closed month.
inline QString closedText() {
    return QStringLiteral("Месяц закрыт");
}

}  // namespace closed_months
