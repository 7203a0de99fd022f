#include "reports/report_by_products.h"

#include "app/datamodule.h"
#include "app/registry.h"

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
    reportHeader(r, cols, {{136, 134, QStringLiteral("Коробки")}, {165, 163, QStringLiteral("Количество")}});

    Group nom;
    nom.key = QStringLiteral("nom");
    nom.header.height = kBand;
    nom.header.fill = groupFill();
    nom.header.add(computed(QRectF(1, 0.5, 189, 5), trimmed(QStringLiteral("nom")), bold()));
    nom.footer.height = kBand;
    nom.footer.add(total(cols.centred(134, 134, 0.5, 5), QStringLiteral("mass")));
    nom.footer.add(total(cols.centred(163, 163, 0.5, 5), QStringLiteral("kolvo")));
    r.groups = {nom};

    Band& d = r.detail;
    d.height = kLine;
    d.add(computed(cols.slot(13, 0, kLine), productKind(), regular()));
    d.add(computed(cols.slot(55, 0, kLine), trimmed(QStringLiteral("vid")), regular(), Qt::AlignCenter));
    d.add(computed(cols.slot(93, 0, kLine), colour(), regular()));
    d.add(field(cols.slot(134, 0, kLine), QStringLiteral("mass"), regular(), Qt::AlignCenter));
    d.add(field(cols.slot(163, 0, kLine), QStringLiteral("kolvo"), regular(), Qt::AlignCenter));

    reportFooter(r, 106, 25);
    r.summary.add(total(cols.centred(131, 134, 1, kFooter - 2), QStringLiteral("mass"), QStringLiteral("#0")));
    r.summary.add(total(cols.centred(161, 163, 1, kFooter - 2), QStringLiteral("kolvo")));
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
