#include "audit/audit_log.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/client_name.h"
#include "core/db.h"
#include "core/sqltext.h"

namespace audit_log {

namespace {

// The columns of each audited table in their order, with their Russian names.
using Names = QList<QPair<QString, QString>>;

const QHash<QString, Names>& captions() {
    static const QHash<QString, Names> all = {
        {QStringLiteral("accounts_dep.smena"),
         {{QStringLiteral("data"), QStringLiteral("Дата")},
          {QStringLiteral("smena"), QStringLiteral("Смена")},
          {QStringLiteral("w_id"), QStringLiteral("Рабочий")},
          {QStringLiteral("i_id"), QStringLiteral("Изделие")},
          {QStringLiteral("o_id"), QStringLiteral("Операция")},
          {QStringLiteral("cena"), QStringLiteral("Цена")},
          {QStringLiteral("kol_vo"), QStringLiteral("Кол-во")},
          {QStringLiteral("brak"), QStringLiteral("Брак")},
          {QStringLiteral("color"), QStringLiteral("Цвет")},
          {QStringLiteral("time"), QStringLiteral("Часы")},
          {QStringLiteral("ok"), QStringLiteral("Принято")},
          {QStringLiteral("vvod"), QStringLiteral("Заведен")},
          {QStringLiteral("prize"), QStringLiteral("Премия (%)")},
          {QStringLiteral("id_doc"), QStringLiteral("Документ")},
          {QStringLiteral("id_doc_item"), QStringLiteral("Строка документа")},
          {QStringLiteral("id_gds_use"), QStringLiteral("Расход изделия")},
          {QStringLiteral("id_cons_use"), QStringLiteral("Расход материала")},
          {QStringLiteral("f_gds_qty_use"), QStringLiteral("Кол-во расхода")}}},
        {QStringLiteral("accounts_dep.fatigue"),
         {{QStringLiteral("id_nom"), QStringLiteral("Номенклатура")},
          {QStringLiteral("id_o"), QStringLiteral("Работа")},
          {QStringLiteral("id_p"), QStringLiteral("Рабочий")},
          {QStringLiteral("d_date"), QStringLiteral("Дата")},
          {QStringLiteral("i_mnth"), QStringLiteral("Месяц")},
          {QStringLiteral("i_year"), QStringLiteral("Год")},
          {QStringLiteral("i_smena"), QStringLiteral("Смена")},
          {QStringLiteral("cnt"), QStringLiteral("Часы")},
          {QStringLiteral("price"), QStringLiteral("Цена")},
          {QStringLiteral("i_holiday"), QStringLiteral("Выходной")},
          {QStringLiteral("i_night"), QStringLiteral("Ночь")}}},
        {QStringLiteral("accounts_dep.oper"),
         {{QStringLiteral("vid"), QStringLiteral("Вид операции")},
          {QStringLiteral("naimen"), QStringLiteral("Класс изделия")},
          {QStringLiteral("i_id"), QStringLiteral("Изделие")},
          {QStringLiteral("cena_new"), QStringLiteral("Цена")},
          {QStringLiteral("cena"), QStringLiteral("Прежняя цена")}}},
        {QStringLiteral("accounts_dep.norm"),
         {{QStringLiteral("o_id"), QStringLiteral("Операция")},
          {QStringLiteral("norma"), QStringLiteral("Норма")},
          {QStringLiteral("prize"), QStringLiteral("Премия (%)")},
          {QStringLiteral("price"), QStringLiteral("Цена")}}},
        {QStringLiteral("accounts_dep.vid_oper"), {{QStringLiteral("vid"), QStringLiteral("Операция")}}},
        {QStringLiteral("accounts_dep.person"),
         {{QStringLiteral("fio"), QStringLiteral("Фамилия И.О.")},
          {QStringLiteral("s_staffpos_hl"), QStringLiteral("Должность")}}},
        {QStringLiteral("cmn_gds_and_srv.gds_and_srv"),
         {{QStringLiteral("s_caption"), QStringLiteral("Марка")},
          {QStringLiteral("s_description"), QStringLiteral("Описание")},
          {QStringLiteral("id_msm_bs"), QStringLiteral("Ед. изм.")},
          {QStringLiteral("massa"), QStringLiteral("Коробки")},
          {QStringLiteral("id_class_item"), QStringLiteral("Номенклатура")}}},
    };
    return all;
}

QString valueText(const QJsonValue& v) {
    switch (v.type()) {
        case QJsonValue::String:
            return v.toString().trimmed();  // char(n) columns come padded
        case QJsonValue::Double: {
            const double d = v.toDouble();
            return QString::number(d, 'g', 15);
        }
        case QJsonValue::Bool:
            return v.toBool() ? QStringLiteral("да") : QStringLiteral("нет");
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            return {};
        default:
            return QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    }
}

// The columns of the rows in the table's order (its named columns first, then the others by name).
QStringList keysOf(const QString& table, const QJsonObject& a, const QJsonObject& b) {
    QStringList keys;
    if (a.contains(QLatin1String("id")) || b.contains(QLatin1String("id")))
        keys << QStringLiteral("id");
    const auto t = captions().constFind(table);
    if (t != captions().constEnd())
        for (const auto& [column, caption] : *t)
            if (a.contains(column) || b.contains(column))
                keys << column;
    QStringList rest;
    for (const QJsonObject* o : {&a, &b})
        for (auto it = o->begin(); it != o->end(); ++it)
            if (!keys.contains(it.key()) && !rest.contains(it.key()))
                rest << it.key();
    rest.sort();
    return keys + rest;
}

}  // namespace

const QList<QPair<QString, QString>>& tables() {
    static const QList<QPair<QString, QString>> list = {
        {QStringLiteral("accounts_dep.smena"), QStringLiteral("Записи смен")},
        {QStringLiteral("accounts_dep.fatigue"), QStringLiteral("Хоз. работы")},
        {QStringLiteral("accounts_dep.oper"), QStringLiteral("Операции")},
        {QStringLiteral("accounts_dep.norm"), QStringLiteral("Нормы")},
        {QStringLiteral("accounts_dep.vid_oper"), QStringLiteral("Виды операций")},
        {QStringLiteral("cmn_gds_and_srv.gds_and_srv"), QStringLiteral("Изделия")},
        {QStringLiteral("accounts_dep.person"), QStringLiteral("Рабочие")},
    };
    return list;
}

QString tableCaption(const QString& table) {
    for (const auto& [name, caption] : tables())
        if (name == table)
            return caption;
    return table;
}

QString fieldCaption(const QString& table, const QString& column) {
    if (column == QLatin1String("id"))
        return QStringLiteral("Код");
    const auto t = captions().constFind(table);
    if (t != captions().constEnd())
        for (const auto& [name, caption] : *t)
            if (name == column)
                return caption;
    return column;
}

QString actionCaption(const QString& action) {
    if (action == QLatin1String("I"))
        return QStringLiteral("Добавление");
    if (action == QLatin1String("U"))
        return QStringLiteral("Изменение");
    if (action == QLatin1String("D"))
        return QStringLiteral("Удаление");
    return action;
}

QString changesText(const QString& table, const QString& changed) {
    const QJsonObject c = QJsonDocument::fromJson(changed.toUtf8()).object();
    QStringList parts;
    for (const QString& k : keysOf(table, c, c)) {
        const QJsonArray pair = c.value(k).toArray();
        const QString was = valueText(pair.at(0));
        const QString now = valueText(pair.at(1));
        if (was == now)
            continue;
        parts << fieldCaption(table, k) + QStringLiteral(": ") + was + QStringLiteral(" → ") + now;
    }
    return parts.join(QStringLiteral("; "));
}

QString querySql(const Filter& f) {
    QStringList where;
    if (f.from.isValid())
        where << QStringLiteral("a.at >= ") + sql::toDate(f.from);
    if (f.to.isValid())
        where << QStringLiteral("a.at < ") + sql::toDate(f.to.addDays(1));
    if (!f.table.isEmpty())
        where << QStringLiteral("a.table_name = ") + sql::quote(f.table);
    if (!f.table.isEmpty() && f.rowId != 0)
        where << QStringLiteral("a.row_id = ") + sql::num(f.rowId);
    if (f.worker != 0)
        where << QStringLiteral("a.worker = ") + sql::num(f.worker);
    return QStringLiteral(
               "select a.id, a.at, a.person, a.workstation, a.login_mode, a.table_name, a.row_id, p.fio, a.action, "
               "(select jsonb_object_agg(k, jsonb_build_array(a.old_row->k, a.new_row->k)) "
               "from jsonb_object_keys(coalesce(a.old_row, '{}') || coalesce(a.new_row, '{}')) k "
               "where (a.old_row->k) is distinct from (a.new_row->k))::text as changed "
               "from accounts_dep.audit a "
               "left join accounts_dep.person p on p.id = a.worker") +
           (where.isEmpty() ? QString() : QStringLiteral(" where ") + where.join(QStringLiteral(" and "))) +
           QStringLiteral(" order by a.at, a.id");
}

QList<Line> read(Db& db, const Filter& f) {
    auto r = db.query(querySql(f));
    QList<Line> lines;
    lines.reserve(r->rowCount());
    for (int i = 0; i < r->rowCount(); ++i) {
        Line l;
        l.at = r->value(i, 1).toDateTime();
        l.person = r->text(i, 2);
        l.workstation = r->text(i, 3);
        l.mode = login::modeCaption(r->text(i, 4));
        l.table = r->text(i, 5);
        l.rowId = r->text(i, 6).toLongLong();
        l.worker = r->text(i, 7);
        l.action = r->text(i, 8);
        l.changes = changesText(l.table, r->text(i, 9));
        lines << l;
    }
    return lines;
}

}  // namespace audit_log
