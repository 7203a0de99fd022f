#include "journal/shift_records.h"

#include <vector>

#include "base/datamodule.h"
#include "base/day_cells.h"
#include "base/lock_keys.h"
#include "core/dataset.h"
#include "core/db.h"
#include "core/format.h"
#include "core/sqltext.h"

namespace shift_sql {

QString priceText(double unitPrice) {
    QString text = fmt::general(fmt::round4(unitPrice));
    text.replace(fmt::decimalSeparator(), QStringLiteral("."));
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

QString duplicateCheckSql(const Record& r, std::optional<qlonglong> excludeId) {
    QString s = QStringLiteral("select count(id) as cnt from accounts_dep.SMENA where w_id=") + sql::num(r.workerId) +
                QStringLiteral(" and o_id=") + sql::num(r.operId) + QStringLiteral(" and i_id=") +
                sql::num(r.productId) + QStringLiteral(" and data=to_date('") + sql::date(r.date) +
                QStringLiteral("', 'DD.MM.YYYY') and smena=") + sql::num(r.shift);
    if (excludeId)
        s += QStringLiteral(" and id<>") + sql::num(*excludeId);
    return s + QStringLiteral(" and color=") + sql::num(r.color);
}

QString duplicateLockSql(const Record& r) {
    return lock_keys::shiftDuplicate(r.workerId, r.operId, r.productId, r.date, r.shift, r.color);
}

QString insertSql(const Record& r, const QDate& today) {
    return QStringLiteral(
               "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "
               "time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) values(") +
           sql::num(r.workerId) + QStringLiteral(", ") + sql::num(r.productId) + QStringLiteral(", ") +
           sql::num(r.operId) + QStringLiteral(", ") + r.priceText + QStringLiteral(",") + r.quantity +
           QStringLiteral(", ") + r.defects + QStringLiteral(", to_date('") + sql::date(r.date) +
           QStringLiteral("', 'DD.MM.YYYY HH24:MI:SS'), ") + sql::num(r.shift) + QStringLiteral(", ") +
           sql::num(r.color) + QStringLiteral(", ") + r.hours + QStringLiteral(", '") + sql::date(today) +
           QStringLiteral("', '") + QStringLiteral("no") + QStringLiteral("', 0, ") + QStringLiteral("0") +
           QStringLiteral(", ") + QStringLiteral("0") + QStringLiteral(", ") + QStringLiteral("0") +
           QStringLiteral(", ") + QStringLiteral("0") + QStringLiteral(", ") + QStringLiteral("0") +
           QStringLiteral(")");
}

QString updateSql(const Record& r, const QDate& today, qlonglong id) {
    return QStringLiteral("update accounts_dep.SMENA set w_id=") + sql::num(r.workerId) + QStringLiteral(", i_id=") +
           sql::num(r.productId) + QStringLiteral(", o_id=") + sql::num(r.operId) + QStringLiteral(", cena=") +
           r.priceText + QStringLiteral(", kol_vo=") + r.quantity + QStringLiteral(", brak=") + r.defects +
           QStringLiteral(", data=to_date('") + sql::date(r.date) + QStringLiteral("', 'DD.MM.YYYY'), smena=") +
           sql::num(r.shift) + QStringLiteral(", color=") + sql::num(r.color) + QStringLiteral(", time=") + r.hours +
           QStringLiteral(", vvod='") + sql::date(today) + QStringLiteral("', prize=0, id_doc=") + QStringLiteral("0") +
           QStringLiteral(", id_doc_item=") + QStringLiteral("0") + QStringLiteral(", f_gds_qty_use=") +
           QStringLiteral("0") + QStringLiteral(", id_gds_use=") + QStringLiteral("0") +
           QStringLiteral(", id_cons_use=") + QStringLiteral("0") + QStringLiteral(" where id=") + sql::num(id);
}

QString deleteSql(qlonglong id) {
    return QStringLiteral("delete from accounts_dep.smena where id=") + sql::num(id);
}

QString lockedRecordSql(qlonglong id) {
    return QStringLiteral(
               "select id, w_id, i_id, o_id, cena, kol_vo::numeric as kol_vo, brak, data, smena, color, time, prize, "
               "vvod, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use from accounts_dep.smena where id=") +
           sql::num(id) + QStringLiteral(" for update");
}

}  // namespace shift_sql

namespace shift_records {

namespace {

using day_cells::Cell;

Cell cellOf(const Stored& s) {
    return Cell::piece(s.workerId, s.shift, s.date);
}

// The stored record, its row locked for the rest of the transaction; empty when it no longer exists.
std::optional<Stored> lockedRecord(TDataModule6& dm, qlonglong id) {
    Dataset q(dm.ADO_DB, QStringLiteral("stored"));
    q.setSql(shift_sql::lockedRecordSql(id));
    q.open();
    if (q.isEmpty())
        return std::nullopt;
    return Stored::fromRow(q);
}

}  // namespace

const QStringList& comparedColumns() {
    static const QStringList columns{
        QStringLiteral("w_id"),       QStringLiteral("i_id"),        QStringLiteral("o_id"),
        QStringLiteral("cena"),       QStringLiteral("kol_vo"),      QStringLiteral("brak"),
        QStringLiteral("data"),       QStringLiteral("smena"),       QStringLiteral("color"),
        QStringLiteral("time"),       QStringLiteral("prize"),       QStringLiteral("vvod"),
        QStringLiteral("id_doc"),     QStringLiteral("id_doc_item"), QStringLiteral("f_gds_qty_use"),
        QStringLiteral("id_gds_use"), QStringLiteral("id_cons_use"),
    };
    return columns;
}

Stored Stored::fromRow(const Dataset& row) {
    auto text = [&](const char* name) {
        const QString column = QLatin1String(name);
        return row.columnIndex(column) < 0 ? QString() : row.field(column).asString().trimmed();
    };
    auto number = [&](const char* name) {
        const QString column = QLatin1String(name);
        return row.columnIndex(column) < 0 ? 0 : row.field(column).asInt();
    };
    Stored s;
    s.id = row.field(QStringLiteral("id")).asLongLong();
    s.workerId = number("w_id");
    s.productId = number("i_id");
    s.operId = number("o_id");
    s.price = row.field(QStringLiteral("cena")).asDouble();
    s.quantity = text("kol_vo");
    s.defects = text("brak");
    s.date = row.field(QStringLiteral("data")).asDate();
    s.shift = number("smena");
    s.color = number("color");
    s.hours = number("time");
    s.fio = text("fio");
    s.marka = text("marka");
    s.vid = text("vid");
    s.naimen = number("naimen");
    for (const QString& column : comparedColumns())
        s.state << (row.field(column).isNull() ? QStringLiteral("<null>") : row.field(column).asString());
    return s;
}

WriteOutcome save(TDataModule6& dm, const shift_sql::Record& values, const std::optional<Stored>& expected,
                  const QDate& today, Stored* current) {
    const Cell target = Cell::piece(values.workerId, values.shift, values.date);
    const int hours = values.hours.toInt();
    Transaction t(dm.ADO_DB);
    dm.ADO_DB.exec(shift_sql::duplicateLockSql(values));
    std::optional<Stored> stored;
    if (expected) {
        stored = lockedRecord(dm, expected->id);
        if (!stored)
            return {WriteOutcome::NotFound, {}};
        if (stored->state != expected->state) {
            if (current)
                *current = *stored;
            return {WriteOutcome::Changed, {}};
        }
    }
    const std::optional<qlonglong> id = expected ? std::optional(expected->id) : std::nullopt;
    if (dm.controlInt(shift_sql::duplicateCheckSql(values, id), QStringLiteral("cnt")) > 0)
        return {WriteOutcome::Duplicate, {}};

    // The cells are those of the stored record (what the record leaves) and of the values (where it goes).
    std::vector<Cell> cells{target};
    if (stored)
        cells.push_back(cellOf(*stored));
    day_cells::lockRows(dm, cells);
    const bool sameCell = stored && cellOf(*stored) == target;
    if (const auto refusal = day_cells::checkHours(dm, target, sameCell ? stored->hours : 0, hours))
        return WriteOutcome::refused(*refusal);

    dm.ADO_DB.exec(expected ? shift_sql::updateSql(values, today, expected->id) : shift_sql::insertSql(values, today));
    day_cells::afterSave(dm, target);
    if (stored && !sameCell)
        day_cells::afterDelete(dm, cellOf(*stored));
    t.commit();
    return WriteOutcome::saved();
}

WriteOutcome remove(TDataModule6& dm, qlonglong id, const Stored& expected) {
    Transaction t(dm.ADO_DB);
    const std::optional<Stored> stored = lockedRecord(dm, id);
    if (!stored)
        return {WriteOutcome::NotFound, {}};
    if (stored->state != expected.state)
        return {WriteOutcome::Changed, {}};
    const Cell cell = cellOf(*stored);
    day_cells::lockRows(dm, {cell});
    dm.DelSmena.setText(shift_sql::deleteSql(id));
    dm.DelSmena.execute();
    day_cells::afterDelete(dm, cell);
    t.commit();
    return WriteOutcome::saved();
}

}  // namespace shift_records
