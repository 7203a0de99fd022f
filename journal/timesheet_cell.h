#pragma once

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

class TDataModule6;

// Keeps one day cell of the monthly time sheet (accounts_dep.h_tabel, columns d1..d31) equal to the hours
// recorded in the shift records of that worker, shift and date.
namespace cell {

// The cell: a worker's row of one shift and month, the column of the date's day.
struct DayCell {
    int workerId = 0;
    int shift = 1;
    QDate date;
    bool operator==(const DayCell& o) const = default;
};

// The statement texts, exactly as sent.
QString hoursSumSql(const DayCell& c);  // column tim
QString rowCountSql(const DayCell& c);  // column cnt
QString updateSql(const DayCell& c, int hours);
QString insertSql(const DayCell& c, int hours);
// Serialises work on one worker's row of a shift and month between workstations until the transaction ends.
QString lockSql(const DayCell& c);

// The two variants, run inside the caller's transaction (they open none of their own). After save: the row is
// updated, or inserted with only this day's cell when the worker has none for the month and shift. After
// delete: the row is updated when it exists; nothing is inserted.
void afterSave(TDataModule6& dm, const DayCell& c);
void afterDelete(TDataModule6& dm, const DayCell& c);

// A shift record saved (inserted or updated) together with its day cell, in one transaction: statement runs
// the caller's insert or update; then the cell is recomputed. For an edit that moved the record to another
// worker, shift or date, left names the cell it came from, which is recomputed as after a delete. On an error
// nothing of it stays and the error goes to the caller.
void saveRecord(TDataModule6& dm, const std::function<void()>& statement, const DayCell& c,
                const std::optional<DayCell>& left = std::nullopt);

// A shift record deleted together with its day cell, in one transaction.
void deleteRecord(TDataModule6& dm, const std::function<void()>& statement, const DayCell& c);

}  // namespace cell
