// Reference-book write paths: deletes refused while records name the row, confirmed deletes that keep the time
// sheets equal to their records, the worker edit keeping the stored position, norms refused below zero, prices
// kept to four places, and no lock held while a refusal is on the screen.
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/catalog_writes.h"
#include "catalog/kind_dialog.h"
#include "catalog/kinds_list.h"
#include "catalog/lookup_combo.h"
#include "catalog/norms_grid.h"
#include "catalog/operations_list.h"
#include "catalog/price_dialog.h"
#include "catalog/product_dialog.h"
#include "catalog/products_list.h"
#include "catalog/worker_dialog.h"
#include "catalog/workers_list.h"
#include "support/invariants.h"
#include "support/testdb.h"

namespace {

// Two products with three priced operations; worker 1 has shift records of both products on one day (one
// cell), worker 2 a record of product 501 and a maintenance entry. The time sheet agrees with the records.
const char* const kFixture = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, s_description, id_msm_bs, massa, id_class_item) values
  (501, 'КЛ-1', '', 6, 1, 100), (502, 'Ведро', '', 6, 1, 100), (503, 'Таз', '', 6, 1, 100);
insert into accounts_dep.vid_oper(id, vid) values
  (1001, 'Резка'), (1002, 'Сборка'), (1003, 'Покраска'), (7777, 'хоз. работы'), (7778, 'ср. сдельная');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (601, 1001, 0, 501, 0), (602, 1002, 0, 501, 0), (603, 1001, 0, 502, 0), (604, 1002, 1, 502, 0);
insert into accounts_dep.norm(o_id, norma, price, prize) values
  (601, 10, 2.5, 0), (601, 20, 2, 5), (602, 5, 4, 0), (603, 1, 3, 0), (604, 1, 7, 0);
insert into accounts_dep.person(id, fio, s_staffpos_hl) values
  (1, 'Иванов И.И.', 'Сборщик'), (2, 'Петров П.П.', 'Склад'), (3, 'Сидоров С.С.', '');
insert into cmn_contractor.person(id, s_caption, s_code) values (1, 'Иванов И.И.', '1'), (2, 'Петров П.П.', '2');
insert into cmn_department.department(s_caption) values ('Склад'), ('Цех 2');
insert into hrms_staffpos.staffpos(s_caption) values ('Маляр'), ('Сборщик');
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "time", ok) values
  ('2026-03-02', 1, 1, 501, 601, 2, 10, 0, 0, 8, 'no'),
  ('2026-03-02', 1, 1, 502, 603, 3, 10, 0, 0, 4, 'ok'),
  ('2026-03-03', 2, 2, 501, 602, 4, 5, 0, 0, 6, 'no');
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, d2, d3) values
  (1, 3, 2026, 1, 0, 12, null), (2, 3, 2026, 2, 0, null, 6);
insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price) values
  (100, 7777, 2, '2026-03-04', 3, 2026, 1, 2, 10);
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d4) values (2, 3, 2026, null, 7777, 0, 2);
select setval('accounts_dep.person_id_seq', 3), setval('accounts_dep.vid_oper_id_seq', 7778),
       setval('accounts_dep.oper_id_seq', 604), setval('cmn_gds_and_srv.gds_and_srv_id_seq', 503);
)sql";

const QString kTables[] = {"accounts_dep.person",  "cmn_gds_and_srv.gds_and_srv", "accounts_dep.vid_oper",
                           "accounts_dep.oper",    "accounts_dep.norm",           "accounts_dep.smena",
                           "accounts_dep.fatigue", "accounts_dep.h_tabel"};

// Every row of every table involved, as one text: equal snapshots, nothing changed.
QString snapshot(TestDb& db) {
    QString out;
    for (const QString& t : kTables)
        out += t + ':' + db.value("select string_agg(x::text, ';' order by x::text) from " + t + " x") + '\n';
    return out;
}

// The records the journals list: the shift journal's inner joins, and the maintenance journal's worker join.
QString journalRows(TestDb& db) {
    return db.value(
               "select count(*) from accounts_dep.smena s join accounts_dep.izdel i on s.i_id=i.id "
               "join accounts_dep.oper o on s.o_id=o.id join accounts_dep.vid_oper v on o.vid=v.id "
               "join cmn_contractor.person p on (s.w_id=p.id or p.s_code::t_id=s.w_id)") +
           '/' +
           db.value(
               "select count(*) from accounts_dep.fatigue f join accounts_dep.person p on f.id_p=p.id "
               "join accounts_dep.vid_oper v on f.id_o=v.id");
}

struct Fixture : AppFixture {
    Fixture() {
        db.exec(QString::fromUtf8(kFixture));
        app().dm->delimiter = QStringLiteral(".");
    }
};

// A delete from one of the lists: the list shown, the row located, "Удалить" clicked.
void deleteFrom(Fixture& f, int form, qlonglong id) {
    f.ui.onModal([form, id](QDialog*) {
        TDataModule6& dm = *app().dm;
        switch (form) {
            case 3:
                QVERIFY(dm.Izdel.locate("id", id));
                app().form3->Button3->click();
                break;
            case 4:
                QVERIFY(dm.Oper.locate("id", id));
                app().form4->Button3->click();
                break;
            case 5:
                QVERIFY(dm.Workers.locate("id", id));
                app().form5->Button3->click();
                break;
            default:
                QVERIFY(dm.Vid_oper.locate("id", id));
                app().form8->Button3->click();
        }
    });
    switch (form) {
        case 3:
            app().form3->runList();
            break;
        case 4:
            app().form4->runList();
            break;
        case 5:
            app().form5->runList();
            break;
        default:
            app().form8->runList();
    }
}

QStringList texts(const QList<ScriptedUi::Message>& messages) {
    QStringList out;
    for (const auto& m : messages)
        out << m.caption + ": " + m.text;
    return out;
}

// A scripted user who, while a message is on the screen, lets a probe act (another workstation saving).
class ProbingUi : public ScriptedUi {
public:
    std::function<void(const QString&)> probe;
    int messageBox(const QString& text, const QString& caption, int flags) override {
        if (probe)
            probe(text);
        return ScriptedUi::messageBox(text, caption, flags);
    }
};

const QString kPriceQ = "Удаление: По изделию есть расценки они будут удалены!!!";
const QString kLongQ =
    "Удаление: По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. Удалить изделие? ";

}  // namespace

class TestCatalogWrites : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // A delete that would hide records from the journals is refused with the counts, and changes nothing; so
    // does «Нет» at any question of a product delete.
    void refusedDeletes_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<qlonglong>("id");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("messages");
        const int Y = ui::IDYES, N = ui::IDNO;
        const QString kindQ = "Удаление: Удалить вид операции?";
        QTest::newRow("kind used by operations")
            << 8 << 1001LL << QList<int>{Y}
            << QStringList{kindQ, "Удаление: Вид операции есть в операциях (2), удалить его нельзя."};
        QTest::newRow("maintenance kind 7777")
            << 8 << 7777LL << QList<int>{Y}
            << QStringList{kindQ, "Удаление: Этот вид нужен для хоз. работ, удалить его нельзя."};
        QTest::newRow("maintenance kind 7778, no operation")
            << 8 << 7778LL << QList<int>{Y}
            << QStringList{kindQ, "Удаление: Этот вид нужен для хоз. работ, удалить его нельзя."};
        QTest::newRow("operation with a shift record")
            << 4 << 601LL << QList<int>{Y}
            << QStringList{"Удаление: Удалить операцию?",
                           "Удаление: По операции есть записи смен (1), удалить её нельзя."};
        QTest::newRow("worker with shift records")
            << 5 << 1LL << QList<int>{Y}
            << QStringList{"Удаление: Удалить работника?",
                           "Удаление: У работника есть записи смен (2) и хоз. работы (0), удалить его нельзя."};
        QTest::newRow("worker with a maintenance entry")
            << 5 << 2LL << QList<int>{Y}
            << QStringList{"Удаление: Удалить работника?",
                           "Удаление: У работника есть записи смен (1) и хоз. работы (1), удалить его нельзя."};
        QTest::newRow("product: No to the prices") << 3 << 501LL << QList<int>{N} << QStringList{kPriceQ};
        QTest::newRow("product: No to the records") << 3 << 501LL << QList<int>{Y, N} << QStringList{kPriceQ, kLongQ};
    }
    void refusedDeletes() {
        QFETCH(int, form);
        QFETCH(qlonglong, id);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, messages);
        Fixture f;
        const QString before = snapshot(f.db);
        const QString listed = journalRows(f.db);
        QCOMPARE(listed, QString("3/1"));
        for (int a : answers)
            f.ui.answer(a);
        deleteFrom(f, form, id);
        QCOMPARE(texts(f.ui.messages), messages);
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(snapshot(f.db), before);
        QCOMPARE(journalRows(f.db), listed);
        QVERIFY(!app().dm->ADO_DB.inTransaction());
    }

    // Confirmed deletes of rows nothing hides: the row goes (an operation with its norms), the time sheets
    // still equal their records.
    void confirmedDeletes_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<qlonglong>("id");
        QTest::addColumn<QString>("check");      // a count that must be 0 afterwards
        QTest::addColumn<QString>("untouched");  // a count that must stay
        QTest::newRow("unused kind") << 8 << 1003LL << "select count(*) from accounts_dep.vid_oper where id=1003"
                                     << "select count(*) from accounts_dep.vid_oper";
        QTest::newRow("operation without records, with its norms")
            << 4 << 604LL
            << "select (select count(*) from accounts_dep.oper where id=604) + "
               "(select count(*) from accounts_dep.norm where o_id=604)"
            << "select count(*) from accounts_dep.norm";
        QTest::newRow("worker without records") << 5 << 3LL << "select count(*) from accounts_dep.person where id=3"
                                                << "select count(*) from accounts_dep.person";
    }
    void confirmedDeletes() {
        QFETCH(int, form);
        QFETCH(qlonglong, id);
        QFETCH(QString, check);
        QFETCH(QString, untouched);
        Fixture f;
        const int before = f.db.count(untouched);
        f.ui.answer(ui::IDYES);
        deleteFrom(f, form, id);
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.db.count(check), 0);
        QCOMPARE(f.db.count(untouched), before - 1);
        QCOMPARE(journalRows(f.db), QString("3/1"));
        QCOMPARE(timesheetMismatches(f.db), QStringList{});
    }

    // The whole product delete confirmed: prices with their norms, records and the goods row go in one step, and
    // the day cells of the deleted records keep only the hours of the records left (worker 1's other product).
    void productDeleteCorrectsCells() {
        Fixture f;
        QCOMPARE(timesheetMismatches(f.db), QStringList{});
        f.ui.answer(ui::IDYES);
        f.ui.answer(ui::IDYES);
        deleteFrom(f, 3, 501);
        QCOMPARE(texts(f.ui.messages), (QStringList{kPriceQ, kLongQ}));
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(f.db.value("select (select count(*) from accounts_dep.oper where i_id=501)||'/'||"
                            "(select count(*) from accounts_dep.norm where o_id in (601, 602))||'/'||"
                            "(select count(*) from accounts_dep.smena where i_id=501)||'/'||"
                            "(select count(*) from cmn_gds_and_srv.gds_and_srv where id=501)"),
                 QString("0/0/0/0"));
        QCOMPARE(f.db.value("select d2 from accounts_dep.h_tabel where w_id=1 and smena=1"), QString("4"));
        QCOMPARE(f.db.value("select d3 from accounts_dep.h_tabel where w_id=2 and smena=2"), QString("0"));
        QCOMPARE(journalRows(f.db), QString("1/1"));
        QCOMPARE(timesheetMismatches(f.db), QStringList{});
    }

    // Another workstation saving a shift record of the operation (or worker) while the delete runs: the delete
    // waits for that save and then refuses, instead of deleting what the new record names.
    void deleteWaitsForARecordBeingSaved_data() {
        QTest::addColumn<bool>("worker");
        QTest::newRow("operation") << false;
        QTest::newRow("worker") << true;
    }
    void deleteWaitsForARecordBeingSaved() {
        QFETCH(bool, worker);
        Fixture f;
        std::atomic<bool> inserted = false;
        std::thread other([&] {
            Db db;
            f.db.connect(db);
            Transaction t(db);
            db.exec(
                "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, \"time\", ok) "
                "values ('2026-03-06', 1, 3, 502, 604, 0, 'no')");
            inserted = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            t.commit();
        });
        while (!inserted)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto outcome = worker ? catalog::deleteWorker(*app().dm, 3) : catalog::deleteOperation(*app().dm, 604);
        other.join();
        QCOMPARE(int(outcome.kind), int(catalog::Outcome::Kind::Refused));
        QCOMPARE(outcome.message,
                 worker ? QString("У работника есть записи смен (1) и хоз. работы (0), удалить его нельзя.")
                        : QString("По операции есть записи смен (1), удалить её нельзя."));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.oper where id=604") +
                     f.db.count("select count(*) from accounts_dep.person where id=3"),
                 2);
        QCOMPARE(timesheetMismatches(f.db), QStringList{});
    }

    // A record saved by another workstation after the questions were answered is not deleted unasked.
    void productDeleteChangedMeanwhile() {
        Fixture f;
        const QString before = snapshot(f.db);
        TDataModule6& dm = *app().dm;
        const auto outcome = catalog::deleteProduct(dm, 503, {0, 0}, QDate(2000, 1, 1));
        QVERIFY(outcome.saved());  // nothing names 503: deleted
        // 502 was asked about as a product with prices and no records; it has a record now.
        const QString mid = snapshot(f.db);
        const auto changed = catalog::deleteProduct(dm, 502, {2, 0}, QDate(2000, 1, 1));
        QCOMPARE(int(changed.kind), int(catalog::Outcome::Kind::Changed));
        QCOMPARE(changed.message, QString("Изделие изменилось на другом рабочем месте. Повторите удаление."));
        QCOMPARE(snapshot(f.db), mid);
        QVERIFY(before != mid);
        QVERIFY(!dm.ADO_DB.inTransaction());
    }

    // Editing a worker shows the stored position where a lookup carries it and keeps it when no department is
    // chosen; a department chosen is stored. What an earlier use of the dialog chose is not shown.
    void workerEditKeepsPosition_data() {
        QTest::addColumn<int>("worker");
        QTest::addColumn<QString>("department");  // shown when the dialog opens
        QTest::addColumn<QString>("position");    // shown when the dialog opens
        QTest::addColumn<int>("choose");          // department row chosen, -1 none
        QTest::addColumn<QString>("stored");
        QTest::newRow("position only in the positions") << 1 << ""
                                                        << "Сборщик" << -1 << "Сборщик";
        QTest::newRow("a department's text") << 2 << "Склад"
                                             << "" << -1 << "Склад";
        QTest::newRow("another department chosen") << 1 << ""
                                                   << "Сборщик" << 1 << "Цех 2";
        QTest::newRow("empty stays empty") << 3 << ""
                                           << "" << -1 << "";
    }
    void workerEditKeepsPosition() {
        QFETCH(int, worker);
        QFETCH(QString, department);
        QFETCH(QString, position);
        QFETCH(int, choose);
        QFETCH(QString, stored);
        Fixture f;
        TForm2* dlg = app().form2;
        // An earlier add that chose a department and a position.
        f.ui.onModal([&](QDialog*) {
            dlg->Edit1->setText("Новиков Н.Н.");
            dlg->LCB_department->setCurrentIndex(1);
            dlg->LCB_staffpos->setCurrentIndex(0);
            dlg->Button1->click();
        });
        QVERIFY(dlg->openForAdd());
        QCOMPARE(f.db.value("select s_staffpos_hl from accounts_dep.person where fio='Новиков Н.Н.'"),
                 QString("Цех 2"));
        f.ui.onModal([&](QDialog*) {
            QVERIFY(app().dm->Workers.locate("id", worker));
            app().form5->Button2->click();
        });
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(dlg->LCB_department->currentText(), department);
            QCOMPARE(dlg->LCB_staffpos->currentText(), position);
            if (choose >= 0)
                dlg->LCB_department->setCurrentIndex(choose);
            dlg->Edit1->setText(dlg->Edit1->text() + " ");
            dlg->Button1->click();
        });
        app().form5->runList();
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(f.db.value("select s_staffpos_hl from accounts_dep.person where id=" + QString::number(worker)),
                 stored);
    }

    // The norms grid refuses negative values with the price dialog's kind of message; the norm stays.
    void normsRefuseNegatives_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("message");
        QTest::newRow("norm") << 0 << "Норматив должен быть числом не меньше нуля!";
        QTest::newRow("price") << 1 << "Цена должна быть числом не меньше нуля!";
        QTest::newRow("bonus") << 2 << "Премия должна быть числом не меньше нуля!";
    }
    void normsRefuseNegatives() {
        QFETCH(int, column);
        QFETCH(QString, message);
        Fixture f;
        const QString before = snapshot(f.db);
        TForm22* g = app().form22;
        bool accepted = true;
        f.ui.onModal([&](QDialog*) {
            QAbstractItemModel* m = g->DBGrid1->model();
            accepted = m->setData(m->index(0, column), "-3", Qt::EditRole);  // an existing norm
            QTest::qWait(0);
            accepted = accepted || m->setData(m->index(m->rowCount() - 1, column), "-3", Qt::EditRole);  // a new one
            QTest::qWait(0);
        });
        g->openForEdit(601);
        QVERIFY(!accepted);
        QCOMPARE(f.ui.messages.size(), 2);
        QCOMPARE(f.ui.messages[0].text, message);
        QCOMPARE(f.ui.messages[0].caption, QString("Ошибка"));
        QCOMPARE(snapshot(f.db), before);
        // The logic unit refuses them too, whoever calls it.
        const auto direct = catalog::saveNorm(*app().dm, {0, 601, 5, -1.0, 0});
        QCOMPARE(direct.message, QString("Цена должна быть числом не меньше нуля!"));
        QCOMPARE(snapshot(f.db), before);
    }

    // Prices are kept to four places where they are stored (the grid and the price dialog's first norm), the
    // list shows the stored value, and the pick prices the record from what it has just read.
    void pricesRoundedAndReadAtPick() {
        Fixture f;
        TForm22* g = app().form22;
        f.ui.onModal([&](QDialog*) {
            QAbstractItemModel* m = g->DBGrid1->model();
            QVERIFY(m->setData(m->index(0, 1), "1,23456", Qt::EditRole));  // norm 10 of operation 601
            QTest::qWait(0);
            g->Button1->click();
        });
        g->openForEdit(601);
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(f.db.value("select price from accounts_dep.norm where o_id=601 and norma=10"), QString("1.2346"));
        const auto added = catalog::saveOperation(*app().dm, {0, 1003, 0, 503, 3.14159});
        QVERIFY(added.saved());
        QCOMPARE(f.db.value("select price from accounts_dep.norm where o_id=" + QString::number(added.id)),
                 QString("3.1416"));

        TForm4* w = app().form4;
        QString shown;
        std::optional<OperationPick> first, second;
        f.ui.onModal([&](QDialog*) {
            QVERIFY(app().dm->Oper.locate("id", 601));
            shown = w->DBGrid1->model()->index(app().dm->Oper.recNo() - 1, 2).data().toString();
            w->Button2->click();
        });
        first = w->pick(1, false, 1, 601);
        // Another workstation lowers the norm price with more places than are kept.
        f.db.exec("update accounts_dep.norm set price=0.98766 where o_id=601 and norma=20");
        f.ui.onModal([&](QDialog*) { w->Button2->click(); });
        second = w->pick(1, false, 4, 601);
        QCOMPARE(shown, QString("1,2346"));
        QVERIFY(first && second);
        QCOMPARE(first->unitPrice, 1.2346);
        QCOMPARE(second->unitPrice, 0.9877 * 1.5);
    }

    // While "already exists" is on the screen, the transaction and its name lock are over: another workstation
    // saving the same name gets its answer at once.
    void refusalShownWithNoLock_data() {
        QTest::addColumn<int>("form");
        QTest::newRow("kind") << 9;
        QTest::newRow("product") << 7;
        QTest::newRow("operation") << 10;
    }
    void refusalShownWithNoLock() {
        QFETCH(int, form);
        Fixture f;
        ProbingUi ui;
        TDataModule6 other;
        f.db.connect(other.ADO_DB);
        other.ADO_DB.exec("set lock_timeout = '2s'");
        other.delimiter = ".";
        QString probed;
        ui.probe = [&](const QString& text) {
            QVERIFY(!app().dm->ADO_DB.inTransaction());
            // Locks of this test's database only: the cluster is shared with the tests running beside it.
            QCOMPARE(f.db.count("select count(*) from pg_locks where locktype='advisory' and database = "
                                "(select oid from pg_database where datname = current_database())"),
                     0);
            catalog::Outcome o;
            if (form == 9)
                o = catalog::saveKind(other, {0, "сборка"});
            else if (form == 7)
                o = catalog::saveProduct(other, {0, "кл-1", "1", 100});
            else
                o = catalog::saveOperation(other, {0, 1001, 0, 501, 1.0});
            probed = text + " | " + o.message;
        };
        ui.onModal([&](QDialog* d) {
            if (form == 9) {
                app().form9->Edit1->setText("СБОРКА");
                app().form9->Button1->click();
            } else if (form == 7) {
                app().form7->Edit1->setText("Кл-1");
                app().form7->Edit2->setText("2");
                app().form7->cb_item->setCurrentIndex(0);
                app().form7->Button1->click();
            } else {
                auto* p = app().form10;
                p->Edit1->setText("КЛ-1");
                p->Edit2->setText("Резка");
                p->selectedProductId = 501;
                p->selectedKindId = 1001;
                p->Edit3->setText("1");
                p->Button1->click();
            }
            QVERIFY(d->isVisible());
        });
        if (form == 9)
            app().form9->openForAdd();
        else if (form == 7)
            app().form7->openForAdd();
        else
            app().form10->openForAdd();
        const QString dup = form == 9   ? "Такая операция уже заведена!"
                            : form == 7 ? "Такая марка изделия уже заведена!"
                                        : "Операция с такими параметрами уже заведена!";
        QCOMPARE(probed, dup + " | " + dup);
        QVERIFY(ui.errors.isEmpty());
    }
};

QTEST_MAIN(TestCatalogWrites)
#include "test_catalog_writes.moc"
