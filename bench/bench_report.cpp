// Report and report to PDF: the detailed report by workers (the layout and query of TForm20) for the last whole
// month, against fetching its dataset. Three figures:
//   report         — the dataset fetched and laid out to pages, over the fetch alone (≤ 2×);
//   report memory  — the peak memory from before the fetch to the end of the layout, over the memory the fetched
//                    dataset holds (≤ 3×), both from the resident size of a fresh process (the peak reset before the
//                    fetch), the median of five such processes;
//   report to PDF  — fetched, laid out and written as a PDF file, over the fetch alone (≤ 5×).

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "base/datamodule.h"
#include "bench/benchsupport.h"
#include "core/report/report_painter.h"
#include "core/sqltext.h"
#include "reports/detailed_by_workers.h"

namespace {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long statusKiB(const char* name) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Resets the peak resident size to the current one.
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    TDataModule6 dm;
    dm.ADO_DB.open(settings);

    auto latest = dm.ADO_DB.query(QStringLiteral("select max(data) from accounts_dep.smena"));
    const QDate last = latest->value(0, 0).toDate();
    const QDate first = QDate(last.year(), last.month(), 1).addMonths(-1);
    const QDate next = first.addMonths(1);
    const qlonglong records = dm.ADO_DB
                                  .query(QStringLiteral("select count(*) from accounts_dep.smena where data>=%1 and "
                                                        "data<%2")
                                             .arg(sql::toDate(first), sql::toDate(next)))
                                  ->text(0, 0)
                                  .toLongLong();

    // The report as the summary reports window prepares it: its query with the period, its layout.
    Dataset w_Report(dm.ADO_DB, QStringLiteral("w_Report"));
    w_Report.setSql(summary::detailedByWorkersSql());
    w_Report.setParam(QStringLiteral("data1"), first);
    w_Report.setParam(QStringLiteral("data2"), next);
    report::ReportDefinition def = summary::detailedByWorkersLayout();
    def.title = QStringLiteral("Детальный отчет по рабочим за %1").arg(first.toString(QStringLiteral("MM.yyyy")));

    // Memory, in a process of its own (nothing of the report allocated before): the dataset's growth and the
    // peak growth until the pages are laid out, printed as two numbers for the parent to collect.
    if (argc > 3 && QByteArray(argv[3]) == "--memory") {
        resetPeak();
        const long before = statusKiB("VmRSS");
        w_Report.open();
        const long fetched = statusKiB("VmRSS");
        { const report::Layout layout = report::layout(def, &w_Report); }
        const long peak = statusKiB("VmHWM");
        std::printf("%ld %ld\n", fetched - before, peak - before);
        return 0;
    }
    // The memory figure is the median of several such processes, like the times.
    std::vector<double> ratios, datasets, peaks;
    for (int i = 0; i < 5; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QStringLiteral("--memory")});
        if (!child.waitForFinished(120000) || child.exitCode() != 0)
            throw std::runtime_error("the memory run failed");
        const QStringList kib = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char(' '));
        if (kib.size() != 2)
            throw std::runtime_error("the memory run printed no figures");
        datasets.push_back(kib[0].toDouble());
        peaks.push_back(kib[1].toDouble());
        ratios.push_back(datasets.back() > 0 ? peaks.back() / datasets.back() : 0);
    }
    const double memory = bench::median(ratios);
    const double datasetKiB = bench::median(datasets), peakKiB = bench::median(peaks);
    w_Report.open();
    const int pages = report::layout(def, &w_Report).pageCount();
    const int rows = w_Report.recordCount();

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    std::vector<double> fetch, layout, write;
    for (int i = 0; i < 6; ++i) {
        w_Report.close();
        const double f = bench::millisecondsOf([&] { w_Report.open(); });
        report::Layout pagesLaid;
        const double l = bench::millisecondsOf([&] { pagesLaid = report::layout(def, &w_Report); });
        const double w = bench::millisecondsOf([&] {
            if (!report::writePdf(pagesLaid, pdf))
                throw std::runtime_error("the PDF file could not be written");
        });
        if (i == 0)
            continue;  // warms the caches and the fonts
        fetch.push_back(f);
        layout.push_back(l);
        write.push_back(w);
    }
    const double f = bench::median(fetch), l = bench::median(layout), w = bench::median(write);
    const double reportRatio = (f + l) / f, pdfRatio = (f + l + w) / f;
    const qint64 pdfSize = QFile(pdf).size();
    bench::report("report", reportRatio, "≤ 2×", reportRatio <= 2,
                  QStringLiteral("detailed report by workers of %1 (%2 shift records → %3 lines, %4 pages): fetch %5, "
                                 "layout %6, fetch and layout over fetch (median of 5)")
                      .arg(first.toString(QStringLiteral("MM.yyyy")))
                      .arg(records)
                      .arg(rows)
                      .arg(pages)
                      .arg(bench::ms(f), bench::ms(l)));
    bench::report("report memory", memory, "≤ 3×", memory <= 3 && datasetKiB > 0,
                  QStringLiteral("peak resident growth from before the fetch to the laid-out pages %1 KiB, the "
                                 "fetched dataset %2 KiB (median of 5 processes)")
                      .arg(peakKiB, 0, 'f', 0)
                      .arg(datasetKiB, 0, 'f', 0));
    bench::report("report to PDF", pdfRatio, "≤ 5× the fetch", pdfRatio <= 5,
                  QStringLiteral("fetch %1, layout %2, PDF written %3 (%4 KiB), all three over the fetch (median of 5)")
                      .arg(bench::ms(f), bench::ms(l), bench::ms(w))
                      .arg(pdfSize / 1024));
    return 0;
}
