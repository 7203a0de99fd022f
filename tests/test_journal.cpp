// The shift journal: the time-sheet day cell update and the main window.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "base/datamodule.h"
#include "base/day_cells.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "journal/main_window.h"
#include "journal/shift_records.h"
#include "support/invariants.h"
#include "support/lockwait.h"
#include "support/testdb.h"

namespace {

using day_cells::Cell;

Cell piece(int w, int s, const QDate& d) {
    return Cell::piece(w, s, d);
}

// A caller's statement on the records, then the cell's update, as one transaction.
void withCell(TDataModule6& dm, const QString& statement, const Cell& c, bool save) {
    Transaction t(dm.ADO_DB);
    day_cells::lockRows(dm, {c});
    dm.ADO_DB.exec(statement);
    if (save)
        day_cells::afterSave(dm, c);
    else
        day_cells::afterDelete(dm, c);
    t.commit();
}

// The stored record id as a journal row would show it.
shift_records::Stored stored(TDataModule6& dm, int id) {
    Dataset q(dm.ADO_DB, QStringLiteral("stored"));
    q.setSql(shift_sql::lockedRecordSql(id));
    q.open();
    return shift_records::Stored::fromRow(q);
}

// A new record of worker w, shift s, 5 March 2024, operation 411 of product 230, in colour color.
shift_sql::Record values(int w, int s, int hours, int color = 0, const QDate& date = QDate(2024, 3, 5)) {
    return {w,    230, 411,   QStringLiteral("12.5"), QStringLiteral("10"), QStringLiteral("0"),
            date, s,   color, QString::number(hours)};
}

// Products, an operation and two workers for shift records.
const char* const kCatalog = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (42, 'Петров П.П.', '42');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0);
)sql";

// A shift record of worker w, shift s, date (ISO), hours h, mark ok.
QString record(int w, int s, const QString& date, int h, const QString& ok = QStringLiteral("no")) {
    return QStringLiteral(
               "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, "
               "ok, vvod, prize) values ('%1', %2, %3, 230, 411, 12.5, 10, 0, 0, %4, %5, '%1', 0);")
        .arg(date)
        .arg(s)
        .arg(w)
        .arg(h)
        .arg(ok.isNull() ? QStringLiteral("null") : QLatin1Char('\'') + ok + QLatin1Char('\''));
}

// The text of one day cell of a worker's row ("" for NULL, "none" when there is no row).
QString dayCell(TestDb& db, int w, int s, int month, int year, int day) {
    const QString where =
        QStringLiteral(" from accounts_dep.h_tabel where w_id=%1 and smena=%2 and month=%3 and year=%4")
            .arg(w)
            .arg(s)
            .arg(month)
            .arg(year);
    if (db.count(QStringLiteral("select count(*)") + where) == 0)
        return QStringLiteral("none");
    return db.value(QStringLiteral("select d%1").arg(day) + where);
}

// Rows checked after a cell update: worker, shift, day → expected text of the cell in March 2024.
struct Expect {
    int w, s, day;
    QString value;
};

// Lets the main window show the journal of a date as after a login with full access.
void openJournal(TForm1& f, const QDate& date) {
    for (int s = 1; s <= 4; ++s)
        app().dm->smena(s).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    f.FormActivate();
    f.DateT->setDate(date);
    f.DateTChange();
}

}  // namespace

Q_DECLARE_METATYPE(QList<Expect>)

class TestJournal : public QObject {
    Q_OBJECT

private slots:
    void cellStatements() {
        const Cell c = piece(17, 2, QDate(2024, 3, 5));
        QCOMPARE(day_cells::hoursSumSql(c),
                 QStringLiteral("select sum(time) as tim from accounts_dep.smena where w_id=17 and "
                                "smena=2 and data=to_date('05.03.2024', 'DD.MM.YYYY') group by "
                                "w_id, smena, data"));
        QCOMPARE(day_cells::rowCountSql(c), QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel where "
                                                           "w_id=17 and smena=2 and month=3 and year=2024"));
        QCOMPARE(
            day_cells::insertSql(c, 8),
            QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d5) values(2, 17, 3, 2024, 8)"));
        QCOMPARE(day_cells::updateSql(c, 0),
                 QStringLiteral("update accounts_dep.h_tabel set d5=0 where w_id=17 and smena=2 "
                                "and month=3 and year=2024"));
        const Cell late = piece(9, 4, QDate(2024, 12, 25));
        QCOMPARE(day_cells::updateSql(late, 12),
                 QStringLiteral("update accounts_dep.h_tabel set d25=12 where w_id=9 and "
                                "smena=4 and month=12 and year=2024"));
    }

    // The two variants on a real database: fixture, the caller's statement, then the cells checked.
    void cellUpdate_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<bool>("save");  // after save, else after delete
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("day");
        QTest::addColumn<QList<Expect>>("expect");
        const QString otherShift = QStringLiteral(
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) "
            "values (17, 3, 2024, 2, 6);");
        QTest::newRow("first record of the month creates the row with that day only")
            << otherShift << true << record(17, 1, "2024-03-05", 8) << 5
            << QList<Expect>{{17, 1, 5, "8"}, {17, 1, 4, ""}, {17, 1, 6, ""}, {17, 2, 5, "6"}};
        QTest::newRow("two records of a day give their sum")
            << record(17, 1, "2024-03-05", 5) +
                   "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5, d6) "
                   "values (17, 3, 2024, 1, 5, 7);"
            << true << record(17, 1, "2024-03-05", 3) << 5 << QList<Expect>{{17, 1, 5, "8"}, {17, 1, 6, "7"}};
        QTest::newRow("0 hours writes 0 into a new row")
            << QString() << true << record(17, 1, "2024-03-05", 0) << 5 << QList<Expect>{{17, 1, 5, "0"}};
        QTest::newRow("day 25 addresses d25, other shifts untouched")
            << otherShift << true << record(17, 2, "2024-03-25", 4) << 25
            << QList<Expect>{{17, 2, 25, "4"}, {17, 2, 5, "6"}, {17, 1, 25, "none"}};
        QTest::newRow("deleting one of two leaves the other's hours")
            << record(42, 3, "2024-03-05", 5) + record(42, 3, "2024-03-05", 3) +
                   "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (42, 3, 2024, 3, 8);"
            << false << "delete from accounts_dep.smena where time=5" << 5 << QList<Expect>{{42, 3, 5, "3"}};
        QTest::newRow("deleting the last leaves 0 and the other days")
            << record(42, 3, "2024-03-05", 5) +
                   "insert into accounts_dep.h_tabel(w_id, month, year, smena, d4, d5) values (42, 3, 2024, 3, 9, 5);"
            << false << "delete from accounts_dep.smena" << 5 << QList<Expect>{{42, 3, 5, "0"}, {42, 3, 4, "9"}};
        QTest::newRow("delete without a row changes nothing")
            << record(42, 3, "2024-03-05", 5) + otherShift << false << "delete from accounts_dep.smena" << 5
            << QList<Expect>{{42, 3, 5, "none"}, {17, 2, 5, "6"}};
    }

    void cellUpdate() {
        QFETCH(QString, fixture);
        QFETCH(bool, save);
        QFETCH(QString, statement);
        QFETCH(int, day);
        QFETCH(QList<Expect>, expect);
        TestDb db;
        TDataModule6 dm;
        db.connect(dm.ADO_DB);
        if (!fixture.isEmpty())
            db.exec(fixture);
        const int w = expect.first().w, s = expect.first().s;
        withCell(dm, statement, piece(w, s, QDate(2024, 3, day)), save);
        for (const Expect& e : expect)
            QCOMPARE(dayCell(db, e.w, e.s, 3, 2024, e.day), e.value);
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel group by w_id, smena, month, year order by 1 desc "
                          "limit 1") <= 1,
                 true);
    }

    // The record and its cell go together: a cell that cannot be written takes the record back with it.
    void cellFailureUndoesTheRecord() {
        TestDb db;
        TDataModule6 dm;
        db.connect(dm.ADO_DB);
        db.exec("alter table accounts_dep.h_tabel add constraint no_eight check (d5 is null or d5 <> 8)");
        QVERIFY_THROWS_EXCEPTION(DbError, shift_records::save(dm, values(17, 1, 8), std::nullopt, QDate(2024, 3, 6)));
        QCOMPARE(db.count("select count(*) from accounts_dep.smena"), 0);
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel"), 0);
        QVERIFY(!dm.ADO_DB.inTransaction());
    }

    // An edit that moves a record to another month recomputes both cells; the month it left gets no row of its
    // own when it had none.
    void editMovingRecordRecomputesTheCellItLeft_data() {
        QTest::addColumn<QString>("marchRow");
        QTest::addColumn<QString>("march");  // d5 of the March row afterwards
        QTest::addColumn<int>("rows");       // time-sheet rows afterwards
        QTest::newRow("the month it left has a row")
            << "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (17, 3, 2024, 1, 10);"
            << "2" << 2;
        QTest::newRow("the month it left has no row") << ""
                                                      << "none" << 1;
    }

    void editMovingRecordRecomputesTheCellItLeft() {
        QFETCH(QString, marchRow);
        QFETCH(QString, march);
        QFETCH(int, rows);
        TestDb db;
        TDataModule6 dm;
        db.connect(dm.ADO_DB);
        db.exec(record(17, 1, "2024-03-05", 8) + record(17, 1, "2024-03-05", 2) + marchRow);
        const int id = db.count("select id from accounts_dep.smena where time=8");
        const auto outcome =
            shift_records::save(dm, values(17, 1, 8, 0, QDate(2024, 4, 1)), stored(dm, id), QDate(2024, 4, 2));
        QCOMPARE(outcome.status, WriteOutcome::Saved);
        QCOMPARE(dayCell(db, 17, 1, 3, 2024, 5), march);
        QCOMPARE(dayCell(db, 17, 1, 4, 2024, 1), QStringLiteral("8"));
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel"), rows);
    }

    // A delete and a save of the same day cell on two workstations at once: whichever comes second waits for the
    // first one's cell lock, so the cell ends equal to the records that remain (8 + 4 after deleting the 3).
    void deleteRacingASaveOfTheCell_data() {
        QTest::addColumn<bool>("saveFirst");
        QTest::newRow("save holds the cell, the delete waits") << true;
        QTest::newRow("delete holds the cell, the save waits") << false;
    }

    void deleteRacingASaveOfTheCell() {
        QFETCH(bool, saveFirst);
        TestDb db;
        db.exec(record(17, 1, "2024-03-05", 8) + record(17, 1, "2024-03-05", 3) +
                "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (17, 3, 2024, 1, 11);");
        TDataModule6 first, second;
        db.connect(first.ADO_DB);
        db.connect(second.ADO_DB);
        const int three = db.count("select id from accounts_dep.smena where time=3");
        // A second colour, so that the new record is not a duplicate of the others.
        auto save = [&](TDataModule6& dm) {
            return shift_records::save(dm, values(17, 1, 4, 1), std::nullopt, QDate(2024, 3, 6)).status;
        };
        auto remove = [&](TDataModule6& dm) { return shift_records::remove(dm, three, stored(dm, three)).status; };
        // The first workstation's step is done but not yet committed.
        first.ADO_DB.begin();
        QCOMPARE(saveFirst ? save(first) : remove(first), WriteOutcome::Saved);
        const int pid = backendPid(second.ADO_DB);
        std::atomic<bool> done{false};
        QString failure;
        std::thread other([&] {
            try {
                if ((saveFirst ? remove(second) : save(second)) != WriteOutcome::Saved)
                    failure = QStringLiteral("not done");
            } catch (const std::exception& e) {
                failure = QString::fromUtf8(e.what());
            }
            done = true;
        });
        const QString waitedFor = lockWaitOf(db, pid, done);
        first.ADO_DB.commit();
        other.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(dayCell(db, 17, 1, 3, 2024, 5), QStringLiteral("12"));
        QCOMPARE(waitedFor, QStringLiteral("advisory"));
        QCOMPARE(timesheetMismatches(db), QStringList());
    }

    // Two workstations saving the first record of a worker's month at once make one row holding both hours.
    void concurrentFirstSavesMakeOneRow() {
        TestDb db;
        TDataModule6 first, second;
        db.connect(first.ADO_DB);
        db.connect(second.ADO_DB);
        // The first workstation has saved but not yet committed.
        first.ADO_DB.begin();
        QCOMPARE(shift_records::save(first, values(17, 1, 8), std::nullopt, QDate(2024, 3, 6)).status,
                 WriteOutcome::Saved);
        std::atomic<bool> done{false};
        QString failure;
        std::thread other([&] {
            try {
                if (!shift_records::save(second, values(17, 1, 4, 1), std::nullopt, QDate(2024, 3, 6)).ok())
                    failure = QStringLiteral("not saved");
            } catch (const std::exception& e) {
                failure = QString::fromUtf8(e.what());
            }
            done = true;
        });
        // The second save must wait for the first one's transaction (or it has already gone its own way).
        while (!done && db.count("select count(*) from pg_locks where locktype='advisory' and not granted") == 0)
            QThread::msleep(5);
        const bool finishedAlone = done;
        first.ADO_DB.commit();
        other.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY2(!finishedAlone, "the second save did not wait for the first");
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel"), 1);
        QCOMPARE(dayCell(db, 17, 1, 3, 2024, 5), QStringLiteral("12"));
    }

    void menuAndColumns() {
        AppFixture f;
        TForm1* w = app().form1;
        const QList<QPair<QString, QString>> items = {{"N2", "Справочники"},
                                                      {"N1", "Рабочие"},
                                                      {"N3", "Изделия"},
                                                      {"N4", "Цены"},
                                                      {"N6", "Операции"},
                                                      {"N8", "Внеурочное"},
                                                      {"N11", "Табель"},
                                                      {"N9", "Табель сделка"},
                                                      {"N13", "Табель по сменам"},
                                                      {"N14", "Табель хоз. работ"},
                                                      {"N15", "Табель ср. сдельная"},
                                                      {"N7", "Отчеты"},
                                                      {"N10", "Сводные отчеты"},
                                                      {"N5", "Выход"},
                                                      {"N12", "Импорт"},
                                                      {"N16", "Структура БД"}};
        for (const auto& [name, caption] : items) {
            QAction* a = w->findChild<QAction*>(name);
            if (!a)
                if (QMenu* m = w->findChild<QMenu*>(name))
                    a = m->menuAction();
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(a->text(), caption);
            QCOMPARE(a->isVisible(), name != "N12");
        }
        const QStringList titles = {"Фамилия И.О.", "Марка изделия", "Операция",   "Вид",        "Цвет", "Часы",
                                    "Кол-во",       "Брак",          "Итого (р.)", "Премия (%)", "OK",   "Заведен"};
        DatasetModel* m = w->DBGrid2->datasetModel();
        for (int i = 0; i < titles.size(); ++i)
            QCOMPARE(m->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), titles[i]);
        QVERIFY(w->DBGrid2->isColumnHidden(9));
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 30000);
    }

    // Every menu item and button that opens a window opens the right one, modally.
    void menuOpensItsWindow_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");  // checked where one window serves several items
        QTest::newRow("Добавить") << "Button1"
                                  << "TForm11"
                                  << "Заведение новой позиции (11)";
        QTest::newRow("Рабочие") << "N1"
                                 << "TForm5"
                                 << "";
        QTest::newRow("Сводные отчеты") << "N10"
                                        << "TForm18"
                                        << "";
        QTest::newRow("Изделия") << "N3"
                                 << "TForm3"
                                 << "";
        QTest::newRow("Цены") << "N4"
                              << "TForm4"
                              << "";
        QTest::newRow("Операции") << "N6"
                                  << "TForm8"
                                  << "";
        QTest::newRow("Табель по сменам") << "N13"
                                          << "TForm19"
                                          << "";
        QTest::newRow("Табель сделка") << "N9"
                                       << "TForm27"
                                       << "Табель сделка (27)";
        QTest::newRow("Табель хоз. работ") << "N14"
                                           << "TForm27"
                                           << "Табель хоз. работы (27)";
        QTest::newRow("Табель ср. сдельная") << "N15"
                                             << "TForm27"
                                             << "Табель ср. сдельная (27)";
        QTest::newRow("Ср.сд./хоз. работы") << "Button5"
                                            << "TForm25"
                                            << "";
    }
    void menuOpensItsWindow() {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        AppFixture f;
        TForm1* w = app().form1;
        QObject* sender = w->findChild<QAction*>(item);
        if (!sender)
            sender = w->findChild<QPushButton*>(item);
        QVERIFY(sender);
        QString shown, title;
        f.ui.onModal([&](QDialog* d) {
            shown = d->objectName();
            title = d->windowTitle();
        });
        if (auto* a = qobject_cast<QAction*>(sender))
            a->trigger();
        else
            qobject_cast<QPushButton*>(sender)->click();
        QCOMPARE(shown, window);
        if (!caption.isEmpty())
            QCOMPARE(title, caption);
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join("; ")));
    }

    void schemaUpgradeFromTheMenu() {
        AppFixture f;
        f.db.exec(
            "alter table accounts_dep.fatigue drop column i_night; drop view accounts_dep.izdel; "
            "create view accounts_dep.izdel as select 1 as id");
        app().form1->findChild<QAction*>("N16")->trigger();
        QCOMPARE(f.db.count("select count(*) from information_schema.columns where table_schema='accounts_dep' "
                            "and table_name='fatigue' and column_name='i_night'"),
                 1);
        QCOMPARE(f.db.count("select count(*) from information_schema.columns where table_schema='accounts_dep' "
                            "and table_name='izdel' and column_name='marka'"),
                 1);
        QVERIFY(f.ui.messages.isEmpty());
        QVERIFY(f.ui.errors.isEmpty());
    }

    void dayOffFollowsTheDate() {
        AppFixture f;
        TForm1* w = app().form1;
        openJournal(*w, QDate(2024, 3, 9));  // Saturday
        QVERIFY(w->CBox1->isChecked());
        QVERIFY(w->CBox1->font().bold());
        QCOMPARE(w->CBox1->palette().color(QPalette::Window), QColor(255, 0, 0));
        w->DateT->setDate(QDate(2024, 3, 6));  // Wednesday
        w->DateTChange();
        QVERIFY(!w->CBox1->isChecked());
        QVERIFY(!w->CBox1->font().bold());
    }

    // Choosing a date reloads; typing alone does not, Enter does.
    void enterInTheDatePickerReloads() {
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(record(17, 1, "2024-03-05", 8) + record(42, 1, "2024-03-05", 4));
        TForm1* w = app().form1;
        openJournal(*w, QDate(2024, 3, 4));
        Dataset& q = app().dm->Smena1;
        QCOMPARE(q.recordCount(), 0);
        w->show();
        w->DateT->setDate(QDate(2024, 3, 5));
        QCOMPARE(q.recordCount(), 0);
        QTest::keyClick(w->DateT, Qt::Key_Return);
        QCOMPARE(q.recordCount(), 2);
        QVERIFY(w->isVisible());  // Enter pressed no button of the window
        // A day chosen in the calendar reloads.
        emit w->DateT->calendarWidget()->clicked(QDate(2024, 3, 4));
        QCoreApplication::processEvents();
        QCOMPARE(w->DateT->date(), QDate(2024, 3, 4));
        QCOMPARE(q.recordCount(), 0);
        emit w->DateT->calendarWidget()->clicked(QDate(2024, 3, 5));
        QCoreApplication::processEvents();
        QCOMPARE(q.recordCount(), 2);
        // Shown again (a child window closed): the activation steps are not repeated.
        w->hide();
        w->show();
        QCOMPARE(w->DateT->date(), QDate(2024, 3, 5));
        w->hide();
    }

    void acceptToggle_data() {
        QTest::addColumn<int>("shift");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("before");  // null: no record
        QTest::addColumn<QString>("after");
        QTest::newRow("да → no") << 1 << "3958"
                                 << "да"
                                 << "no";
        QTest::newRow("ok → no") << 2 << "3958"
                                 << "ok"
                                 << "no";
        QTest::newRow("no → ok") << 3 << "mobun"
                                 << "no"
                                 << "ok";
        QTest::newRow("shift 4 as the others") << 4 << "3958"
                                               << "no"
                                               << "ok";
        QTest::newRow("foreman does nothing") << 1 << "quilpon"
                                              << "no"
                                              << "no";
        QTest::newRow("empty grid does nothing") << 2 << "3958" << QString() << QString();
    }

    void acceptToggle() {
        QFETCH(int, shift);
        QFETCH(QString, login);
        QFETCH(QString, before);
        QFETCH(QString, after);
        AppFixture f;
        f.db.exec(kCatalog);
        if (!before.isNull())
            f.db.exec(record(17, shift, "2024-03-05", 8, before) + record(42, shift, "2024-03-05", 4, "no"));
        TForm1* w = app().form1;
        openJournal(*w, QDate(2024, 3, 5));
        w->selectShift(shift);
        w->loginText = login;
        Dataset& q = w->currentShiftQuery();
        QCOMPARE(&q, &app().dm->smena(shift));
        // The current row is the record of worker 17 (Иванов, sorted first).
        w->DBGrid2DblClick();
        QVERIFY(f.ui.errors.isEmpty());
        if (!before.isNull()) {
            QCOMPARE(f.db.value("select trim(ok) from accounts_dep.smena where w_id=17"), after);
            QCOMPARE(f.db.value("select trim(ok) from accounts_dep.smena where w_id=42"), QStringLiteral("no"));
            QCOMPARE(q.recNo(), 1);
            QCOMPARE(q.field("ok").asString().trimmed(), after);
        }
    }

    void deleteRecord_data() {
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("answer");
        QTest::newRow("No deletes nothing") << 1 << int(ui::IDNO);
        QTest::newRow("Yes deletes and updates the cell") << 2 << int(ui::IDYES);
        QTest::newRow("shift 4 as the others") << 4 << int(ui::IDYES);
    }

    void deleteRecord() {
        QFETCH(int, shift);
        QFETCH(int, answer);
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(record(17, shift, "2024-03-05", 8) + record(17, shift, "2024-03-05", 3) +
                  QStringLiteral("insert into accounts_dep.h_tabel(w_id, month, year, smena, d4, d5) "
                                 "values (17, 3, 2024, %1, 7, 11);")
                      .arg(shift));
        TForm1* w = app().form1;
        openJournal(*w, QDate(2024, 3, 5));
        w->selectShift(shift);
        Dataset& q = w->currentShiftQuery();
        q.setRecNo(2);
        const int time = q.field("time").asInt();
        // A record entered meanwhile on another workstation shows after the reload.
        f.db.exec(record(42, shift, "2024-03-05", 1));
        f.ui.answer(answer);
        w->Button3Click();
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, QStringLiteral("Удалить позицию из списка?"));
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Удаление"));
        QCOMPARE(f.ui.messages[0].flags, 36);
        const bool yes = answer == ui::IDYES;
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), yes ? 2 : 3);
        QCOMPARE(q.recordCount(), yes ? 2 : 3);
        QCOMPARE(q.recNo(), 1);
        QCOMPARE(dayCell(f.db, 17, shift, 3, 2024, 5), yes ? QString::number(11 - time) : QStringLiteral("11"));
        QCOMPARE(dayCell(f.db, 17, shift, 3, 2024, 4), QStringLiteral("7"));
    }

    void deleteWithEmptyGridAsksNothing() {
        AppFixture f;
        TForm1* w = app().form1;
        openJournal(*w, QDate(2024, 3, 5));
        w->Button3Click();
        QVERIFY(f.ui.messages.isEmpty());
        QVERIFY(f.ui.errors.isEmpty());
    }

    void gridModel() {
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(record(17, 1, "2024-03-05", 8, "ok") + record(42, 1, "2024-03-05", 4, "no"));
        TForm1* w = app().form1;
        openJournal(*w, QDate(2024, 3, 5));
        DatasetModel* m = w->DBGrid2->datasetModel();
        QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(m->rowCount(), 2);
        const int ok = 10;
        QCOMPARE(m->data(m->index(0, ok), Qt::DisplayRole).toString().trimmed(), QStringLiteral("ok"));
        QCOMPARE(m->data(m->index(0, ok), Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
        QCOMPARE(m->data(m->index(1, ok), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(m->data(m->index(1, ok), Qt::FontRole).value<QFont>().bold());
        QVERIFY(!m->data(m->index(1, 0), Qt::ForegroundRole).isValid());
    }

    void summaryPeriodIsThePreviousMonth() {
        QCOMPARE(TForm1::summaryPeriod(QDate(2026, 1, 15)), std::pair(QDate(2025, 12, 1), QDate(2026, 1, 1)));
        QCOMPARE(TForm1::summaryPeriod(QDate(2026, 3, 31)), std::pair(QDate(2026, 2, 1), QDate(2026, 3, 1)));
    }
};

QTEST_MAIN(TestJournal)
#include "test_journal.moc"
