#pragma once

// Maintenance work (accounts_dep.fatigue) and its time-sheet rows: the statements, the day-cell update after a
// save or a delete, and the average piece rate. Used by the maintenance journal and its entry dialog.

#include <QDate>
#include <QString>
#include <QStringList>
#include <compare>

class Db;
class TDataModule6;

namespace maint {

// The two work kinds (vid_oper.id, fatigue.id_o, h_tabel.i_type).
inline constexpr int kMaintenance = 7777;  // "хоз. работы": paid at the kind's norm price
inline constexpr int kAverageRate = 7778;  // "ср. сдельная": paid at the worker's average piece rate

// One day cell of a maintenance time-sheet row: the row is keyed by worker, kind, month, year and night flag,
// the cell by the day of the month.
struct CellKey {
    int worker = 0;
    int kind = 0;
    int night = 0;
    QDate date;

    bool operator==(const CellKey& o) const {
        return worker == o.worker && kind == o.kind && night == o.night && date == o.date;
    }
    bool operator<(const CellKey& o) const {
        if (worker != o.worker)
            return worker < o.worker;
        if (kind != o.kind)
            return kind < o.kind;
        if (night != o.night)
            return night < o.night;
        return date < o.date;
    }
};

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

QString rowCountSql(const CellKey& k);                         // count of the time-sheet rows of the key (cnt)
QString hoursSumSql(const CellKey& k);                         // the hours of the key's entries of that day (tim)
QString rowInsertSql(const CellKey& k, int hours);             // a new row with only that day's cell
QString rowUpdateSql(const CellKey& k, int hours);             // the day cell, after a save
QString rowUpdateAfterDeleteSql(const CellKey& k, int hours);  // the day cell, after a delete

// Sets the hourly price of every average-piece-rate entry of the month to the worker's piece earnings per hour
// over his shift records of that month in the entry's nomenclature group.
QString averageRateSql(int month, int year);

// Serialises, between workstations, everything that reads and writes the time-sheet row of the key.
QString lockSql(const CellKey& k);

// ---- actions on the data module's connection ------------------------------------------------------------------

// Brings the key's day cell to the hours of its entries, inserting the row when it is missing.
void updateCellAfterSave(TDataModule6& dm, const CellKey& k);
// Brings the key's day cell to the hours of its remaining entries; a missing row stays missing.
void updateCellAfterDelete(TDataModule6& dm, const CellKey& k);

// Saves an entry (id 0: a new one, otherwise the change of entry id) and its time-sheet cell in one transaction.
// A change that moves the entry to another worker, kind or night flag also corrects the cell it left. False (and
// nothing written) when the entry to change no longer exists.
bool saveEntry(TDataModule6& dm, const Entry& e, int id);

// Deletes entry id and corrects its time-sheet cell in one transaction. False when the entry no longer exists.
bool deleteEntry(TDataModule6& dm, int id);

// The average piece rate of month/year into the entries of kind 7778.
void computeAverageRate(TDataModule6& dm, int month, int year);

}  // namespace maint
