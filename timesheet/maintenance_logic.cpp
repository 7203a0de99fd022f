#include "timesheet/maintenance_logic.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/datamodule.h"
#include "core/db.h"
#include "core/sqltext.h"

namespace maint {

namespace {

QString n(qlonglong v) {
    return sql::num(v);
}

// The entry's key as it stands in the database, its row locked for the rest of the transaction.
std::optional<CellKey> lockedEntryKey(Db& db, int id) {
    auto r = db.query(QStringLiteral("select id_p, id_o, coalesce(i_night, 0), d_date from accounts_dep.fatigue "
                                     "where id=") +
                      n(id) + QStringLiteral(" for update"));
    if (r->rowCount() == 0)
        return std::nullopt;
    CellKey k;
    k.worker = r->value(0, 0).toInt();
    k.kind = r->value(0, 1).toInt();
    k.night = r->value(0, 2).toInt();
    k.date = r->value(0, 3).toDate();
    return k;
}

// Takes the row locks of all keys in one order, so that two workstations never wait on each other in a circle.
void lockKeys(Db& db, std::vector<CellKey> keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const CellKey& k : keys)
        db.exec(lockSql(k));
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
           n(e.group) + QStringLiteral(", ") + n(e.kind) + QStringLiteral(" ,") + n(e.worker) + QStringLiteral(", '") +
           sql::date(e.date) + QStringLiteral("', ") + n(e.date.month()) + QStringLiteral(", ") + n(e.date.year()) +
           QStringLiteral(", ") + n(e.shift) + QStringLiteral(", ") + n(e.hours) + QStringLiteral(", ") +
           sql::num(e.price) + QStringLiteral(", ") + n(e.holiday) + QStringLiteral(", ") + n(e.night) +
           QStringLiteral(")");
}

QString updateEntrySql(int id, const Entry& e) {
    return QStringLiteral("UPDATE accounts_dep.fatigue SET id_nom=") + n(e.group) + QStringLiteral(", id_o=") +
           n(e.kind) + QStringLiteral(", id_p=") + n(e.worker) + QStringLiteral(", cnt=") + n(e.hours) +
           QStringLiteral(", price=") + sql::num(e.price) + QStringLiteral(", i_holiday=") + n(e.holiday) +
           QStringLiteral(", i_night=") + n(e.night) + QStringLiteral(" where id=") + n(id);
}

QString deleteEntrySql(int id) {
    return QStringLiteral("delete from accounts_dep.fatigue where id=") + n(id);
}

QString rowCountSql(const CellKey& k) {
    return QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel where w_id=") + n(k.worker) +
           QStringLiteral(" and i_type=") + n(k.kind) + QStringLiteral(" and month=") + n(k.date.month()) +
           QStringLiteral(" and year=") + n(k.date.year()) + QStringLiteral(" and i_night=") + n(k.night);
}

QString hoursSumSql(const CellKey& k) {
    return QStringLiteral("select sum(f.cnt) as tim from accounts_dep.fatigue f where f.id_p =") + n(k.worker) +
           QStringLiteral("  and f.id_o=") + n(k.kind) + QStringLiteral(" and i_night=") + n(k.night) +
           QStringLiteral(" and f.d_date =to_date('") + sql::date(k.date) +
           QStringLiteral("', 'DD.MM.YYYY') group by f.id_p, f.d_date");
}

QString rowInsertSql(const CellKey& k, int hours) {
    return QStringLiteral("insert into accounts_dep.h_tabel(i_type, w_id, month, year, d") + n(k.date.day()) +
           QStringLiteral(", i_night) ") + QStringLiteral("values(") + n(k.kind) + QStringLiteral(", ") + n(k.worker) +
           QStringLiteral(", ") + n(k.date.month()) + QStringLiteral(", ") + n(k.date.year()) + QStringLiteral(", ") +
           n(hours) + QStringLiteral(", ") + n(k.night) + QStringLiteral(")");
}

QString rowUpdateSql(const CellKey& k, int hours) {
    return QStringLiteral("update accounts_dep.h_tabel set d") + n(k.date.day()) + QStringLiteral("=") + n(hours) +
           QStringLiteral(" where w_id=") + n(k.worker) + QStringLiteral(" and i_type=") + n(k.kind) +
           QStringLiteral(" and month=") + n(k.date.month()) + QStringLiteral(" and year=") + n(k.date.year()) +
           QStringLiteral(" and i_night=") + n(k.night);
}

QString rowUpdateAfterDeleteSql(const CellKey& k, int hours) {
    return QStringLiteral("update accounts_dep.h_tabel set d") + n(k.date.day()) + QStringLiteral("=") + n(hours) +
           QStringLiteral(" where w_id=") + n(k.worker) + QStringLiteral(" and i_night=") + n(k.night) +
           QStringLiteral(" and i_type=") + n(k.kind) + QStringLiteral(" and month=") + n(k.date.month()) +
           QStringLiteral(" and year=") + n(k.date.year());
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
           n(month2) + QStringLiteral(".") + n(year2) + QStringLiteral("' and s.data>='01.") + n(month) +
           QStringLiteral(".") + n(year) +
           QStringLiteral(
               "' and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom group by i.s_caption, i.id, p.id "
               "order by fio),0) where i_mnth = ") +
           n(month) + QStringLiteral(" and i_year = ") + n(year) + QStringLiteral(" and id_o =7778");
}

QString lockSql(const CellKey& k) {
    return QStringLiteral("select pg_advisory_xact_lock(") + n(k.worker) +
           QStringLiteral(", hashtext('accounts_dep.h_tabel ") + n(k.kind) + QLatin1Char(' ') + n(k.date.month()) +
           QLatin1Char(' ') + n(k.date.year()) + QLatin1Char(' ') + n(k.night) + QStringLiteral("'))");
}

void updateCellAfterSave(TDataModule6& dm, const CellKey& k) {
    const int rows = dm.controlInt(rowCountSql(k), QStringLiteral("cnt"));
    const int hours = dm.controlInt(hoursSumSql(k), QStringLiteral("tim"));
    dm.H_Tabel_ins.setText(rows == 0 ? rowInsertSql(k, hours) : rowUpdateSql(k, hours));
    dm.H_Tabel_ins.execute();
}

void updateCellAfterDelete(TDataModule6& dm, const CellKey& k) {
    const int hours = dm.controlInt(hoursSumSql(k), QStringLiteral("tim"));
    dm.H_Tabel_ins.setText(rowUpdateAfterDeleteSql(k, hours));
    dm.H_Tabel_ins.execute();
}

bool saveEntry(TDataModule6& dm, const Entry& e, int id) {
    Transaction t(dm.ADO_DB);
    std::optional<CellKey> left;
    CellKey key{e.worker, e.kind, e.night, e.date};
    if (id != 0) {
        // A change keeps the entry's date: its cells are those of the date it was entered for.
        left = lockedEntryKey(dm.ADO_DB, id);
        if (!left)
            return false;
        key.date = left->date;
    }
    std::vector<CellKey> keys{key};
    if (left)
        keys.push_back(*left);
    lockKeys(dm.ADO_DB, keys);

    dm.SQL_exec.setText(id == 0 ? insertEntrySql(e) : updateEntrySql(id, e));
    dm.SQL_exec.execute();
    updateCellAfterSave(dm, key);
    if (left && !(*left == key))
        updateCellAfterDelete(dm, *left);
    t.commit();
    return true;
}

bool deleteEntry(TDataModule6& dm, int id) {
    Transaction t(dm.ADO_DB);
    const std::optional<CellKey> key = lockedEntryKey(dm.ADO_DB, id);
    if (!key)
        return false;
    lockKeys(dm.ADO_DB, {*key});
    dm.SQL_exec.setText(deleteEntrySql(id));
    dm.SQL_exec.execute();
    updateCellAfterDelete(dm, *key);
    t.commit();
    return true;
}

void computeAverageRate(TDataModule6& dm, int month, int year) {
    dm.SQL_exec.setText(averageRateSql(month, year));
    dm.SQL_exec.execute();
}

}  // namespace maint
