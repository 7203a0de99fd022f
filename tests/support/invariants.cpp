#include "support/invariants.h"

#include "core/dataset.h"
#include "support/testdb.h"

namespace {

// The 31 day cells of a time-sheet row as (day, hours) rows.
QString dayCells() {
    QString values;
    for (int d = 1; d <= 31; ++d)
        values += QStringLiteral("%1(%2, h.d%2)").arg(d == 1 ? QString() : QStringLiteral(", ")).arg(d);
    return QStringLiteral("cross join lateral (values ") + values + QStringLiteral(") c(day, hours)");
}

QStringList lines(TestDb& db, const QString& sql) {
    Dataset q(db.admin(), QStringLiteral("invariant"));
    q.setSql(sql);
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        out << q.field(QStringLiteral("line")).asString();
    return out;
}

}  // namespace

QStringList timesheetMismatches(TestDb& db) {
    const QString pieceCells =
        QStringLiteral(
            "select h.w_id, h.smena, h.year::int as y, h.month::int as m, c.day, coalesce(c.hours, 0) "
            "as hours from accounts_dep.h_tabel h ") +
        dayCells() + QStringLiteral(" where h.smena between 1 and 4 and coalesce(h.i_type, 0) = 0");
    const QString pieceSums = QStringLiteral(
        "select w_id, smena, extract(year from data)::int as y, extract(month from data)::int as m, "
        "extract(day from data)::int as day, sum(\"time\") as hours from accounts_dep.smena "
        "where smena between 1 and 4 group by 1, 2, 3, 4, 5");
    const QString maintCells = QStringLiteral(
                                   "select h.w_id, h.i_type, h.i_night, h.year::int as y, h.month::int as m, c.day, "
                                   "coalesce(c.hours, 0) as hours from accounts_dep.h_tabel h ") +
                               dayCells() + QStringLiteral(" where h.i_type in (7777, 7778)");
    const QString maintSums = QStringLiteral(
        "select id_p as w_id, id_o as i_type, coalesce(i_night, 0) as i_night, extract(year from d_date)::int as y, "
        "extract(month from d_date)::int as m, extract(day from d_date)::int as day, sum(cnt) as hours "
        "from accounts_dep.fatigue where id_o in (7777, 7778) group by 1, 2, 3, 4, 5, 6");

    QStringList out;
    out << lines(db, QStringLiteral("select 'piece-work cell worker ' || coalesce(c.w_id, s.w_id) || ' shift ' || "
                                    "coalesce(c.smena, s.smena) || ' ' || coalesce(c.y, s.y) || '-' || "
                                    "coalesce(c.m, s.m) || '-' || coalesce(c.day, s.day) || ': cell ' || "
                                    "coalesce(c.hours, 0) || ', records ' || coalesce(s.hours, 0) as line from (") +
                         pieceCells + QStringLiteral(") c full join (") + pieceSums +
                         QStringLiteral(") s using (w_id, smena, y, m, day) where coalesce(c.hours, 0) <> "
                                        "coalesce(s.hours, 0) order by 1"));
    out << lines(db, QStringLiteral("select 'maintenance cell worker ' || coalesce(c.w_id, s.w_id) || ' kind ' || "
                                    "coalesce(c.i_type, s.i_type) || ' night ' || coalesce(c.i_night, s.i_night) || "
                                    "' ' || coalesce(c.y, s.y) || '-' || coalesce(c.m, s.m) || '-' || "
                                    "coalesce(c.day, s.day) || ': cell ' || coalesce(c.hours, 0) || ', entries ' || "
                                    "coalesce(s.hours, 0) as line from (") +
                         maintCells + QStringLiteral(") c full join (") + maintSums +
                         QStringLiteral(") s using (w_id, i_type, i_night, y, m, day) where coalesce(c.hours, 0) <> "
                                        "coalesce(s.hours, 0) order by 1"));
    out << lines(
        db, QStringLiteral("select 'rows of one key: worker ' || w_id || ' shift ' || coalesce(smena::text, '-') || "
                           "' kind ' || coalesce(i_type, 0) || ' night ' || coalesce(i_night, 0) || ' ' || year || '-' "
                           "|| month || ': ' || count(*) as line from accounts_dep.h_tabel group by w_id, smena, "
                           "coalesce(i_type, 0), coalesce(i_night, 0), year, month having count(*) > 1 "
                           "order by 1"));
    return out;
}
