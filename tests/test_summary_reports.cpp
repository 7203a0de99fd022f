// Summary reports: the four printed layouts on a small period, the reports window with its period, product kind
// choice, Excel export and login restrictions, and a report saved as PDF from the preview.
#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "base/login_modes.h"
#include "base/registry.h"
#include "core/excel_writer.h"
#include "core/report/report_painter.h"
#include "journal/main_window.h"
#include "reports/detailed_by_products.h"
#include "reports/detailed_by_workers.h"
#include "reports/report_by_products.h"
#include "reports/report_by_workers.h"
#include "reports/summary_reports.h"
#include "support/testdb.h"
#include "support/workbook.h"

namespace {

// March 2024: Алексеев has records in two nomenclature groups (Ведра: a finished product without colour and a
// primed blank; Тазы: colour 7), Борисов one in Тазы without colour. The records of 29 February and 1 April lie
// outside the period. The operations carry a price of their own (oper.cena) that no report may take.
const char* const kFixture = R"sql(
insert into cmn_contractor.person(id, s_caption, s_code) values
  (5001, 'Алексеев А.А.', '17'), (5002, 'Борисов Б.Б.', '18');
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра'), (101, 2, 'Тазы');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values
  (230, 'В-10', 2.5, 100, 6), (231, 'Т-5', 0.5, 101, 6);
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (8, 'окраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena) values
  (411, 7, 0, 230, 99), (412, 8, 1, 230, 99), (413, 7, 0, 231, 99);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, prize, ok) values
  ('2024-03-01', 1, 17, 230, 411, 2.5, 16, 1, 0, 10, 'no'),
  ('2024-03-15', 2, 17, 230, 412, 1.25, 20, 0, 1, 0, 'no'),
  ('2024-03-31', 1, 17, 231, 413, 3, 5, 0, 7, 0, 'ok'),
  ('2024-03-10', 1, 18, 231, 413, 2, 4, 1, 0, 0, 'no'),
  ('2024-04-01', 1, 17, 230, 411, 100, 100, 0, 0, 0, 'no'),
  ('2024-02-29', 1, 18, 230, 411, 100, 100, 0, 0, 0, 'no');
)sql";

struct Fixture : AppFixture {
    Fixture() {
        db.exec(QString::fromUtf8(kFixture));
        w()->DTPicker1->setDate(QDate(2024, 3, 1));
        w()->DTPicker2->setDate(QDate(2024, 4, 1));
    }
    static TForm18* w() { return app().form18; }

    // Presses a report button and lays out the report as the preview shows it.
    report::Layout print(QPushButton* button, SummaryLayout* layout,
                         std::source_location where = std::source_location::current()) {
        report::Layout out;
        ui.onModal(
            [&](QDialog* d) {
                QCOMPARE(d->objectName(), QStringLiteral("ReportPreview"));
                QVERIFY(d->windowState() & Qt::WindowMaximized);
                QCOMPARE(d->findChild<QPrintPreviewWidget*>()->zoomMode(), QPrintPreviewWidget::FitToWidth);
                out = layout->Prepare();
            },
            where);
        button->click();
        return out;
    }
};

// Each band of a page as "name: text|text|...".
QStringList bands(const report::Layout& l, int page = 0) {
    QStringList out;
    const report::Page& p = l.pages.at(size_t(page));
    for (size_t b = 0; b < p.bands.size(); ++b) {
        QStringList texts;
        for (const report::Primitive& pr : p.items)
            if (pr.band == b && pr.kind == report::Primitive::Text)
                texts << pr.text;
        out << p.bands[b].name + QStringLiteral(": ") + texts.join(QLatin1Char('|'));
    }
    return out;
}

// The texts printed at a distance x (mm) from the left margin in the detail lines, sorted.
QStringList detailColumn(const report::Layout& l, double x) {
    QStringList out;
    for (const report::Page& p : l.pages)
        for (const report::Primitive& pr : p.items)
            if (pr.kind == report::Primitive::Text && p.bands[pr.band].name == QLatin1String("detail") &&
                qAbs(pr.rect.left() - 10 - x) < 0.01)
                out << pr.text;
    out.sort();
    return out;
}

// A workbook row as "A|B|C|D|E".
QString sheetRow(const QJsonObject& cells, int r) {
    QStringList v;
    for (const char* c : {"A", "B", "C", "D", "E"})
        v << cells.value(QStringLiteral("%1%2").arg(QLatin1String(c)).arg(r)).toVariant().toString();
    return v.join(QLatin1Char('|'));
}

}  // namespace

class TestSummaryReports : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        qputenv("TABEL_XLSX_OPENER", "true");
        plainWriter().setFolder(dir_.filePath(QStringLiteral("xlsx")));
    }

    // The default period is the whole previous month; the menu item puts it into the pickers and shows the
    // window, which keeps its product kind choice between openings.
    void defaultPeriod() {
        QCOMPARE(TForm1::summaryPeriod(QDate(2024, 4, 15)), std::make_pair(QDate(2024, 3, 1), QDate(2024, 4, 1)));
        QCOMPARE(TForm1::summaryPeriod(QDate(2024, 1, 31)), std::make_pair(QDate(2023, 12, 1), QDate(2024, 1, 1)));
        QCOMPARE(TForm1::summaryPeriod(QDate(2024, 12, 1)), std::make_pair(QDate(2024, 11, 1), QDate(2024, 12, 1)));

        AppFixture f;
        TForm18* w = app().form18;
        QCOMPARE(w->windowTitle(), QStringLiteral("Отчеты (8)"));
        QCOMPARE(w->RadioGroup1->itemIndex(), 0);
        // The first day of last month and the first of this one.
        const QDate to(QDate::currentDate().year(), QDate::currentDate().month(), 1), from = to.addMonths(-1);
        for (int opening = 0; opening < 2; ++opening) {
            f.ui.onModal([&](QDialog*) {
                QCOMPARE(w->DTPicker1->date(), from);
                QCOMPARE(w->DTPicker2->date(), to);
                w->DTPicker1->setDate(QDate(2020, 5, 5));
                if (opening == 0)
                    w->RadioGroup1->button(2)->click();
                QCOMPARE(w->RadioGroup1->itemIndex(), 2);
                QTest::keyClick(w, Qt::Key_Escape);
            });
            app().form1->N10Click();
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(f.ui.modalShown, (QStringList{"TForm18", "TForm18"}));
    }

    // The report by workers: a worker with two nomenclature groups gets one header, a header per group with its
    // lines and totals, then the worker's total; the period's end date and the day before its start are left out.
    void reportByWorkers() {
        Fixture f;
        const report::Layout l = f.print(f.w()->Button4, app().form16);
        QVERIFY(f.ui.errors.isEmpty());
        QVERIFY(!app().form16->t_Report.isOpen());
        QCOMPARE(l.pageCount(), 1);
        QStringList got = bands(l);
        // The two lines of Ведра come in no fixed order.
        std::sort(got.begin() + 4, got.begin() + 6);
        QCOMPARE(got, (QStringList{
                          "reportHeader:    Отчет по рабочим за период с 01.03.2024 по 31.03.2024",
                          "captions: Вид|Операция|Цвет|Кол-во|Сумма, р.",
                          "groupHeader:fio: Алексеев А.А.",
                          "groupHeader:nom: Ведра",
                          "detail: Готовая продукция|Сборка| |15|37,500",
                          "detail: Заготовки|окраска| (грунт)|20|25,000",
                          "groupFooter:nom: 35|62,500",
                          "groupHeader:nom: Тазы",
                          "detail: Готовая продукция|Сборка| (RAL: 7)|5|15,000",
                          "groupFooter:nom: 5|15,000",
                          "groupFooter:fio: 77,50",
                          "groupHeader:fio: Борисов Б.Б.",
                          "groupHeader:nom: Тазы",
                          "detail: Готовая продукция|Сборка| |3|6,000",
                          "groupFooter:nom: 3|6,000",
                          "groupFooter:fio: 6,00",
                          "summary: Итого:|83,50",
                          "pageFooter: 1",
                      }));
        // The worker's total is underlined; the grand total is framed on all sides.
        const QString dump = l.dump();
        QVERIFY2(dump.contains(QRegularExpression(R"(band groupFooter:fio @[\d.]+ row 2\n(  .*\n)*?  line 10\.0,)")),
                 qPrintable(dump));
    }

    // The products report totals boxes (net pieces × mass) and pieces per nomenclature group; the grand total of
    // boxes is a whole number, the group totals in the general form.
    void reportByProducts() {
        Fixture f;
        const report::Layout l = f.print(f.w()->Button2, app().form17);
        QStringList got = bands(l);
        std::sort(got.begin() + 3, got.begin() + 5);
        std::sort(got.begin() + 7, got.begin() + 9);
        QCOMPARE(got, (QStringList{
                          "reportHeader:    Отчет по продукции за период с 01.03.2024 по 31.03.2024",
                          "captions: Вид|Операция|Цвет|Коробки|Количество",
                          "groupHeader:nom: Ведра",
                          "detail: Готовая продукция|Сборка| |37,5|15",
                          "detail: Заготовки|окраска| (грунт)|50|20",
                          "groupFooter:nom: 87,5|35",
                          "groupHeader:nom: Тазы",
                          "detail: Готовая продукция|Сборка| (RAL: 7)|2,5|5",
                          "detail: Готовая продукция|Сборка| |1,5|3",
                          "groupFooter:nom: 4|8",
                          "summary: Итого:|92|43",
                          "pageFooter: 1",
                      }));
    }

    // The detailed reports count pieces made with the defective ones apart, and print the colour as its number.
    void detailedReports() {
        Fixture f;
        const report::Layout workers = f.print(f.w()->Button1, app().form20);
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QStringList got = bands(workers);
        std::sort(got.begin() + 3, got.begin() + 6);
        QCOMPARE(got, (QStringList{
                          "reportHeader:    Детальный отчет по рабочим за период с 01.03.2024 по 31.03.2024",
                          "captions: Марка|Операция|Цвет|Вид|Брак|Количество|Сумма",
                          "groupHeader:fio: Алексеев А.А.",
                          "detail: В-10|Сборка|0|Готовая продукция|1|16|37,50",
                          "detail: В-10|окраска|1|Заготовки|0|20|25,00",
                          "detail: Т-5|Сборка|7|Готовая продукция|0|5|15,00",
                          "groupFooter:fio: 1|41|77,50",
                          "groupHeader:fio: Борисов Б.Б.",
                          "detail: Т-5|Сборка|0|Готовая продукция|1|4|6,00",
                          "groupFooter:fio: 1|4|6,00",
                          "summary: Итого:|2|45|83,50",
                          "pageFooter: 1",
                      }));

        const report::Layout products = f.print(f.w()->Button3, app().form21);
        got = bands(products);
        std::sort(got.begin() + 3, got.begin() + 5);
        std::sort(got.begin() + 7, got.begin() + 9);
        QCOMPARE(got, (QStringList{
                          "reportHeader:    Детальный отчет по продукции за период с 01.03.2024 по 31.03.2024",
                          "captions: Марка|Операция|Цвет|Вид|Брак|Коробки|Кол-во|Сумма",
                          "groupHeader:nom: Ведра",
                          "detail: В-10|Сборка|0|Готовая продукция|1|40|16|37,500",
                          "detail: В-10|окраска|1|Заготовки|0|50|20|25,000",
                          "groupFooter:nom: 1|90,00|36|62,50",
                          "groupHeader:nom: Тазы",
                          "detail: Т-5|Сборка|0|Готовая продукция|1|2|4|6,000",
                          "detail: Т-5|Сборка|7|Готовая продукция|0|2,5|5|15,000",
                          "groupFooter:nom: 1|4,50|9|21,00",
                          "summary: Итого:|2|94,5|45|83,50",
                          "pageFooter: 1",
                      }));
        QCOMPARE(f.ui.modalShown, (QStringList{"ReportPreview", "ReportPreview"}));
    }

    // The detail fields stand at their columns; colour 0 prints blank in the reports by workers and products and
    // as 0 in the detailed ones.
    void columnsAndColour_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<double>>("lefts");
        QTest::addColumn<double>("colourX");
        QTest::addColumn<QStringList>("colours");
        const QStringList named{" ", " ", " (RAL: 7)", " (грунт)"}, numbers{"0", "0", "1", "7"};
        QTest::newRow("by workers") << "Button4" << QList<double>{13, 57, 102, 138, 163} << 102.0 << named;
        QTest::newRow("by products") << "Button2" << QList<double>{13, 55, 93, 134, 163} << 93.0 << named;
        QTest::newRow("detailed by workers")
            << "Button1" << QList<double>{0, 43, 74, 91, 128, 146, 170} << 74.0 << numbers;
        QTest::newRow("detailed by products")
            << "Button3" << QList<double>{1, 53, 81, 100, 125, 134, 152, 170} << 81.0 << numbers;
    }
    void columnsAndColour() {
        QFETCH(QString, button);
        QFETCH(QList<double>, lefts);
        QFETCH(double, colourX);
        QFETCH(QStringList, colours);
        Fixture f;
        const QHash<QString, SummaryLayout*> layouts{
            {"Button4", app().form16}, {"Button2", app().form17}, {"Button1", app().form20}, {"Button3", app().form21}};
        SummaryLayout* layout = layouts.value(button);
        QList<double> placed;
        for (const report::Item& i : layout->QuickRep1.detail.items)
            placed << i.rect.left();
        QCOMPARE(placed, lefts);
        const report::Layout l = f.print(f.w()->findChild<QPushButton*>(button), layout);
        QCOMPARE(detailColumn(l, colourX), colours);
        QCOMPARE(l.page.orientation, QPageLayout::Portrait);
        QCOMPARE(l.page.marginLeft, 10.0);
    }

    // "Заготовки" limits every report and the workbook to blanks; the progress counts only those. The period
    // and the choice of the moment are read by every export.
    void blanksOnly() {
        Fixture f;
        TForm18* w = f.w();
        w->RadioGroup1->button(2)->click();
        const QList<QPair<QPushButton*, SummaryLayout*>> reports{{w->Button4, app().form16},
                                                                 {w->Button2, app().form17},
                                                                 {w->Button1, app().form20},
                                                                 {w->Button3, app().form21}};
        for (const auto& [button, layout] : reports) {
            const report::Layout l = f.print(button, layout);
            const QStringList texts = l.texts(0);
            QVERIFY2(texts.contains("Заготовки") && !texts.contains("Готовая продукция"), qPrintable(texts.join('|')));
            QVERIFY2(!texts.contains("Тазы") && !texts.contains("Т-5"), qPrintable(texts.join('|')));
        }
        w->Button6->click();
        QCOMPARE(w->Button6->text(), QStringLiteral("Excel (1 из 1)"));
        const QJsonObject cells = readWorkbook(plainWriter().fileName());
        QCOMPARE(sheetRow(cells, 1), QStringLiteral("Наименование|Операция|Вид продукции|Коробки|Кол-во"));
        QCOMPARE(sheetRow(cells, 2), QStringLiteral("Ведра|окраска (грунт)|Заготовки|50|20"));
        QVERIFY(!cells.contains("A3"));
        QVERIFY(!w->XLS_Rep.isOpen());
        QVERIFY(f.ui.errors.isEmpty());
    }

    // Finished products: three records, the caption ends at "Excel (3 из 3)", rows 2 to 4 filled; boxes in the
    // general form with the workstation's separator.
    void exportFinished() {
        Fixture f;
        TForm18* w = f.w();
        w->RadioGroup1->button(1)->click();
        QCOMPARE(w->Button6->text(), QStringLiteral("Excel (0 из 0)"));
        w->Button6->click();
        QCOMPARE(w->Button6->text(), QStringLiteral("Excel (3 из 3)"));
        const QJsonObject cells = readWorkbook(plainWriter().fileName());
        QCOMPARE(sheetRow(cells, 2), QStringLiteral("Ведра|Сборка|Готовая продукция|37.5|15"));
        QStringList tazy{sheetRow(cells, 3), sheetRow(cells, 4)};
        tazy.sort();
        QCOMPARE(tazy,
                 (QStringList{"Тазы|Сборка (цвет: 7)|Готовая продукция|2.5|5", "Тазы|Сборка|Готовая продукция|1.5|3"}));
        QVERIFY(!cells.contains("A5"));
    }

    // Names that look like numbers (a nomenclature group «12.10», an operation «1,50») arrive as the texts they
    // are; boxes and pieces stay numbers.
    void exportKeepsNamesAsText() {
        Fixture f;
        f.db.exec(
            "update cmn_classifier.item set s_caption = '12.10' where id = 100;"
            "update accounts_dep.vid_oper set vid = '1,50' where id = 8");
        TForm18* w = f.w();
        w->RadioGroup1->button(2)->click();
        w->Button6->click();
        const QJsonObject cells = readWorkbook(plainWriter().fileName());
        QJsonArray row;
        for (const char* c : {"A2", "B2", "C2", "D2", "E2"})
            row.append(cells[QLatin1String(c)]);
        QCOMPARE(QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)),
                 QStringLiteral(R"x(["12.10","1,50 (грунт)","Заготовки",50,20])x"));
        w->RadioGroup1->button(0)->click();
        f.db.exec("update accounts_dep.smena set color = 0 where o_id = 412");
        w->Button6->click();
        const QJsonObject all = readWorkbook(plainWriter().fileName());
        QStringList rows;
        for (int r = 2; all.contains(QStringLiteral("A%1").arg(r)); ++r)
            if (all[QStringLiteral("B%1").arg(r)] == QJsonValue(QStringLiteral("1,50")))
                rows << QStringLiteral("%1 %2")
                            .arg(all[QStringLiteral("A%1").arg(r)].isString())
                            .arg(all[QStringLiteral("E%1").arg(r)].toDouble());
        QCOMPARE(rows, QStringList{"1 20"});  // the name as text, the pieces a number
    }

    // An export that could not open a workbook changes nothing; the next one, with another period, writes that
    // period's data.
    void failedExportThenAnother() {
        Fixture f;
        TForm18* w = f.w();
        QFile blocker(dir_.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        plainWriter().setFolder(blocker.fileName() + QStringLiteral("/sub"));
        w->Button6->click();
        QStringList shown;
        for (const auto& m : f.ui.messages)
            shown << m.text + " / " + m.caption;
        QCOMPARE(shown, (QStringList{"Невозможно открыть Microsoft Excel. / Ошибка",
                                     "Ошибка открытия файла Microsoft Excel. / Ошибка"}));
        QCOMPARE(w->Button6->text(), QStringLiteral("Excel (0 из 0)"));
        QVERIFY(!w->XLS_Rep.isOpen());

        plainWriter().setFolder(dir_.filePath(QStringLiteral("xlsx")));
        f.ui.messages.clear();
        w->DTPicker1->setDate(QDate(2024, 4, 1));
        w->DTPicker2->setDate(QDate(2024, 5, 1));
        w->Button6->click();
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(w->Button6->text(), QStringLiteral("Excel (1 из 1)"));
        const QJsonObject cells = readWorkbook(plainWriter().fileName());
        QCOMPARE(sheetRow(cells, 2), QStringLiteral("Ведра|Сборка|Готовая продукция|250|100"));
    }

    // "Отмена" while a report is fetched or laid out, or while the workbook is written: no preview opens, no
    // workbook file is left (not even a part of one), every dataset is closed, and the window serves the next
    // press as before.
    void cancelLeavesNothing_data() {
        QTest::addColumn<int>("at");  // the count at which the progress window cancels
        QTest::newRow("at the fetch") << 0;
        QTest::newRow("while laying out / writing") << 1;
    }
    void cancelLeavesNothing() {
        QFETCH(int, at);
        Fixture f;
        TForm18* w = f.w();
        w->RadioGroup1->button(0)->click();
        const QDir out(dir_.filePath(QStringLiteral("cancel-%1").arg(at)));
        plainWriter().setFolder(out.path());
        const auto restore = qScopeGuard([this] { plainWriter().setFolder(dir_.filePath(QStringLiteral("xlsx"))); });
        const QList<QPair<QPushButton*, SummaryLayout*>> reports{{w->Button4, app().form16},
                                                                 {w->Button2, app().form17},
                                                                 {w->Button1, app().form20},
                                                                 {w->Button3, app().form21}};
        for (const auto& [button, layout] : reports) {
            f.ui.cancelProgressAt(at);
            button->click();
            QVERIFY(f.ui.verifyConsumed());
            QVERIFY(!layout->dataset().isOpen());
        }
        QCOMPARE(f.ui.modalShown, QStringList());
        f.ui.cancelProgressAt(at);
        w->Button6->click();
        QVERIFY(f.ui.verifyConsumed());
        QVERIFY(!w->XLS_Rep.isOpen());
        QCOMPARE(out.entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
        QVERIFY(f.ui.errors.isEmpty());
        QVERIFY(f.ui.messages.isEmpty());

        const report::Layout l = f.print(w->Button1, app().form20);
        QVERIFY2(l.texts(0).join('|').contains(QStringLiteral("Алексеев")), qPrintable(l.texts(0).join('|')));
        w->Button6->click();
        QCOMPARE(w->Button6->text(), QStringLiteral("Excel (4 из 4)"));
        QCOMPARE(out.entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QFileInfo(plainWriter().fileName()).fileName()});
    }

    // The login's restrictions on this window: foreman and warehouse keep only the detailed product report, and
    // warehouse fixes it to finished products.
    void loginModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("restricted");
        QTest::addColumn<bool>("kindFixed");
        QTest::newRow("viewer") << int(login::Mode::Viewer) << false << false;
        QTest::newRow("foreman") << int(login::Mode::Foreman) << true << false;
        QTest::newRow("warehouse") << int(login::Mode::Warehouse) << true << true;
        QTest::newRow("full") << int(login::Mode::Full) << false << false;
    }
    void loginModes() {
        QFETCH(int, mode);
        QFETCH(bool, restricted);
        QFETCH(bool, kindFixed);
        Fixture f;
        TForm18* w = f.w();
        w->RadioGroup1->button(2)->click();
        login::applyMode(login::Mode(mode));
        for (QPushButton* b : {w->Button1, w->Button2, w->Button4, w->Button6})
            QCOMPARE(b->isEnabled(), !restricted);
        QVERIFY(w->Button3->isEnabled() && w->Button5->isEnabled() && w->DTPicker1->isEnabled());
        QCOMPARE(w->RadioGroup1->isEnabled(), !kindFixed);
        QCOMPARE(w->RadioGroup1->itemIndex(), kindFixed ? 1 : 2);
        const QStringList texts = f.print(w->Button3, app().form21).texts(0);
        QCOMPARE(texts.contains("Готовая продукция"), kindFixed);
        QCOMPARE(texts.contains("Заготовки"), !kindFixed);
    }

    // From the preview a report is saved as a PDF file named after its title.
    void savePdf() {
        Fixture f;
        QString offered;
        const QString file = dir_.filePath(QStringLiteral("отчет.pdf"));
        f.ui.onModal([&](QDialog* d) {
            auto* save = d->findChild<QAction*>(QStringLiteral("SavePdf"));
            QVERIFY(save);
            QCOMPARE(save->text(), QStringLiteral("Сохранить PDF"));
            save->trigger();
        });
        f.ui.onModal([&](QDialog* d) {
            auto* dlg = qobject_cast<QFileDialog*>(d);
            QVERIFY(dlg);
            offered = QFileInfo(dlg->selectedFiles().value(0)).fileName();
            dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
            static_cast<QDialog*>(dlg)->accept();
        });
        f.w()->Button4->click();
        QCOMPARE(f.ui.modalShown, (QStringList{"ReportPreview", "SavePdfDialog"}));
        QCOMPARE(offered, QStringLiteral("Отчет по рабочим за период с 01.03.2024 по 31.03.2024.pdf"));
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(60000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* t : {"Отчет по рабочим за период с 01.03.2024 по 31.03.2024", "Алексеев А.А.", "83,50"})
            QVERIFY2(text.contains(QString::fromUtf8(t)), qPrintable(text));
        // The user is told where the file went.
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, QStringLiteral("Отчет сохранён в файл ") + file + QLatin1Char('.'));
        QCOMPARE(f.ui.messages[0].flags, 64);
        f.ui.messages.clear();

        // A file that cannot be written is said so.
        f.ui.onModal([&](QDialog* d) { d->findChild<QAction*>(QStringLiteral("SavePdf"))->trigger(); });
        f.ui.onModal([&](QDialog* d) {
            auto* dlg = static_cast<QFileDialog*>(d);
            dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(dir_.filePath(QStringLiteral("нет/такой/папки/r.pdf")));
            static_cast<QDialog*>(dlg)->accept();
        });
        f.w()->Button4->click();
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text,
                 "Не удалось записать файл " + dir_.filePath(QStringLiteral("нет/такой/папки/r.pdf")) + ".");
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.ui.messages[0].flags, 16);
    }

    // A print the printer refuses is said, and the preview stays open; a print that works closes it.
    void printFromPreview() {
        Fixture f;
        const QString bad = dir_.filePath(QStringLiteral("нет/такой/папки/p.pdf"));
        const QString good = dir_.filePath(QStringLiteral("напечатано.pdf"));
        // The print dialog's choice: the printer writes into that file (as "Печать в файл" does).
        auto printTo = [&](const QString& file) {
            f.ui.onModal([file](QDialog* d) {
                auto* dlg = qobject_cast<QPrintDialog*>(d);
                QVERIFY(dlg);
                dlg->printer()->setOutputFormat(QPrinter::PdfFormat);
                dlg->printer()->setOutputFileName(file);
                dlg->done(QDialog::Accepted);
            });
        };
        bool openAfterFailure = false, closedAfterPrint = false;
        f.ui.onModal([&](QDialog* d) {
            auto* print = d->findChild<QAction*>(QStringLiteral("PrintAction"));
            QVERIFY(print);
            printTo(bad);
            print->trigger();
            openAfterFailure = d->isVisible() && d->result() != QDialog::Accepted;
            printTo(good);
            print->trigger();
            closedAfterPrint = !d->isVisible() && d->result() == QDialog::Accepted;
        });
        f.w()->Button4->click();
        QCOMPARE(f.ui.modalShown, (QStringList{"ReportPreview", "PrintDialog", "PrintDialog"}));
        QVERIFY(openAfterFailure);
        QVERIFY(closedAfterPrint);
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, "Отчет не напечатан: принтер «" + bad + "» не принял задание.");
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.ui.messages[0].flags, 16);
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), good, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("Алексеев А.А.")));
    }
};

QTEST_MAIN(TestSummaryReports)
#include "test_summary_reports.moc"
