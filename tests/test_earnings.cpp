// The earnings statement: its totals against the time sheets and the summary report of the same month, one worker
// per page, the worker picked through the workers list, the workbook.
#include <QCheckBox>
#include <QComboBox>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/workers_list.h"
#include "core/excel_writer.h"
#include "core/report/report_layouter.h"
#include "monthend/earnings.h"
#include "monthend/earnings_window.h"
#include "reports/detailed_by_workers.h"
#include "support/testdb.h"
#include "support/workbook.h"
#include "timesheet/piecework_timesheet.h"

namespace {

// Two workers with piece work in March 2024 at prices that need rounding, maintenance work of both kinds (day and
// night), their time-sheet rows; a record of April that is not March's.
const char* const kMonth = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values
  (230, 'А-12', 2.5, 100, 6), (231, 'Б-7', 1, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (42, 'Петров П.П.', '42');
insert into accounts_dep.person(id, fio) values (17, 'Иванов И.И.'), (42, 'Петров П.П.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (8, 'Окраска'), (7777, 'Хоз. работы'), (7778, 'Ср. сдельная');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0), (412, 8, 1, 231, 0);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, prize) values
  ('2024-03-05', 1, 17, 230, 411, 12.345, 10, 1, 0, 8, 'ok', 0),
  ('2024-03-05', 3, 17, 231, 412, 3.3333, 7, 0, 5, 4, 'ok', 0),
  ('2024-03-11', 2, 17, 230, 411, 12.345, 3, 0, 0, 6, 'no', 0),
  ('2024-03-06', 1, 42, 231, 412, 0.125, 9, 2, 1, 8, 'ok', 0),
  ('2024-04-01', 1, 17, 230, 411, 99, 9, 0, 0, 8, 'ok', 0);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d5, d11) values (17, 1, 3, 2024, 8, null), (17, 3, 3, 2024, 4, null),
  (17, 2, 3, 2024, null, 6), (42, 1, 3, 2024, null, null);
insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night) values
  (100, 7777, 17, '2024-03-07', 3, 2024, 1, 4, 150.125, 0, 0),
  (100, 7777, 17, '2024-03-08', 3, 2024, 1, 3, 160, 0, 1),
  (100, 7778, 17, '2024-03-09', 3, 2024, 1, 2, 33.3333, 1, 0),
  (100, 7777, 42, '2024-03-12', 3, 2024, 1, 5, 10.5, 0, 0);
insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d7, d8, d9, d12) values
  (17, 7777, 0, 3, 2024, 4, null, null, null), (17, 7777, 1, 3, 2024, null, 3, null, null),
  (17, 7778, 0, 3, 2024, null, null, 2, null), (42, 7777, 0, 3, 2024, null, null, null, 5);
)sql";

struct Totals {
    double pieceHours = 0, pieceMoney = 0, maintHours = 0, maintMoney = 0, allMoney = 0, rate = 0;
};

// The worker's totals, from his own statement or (all) from the statements of every worker.
Totals statementOf(Db& db, int worker, bool all = false) {
    Dataset q(db, "earnings");
    q.setSql(earnings::rowsSql(2024, 3, all ? 0 : worker));
    q.open();
    Totals t;
    for (q.first(); !q.eof(); q.next()) {
        if (q.field("w_id").asInt() != worker)
            continue;
        t = {q.field("piece_hours").asDouble(), q.field("piece_money").asDouble(), q.field("maint_hours").asDouble(),
             q.field("maint_money").asDouble(), q.field("all_money").asDouble(),   q.field("rate").asDouble()};
    }
    return t;
}

// The piece-work time sheet's line of the worker of each kind, summed over his lines (day and night).
void sheetOf(Db& db, int kind, int worker, double& hours, double& money) {
    Dataset q(db, "sheet");
    q.setSql(piecework::sheetSql(kind));
    q.setParam("i_month", 3);
    q.setParam("i_year", 2024);
    for (const char* p : {"d_date1", "d_date3", "d_date5"})
        q.setParam(p, QDate(2024, 4, 1));
    for (const char* p : {"d_date2", "d_date4", "d_date6"})
        q.setParam(p, QDate(2024, 3, 1));
    q.open();
    hours = money = 0;
    for (q.first(); !q.eof(); q.next())
        if (q.field("id").asInt() == worker) {
            hours += q.field("i_time").asDouble();
            money += q.field("f_price").asDouble();
        }
}

}  // namespace

class TestEarnings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void totalsEqualTimeSheetsAndSummaryReport_data() {
        QTest::addColumn<int>("worker");
        QTest::newRow("Иванов") << 17;
        QTest::newRow("Петров") << 42;
    }

    void totalsEqualTimeSheetsAndSummaryReport() {
        QFETCH(int, worker);
        TestDb db;
        db.exec(QString::fromUtf8(kMonth));
        const Totals one = statementOf(db.admin(), worker);
        const Totals inAll = statementOf(db.admin(), worker, true);
        QCOMPARE(inAll.allMoney, one.allMoney);
        QCOMPARE(inAll.rate, one.rate);

        double hours = 0, money = 0;
        sheetOf(db.admin(), piecework::kPieceWork, worker, hours, money);
        QCOMPARE(one.pieceHours, hours);
        QCOMPARE(one.pieceMoney, money);
        double mh = 0, mm = 0, ah = 0, am = 0;
        sheetOf(db.admin(), piecework::kMaintenance, worker, mh, mm);
        sheetOf(db.admin(), piecework::kAverageRate, worker, ah, am);
        QCOMPARE(one.maintHours, mh + ah);
        QCOMPARE(one.maintMoney, mm + am);
        QCOMPARE(one.allMoney, money + mm + am);
        QCOMPARE(one.rate, std::round((money + mm + am) / (hours + mh + ah) * 100) / 100);

        // The detailed report by workers of the same month: the sum of the worker's lines.
        Dataset report(db.admin(), "w_Report");
        report.setSql(summary::detailedByWorkersSql());
        report.setParam("data1", QDate(2024, 3, 1));
        report.setParam("data2", QDate(2024, 4, 1));
        report.open();
        const QString name =
            db.value(QStringLiteral("select s_caption from cmn_contractor.person where id = %1").arg(worker));
        double reported = 0;
        for (report.first(); !report.eof(); report.next())
            if (report.field("fio").asString() == name)
                reported += report.field("summa").asDouble();
        QCOMPARE(one.pieceMoney, std::round(reported * 100) / 100);
    }

    void oneWorkerPerPage() {
        TestDb db;
        db.exec(QString::fromUtf8(kMonth));
        Dataset rows(db.admin(), "rows");
        rows.setSql(earnings::rowsSql(2024, 3, 0));
        rows.open();
        QCOMPARE(rows.recordCount(), 3 + 3 + 1 + 1);  // records and maintenance lines of both
        const report::Layout pages = report::layout(earnings::layout("Март 2024"), &rows, {QDate(2024, 4, 2)});
        QCOMPARE(pages.pageCount(), 2);
        const QStringList first = pages.texts(0), second = pages.texts(1);
        QVERIFY(first.contains("Иванов И.И."));
        QVERIFY(!first.contains("Петров П.П."));
        QVERIFY(second.contains("Петров П.П."));
        QVERIFY(first.contains("Расчетный листок за Март 2024"));
        QVERIFY(first.contains("хоз. работы (ночь)"));
        QVERIFY(first.contains("ср. сдельная"));
        QVERIFY(first.contains("Сборка"));
        QVERIFY(second.contains("(грунт)"));
        // Петров: 7 good pieces at 0,125 and 5 hours at 10,50; 13 hours in all.
        QVERIFY2(second.contains("0,88"), qPrintable(second.join('|')));
        QVERIFY(second.contains("52,50"));
        QVERIFY(second.contains("53,38"));
        QVERIFY(second.contains("13"));
        QVERIFY(second.contains("4,11"));
    }

    void pickedWorkerToWorkbook() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kMonth));
        EarningsWindow* w = app().earnings;
        QTemporaryDir dir;
        formattingWriter().setFolder(dir.path());
        f.ui.onModal([&](QDialog*) {
            QVERIFY(!w->ExcelButton->isEnabled());  // nobody chosen yet
            f.ui.onModal([&](QDialog* list) {
                QCOMPARE(list->objectName(), QString("TForm5"));
                QVERIFY(app().dm->Workers.locate("id", 42));
                list->findChild<QPushButton*>("Button2")->click();
            });
            w->PickButton->click();
            QCOMPARE(w->worker, 42);
            QCOMPARE(w->WorkerEdit->text(), QString("Петров П.П."));
            w->ExcelButton->click();
        });
        w->openFor(QDate(2024, 3, 20));
        const QJsonObject cells = readWorkbook(formattingWriter().fileName());
        QCOMPARE(cells["A1"].toString(), QString("Расчетный листок за Март 2024"));
        QCOMPARE(cells["A3"].toString(), QString("Петров П.П."));
        QCOMPARE(cells["A5"].toString(), QString("06.03.2024"));
        QCOMPARE(cells["C6"].toString(), QString("хоз. работы"));
        QCOMPARE(cells["I7"].toDouble(), 13.0);
        QCOMPARE(cells["J7"].toDouble(), 53.38);
        QCOMPARE(cells["J8"].toDouble(), 4.11);
        QCOMPARE(f.ui.errors, QStringList());
    }
};

QTEST_MAIN(TestEarnings)
#include "test_earnings.moc"
