#pragma once

#include <QString>

namespace report {
struct ReportDefinition;
}

// The worker's earnings statement of a month: every piece-work record by day, the maintenance hours and money by
// kind (and night), the month's hours, money and hourly earnings. Money is counted as the time sheets count it:
// the piece-work sum of the month and each maintenance line rounded to kopecks, the total their sum.
namespace earnings {

// One row per line of the statements of month/year, of the worker (0: every worker with records or entries in
// the month), ordered by worker. Columns: w_id, fio, part (1 piece work, 2 maintenance), data, smena, operation,
// marka, colour, kol_vo, brak, cena, hours, summa; and the worker's totals on each of his rows: piece_hours,
// piece_money, maint_hours, maint_money, all_hours, all_money, rate (money per hour, 0 without hours).
QString rowsSql(int year, int month, int worker);

// One worker per page: his name and the month, his lines, his totals.
report::ReportDefinition layout(const QString& monthText);

}  // namespace earnings
