#pragma once

// Maintenance work (accounts_dep.fatigue) and its time-sheet rows: the statements, the day-cell update after a
// save or a delete, and the average piece rate. Used by the maintenance journal and its entry dialog.

#include <QDate>
#include <QString>
#include <QStringList>

#include "base/day_cells.h"
#include "base/write_outcome.h"

class Db;
class TDataModule6;

namespace maint {

// The two work kinds (vid_oper.id, fatigue.id_o, h_tabel.i_type).
inline constexpr int kMaintenance = day_cells::kMaintenance;  // "хоз. работы": paid at the kind's norm price
inline constexpr int kAverageRate = day_cells::kAverageRate;  // "ср. сдельная": paid at the worker's average piece rate

// One maintenance entry as the dialog saves it.
struct Entry {
    int group = 0;     // id_nom
    int kind = 0;      // id_o
    int worker = 0;    // id_p
    QDate date;        // d_date (with i_mnth, i_year)
    int shift = 1;     // i_smena
    int hours = 0;     // cnt
    double price = 0;  // price of one hour, already doubled for a day off
    int holiday = 0;   // i_holiday
    int night = 0;     // i_night
};

// ---- statements -----------------------------------------------------------------------------------------------

QStringList dayListSql();   // the journal's day list, parameter :d_date
QStringList typeWorkSql();  // the dialog's work kinds with their hourly price, parameter :cnt

QString insertEntrySql(const Entry& e);
QString updateEntrySql(int id, const Entry& e);  // date, month, year and shift stay
QString deleteEntrySql(int id);

// Sets the hourly price of every average-piece-rate entry of the month to the worker's piece earnings per hour
// over his shift records of that month in the entry's nomenclature group.
QString averageRateSql(int month, int year);

// ---- actions on the data module's connection ------------------------------------------------------------------

// The day cell of a maintenance entry's time-sheet row.
inline day_cells::Cell cellOf(const Entry& e) {
    return day_cells::Cell::maintenance(e.worker, e.kind, e.night, e.date);
}

// Saves an entry (id 0: a new one, otherwise the change of entry id) and its time-sheet cell in one transaction.
// A change keeps the entry's date; when it moves the entry to another worker, kind or night flag it also
// corrects the cell it left. Nothing is written when the entry to change no longer exists (NotFound) or when the
// day cell would hold more than 24 hours (Refused).
WriteOutcome saveEntry(TDataModule6& dm, const Entry& e, int id);

// Deletes entry id and corrects its time-sheet cell in one transaction. NotFound when the entry no longer exists.
WriteOutcome deleteEntry(TDataModule6& dm, int id);

// The average piece rate of month/year into the entries of kind 7778.
void computeAverageRate(TDataModule6& dm, int month, int year);

}  // namespace maint
