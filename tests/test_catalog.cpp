// Reference books: workers, products and operation kinds — their lists, dialogs and pick modes.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <functional>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/kind_dialog.h"
#include "catalog/kinds_list.h"
#include "catalog/list_helpers.h"
#include "catalog/lookup_combo.h"
#include "catalog/product_dialog.h"
#include "catalog/products_list.h"
#include "catalog/worker_dialog.h"
#include "catalog/workers_list.h"
#include "core/dataset_model.h"
#include "support/testdb.h"
#include "support/typing.h"

namespace {

// Workers, in the order of the list (byte order of the names: Latin before Cyrillic).
const char* const kWorkers = R"sql(
insert into accounts_dep.person(fio, s_staffpos_hl) values
  ('O''Brien J.', 'Сварщик'), ('Иванов И.И.', 'Сборщик'), ('Ивлев А.А.', 'Маляр'),
  ('Петров П.П.', 'Сборщик'), ('Сидоров Ив.', 'Грузчик');
insert into cmn_department.department(s_caption) values ('Склад'), ('Цех O''Neil');
insert into hrms_staffpos.staffpos(s_caption) values ('Маляр'), ('Сборщик'), ('Сварщик');
insert into adm_role.roles(s_caption) values ('Мастер');
)sql";

// Two groups, three products ("кл-1", "кл-2", "Ведро"), operation kinds (vid is char(128): stored padded).
const char* const kProducts = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра'), (101, 2, 'Крышки'), (102, 1, 'Корень');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, s_description, id_msm_bs, massa, id_class_item) values
  (501, 'КЛ-1', '', 6, 1.5, 101), (502, 'кл-2', '', 6, 12, 101), (503, 'Ведро', '', 6, 0.25, 100);
insert into accounts_dep.vid_oper(id, vid) values (1001, 'Резка'), (1002, 'Сборка'), (1003, 'резьба');
select setval('cmn_gds_and_srv.gds_and_srv_id_seq', 503), setval('accounts_dep.vid_oper_id_seq', 1003);
)sql";

// One of the three lists, seen the same way.
struct List {
    QDialog* dlg;
    QLineEdit* search;
    DbGrid* grid;
    QPushButton* pick;
    Dataset* ds;
    std::function<std::optional<catalog::Picked>()> runPick;
};

List list(int form) {
    switch (form) {
        case 5: {
            TForm5* f = app().form5;
            return {f, f->Edit1, f->DBGrid1, f->Button2, &app().dm->Workers, [f] { return f->pick(1); }};
        }
        case 3: {
            TForm3* f = app().form3;
            return {f, f->Edit1, f->DBGrid1, f->Button2, &app().dm->Izdel, [f] { return f->pick(1); }};
        }
        default: {
            TForm8* f = app().form8;
            return {f, f->Edit1, f->DBGrid1, f->Button2, &app().dm->Vid_oper, [f] { return f->pick(1); }};
        }
    }
}

QStringList texts(const QList<ScriptedUi::Message>& messages) {
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}

}  // namespace

class TestCatalog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // ---- statement texts --------------------------------------------------------------------------------------

    void statements_data() {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");
        QTest::newRow("worker insert") << workerInsertSql("Иванов И.И.", "Цех 1")
                                       << "INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES('Иванов И.И.', "
                                          "'Цех 1')";
        QTest::newRow("worker insert, apostrophes")
            << workerInsertSql("O'Brien", "Цех O'Neil")
            << "INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES('O''Brien', 'Цех O''Neil')";
        QTest::newRow("worker update") << workerUpdateSql("Иванов И.И.", "", 17)
                                       << "UPDATE accounts_dep.person SET fio='Иванов И.И.', s_staffpos_hl='' where "
                                          "accounts_dep.person.id=17";
        QTest::newRow("worker delete") << workerDeleteSql(17) << "delete from accounts_dep.person where id =17";
        QTest::newRow("product duplicate, add")
            << productDuplicateSql("ПР-15")
            << "select count(*) as cnt from accounts_dep.izdel where upper(marka)='ПР-15'";
        QTest::newRow("product duplicate, edit")
            << productDuplicateSql("D'ART", 501)
            << "select count(*) as cnt from accounts_dep.izdel where upper(marka)='D''ART'and id<>501";
        QTest::newRow("product insert")
            << productInsertSql("ПР-15", "2.5", 17)
            << "INSERT INTO cmn_gds_and_srv.gds_and_srv(s_caption, s_description, id_msm_bs, massa, "
               "id_class_item)VALUES('ПР-15', '', 6, 2.5,17)";
        QTest::newRow("product update")
            << productUpdateSql("ПР-15", "1.5", 17, 501)
            << "UPDATE cmn_gds_and_srv.gds_and_srv SET s_caption='ПР-15', s_description='', id_msm_bs=6, massa=1.5, "
               "id_class_item=17 where id=501";
        QTest::newRow("prices delete") << productPricesDeleteSql(501)
                                       << "delete from accounts_dep.oper o where o.i_id =501";
        QTest::newRow("shifts delete") << productShiftsDeleteSql(501)
                                       << "delete from accounts_dep.smena s where s.i_id =501";
        QTest::newRow("goods delete") << productGoodsDeleteSql(501)
                                      << "delete from cmn_gds_and_srv.gds_and_srv  where id=501";
        QTest::newRow("kind duplicate, add")
            << kindDuplicateSql("РЕЗКА")
            << "select count(*) as cnt from accounts_dep.vid_oper where upper(vid)='РЕЗКА'";
        QTest::newRow("kind duplicate, edit")
            << kindDuplicateSql("РЕЗКА", 7)
            << "select count(*) as cnt from accounts_dep.vid_oper where upper(vid)='РЕЗКА' and id<>7";
        QTest::newRow("search filter") << catalog::likePrefixFilter("fio", "O'B") << "fio like 'O''B%'";
    }
    void statements() {
        QFETCH(QString, built);
        QFETCH(QString, expected);
        QCOMPARE(built, expected);
    }

    void deleteDateBound_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("bound");
        QTest::newRow("January") << QDate(2026, 1, 20) << QDate(2000, 12, 1);
        QTest::newRow("February") << QDate(2026, 2, 1) << QDate(2000, 1, 1);
        QTest::newRow("March") << QDate(2024, 3, 31) << QDate(2000, 2, 1);
        QTest::newRow("December") << QDate(2026, 12, 9) << QDate(2000, 11, 1);
    }
    void deleteDateBound() {
        QFETCH(QDate, today);
        QFETCH(QDate, bound);
        QCOMPARE(productDeleteDateBound(today), bound);
    }

    // ---- search and pick, the three lists alike -----------------------------------------------------------------

    void search_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("workers: prefix") << 5 << "Ив" << QStringList{"Иванов И.И.", "Ивлев А.А."};
        QTest::newRow("workers: other letter case") << 5 << "иВ" << QStringList{"Иванов И.И.", "Ивлев А.А."};
        QTest::newRow("workers: apostrophe") << 5 << "o'b" << QStringList{"O'Brien J."};
        QTest::newRow("workers: backslash") << 5 << "\\" << QStringList{};
        QTest::newRow("products: prefix, case ignored") << 3 << "кл" << QStringList{"КЛ-1", "кл-2"};
        QTest::newRow("products: nothing") << 3 << "я'" << QStringList{};
        QTest::newRow("kinds: prefix") << 8 << "рез" << QStringList{"Резка", "резьба"};
    }
    void search() {
        QFETCH(int, form);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        AppFixture fx;
        fx.db.exec(kWorkers);
        fx.db.exec(kProducts);
        const List l = list(form);
        int all = -1;
        QStringList seen;
        fx.ui.onModal([&](QDialog*) {
            QAbstractItemModelTester tester(l.grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
            QVERIFY(l.search->isVisible());
            all = l.ds->recordCount();
            type(l.search, typed);
            for (int r = 0; r < l.grid->model()->rowCount(); ++r)
                seen << l.grid->model()->index(r, 0).data().toString().trimmed();
            l.search->clear();
            QCOMPARE(l.ds->recordCount(), all);
        });
        QVERIFY(!l.runPick());
        QCOMPARE(seen, shown);
        QVERIFY(all >= 3);
        QVERIFY(fx.ui.errors.isEmpty());
    }

    // Up and Down in the search box move the list while the box keeps the focus; the workers and kinds boxes
    // consume every other non-character key, the products box only those two.
    void searchKeys_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("afterLeft");
        QTest::newRow("workers") << 5 << "abx";
        QTest::newRow("products") << 3 << "axb";
        QTest::newRow("kinds") << 8 << "abx";
    }
    void searchKeys() {
        QFETCH(int, form);
        QFETCH(QString, afterLeft);
        AppFixture fx;
        fx.db.exec(kWorkers);
        fx.db.exec(kProducts);
        const List l = list(form);
        fx.ui.onModal([&](QDialog* d) {
            QCOMPARE(d->focusWidget(), l.search);
            QCOMPARE(l.ds->recNo(), 1);
            QTest::keyClick(l.search, Qt::Key_Down);
            QTest::keyClick(l.search, Qt::Key_Down);
            QCOMPARE(l.ds->recNo(), 3);
            QCOMPARE(l.grid->currentIndex().row(), 2);
            QTest::keyClick(l.search, Qt::Key_Up);
            QCOMPARE(l.ds->recNo(), 2);
            QCOMPARE(d->focusWidget(), l.search);
            // The search text's own editing.
            l.ds->setFiltered(false);
            QSignalBlocker block(l.search);
            QTest::keyClicks(l.search, "ab");
            QTest::keyClick(l.search, Qt::Key_Left);
            QTest::keyClicks(l.search, "x");
            QCOMPARE(l.search->text(), afterLeft);
            QTest::keyClick(l.search, Qt::Key_End);
            QTest::keyClick(l.search, Qt::Key_Backspace);
            QCOMPARE(l.search->text().size(), 2);
        });
        QVERIFY(!l.runPick());
    }

    // A pick hands the current row (trimmed) to the caller; Enter picks; an empty list or "Выход" hands nothing.
    void pick_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("how");  // 0: Button2, 1: Enter in the search box, 2: "Выход"
        QTest::addColumn<QString>("picked");
        QTest::newRow("worker, button") << 5 << "Пет" << 0 << "Петров П.П.#";
        QTest::newRow("worker, Enter") << 5 << "Сид" << 1 << "Сидоров Ив.#";
        QTest::newRow("worker, nobody matches") << 5 << "Яков" << 0 << "";
        QTest::newRow("worker, Выход") << 5 << "Пет" << 2 << "";
        QTest::newRow("product, Enter") << 3 << "вед" << 1 << "Ведро#503";
        QTest::newRow("product, nothing matches") << 3 << "zz" << 1 << "";
        QTest::newRow("kind, padded name trimmed") << 8 << "сб" << 1 << "Сборка#1002";
        QTest::newRow("kind, nothing matches") << 8 << "zz" << 0 << "";
    }
    void pick() {
        QFETCH(int, form);
        QFETCH(QString, typed);
        QFETCH(int, how);
        QFETCH(QString, picked);
        AppFixture fx;
        fx.db.exec(kWorkers);
        fx.db.exec(kProducts);
        if (form == 5)  // worker ids are generated: the expected text gets the id of that name
            if (!picked.isEmpty())
                picked += fx.db.value("select id from accounts_dep.person where fio='" + picked.chopped(1) + "'");
        const List l = list(form);
        fx.ui.onModal([&](QDialog* d) {
            QVERIFY(l.pick->isDefault());
            QCOMPARE(l.pick->text(), QString("Выбрать"));
            QVERIFY(d->findChild<QPushButton*>("Button1")->isHidden());
            QVERIFY(d->findChild<QPushButton*>("Button3")->isHidden());
            type(l.search, typed);
            if (how == 0)
                l.pick->click();
            else if (how == 1)
                QTest::keyClick(l.search, Qt::Key_Return);
            else
                d->findChild<QPushButton*>("Button4")->click();
            QVERIFY(!d->isVisible());
        });
        const std::optional<catalog::Picked> got = l.runPick();
        QCOMPARE(got.has_value(), !picked.isEmpty());
        if (got)
            QCOMPARE(got->text + QLatin1Char('#') + QString::number(got->id), picked);
        QVERIFY(!l.ds->isOpen());
    }

    // After a pick narrowed by a search, the list opened from the menu shows every row.
    void listModeAfterPickSearch_data() {
        QTest::addColumn<int>("form");
        QTest::newRow("products") << 3;
        QTest::newRow("kinds") << 8;
    }
    void listModeAfterPickSearch() {
        QFETCH(int, form);
        AppFixture fx;
        fx.db.exec(kProducts);
        const List l = list(form);
        fx.ui.onModal([&](QDialog*) { type(l.search, "рез"); });
        l.runPick();
        int shown = -1;
        fx.ui.onModal([&](QDialog* d) {
            shown = l.ds->recordCount();
            QVERIFY(l.search->isHidden());
            QCOMPARE(l.pick->text(), QString("Изменить"));
            QVERIFY(!l.pick->isDefault());
            QVERIFY(d->findChild<QPushButton*>("Button1")->isVisible());
            QVERIFY(d->findChild<QPushButton*>("Button3")->isVisible());
        });
        if (form == 3)
            app().form3->runList();
        else
            app().form8->runList();
        QCOMPARE(shown, 3);
    }

    // ---- workers ------------------------------------------------------------------------------------------------

    // Adding keeps the list open, editing closes it; names are stored trimmed and as typed (apostrophes too), the
    // department text goes into s_staffpos_hl; a name of blanks is refused.
    void workerSave_data() {
        QTest::addColumn<int>("row");  // 0: add, else edit that row
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("department");  // index in the department lookup, -1 none
        QTest::addColumn<QString>("stored");  // "" : refused
        QTest::addColumn<QString>("position");
        QTest::newRow("add, blanks trimmed, apostrophes") << 0 << "  O'Хара С.  " << 1 << "O'Хара С."
                                                          << "Цех O'Neil";
        QTest::newRow("add, no department") << 0 << "Жуков Ж.Ж." << -1 << "Жуков Ж.Ж."
                                            << "";
        QTest::newRow("add, blanks only") << 0 << "   " << 0 << ""
                                          << "";
        QTest::newRow("edit, rename") << 3 << " Ивлева А.А. " << 0 << "Ивлева А.А."
                                      << "Склад";
        QTest::newRow("edit, blanks only") << 3 << "  " << 0 << ""
                                           << "";
    }
    void workerSave() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(int, department);
        QFETCH(QString, stored);
        QFETCH(QString, position);
        AppFixture fx;
        fx.db.exec(kWorkers);
        TForm5* list = app().form5;
        TForm2* dlg = app().form2;
        const int editedId = fx.db.count("select id from accounts_dep.person where fio='Ивлев А.А.'");
        bool listOpenAfter = false;
        fx.ui.onModal([&](QDialog*) {
            if (row)
                app().dm->Workers.setRecNo(row);
            (row ? list->Button2 : list->Button1)->click();
            listOpenAfter = list->isVisible();
        });
        fx.ui.onModal([&](QDialog* d) {
            QCOMPARE(d, dlg);
            QCOMPARE(d->windowTitle(),
                     QString(row ? "Изменение данных работника" : "Заведение данных нового работника"));
            QCOMPARE(dlg->Edit1->text(), QString(row ? "Ивлев А.А." : ""));
            QCOMPARE(dlg->LCB_department->count(), 2);
            dlg->Edit1->setText(typed);
            dlg->LCB_department->setCurrentIndex(department);
            dlg->Button1->click();
            QCOMPARE(d->isVisible(), stored.isEmpty());
        });
        list->runList();
        QCOMPARE(listOpenAfter, row == 0);
        if (stored.isEmpty()) {
            QCOMPARE(fx.ui.messages.size(), 1);
            QCOMPARE(fx.ui.messages[0].text, QString("ФИО нужно заполнить!"));
            QCOMPARE(fx.ui.messages[0].caption, QString("Ошибка"));
            QCOMPARE(fx.ui.messages[0].flags, 16);
            QCOMPARE(fx.db.count("select count(*) from accounts_dep.person"), 5);
            QCOMPARE(fx.db.value("select fio from accounts_dep.person where id=" + QString::number(editedId)),
                     QString("Ивлев А.А."));
            return;
        }
        QVERIFY(fx.ui.messages.isEmpty());
        QCOMPARE(fx.db.count("select count(*) from accounts_dep.person"), row ? 5 : 6);
        const QString where =
            row ? "id=" + QString::number(editedId) : "fio='" + QString(stored).replace("'", "''") + "'";
        QCOMPARE(fx.db.value("select fio from accounts_dep.person where " + where), stored);
        QCOMPARE(fx.db.value("select s_staffpos_hl from accounts_dep.person where " + where), position);
    }

    // Deleting keeps the row number (the next worker moves into it); deleting the only worker empties the list.
    void workerDelete_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rowAfter");
        QTest::addColumn<QString>("currentAfter");
        QTest::newRow("middle") << QString(kWorkers) << 3 << int(ui::IDYES) << 3 << "Петров П.П.";
        QTest::newRow("answered No") << QString(kWorkers) << 3 << int(ui::IDNO) << 3 << "Ивлев А.А.";
        QTest::newRow("the only one") << "insert into accounts_dep.person(fio) values ('Один О.О.')" << 1
                                      << int(ui::IDYES) << 0 << "";
    }
    void workerDelete() {
        QFETCH(QString, fixture);
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(int, rowAfter);
        QFETCH(QString, currentAfter);
        AppFixture fx;
        fx.db.exec(fixture);
        const int before = fx.db.count("select count(*) from accounts_dep.person");
        Dataset& workers = app().dm->Workers;
        fx.ui.answer(answer);
        fx.ui.onModal([&](QDialog*) {
            workers.setRecNo(row);
            app().form5->Button3->click();
            QCOMPARE(workers.recNo(), rowAfter);
            QCOMPARE(workers.field("fio").asString(), currentAfter);
            QCOMPARE(app().form5->DBGrid1->model()->rowCount(), workers.recordCount());
        });
        app().form5->runList();
        QCOMPARE(texts(fx.ui.messages), QStringList{"Удалить работника?"});
        QCOMPARE(fx.ui.messages[0].caption, QString("Удаление"));
        QCOMPARE(fx.ui.messages[0].flags, 36);
        QCOMPARE(fx.db.count("select count(*) from accounts_dep.person"), before - (answer == ui::IDYES));
    }

    // In list mode the workers list has no default button: Enter in its search box opens nothing.
    void workersListEnter() {
        AppFixture fx;
        fx.db.exec(kWorkers);
        fx.ui.onModal([&](QDialog* d) {
            type(app().form5->Edit1, "Пет");
            QTest::keyClick(app().form5->Edit1, Qt::Key_Return);
            QVERIFY(d->isVisible());
        });
        app().form5->runList();
        QCOMPARE(fx.ui.modalShown, QStringList{"TForm5"});
        QCOMPARE(fx.db.count("select count(*) from accounts_dep.person"), 5);
    }

    // The wheel anywhere on the worker dialog moves the lookup that has the focus, one entry per notch.
    void workerDialogWheel() {
        AppFixture fx;
        fx.db.exec(kWorkers);
        TForm2* dlg = app().form2;
        fx.ui.onModal([&](QDialog*) { app().form5->Button1->click(); });
        fx.ui.onModal([&](QDialog* d) {
            QApplication::setActiveWindow(d);
            dlg->LCB_staffpos->setFocus();
            QVERIFY(dlg->LCB_staffpos->hasFocus());
            auto wheel = [&](QWidget* over, int delta) {
                QWheelEvent e(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(over, &e);
            };
            wheel(dlg->Edit1, -120);
            QCOMPARE(dlg->LCB_staffpos->currentText(), QString("Маляр"));
            wheel(dlg->LCB_department, -240);  // over another lookup: still the focused one moves
            QCOMPARE(dlg->LCB_staffpos->currentText(), QString("Сварщик"));
            QCOMPARE(dlg->LCB_department->currentIndex(), -1);
            wheel(dlg->Edit1, 60);
            wheel(dlg->Edit1, 60);  // half notches add up
            QCOMPARE(dlg->LCB_staffpos->currentText(), QString("Сборщик"));
            QCOMPARE(dlg->LCB_roles->currentIndex(), -1);
        });
        app().form5->runList();
        // The lookups keep their choice for the next showing.
        QCOMPARE(dlg->LCB_staffpos->currentText(), QString("Сборщик"));
    }

    // ---- products -----------------------------------------------------------------------------------------------

    // Add and edit: the mass key filter, the duplicate check in any letter case (the product itself excluded on
    // edit), the empty-field check, apostrophes, the mass written back as a point number.
    void productSave_data() {
        QTest::addColumn<int>("row");  // 0: add, else edit that row of the list (Ведро, КЛ-1, кл-2)
        QTest::addColumn<QString>("marka");
        QTest::addColumn<QString>("massTyped");  // typed key by key after clearing; "-": left as shown
        QTest::addColumn<QString>("shownMass");  // the mass box when the dialog opens
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("storedMassa");
        QTest::newRow("add, 2,5 typed") << 0 << " Таз 'Люкс' "
                                        << "2,5"
                                        << ""
                                        << ""
                                        << "2.500000";
        QTest::newRow("add, letters dropped") << 0 << "Таз"
                                              << "1a2"
                                              << ""
                                              << ""
                                              << "12.000000";
        QTest::newRow("add, other case of a marka") << 0 << "Кл-2"
                                                    << "1"
                                                    << ""
                                                    << "Такая марка изделия уже заведена!"
                                                    << "";
        QTest::newRow("add, no mass") << 0 << "Таз"
                                      << ""
                                      << ""
                                      << "Все поля должны быть заполнены!"
                                      << "";
        QTest::newRow("edit, own marka other case") << 2 << "кл-1"
                                                    << "-"
                                                    << "1,5"
                                                    << ""
                                                    << "1.500000";
        QTest::newRow("edit, whole mass unchanged") << 3 << "кл-2"
                                                    << "-"
                                                    << "12"
                                                    << ""
                                                    << "12.000000";
        QTest::newRow("edit, another's marka") << 2 << "КЛ-2"
                                               << "-"
                                               << "1,5"
                                               << "Такая марка изделия уже заведена!"
                                               << "";
        QTest::newRow("edit, blank marka") << 2 << "  "
                                           << "-"
                                           << "1,5"
                                           << "Все поля должны быть заполнены!"
                                           << "";
    }
    void productSave() {
        QFETCH(int, row);
        QFETCH(QString, marka);
        QFETCH(QString, massTyped);
        QFETCH(QString, shownMass);
        QFETCH(QString, message);
        QFETCH(QString, storedMassa);
        AppFixture fx;
        fx.db.exec(kProducts);
        app().dm->delimiter = QStringLiteral(".");  // as the version check sets it
        TForm7* dlg = app().form7;
        const int goodsBefore = fx.db.count("select count(*) from cmn_gds_and_srv.gds_and_srv");
        const QString before = fx.db.value(
            "select string_agg(s_caption||massa||id_class_item, ',' order by id) "
            "from cmn_gds_and_srv.gds_and_srv");
        qlonglong editedId = 0;
        fx.ui.onModal([&](QDialog*) {
            if (row) {
                app().dm->Izdel.setRecNo(row);
                editedId = app().dm->Izdel.field("id").asLongLong();
            }
            (row ? app().form3->Button2 : app().form3->Button1)->click();
            QCOMPARE(app().dm->Izdel.recNo(), row ? row : 1);
        });
        fx.ui.onModal([&](QDialog* d) {
            QCOMPARE(d->windowTitle(), QString(row ? "Изменение данных изделия (7)" : "Заведение нового изделия (7)"));
            QCOMPARE(dlg->Edit2->text(), shownMass);
            QCOMPARE(dlg->cb_item->count(), 2);  // level-2 items only
            if (row)
                QCOMPARE(dlg->cb_item->currentText(), QString("Крышки"));
            else
                dlg->cb_item->setCurrentIndex(0);  // Ведра
            dlg->Edit1->setText(marka);
            if (massTyped != "-") {
                dlg->Edit2->clear();
                type(dlg->Edit2, massTyped);
            }
            dlg->Button1->click();
            QCOMPARE(d->isVisible(), !message.isEmpty());
        });
        app().form3->runList();
        QCOMPARE(texts(fx.ui.messages), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(fx.ui.messages[0].caption, QString("Ошибка"));
            QCOMPARE(fx.ui.messages[0].flags, 16);
            QCOMPARE(fx.db.value("select string_agg(s_caption||massa||id_class_item, ',' order by id) "
                                 "from cmn_gds_and_srv.gds_and_srv"),
                     before);
            return;
        }
        const QString where = row ? "id=" + QString::number(editedId) : "id>503";
        QCOMPARE(fx.db.count("select count(*) from cmn_gds_and_srv.gds_and_srv"), goodsBefore + (row ? 0 : 1));
        QCOMPARE(fx.db.value("select s_caption from cmn_gds_and_srv.gds_and_srv where " + where), marka.trimmed());
        QCOMPARE(fx.db.value("select massa from cmn_gds_and_srv.gds_and_srv where " + where), storedMassa);
        QCOMPARE(
            fx.db.value("select s_description||'/'||id_msm_bs||'/'||id_class_item from cmn_gds_and_srv.gds_and_srv "
                        "where " +
                        where),
            QString(row ? "/6/101" : "/6/100"));
    }

    // The delete asks its questions in order and deletes what the answers allow; shift records of any year
    // since 2000 count.
    void productDelete_data() {
        QTest::addColumn<bool>("prices");
        QTest::addColumn<QString>("shiftDate");  // "" : none
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QString>("left");  // prices/shifts/goods rows left
        const QString priceQ = "По изделию есть расценки они будут удалены!!!";
        const QString longQ =
            "По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. "
            "Удалить изделие? ";
        const QString shortQ = "Удалить изделие? ";
        const int Y = ui::IDYES, N = ui::IDNO;
        QTest::newRow("prices question No: nothing deleted")
            << true << "" << QList<int>{N} << QStringList{priceQ} << "1/0/1";
        QTest::newRow("prices, product deleted")
            << true << "" << QList<int>{Y, Y} << QStringList{priceQ, shortQ} << "0/0/0";
        QTest::newRow("all, records of 2019")
            << true << "2019-06-03" << QList<int>{Y, Y} << QStringList{priceQ, longQ} << "0/0/0";
        QTest::newRow("records question No: nothing deleted")
            << true << "2026-01-05" << QList<int>{Y, N} << QStringList{priceQ, longQ} << "1/1/1";
        QTest::newRow("records, No") << false << "2026-01-05" << QList<int>{N} << QStringList{longQ} << "0/1/1";
        QTest::newRow("nothing else, Yes") << false << "" << QList<int>{Y} << QStringList{shortQ} << "0/0/0";
        QTest::newRow("nothing else, No") << false << "" << QList<int>{N} << QStringList{shortQ} << "0/0/1";
    }
    void productDelete() {
        QFETCH(bool, prices);
        QFETCH(QString, shiftDate);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, questions);
        QFETCH(QString, left);
        AppFixture fx;
        fx.db.exec(kProducts);
        if (prices)
            fx.db.exec("insert into accounts_dep.oper(vid, naimen, i_id) values (1001, 0, 501)");
        if (!shiftDate.isEmpty())
            fx.db.exec("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, ok) values ('" + shiftDate +
                       "', 1, 1, 501, 1, 'no')");
        for (int a : answers)
            fx.ui.answer(a);
        fx.ui.onModal([&](QDialog*) {
            app().dm->Izdel.setRecNo(2);  // КЛ-1 (501)
            app().form3->Button3->click();
        });
        app().form3->runList();
        QCOMPARE(texts(fx.ui.messages), questions);
        for (const auto& m : fx.ui.messages) {
            QCOMPARE(m.caption, QString("Удаление"));
            QCOMPARE(m.flags, 36);
        }
        QVERIFY(fx.ui.errors.isEmpty());
        QCOMPARE(fx.db.value("select (select count(*) from accounts_dep.oper where i_id=501)||'/'||"
                             "(select count(*) from accounts_dep.smena where i_id=501)||'/'||"
                             "(select count(*) from cmn_gds_and_srv.gds_and_srv where id=501)"),
                 left);
        QCOMPARE(fx.db.count("select count(*) from cmn_gds_and_srv.gds_and_srv"), 2 + left.endsWith("1"));
    }

    // A delete the database refuses halfway leaves the prices and shift records too, and the error is shown.
    void productDeleteRefused() {
        AppFixture fx;
        fx.db.exec(kProducts);
        fx.db.exec(R"sql(
insert into accounts_dep.oper(vid, naimen, i_id) values (1001, 0, 501);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, ok) values ('2025-05-05', 1, 1, 501, 1, 'no');
create function public.goods_in_use() returns trigger language plpgsql as
  $$ begin raise exception 'goods row % is in use', old.id; end $$;
create trigger goods_in_use before delete on cmn_gds_and_srv.gds_and_srv for each row execute function public.goods_in_use();
)sql");
        fx.ui.answer(ui::IDYES);
        fx.ui.answer(ui::IDYES);
        fx.ui.onModal([&](QDialog* d) {
            app().dm->Izdel.setRecNo(2);
            app().form3->Button3->click();
            QVERIFY(d->isVisible());
        });
        app().form3->runList();
        QCOMPARE(texts(fx.ui.messages),
                 (QStringList{"По изделию есть расценки они будут удалены!!!",
                              "По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. "
                              "Удалить изделие? "}));
        // The server's error as it stands, without its context line.
        QCOMPARE(fx.ui.errors, QStringList{"Изменение данных не выполнено."});
        QCOMPARE(fx.ui.errorDetails[0].section('\n', 0, 0), QString("ERROR:  goods row 501 is in use"));
        QCOMPARE(fx.db.count("select count(*) from accounts_dep.oper where i_id=501"), 1);
        QCOMPARE(fx.db.count("select count(*) from accounts_dep.smena where i_id=501"), 1);
        QVERIFY(!app().dm->ADO_DB.inTransaction());
    }

    // ---- operation kinds ----------------------------------------------------------------------------------------

    void kindSave_data() {
        QTest::addColumn<int>("row");  // 0: add, else edit that row (Резка, Сборка, резьба)
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("kinds");  // the names afterwards, in id order
        const QString all = "Резка,Сборка,резьба";
        QTest::newRow("add, trimmed, apostrophe") << 0 << "  Покраска 'А' "
                                                  << "" << all + ",Покраска 'А'";
        QTest::newRow("add, other case of a name") << 0 << "СБОРКА"
                                                   << "Такая операция уже заведена!" << all;
        QTest::newRow("add, blanks") << 0 << "  "
                                     << "Все поля должны быть заполнены!" << all;
        QTest::newRow("rename, own name other case") << 1 << "РЕЗКА"
                                                     << ""
                                                     << "РЕЗКА,Сборка,резьба";
        QTest::newRow("rename, another's name") << 1 << "сборка "
                                                << "Такая операция уже заведена!" << all;
        QTest::newRow("rename, apostrophe") << 3 << "Резьба O'K"
                                            << ""
                                            << "Резка,Сборка,Резьба O'K";
    }
    void kindSave() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, kinds);
        AppFixture fx;
        fx.db.exec(kProducts);
        TForm9* dlg = app().form9;
        fx.ui.onModal([&](QDialog*) {
            if (row)
                app().dm->Vid_oper.setRecNo(row);
            (row ? app().form8->Button2 : app().form8->Button1)->click();
        });
        fx.ui.onModal([&](QDialog* d) {
            QCOMPARE(d->windowTitle(),
                     QString(row ? "Изменение данных вида операции" : "Заведение нового вида операций"));
            if (row == 1)
                QCOMPARE(dlg->Edit1->text(), QString("Резка"));
            dlg->Edit1->setText(typed);
            dlg->Button1->click();
            QCOMPARE(d->isVisible(), !message.isEmpty());
        });
        app().form8->runList();
        QCOMPARE(texts(fx.ui.messages), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(fx.ui.messages[0].caption, QString("Ошибка"));
            QCOMPARE(fx.ui.messages[0].flags, 16);
        }
        QCOMPARE(fx.db.value("select string_agg(trim(vid), ',' order by id) from accounts_dep.vid_oper"), kinds);
        QCOMPARE(app().dm->Vid_oper.state(), Dataset::State::Inactive);
    }

    // Deleting asks first; a kind the database refuses to delete stays, and the refusal is shown.
    void kindDelete_data() {
        QTest::addColumn<bool>("referenced");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("kinds");
        QTest::newRow("Yes") << false << int(ui::IDYES) << "Резка,резьба";
        QTest::newRow("No") << false << int(ui::IDNO) << "Резка,Сборка,резьба";
        QTest::newRow("refused by the database") << true << int(ui::IDYES) << "Резка,Сборка,резьба";
    }
    void kindDelete() {
        QFETCH(bool, referenced);
        QFETCH(int, answer);
        QFETCH(QString, kinds);
        AppFixture fx;
        fx.db.exec(kProducts);
        if (referenced)
            fx.db.exec(
                "create function public.kind_kept() returns trigger language plpgsql as "
                "$$ begin raise exception 'kind % is kept', old.id; end $$;"
                "create trigger kind_kept before delete on accounts_dep.vid_oper for each row "
                "execute function public.kind_kept()");
        Dataset& ds = app().dm->Vid_oper;
        fx.ui.answer(answer);
        fx.ui.onModal([&](QDialog*) {
            ds.setRecNo(2);
            app().form8->Button3->click();
            QCOMPARE(ds.state(), Dataset::State::Browse);
            QCOMPARE(app().form8->DBGrid1->model()->rowCount(), kinds.count(',') + 1);
        });
        app().form8->runList();
        QCOMPARE(texts(fx.ui.messages), QStringList{"Удалить вид операции?"});
        QCOMPARE(fx.ui.errors.size(), referenced ? 1 : 0);
        if (referenced)
            QCOMPARE(fx.ui.errors[0] + '|' + fx.ui.errorDetails[0].section('\n', 0, 0),
                     QString("Изменение данных не выполнено.|ERROR:  kind 1002 is kept"));
        QCOMPARE(fx.db.value("select string_agg(trim(vid), ',' order by id) from accounts_dep.vid_oper"), kinds);
    }
};

QTEST_MAIN(TestCatalog)
#include "test_catalog.moc"
