#include "reports/report_by_workers.h"

#include "app/datamodule.h"
#include "app/registry.h"

namespace summary {

QStringList byWorkersSql() {
    return {
        QStringLiteral("select person.s_caption fio, sum(smena.kol_vo-smena.brak)::numeric as kolvo, "),
        QStringLiteral("sum((kol_vo-brak)*smena.cena) as summa,vid_oper.vid,"),
        QStringLiteral("izdel.nom, oper.naimen, color from cmn_contractor.person "
                       "person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,"),
        QStringLiteral("accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid"),
        QStringLiteral("and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 "),
        QStringLiteral("group by fio, izdel.nom, oper.naimen, vid_oper.vid, color order by fio, izdel.nom"),
    };
}

report::ReportDefinition byWorkersLayout() {
    using namespace report;
    ReportDefinition r = blank(QStringLiteral("Отчет по рабочим"));
    const Columns cols{0, 13, 57, 102, 138, 163};
    reportHeader(r, cols, {});

    Group worker;
    worker.key = QStringLiteral("fio");  // t_Report.fio
    worker.header.height = kBand;
    worker.header.fill = groupFill();
    worker.header.add(computed(QRectF(1, 0.5, 189, 5), trimmed(QStringLiteral("fio")), bold()));
    worker.footer.height = kBand;
    worker.footer.frame = Frame{Frame::Bottom, Qt::black, Qt::SolidLine, 0.3};
    worker.footer.add(total(cols.centred(163, 163, 0.5, 5), QStringLiteral("summa"), QStringLiteral("#0.00")));

    Group nom;
    nom.key = QStringLiteral("nom");  // t_Report.nom
    nom.header.height = kBand;
    nom.header.add(computed(QRectF(4, 0.5, 186, 5), trimmed(QStringLiteral("nom")), bold()));
    nom.footer.height = kBand;
    nom.footer.add(total(cols.centred(138, 138, 0.5, 5), QStringLiteral("kolvo")));
    nom.footer.add(total(cols.centred(163, 163, 0.5, 5), QStringLiteral("summa"), QStringLiteral("#0.000")));
    r.groups = {worker, nom};

    Band& d = r.detail;
    d.height = kLine;
    d.add(computed(cols.slot(13, 0, kLine), productKind(), regular()));
    d.add(computed(cols.slot(57, 0, kLine), trimmed(QStringLiteral("vid")), regular(), Qt::AlignCenter));
    d.add(computed(cols.slot(102, 0, kLine), colour(), regular()));
    d.add(field(cols.slot(138, 0, kLine), QStringLiteral("kolvo"), regular(), Qt::AlignCenter));
    d.add(
        field(cols.slot(163, 0, kLine), QStringLiteral("summa"), regular(), Qt::AlignCenter, QStringLiteral("#0.000")));

    reportFooter(r, 138, 23);
    r.summary.add(total(cols.centred(161, 163, 1, kFooter - 2), QStringLiteral("summa"), QStringLiteral("#0.00")));
    pageFooter(r);
    fillsFirst(r);
    return r;
}

}  // namespace summary

TForm16::TForm16(QWidget* parent)
    : SummaryLayout(QStringLiteral("TForm16"), summary::byWorkersLayout(), parent),
      t_Report(app().dm->ADO_DB, QStringLiteral("t_Report"), this) {
    t_Report.setSql(summary::byWorkersSql());
}
