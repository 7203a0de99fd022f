// Maintenance work: the nomenclature picker, the entry dialog, the journal, their statements and time-sheet cells.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "base/datamodule.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "support/invariants.h"
#include "support/testdb.h"
#include "support/typing.h"
#include "timesheet/maintenance_dialog.h"
#include "timesheet/maintenance_journal.h"
#include "timesheet/maintenance_logic.h"
#include "timesheet/nomenclature_picker.h"

namespace {

// Two workers, three groups (and one item of another level), the two work kinds with their hourly prices.
const char* const kFixture = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values
  (10, 1, 'Готовая продукция'), (11, 2, 'Ящики деревянные'), (12, 2, 'Ящики пластиковые'), (13, 2, 'Коробки'),
  (14, 2, 'Д''Артаньян'), (18, 3, 'Ящики почтовые');
insert into accounts_dep.person(id, fio, s_staffpos_hl) values (101, 'Иванов А.П.', 'Токарь'), (102, 'Петров В.С.', 'Маляр');
insert into accounts_dep.vid_oper(id, vid) values (7777, 'Хоз. работы'), (7778, 'Ср. сдельная');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (901, 7777, 0, 7777, 0), (902, 7778, 0, 7778, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (901, 1, 0, 150.25), (902, 1, 0, 200);
)sql";

const QDate kTuesday(2024, 3, 5);

struct Fixture : AppFixture {
    Fixture() {
        db.exec(QString::fromUtf8(kFixture));
        journal()->DTPcker1->setDate(kTuesday);
    }
    TForm24* dialog() { return app().form24; }
    TForm25* journal() { return app().form25; }
    TForm26* picker() { return app().form26; }

    // Fills the entry dialog as a user would (the worker as the workers list hands it back) and presses "Записать".
    void enter(int worker, int group, int kind, const QString& hours, bool night = false,
               std::source_location where = std::source_location::current()) {
        ui.onModal(
            [=](QDialog* dlg) {
                auto* d = static_cast<TForm24*>(dlg);
                d->workerId = worker;
                d->groupId = group;
                auto* kinds = d->findChild<QComboBox*>("cb_type_work");
                kinds->setCurrentIndex(kinds->findData(kind));
                d->findChild<QLineEdit*>("Edit6")->setText(hours);
                if (d->findChild<QCheckBox*>("CBox1")->isEnabled())
                    d->findChild<QCheckBox*>("CBox1")->setChecked(night);
                d->findChild<QPushButton*>("Button1")->click();
            },
            where);
    }
    void add(int worker, int group, int kind, const QString& hours, bool night = false,
             std::source_location where = std::source_location::current()) {
        enter(worker, group, kind, hours, night, where);
        journal()->findChild<QPushButton*>("Button5")->click();
    }
    // Changes the entry with that id through "Изменить".
    void change(int id, int worker, int group, int kind, const QString& hours,
                std::source_location where = std::source_location::current()) {
        QVERIFY(journal()->fatigue.locate("id", id));
        enter(worker, group, kind, hours, false, where);
        journal()->findChild<QPushButton*>("Button6")->click();
    }
    int entry(const QString& where) { return db.count("select max(id) from accounts_dep.fatigue where " + where); }

    // The worker's maintenance rows of March 2024 as "kind/night:cell of day 5", in key order.
    QString rows(int worker) {
        return db.value(QStringLiteral("select string_agg(i_type || '/' || i_night || ':' || coalesce(d5::text, '-'), "
                                       "' ' order by i_type, i_night) from accounts_dep.h_tabel where w_id=%1 "
                                       "and month=3 and year=2024")
                            .arg(worker));
    }
};

struct Step {
    int worker, kind, hours, night;
};

}  // namespace

Q_DECLARE_METATYPE(Step)

class TestMaintenance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void statements_data() {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");
        maint::Entry e{12, 7778, 101, QDate(2024, 3, 5), 1, 8, 300.5, 1, 0};
        const auto k = day_cells::Cell::maintenance(101, 7777, 1, QDate(2024, 3, 5));
        const auto day31 = day_cells::Cell::maintenance(7, 7778, 0, QDate(2024, 12, 31));
        QTest::newRow("insert")
            << maint::insertEntrySql(e)
            << "INSERT INTO accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, "
               "cnt, price, i_holiday, i_night)VALUES(12, 7778 ,101, '05.03.2024', 3, 2024, 1, 8, "
               "300.5, 1, 0)";
        QTest::newRow("update")
            << maint::updateEntrySql(55, e)
            << "UPDATE accounts_dep.fatigue SET id_nom=12, id_o=7778, id_p=101, cnt=8, price=300.5, "
               "i_holiday=1, i_night=0 where id=55";
        QTest::newRow("delete") << maint::deleteEntrySql(55) << "delete from accounts_dep.fatigue where id=55";
        QTest::newRow("row count") << day_cells::rowCountSql(k)
                                   << "select count(w_id) as cnt from accounts_dep.h_tabel where w_id=101 and "
                                      "i_type=7777 and month=3 and year=2024 and i_night=1";
        QTest::newRow("hours") << day_cells::hoursSumSql(k)
                               << "select sum(f.cnt) as tim from accounts_dep.fatigue f where f.id_p =101  and "
                                  "f.id_o=7777 and i_night=1 and f.d_date =to_date('05.03.2024', 'DD.MM.YYYY') group "
                                  "by f.id_p, f.d_date";
        QTest::newRow("row insert") << day_cells::insertSql(k, 8)
                                    << "insert into accounts_dep.h_tabel(i_type, w_id, month, year, d5, i_night) "
                                       "values(7777, 101, 3, 2024, 8, 1)";
        QTest::newRow("row update") << day_cells::updateSql(day31, 0)
                                    << "update accounts_dep.h_tabel set d31=0 where w_id=7 and i_type=7778 and "
                                       "month=12 and year=2024 and i_night=0";
        QTest::newRow("row update after delete")
            << day_cells::updateAfterDeleteSql(k, 3)
            << "update accounts_dep.h_tabel set d5=3 where w_id=101 and i_night=1 and i_type=7777 and month=3 and "
               "year=2024";
        QTest::newRow("average rate, December")
            << maint::averageRateSql(12, 2024)
            << "UPDATE accounts_dep.fatigue f SET price=coalesce((select case when "
               "coalesce(sum(s.time),0)::numeric(10,2)=0 "
               "then 0 else  coalesce(sum((s.kol_vo-s.brak)*(s.cena+s.cena*f.i_holiday))/sum(time),0)::numeric(10,2) "
               "end "
               "as price  from cmn_classifier.item i, accounts_dep.smena s, accounts_dep.izdel gas, "
               "accounts_dep.person p "
               "where i.id_level =2 and s.i_id = gas.id and gas.id_class_item =i.id  and s.data<'01.1.2025' and "
               "s.data>='01.12.2024' and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom group by i.s_caption, i.id, "
               "p.id "
               "order by fio),0) where i_mnth = 12 and i_year = 2024 and id_o =7778";
    }
    void statements() {
        QFETCH(QString, built);
        QFETCH(QString, expected);
        QCOMPARE(built, expected);
    }

    // Entries saved through the dialog and the maintenance rows of the day they make.
    void saveMakesRows_data() {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QString>("rows");
        QTest::newRow("3 h then 5 h: one row with 8")
            << QList<Step>{{101, 7777, 3, 0}, {101, 7777, 5, 0}} << "7777/0:8";
        QTest::newRow("night work: a second row")
            << QList<Step>{{101, 7777, 3, 0}, {101, 7777, 4, 1}} << "7777/0:3 7777/1:4";
        QTest::newRow("two kinds: two rows")
            << QList<Step>{{101, 7777, 3, 0}, {101, 7778, 5, 0}} << "7777/0:3 7778/0:5";
        QTest::newRow("other worker apart") << QList<Step>{{101, 7777, 3, 0}, {102, 7777, 6, 0}} << "7777/0:3";
    }
    void saveMakesRows() {
        QFETCH(QList<Step>, steps);
        QFETCH(QString, rows);
        Fixture f;
        for (const Step& s : steps)
            f.add(s.worker, 11, s.kind, QString::number(s.hours), s.night);
        QCOMPARE(f.ui.errors, QStringList());
        QCOMPARE(f.rows(101), rows);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), int(steps.size()));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.h_tabel where smena is not null"), 0);
        // The journal shows the day's entries after each save.
        QCOMPARE(f.journal()->fatigue.recordCount(), int(steps.size()));
    }

    void dayOffDoublesPrice() {
        Fixture f;
        f.journal()->CBox1->setChecked(true);
        f.add(101, 11, 7777, "3");
        QCOMPARE(
            f.db.value("select price || ' ' || i_holiday || ' ' || i_night || ' ' || i_smena || ' ' || cnt || ' ' || "
                       "d_date || ' ' || i_mnth || ' ' || i_year || ' ' || id_nom || ' ' || id_p || ' ' || id_o "
                       "from accounts_dep.fatigue"),
            QString("300.5000 1 0 1 3 2024-03-05 3 2024 11 101 7777"));
        QCOMPARE(f.journal()->fatigue.field("s_holiday").asString(), QString("+"));
        QCOMPARE(f.journal()->fatigue.field("summ").asDouble(), 901.5);
    }

    void sumFollowsHours() {
        Fixture f;
        f.ui.onModal([](QDialog* dlg) {
            auto* d = static_cast<TForm24*>(dlg);
            QCOMPARE(d->selectedKind(), 7777);
            QCOMPARE(d->DBEdit1->text(), QString("150,25"));
            QCOMPARE(d->DBEdit2->text(), QString("0"));
            d->Edit6->setText("3");
            QCOMPARE(d->DBEdit2->text(), QString("450,75"));
            d->cb_type_work->setCurrentIndex(d->cb_type_work->findData(7778));
            QCOMPARE(d->DBEdit1->text(), QString("200"));
            QCOMPARE(d->DBEdit2->text(), QString("600"));
            QTest::keyClicks(d->Edit6, "x-1,5");  // digits only
            QCOMPARE(d->Edit6->text(), QString("315"));
        });
        f.journal()->Button5Click();
        QCOMPARE(f.ui.modalShown, QStringList{"TForm24"});
    }

    // Each refused save leaves the dialog open and writes nothing.
    void refusedSaves_data() {
        QTest::addColumn<int>("worker");
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<bool>("noPrices");
        QTest::addColumn<QString>("message");
        const QString fill = "Все поля должны быть заполнены!", count = "Нужно завести количество!";
        QTest::newRow("hours 0") << 101 << 11 << "0" << false << count;
        QTest::newRow("hours empty") << 101 << 11 << "" << false << count;
        QTest::newRow("no worker") << 0 << 11 << "5" << false << fill;
        QTest::newRow("no group") << 101 << 0 << "5" << false << fill;
        QTest::newRow("no group and no hours") << 101 << 0 << "0" << false << fill;
        QTest::newRow("kinds without a price") << 101 << 11 << "5" << true << "Не задана цена вида работ!";
    }
    void refusedSaves() {
        QFETCH(int, worker);
        QFETCH(int, group);
        QFETCH(QString, hours);
        QFETCH(bool, noPrices);
        QFETCH(QString, message);
        Fixture f;
        if (noPrices)
            f.db.exec("delete from accounts_dep.norm");
        bool stayedOpen = false;
        f.ui.onModal([&](QDialog* dlg) {
            auto* d = static_cast<TForm24*>(dlg);
            d->workerId = worker;
            d->groupId = group;
            d->Edit6->setText(hours);
            d->Button1->click();
            stayedOpen = d->isVisible();
        });
        f.journal()->Button5Click();
        QVERIFY(stayedOpen);
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, message);
        QCOMPARE(f.ui.messages[0].caption, QString("Ошибка"));
        QCOMPARE(f.ui.messages[0].flags, 16);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 0);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.h_tabel"), 0);
    }

    // A change corrects the cell it writes and, when the entry moves to another row, the cell it left.
    void changeCorrectsCells_data() {
        QTest::addColumn<int>("worker");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("rows101");
        QTest::addColumn<QString>("rows102");
        QTest::newRow("8 h to 4 h") << 101 << 7777 << "7777/0:6"
                                    << "";
        QTest::newRow("to another worker") << 102 << 7777 << "7777/0:2"
                                           << "7777/0:4";
        QTest::newRow("to another kind") << 101 << 7778 << "7777/0:2 7778/0:4"
                                         << "";
    }
    void changeCorrectsCells() {
        QFETCH(int, worker);
        QFETCH(int, kind);
        QFETCH(QString, rows101);
        QFETCH(QString, rows102);
        Fixture f;
        f.add(101, 11, 7777, "8");
        f.add(101, 12, 7777, "2");
        QCOMPARE(f.rows(101), QString("7777/0:10"));
        const int id = f.entry("cnt=8");
        f.change(id, worker, 13, kind, "4");
        QCOMPARE(f.ui.errors, QStringList());
        QCOMPARE(f.rows(101), rows101);
        QCOMPARE(f.rows(102), rows102);
        const double price = kind == 7777 ? 150.25 : 200;
        QCOMPARE(f.db.value(QString("select id_p || ' ' || id_o || ' ' || id_nom || ' ' || cnt || ' ' || price::float8 "
                                    "|| ' ' || d_date from accounts_dep.fatigue where id=%1")
                                .arg(id)),
                 QString("%1 %2 13 4 %3 2024-03-05").arg(worker).arg(kind).arg(price));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 2);
    }

    // A whole entry as the user makes it: the worker from the workers list, the group from the picker.
    void entryWithPickers() {
        Fixture f;
        f.ui.onModal([](QDialog* dlg) {
            dlg->findChild<QPushButton*>("Button3")->click();
            dlg->findChild<QPushButton*>("Button4")->click();
            QCOMPARE(dlg->findChild<QLineEdit*>("Edit1")->text(), QString("Петров В.С."));
            QCOMPARE(dlg->findChild<QLineEdit*>("Edit2")->text(), QString("Коробки"));
            dlg->findChild<QLineEdit*>("Edit6")->setText("4");
            dlg->findChild<QPushButton*>("Button1")->click();
        });
        f.ui.onModal([](QDialog* list) {
            type(list->findChild<QLineEdit*>("Edit1"), "Пет");
            list->findChild<QPushButton*>("Button2")->click();
        });
        f.ui.onModal([](QDialog* picker) {
            type(picker->findChild<QLineEdit*>("Edit1"), "Кор");
            picker->findChild<QPushButton*>("Button1")->click();
        });
        f.journal()->findChild<QPushButton*>("Button5")->click();
        QCOMPARE(f.ui.modalShown, QStringList({"TForm24", "TForm5", "TForm26"}));
        QCOMPARE(f.ui.errors, QStringList());
        QCOMPARE(f.db.value("select id_p || ' ' || id_nom || ' ' || id_o || ' ' || cnt from accounts_dep.fatigue"),
                 QString("102 13 7777 4"));
        QCOMPARE(f.rows(102), QString("7777/0:4"));
    }

    // An entry deleted at another workstation while the dialog was open: nothing is written, the list reloads.
    void changeOfDeletedEntry() {
        Fixture f;
        f.add(101, 11, 7777, "8");
        f.journal()->fatigue.first();
        f.ui.onModal([&](QDialog* dlg) {
            f.db.exec("delete from accounts_dep.fatigue");
            dlg->findChild<QLineEdit*>("Edit6")->setText("4");
            dlg->findChild<QPushButton*>("Button1")->click();
        });
        f.journal()->findChild<QPushButton*>("Button6")->click();
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, QString("Запись уже удалена с другого рабочего места."));
        QCOMPARE(f.ui.messages[0].caption, QString("Ошибка"));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 0);
        QCOMPARE(f.rows(101), QString("7777/0:8"));  // untouched: correcting it belongs to the delete
        QCOMPARE(f.journal()->fatigue.recordCount(), 0);
    }

    void changeFillsDialogFromRow() {
        Fixture f;
        f.add(102, 13, 7778, "5", true);
        f.journal()->fatigue.first();
        f.ui.onModal([](QDialog* dlg) {
            auto* d = static_cast<TForm24*>(dlg);
            QCOMPARE(d->Tag, 1);
            QCOMPARE(d->Edit1->text(), QString("Петров В.С."));
            QCOMPARE(d->Edit2->text(), QString("Коробки"));
            QCOMPARE(d->Edit6->text(), QString("5"));
            QCOMPARE(d->selectedKind(), 7778);
            QCOMPARE(d->workerId, 102);
            QCOMPARE(d->groupId, 13);
            QVERIFY(d->CBox1->isChecked());
            QVERIFY(!d->CBox1->isEnabled());
        });
        f.journal()->findChild<QPushButton*>("Button6")->click();
        // "Добавить" afterwards starts from empty fields with the night box usable again.
        f.ui.onModal([](QDialog* dlg) {
            auto* d = static_cast<TForm24*>(dlg);
            QCOMPARE(d->Tag, 0);
            QCOMPARE(d->Edit1->text(), QString());
            QCOMPARE(d->Edit6->text(), QString("0"));
            QCOMPARE(d->selectedKind(), 7777);
            QVERIFY(!d->CBox1->isChecked());
            QVERIFY(d->CBox1->isEnabled());
            QCOMPARE(d->workerId + d->groupId, 0);
        });
        f.journal()->Button5Click();
        QCOMPARE(f.ui.modalShown, QStringList({"TForm24", "TForm24", "TForm24"}));
        QVERIFY(!f.dialog()->type_work.isOpen());
    }

    void deleteCorrectsCell() {
        Fixture f;
        f.add(101, 11, 7777, "3");
        f.add(101, 12, 7777, "5");
        f.db.exec("update accounts_dep.h_tabel set d6=7");
        QCOMPARE(f.rows(101), QString("7777/0:8"));

        f.journal()->fatigue.locate("id", f.entry("cnt=3"));
        f.ui.answer(ui::IDNO);
        f.journal()->findChild<QPushButton*>("Button7")->click();
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 2);
        QCOMPARE(f.ui.messages.last().text, QString("Удалить позицию из списка?"));
        QCOMPARE(f.ui.messages.last().caption, QString("Удаление"));
        QCOMPARE(f.ui.messages.last().flags, 36);

        f.ui.answer(ui::IDYES);
        f.journal()->Button7Click();
        QCOMPARE(f.rows(101), QString("7777/0:5"));
        f.ui.answer(ui::IDYES);
        f.journal()->Button7Click();
        QCOMPARE(f.rows(101), QString("7777/0:0"));
        QCOMPARE(f.db.value("select d6 from accounts_dep.h_tabel"), QString("7"));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 0);
        // An empty list: nothing is asked.
        const auto asked = f.ui.messages.size();
        f.journal()->Button7Click();
        QCOMPARE(f.ui.messages.size(), asked);
        QCOMPARE(f.ui.errors, QStringList());
    }

    // An error while correcting the cell leaves the entry unsaved.
    void saveIsOneTransaction() {
        Fixture f;
        f.db.exec("alter table accounts_dep.h_tabel add constraint no_eight check (d5 is null or d5 <> 8)");
        f.add(101, 11, 7777, "8");
        QCOMPARE(f.ui.errors.size(), 1);
        QCOMPARE(f.ui.errors, QStringList{"Изменение данных не выполнено."});
        QVERIFY2(f.ui.errorDetails[0].contains("no_eight"), qPrintable(f.ui.errorDetails[0]));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 0);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.h_tabel"), 0);
    }

    // A day cell holds at most 24 hours: a save that would bring it above is refused before anything is written
    // and the dialog stays open; the entry's own hours count once when it is changed.
    void dayCellLimit_data() {
        QTest::addColumn<QString>("hours");
        QTest::addColumn<bool>("change");  // change the 20-hour entry instead of adding one
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("cell");  // the rows of worker 101 afterwards
        QTest::newRow("20 + 4 is the limit") << "4" << false << ""
                                             << "7777/0:24";
        QTest::newRow("20 + 5 refused") << "5" << false
                                        << "За день в табеле не может быть больше 24 ч. (получилось бы 25 ч.)"
                                        << "7777/0:20";
        QTest::newRow("far beyond a cell's range")
            << "9999" << false << "За день в табеле не может быть больше 24 ч. (получилось бы 10019 ч.)"
            << "7777/0:20";
        QTest::newRow("changing 20 into 24") << "24" << true << ""
                                             << "7777/0:24";
        QTest::newRow("changing 20 into 25 refused")
            << "25" << true << "За день в табеле не может быть больше 24 ч. (получилось бы 25 ч.)"
            << "7777/0:20";
        QTest::newRow("night hours are another row") << "10" << false << ""
                                                     << "7777/0:20";
    }

    void dayCellLimit() {
        QFETCH(QString, hours);
        QFETCH(bool, change);
        QFETCH(QString, refusal);
        QFETCH(QString, cell);
        Fixture f;
        f.add(101, 11, 7777, "20");
        const int id = f.entry("true");
        const bool night = QString(QTest::currentDataTag()).startsWith("night");
        bool openAfterwards = false;
        f.ui.onModal([&](QDialog* dlg) {
            auto* d = static_cast<TForm24*>(dlg);
            d->workerId = 101;
            d->groupId = 12;
            d->findChild<QLineEdit*>("Edit6")->setText(hours);
            if (night)
                d->findChild<QCheckBox*>("CBox1")->setChecked(true);
            d->findChild<QPushButton*>("Button1")->click();
            openAfterwards = d->isVisible();
        });
        if (change) {
            QVERIFY(f.journal()->fatigue.locate("id", id));
            f.journal()->findChild<QPushButton*>("Button6")->click();
        } else {
            f.journal()->findChild<QPushButton*>("Button5")->click();
        }
        QCOMPARE(f.ui.errors, QStringList());
        if (refusal.isEmpty()) {
            QVERIFY(f.ui.messages.isEmpty());
        } else {
            QCOMPARE(f.ui.messages.size(), 1);
            QCOMPARE(f.ui.messages[0].text, refusal);
            QCOMPARE(f.ui.messages[0].caption, QString("Ошибка"));
            QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 1);
            QCOMPARE(f.db.count("select cnt from accounts_dep.fatigue"), 20);
        }
        QCOMPARE(openAfterwards, !refusal.isEmpty());
        QCOMPARE(f.rows(101).split(' ').first(), cell);
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }

    // Saving and deleting take the lock of the time-sheet row they correct.
    void rowLockSerialisesWorkstations() {
        Fixture f;
        const auto key = day_cells::Cell::maintenance(101, 7777, 0, kTuesday);
        Db& other = f.db.admin();
        app().dm->ADO_DB.exec("set lock_timeout = '200ms'");
        other.begin();
        other.exec(day_cells::lockSql(key));
        const QString timeout = "База данных занята другим рабочим местом. Повторите запись позже.";
        f.add(101, 11, 7777, "3");
        QCOMPARE(f.ui.errors, QStringList{timeout});
        QCOMPARE(f.ui.errorDetails.value(0).section('\n', 0, 0),
                 QString("ERROR:  canceling statement due to lock timeout"));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 0);
        other.commit();
        f.add(101, 11, 7777, "3");
        QCOMPARE(f.rows(101), QString("7777/0:3"));

        other.begin();
        other.exec(day_cells::lockSql(key));
        f.ui.answer(ui::IDYES);
        f.journal()->findChild<QPushButton*>("Button7")->click();
        QCOMPARE(f.ui.errors, QStringList({timeout, timeout}));
        other.commit();
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 1);
        // Another row's key is not held up.
        other.begin();
        other.exec(day_cells::lockSql(key));
        f.add(101, 11, 7778, "2");
        other.commit();
        QCOMPARE(f.ui.errors, QStringList({timeout, timeout}));
        QCOMPARE(f.rows(101), QString("7777/0:3 7778/0:2"));
    }

    void averageRate() {
        Fixture f;
        f.db.exec(R"sql(
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values
  (1001, 'ЯД-40', 1, 11, 6), (1002, 'ЯП-10', 1, 12, 6);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) values
  ('2024-12-02', 1, 101, 1001, 1, 2.0, 100, 0, 0, 8, 'no'),
  ('2024-12-31', 2, 101, 1001, 1, 2.0, 50, 10, 0, 4, 'no'),
  ('2025-01-01', 1, 101, 1001, 1, 9.0, 900, 0, 0, 1, 'no'),
  ('2024-11-30', 1, 101, 1001, 1, 9.0, 900, 0, 0, 1, 'no'),
  ('2024-12-03', 1, 101, 1002, 1, 3.0, 10, 0, 0, 2, 'no');
insert into accounts_dep.fatigue(id, id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday) values
  (1, 11, 7778, 101, '2024-12-10', 12, 2024, 1, 8, 200, 0),
  (2, 11, 7778, 101, '2024-12-10', 12, 2024, 1, 2, 400, 1),
  (3, 11, 7778, 102, '2024-12-10', 12, 2024, 1, 5, 200, 0),
  (4, 11, 7777, 101, '2024-12-10', 12, 2024, 1, 3, 150.25, 0),
  (5, 11, 7778, 101, '2025-01-10', 1, 2025, 1, 3, 200, 0),
  (6, 12, 7778, 101, '2024-12-10', 12, 2024, 1, 1, 200, 0);
)sql");
        f.journal()->DTPcker1->setDate(QDate(2024, 12, 10));
        QCOMPARE(f.journal()->fatigue.recordCount(), 5);
        f.journal()->fatigue.setRecNo(3);
        f.journal()->findChild<QPushButton*>("Button1")->click();
        QCOMPARE(f.ui.errors, QStringList());
        QCOMPARE(f.ui.messages.size(), 0);
        // 101 in group 11: (100 + 40) pieces × 2.00 over 12 h; doubled for the day off; 102 made nothing: 0.
        QCOMPARE(f.db.value("select string_agg(id || ':' || price::float8, ' ' order by id) from accounts_dep.fatigue"),
                 QString("1:23.33 2:46.67 3:0 4:150.25 5:200 6:15"));
        QCOMPARE(f.journal()->fatigue.recNo(), 3);
    }

    void journalFollowsDate() {
        Fixture f;
        f.add(101, 11, 7777, "3");
        TForm25* j = f.journal();
        QAbstractItemModelTester tester(j->DBGrid1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(j->DBGrid1->model()->rowCount(), 1);
        QCOMPARE(j->DBGrid1->datasetModel()->cellText(0, 0), QString("Иванов А.П."));
        QCOMPARE(j->DBGrid1->datasetModel()->cellText(0, 1), QString("Ящики деревянные"));

        j->DTPcker1->setDate(QDate(2024, 3, 9));  // Saturday
        QVERIFY(j->CBox1->isChecked());
        QVERIFY(j->CBox1->font().bold());
        QCOMPARE(j->CBox1->palette().color(j->CBox1->backgroundRole()), QColor(255, 0, 0));
        QCOMPARE(j->fatigue.recordCount(), 0);
        j->CBox1->setChecked(false);  // the user may overrule it
        QVERIFY(!j->CBox1->font().bold());
        j->DTPcker1->setDate(QDate(2024, 3, 10));  // Sunday
        QVERIFY(j->CBox1->isChecked());

        // Every opening from the main window sets the box from the day (a Saturday's tick never carries over to a
        // weekday); activation reloads the day.
        f.ui.onModal([](QDialog* dlg) {
            auto* w = static_cast<TForm25*>(dlg);
            QCOMPARE(w->DTPcker1->date(), kTuesday);
            QVERIFY(!w->CBox1->isChecked());
            QVERIFY(!w->CBox1->font().bold());
            QCOMPARE(w->fatigue.recordCount(), 1);
        });
        j->openFor(kTuesday);
        QCOMPARE(f.ui.modalShown.last(), QString("TForm25"));
        j->DTPcker1->setDate(QDate(2024, 3, 11));  // Monday
        QVERIFY(!j->CBox1->isChecked());
    }

    // Opened on a Saturday, then on a weekday: the weekday's entry is saved at the plain price, not as a day off.
    void openingSetsDayOffFromDate() {
        Fixture f;
        TForm25* j = f.journal();
        struct Visit {
            QDate date;
            bool dayOff;
        };
        const Visit visits[] = {{QDate(2024, 3, 9), true}, {kTuesday, false}, {QDate(2024, 3, 10), true}};
        for (const Visit& v : visits) {
            bool seen = false;
            f.ui.onModal([&](QDialog* dlg) {
                auto* w = static_cast<TForm25*>(dlg);
                seen = true;
                QCOMPARE(w->CBox1->isChecked(), v.dayOff);
                QCOMPARE(w->CBox1->font().bold(), v.dayOff);
                if (v.date == kTuesday)
                    f.add(101, 11, 7777, "2");
            });
            j->openFor(v.date);
            QVERIFY(seen);
        }
        QCOMPARE(f.db.value("select price || ' ' || i_holiday || ' ' || d_date from accounts_dep.fatigue"),
                 QString("150.2500 0 2024-03-05"));
        QCOMPARE(f.rows(101), QString("7777/0:2"));
        QCOMPARE(f.ui.errors, QStringList());
    }

    void pickerSearch_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("names");
        QTest::newRow("nothing typed") << ""
                                       << "Д'Артаньян|Коробки|Ящики деревянные|Ящики пластиковые";
        QTest::newRow("prefix, any case") << "ящ"
                                          << "Ящики деревянные|Ящики пластиковые";
        QTest::newRow("longer prefix") << "ЯЩИКИ П"
                                       << "Ящики пластиковые";
        QTest::newRow("not inside a name") << "ики"
                                           << "";
        QTest::newRow("apostrophe") << "д'"
                                    << "Д'Артаньян";
        QTest::newRow("backslash") << "\\"
                                   << "";
    }
    void pickerSearch() {
        QFETCH(QString, typed);
        QFETCH(QString, names);
        Fixture f;
        TForm26* p = f.picker();
        p->item.open();
        p->Edit1->setText("к");
        p->Edit1->setText(typed);
        QStringList got;
        for (int r = 0; r < p->item.recordCount(); ++r)
            got << p->DBGrid1->datasetModel()->cellText(r, 0);
        QCOMPARE(got.join('|'), names);
        QCOMPARE(f.ui.errors, QStringList());
        p->item.close();
    }

    void pickerKeys() {
        Fixture f;
        TForm26* p = f.picker();
        f.ui.onModal([](QDialog* dlg) {
            auto* w = static_cast<TForm26*>(dlg);
            type(w->Edit1, "Ящ");
            QCOMPARE(w->item.recNo(), 1);
            QTest::keyClick(w->Edit1, Qt::Key_Down);
            QCOMPARE(w->item.recNo(), 2);
            QCOMPARE(w->DBGrid1->currentIndex().row(), 1);
            QTest::keyClick(w->Edit1, Qt::Key_Up);
            QCOMPARE(w->item.recNo(), 1);
            QTest::keyClick(w->Edit1, Qt::Key_Down);
            for (Qt::Key k : {Qt::Key_Left, Qt::Key_Home, Qt::Key_Delete})
                QTest::keyClick(w->Edit1, k);
            QCOMPARE(w->Edit1->cursorPosition(), 2);
            QCOMPARE(w->Edit1->text(), QString("Ящ"));
            QTest::keyClick(w->Edit1, Qt::Key_Backspace);
            type(w->Edit1, "щики п");
            QCOMPARE(w->item.recordCount(), 1);
            QTest::keyClick(w->Edit1, Qt::Key_Return);  // "Выбрать" is the default button
        });
        const std::optional<catalog::Picked> picked = p->pick(24);
        QVERIFY(picked);
        QCOMPARE(picked->id, 12LL);
        QCOMPARE(picked->text, QString("Ящики пластиковые"));
        QVERIFY(!p->item.isOpen());
    }

    // The dialog's "..." hands the chosen group back; the search persists; "Выход" and an empty list.
    void pickerThroughDialog() {
        Fixture f;
        TForm24* d = f.dialog();
        auto pickVia = [&](std::function<void(TForm26*)> act) {
            f.ui.onModal([act](QDialog* dlg) { act(static_cast<TForm26*>(dlg)); });
            d->findChild<QPushButton*>("Button4")->click();
        };
        pickVia([](TForm26* w) {
            w->Edit1->setText("Кор");
            emit w->DBGrid1->doubleClicked(w->DBGrid1->model()->index(0, 0));
        });
        QCOMPARE(d->groupId, 13);
        QCOMPARE(d->Edit2->text(), QString("Коробки"));

        pickVia([](TForm26* w) {
            QCOMPARE(w->Edit1->text(), QString("Кор"));
            QCOMPARE(w->item.recordCount(), 1);
            w->Edit1->setText("Д");
            w->findChild<QPushButton*>("Button4")->click();
        });
        QCOMPARE(d->groupId, 13);
        QCOMPARE(d->Edit2->text(), QString("Коробки"));

        pickVia([](TForm26* w) {
            QCOMPARE(w->item.recordCount(), 1);  // filtered by "Д" kept from the last showing
            w->Edit1->setText("Ж");
            QCOMPARE(w->item.recordCount(), 0);
            w->findChild<QPushButton*>("Button1")->click();
        });
        QCOMPARE(d->groupId, 0);
        QCOMPARE(d->Edit2->text(), QString());
        QCOMPARE(f.ui.modalShown, QStringList({"TForm26", "TForm26", "TForm26"}));
        QCOMPARE(f.ui.errors, QStringList());
    }
};

QTEST_MAIN(TestMaintenance)
#include "test_maintenance.moc"
