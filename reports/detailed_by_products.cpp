#include "reports/detailed_by_products.h"

#include "base/datamodule.h"
#include "base/registry.h"

namespace summary {

QStringList detailedByProductsSql() {
    return {
        QStringLiteral("select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom,"),
        QStringLiteral("sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak) as brk, "),
        QStringLiteral(
            "sum((kol_vo-brak)*smena.cena) as summa, color, round((izdel.massa*sum(smena.kol_vo))::numeric,2) "
            "as mass "),
        QStringLiteral("from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where "
                       "smena.o_id=oper.id and smena.i_id=izdel.id "),
        QStringLiteral("and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and "),
        QStringLiteral("smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa "),
        QStringLiteral("order by izdel.nom,marka, vid_oper.vid, oper.naimen"),
    };
}

report::ReportDefinition detailedByProductsLayout() {
    using namespace report;
    ReportDefinition r = blank(QStringLiteral("Детальный отчет по продукции"));
    const Columns cols{1, 53, 81, 100, 125, 134, 152, 170};
    reportHeader(r, cols,
                 {{1, 1, QStringLiteral("Марка"), Qt::AlignLeft},
                  {53, 53, QStringLiteral("Операция"), Qt::AlignLeft},
                  {81, 81, QStringLiteral("Цвет")},
                  {100, 100, QStringLiteral("Вид"), Qt::AlignLeft},
                  {124, 125, QStringLiteral("Брак")},
                  {135, 134, QStringLiteral("Коробки")},
                  {154, 152, QStringLiteral("Кол-во")},
                  {174, 170, QStringLiteral("Сумма")}});

    Group nom = group(QStringLiteral("nom"), 1, true);
    groupTotals(nom, cols,
                {{124, 125, QStringLiteral("brk")},
                 {133, 134, QStringLiteral("mass"), QStringLiteral("#0.00")},
                 {152, 152, QStringLiteral("kolvo")},
                 {170, 170, QStringLiteral("summa"), QStringLiteral("#0.00")}});
    r.groups = {nom};

    detailLine(r, {cols.text(1, trimmed(QStringLiteral("marka"))), cols.text(53, trimmed(QStringLiteral("vid"))),
                   cols.number(81, QStringLiteral("color")), cols.text(100, productKind()),
                   cols.number(125, QStringLiteral("brk")), cols.number(134, QStringLiteral("mass")),
                   cols.number(152, QStringLiteral("kolvo")),
                   cols.number(170, QStringLiteral("summa"), QStringLiteral("#0.000"))});

    reportFooter(r, 100, 24, cols,
                 {{124, 125, QStringLiteral("brk")},
                  {133, 134, QStringLiteral("mass")},
                  {152, 152, QStringLiteral("kolvo")},
                  {170, 170, QStringLiteral("summa"), QStringLiteral("#0.00")}});
    pageFooter(r);
    fillsFirst(r);
    return r;
}

}  // namespace summary

TForm21::TForm21(QWidget* parent)
    : SummaryLayout(QStringLiteral("TForm21"), summary::detailedByProductsLayout(), parent),
      i_Report(app().dm->ADO_DB, QStringLiteral("i_Report"), this) {
    i_Report.setSql(summary::detailedByProductsSql());
}
