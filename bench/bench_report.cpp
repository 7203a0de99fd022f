// Report and report to PDF: the detailed report by workers (the layout and query of TForm20) for the last whole
// month, against fetching its dataset. Three figures:
//   report         — the dataset fetched and laid out to pages, over the fetch alone (≤ 2×);
//   report memory  — the peak memory from before the fetch to the end of the layout, over the memory the fetched
//                    dataset holds (≤ 3×), both from the resident size of a fresh process (the peak reset before the
//                    fetch), the median of five such processes;
//   report to PDF  — the laid-out pages written as a PDF file by report::writePdf, over the PDF engine's floor:
//                    the same primitives painted on a QPdfWriter with no report logic (≤ 1.2×); the fetch and
//                    the layout are given beside it.

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
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

// The PDF engine's floor: every primitive of the laid-out pages painted as it stands on a QPdfWriter of the same
// resolution and page, with the fonts and pens made once: no fitting of texts, no measuring, no progress.
bool paintFloor(const report::Layout& l, const QString& file) {
    QPdfWriter pdf(file);
    pdf.setResolution(300);
    pdf.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), l.page.orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&pdf))
        return false;
    const double k = 300 / 25.4;
    std::vector<QFont> fonts;
    for (const report::TextStyle& s : l.textStyles) {
        QFont f(s.font.family);
        f.setPointSizeF(s.font.pointSize);
        f.setBold(s.font.bold);
        f.setItalic(s.font.italic);
        fonts.push_back(f);
    }
    std::vector<QPen> pens;
    for (const report::Frame& fr : l.penStyles)
        pens.emplace_back(fr.color, std::max(1.0, fr.width * k), fr.style);
    for (int i = 0; i < l.pageCount(); ++i) {
        if (i > 0)
            pdf.newPage();
        for (const report::Primitive& pr : l.pages[size_t(i)].items) {
            const QRectF r(pr.rect.x() * k, pr.rect.y() * k, pr.rect.width() * k, pr.rect.height() * k);
            switch (pr.kind) {
                case report::Primitive::Fill:
                    p.fillRect(r, pr.color);
                    break;
                case report::Primitive::Line:
                    p.setPen(pens[pr.style]);
                    p.drawLine(r.topLeft(), r.bottomRight());
                    break;
                case report::Primitive::Text:
                    p.setFont(fonts[pr.style]);
                    p.setPen(l.textStyles[pr.style].color);
                    p.drawText(r, int(l.textStyles[pr.style].alignment) | Qt::TextSingleLine, pr.text);
                    break;
            }
        }
    }
    return p.end();
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
    const QString floorPdf = dir.filePath(QStringLiteral("floor.pdf"));
    std::vector<double> fetch, layout, write, floor;
    for (int i = 0; i < 6; ++i) {
        w_Report.close();
        const double f = bench::millisecondsOf([&] { w_Report.open(); });
        report::Layout pagesLaid;
        const double l = bench::millisecondsOf([&] { pagesLaid = report::layout(def, &w_Report); });
        const double w = bench::millisecondsOf([&] {
            if (!report::writePdf(pagesLaid, pdf))
                throw std::runtime_error("the PDF file could not be written");
        });
        const double e = bench::millisecondsOf([&] {
            if (!paintFloor(pagesLaid, floorPdf))
                throw std::runtime_error("the floor's PDF file could not be written");
        });
        if (i == 0)
            continue;  // warms the caches and the fonts
        fetch.push_back(f);
        layout.push_back(l);
        write.push_back(w);
        floor.push_back(e);
    }
    const double f = bench::median(fetch), l = bench::median(layout), w = bench::median(write);
    const double e = bench::median(floor);
    const double reportRatio = (f + l) / f, pdfRatio = w / e;
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
    bench::report("report to PDF", pdfRatio, "≤ 1.2× the PDF engine's floor", pdfRatio <= 1.2,
                  QStringLiteral("PDF written %1 (%2 KiB), the same primitives painted with no report logic %3 (%4 "
                                 "KiB); fetch %5, layout %6; written over painted (median of 5)")
                      .arg(bench::ms(w))
                      .arg(pdfSize / 1024)
                      .arg(bench::ms(e))
                      .arg(QFile(floorPdf).size() / 1024)
                      .arg(bench::ms(f), bench::ms(l)));
    return 0;
}
