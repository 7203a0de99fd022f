#include "reports/detailed_by_workers.h"

#include "base/datamodule.h"
#include "base/registry.h"

namespace summary {

// The bonus sum names smena.cena: written bare, cena would also match the operations' own price column and
// the query would be refused as ambiguous.
QStringList detailedByWorkersSql() {
    return {
        QStringLiteral("select s_caption fio, izdel.marka, vid_oper.vid, oper.naimen, "),
        QStringLiteral("sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak) as brk, sum((kol_vo-brak)*"),
        QStringLiteral("smena.cena) as summa, color, sum(prize*(kol_vo-brak)*smena.cena/100) as s_prize "),
        QStringLiteral("from cmn_contractor.person "
                       "person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where "),
        QStringLiteral("smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id "),
        QStringLiteral("and smena.o_id=oper.id and w_id=s_code::integer and oper.vid=vid_oper.id "),
        QStringLiteral("and smena.data<:data2 and smena.data>=:data1 group by fio, marka, "),
        QStringLiteral("vid_oper.vid, oper.naimen, color order by fio, marka, vid_oper.vid, oper.naimen"),
    };
}

report::ReportDefinition detailedByWorkersLayout() {
    using namespace report;
    ReportDefinition r = blank(QStringLiteral("Детальный отчет по рабочим"));
    const Columns cols{0, 43, 74, 91, 128, 146, 170};
    reportHeader(r, cols,
                 {{0, 0, QStringLiteral("Марка"), Qt::AlignLeft},
                  {43, 43, QStringLiteral("Операция")},
                  {74, 74, QStringLiteral("Цвет")},
                  {91, 91, QStringLiteral("Вид"), Qt::AlignLeft},
                  {124, 128, QStringLiteral("Брак")},
                  {133, 146, QStringLiteral("Количество")},
                  {157, 170, QStringLiteral("Сумма")}});

    Group worker = group(QStringLiteral("fio"), 1, true);
    groupTotals(worker, cols,
                {{128, 128, QStringLiteral("brk")},
                 {146, 146, QStringLiteral("kolvo")},
                 {170, 170, QStringLiteral("summa"), QStringLiteral("#0.00")}});
    r.groups = {worker};

    detailLine(r, {cols.text(0, trimmed(QStringLiteral("marka"))),
                   cols.text(43, trimmed(QStringLiteral("vid")), Qt::AlignCenter),
                   cols.number(74, QStringLiteral("color")), cols.text(91, productKind()),
                   cols.number(128, QStringLiteral("brk")), cols.number(146, QStringLiteral("kolvo")),
                   cols.number(170, QStringLiteral("summa"), QStringLiteral("#0.00"))});

    reportFooter(r, 106, 26, cols,
                 {{132, 128, QStringLiteral("brk")},
                  {145, 146, QStringLiteral("kolvo")},
                  {166, 170, QStringLiteral("summa"), QStringLiteral("#0.00")}});
    pageFooter(r);
    fillsFirst(r);
    return r;
}

}  // namespace summary

TForm20::TForm20(QWidget* parent)
    : SummaryLayout(QStringLiteral("TForm20"), summary::detailedByWorkersLayout(), parent),
      w_Report(app().dm->ADO_DB, QStringLiteral("w_Report"), this) {
    w_Report.setSql(summary::detailedByWorkersSql());
}
