#include "reports/detailed_by_workers.h"

#include "app/datamodule.h"
#include "app/registry.h"

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
                 {{124, 128, QStringLiteral("Брак")},
                  {133, 146, QStringLiteral("Количество")},
                  {157, 170, QStringLiteral("Сумма")}});

    Group worker;
    worker.key = QStringLiteral("fio");
    worker.header.height = kBand;
    worker.header.fill = groupFill();
    worker.header.add(computed(QRectF(1, 0.5, 189, 5), trimmed(QStringLiteral("fio")), bold()));
    worker.footer.height = kBand;
    worker.footer.add(total(cols.centred(128, 128, 0.5, 5), QStringLiteral("brk")));
    worker.footer.add(total(cols.centred(146, 146, 0.5, 5), QStringLiteral("kolvo")));
    worker.footer.add(total(cols.centred(170, 170, 0.5, 5), QStringLiteral("summa"), QStringLiteral("#0.00")));
    r.groups = {worker};

    Band& d = r.detail;
    d.height = kLine;
    d.add(computed(cols.slot(0, 0, kLine), trimmed(QStringLiteral("marka")), regular()));
    d.add(computed(cols.slot(43, 0, kLine), trimmed(QStringLiteral("vid")), regular(), Qt::AlignCenter));
    d.add(field(cols.slot(74, 0, kLine), QStringLiteral("color"), regular(), Qt::AlignCenter));
    d.add(computed(cols.slot(91, 0, kLine), productKind(), regular()));
    d.add(field(cols.slot(128, 0, kLine), QStringLiteral("brk"), regular(), Qt::AlignCenter));
    d.add(field(cols.slot(146, 0, kLine), QStringLiteral("kolvo"), regular(), Qt::AlignCenter));
    d.add(
        field(cols.slot(170, 0, kLine), QStringLiteral("summa"), regular(), Qt::AlignCenter, QStringLiteral("#0.00")));

    reportFooter(r, 106, 26);
    r.summary.add(total(cols.centred(132, 128, 1, kFooter - 2), QStringLiteral("brk")));
    r.summary.add(total(cols.centred(145, 146, 1, kFooter - 2), QStringLiteral("kolvo")));
    r.summary.add(total(cols.centred(166, 170, 1, kFooter - 2), QStringLiteral("summa"), QStringLiteral("#0.00")));
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
