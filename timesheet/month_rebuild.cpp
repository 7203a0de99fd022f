#include "timesheet/month_rebuild.h"

#include <QDate>

#include "base/lock_keys.h"
#include "core/db.h"
#include "core/sqltext.h"

namespace timesheet {

namespace {

QString pieceRows(const QString& alias) {
    return QStringLiteral("coalesce(%1i_type, 0) not in (7777, 7778)").arg(alias.isEmpty() ? QString() : alias + '.');
}

// Opens the rebuild: the month's piece-work rows go. Other workstations' writes to the time sheet wait until the
// rebuild ends (readers do not), so no cell update lands between the delete and the new rows.
void begin(Db& db, int month, int year) {
    db.exec(lock_keys::monthRebuild());
    db.exec(QStringLiteral("delete from accounts_dep.h_tabel where month=") + QString::number(month) +
            QStringLiteral(" and year=") + QString::number(year) + QStringLiteral(" and ") + pieceRows({}));
}

}  // namespace

QString pieceRowsCondition() {
    return pieceRows({});
}

QString dayStatement(const QDate& date) {
    // A date constant, not to_date(): that would be evaluated again for every record.
    return QStringLiteral("insert into rebuild_day(smena, w_id, day, hours) select s.smena, s.w_id, ") +
           QString::number(date.day()) + QStringLiteral(", sum(s.time) from accounts_dep.smena s where s.data=date '") +
           date.toString(Qt::ISODate) +
           QStringLiteral("' and s.w_id is not null and s.smena is not null group by s.smena, s.w_id");
}

QString monthStatement(int month, int year) {
    const int days = QDate(year, month, 1).daysInMonth();
    QString cells, sums;
    for (int day = 1; day <= days; ++day) {
        cells += QStringLiteral(", d") + QString::number(day);
        sums += QStringLiteral(", max(hours) filter (where day=") + QString::number(day) + QLatin1Char(')');
    }
    // One row per worker and shift with records in the month, each day's cell the sum of that day's hours (NULL
    // without records, or with only records without hours). The rows go in in the order of the day they were
    // first seen, then shift and worker, as a per-row rebuild would add them.
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year") + cells +
           QStringLiteral(") select smena, w_id, ") + QString::number(month) + QStringLiteral(", ") +
           QString::number(year) + sums +
           QStringLiteral(" from rebuild_day group by smena, w_id order by min(day), smena, w_id");
}

void rebuildMonth(Db& db, int month, int year, const DayProgress& progress) {
    const int days = QDate(year, month, 1).daysInMonth();
    Transaction t(db);
    begin(db, month, year);
    // Day by day the hours of all workers and shifts go into a scratch table (new rows only: nothing is
    // updated, so no dead row versions pile up in the transaction); then one statement writes the month.
    db.exec(
        QStringLiteral("create temporary table rebuild_day (smena smallint, w_id integer, day integer, "
                       "hours bigint) on commit drop"));
    for (int day = 1; day <= days; ++day) {
        db.exec(dayStatement(QDate(year, month, day)));
        if (progress)
            progress(day);
    }
    db.exec(monthStatement(month, year));
    t.commit();
}

void rebuildMonthPerRow(Db& db, int month, int year, const DayProgress& progress) {
    const int days = QDate(year, month, 1).daysInMonth();
    const QString m = QString::number(month), y = QString::number(year);
    const QString key =
        QStringLiteral(" and month=") + m + QStringLiteral(" and year=") + y + QStringLiteral(" and ") + pieceRows({});
    Transaction t(db);
    begin(db, month, year);
    for (int day = 1; day <= days; ++day) {
        auto dt = db.query(QStringLiteral("select smena, w_id, sum(time) as tim from accounts_dep.smena where data=") +
                           sql::toDate(QDate(year, month, day)) + QStringLiteral(" group by smena,w_id;"));
        for (int r = 0; r < dt->rowCount(); ++r) {
            if (dt->isNull(r, 0) || dt->isNull(r, 1))
                continue;
            const QString S = dt->text(r, 0), W = dt->text(r, 1);
            const QString T = dt->isNull(r, 2) ? QStringLiteral("NULL") : dt->text(r, 2);
            auto c =
                db.query(QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel h_tabel where w_id=") + W +
                         QStringLiteral(" and smena=") + S + key);
            if (c->text(0, 0).toInt() != 0)
                db.exec(QStringLiteral("update accounts_dep.h_tabel set d") + QString::number(day) + QLatin1Char('=') +
                        T + QStringLiteral(" where w_id=") + W + QStringLiteral(" and smena=") + S + key);
            else
                db.exec(QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d") +
                        QString::number(day) + QStringLiteral(") values(") + S + QStringLiteral(", ") + W +
                        QStringLiteral(", ") + m + QStringLiteral(", ") + y + QStringLiteral(", ") + T +
                        QLatin1Char(')'));
        }
        if (progress)
            progress(day);
    }
    t.commit();
}

}  // namespace timesheet
