// The shift entry dialog: adding and editing a shift record, with its checks, statements and time-sheet cell.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

#include "app/datamodule.h"
#include "app/registry.h"
#include "catalog/operations_list.h"
#include "catalog/workers_list.h"
#include "journal/main_window.h"
#include "journal/shift_entry_dialog.h"
#include "journal/timesheet_cell.h"
#include "support/testdb.h"

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

// Types a text into a widget key by key (QTest::keyClicks only types Latin-1).
void type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        const int key = c.unicode() < 128 ? QChar(c).toUpper().unicode() : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

const QString kAllFields = QStringLiteral("Все поля должны быть заполнены!");
const QString kDuplicate = QStringLiteral("Позиция с такими параметрами уже заведена!");

}  // namespace

Q_DECLARE_METATYPE(Input)

class TestShiftEntry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void statements() {
        shift_sql::Record r{17, 230, 411, shift_sql::priceText(12.5), "100", "2", QDate(2024, 3, 5), 2, 0, "8"};
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
        const QList<QPair<double, QString>> prices = {
            {12.34567, "12.3457"}, {12.5, "12.5"}, {30, "30"}, {0.00005, "0"}, {0.00015, "0.0002"}, {1.23455, "1.2346"}};
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
            d->Button3->click();
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
};

QTEST_MAIN(TestShiftEntry)
#include "test_shift_entry.moc"
