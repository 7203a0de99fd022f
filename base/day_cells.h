#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <tuple>
#include <vector>

class TDataModule6;

// Keeps the day cells of the monthly time sheet (accounts_dep.h_tabel, columns d1..d31) equal to the hours
// recorded for them: a piece-work row (worker, shift 1..4, month, year) sums the hours of the shift records of
// that shift, a maintenance row (worker, kind 7777 or 7778, night flag, month, year) the hours of the
// maintenance entries of that kind and night flag.
namespace day_cells {

// The two maintenance work kinds (vid_oper.id, fatigue.id_o, h_tabel.i_type).
inline constexpr int kMaintenance = 7777;
inline constexpr int kAverageRate = 7778;

// The most hours one day cell may hold.
inline constexpr int kMaxDayHours = 24;

// One day cell: its row and the day of the date.
struct Cell {
    int worker = 0;
    int shift = 0;  // piece-work rows: 1..4; 0 for a maintenance row
    int kind = 0;   // maintenance rows: 7777 or 7778; 0 for a piece-work row
    int night = 0;  // maintenance rows: the night flag
    QDate date;

    static Cell piece(int worker, int shift, const QDate& date) { return {worker, shift, 0, 0, date}; }
    static Cell maintenance(int worker, int kind, int night, const QDate& date) {
        return {worker, 0, kind, night, date};
    }
    bool isMaintenance() const { return kind != 0; }

    // The row the cell belongs to, and the order in which rows are locked.
    auto rowKey() const { return std::tuple(worker, shift, kind, night, date.year(), date.month()); }
    auto key() const { return std::tuple(worker, shift, kind, night, date.year(), date.month(), date.day()); }
    bool operator==(const Cell& o) const { return key() == o.key(); }
    bool operator<(const Cell& o) const { return key() < o.key(); }
};

// ---- statement texts, exactly as sent ---------------------------------------------------------------------------

QString hoursSumSql(const Cell& c);                      // the hours recorded for the cell (column tim)
QString rowCountSql(const Cell& c);                      // the rows of the cell's key (column cnt)
QString insertSql(const Cell& c, int hours);             // a new row with only the cell's day
QString updateSql(const Cell& c, int hours);             // the cell, after a save
QString updateAfterDeleteSql(const Cell& c, int hours);  // the cell, after a delete
QString lockSql(const Cell& c);                          // the lock of the cell's row (base/lock_keys.h)

// ---- steps inside the caller's transaction (they open none of their own) ---------------------------------------

// Takes the row locks of the cells, each row once, in one order (so that two workstations locking rows never
// wait for each other in a circle). Taken before the records change, so the sums read afterwards see every
// other workstation's finished saves.
void lockRows(TDataModule6& dm, std::vector<Cell> cells);

// The hours recorded for the cell now.
int hours(TDataModule6& dm, const Cell& c);

// The refusal of a write that would bring a cell above kMaxDayHours: the hours recorded for the cell now, less
// what the write takes away from it, plus what it adds. Empty when the write may go ahead; otherwise the
// message for the user. Call it with the cell's row locked.
std::optional<QString> checkHours(TDataModule6& dm, const Cell& c, int removed, int added);
QString tooManyHoursMessage(int hours);

// After save: the row is updated, or inserted with only this day's cell when the key has none.
void afterSave(TDataModule6& dm, const Cell& c);
// After delete: the row is updated when it exists; nothing is inserted.
void afterDelete(TDataModule6& dm, const Cell& c);

}  // namespace day_cells
