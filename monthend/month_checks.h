#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

#include "base/write_outcome.h"

class Db;
class TDataModule6;

namespace report {
struct ReportDefinition;
}

// The checks of a month before it is paid and closed: eight searches for the office's usual errors, each a
// statement of its own. A finding names the shift record (or maintenance entry) to open.
namespace month_check {

enum Check {
    TooManyHours = 1,      // a worker with more than 24 hours in one day over all shifts
    DefectsAboveQuantity,  // brak > kol_vo
    NoPrice,               // price 0 or none
    NotAccepted,           // acceptance mark neither "ok" nor "да"
    PieceCells,            // piece-work day cells (shifts 1..4) that differ from their records
    MaintenanceCells,      // maintenance day cells that differ from their entries
    LostReferences,        // worker, operation, product or operation kind that no longer exists
    Duplicates,            // same worker, operation, product, date, shift and colour
};
inline constexpr int kChecks = 8;

// The check's caption in the grid, the printout and the month close's question.
QString caption(int check);

// ---- statement texts ---------------------------------------------------------------------------------------------

// The bare rows of a check in month/year: columns src ('smena' or 'fatigue'), id (a record to open; NULL when
// there is none), w_id, data, smena, what (the finding in words); check 6 also i_type and i_night.
QString rowsSql(int check, int year, int month);
// The rows of a check with the worker's name (fio), ordered by date, shift and name: the findings grid.
QString findingsSql(int check, int year, int month);
// One statement with the count of every check: columns n (1..8), name, cnt.
QString countsSql(int year, int month);

// ---- reading and fixing ------------------------------------------------------------------------------------------

struct Count {
    int check = 0;
    QString name;
    int count = 0;
};
// The counts of all eight checks, in order.
std::vector<Count> counts(Db& db, int year, int month);
// "1. Больше 24 ч. за день: 0" lines of the counts, for a message.
QString countsText(const std::vector<Count>& counts);

// Check 6's fix: every maintenance day cell of the month that differs from its entries is set to their hours
// again, through the one unit that keeps day cells (base/day_cells), in one transaction. The count of cells fixed.
int fixMaintenanceCells(TDataModule6& dm, int year, int month);

// The printout: one section per check with its count and findings. Rows: a dataset of printRowsSql().
report::ReportDefinition printLayout(const QString& heading);
QString printRowsSql(int year, int month);

}  // namespace month_check
