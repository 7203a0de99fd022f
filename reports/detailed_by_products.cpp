#include "reports/detailed_by_products.h"

#include "app/datamodule.h"
#include "app/registry.h"

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
                 {{124, 125, QStringLiteral("Брак")},
                  {135, 134, QStringLiteral("Коробки")},
                  {154, 152, QStringLiteral("Кол-во")},
                  {174, 170, QStringLiteral("Сумма")}});

    Group nom;
    nom.key = QStringLiteral("nom");
    nom.header.height = kBand;
    nom.header.fill = groupFill();
    nom.header.add(computed(QRectF(1, 0.5, 189, 5), trimmed(QStringLiteral("nom")), bold()));
    nom.footer.height = kBand;
    nom.footer.add(total(cols.centred(124, 125, 0.5, 5), QStringLiteral("brk")));
    nom.footer.add(total(cols.centred(133, 134, 0.5, 5), QStringLiteral("mass"), QStringLiteral("#0.00")));
    nom.footer.add(total(cols.centred(152, 152, 0.5, 5), QStringLiteral("kolvo")));
    nom.footer.add(total(cols.centred(170, 170, 0.5, 5), QStringLiteral("summa"), QStringLiteral("#0.00")));
    r.groups = {nom};

    Band& d = r.detail;
    d.height = kLine;
    d.add(computed(cols.slot(1, 0, kLine), trimmed(QStringLiteral("marka")), regular()));
    d.add(computed(cols.slot(53, 0, kLine), trimmed(QStringLiteral("vid")), regular()));
    d.add(field(cols.slot(81, 0, kLine), QStringLiteral("color"), regular(), Qt::AlignCenter));
    d.add(computed(cols.slot(100, 0, kLine), productKind(), regular()));
    d.add(field(cols.slot(125, 0, kLine), QStringLiteral("brk"), regular(), Qt::AlignCenter));
    d.add(field(cols.slot(134, 0, kLine), QStringLiteral("mass"), regular(), Qt::AlignCenter));
    d.add(field(cols.slot(152, 0, kLine), QStringLiteral("kolvo"), regular(), Qt::AlignCenter));
    d.add(
        field(cols.slot(170, 0, kLine), QStringLiteral("summa"), regular(), Qt::AlignCenter, QStringLiteral("#0.000")));

    reportFooter(r, 100, 24);
    r.summary.add(total(cols.centred(124, 125, 1, kFooter - 2), QStringLiteral("brk")));
    r.summary.add(total(cols.centred(133, 134, 1, kFooter - 2), QStringLiteral("mass")));
    r.summary.add(total(cols.centred(152, 152, 1, kFooter - 2), QStringLiteral("kolvo")));
    r.summary.add(total(cols.centred(170, 170, 1, kFooter - 2), QStringLiteral("summa"), QStringLiteral("#0.00")));
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
