// The month check: its eight statements, a clean month, one planted fault per check, the window's findings opening
// their records, «Исправить» for the day cells, the printout and the month close's question.
#include <QComboBox>
#include <QDateEdit>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "audit/month_close.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "core/excel_writer.h"
#include "core/report/report_layouter.h"
#include "journal/main_window.h"
#include "monthend/month_check_window.h"
#include "monthend/month_checks.h"
#include "support/invariants.h"
#include "support/testdb.h"
#include "support/workbook.h"
#include "timesheet/maintenance_journal.h"

namespace {

// March 2024 without a fault: three accepted, priced records (worker 1018 is the plant's person 18 by the number in
// s_code), their time sheet, one maintenance entry and its row; and a faulty record of 1 April, which belongs to
// another month.
const char* const kMonth = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (18, 'Петров П.П.', '1018');
insert into accounts_dep.person(id, fio) values (101, 'Сидоров С.С.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (7777, 'Хоз. работы'), (7778, 'Ср. сдельная');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0), (901, 7777, 0, 7777, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 1, 0, 12.5), (901, 1, 0, 150);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) values
  (1, '2024-03-05', 1, 17, 230, 411, 12.5, 10, 1, 0, 8, 'ok'),
  (2, '2024-03-05', 2, 1018, 230, 411, 12.5, 10, 0, 0, 8, 'да'),
  (3, '2024-03-06', 1, 17, 230, 411, 12.5, 4, 0, 3, 8, 'ok'),
  (4, '2024-04-01', 1, 17, 230, 411, 0, 1, 5, 0, 30, 'no');
insert into accounts_dep.h_tabel(w_id, smena, month, year, d5, d6) values (17, 1, 3, 2024, 8, 8);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d5) values (1018, 2, 3, 2024, 8);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d1) values (17, 1, 4, 2024, 30);
insert into accounts_dep.fatigue(id, id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
  values (50, 100, 7777, 101, '2024-03-07', 3, 2024, 1, 4, 150, 0, 0);
insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d7) values (101, 7777, 0, 3, 2024, 4);
)sql";

QList<int> countsOf(Db& db) {
    QList<int> out;
    for (const month_check::Count& c : month_check::counts(db, 2024, 3))
        out << c.count;
    return out;
}

QList<int> onlyCheck(int check, int count) {
    QList<int> out(month_check::kChecks, 0);
    out[check - 1] = count;
    return out;
}

MonthCheckWindow* window() {
    return app().monthCheck;
}

void selectCheck(int check) {
    window()->checks.setRecNo(check);
    QCOMPARE(window()->currentCheck(), check);
}

}  // namespace

class TestMonthCheck : public QObject {
    Q_OBJECT
private slots:
    void statementsAreTheMonths() {
        // Every check reads the half-open month, December's up to 1 January of the next year.
        for (int n = 1; n <= month_check::kChecks; ++n) {
            const QString dec = month_check::rowsSql(n, 2024, 12);
            if (n == month_check::MaintenanceCells)
                QVERIFY2(dec.contains("d_date < to_date('01.01.2025', 'DD.MM.YYYY')"), qPrintable(dec));
            else
                QVERIFY2(dec.contains("data < to_date('01.01.2025', 'DD.MM.YYYY')"), qPrintable(dec));
            QVERIFY(dec.contains("to_date('01.12.2024', 'DD.MM.YYYY')"));
        }
        // The day cells of February compared over its 29 days only.
        const QString feb = month_check::rowsSql(month_check::PieceCells, 2024, 2);
        QVERIFY(feb.contains("(29, h.d29)"));
        QVERIFY(!feb.contains("h.d30"));
    }

    void cleanMonthShowsZeros() {
        TestDb db;
        db.exec(QString::fromUtf8(kMonth));
        QCOMPARE(countsOf(db.admin()), QList<int>(month_check::kChecks, 0));
        const auto counts = month_check::counts(db.admin(), 2024, 3);
        QCOMPARE(counts.size(), std::size_t(month_check::kChecks));
        QCOMPARE(counts[0].name, QStringLiteral("1. ") + month_check::caption(1));
        // The faulty record of 1 April is April's.
        const auto april = month_check::counts(db.admin(), 2024, 4);
        QCOMPARE(april[month_check::DefectsAboveQuantity - 1].count, 1);
        QCOMPARE(april[month_check::NoPrice - 1].count, 1);
        QCOMPARE(april[month_check::NotAccepted - 1].count, 1);
        QCOMPARE(april[month_check::TooManyHours - 1].count, 1);
    }

    void plantedFault_data() {
        QTest::addColumn<QString>("plant");
        QTest::addColumn<int>("check");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("id");  // the record the finding opens (0: none)
        QTest::newRow("25 hours over two shifts")
            << "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) "
               "values (5, '2024-03-05', 3, 17, 230, 411, 12.5, 1, 0, 0, 17, 'ok'); insert into "
               "accounts_dep.h_tabel(w_id, smena, month, year, d5) values (17, 3, 3, 2024, 17)"
            << int(month_check::TooManyHours) << 1 << 1;
        QTest::newRow("defects above quantity") << "update accounts_dep.smena set brak = 11 where id = 1"
                                                << int(month_check::DefectsAboveQuantity) << 1 << 1;
        QTest::newRow("price 0") << "update accounts_dep.smena set cena = 0 where id = 2" << int(month_check::NoPrice)
                                 << 1 << 2;
        QTest::newRow("no price") << "update accounts_dep.smena set cena = null where id = 3"
                                  << int(month_check::NoPrice) << 1 << 3;
        QTest::newRow("not accepted") << "update accounts_dep.smena set ok = 'no' where id = 1"
                                      << int(month_check::NotAccepted) << 1 << 1;
        QTest::newRow("no mark") << "update accounts_dep.smena set ok = null where id = 3"
                                 << int(month_check::NotAccepted) << 1 << 3;
        QTest::newRow("cell differs") << "update accounts_dep.h_tabel set d6 = 7 where w_id = 17 and month = 3"
                                      << int(month_check::PieceCells) << 1 << 3;
        QTest::newRow("cell without records") << "update accounts_dep.h_tabel set d20 = 8 where w_id = 17 and month = 3"
                                              << int(month_check::PieceCells) << 1 << 0;
        QTest::newRow("records without a row")
            << "delete from accounts_dep.h_tabel where w_id = 1018" << int(month_check::PieceCells) << 1 << 2;
        QTest::newRow("maintenance cell differs") << "update accounts_dep.h_tabel set d7 = 5 where i_type = 7777"
                                                  << int(month_check::MaintenanceCells) << 1 << 50;
        QTest::newRow("maintenance entry without a row")
            << "delete from accounts_dep.h_tabel where i_type = 7777" << int(month_check::MaintenanceCells) << 1 << 50;
        QTest::newRow("worker gone") << "delete from cmn_contractor.person where id = 18"
                                     << int(month_check::LostReferences) << 1 << 2;
        QTest::newRow("operation gone") << "update accounts_dep.smena set o_id = 999 where id = 3"
                                        << int(month_check::LostReferences) << 1 << 3;
        QTest::newRow("product gone") << "update accounts_dep.smena set i_id = 999 where id = 3"
                                      << int(month_check::LostReferences) << 1 << 3;
        QTest::newRow("kind gone") << "update accounts_dep.oper set vid = 998 where id = 411"
                                   << int(month_check::LostReferences) << 3 << 1;
        QTest::newRow("duplicate")
            << "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) "
               "values (6, '2024-03-06', 1, 17, 230, 411, 12.5, 2, 0, 3, 0, 'ok')"
            << int(month_check::Duplicates) << 2 << 3;
        QTest::newRow("another colour is no duplicate")
            << "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) "
               "values (6, '2024-03-06', 1, 17, 230, 411, 12.5, 2, 0, 4, 0, 'ok')"
            << int(month_check::Duplicates) << 0 << 0;
    }

    void plantedFault() {
        QFETCH(QString, plant);
        QFETCH(int, check);
        QFETCH(int, count);
        QFETCH(int, id);
        TestDb db;
        db.exec(QString::fromUtf8(kMonth));
        db.exec(plant);
        QCOMPARE(countsOf(db.admin()), onlyCheck(check, count));

        Dataset findings(db.admin(), "findings");
        findings.setSql(month_check::findingsSql(check, 2024, 3));
        findings.open();
        QCOMPARE(findings.recordCount(), count);
        if (count == 0)
            return;
        findings.first();
        QCOMPARE(findings.field("id").isNull() ? 0 : findings.field("id").asInt(), id);
        QVERIFY(!findings.field("what").asString().isEmpty());
        QVERIFY(!findings.field("fio").asString().isEmpty());
    }

    void allFaultsAtOnce() {
        TestDb db;
        db.exec(QString::fromUtf8(kMonth));
        db.exec(
            "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) "
            "values (5, '2024-03-05', 3, 17, 230, 411, 12.5, 1, 0, 0, 17, 'ok'), "
            "(6, '2024-03-06', 1, 17, 230, 411, 0, 2, 0, 3, 0, 'no'), "
            "(7, '2024-03-08', 1, 1018, 999, 411, 12.5, 1, 3, 0, 0, 'ok');"
            "update accounts_dep.h_tabel set d7 = 5 where i_type = 7777;"
            "insert into accounts_dep.h_tabel(w_id, smena, month, year, d5) values (17, 3, 3, 2024, 16)");
        // 5: the 17 hours of shift 3 against 16 in the sheet; 8: records 3 and 6.
        QCOMPARE(countsOf(db.admin()), QList<int>({1, 1, 1, 1, 1, 1, 1, 2}));
    }

    void findingsOpenTheirRecords() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kMonth));
        // Shift 1's journal lists the records not yet accepted.
        f.db.exec(
            "update accounts_dep.smena set brak = 11, ok = 'no' where id = 3; "
            "update accounts_dep.h_tabel set d7 = 5 where i_type = 7777");
        TForm1* journal = app().form1;
        journal->DateT->setDate(QDate(2024, 4, 20));
        journal->loginMode = login::Mode::Full;

        // A shift record: the check window goes, the journal shows its day, shift and row.
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(window()->checks.recordCount(), month_check::kChecks);
            QCOMPARE(window()->MonthBox->currentIndex(), 3);  // the journal's month
            window()->MonthBox->setCurrentIndex(2);
            selectCheck(month_check::DefectsAboveQuantity);
            QCOMPARE(window()->findings.recordCount(), 1);
            window()->openFinding();
            QVERIFY(!window()->isVisible());
        });
        journal->NMonthCheck->trigger();
        QCOMPARE(journal->DateT->date(), QDate(2024, 3, 6));
        QCOMPARE(journal->selectedShift, 1);
        QCOMPARE(journal->currentShiftQuery().field("id").asInt(), 3);

        // A maintenance entry: its journal opens on top, at that day with the entry current.
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(window()->MonthBox->currentIndex(), 2);
            selectCheck(month_check::MaintenanceCells);
            QCOMPARE(window()->findings.recordCount(), 1);
            f.ui.onModal([&](QDialog* d) {
                QCOMPARE(d->objectName(), QString("TForm25"));
                QCOMPARE(app().form25->DTPcker1->date(), QDate(2024, 3, 7));
                QCOMPARE(app().form25->fatigue.field("id").asInt(), 50);
            });
            window()->openFinding();
            QVERIFY(window()->isVisible());
        });
        journal->NMonthCheck->trigger();
        QCOMPARE(f.ui.modalShown, QStringList({"MonthCheckWindow", "MonthCheckWindow", "TForm25"}));
        QCOMPARE(f.ui.errors, QStringList());
    }

    void fixDayCells_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("fixPieceWork");
        QTest::addColumn<bool>("fixMaintenance");
        QTest::newRow("full access") << int(login::Mode::Full) << false << true << true;
        QTest::newRow("foreman") << int(login::Mode::Foreman) << false << false << true;
        QTest::newRow("viewer") << int(login::Mode::Viewer) << false << false << true;
        QTest::newRow("closed month") << int(login::Mode::Full) << true << false << false;
    }

    void fixDayCells() {
        QFETCH(int, mode);
        QFETCH(bool, closed);
        QFETCH(bool, fixPieceWork);
        QFETCH(bool, fixMaintenance);
        AppFixture f;
        f.db.exec(QString::fromUtf8(kMonth));
        f.db.exec(
            "update accounts_dep.h_tabel set d6 = 7, d20 = 8 where w_id = 17 and month = 3; "
            "update accounts_dep.h_tabel set d7 = 9 where i_type = 7777; "
            "delete from accounts_dep.h_tabel where w_id = 1018");
        if (closed)
            f.db.exec("select accounts_dep.close_month(2024, 3)");
        QCOMPARE(countsOf(f.db.admin()), QList<int>({0, 0, 0, 0, 3, 1, 0, 0}));

        f.ui.onModal([&](QDialog*) {
            QCOMPARE(window()->ClosedLabel->isVisible(), closed);
            selectCheck(month_check::NoPrice);
            QVERIFY(!window()->FixButton->isEnabled());
            selectCheck(month_check::PieceCells);
            QCOMPARE(window()->FixButton->isEnabled(), fixPieceWork);
            if (fixPieceWork) {
                window()->FixButton->click();
                QCOMPARE(window()->checks.field("cnt").asInt(), 0);
                QVERIFY(!window()->FixButton->isEnabled());
            }
            selectCheck(month_check::MaintenanceCells);
            QCOMPARE(window()->FixButton->isEnabled(), fixMaintenance);
            if (fixMaintenance) {
                window()->FixButton->click();
                QCOMPARE(window()->checks.field("cnt").asInt(), 0);
            }
        });
        window()->openFor(QDate(2024, 3, 1), login::Mode(mode));
        QCOMPARE(countsOf(f.db.admin()), QList<int>({0, 0, 0, 0, fixPieceWork ? 0 : 3, fixMaintenance ? 0 : 1, 0, 0}));
        if (fixPieceWork && fixMaintenance)
            QCOMPARE(timesheetMismatches(f.db), QStringList());
        QCOMPARE(f.ui.progressShown, fixPieceWork ? QStringList{"Пересчет табеля"} : QStringList{});
        QCOMPARE(f.ui.errors, QStringList());
    }

    void printAndWorkbook() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kMonth));
        f.db.exec("update accounts_dep.smena set ok = 'no' where id in (1, 3)");
        Dataset rows(f.db.admin(), "rows");
        rows.setSql(month_check::printRowsSql(2024, 3));
        rows.open();
        const report::Layout pages =
            report::layout(month_check::printLayout("Проверка месяца: Март 2024"), &rows, {QDate(2024, 4, 2)});
        QCOMPARE(pages.pageCount(), 1);
        const QStringList texts = pages.texts(0);
        QCOMPARE(texts.first(), QString("Проверка месяца: Март 2024"));
        QVERIFY(texts.contains("1. " + month_check::caption(1) + ": 0"));
        QVERIFY(texts.contains("4. " + month_check::caption(4) + ": 2"));
        QCOMPARE(texts.count("отметка: no"), 2);
        QCOMPARE(texts.count("нет"), 7);  // the checks without findings

        QTemporaryDir dir;
        formattingWriter().setFolder(dir.path());
        f.ui.onModal([&](QDialog*) {
            window()->MonthBox->setCurrentIndex(2);
            window()->ExcelButton->click();
        });
        window()->openFor(QDate(2024, 3, 1), login::Mode::Viewer);
        const QJsonObject cells = readWorkbook(formattingWriter().fileName());
        QCOMPARE(cells["A1"].toString(), QString("Проверка месяца: Март 2024"));
        QCOMPARE(cells["A3"].toString(), "1. " + month_check::caption(1) + ": 0");
        QCOMPARE(cells["A6"].toString(), "4. " + month_check::caption(4) + ": 2");
        QCOMPARE(cells["B7"].toString(), QString("05.03.2024"));
        QCOMPARE(cells["E8"].toString(), QString("отметка: no"));
        QCOMPARE(cells["A9"].toString(), "5. " + month_check::caption(5) + ": 0");
    }

    void monthCloseShowsTheCounts() {
        TestDb db;
        db.exec(QString::fromUtf8(kMonth));
        db.exec("update accounts_dep.smena set ok = 'no' where id = 1");
        const month_close::Summary s = month_close::summary(db.admin(), 2024, 3);
        const QString text = month_close::confirmText(s);
        QVERIFY2(text.contains("Проверка месяца:\n1. " + month_check::caption(1) + ": 0\n"), qPrintable(text));
        QVERIFY(text.contains("4. " + month_check::caption(4) + ": 1\n"));
        QVERIFY(text.endsWith("После закрытия записи месяца не изменяются."));
    }
};

QTEST_MAIN(TestMonthCheck)
#include "test_month_check.moc"
