// The shift entry dialog: adding and editing a shift record, with its checks, statements and time-sheet cell.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/operations_list.h"
#include "catalog/workers_list.h"
#include "journal/main_window.h"
#include "journal/shift_entry_dialog.h"
#include "journal/shift_records.h"
#include "support/invariants.h"
#include "support/testdb.h"
#include "support/typing.h"

namespace {

// Two workers; product А-12 with the operations Сборка (411, base price 10 from its cheapest norm) and
// Краска синяя (412, base 4); product Б-7 with Сборка of blanks (413, base 2).
const char* const kCatalog = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs)
  values (230, 'А-12', 2.5, 100, 6), (231, 'Б-7', 1, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (42, 'Петров П.П.', '42');
insert into accounts_dep.person(id, fio) values (17, 'Иванов И.И.'), (42, 'Петров П.П.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (8, 'Краска синяя');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0), (412, 8, 0, 230, 0),
  (413, 7, 1, 231, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 100, 0, 12), (411, 50, 0, 10),
  (412, 10, 0, 4), (413, 10, 0, 2);
)sql";

// A shift record of worker w on a date (ISO) and shift, operation 411 of product 230.
QString record(int w, const QString& date, int shift, int hours, int color = 0) {
    return QStringLiteral(
               "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, "
               "vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) values ('%1', %2, %3, 230, "
               "411, 12.5, 10, 0, %4, %5, 'ok', '2024-01-01', 5, 7, 7, 7, 7, 7);")
        .arg(date)
        .arg(shift)
        .arg(w)
        .arg(color)
        .arg(hours);
}

QString dayCell(TestDb& db, int w, int shift, int day) {
    return db.value(QStringLiteral("select coalesce(d%1::text, 'null') from accounts_dep.h_tabel where w_id=%2 and "
                                   "smena=%3 and month=3 and year=2024")
                        .arg(day)
                        .arg(w)
                        .arg(shift));
}

// The main window on a date and shift, as after a login with full access.
TForm1* openJournal(const QDate& date, int shift) {
    for (int s = 1; s <= 4; ++s)
        app().dm->smena(s).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    TForm1* w = app().form1;
    w->FormActivate();
    w->DateT->setDate(date);
    w->DateTChange();
    w->selectShift(shift);
    return w;
}

// What the dialog holds when "Запись" is pressed; the defaults are a valid record.
struct Input {
    QString worker = QStringLiteral("Петров П.П.");
    QString operation = QStringLiteral("А-12; Сборка; Готовая продукция");
    QString quantity = QStringLiteral("100");
    QString defects = QStringLiteral("2");
    QString colour;
    QString hours = QStringLiteral("8");
    double price = 12.5;
    QDate date{2024, 3, 5};
    int shift = 2;
};

const QString kAllFields = QStringLiteral("Все поля должны быть заполнены!");
const QString kDuplicate = QStringLiteral("Позиция с такими параметрами уже заведена!");

// Three records of 5 March 2024, shift 2 (worker 17: 8 h; worker 42: 4 h and 3 h in colour 5), and their cells.
QString threeRecords() {
    return record(17, "2024-03-05", 2, 8) + record(42, "2024-03-05", 2, 4) + record(42, "2024-03-05", 2, 3, 5) +
           "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (17, 3, 2024, 2, 8), "
           "(42, 3, 2024, 2, 7);";
}

// The stored record id as a journal row would show it.
shift_records::Stored storedRecord(TDataModule6& dm, int id) {
    Dataset q(dm.ADO_DB, QStringLiteral("stored"));
    q.setSql(shift_sql::lockedRecordSql(id));
    q.open();
    return shift_records::Stored::fromRow(q);
}

const QString kDeleted = QStringLiteral("Запись уже удалена с другого рабочего места.");
const QString kChangedEdit = QStringLiteral(
    "Запись изменена с другого рабочего места. Журнал обновлён; «Запись» сохранит введённые данные поверх.");
const QString kChangedDelete =
    QStringLiteral("Запись изменена с другого рабочего места и не удалена. Журнал обновлён.");

}  // namespace

Q_DECLARE_METATYPE(Input)

class TestShiftEntry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void statements() {
        shift_sql::Record r{17, 230, 411, "12.5", "100", "2", QDate(2024, 3, 5), 2, 0, "8"};
        QCOMPARE(shift_sql::insertSql(r, QDate(2024, 3, 6)),
                 QStringLiteral("insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
                                "color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
                                "id_cons_use) values(17, 230, 411, 12.5,100, 2, to_date('05.03.2024', 'DD.MM.YYYY "
                                "HH24:MI:SS'), 2, 0, 8, '06.03.2024', 'no', 0, 0, 0, 0, 0, 0)"));
        QCOMPARE(shift_sql::updateSql(r, QDate(2024, 3, 6), 901),
                 QStringLiteral("update accounts_dep.SMENA set w_id=17, i_id=230, o_id=411, cena=12.5, kol_vo=100, "
                                "brak=2, data=to_date('05.03.2024', 'DD.MM.YYYY'), smena=2, color=0, time=8, "
                                "vvod='06.03.2024', prize=0, id_doc=0, id_doc_item=0, f_gds_qty_use=0, id_gds_use=0, "
                                "id_cons_use=0 where id=901"));
        r.color = 3;
        QCOMPARE(shift_sql::duplicateCheckSql(r, std::nullopt),
                 QStringLiteral("select count(id) as cnt from accounts_dep.SMENA where w_id=17 and o_id=411 and "
                                "i_id=230 and data=to_date('05.03.2024', 'DD.MM.YYYY') and smena=2 and color=3"));
        QCOMPARE(shift_sql::duplicateCheckSql(r, 901),
                 QStringLiteral("select count(id) as cnt from accounts_dep.SMENA where w_id=17 and o_id=411 and "
                                "i_id=230 and data=to_date('05.03.2024', 'DD.MM.YYYY') and smena=2 and id<>901 and "
                                "color=3"));
        // The price always with a point, rounded to 4 places with ties to even, whatever the separator.
        const QList<QPair<double, QString>> prices = {{12.34567, "12.3457"}, {12.5, "12.5"},      {30, "30"},
                                                      {0.00005, "0"},        {0.00015, "0.0002"}, {1.23455, "1.2346"}};
        for (const auto& [price, text] : prices)
            QCOMPARE(shift_sql::priceText(price), text);
        QVERIFY(TForm11::isPaint("А-12; Краска синяя; Готовая продукция"));
        QVERIFY(TForm11::isPaint("А-12; покраска; Заготовки"));
        QVERIFY(!TForm11::isPaint("А-12; Сборка; Готовая продукция"));
    }

    // The typical event: from the main window, a worker and an operation picked through both lists by typing
    // in their search boxes, the numbers entered, saved; the record, the journal and the time sheet follow.
    void typicalEvent() {
        AppFixture f;
        f.db.exec(kCatalog);
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        w->CBox1->setChecked(false);
        TForm11* d = app().form11;
        QString caption, derived;
        bool closedAfterSave = false;
        f.ui.onModal([&](QDialog*) {
            caption = d->windowTitle();
            QCOMPARE(d->Edit4->text(), QStringLiteral("0"));
            QCOMPARE(d->Edit6->text(), QStringLiteral("0"));
            QCOMPARE(d->DTimeP->date(), QDate(2024, 3, 5));
            QTest::mouseClick(d->Edit1, Qt::LeftButton);  // a click on the name opens the workers list
            d->Button4->click();
            derived = d->Edit8->text() + " " + d->Edit7->text() + " " + d->Edit9->text();
            QVERIFY(!d->Edit5->isEnabled());
            d->Edit3->setText("100");
            d->Edit4->setText("2");
            d->Edit6->setText("8");
            d->Button1->click();
            closedAfterSave = !d->isVisible();
        });
        f.ui.onModal([&](QDialog* list) {
            QCOMPARE(list->objectName(), QStringLiteral("TForm5"));
            type(list->findChild<QLineEdit*>("Edit1"), "Пет");
            QCOMPARE(list->findChild<QPushButton*>("Button2")->text(), QStringLiteral("Выбрать"));
            list->findChild<QPushButton*>("Button2")->click();
        });
        f.ui.onModal([&](QDialog* list) {
            QCOMPARE(list->objectName(), QStringLiteral("TForm4"));
            // А-12 lists Краска синяя first; Down moves to Сборка.
            auto* search = list->findChild<QLineEdit*>("Edit1");
            QTest::keyClicks(search, "12");
            QTest::keyClick(search, Qt::Key_Down);
            list->findChild<QPushButton*>("Button2")->click();
        });
        w->Button1->click();
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QCOMPARE(f.ui.modalShown, (QStringList{"TForm11", "TForm5", "TForm4"}));
        QCOMPARE(caption, QStringLiteral("Заведение новой позиции (11)"));
        QVERIFY(f.ui.messages.isEmpty());
        QVERIFY(closedAfterSave);
        QCOMPARE(f.db.value("select concat_ws(' ', w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, "
                            "ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use, "
                            "vvod = current_date) from accounts_dep.smena"),
                 QStringLiteral("42 230 411 10 100 2 2024-03-05 2 0 8 no 0 0 0 0 0 0 t"));
        QCOMPARE(derived, QStringLiteral("10 10 0"));
        Dataset& journal = app().dm->Smena2;
        QCOMPARE(journal.recordCount(), 1);
        QCOMPARE(journal.field("fio").asString().trimmed(), QStringLiteral("Петров П.П."));
        QCOMPARE(journal.field("vid").asString().trimmed(), QStringLiteral("Сборка"));
        QCOMPARE(dayCell(f.db, 42, 2, 5), QStringLiteral("8"));
        for (QLineEdit* e : {d->Edit1, d->Edit2, d->Edit3, d->Edit4, d->Edit5, d->Edit6, d->Edit7, d->Edit8, d->Edit9})
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
    }

    // Saves from a preset dialog: what is refused (and then nothing is written anywhere) and what is written.
    void saveCases_data() {
        QTest::addColumn<Input>("in");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");
        const QString counts = QStringLiteral(
            "select (select count(*) from accounts_dep.smena) || ' ' || (select count(*) from accounts_dep.h_tabel)");
        const QString same = record(42, "2024-03-05", 2, 4);
        const QString paint = QStringLiteral("А-12; краска синяя; Готовая продукция");
        auto with = [](auto change) {
            Input in;
            change(in);
            return in;
        };
        QTest::newRow("worker empty") << with([](Input& i) { i.worker = "  "; }) << "" << kAllFields << counts << "0 0";
        QTest::newRow("operation empty") << with([](Input& i) { i.operation.clear(); }) << "" << kAllFields << counts
                                         << "0 0";
        QTest::newRow("quantity empty") << with([](Input& i) { i.quantity.clear(); }) << "" << kAllFields << counts
                                        << "0 0";
        QTest::newRow("defects empty") << with([](Input& i) { i.defects.clear(); }) << "" << kAllFields << counts
                                       << "0 0";
        QTest::newRow("paint operation in lower case without colour")
            << with([&](Input& i) { i.operation = paint; }) << "" << kAllFields << counts << "0 0";
        QTest::newRow("hours empty") << with([](Input& i) { i.hours.clear(); }) << "" << kAllFields << counts << "0 0";
        QTest::newRow("other operation without colour saves 0") << Input{} << ""
                                                                << ""
                                                                << "select color || ' ' || cena from accounts_dep.smena"
                                                                << "0 12.5";
        QTest::newRow("paint operation saves its colour") << with([&](Input& i) {
            i.operation = paint;
            i.colour = "5";
        }) << ""
                                                          << ""
                                                          << "select color from accounts_dep.smena"
                                                          << "5";
        QTest::newRow("12.34567 written as 12.3457") << with([](Input& i) { i.price = 12.34567; }) << ""
                                                     << ""
                                                     << "select cena from accounts_dep.smena"
                                                     << "12.3457";
        QTest::newRow("duplicate refused") << Input{} << same << kDuplicate << counts << "1 0";
        QTest::newRow("same key in another colour") << with([&](Input& i) {
            i.operation = paint;
            i.colour = "3";
        }) << same << "" << counts << "2 1";
        QTest::newRow("same key on another date")
            << with([](Input& i) { i.date = QDate(2024, 3, 6); }) << same << "" << counts << "2 1";
        QTest::newRow("same key in another shift")
            << with([](Input& i) { i.shift = 3; }) << same << "" << counts << "2 1";
        // Numbers that do not fit their columns are refused before anything is written.
        QTest::newRow("quantity beyond integer")
            << with([](Input& i) { i.quantity = "2147483648"; }) << ""
            << "Кол-во должно быть целым числом от 0 до 2147483647!" << counts << "0 0";
        QTest::newRow("quantity of many digits")
            << with([](Input& i) { i.quantity = "99999999999999999999999"; }) << ""
            << "Кол-во должно быть целым числом от 0 до 2147483647!" << counts << "0 0";
        QTest::newRow("defects beyond smallint") << with([](Input& i) {
            i.quantity = "40000";
            i.defects = "32768";
        }) << ""
                                                 << "Брак должен быть целым числом от 0 до 32767!" << counts << "0 0";
        QTest::newRow("colour beyond integer") << with([&](Input& i) {
            i.operation = paint;
            i.colour = "2147483648";
        }) << ""
                                               << "Цвет должен быть целым числом от 0 до 2147483647!" << counts
                                               << "0 0";
        QTest::newRow("hours beyond a day cell") << with([](Input& i) { i.hours = "32768"; }) << ""
                                                 << "Время должно быть целым числом от 0 до 32767!" << counts << "0 0";
        QTest::newRow("defects above the quantity") << with([](Input& i) {
            i.quantity = "5";
            i.defects = "6";
        }) << ""
                                                    << "Брак не может быть больше количества!" << counts << "0 0";
        QTest::newRow("pasted text that is not a number")
            << with([](Input& i) { i.hours = "8); delete from x; --"; }) << ""
            << "Время должно быть целым числом от 0 до 32767!" << counts << "0 0";
        QTest::newRow("largest values fit") << with([&](Input& i) {
            i.operation = paint;
            i.quantity = "2147483647";
            i.defects = "32767";
            i.colour = "2147483647";
            i.hours = "24";  // the most a day cell takes
        }) << ""
                                            << ""
                                            << "select concat_ws(' ', kol_vo, brak, color, time, d5) from "
                                               "accounts_dep.smena, accounts_dep.h_tabel"
                                            << "2147483647 32767 2147483647 24 24";
    }

    void saveCases() {
        QFETCH(Input, in);
        QFETCH(QString, existing);
        QFETCH(QString, message);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        AppFixture f;
        f.db.exec(kCatalog);
        if (!existing.isEmpty())
            f.db.exec(existing);
        TForm1* w = openJournal(QDate(2024, 3, 5), in.shift);
        TForm11* d = app().form11;
        bool open = true;
        f.ui.onModal([&](QDialog*) {
            d->Edit1->setText(in.worker);
            d->Edit2->setText(in.operation);
            d->Edit3->setText(in.quantity);
            d->Edit4->setText(in.defects);
            d->Edit5->setText(in.colour);
            d->Edit6->setText(in.hours);
            d->DTimeP->setDate(in.date);
            d->workerId = 42;
            d->productId = 230;
            d->operId = 411;
            d->unitPrice = in.price;
            d->Button1->click();
            open = d->isVisible();
        });
        w->Button1->click();
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        if (message.isEmpty()) {
            QCOMPARE(f.ui.messages.size(), 0);
            QVERIFY(!open);
        } else {
            QCOMPARE(f.ui.messages.size(), 1);
            QCOMPARE(f.ui.messages[0].text, message);
            QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
            QCOMPARE(f.ui.messages[0].flags, 16);
            QVERIFY(open);  // the dialog stayed open with its input
            QCOMPARE(d->Edit3->text(), in.quantity);
        }
        QCOMPARE(f.db.value(check), expected);
    }

    // Editing the second of three journal rows: the presets, then a save that changes the quantity (the key
    // stays, so the record itself does not count as a duplicate) or moves the record to the next day.
    void edit_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("journalRows");
        QTest::addColumn<QString>("cells");  // d5 and d6 of worker 42's row in shift 2
        QTest::newRow("same key") << QDate(2024, 3, 5) << 3 << "7 null";
        QTest::newRow("moved to the next day") << QDate(2024, 3, 6) << 2 << "3 4";
    }

    void edit() {
        QFETCH(QDate, date);
        QFETCH(int, journalRows);
        QFETCH(QString, cells);
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(record(17, "2024-03-05", 2, 8) + record(42, "2024-03-05", 2, 4) + record(42, "2024-03-05", 2, 3, 5) +
                  "insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (42, 3, 2024, 2, 7);");
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        Dataset& journal = app().dm->Smena2;
        journal.setRecNo(2);
        const int id = journal.field("id").asInt();
        QCOMPARE(journal.field("w_id").asInt(), 42);
        TForm11* d = app().form11;
        d->unitPrice = 99;  // left from an earlier pick: the edit must save the record's own price
        QStringList presets;
        f.ui.onModal([&](QDialog*) {
            presets << d->windowTitle() << QString::number(d->Tag) << d->Edit1->text() << d->Edit2->text()
                    << d->Edit3->text() << d->Edit4->text() << d->Edit6->text() << d->Edit7->text() << d->Edit9->text()
                    << d->DTimeP->date().toString("dd.MM.yyyy") << (d->Edit5->isEnabled() ? "colour" : "no colour");
            d->Edit3->setText("20");
            d->DTimeP->setDate(date);
            d->Button1->click();
        });
        w->Button2->click();
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(presets,
                 (QStringList{"Изменение данных о позиции (11)", "2", "Петров П.П.", "А-12; Сборка; Готовая продукция",
                              "10", "0", "4", "12,5", "125", "05.03.2024", "no colour"}));
        // The price stays (12.5, not the operation's base price 10); the acceptance mark stays; bonus, document
        // columns and entry date are reset.
        QCOMPARE(f.db.value(QStringLiteral("select concat_ws(' ', cena, kol_vo, data, ok, prize, id_doc, id_doc_item, "
                                           "f_gds_qty_use, id_gds_use, id_cons_use, vvod = current_date) from "
                                           "accounts_dep.smena where id=%1")
                                .arg(id)),
                 QStringLiteral("12.5 20 ") + date.toString("yyyy-MM-dd") + " ok 0 0 0 0 0 0 t");
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 3);
        QCOMPARE(journal.recordCount(), journalRows);
        QCOMPARE(journal.recNo(), 2);
        QCOMPARE(dayCell(f.db, 42, 2, 5) + " " + dayCell(f.db, 42, 2, 6), cells);
    }

    // The unit price from the operations list: the base price, doubled on a day off, raised in shifts 3 and 4.
    void priceFromThePick_data() {
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QString>("prices");  // Edit8, Edit7, Edit9 for 3 pieces
        QTest::newRow("shift 1") << false << 1 << "10 10 30";
        QTest::newRow("shift 2") << false << 2 << "10 10 30";
        QTest::newRow("shift 3") << false << 3 << "10 12 36";
        QTest::newRow("day off, shift 3") << true << 3 << "10 24 72";
        QTest::newRow("day off, shift 4") << true << 4 << "10 30 90";
    }

    void priceFromThePick() {
        QFETCH(bool, dayOff);
        QFETCH(int, shift);
        QFETCH(QString, prices);
        AppFixture f;
        f.db.exec(kCatalog);
        TForm1* w = openJournal(QDate(2024, 3, 5), shift);
        w->CBox1->setChecked(dayOff);
        TForm11* d = app().form11;
        QString shown;
        f.ui.onModal([&](QDialog*) {
            d->Edit3->setText("3");
            d->Button4->click();
            shown = d->Edit8->text() + " " + d->Edit7->text() + " " + d->Edit9->text();
        });
        f.ui.onModal([&](QDialog* list) {
            app().dm->Oper.locate("id", 411);
            list->findChild<QPushButton*>("Button2")->click();
        });
        w->Button1->click();
        QCOMPARE(shown, prices);
        QCOMPARE(d->operId, 411);
        QCOMPARE(d->productId, 230);
    }

    // The dialog from the keyboard: focus starts on the worker's "...", Tab walks the input boxes in order, the
    // number boxes take digits only, leaving an empty hours box makes it "0", Esc cancels keeping the input,
    // Enter saves.
    void keyboard() {
        AppFixture f;
        f.db.exec(kCatalog);
        TForm1* w = openJournal(QDate(2024, 3, 5), 1);
        TForm11* d = app().form11;
        QStringList chain;
        QString typed, derived;
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            QCOMPARE(QApplication::focusWidget(), d->Button3);
            for (int i = 0; i < 9; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                chain << QApplication::focusWidget()->objectName();
            }
            d->unitPrice = 2.5;
            QCOMPARE(d->Edit3->text(), QStringLiteral("0"));  // left empty on the way round
            d->Edit3->clear();
            d->Edit3->setFocus();
            QTest::keyClicks(d->Edit3, "1a2 3,4-");
            typed = d->Edit3->text();
            QTest::keyClick(d->Edit3, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), d->Edit6);
            d->Edit6->clear();
            QTest::keyClick(d->Edit6, Qt::Key_Tab);
            derived = d->Edit6->text() + " " + d->Edit7->text() + " " + d->Edit9->text();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        w->Button1->click();
        QCOMPARE(chain, (QStringList{"Button4", "Edit3", "Edit6", "Edit5", "DTimeP", "Edit4", "Button1", "Button2",
                                     "Button3"}));
        QCOMPARE(typed, QStringLiteral("1234"));
        QCOMPARE(derived, QStringLiteral("0 2,5 3085"));
        QVERIFY(!d->isVisible());
        QCOMPARE(d->Edit3->text(), QStringLiteral("1234"));  // kept after the cancel
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 0);

        // Enter in a number box saves.
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            d->Edit1->setText("Петров П.П.");
            d->Edit2->setText("А-12; Сборка; Готовая продукция");
            d->workerId = 42;
            d->productId = 230;
            d->operId = 411;
            d->Edit3->setFocus();
            QTest::keyClicks(d->Edit3, "5");
            QTest::keyClick(d->Edit3, Qt::Key_Return);
        });
        w->Button1->click();
        QCOMPARE(f.ui.messages.size(), 0);
        QCOMPARE(f.db.value("select kol_vo || ' ' || cena from accounts_dep.smena"), QStringLiteral("5 2.5"));
    }

    // Two workstations saving the same key at the same moment: the second waits for the first and is then
    // refused as a duplicate; one record and one day cell remain.
    void concurrentSavesOfOneKey() {
        AppFixture f;
        f.db.exec(kCatalog);
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        // The other workstation runs the same save and holds it open until this one waits for it.
        TDataModule6 other;
        f.db.connect(other.ADO_DB);
        shift_sql::Record r{42, 230, 411, "12.5", "100", "2", QDate(2024, 3, 5), 2, 0, "8"};
        other.ADO_DB.begin();
        QCOMPARE(shift_records::save(other, r, std::nullopt, QDate::currentDate()).status, WriteOutcome::Saved);
        std::atomic<bool> saved{false}, waited{false};
        std::thread commitLater([&] {
            TestDb& db = f.db;
            Db watcher;
            db.connect(watcher);
            while (!saved) {
                if (watcher.query("select count(*) from pg_locks where locktype='advisory' and not granted")
                        ->text(0, 0)
                        .toInt() > 0) {
                    waited = true;
                    break;
                }
                QThread::msleep(5);
            }
            other.ADO_DB.commit();
        });
        TForm11* d = app().form11;
        f.ui.onModal([&](QDialog*) {
            d->Edit1->setText("Петров П.П.");
            d->Edit2->setText("А-12; Сборка; Готовая продукция");
            d->Edit3->setText("100");
            d->Edit4->setText("2");
            d->Edit6->setText("8");
            d->workerId = 42;
            d->productId = 230;
            d->operId = 411;
            d->unitPrice = 12.5;
            d->Button1->click();
            saved = true;
        });
        w->Button1->click();
        commitLater.join();
        QVERIFY2(waited, "the save did not wait for the other workstation's");
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, kDuplicate);
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 1);
        QCOMPARE(dayCell(f.db, 42, 2, 5), QStringLiteral("8"));
    }

    // Another workstation changes or deletes the record while this one's journal still shows it as it was:
    // "Изменить" then writes nothing, says so, refreshes the journal and keeps the dialog open with the typed
    // values. After a change, a second "Запись" saves the typed values over the record as it now stands, and the
    // cells follow the stored record, not the journal's old row.
    void staleEdit_data() {
        QTest::addColumn<bool>("deleted");  // deleted meanwhile, else moved to worker 17
        QTest::newRow("moved to another worker") << false;
        QTest::newRow("deleted") << true;
    }

    void staleEdit() {
        QFETCH(bool, deleted);
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(threeRecords());
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        Dataset& journal = app().dm->Smena2;
        QVERIFY(journal.locate("time", 4));
        const int id = journal.field("id").asInt();
        TDataModule6 other;
        f.db.connect(other.ADO_DB);
        if (deleted) {
            QCOMPARE(shift_records::remove(other, id, storedRecord(other, id)).status, WriteOutcome::Saved);
        } else {
            const shift_sql::Record moved{17, 230, 411, "12.5", "10", "0", QDate(2024, 3, 5), 2, 2, "4"};
            QCOMPARE(shift_records::save(other, moved, storedRecord(other, id), QDate::currentDate()).status,
                     WriteOutcome::Saved);
        }
        QCOMPARE(timesheetMismatches(f.db), QStringList());
        TForm11* d = app().form11;
        bool openAfterRefusal = false, openAfterRetry = true;
        QString kept;
        f.ui.onModal([&](QDialog*) {
            d->Edit3->setText("20");
            d->Button1->click();
            openAfterRefusal = d->isVisible();
            kept = d->Edit3->text();
            if (!deleted) {
                d->Button1->click();
                openAfterRetry = d->isVisible();
            }
        });
        w->Button2->click();
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, deleted ? kDeleted : kChangedEdit);
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
        QVERIFY(openAfterRefusal);
        QCOMPARE(kept, QStringLiteral("20"));
        if (deleted) {
            QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 2);
            QCOMPARE(journal.recordCount(), 2);  // refreshed
            QCOMPARE(dayCell(f.db, 42, 2, 5), QStringLiteral("3"));
        } else {
            // The retry wrote the typed values back onto worker 42; worker 17's cell lost the moved 4 hours again.
            QVERIFY(!openAfterRetry);
            QCOMPARE(
                f.db.value(QStringLiteral("select w_id || ' ' || kol_vo from accounts_dep.smena where id=%1").arg(id)),
                QStringLiteral("42 20"));
            QCOMPARE(dayCell(f.db, 17, 2, 5), QStringLiteral("8"));
            QCOMPARE(dayCell(f.db, 42, 2, 5), QStringLiteral("7"));
        }
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }

    // The refusal of a changed record leaves it as the other workstation wrote it.
    void staleEditWritesNothing() {
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(threeRecords());
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        Dataset& journal = app().dm->Smena2;
        QVERIFY(journal.locate("time", 4));
        const int id = journal.field("id").asInt();
        TDataModule6 other;
        f.db.connect(other.ADO_DB);
        const shift_sql::Record moved{17, 230, 411, "12.5", "10", "0", QDate(2024, 3, 6), 2, 0, "5"};
        QCOMPARE(shift_records::save(other, moved, storedRecord(other, id), QDate::currentDate()).status,
                 WriteOutcome::Saved);
        const QString before = f.db.value(
            "select string_agg(concat_ws(' ', id, w_id, data, time, kol_vo, vvod), "
            "';' order by id) from accounts_dep.smena");
        TForm11* d = app().form11;
        f.ui.onModal([&](QDialog*) {
            d->Edit3->setText("20");
            d->Button1->click();
        });
        w->Button2->click();
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, kChangedEdit);
        QCOMPARE(f.db.value("select string_agg(concat_ws(' ', id, w_id, data, time, kol_vo, vvod), ';' order by id) "
                            "from accounts_dep.smena"),
                 before);
        QCOMPARE(journal.recordCount(), 2);  // refreshed: the record has left this day
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }

    // «Удалить» on a journal row that another workstation changed or deleted deletes nothing blindly; an
    // unchanged record is deleted with the cell of its own date, whatever the date box holds.
    void staleDelete_data() {
        QTest::addColumn<QString>("meanwhile");  // run by the other workstation, %1 the record's id
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("records");   // afterwards
        QTest::addColumn<QString>("cell");  // worker 42's cell of 5 March afterwards
        QTest::newRow("changed") << "hours" << kChangedDelete << 3 << "9";
        QTest::newRow("deleted") << "delete" << kDeleted << 2 << "3";
        QTest::newRow("unchanged, another date typed") << ""
                                                       << "" << 2 << "3";
    }

    void staleDelete() {
        QFETCH(QString, meanwhile);
        QFETCH(QString, message);
        QFETCH(int, records);
        QFETCH(QString, cell);
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(threeRecords());
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        Dataset& journal = app().dm->Smena2;
        QVERIFY(journal.locate("time", 4));
        const int id = journal.field("id").asInt();
        TDataModule6 other;
        f.db.connect(other.ADO_DB);
        if (meanwhile == "hours") {
            const shift_sql::Record more{42, 230, 411, "12.5", "10", "0", QDate(2024, 3, 5), 2, 0, "6"};
            QCOMPARE(shift_records::save(other, more, storedRecord(other, id), QDate::currentDate()).status,
                     WriteOutcome::Saved);
        } else if (meanwhile == "delete") {
            QCOMPARE(shift_records::remove(other, id, storedRecord(other, id)).status, WriteOutcome::Saved);
        }
        // A date typed into the date box but not applied.
        w->DateT->setDate(QDate(2024, 3, 12));
        f.ui.answer(ui::IDYES);
        w->Button3Click();
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QCOMPARE(f.ui.messages.size(), message.isEmpty() ? 1 : 2);
        if (!message.isEmpty()) {
            QCOMPARE(f.ui.messages[1].text, message);
            QCOMPARE(f.ui.messages[1].caption, QStringLiteral("Ошибка"));
        }
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), records);
        QCOMPARE(journal.recordCount(), records);
        QCOMPARE(dayCell(f.db, 42, 2, 5), cell);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.h_tabel where d12 is not null"), 0);
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }

    // A day cell holds at most 24 hours of one worker and shift: a record that would bring it above is refused
    // before anything is written, with the limit named; an edit counts the record's own hours once.
    void dayCellLimit_data() {
        QTest::addColumn<bool>("edit");  // change the 4-hour record of worker 42, else add one
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("cell");
        QTest::newRow("7 + 17 is the limit") << false << "17"
                                             << ""
                                             << "24";
        QTest::newRow("7 + 18 refused") << false << "18"
                                        << "За день в табеле не может быть больше 24 ч. (получилось бы 25 ч.)"
                                        << "7";
        QTest::newRow("the largest hours a box takes")
            << false << "32767"
            << "За день в табеле не может быть больше 24 ч. (получилось бы 32774 ч.)"
            << "7";
        QTest::newRow("edit 4 into 21 is the limit") << true << "21"
                                                     << ""
                                                     << "24";
        QTest::newRow("edit 4 into 22 refused") << true << "22"
                                                << "За день в табеле не может быть больше 24 ч. (получилось бы 25 ч.)"
                                                << "7";
    }

    void dayCellLimit() {
        QFETCH(bool, edit);
        QFETCH(QString, hours);
        QFETCH(QString, refusal);
        QFETCH(QString, cell);
        AppFixture f;
        f.db.exec(kCatalog);
        f.db.exec(threeRecords());
        TForm1* w = openJournal(QDate(2024, 3, 5), 2);
        QVERIFY(app().dm->Smena2.locate("time", 4));
        const QString before = f.db.value(
            "select string_agg(concat_ws(' ', id, w_id, time, kol_vo), ';' order by "
            "id) from accounts_dep.smena");
        TForm11* d = app().form11;
        bool open = false;
        f.ui.onModal([&](QDialog*) {
            if (!edit) {
                d->Edit1->setText("Петров П.П.");
                d->Edit2->setText("Б-7; Сборка; Заготовки");
                d->Edit3->setText("10");
                d->workerId = 42;
                d->productId = 231;
                d->operId = 413;
                d->unitPrice = 2;
            }
            d->Edit6->setText(hours);
            d->Button1->click();
            open = d->isVisible();
        });
        edit ? w->Button2->click() : w->Button1->click();
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        if (refusal.isEmpty()) {
            QVERIFY(f.ui.messages.isEmpty());
            QVERIFY(!open);
        } else {
            QCOMPARE(f.ui.messages.size(), 1);
            QCOMPARE(f.ui.messages[0].text, refusal);
            QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
            QVERIFY(open);
            QCOMPARE(f.db.value("select string_agg(concat_ws(' ', id, w_id, time, kol_vo), ';' order by id) from "
                                "accounts_dep.smena"),
                     before);
        }
        QCOMPARE(dayCell(f.db, 42, 2, 5), cell);
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }
};

QTEST_MAIN(TestShiftEntry)
#include "test_shift_entry.moc"
