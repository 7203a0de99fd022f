#pragma once

#include <QDate>
#include <QString>

// Every lock the program takes to serialise writers between workstations, in one place. The advisory locks are
// transaction-scoped (pg_advisory_xact_lock): they go when the transaction ends.
//
// Order: a write path that takes several of them takes a name or duplicate key first, then the row locks of
// the shift record or entry it changes (select ... for update), then the time-sheet rows, sorted by their key.
namespace lock_keys {

// One shift record's duplicate key: worker, operation, product, date, shift and colour.
QString shiftDuplicate(int worker, int oper, int product, const QDate& date, int shift, int color);

// One time-sheet row (accounts_dep.h_tabel): a piece-work row has a shift (1..4) and kind 0, a maintenance row
// no shift (0 here), a kind (7777, 7778) and a night flag. One key scheme for both, so that every cell updater
// of a row waits for every other.
QString timesheetRow(int worker, int shift, int kind, int night, int month, int year);

// The month rebuild: not an advisory lock but the table lock that makes every cell update wait until the
// rebuild ends (readers do not).
QString monthRebuild();
// Taken by every cell updater before anything else of the time sheet: it waits for a running rebuild (and a
// rebuild waits for it), so that a cell update counts the rows only after the rebuild has written them. Cell
// updaters do not wait for each other on it.
QString timesheetWriter();

// Closed months: not taken by the program but by the database itself (db/closed_months_audit.sql) — every
// write of shift records, maintenance entries and time-sheet rows takes the key pair (3015, year * 100 + month)
// of each month it touches in shared mode, and closing a month takes it exclusively. Keep 3015 for it.

// Catalog names and lists.
QString productName(const QString& upperMarka);  // a product's mark (accounts_dep.izdel)
QString kindName(const QString& upperName);      // an operation kind's name (accounts_dep.vid_oper)
QString operationsOfKind(int kindId);            // the priced operations of one kind (accounts_dep.oper)
QString normsOfOperation(int operId);            // the norms of one operation (accounts_dep.norm)

}  // namespace lock_keys
