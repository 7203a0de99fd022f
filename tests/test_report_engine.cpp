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
#include "support/testdb.h"

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
