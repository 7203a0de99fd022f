#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The plant's rules that several windows share, each in one place. The weekend test, the days of a month and
// the number texts are core/format.h (fmt::); the colours are base/colours.h.
namespace rules {

// ---- months and days of the time sheet ---------------------------------------------------------------------------

// The month names of the month lists ("Январь" .. "Декабрь"), January first.
QStringList monthNames();
// The years of the time sheet's year list: 2007 to the next year (at least to 2025).
QStringList yearList(int currentYear = QDate::currentDate().year());

// The column of a day in a time-sheet row (accounts_dep.h_tabel): "d1" .. "d31".
QString dayField(int day);
// The day of a day column (d1..d31); 0 for any other column.
int dayOfField(const QString& field);

// ---- products ------------------------------------------------------------------------------------------------------

// The product kind of an operation (oper.naimen): 0 "Готовая продукция", anything else "Заготовки".
QString productKindText(int naimen);
// The kinds in the order of their codes, as the lists that choose one show them.
QStringList productKindNames();
// The paint colour of a shift record as the reports show it after the operation: 0 (none) " ", 1 " (грунт)",
// any other n " (RAL: n)".
QString colourText(int color);

}  // namespace rules
