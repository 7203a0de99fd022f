#include "base/day_cells.h"

#include <algorithm>

#include "base/datamodule.h"
#include "base/lock_keys.h"
#include "core/sqltext.h"

namespace day_cells {

namespace {

QString day(const Cell& c) {
    return sql::num(c.date.day());
}

// The piece-work row's key.
QString pieceRow(const Cell& c) {
    return QStringLiteral(" where w_id=") + sql::num(c.worker) + QStringLiteral(" and smena=") + sql::num(c.shift) +
           QStringLiteral(" and month=") + sql::num(c.date.month()) + QStringLiteral(" and year=") +
           sql::num(c.date.year());
}

// The maintenance row's key, in the order of the save's statements.
QString maintenanceRow(const Cell& c) {
    return QStringLiteral(" where w_id=") + sql::num(c.worker) + QStringLiteral(" and i_type=") + sql::num(c.kind) +
           QStringLiteral(" and month=") + sql::num(c.date.month()) + QStringLiteral(" and year=") +
           sql::num(c.date.year()) + QStringLiteral(" and i_night=") + sql::num(c.night);
}

void write(TDataModule6& dm, const QString& statement) {
    dm.H_Tabel_ins.setText(statement);
    dm.H_Tabel_ins.execute();
}

}  // namespace

QString hoursSumSql(const Cell& c) {
    if (c.isMaintenance())
        return QStringLiteral("select sum(f.cnt) as tim from accounts_dep.fatigue f where f.id_p =") +
               sql::num(c.worker) + QStringLiteral("  and f.id_o=") + sql::num(c.kind) +
               QStringLiteral(" and i_night=") + sql::num(c.night) + QStringLiteral(" and f.d_date =to_date('") +
               sql::date(c.date) + QStringLiteral("', 'DD.MM.YYYY') group by f.id_p, f.d_date");
    return QStringLiteral("select sum(time) as tim from accounts_dep.smena where w_id=") + sql::num(c.worker) +
           QStringLiteral(" and smena=") + sql::num(c.shift) + QStringLiteral(" and data=to_date('") +
           sql::date(c.date) + QStringLiteral("', 'DD.MM.YYYY') group by w_id, smena, data");
}

QString rowCountSql(const Cell& c) {
    return QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel") +
           (c.isMaintenance() ? maintenanceRow(c) : pieceRow(c));
}

QString insertSql(const Cell& c, int hours) {
    if (c.isMaintenance())
        return QStringLiteral("insert into accounts_dep.h_tabel(i_type, w_id, month, year, d") + day(c) +
               QStringLiteral(", i_night) ") + QStringLiteral("values(") + sql::num(c.kind) + QStringLiteral(", ") +
               sql::num(c.worker) + QStringLiteral(", ") + sql::num(c.date.month()) + QStringLiteral(", ") +
               sql::num(c.date.year()) + QStringLiteral(", ") + sql::num(hours) + QStringLiteral(", ") +
               sql::num(c.night) + QStringLiteral(")");
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d") + day(c) +
           QStringLiteral(") ") + QStringLiteral("values(") + sql::num(c.shift) + QStringLiteral(", ") +
           sql::num(c.worker) + QStringLiteral(", ") + sql::num(c.date.month()) + QStringLiteral(", ") +
           sql::num(c.date.year()) + QStringLiteral(", ") + sql::num(hours) + QLatin1Char(')');
}

QString updateSql(const Cell& c, int hours) {
    return QStringLiteral("update accounts_dep.h_tabel set d") + day(c) + QLatin1Char('=') + sql::num(hours) +
           (c.isMaintenance() ? maintenanceRow(c) : pieceRow(c));
}

QString updateAfterDeleteSql(const Cell& c, int hours) {
    if (!c.isMaintenance())
        return updateSql(c, hours);
    // The maintenance journal's delete names the night flag before the kind.
    return QStringLiteral("update accounts_dep.h_tabel set d") + day(c) + QLatin1Char('=') + sql::num(hours) +
           QStringLiteral(" where w_id=") + sql::num(c.worker) + QStringLiteral(" and i_night=") + sql::num(c.night) +
           QStringLiteral(" and i_type=") + sql::num(c.kind) + QStringLiteral(" and month=") +
           sql::num(c.date.month()) + QStringLiteral(" and year=") + sql::num(c.date.year());
}

QString lockSql(const Cell& c) {
    return lock_keys::timesheetRow(c.worker, c.shift, c.kind, c.night, c.date.month(), c.date.year());
}

void lockRows(TDataModule6& dm, std::vector<Cell> cells) {
    dm.ADO_DB.exec(lock_keys::timesheetWriter());
    std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.rowKey() < b.rowKey(); });
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0 && cells[i].rowKey() == cells[i - 1].rowKey())
            continue;
        dm.ADO_DB.exec(lockSql(cells[i]));
    }
}

int hours(TDataModule6& dm, const Cell& c) {
    return dm.controlInt(hoursSumSql(c), QStringLiteral("tim"));
}

QString tooManyHoursMessage(int hours) {
    return QStringLiteral("За день в табеле не может быть больше %1 ч. (получилось бы %2 ч.)")
        .arg(kMaxDayHours)
        .arg(hours);
}

std::optional<QString> checkHours(TDataModule6& dm, const Cell& c, int removed, int added) {
    const qlonglong total = qlonglong(hours(dm, c)) - removed + added;
    if (total <= kMaxDayHours)
        return std::nullopt;
    return tooManyHoursMessage(int(std::min<qlonglong>(total, 2147483647)));
}

void afterSave(TDataModule6& dm, const Cell& c) {
    const int cnt = dm.controlInt(rowCountSql(c), QStringLiteral("cnt"));
    const int sum = hours(dm, c);
    write(dm, cnt != 0 ? updateSql(c, sum) : insertSql(c, sum));
}

void afterDelete(TDataModule6& dm, const Cell& c) {
    write(dm, updateAfterDeleteSql(c, hours(dm, c)));
}

}  // namespace day_cells
