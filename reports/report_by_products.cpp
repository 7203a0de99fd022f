#include "reports/report_by_products.h"

#include "base/datamodule.h"
#include "base/registry.h"

namespace summary {

QStringList byProductsSql() {
    return {
        QStringLiteral("select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,"),
        QStringLiteral("izdel.nom, oper.naimen, color,  round((izdel.massa*sum(smena.kol_vo-smena.brak))::numeric,2) "
                       "as mass"),
        QStringLiteral("from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where "
                       "izdel.id=smena.i_id and vid_oper.id=oper.vid"),
        QStringLiteral("and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 "),
        QStringLiteral("group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom"),
    };
}

report::ReportDefinition byProductsLayout() {
    using namespace report;
    ReportDefinition r = blank(QStringLiteral("Отчет по продукции"));
    const Columns cols{0, 13, 55, 93, 134, 163};
    reportHeader(r, cols,
                 {{13, 13, QStringLiteral("Вид"), Qt::AlignLeft},
                  {55, 55, QStringLiteral("Операция")},
                  {93, 93, QStringLiteral("Цвет"), Qt::AlignLeft},
                  {136, 134, QStringLiteral("Коробки")},
                  {165, 163, QStringLiteral("Количество")}});

    Group nom = group(QStringLiteral("nom"), 1, true);
    groupTotals(nom, cols, {{134, 134, QStringLiteral("mass")}, {163, 163, QStringLiteral("kolvo")}});
    r.groups = {nom};

    detailLine(r, {cols.text(13, productKind()), cols.text(55, trimmed(QStringLiteral("vid")), Qt::AlignCenter),
                   cols.text(93, colour()), cols.number(134, QStringLiteral("mass")),
                   cols.number(163, QStringLiteral("kolvo"))});

    reportFooter(r, 106, 25, cols,
                 {{131, 134, QStringLiteral("mass"), QStringLiteral("#0")}, {161, 163, QStringLiteral("kolvo")}});
    pageFooter(r);
    fillsFirst(r);
    return r;
}

}  // namespace summary

TForm17::TForm17(QWidget* parent)
    : SummaryLayout(QStringLiteral("TForm17"), summary::byProductsLayout(), parent),
      t_Report(app().dm->ADO_DB, QStringLiteral("t_Report"), this) {
    t_Report.setSql(summary::byProductsSql());
}
