#include "monthend/month_checks.h"

#include "base/datamodule.h"
#include "base/day_cells.h"
#include "core/db.h"
#include "core/format.h"
#include "core/report/report_definition.h"
#include "core/sqltext.h"

namespace month_check {

namespace {

QDate firstDay(int year, int month) {
    return QDate(year, month, 1);
}

// column in [first day of the month, first day of the next).
QString inMonth(const QString& column, int year, int month) {
    const QDate first = firstDay(year, month);
    return column + QStringLiteral(" >= ") + sql::toDate(first) + QStringLiteral(" and ") + column +
           QStringLiteral(" < ") + sql::toDate(first.addMonths(1));
}

// The day cells of a time-sheet row h as (day, hours) rows, the days of the month only.
QString dayCells(int days) {
    QString values;
    for (int d = 1; d <= days; ++d)
        values += QStringLiteral("%1(%2, h.d%2)").arg(d == 1 ? QString() : QStringLiteral(", ")).arg(d);
    return QStringLiteral(" cross join lateral (values ") + values + QStringLiteral(") c(day, hours)");
}

QString monthRowsOf(const QString& alias, int year, int month) {
    return QStringLiteral(" where %1.month = %2 and %1.year = %3").arg(alias).arg(month).arg(year);
}

// A finding with no maintenance columns.
QString smenaRow(const QString& what) {
    return QStringLiteral("select 'smena'::text as src, s.id, s.w_id, s.data, s.smena::int as smena, ") + what +
           QStringLiteral(" as what, null::int as i_type, null::int as i_night");
}

QString tooManyHours(int year, int month) {
    return QStringLiteral(
               "select 'smena'::text as src, t.id, t.w_id, t.data, s.smena::int as smena, "
               "'за день ' || t.hours || ' ч.' as what, null::int as i_type, null::int as i_night "
               "from (select w_id, data, sum(\"time\") as hours, min(id) as id from accounts_dep.smena "
               "where ") +
           inMonth(QStringLiteral("data"), year, month) +
           QStringLiteral(" and w_id is not null group by w_id, data having sum(\"time\") > ") +
           sql::num(day_cells::kMaxDayHours) + QStringLiteral(") t join accounts_dep.smena s on s.id = t.id");
}

QString pieceCells(int year, int month) {
    const int days = fmt::daysInMonth(year, month);
    return QStringLiteral("select 'smena'::text as src, r.id, k.w_id, make_date(") + sql::num(year) +
           QStringLiteral(", ") + sql::num(month) +
           QStringLiteral(
               ", k.day) as data, k.smena, 'в табеле ' || coalesce(k.cell, 0) || ' ч., в записях ' || "
               "coalesce(k.recs, 0) || ' ч.' as what, null::int as i_type, null::int as i_night from "
               "(select w_id, smena, day, c.cell, r.recs from (select h.w_id, h.smena::int as smena, "
               "c.day, sum(coalesce(c.hours, 0)) as cell from accounts_dep.h_tabel h") +
           dayCells(days) + monthRowsOf(QStringLiteral("h"), year, month) +
           QStringLiteral(" and h.smena between 1 and 4 and ") +
           QStringLiteral("coalesce(h.i_type, 0) not in (7777, 7778)") +
           QStringLiteral(
               " group by 1, 2, 3) c full join (select w_id, smena::int as smena, extract(day from data)::int "
               "as day, sum(\"time\") as recs from accounts_dep.smena where ") +
           inMonth(QStringLiteral("data"), year, month) +
           QStringLiteral(
               " and w_id is not null and smena between 1 and 4 group by 1, 2, 3) r using (w_id, smena, day) "
               "where coalesce(c.cell, 0) <> coalesce(r.recs, 0)) k "
               "left join lateral (select min(s.id) as id from accounts_dep.smena s where s.w_id = k.w_id "
               "and s.smena = k.smena and s.data = make_date(") +
           sql::num(year) + QStringLiteral(", ") + sql::num(month) + QStringLiteral(", k.day)) r on true");
}

QString maintenanceCells(int year, int month) {
    const int days = fmt::daysInMonth(year, month);
    return QStringLiteral("select 'fatigue'::text as src, r.id, k.w_id, make_date(") + sql::num(year) +
           QStringLiteral(", ") + sql::num(month) +
           QStringLiteral(
               ", k.day) as data, null::int as smena, case when k.i_type = 7778 then 'ср. сдельная' "
               "else 'хоз. работы' end || case when k.i_night <> 0 then ', ночь' else '' end || "
               "': в табеле ' || coalesce(k.cell, 0) || ' ч., в записях ' || coalesce(k.recs, 0) || ' ч.' "
               "as what, k.i_type, k.i_night from (select w_id, i_type, i_night, day, c.cell, r.recs from "
               "(select h.w_id, h.i_type, coalesce(h.i_night, 0) as i_night, c.day, "
               "sum(coalesce(c.hours, 0)) as cell from accounts_dep.h_tabel h") +
           dayCells(days) + monthRowsOf(QStringLiteral("h"), year, month) +
           QStringLiteral(
               " and h.i_type in (7777, 7778) group by 1, 2, 3, 4) c full join (select id_p::int as w_id, "
               "id_o::int as i_type, coalesce(i_night, 0) as i_night, extract(day from d_date)::int as "
               "day, sum(cnt) as recs from accounts_dep.fatigue where ") +
           inMonth(QStringLiteral("d_date"), year, month) +
           QStringLiteral(
               " and id_o in (7777, 7778) and id_p is not null group by 1, 2, 3, 4) r "
               "using (w_id, i_type, i_night, day) where coalesce(c.cell, 0) <> coalesce(r.recs, 0)) k "
               "left join lateral (select min(f.id) as id from accounts_dep.fatigue f where f.id_p = k.w_id "
               "and f.id_o = k.i_type and coalesce(f.i_night, 0) = k.i_night and f.d_date = make_date(") +
           sql::num(year) + QStringLiteral(", ") + sql::num(month) + QStringLiteral(", k.day)) r on true");
}

QString lostReferences(int year, int month) {
    return QStringLiteral("select * from (") +
           smenaRow(QStringLiteral(
               "concat_ws(', ', case when k.w is null then 'нет рабочего' end, case when o.id is null then "
               "'нет операции' end, case when g.id is null then 'нет изделия' end, case when o.id is not null and "
               "v.id is null then 'нет вида операции' end)")) +
           QStringLiteral(
               " from accounts_dep.smena s left join (select id::bigint as w from cmn_contractor.person "
               "union select btrim(s_code)::bigint from cmn_contractor.person where btrim(s_code) ~ "
               "'^[0-9]{1,18}$') k on k.w = s.w_id left join accounts_dep.oper o on o.id = s.o_id "
               "left join accounts_dep.vid_oper v on v.id = o.vid left join cmn_gds_and_srv.gds_and_srv g "
               "on g.id = s.i_id where ") +
           inMonth(QStringLiteral("s.data"), year, month) + QStringLiteral(") x where x.what <> ''");
}

QString duplicates(int year, int month) {
    return smenaRow(QStringLiteral("'одинаковых записей: ' || s.n")) +
           QStringLiteral(
               " from (select *, count(*) over (partition by w_id, o_id, i_id, data, smena, color) as n "
               "from accounts_dep.smena where ") +
           inMonth(QStringLiteral("data"), year, month) + QStringLiteral(") s where s.n > 1");
}

// The worker's name: shift records name a person of the plant by id or by the number in s_code, maintenance
// entries a worker of the local list.
QString names() {
    return QStringLiteral(
        "with wn as (select w, min(fio) as fio from (select id::bigint as w, s_caption as fio from "
        "cmn_contractor.person union all select btrim(s_code)::bigint, s_caption from cmn_contractor.person "
        "where btrim(s_code) ~ '^[0-9]{1,18}$') p group by w), "
        "fn as (select id::bigint as w, min(fio) as fio from accounts_dep.person group by id) ");
}

}  // namespace

QString caption(int check) {
    switch (check) {
        case TooManyHours:
            return QStringLiteral("Больше 24 ч. за день у рабочего");
        case DefectsAboveQuantity:
            return QStringLiteral("Брак больше количества");
        case NoPrice:
            return QStringLiteral("Цена 0 или не указана");
        case NotAccepted:
            return QStringLiteral("Не приняты");
        case PieceCells:
            return QStringLiteral("Табель сделки не совпадает с записями");
        case MaintenanceCells:
            return QStringLiteral("Табель хоз. работ не совпадает с записями");
        case LostReferences:
            return QStringLiteral("Нет рабочего, операции, изделия или вида");
        case Duplicates:
            return QStringLiteral("Возможные повторы");
    }
    return {};
}

QString rowsSql(int check, int year, int month) {
    switch (check) {
        case TooManyHours:
            return tooManyHours(year, month);
        case DefectsAboveQuantity:
            return smenaRow(QStringLiteral("'брак ' || s.brak || ' при количестве ' || coalesce(s.kol_vo, 0)")) +
                   QStringLiteral(" from accounts_dep.smena s where ") +
                   inMonth(QStringLiteral("s.data"), year, month) +
                   QStringLiteral(" and coalesce(s.brak, 0) > coalesce(s.kol_vo, 0)");
        case NoPrice:
            return smenaRow(QStringLiteral("case when s.cena is null then 'цена не указана' else 'цена 0' end")) +
                   QStringLiteral(" from accounts_dep.smena s where ") +
                   inMonth(QStringLiteral("s.data"), year, month) + QStringLiteral(" and coalesce(s.cena, 0) = 0");
        case NotAccepted:
            return smenaRow(QStringLiteral("'отметка: ' || coalesce(nullif(btrim(s.ok), ''), 'нет')")) +
                   QStringLiteral(" from accounts_dep.smena s where ") +
                   inMonth(QStringLiteral("s.data"), year, month) +
                   QStringLiteral(" and coalesce(btrim(s.ok), '') not in ('ok', 'да')");
        case PieceCells:
            return pieceCells(year, month);
        case MaintenanceCells:
            return maintenanceCells(year, month);
        case LostReferences:
            return lostReferences(year, month);
        case Duplicates:
            return duplicates(year, month);
    }
    return {};
}

QString findingsSql(int check, int year, int month) {
    return names() +
           QStringLiteral(
               "select r.src, r.id, r.w_id, r.data, r.smena, coalesce(case when r.src = 'fatigue' then "
               "fn.fio else wn.fio end, 'код ' || r.w_id, '') as fio, r.what, r.i_type, r.i_night from (") +
           rowsSql(check, year, month) +
           QStringLiteral(
               ") r left join wn on r.src = 'smena' and wn.w = r.w_id left join fn on r.src = 'fatigue' "
               "and fn.w = r.w_id order by r.data, r.smena, fio, r.id");
}

QString countsSql(int year, int month) {
    QStringList parts;
    for (int n = 1; n <= kChecks; ++n)
        parts << QStringLiteral("select %1 as n, ").arg(n) +
                     sql::quote(QString::number(n) + QStringLiteral(". ") + caption(n)) +
                     QStringLiteral(" as name, (select count(*) from (") + rowsSql(n, year, month) +
                     QStringLiteral(") r)::int as cnt");
    return parts.join(QStringLiteral(" union all ")) + QStringLiteral(" order by n");
}

std::vector<Count> counts(Db& db, int year, int month) {
    auto r = db.query(countsSql(year, month));
    std::vector<Count> out;
    for (int i = 0; i < r->rowCount(); ++i)
        out.push_back({r->text(i, 0).toInt(), r->text(i, 1), r->text(i, 2).toInt()});
    return out;
}

QString countsText(const std::vector<Count>& counts) {
    QStringList lines;
    for (const Count& c : counts)
        lines << c.name + QStringLiteral(": ") + QString::number(c.count);
    return lines.join(QLatin1Char('\n'));
}

int fixMaintenanceCells(TDataModule6& dm, int year, int month) {
    Transaction t(dm.ADO_DB);
    std::vector<day_cells::Cell> cells;
    auto r = dm.ADO_DB.query(rowsSql(MaintenanceCells, year, month));
    for (int i = 0; i < r->rowCount(); ++i)
        cells.push_back(day_cells::Cell::maintenance(r->text(i, 2).toInt(), r->text(i, 6).toInt(),
                                                     r->text(i, 7).toInt(), r->value(i, 3).toDate()));
    if (cells.empty())
        return 0;
    day_cells::lockRows(dm, cells);
    for (const day_cells::Cell& c : cells)
        day_cells::afterSave(dm, c);
    t.commit();
    return int(cells.size());
}

QString printRowsSql(int year, int month) {
    QStringList parts;
    for (int n = 1; n <= kChecks; ++n)
        parts << QStringLiteral("select %1 as n, f.* from (").arg(n) + findingsSql(n, year, month) +
                     QStringLiteral(") f");
    return QStringLiteral("select c.n, c.name || ': ' || c.cnt as heading, f.data, f.smena, f.fio, f.what from (") +
           countsSql(year, month) + QStringLiteral(") c left join (") + parts.join(QStringLiteral(" union all ")) +
           QStringLiteral(") f on f.n = c.n order by c.n, f.data, f.smena, f.fio");
}

report::ReportDefinition printLayout(const QString& heading) {
    using namespace report;
    ReportDefinition r;
    r.title = QStringLiteral("Проверка месяца");
    const double w = r.page.contentWidth();
    const Font bold{QStringLiteral("Arial"), 10, true};
    const Font regular{QStringLiteral("Arial"), 9, false};
    r.reportHeader.height = 10;
    r.reportHeader.add(label(QRectF(0, 1, w, 7), heading, Font{QStringLiteral("Arial"), 12, true})).name =
        QStringLiteral("Heading");

    Group g;
    g.key = QStringLiteral("n");
    g.header.height = 7;
    g.header.add(field(QRectF(0, 1, w, 6), QStringLiteral("heading"), bold));
    g.header.frame = Frame{Frame::Bottom};
    g.repeatHeader = true;
    r.groups.push_back(std::move(g));

    r.detail.height = 5;
    r.detail.add(computed(
        QRectF(4, 0, 22, 5),
        [](const Row& row) -> QVariant {
            if (row.isNull(QStringLiteral("data")))
                return QStringLiteral("нет");
            return row.value(QStringLiteral("data"));
        },
        regular));
    r.detail.add(computed(
        QRectF(26, 0, 14, 5),
        [](const Row& row) -> QVariant {
            return row.isNull(QStringLiteral("smena"))
                       ? QVariant()
                       : QVariant(QStringLiteral("см. ") + row.text(QStringLiteral("smena")));
        },
        regular));
    r.detail.add(field(QRectF(40, 0, 55, 5), QStringLiteral("fio"), regular));
    r.detail.add(field(QRectF(95, 0, w - 95, 5), QStringLiteral("what"), regular));
    r.pageFooter.height = 6;
    r.pageFooter.add(pageNumber(QRectF(0, 1, w, 5), QStringLiteral("Стр. %1 из %2"), regular));
    return r;
}

}  // namespace month_check
