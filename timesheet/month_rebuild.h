#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

class Db;

// Rebuilding a month of the piece-work time sheet (accounts_dep.h_tabel) from the shift records.
namespace timesheet {

// Called for each day of the month with the day's number (1..days) once that day's cells are written.
using DayProgress = std::function<void(int day)>;

// Rows that the rebuild replaces: every time-sheet row of the month except the maintenance rows (kinds 7777 and
// 7778), which the rebuild keeps as they are.
QString pieceRowsCondition();

// The set-based rebuild: in one transaction the month's piece-work rows are deleted, the hours of each day are
// summed for all workers and shifts at once (one statement per day, progress reported after each), and one
// statement adds the rows again with all their day cells. Afterwards each
// worker has one row per shift number with records in the month; day i of it holds the sum of the hours of his
// records of that shift dated day i, NULL for a day without records. Records without a worker or a shift number
// belong to no row and are left out. On an error the month stays as it was and the error is thrown on.
void rebuildMonth(Db& db, int month, int year, const DayProgress& progress = {});

// The same rebuild done the straightforward way, one lookup and one update or insert per worker, shift and day
// (the day query of the time sheet window, "select smena, w_id, sum(time) as tim ..."). Same rows as
// rebuildMonth(); kept to prove that and to measure the difference.
void rebuildMonthPerRow(Db& db, int month, int year, const DayProgress& progress = {});

// The statements of rebuildMonth(): one day's hours into the scratch table, and the month's rows from it.
QString dayStatement(const QDate& date);
QString monthStatement(int month, int year);

}  // namespace timesheet
