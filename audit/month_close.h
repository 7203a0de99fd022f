#pragma once

#include <QString>
#include <vector>

#include "base/write_outcome.h"
#include "monthend/month_checks.h"

class Db;

// Closing and reopening months. The database keeps the rule (its triggers refuse every change of a closed
// month's records) and the record of every close and reopen; this unit asks it to.
namespace month_close {

// The months the window lists: every month with shift records or maintenance entries, and every closed one,
// newest first. Columns: year, month, caption ("март 2024"), state ("Закрыт"/"Открыт"), closed_by, closed_at,
// records, unaccepted, entries.
QString monthsSql();

// What the confirm of a close shows about a month.
struct Summary {
    int year = 0;
    int month = 0;
    int records = 0;                         // shift records
    int unaccepted = 0;                      // of them not accepted
    int entries = 0;                         // maintenance entries
    std::vector<month_check::Count> checks;  // the month check's counts
};
Summary summary(Db& db, int year, int month);

// The question asked before a month is closed; built here only, so that whatever else the office wants to see
// before a close goes into this one text.
QString confirmText(const Summary& s);

// Closes the month. Refused (reason = the database's text) when it is closed already.
WriteOutcome close(Db& db, int year, int month);
// Reopens it for the reason given; refused when the reason is empty or the month is not closed.
WriteOutcome reopen(Db& db, int year, int month, const QString& reason);

}  // namespace month_close
