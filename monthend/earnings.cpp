#include "monthend/earnings.h"

#include <QDate>

#include "base/shared_rules.h"
#include "core/report/report_definition.h"
#include "core/sqltext.h"

namespace earnings {

namespace {

QString inMonth(const QString& column, int year, int month) {
    const QDate first(year, month, 1);
    return column + QStringLiteral(" >= ") + sql::toDate(first) + QStringLiteral(" and ") + column +
           QStringLiteral(" < ") + sql::toDate(first.addMonths(1));
}

}  // namespace

QString rowsSql(int year, int month, int worker) {
    const QString oneWorker = worker > 0 ? QStringLiteral(" = ") + sql::num(worker) : QString();
    return QStringLiteral(
               "with recs as (select s.w_id, s.data, s.smena::int as smena, btrim(v.vid) as operation, "
               "btrim(g.s_caption) "
               "as marka, s.color, s.kol_vo, s.brak, s.cena, s.\"time\" as hours, (s.kol_vo - s.brak) * s.cena as "
               "money, s.id from accounts_dep.smena s left join accounts_dep.oper o on o.id = s.o_id left join "
               "accounts_dep.vid_oper v on v.id = o.vid left join cmn_gds_and_srv.gds_and_srv g on g.id = s.i_id "
               "where ") +
           inMonth(QStringLiteral("s.data"), year, month) +
           (worker > 0 ? QStringLiteral(" and s.w_id") + oneWorker : QString()) +
           QStringLiteral(
               " and s.w_id is not null), "
               "maint as (select f.id_p::int as w_id, f.id_o::int as kind, coalesce(f.i_night, 0) as night, "
               "sum(f.cnt) as hours, round(sum(f.cnt * f.price)::numeric, 2) as money from accounts_dep.fatigue f "
               "where ") +
           inMonth(QStringLiteral("f.d_date"), year, month) +
           (worker > 0 ? QStringLiteral(" and f.id_p") + oneWorker : QString()) +
           QStringLiteral(
               " and f.id_o in (7777, 7778) and f.id_p is not null group by 1, 2, 3), "
               "pt as (select w_id, sum(hours) as hours, round(sum(money)::numeric, 2) as money from recs group by "
               "w_id), "
               "mt as (select w_id, sum(hours) as hours, sum(money) as money from maint group by w_id), "
               "tot as (select w_id, coalesce(pt.hours, 0) as piece_hours, coalesce(pt.money, 0) as piece_money, "
               "coalesce(mt.hours, 0) as maint_hours, coalesce(mt.money, 0) as maint_money from pt full join mt "
               "using (w_id)), "
               "lines as (select w_id, 1 as part, data, smena, operation, marka, color, kol_vo, brak, cena, hours, "
               "round(money::numeric, 2) as summa, id as ord from recs union all select w_id, 2, null, null, "
               "case when kind = 7778 then 'ср. сдельная' else 'хоз. работы' end || case when night <> 0 then "
               "' (ночь)' else '' end, null, null, null, null, case when hours = 0 then null else "
               "round(money / hours, 2) end, hours, money, kind * 2 + least(night, 1) from maint) "
               "select l.w_id, coalesce(ap.fio, cp.s_caption, 'код ' || l.w_id) as fio, l.part, l.data, l.smena, "
               "l.operation, l.marka, l.color, l.kol_vo, l.brak, l.cena, l.hours, l.summa, t.piece_hours, "
               "t.piece_money, t.maint_hours, t.maint_money, t.piece_hours + t.maint_hours as all_hours, "
               "t.piece_money + t.maint_money as all_money, case when t.piece_hours + t.maint_hours = 0 then 0 "
               "else round((t.piece_money + t.maint_money) / (t.piece_hours + t.maint_hours), 2) end as rate "
               "from lines l join tot t using (w_id) "
               "left join (select id::bigint as id, min(fio) as fio from accounts_dep.person group by id) ap "
               "on ap.id = l.w_id "
               "left join (select id::bigint as id, min(s_caption) as s_caption from cmn_contractor.person group "
               "by id) cp on cp.id = l.w_id "
               "order by 2, 1, l.part, l.data, l.smena, l.ord");
}

report::ReportDefinition layout(const QString& monthText) {
    using namespace report;
    ReportDefinition r;
    r.title = QStringLiteral("Расчетный листок");
    const double w = r.page.contentWidth();
    const Font head{QStringLiteral("Arial"), 12, true};
    const Font bold{QStringLiteral("Arial"), 9, true};
    const Font regular{QStringLiteral("Arial"), 9, false};
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;

    struct Col {
        double x, width;
        QString title, field, mask;
        Qt::Alignment align;
    };
    const std::vector<Col> cols = {
        {0, 18, QStringLiteral("Дата"), QStringLiteral("data"), {}, Qt::AlignLeft | Qt::AlignVCenter},
        {18, 8, QStringLiteral("См."), QStringLiteral("smena"), {}, Qt::AlignCenter},
        {26, 40, QStringLiteral("Операция"), QStringLiteral("operation"), {}, Qt::AlignLeft | Qt::AlignVCenter},
        {66, 30, QStringLiteral("Изделие"), QStringLiteral("marka"), {}, Qt::AlignLeft | Qt::AlignVCenter},
        {96, 18, QStringLiteral("Цвет"), {}, {}, Qt::AlignLeft | Qt::AlignVCenter},
        {114, 14, QStringLiteral("Кол-во"), QStringLiteral("kol_vo"), {}, right},
        {128, 12, QStringLiteral("Брак"), QStringLiteral("brak"), {}, right},
        {140, 16, QStringLiteral("Цена"), QStringLiteral("cena"), QStringLiteral("#0.00##"), right},
        {156, 12, QStringLiteral("Часы"), QStringLiteral("hours"), {}, right},
        {168, w - 168, QStringLiteral("Сумма"), QStringLiteral("summa"), QStringLiteral("#0.00"), right},
    };

    Group g;
    g.key = QStringLiteral("w_id");
    g.newPage = true;
    g.repeatHeader = true;
    g.continuedItem = QStringLiteral("Worker");
    g.header.height = 22;
    g.header.add(label(QRectF(0, 0, w, 7), QStringLiteral("Расчетный листок за ") + monthText, head));
    g.header.add(field(QRectF(0, 8, w, 6), QStringLiteral("fio"), Font{QStringLiteral("Arial"), 11, true})).name =
        QStringLiteral("Worker");
    for (const Col& c : cols)
        g.header.add(label(QRectF(c.x, 16, c.width, 6), c.title, bold, c.align));
    g.header.frame = Frame{Frame::Bottom};

    g.footer.height = 20;
    g.footer.frame = Frame{Frame::Top};
    auto line = [&](double y, const QString& caption, const QString& hoursField, const QString& moneyField) {
        g.footer.add(label(QRectF(26, y, 120, 5), caption, bold));
        if (!hoursField.isEmpty())
            g.footer.add(field(QRectF(156, y, 12, 5), hoursField, bold, right));
        g.footer.add(field(QRectF(168, y, w - 168, 5), moneyField, bold, right, QStringLiteral("#0.00")));
    };
    line(1, QStringLiteral("Сдельная работа"), QStringLiteral("piece_hours"), QStringLiteral("piece_money"));
    line(6, QStringLiteral("Хоз. работы"), QStringLiteral("maint_hours"), QStringLiteral("maint_money"));
    line(11, QStringLiteral("Итого"), QStringLiteral("all_hours"), QStringLiteral("all_money"));
    line(15, QStringLiteral("За час"), {}, QStringLiteral("rate"));
    r.groups.push_back(std::move(g));

    r.detail.height = 5;
    for (const Col& c : cols) {
        if (c.field.isEmpty())
            r.detail.add(computed(
                QRectF(c.x, 0, c.width, 5),
                [](const Row& row) -> QVariant {
                    return row.isNull(QStringLiteral("color"))
                               ? QString()
                               : rules::colourText(row.integer(QStringLiteral("color"))).trimmed();
                },
                regular, c.align));
        else
            r.detail.add(field(QRectF(c.x, 0, c.width, 5), c.field, regular, c.align, c.mask));
    }
    r.pageFooter.height = 6;
    r.pageFooter.add(pageNumber(QRectF(0, 1, w, 5), QStringLiteral("Стр. %1 из %2"), regular));
    return r;
}

}  // namespace earnings
