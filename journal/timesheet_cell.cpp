#include "journal/timesheet_cell.h"

#include <algorithm>
#include <vector>

#include "base/datamodule.h"
#include "core/sqltext.h"

namespace cell {

namespace {

// A whole number as plain decimal text.
QString n(int v) {
    return QString::number(v);
}

QString rowKey(const DayCell& c) {
    return QStringLiteral(" where w_id=") + n(c.workerId) + QStringLiteral(" and smena=") + n(c.shift) +
           QStringLiteral(" and month=") + n(c.date.month()) + QStringLiteral(" and year=") + n(c.date.year());
}

// The row locks of the cells, each once, always in the same order, so that two workstations locking two
// rows each (an edit moving records between them) cannot wait for each other.
void lockRows(TDataModule6& dm, std::vector<DayCell> cells) {
    auto key = [](const DayCell& c) { return std::tuple(c.workerId, c.shift, c.date.year(), c.date.month()); };
    std::sort(cells.begin(), cells.end(), [&](const DayCell& a, const DayCell& b) { return key(a) < key(b); });
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0 && key(cells[i]) == key(cells[i - 1]))
            continue;
        dm.ADO_DB.query(lockSql(cells[i]));
    }
}

int hoursSum(TDataModule6& dm, const DayCell& c) {
    return dm.controlInt(hoursSumSql(c), QStringLiteral("tim"));
}

void write(TDataModule6& dm, const QString& statement) {
    dm.H_Tabel_ins.setText(statement);
    dm.H_Tabel_ins.execute();
}

}  // namespace

QString hoursSumSql(const DayCell& c) {
    return QStringLiteral("select sum(time) as tim from accounts_dep.smena where w_id=") + n(c.workerId) +
           QStringLiteral(" and smena=") + n(c.shift) + QStringLiteral(" and data=to_date('") + sql::date(c.date) +
           QStringLiteral("', 'DD.MM.YYYY') group by w_id, smena, data");
}

QString rowCountSql(const DayCell& c) {
    return QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel") + rowKey(c);
}

QString updateSql(const DayCell& c, int hours) {
    return QStringLiteral("update accounts_dep.h_tabel set d") + n(c.date.day()) + QLatin1Char('=') + n(hours) +
           rowKey(c);
}

QString insertSql(const DayCell& c, int hours) {
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d") + n(c.date.day()) +
           QStringLiteral(") ") + QStringLiteral("values(") + n(c.shift) + QStringLiteral(", ") + n(c.workerId) +
           QStringLiteral(", ") + n(c.date.month()) + QStringLiteral(", ") + n(c.date.year()) + QStringLiteral(", ") +
           n(hours) + QLatin1Char(')');
}

QString lockSql(const DayCell& c) {
    // One 64-bit key per row of the time sheet; a hash collision only makes two saves wait for each other.
    return QStringLiteral("select pg_advisory_xact_lock(hashtextextended('accounts_dep.h_tabel ") + n(c.workerId) +
           QLatin1Char(' ') + n(c.shift) + QLatin1Char(' ') + n(c.date.month()) + QLatin1Char(' ') + n(c.date.year()) +
           QStringLiteral("', 0))");
}

void afterSave(TDataModule6& dm, const DayCell& c) {
    const int cnt = dm.controlInt(rowCountSql(c), QStringLiteral("cnt"));
    const int hours = hoursSum(dm, c);
    write(dm, cnt != 0 ? updateSql(c, hours) : insertSql(c, hours));
}

void afterDelete(TDataModule6& dm, const DayCell& c) {
    write(dm, updateSql(c, hoursSum(dm, c)));
}

void saveRecord(TDataModule6& dm, const std::function<void()>& statement, const DayCell& c,
                const std::optional<DayCell>& left) {
    const bool moved = left && !(*left == c);
    Transaction t(dm.ADO_DB);
    std::vector<DayCell> cells{c};
    if (moved)
        cells.push_back(*left);
    // Locked before the record changes, so the sums read below see every other workstation's finished saves.
    lockRows(dm, cells);
    statement();
    afterSave(dm, c);
    if (moved)
        afterDelete(dm, *left);
    t.commit();
}

void deleteRecord(TDataModule6& dm, const std::function<void()>& statement, const DayCell& c) {
    Transaction t(dm.ADO_DB);
    lockRows(dm, {c});
    statement();
    afterDelete(dm, c);
    t.commit();
}

}  // namespace cell
