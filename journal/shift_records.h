#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

#include "base/write_outcome.h"

class Dataset;
class TDataModule6;

// The statements of a shift record save, as pure functions of the values the dialog collected.
namespace shift_sql {

// One shift record as the dialog writes it. quantity, defects and hours are the trimmed texts of their boxes
// (digits only, checked before anything is built).
struct Record {
    int workerId = 0;
    int productId = 0;
    int operId = 0;
    QString priceText;  // see priceText()
    QString quantity;
    QString defects;
    QDate date;
    int shift = 1;
    int color = 0;
    QString hours;
};

// The unit price rounded to 4 places, in general decimal form, with a point as separator whatever the
// workstation's separator is.
QString priceText(double unitPrice);

// The duplicate check over worker, operation, product, date, shift and colour (column cnt); an edit excludes
// the record itself by its id.
QString duplicateCheckSql(const Record& r, std::optional<qlonglong> excludeId);
// Serialises saves of one duplicate key between workstations until the transaction ends.
QString duplicateLockSql(const Record& r);
// A new record: acceptance mark 'no', bonus 0, entered today, the document columns 0.
QString insertSql(const Record& r, const QDate& today);
// An edited record: its acceptance mark kept; bonus and the document columns reset, entered today.
QString updateSql(const Record& r, const QDate& today, qlonglong id);
// The delete of one record.
QString deleteSql(qlonglong id);
// The stored record with the columns a journal row compares (see Stored), its row locked until the
// transaction ends.
QString lockedRecordSql(qlonglong id);

}  // namespace shift_sql

// Saving and deleting shift records (accounts_dep.smena) together with their time-sheet day cells.
namespace shift_records {

// A shift record as a journal row showed it: what the entry dialog presets from it, and the state of every
// column the dialog shows or writes, by which a save or a delete sees that another workstation changed the
// record since.
struct Stored {
    qlonglong id = 0;
    int workerId = 0;
    int productId = 0;
    int operId = 0;
    double price = 0;  // cena
    QString quantity;  // kol_vo
    QString defects;   // brak
    QDate date;
    int shift = 1;
    int color = 0;
    int hours = 0;
    QString fio, marka, vid;
    int naimen = 0;
    QStringList state;  // the compared columns as text

    // The current row of a journal query (Smena1..Smena4) or of lockedRecordSql().
    static Stored fromRow(const Dataset& row);
};

// The columns compared between the journal row and the stored record.
const QStringList& comparedColumns();

// Saves a record: expected empty adds one, otherwise it is the record being changed as the dialog was opened
// with it. In one transaction: the duplicate key locked and checked; for a change, the stored record read under
// its row lock and compared with expected; the day cells locked and the new hours checked against the 24-hour
// limit; the record written; its cell, and for a change the cell the stored record left, recomputed. current, when
// given, receives the stored record of a change refused as Changed.
WriteOutcome save(TDataModule6& dm, const shift_sql::Record& values, const std::optional<Stored>& expected,
                  const QDate& today, Stored* current = nullptr);

// Deletes record id when it still is as expected, and recomputes the day cell of the stored record (its worker,
// shift and date) in one transaction.
WriteOutcome remove(TDataModule6& dm, qlonglong id, const Stored& expected);

}  // namespace shift_records
