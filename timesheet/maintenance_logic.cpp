#include "timesheet/maintenance_logic.h"

#include <optional>
#include <vector>

#include "base/datamodule.h"
#include "base/day_cells.h"
#include "core/db.h"
#include "core/sqltext.h"

namespace maint {

namespace {

using day_cells::Cell;

// The entry as it stands in the database, its row locked for the rest of the transaction: its cell and hours.
struct StoredEntry {
    Cell cell;
    int hours = 0;
};

std::optional<StoredEntry> lockedEntry(Db& db, int id) {
    auto r = db.query(QStringLiteral("select id_p, id_o, coalesce(i_night, 0), d_date, coalesce(cnt, 0) from "
                                     "accounts_dep.fatigue where id=") +
                      sql::num(id) + QStringLiteral(" for update"));
    if (r->rowCount() == 0)
        return std::nullopt;
    return StoredEntry{Cell::maintenance(r->value(0, 0).toInt(), r->value(0, 1).toInt(), r->value(0, 2).toInt(),
                                         r->value(0, 3).toDate()),
                       r->value(0, 4).toInt()};
}

}  // namespace

QStringList dayListSql() {
    return {
        QStringLiteral("select distinct vo.vid, p.fio, i.s_caption, (f.cnt*f.price) as summ,  f.*, case when "
                       "f.i_holiday=0 then '' else '+' end as s_holiday, case when f.i_night=0 then '' else '+' end "
                       "as s_night"),
        QStringLiteral(
            "from accounts_dep.fatigue f, cmn_classifier.item i, accounts_dep.person p,accounts_dep.vid_oper "
            "vo, accounts_dep.oper o "),
        QStringLiteral("where f.id_nom =i.id and p.id=f.id_p and vo.id = f.id_o and o.i_id >=7777 and o.vid >=7777 and "
                       "f.d_date = :d_date"),
        QStringLiteral("order by p.fio, f.id"),
    };
}

QStringList typeWorkSql() {
    return {
        QStringLiteral("select vo.id, vo.vid, n.price, (n.price*:cnt) as summ from accounts_dep.vid_oper "
                       "vo,accounts_dep.norm n, accounts_dep.oper o "),
        QStringLiteral("where n.o_id =o.id and o.vid=vo.id and (vo.id = 7777 or vo.id = 7778)"),
    };
}

QString insertEntrySql(const Entry& e) {
    return QStringLiteral(
               "INSERT INTO accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, "
               "price, i_holiday, i_night)VALUES(") +
           sql::num(e.group) + QStringLiteral(", ") + sql::num(e.kind) + QStringLiteral(" ,") + sql::num(e.worker) +
           QStringLiteral(", '") + sql::date(e.date) + QStringLiteral("', ") + sql::num(e.date.month()) +
           QStringLiteral(", ") + sql::num(e.date.year()) + QStringLiteral(", ") + sql::num(e.shift) +
           QStringLiteral(", ") + sql::num(e.hours) + QStringLiteral(", ") + sql::num(e.price) + QStringLiteral(", ") +
           sql::num(e.holiday) + QStringLiteral(", ") + sql::num(e.night) + QStringLiteral(")");
}

QString updateEntrySql(int id, const Entry& e) {
    return QStringLiteral("UPDATE accounts_dep.fatigue SET id_nom=") + sql::num(e.group) + QStringLiteral(", id_o=") +
           sql::num(e.kind) + QStringLiteral(", id_p=") + sql::num(e.worker) + QStringLiteral(", cnt=") +
           sql::num(e.hours) + QStringLiteral(", price=") + sql::num(e.price) + QStringLiteral(", i_holiday=") +
           sql::num(e.holiday) + QStringLiteral(", i_night=") + sql::num(e.night) + QStringLiteral(" where id=") +
           sql::num(id);
}

QString deleteEntrySql(int id) {
    return QStringLiteral("delete from accounts_dep.fatigue where id=") + sql::num(id);
}

QString averageRateSql(int month, int year) {
    const int month2 = month == 12 ? 1 : month + 1;
    const int year2 = month == 12 ? year + 1 : year;
    return QStringLiteral(
               "UPDATE accounts_dep.fatigue f SET price=coalesce((select case when "
               "coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else  "
               "coalesce(sum((s.kol_vo-s.brak)*(s.cena+s.cena*f.i_holiday))/sum(time),0)::numeric(10,2) end as "
               "price  from cmn_classifier.item i, accounts_dep.smena s, accounts_dep.izdel gas, accounts_dep.person "
               "p where i.id_level =2 and s.i_id = gas.id and gas.id_class_item =i.id  and s.data<'01.") +
           sql::num(month2) + QStringLiteral(".") + sql::num(year2) + QStringLiteral("' and s.data>='01.") +
           sql::num(month) + QStringLiteral(".") + sql::num(year) +
           QStringLiteral(
               "' and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom group by i.s_caption, i.id, p.id "
               "order by fio),0) where i_mnth = ") +
           sql::num(month) + QStringLiteral(" and i_year = ") + sql::num(year) + QStringLiteral(" and id_o =7778");
}

WriteOutcome saveEntry(TDataModule6& dm, const Entry& e, int id) {
    Transaction t(dm.ADO_DB);
    std::optional<StoredEntry> stored;
    Cell cell = cellOf(e);
    if (id != 0) {
        // A change keeps the entry's date: its cells are those of the date it was entered for.
        stored = lockedEntry(dm.ADO_DB, id);
        if (!stored)
            return {WriteOutcome::NotFound, {}};
        cell.date = stored->cell.date;
    }
    std::vector<Cell> cells{cell};
    if (stored)
        cells.push_back(stored->cell);
    day_cells::lockRows(dm, cells);
    const int removed = stored && stored->cell == cell ? stored->hours : 0;
    if (const auto refusal = day_cells::checkHours(dm, cell, removed, e.hours))
        return WriteOutcome::refused(*refusal);

    dm.SQL_exec.setText(id == 0 ? insertEntrySql(e) : updateEntrySql(id, e));
    dm.SQL_exec.execute();
    day_cells::afterSave(dm, cell);
    if (stored && !(stored->cell == cell))
        day_cells::afterDelete(dm, stored->cell);
    t.commit();
    return WriteOutcome::saved();
}

WriteOutcome deleteEntry(TDataModule6& dm, int id) {
    Transaction t(dm.ADO_DB);
    const std::optional<StoredEntry> stored = lockedEntry(dm.ADO_DB, id);
    if (!stored)
        return {WriteOutcome::NotFound, {}};
    day_cells::lockRows(dm, {stored->cell});
    dm.SQL_exec.setText(deleteEntrySql(id));
    dm.SQL_exec.execute();
    day_cells::afterDelete(dm, stored->cell);
    t.commit();
    return WriteOutcome::saved();
}

void computeAverageRate(TDataModule6& dm, int month, int year) {
    dm.SQL_exec.setText(averageRateSql(month, year));
    dm.SQL_exec.execute();
}

}  // namespace maint
