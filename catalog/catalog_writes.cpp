#include "catalog/catalog_writes.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "base/datamodule.h"
#include "base/day_cells.h"
#include "base/lock_keys.h"
#include "core/format.h"
#include "core/sqltext.h"
#include "core/ui.h"

// ---- statement texts ------------------------------------------------------------------------------------------

QString workerInsertSql(const QString& fio, const QString& department) {
    return QStringLiteral("INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES(") + sql::quote(fio) +
           QStringLiteral(", ") + sql::quote(department) + QStringLiteral(")");
}

QString workerUpdateSql(const QString& fio, const QString& department, int id) {
    return QStringLiteral("UPDATE accounts_dep.person SET fio=") + sql::quote(fio) +
           QStringLiteral(", s_staffpos_hl=") + sql::quote(department) +
           QStringLiteral(" where accounts_dep.person.id=") + sql::num(qlonglong(id));
}

QString workerDeleteSql(int id) {
    return QStringLiteral("delete from accounts_dep.person where id =") + sql::num(qlonglong(id));
}

namespace {
const QString kProductDuplicateHead =
    QStringLiteral("select count(*) as cnt from accounts_dep.izdel where upper(marka)=");
}

QString productDuplicateSql(const QString& upperMarka) {
    return kProductDuplicateHead + sql::quote(upperMarka);
}

QString productDuplicateSql(const QString& upperMarka, qlonglong ownId) {
    return kProductDuplicateHead + sql::quote(upperMarka) + QStringLiteral("and id<>") + sql::num(ownId);
}

QString productInsertSql(const QString& marka, const QString& massa, qlonglong groupId) {
    return QStringLiteral(
               "INSERT INTO cmn_gds_and_srv.gds_and_srv(s_caption, s_description, id_msm_bs, massa, "
               "id_class_item)VALUES(") +
           sql::quote(marka) + QStringLiteral(", '', 6, ") + massa + QStringLiteral(",") + sql::num(groupId) +
           QStringLiteral(")");
}

QString productUpdateSql(const QString& marka, const QString& massa, qlonglong groupId, qlonglong id) {
    return QStringLiteral("UPDATE cmn_gds_and_srv.gds_and_srv SET s_caption=") + sql::quote(marka) +
           QStringLiteral(", s_description='', id_msm_bs=6, massa=") + massa + QStringLiteral(", id_class_item=") +
           sql::num(groupId) + QStringLiteral(" where id=") + sql::num(id);
}

QString productPricesDeleteSql(qlonglong id) {
    return QStringLiteral("delete from accounts_dep.oper o where o.i_id =") + sql::num(id);
}
QString productShiftsDeleteSql(qlonglong id) {
    return QStringLiteral("delete from accounts_dep.smena s where s.i_id =") + sql::num(id);
}
QString productGoodsDeleteSql(qlonglong id) {
    return QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv  where id=") + sql::num(id);
}

QString kindDuplicateSql(const QString& upperName) {
    return QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=") +
           sql::quote(upperName);
}

QString kindDuplicateSql(const QString& upperName, int ownId) {
    return kindDuplicateSql(upperName) + QStringLiteral(" and id<>") + sql::num(qlonglong(ownId));
}

namespace price_sql {

QString addCheck(int kindId, int naimen, qlonglong productId) {
    return QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=") + QString::number(kindId) +
           QStringLiteral(" and naimen=") + QString::number(naimen) + QStringLiteral(" and i_id=") +
           QString::number(productId);
}

QString insert(int kindId, int naimen, qlonglong productId) {
    return QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new)values (") +
           QString::number(kindId) + QStringLiteral(", ") + QString::number(naimen) + QStringLiteral(", ") +
           QString::number(productId) + QStringLiteral(", 0)");
}

QString editCheck(int kindId, int naimen, qlonglong productId, int operId) {
    return QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=") + QString::number(kindId) +
           QStringLiteral(" and naimen=") + QString::number(naimen) + QStringLiteral(" and i_id=") +
           QString::number(productId) + QStringLiteral(" and id<>") + QString::number(operId);
}

QString update(int kindId, int naimen, qlonglong productId, int operId) {
    return QStringLiteral("update accounts_dep.oper set vid=") + QString::number(kindId) + QStringLiteral(", naimen=") +
           QString::number(naimen) + QStringLiteral(",  i_id=") + QString::number(productId) +
           QStringLiteral(" where id=") + QString::number(operId);
}

}  // namespace price_sql

namespace catalog {

namespace {

int count(TDataModule6& dm, const QString& sqlText) {
    return dm.controlInt(sqlText, QStringLiteral("cnt"));
}

const QString kDelete = QStringLiteral("Удаление");

using day_cells::Cell;

// The piece-work day cells of a product's shift records, shifts 1 to 4, sorted.
std::vector<Cell> productCells(TDataModule6& dm, qlonglong product) {
    auto r = dm.ADO_DB.query(QStringLiteral("select distinct w_id, smena, data from accounts_dep.smena where i_id=") +
                             sql::num(product) +
                             QStringLiteral(" and smena between 1 and 4 and w_id is not null and data is not null"));
    std::vector<Cell> cells;
    for (int i = 0; i < r->rowCount(); ++i)
        cells.push_back(Cell::piece(r->value(i, 0).toInt(), r->value(i, 1).toInt(), r->date(i, 2)));
    std::sort(cells.begin(), cells.end());
    return cells;
}

// Takes share locks on the tables whose rows name what is about to be deleted: their saves wait (briefly) until
// the delete is over, so the count read next is the count the delete decides on.
void holdReferences(TDataModule6& dm, const QString& tables) {
    dm.ADO_DB.exec(QStringLiteral("lock table ") + tables + QStringLiteral(" in share mode"));
}

}  // namespace

Outcome Outcome::notFound() {
    return {Kind::NotFound, QStringLiteral("Запись уже удалена с другого рабочего места."), QStringLiteral("Ошибка"),
            0};
}

bool show(const Outcome& outcome) {
    if (outcome.saved())
        return true;
    if (!outcome.message.isEmpty())
        ui::messageBox(outcome.message, outcome.caption, ui::MB_ERROR);
    return false;
}

Outcome checkThenWrite(TDataModule6& dm, const QString& lockSql, const std::function<std::optional<Outcome>()>& check,
                       const std::function<Outcome()>& write) {
    Transaction t(dm.ADO_DB);
    if (!lockSql.isEmpty())
        dm.ADO_DB.exec(lockSql);
    if (std::optional<Outcome> refusal = check())
        return *refusal;  // rolled back as the guard goes
    Outcome done = write();
    if (done.saved())
        t.commit();
    return done;
}

double storedPrice(double price) {
    return fmt::round4(price);
}

QString normValueRefusal(const QString& field, const QVariant& value) {
    if (value.isNull() || value.toDouble() >= 0)
        return {};
    if (field.compare(QLatin1String("price"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Цена должна быть числом не меньше нуля!");
    if (field.compare(QLatin1String("norma"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Норматив должен быть числом не меньше нуля!");
    return QStringLiteral("Премия должна быть числом не меньше нуля!");
}

bool isMaintenanceKind(int kindId) {
    return kindId == 7777 || kindId == 7778;
}

// ---- workers --------------------------------------------------------------------------------------------------

Outcome saveWorker(TDataModule6& dm, const Worker& w) {
    const QString fio = w.fio.trimmed();
    if (fio.isEmpty())
        return Outcome::refused(QStringLiteral("ФИО нужно заполнить!"));
    QString department = w.department.value_or(QString());
    return checkThenWrite(
        dm, {},
        [&]() -> std::optional<Outcome> {
            if (w.id == 0)
                return std::nullopt;
            auto r = dm.ADO_DB.query(QStringLiteral("select s_staffpos_hl from accounts_dep.person where id=") +
                                     sql::num(w.id) + QStringLiteral(" for update"));
            if (r->rowCount() == 0)
                return Outcome::notFound();
            if (!w.department)
                department = r->text(0, 0);
            return std::nullopt;
        },
        [&] {
            dm.ADO_DB.exec(w.id == 0 ? workerInsertSql(fio, department) : workerUpdateSql(fio, department, w.id));
            return Outcome::ok(w.id);
        });
}

Outcome deleteWorker(TDataModule6& dm, int id) {
    return checkThenWrite(
        dm, {},
        [&]() -> std::optional<Outcome> {
            holdReferences(dm, QStringLiteral("accounts_dep.smena, accounts_dep.fatigue"));
            const int records =
                count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.smena where w_id=") + sql::num(id));
            const int entries = count(
                dm, QStringLiteral("select count(*) as cnt from accounts_dep.fatigue where id_p=") + sql::num(id));
            if (records > 0 || entries > 0)
                return Outcome::refused(QStringLiteral("У работника есть записи смен (%1) и хоз. работы (%2), "
                                                       "удалить его нельзя.")
                                            .arg(records)
                                            .arg(entries),
                                        kDelete);
            return std::nullopt;
        },
        [&] {
            dm.ADO_DB.exec(workerDeleteSql(id));
            return Outcome::ok(id);
        });
}

// ---- products -------------------------------------------------------------------------------------------------

Outcome saveProduct(TDataModule6& dm, const Product& p) {
    const QString marka = p.marka.trimmed();
    const QString fill = QStringLiteral("Все поля должны быть заполнены!");
    if (marka.isEmpty() || p.massa.trimmed().isEmpty() || p.group == 0)
        return Outcome::refused(fill);
    // The mass box takes only typed digits and points; a number shown for an edit may carry the workstation's
    // comma or a sign. Anything else never reaches the statement.
    static const QRegularExpression numberText(QStringLiteral("^[-+]?[0-9.,]+$"));
    if (!numberText.match(p.massa.trimmed()).hasMatch())
        return Outcome::refused(fill);
    const QString upper = marka.toUpper();
    const bool add = p.id == 0;
    return checkThenWrite(
        dm, lock_keys::productName(upper),
        [&]() -> std::optional<Outcome> {
            if (count(dm, add ? productDuplicateSql(upper) : productDuplicateSql(upper, p.id)) > 0)
                return Outcome::duplicate(QStringLiteral("Такая марка изделия уже заведена!"));
            if (!add && count(dm, QStringLiteral("select count(*) as cnt from cmn_gds_and_srv.gds_and_srv where id=") +
                                      sql::num(p.id)) == 0)
                return Outcome::notFound();
            return std::nullopt;
        },
        [&] {
            dm.SQL_exec.setText(add ? productInsertSql(marka, p.massa, p.group)
                                    : productUpdateSql(marka, dm.ToDbDecimal(p.massa), p.group, p.id));
            dm.SQL_exec.execute();
            return Outcome::ok(p.id);
        });
}

Outcome deleteProduct(TDataModule6& dm, qlonglong id, const ProductUse& asked, const QDate& recordsFrom) {
    Transaction t(dm.ADO_DB);
    // The time-sheet rows first, in the order every cell update locks them, then the tables: a shift record
    // saved meanwhile either is in, or waits until the delete is over.
    const std::vector<Cell> cells = productCells(dm, id);
    day_cells::lockRows(dm, cells);
    holdReferences(dm, QStringLiteral("accounts_dep.oper, accounts_dep.smena"));
    const Outcome changed =
        Outcome::changed(QStringLiteral("Изделие изменилось на другом рабочем месте. Повторите удаление."), kDelete);
    if (productCells(dm, id) != cells)
        return changed;
    if (count(dm, QStringLiteral("select count(*) as cnt from cmn_gds_and_srv.gds_and_srv where id=") + sql::num(id)) ==
        0)
        return Outcome::notFound();
    const int prices =
        count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =") + sql::num(id));
    const int records = count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.smena s where s.i_id =") +
                                      sql::num(id) + QStringLiteral(" and s.\"data\">=") + sql::toDate(recordsFrom));
    if ((prices > 0 && asked.prices == 0) || (records > 0 && asked.records == 0))
        return changed;
    auto run = [&](const QString& text) {
        dm.DelSmena.setText(text);
        dm.DelSmena.execute();
    };
    if (prices > 0) {
        // The norms go with their operations.
        run(QStringLiteral(
                "delete from accounts_dep.norm where o_id in (select id from accounts_dep.oper where i_id=") +
            sql::num(id) + QLatin1Char(')'));
        run(productPricesDeleteSql(id));
    }
    run(productShiftsDeleteSql(id));
    run(productGoodsDeleteSql(id));
    for (const Cell& c : cells)
        day_cells::afterDelete(dm, c);
    t.commit();
    return Outcome::ok(id);
}

// ---- operation kinds ------------------------------------------------------------------------------------------

Outcome saveKind(TDataModule6& dm, const Kind& k) {
    const QString name = k.name.trimmed();
    if (name.isEmpty())
        return Outcome::refused(QStringLiteral("Все поля должны быть заполнены!"));
    const QString upper = name.toUpper();
    const bool add = k.id == 0;
    return checkThenWrite(
        dm, lock_keys::kindName(upper),
        [&]() -> std::optional<Outcome> {
            if (count(dm, add ? kindDuplicateSql(upper) : kindDuplicateSql(upper, k.id)) > 0)
                return Outcome::duplicate(QStringLiteral("Такая операция уже заведена!"));
            if (!add && count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where id=") +
                                      sql::num(k.id)) == 0)
                return Outcome::notFound();
            return std::nullopt;
        },
        [&] {
            if (add) {
                auto r = dm.ADO_DB.query(QStringLiteral("insert into accounts_dep.vid_oper(vid) values (") +
                                         sql::quote(name) + QStringLiteral(") returning id"));
                return Outcome::ok(r->value(0, 0).toLongLong());
            }
            dm.ADO_DB.exec(QStringLiteral("update accounts_dep.vid_oper set vid=") + sql::quote(name) +
                           QStringLiteral(" where id=") + sql::num(k.id));
            return Outcome::ok(k.id);
        });
}

Outcome deleteKind(TDataModule6& dm, int id) {
    if (isMaintenanceKind(id))
        return Outcome::refused(QStringLiteral("Этот вид нужен для хоз. работ, удалить его нельзя."), kDelete);
    return checkThenWrite(
        dm, {},
        [&]() -> std::optional<Outcome> {
            holdReferences(dm, QStringLiteral("accounts_dep.oper"));
            const int used =
                count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.oper where vid=") + sql::num(id));
            if (used > 0)
                return Outcome::refused(
                    QStringLiteral("Вид операции есть в операциях (%1), удалить его нельзя.").arg(used), kDelete);
            return std::nullopt;
        },
        [&] {
            dm.ADO_DB.exec(QStringLiteral("delete from accounts_dep.vid_oper where id=") + sql::num(id));
            return Outcome::ok(id);
        });
}

// ---- priced operations ----------------------------------------------------------------------------------------

Outcome saveOperation(TDataModule6& dm, const Operation& o) {
    if (o.firstPrice) {
        const QString refusal = normValueRefusal(QStringLiteral("price"), *o.firstPrice);
        if (!refusal.isEmpty())
            return Outcome::refused(refusal);
    }
    const bool add = o.id == 0;
    return checkThenWrite(
        dm, lock_keys::operationsOfKind(o.kind),
        [&]() -> std::optional<Outcome> {
            const QString check = add ? price_sql::addCheck(o.kind, o.naimen, o.product)
                                      : price_sql::editCheck(o.kind, o.naimen, o.product, o.id);
            if (count(dm, check) > 0)
                return Outcome::duplicate(QStringLiteral("Операция с такими параметрами уже заведена!"));
            if (!add && count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.oper where id=") +
                                      sql::num(o.id)) == 0)
                return Outcome::notFound();
            return std::nullopt;
        },
        [&] {
            if (!add) {
                dm.Oper_ed.setText(price_sql::update(o.kind, o.naimen, o.product, o.id));
                dm.Oper_ed.execute();
                return Outcome::ok(o.id);
            }
            dm.Oper_ins.setText(price_sql::insert(o.kind, o.naimen, o.product));
            dm.Oper_ins.execute();
            const int newId =
                dm.controlInt(QStringLiteral("select currval(pg_get_serial_sequence('accounts_dep.oper', 'id')) as id"),
                              QStringLiteral("id"));
            if (o.firstPrice) {
                // Its first norm, so that the new operation shows in the list (it lists operations with norms).
                Command ins(dm.ADO_DB, QStringLiteral("insert into accounts_dep.norm(o_id, price) ") +
                                           QLatin1Char('\n') + QStringLiteral("values (:o_id, :price)"));
                ins.setParam(QStringLiteral("o_id"), newId);
                ins.setParam(QStringLiteral("price"), storedPrice(*o.firstPrice));
                ins.execute();
            }
            return Outcome::ok(newId);
        });
}

Outcome deleteOperation(TDataModule6& dm, int id) {
    return checkThenWrite(
        dm, lock_keys::normsOfOperation(id),
        [&]() -> std::optional<Outcome> {
            holdReferences(dm, QStringLiteral("accounts_dep.smena"));
            if (count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.oper where id=") + sql::num(id)) ==
                0)
                return Outcome::notFound();
            const int records =
                count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.smena where o_id=") + sql::num(id));
            if (records > 0)
                return Outcome::refused(
                    QStringLiteral("По операции есть записи смен (%1), удалить её нельзя.").arg(records), kDelete);
            return std::nullopt;
        },
        [&] {
            dm.ADO_DB.exec(QStringLiteral("delete from accounts_dep.norm where o_id=") + sql::num(id));
            dm.Oper_del.setParam(QStringLiteral("id"), id);
            dm.Oper_del.execute();
            return Outcome::ok(id);
        });
}

Outcome saveNorm(TDataModule6& dm, const Norm& nv) {
    for (const auto& [field, value] :
         {std::pair{QStringLiteral("norma"), nv.norma}, std::pair{QStringLiteral("price"), nv.price},
          std::pair{QStringLiteral("prize"), nv.prize}}) {
        const QString refusal = normValueRefusal(field, value);
        if (!refusal.isEmpty())
            return Outcome::refused(refusal);
    }
    auto literal = [](const QVariant& v, bool price) {
        if (v.isNull())
            return QStringLiteral("null");
        return price ? sql::num(storedPrice(v.toDouble())) : sql::num(v.toLongLong());
    };
    return checkThenWrite(
        dm, lock_keys::normsOfOperation(nv.operation),
        [&]() -> std::optional<Outcome> {
            if (count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.oper where id=") +
                              sql::num(nv.operation)) == 0)
                return Outcome::notFound();
            if (nv.id != 0 && count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.norm where id=") +
                                            sql::num(nv.id)) == 0)
                return Outcome::notFound();
            return std::nullopt;
        },
        [&] {
            const QString values = literal(nv.norma, false) + QStringLiteral(", ") + literal(nv.price, true) +
                                   QStringLiteral(", ") + literal(nv.prize, false);
            if (nv.id == 0) {
                auto r = dm.ADO_DB.query(
                    QStringLiteral("insert into accounts_dep.norm(o_id, norma, price, prize) values (") +
                    sql::num(nv.operation) + QStringLiteral(", ") + values + QStringLiteral(") returning id"));
                return Outcome::ok(r->value(0, 0).toLongLong());
            }
            dm.ADO_DB.exec(QStringLiteral("update accounts_dep.norm set norma=") + literal(nv.norma, false) +
                           QStringLiteral(", price=") + literal(nv.price, true) + QStringLiteral(", prize=") +
                           literal(nv.prize, false) + QStringLiteral(" where id=") + sql::num(nv.id));
            return Outcome::ok(nv.id);
        });
}

Outcome deleteNorm(TDataModule6& dm, int id) {
    const int operation = dm.controlInt(
        QStringLiteral("select o_id as cnt from accounts_dep.norm where id=") + sql::num(id), QStringLiteral("cnt"));
    if (operation == 0)
        return Outcome::notFound();
    return checkThenWrite(
        dm, lock_keys::normsOfOperation(operation),
        [&]() -> std::optional<Outcome> {
            // An operation keeps at least one norm, also when two workstations delete at the same time.
            if (count(dm, QStringLiteral("select count(*) as cnt from accounts_dep.norm where o_id=") +
                              sql::num(operation)) <= 1)
                return Outcome::refused({});
            return std::nullopt;
        },
        [&] {
            dm.ADO_DB.exec(QStringLiteral("delete from accounts_dep.norm where id=") + sql::num(id));
            return Outcome::ok(id);
        });
}

}  // namespace catalog
