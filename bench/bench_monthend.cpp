// Month-end tools at plant scale, on the month with the most shift records. Two lines:
// - month check: the eight counts (one statement, as the window and the month close read them) against the sum of
//   the eight checks' bare queries fetched one by one through libpq; and the counts' time on its own.
// - statements to PDF: the earnings statements of every worker of the month (fetch, layout, PDF) against the
//   detailed report by workers of the same month (fetch, layout, PDF).

#include <QApplication>
#include <QDate>
#include <QTemporaryDir>

#include "base/datamodule.h"
#include "base/registry.h"
#include "bench/benchsupport.h"
#include "core/report/report_layouter.h"
#include "core/report/report_painter.h"
#include "core/sqltext.h"
#include "monthend/earnings.h"
#include "monthend/month_checks.h"
#include "reports/detailed_by_workers.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    TDataModule6 dm;
    app().dm = &dm;
    dm.ADO_DB.open(settings);
    bench::RawConnection raw(settings);
    Db& db = dm.ADO_DB;

    auto busiest = db.query(QStringLiteral(
        "select extract(year from data)::int, extract(month from data)::int, count(*) from accounts_dep.smena "
        "group by 1, 2 order by 3 desc, 1 desc, 2 desc limit 1"));
    const int year = busiest->text(0, 0).toInt(), month = busiest->text(0, 1).toInt();
    const QString records = busiest->text(0, 2);
    const QString monthText = QStringLiteral("%1.%2").arg(month, 2, 10, QLatin1Char('0')).arg(year);

    // ---- month check ----------------------------------------------------------------------------------------
    std::vector<QByteArray> bare;
    for (int n = 1; n <= month_check::kChecks; ++n)
        bare.push_back(month_check::rowsSql(n, year, month).toUtf8());
    size_t sink = 0;
    std::vector<month_check::Count> found;
    const bench::Pair checks = bench::timePair(
        7, [] {}, [&] { found = month_check::counts(db, year, month); },
        [&] {
            for (const QByteArray& q : bare)
                raw.queryAll(q, sink);
        });
    QStringList counts;
    for (const month_check::Count& c : found)
        counts << QString::number(c.count);
    bench::report("month check", checks.ratio(), "≤ 2× and ≤ 1 s", checks.ratio() <= 2 && checks.program <= 1000,
                  QStringLiteral("the eight checks of %1 (%2 shift records; found %3): counts %4, the bare queries one "
                                 "by one %5 (median of 7)")
                      .arg(monthText, records, counts.join(QLatin1Char('/')), bench::ms(checks.program),
                           bench::ms(checks.baseline)));

    // ---- statements to PDF ----------------------------------------------------------------------------------
    const QDate first(year, month, 1);
    Dataset statements(db, QStringLiteral("earnings"));
    statements.setSql(earnings::rowsSql(year, month, 0));
    const report::ReportDefinition statementDef = earnings::layout(monthText);
    Dataset w_Report(db, QStringLiteral("w_Report"));
    w_Report.setSql(summary::detailedByWorkersSql());
    w_Report.setParam(QStringLiteral("data1"), first);
    w_Report.setParam(QStringLiteral("data2"), first.addMonths(1));
    const report::ReportDefinition reportDef = summary::detailedByWorkersLayout();
    QTemporaryDir dir;
    int statementPages = 0, reportPages = 0;
    auto toPdf = [&](Dataset& ds, const report::ReportDefinition& def, const QString& file, int& pages) {
        ds.close();
        ds.open();
        const report::Layout laid = report::layout(def, &ds);
        pages = laid.pageCount();
        if (!report::writePdf(laid, dir.filePath(file)))
            throw std::runtime_error("the PDF file could not be written");
    };
    const bench::Pair pdf = bench::timePair(
        5, [] {}, [&] { toPdf(statements, statementDef, QStringLiteral("statements.pdf"), statementPages); },
        [&] { toPdf(w_Report, reportDef, QStringLiteral("report.pdf"), reportPages); });
    const int workers = db.query(QStringLiteral("select count(distinct w_id) from (") +
                                 earnings::rowsSql(year, month, 0) + QStringLiteral(") s"))
                            ->text(0, 0)
                            .toInt();
    bench::report("statements to PDF", pdf.ratio(), "≤ 1.5×", pdf.ratio() <= 1.5,
                  QStringLiteral("earnings statements of %1 workers of %2 (%3 pages) %4, the detailed report by "
                                 "workers of that month (%5 pages) %6 (fetch, layout and PDF; median of 5)")
                      .arg(workers)
                      .arg(monthText)
                      .arg(statementPages)
                      .arg(bench::ms(pdf.program))
                      .arg(reportPages)
                      .arg(bench::ms(pdf.baseline)));
    app().dm = nullptr;
    return sink == 42 ? 1 : 0;
}
