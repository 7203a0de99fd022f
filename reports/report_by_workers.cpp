#include "reports/report_by_workers.h"

#include "base/datamodule.h"
#include "base/registry.h"

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
    reportHeader(r, cols,
                 {{13, 13, QStringLiteral("Вид"), Qt::AlignLeft},
                  {57, 57, QStringLiteral("Операция")},
                  {102, 102, QStringLiteral("Цвет"), Qt::AlignLeft},
                  {138, 138, QStringLiteral("Кол-во")},
                  {163, 163, QStringLiteral("Сумма, р.")}});

    Group worker = group(QStringLiteral("fio"), 1, true);  // t_Report.fio
    worker.footer.frame = Frame{Frame::Bottom, Qt::black, Qt::SolidLine, 0.3};
    groupTotals(worker, cols, {{163, 163, QStringLiteral("summa"), QStringLiteral("#0.00")}});

    Group nom = group(QStringLiteral("nom"), 4, false);  // t_Report.nom, indented under the worker
    groupTotals(nom, cols,
                {{138, 138, QStringLiteral("kolvo")}, {163, 163, QStringLiteral("summa"), QStringLiteral("#0.000")}});
    r.groups = {worker, nom};

    detailLine(r, {cols.text(13, productKind()), cols.text(57, trimmed(QStringLiteral("vid")), Qt::AlignCenter),
                   cols.text(102, colour()), cols.number(138, QStringLiteral("kolvo")),
                   cols.number(163, QStringLiteral("summa"), QStringLiteral("#0.000"))});

    reportFooter(r, 138, 23, cols, {{161, 163, QStringLiteral("summa"), QStringLiteral("#0.00")}});
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
