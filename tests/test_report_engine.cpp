// The banded report engine: bands in order, group totals, page footers, masks, and a PDF read back.
#include <QElapsedTimer>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "base/shared_rules.h"
#include "core/dataset.h"
#include "core/report/report_layouter.h"
#include "core/report/report_painter.h"
#include "reports/summary_reports.h"
#include "support/testdb.h"
#include "timesheet/timesheet_print.h"

using namespace report;

namespace {

// Workers (outer group) and nomenclature groups (inner group) with amounts to total.
const char* const kRows = R"sql(
select * from (values
  ('Иванов', 'Ведра', 12.3456, 10),
  ('Иванов', 'Ведра', 1.1, 5),
  ('Иванов', 'Тазы', 2.5, 7),
  ('Петров', 'Ведра', 100.004, 1)
) t(fio, nom, summa, kolvo) order by fio, nom
)sql";

ReportDefinition groupedReport() {
    ReportDefinition r;
    r.title = QStringLiteral("Отчет");
    r.reportHeader.height = 10;
    r.reportHeader.add(label({0, 0, 100, 8}, QStringLiteral("Заголовок"))).name = QStringLiteral("QRLabel1");
    r.reportHeader.fill = QColor(244, 244, 244);
    Group byWorker;
    byWorker.key = QStringLiteral("fio");
    byWorker.header.height = 6;
    byWorker.header.add(field({0, 0, 60, 6}, QStringLiteral("fio"), Font{QStringLiteral("Arial"), 10, true}));
    byWorker.footer.height = 6;
    byWorker.footer.add(sum({150, 0, 30, 6}, QStringLiteral("summa"), {}, Qt::AlignCenter, QStringLiteral("#0.00")));
    Group byNom;
    byNom.key = QStringLiteral("nom");
    byNom.header.height = 6;
    byNom.header.add(field({5, 0, 60, 6}, QStringLiteral("nom")));
    byNom.footer.height = 6;
    byNom.footer.add(sum({120, 0, 30, 6}, QStringLiteral("kolvo")));
    byNom.footer.add(sum({150, 0, 30, 6}, QStringLiteral("summa")));
    r.groups = {byWorker, byNom};
    r.detail.height = 5;
    r.detail.add(computed({10, 0, 40, 5}, [](const Row& row) { return row.text(QStringLiteral("nom")) + "!"; }));
    r.detail.add(field({120, 0, 30, 5}, QStringLiteral("kolvo"), {}, Qt::AlignCenter));
    r.detail.add(field({150, 0, 30, 5}, QStringLiteral("summa"), {}, Qt::AlignCenter, QStringLiteral("#0.000")));
    r.summary.height = 8;
    r.summary.frame.sides = Frame::All;
    r.summary.add(label({100, 0, 20, 8}, QStringLiteral("Итого:")));
    r.summary.add(sum({120, 0, 30, 8}, QStringLiteral("kolvo"), {}, Qt::AlignCenter, QStringLiteral("#0")));
    r.summary.add(sum({150, 0, 30, 8}, QStringLiteral("summa"), {}, Qt::AlignCenter, QStringLiteral("#0.00")));
    r.pageFooter.height = 6;
    r.pageFooter.add(pageNumber({150, 0, 40, 6}, QStringLiteral("Стр. %1 из %2")));
    return r;
}

}  // namespace

class TestReportEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Band order, group totals reset after each group, grand totals, masks, page number with the page count.
    void groupedReport() {
        TestDb db;
        Db conn;
        db.connect(conn);
        Dataset ds(conn, QStringLiteral("t"));
        ds.setSql(QString::fromUtf8(kRows));
        ds.open();
        ds.setRecNo(3);
        const Layout l = layout(::groupedReport(), &ds, {QDate(2024, 3, 5)});
        QCOMPARE(ds.recNo(), 3);  // the dataset's current row is left alone
        QCOMPARE(l.pageCount(), 1);
        QCOMPARE(l.bandNames(0), (QStringList{"reportHeader", "groupHeader:fio", "groupHeader:nom", "detail", "detail",
                                              "groupFooter:nom", "groupHeader:nom", "detail", "groupFooter:nom",
                                              "groupFooter:fio", "groupHeader:fio", "groupHeader:nom", "detail",
                                              "groupFooter:nom", "groupFooter:fio", "summary", "pageFooter"}));
        QCOMPARE(l.texts(0),
                 (QStringList{"Заголовок", "Иванов", "Ведра",   "Ведра!", "10",     "12,346",     "Ведра!",  "5",
                              "1,100",     "15",     "13,4456", "Тазы",   "Тазы!",  "7",          "2,500",   "7",
                              "2,5",       "15,95",  "Петров",  "Ведра",  "Ведра!", "1",          "100,004", "1",
                              "100,004",   "100,00", "Итого:",  "23",     "115,95", "Стр. 1 из 1"}));
        // The page footer sits at the bottom of the page; the summary's frame has four sides.
        const QString dump = l.dump();
        QVERIFY2(dump.contains(" band pageFooter @281.0 row 3\n"), qPrintable(dump));
        QCOMPARE(dump.count("  line "), 4);
        QVERIFY(dump.contains("  fill 10.0,10.0 190.0x10.0 #f4f4f4\n"));
    }

    // A report over many rows: page header and the repeated group header on every page, the page footer on
    // every page (the last one included), nothing lost between pages; an empty report still prints.
    void pagesAndEmptyReport() {
        TestDb db;
        Db conn;
        db.connect(conn);
        Dataset ds(conn, QStringLiteral("t"));
        ds.setSql(QStringLiteral("select 'Все' as g, n from generate_series(1, 130) n order by n"));
        ds.open();
        ReportDefinition r;
        r.page.orientation = QPageLayout::Landscape;  // 190 mm of height: 6 header + 6 group + 6 footer
        r.pageHeader.height = 6;
        r.pageHeader.add(label({0, 0, 50, 6}, QStringLiteral("Шапка")));
        Group g;
        g.key = QStringLiteral("g");
        g.repeatHeader = true;
        g.header.height = 6;
        g.header.add(field({0, 0, 50, 6}, QStringLiteral("g")));
        g.footer.height = 6;
        g.footer.add(sum({0, 0, 50, 6}, QStringLiteral("n")));
        r.groups = {g};
        r.detail.height = 5;
        r.detail.add(field({0, 0, 50, 5}, QStringLiteral("n")));
        r.pageFooter.height = 6;
        r.pageFooter.add(pageNumber({0, 0, 50, 6}));

        const Layout l = layout(r, &ds);
        QVERIFY(l.pageCount() > 3);
        QStringList numbers;
        for (int p = 0; p < l.pageCount(); ++p) {
            const QStringList bands = l.bandNames(p);
            QCOMPARE(bands.first(), QStringLiteral("pageHeader"));
            QCOMPARE(bands.at(1), QStringLiteral("groupHeader:g"));
            QCOMPARE(bands.last(), QStringLiteral("pageFooter"));
            QCOMPARE(l.texts(p).last(), QString::number(p + 1));
            for (const auto& b : l.pages[size_t(p)].bands)
                if (b.name == "detail")
                    numbers << QString::number(b.row + 1);
            for (const auto& b : l.pages[size_t(p)].bands)  // every band inside the page's body
                QVERIFY(b.top >= 10 && b.top <= 210 - 10);
        }
        QCOMPARE(numbers.size(), 130);
        QCOMPARE(numbers.last(), QStringLiteral("130"));
        QVERIFY(l.texts(l.pageCount() - 1).contains(QStringLiteral("8515")));  // 1 + ... + 130

        Dataset empty(conn, QStringLiteral("e"));
        empty.setSql(QStringLiteral("select 'x' as g, 1 as n where false"));
        empty.open();
        const Layout e = layout(r, &empty);
        QCOMPARE(e.pageCount(), 1);
        QCOMPARE(e.bandNames(0), (QStringList{"pageHeader", "pageFooter"}));
    }

    // A block continued on a new page repeats its heading there marked «(продолжение)»; a block starting on a
    // page is not marked. The caption row stands under the title on the first page and at the top of every
    // other one.
    void continuedHeadingsAndCaptions() {
        TestDb db;
        Db conn;
        db.connect(conn);
        Dataset ds(conn, QStringLiteral("t"));
        ds.setSql(
            QStringLiteral("select case when n <= 50 then 'Иванов' when n <= 52 then 'Петров' else 'Сидоров' "
                           "end as fio, n from generate_series(1, 130) n order by n"));
        ds.open();
        ReportDefinition r;
        r.page.orientation = QPageLayout::Landscape;
        r.reportHeader.height = 8;
        r.reportHeader.add(label({0, 0, 100, 8}, QStringLiteral("Заголовок")));
        r.pageHeader.height = 6;
        r.pageHeader.add(label({0, 0, 50, 6}, QStringLiteral("Кол-во")));
        Group g;
        g.key = QStringLiteral("fio");
        g.repeatHeader = true;
        g.continuedItem = QStringLiteral("key");
        g.header.height = 6;
        g.header.add(field({0, 0, 80, 6}, QStringLiteral("fio"))).name = QStringLiteral("key");
        g.footer.height = 6;
        g.footer.add(sum({0, 0, 50, 6}, QStringLiteral("n")));
        r.groups = {g};
        r.detail.height = 5;
        r.detail.add(field({0, 0, 50, 5}, QStringLiteral("n")));
        r.pageFooter.height = 6;
        r.pageFooter.add(pageNumber({0, 0, 50, 6}));

        const Layout l = layout(r, &ds);
        QVERIFY(l.pageCount() >= 4);
        QCOMPARE(l.bandNames(0).mid(0, 3), (QStringList{"reportHeader", "pageHeader", "groupHeader:fio"}));
        QCOMPARE(l.texts(0).mid(0, 3), (QStringList{"Заголовок", "Кол-во", "Иванов"}));
        int continued = 0;
        QString lastFio;  // the block of the previous page's last line
        for (int p = 0; p < l.pageCount(); ++p) {
            const Page& page = l.pages[size_t(p)];
            QCOMPARE(page.bands.front().name, p == 0 ? QStringLiteral("reportHeader") : QStringLiteral("pageHeader"));
            const QStringList texts = l.texts(p);
            QCOMPARE(texts.count(QStringLiteral("Кол-во")), 1);
            QVERIFY(!texts.contains(QStringLiteral("Заголовок")) || p == 0);
            if (p > 0) {
                // The first heading of the page: marked exactly when the page goes on with the block before.
                const int firstRow = [&] {
                    for (const PlacedBand& b : page.bands)
                        if (b.name == QLatin1String("detail"))
                            return b.row;
                    return -1;
                }();
                const QString fio = ds.textAt(firstRow, 0);
                const QString heading = texts.at(1);
                if (fio == lastFio) {
                    QCOMPARE(heading, fio + QStringLiteral(" (продолжение)"));
                    ++continued;
                } else {
                    QCOMPARE(heading, fio);
                }
            }
            for (const PlacedBand& b : page.bands)
                if (b.name == QLatin1String("detail"))
                    lastFio = ds.textAt(b.row, 0);
        }
        QVERIFY(continued >= 2);
    }

    // No heading stands last on a page: a worker's heading goes to the next page with his first group's
    // heading and first line.
    void noHeadingLastOnAPage() {
        TestDb db;
        Db conn;
        db.connect(conn);
        Dataset ds(conn, QStringLiteral("t"));
        ds.setSql(
            QStringLiteral("select 'Работник ' || lpad((n / 23)::text, 3, '0') as fio, 'Группа ' || "
                           "lpad((n / 5)::text, 4, '0') as nom, 1.5 as summa, n as kolvo "
                           "from generate_series(1, 900) n order by n"));
        ds.open();
        const Layout l = layout(::groupedReport(), &ds);
        QVERIFY(l.pageCount() > 10);
        for (int p = 0; p < l.pageCount(); ++p) {
            const QStringList bands = l.bandNames(p);
            QCOMPARE(bands.last(), QStringLiteral("pageFooter"));
            QVERIFY2(!bands.at(bands.size() - 2).startsWith(QLatin1String("groupHeader")),
                     qPrintable(QStringLiteral("page %1: %2").arg(p + 1).arg(bands.join(' '))));
        }
    }

    // The period of a report's title names the last day its query includes (the queries take data < end).
    void periodTexts() {
        QCOMPARE(summary::reportTitle(QStringLiteral("   Отчет по рабочим за период с "), QDate(2026, 11, 1),
                                      QDate(2026, 12, 1)),
                 QStringLiteral("   Отчет по рабочим за период с 01.11.2026 по 30.11.2026"));
        QCOMPARE(summary::reportTitle(QStringLiteral("с "), QDate(2023, 12, 1), QDate(2024, 1, 1)),
                 QStringLiteral("с 01.12.2023 по 31.12.2023"));
        QCOMPARE(summary::lastDayText(QDate(2024, 3, 1)), QStringLiteral("(по 29.02.2024 включительно)"));
    }

    // The printed time sheet leaves no worker alone on a last page where slightly lower rows bring him onto
    // the page before; otherwise its rows keep their height. Its heading names the month and the shifts.
    void timesheetLastPage() {
        TestDb db;
        Db conn;
        db.connect(conn);
        ReportDefinition def = timesheet::printedSheetLayout();
        def.item(QStringLiteral("QRLabelHead")).text = timesheet::printedHeading(QStringLiteral("Март"), "2024");
        QCOMPARE(def.item(QStringLiteral("QRLabelHead")).text,
                 QStringLiteral("Табель по времени за Март 2024 г.: все смены и хоз. работы"));
        auto details = [](const Layout& l, int page) {
            int n = 0;
            for (const PlacedBand& b : l.pages[size_t(page)].bands)
                n += b.name == QLatin1String("detail");
            return n;
        };
        int alone = 0;
        for (int rows = 30; rows <= 75; ++rows) {
            Dataset ds(conn, QStringLiteral("h"));
            ds.setSql(QStringLiteral("select 'Работник ' || lpad(n::text, 3, '0') as fio, 8 as sd1 "
                                     "from generate_series(1, %1) n order by n")
                          .arg(rows));
            ds.open();
            const Layout plain = layout(def, &ds);
            const Layout fitted = timesheet::layoutSheet(def, &ds);
            int printed = 0;
            for (int p = 0; p < fitted.pageCount(); ++p)
                printed += details(fitted, p);
            QCOMPARE(printed, rows);
            QVERIFY(fitted.texts(0).contains(def.item(QStringLiteral("QRLabelHead")).text));
            if (plain.pageCount() > 1 && details(plain, plain.pageCount() - 1) == 1) {
                ++alone;
                QCOMPARE(fitted.pageCount(), plain.pageCount() - 1);
                // The rows are at least 90 % of their height.
                const auto& bands = fitted.pages[0].bands;
                double first = -1, second = -1;
                for (const PlacedBand& b : bands)
                    if (b.name == QLatin1String("detail")) {
                        if (first < 0)
                            first = b.top;
                        else if (second < 0)
                            second = b.top;
                    }
                QVERIFY2(second - first >= 4.5 - 1e-6 && second - first < 5,
                         qPrintable(QString::number(second - first)));
            } else {
                QCOMPARE(fitted.dump(), plain.dump());
            }
        }
        QVERIFY(alone >= 1);
    }

    // The expressions the printed layouts share, and the default number form.
    void valueTexts() {
        QCOMPARE(rules::productKindText(0), QStringLiteral("Готовая продукция"));
        QCOMPARE(rules::productKindText(1), QStringLiteral("Заготовки"));
        QCOMPARE(rules::colourText(0), QStringLiteral(" "));
        QCOMPARE(rules::colourText(1), QStringLiteral(" (грунт)"));
        QCOMPARE(rules::colourText(3020), QStringLiteral(" (RAL: 3020)"));
        QCOMPARE(formatValue(QVariant(2.5), QStringLiteral("#0")), QStringLiteral("3"));
        QCOMPARE(formatValue(QVariant(7.0), QStringLiteral("#0.00")), QStringLiteral("7,00"));
        QCOMPARE(formatValue(QVariant(0.1 + 0.2), {}), QStringLiteral("0,3"));
        QCOMPARE(formatValue(QVariant(), QStringLiteral("#0.00")), QString());
    }

    // The pages written into a PDF and read back as text; a large report laid out (the time is printed).
    void pdfAndLargeReport() {
        TestDb db;
        Db conn;
        db.connect(conn);
        Dataset ds(conn, QStringLiteral("t"));
        ds.setSql(QString::fromUtf8(kRows));
        ds.open();
        ReportDefinition def = ::groupedReport();
        def.item(QStringLiteral("QRLabel1")).text = QStringLiteral("Отчет по рабочим за март");
        const Layout l = layout(def, &ds);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("r.pdf");
        QVERIFY(writePdf(l, pdf));
        QProcess p;
        p.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(p.waitForFinished(60000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* t : {"Отчет по рабочим за март", "Иванов", "Петров", "13,4456", "115,95", "Стр. 1 из 1"})
            QVERIFY2(text.contains(QString::fromUtf8(t)), qPrintable(text));

        Dataset big(conn, QStringLiteral("big"));
        big.setSql(
            QStringLiteral("select 'Работник ' || (n / 40) as fio, 'Группа ' || (n / 8) as nom, n * 0.5 as summa,"
                           " n as kolvo from generate_series(1, 30000) n order by n"));
        big.open();
        QElapsedTimer t;
        t.start();
        const Layout bl = layout(::groupedReport(), &big);
        qInfo("30000 rows laid out to %d pages in %lld ms", bl.pageCount(), t.elapsed());
        QVERIFY(bl.texts(bl.pageCount() - 1).contains(QStringLiteral("225007500,00")));  // 0.5 * 30000 * 30001 / 2
    }
};

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
