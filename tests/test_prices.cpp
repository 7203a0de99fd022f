// Operations and prices: the operations list with its search, pick and export, the norms grid, the price dialog.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/norms_grid.h"
#include "catalog/operations_list.h"
#include "catalog/price_dialog.h"
#include "core/dataset_model.h"
#include "core/excel_writer.h"
#include "support/testdb.h"
#include "support/workbook.h"

namespace {

// Three products; 411, 412 and 414 have norms, 413 has none (only its cena_new).
const char* const kFixture = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values
  (230, 'А-12', 2.5, 100, 6), (231, 'Б-120', 1, 100, 6), (232, 'В-7', 1, 100, 6);
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (8, 'Покраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (411, 7, 0, 230, 0), (412, 8, 1, 231, 0), (413, 7, 0, 232, 7.5), (414, 8, 0, 232, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values
  (411, 200, 5, 11.25), (411, 100, 0, 12.5), (412, 50, 0, 3.14159), (414, 10, 0, 2);
)sql";

struct Fixture : AppFixture {
    Fixture() { db.exec(QString::fromUtf8(kFixture)); }
    TForm4* list() { return app().form4; }
    Dataset& oper() { return app().dm->Oper; }
};

QStringList column(Dataset& ds, const QString& field) {
    QStringList out;
    const int col = ds.columnIndex(field);
    for (int r = 0; r < ds.recordCount(); ++r)
        out << ds.textAt(r, col).trimmed();
    return out;
}

QStringList gridColumn(QAbstractItemModel* m, int col) {
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, col).data().toString();
    return out;
}

}  // namespace

class TestPrices : public QObject {
    Q_OBJECT

    QTemporaryDir exports_;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        qputenv("TABEL_XLSX_OPENER", "true");
        plainWriter().setFolder(exports_.path());
    }

    // A base price of 12,5: doubled on a day off, ×1,2 in shift 3, ×1,5 in shift 4.
    void unitPriceTable_data() {
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<int>("shift");
        QTest::addColumn<double>("price");
        QTest::newRow("shift 1") << false << 1 << 12.5;
        QTest::newRow("shift 2") << false << 2 << 12.5;
        QTest::newRow("shift 3") << false << 3 << 15.0;
        QTest::newRow("shift 4") << false << 4 << 18.75;
        QTest::newRow("shift 1, day off") << true << 1 << 25.0;
        QTest::newRow("shift 2, day off") << true << 2 << 25.0;
        QTest::newRow("shift 3, day off") << true << 3 << 30.0;
        QTest::newRow("shift 4, day off") << true << 4 << 37.5;
    }
    void unitPriceTable() {
        QFETCH(bool, dayOff);
        QFETCH(int, shift);
        QFETCH(double, price);
        QCOMPARE(unitPrice(12.5, dayOff, shift), price);
    }

    // Search anywhere in the mark, blanks-only showing all, Up/Down in the search box, and the pick with
    // its price and text; "Выход" picks nothing.
    void searchAndPick() {
        Fixture f;
        TForm4* w = f.list();
        QStringList seen;
        int downRow = 0;
        f.ui.onModal([&](QDialog*) {
            QVERIFY(w->Edit1->isVisible());
            QCOMPARE(w->Button2->text(), QStringLiteral("Выбрать"));
            QVERIFY(w->Button2->isDefault());
            QVERIFY(!w->Button1->isVisible() && !w->Button3->isVisible());
            QCOMPARE(f.oper().field("id").asInt(), 412);  // located
            seen << column(f.oper(), "marka").join(',');
            QTest::keyClicks(w->Edit1, "12");
            seen << column(f.oper(), "marka").join(',');
            w->Edit1->setText("   ");
            seen << column(f.oper(), "marka").join(',');
            w->Edit1->setText("б-1");
            seen << column(f.oper(), "marka").join(',');
            w->Edit1->setText("12");
            QTest::keyClick(w->Edit1, Qt::Key_Down);
            downRow = f.oper().recNo();
            QTest::keyClick(w->Edit1, Qt::Key_Up);
            QTest::keyClick(w->Edit1, Qt::Key_Left);  // consumed: the text stays
            QCOMPARE(w->Edit1->text(), QStringLiteral("12"));
            w->Edit1->setText("в-");
            QTest::keyClick(w->Edit1, Qt::Key_Return);  // the default button picks
        });
        const auto picked = w->pick(1, true, 3, 412);
        QVERIFY(picked);
        QCOMPARE(seen, (QStringList{"А-12,Б-120,В-7", "А-12,Б-120", "А-12,Б-120,В-7", "Б-120"}));
        QCOMPARE(downRow, 2);
        QCOMPARE(picked->operId, 414);
        QCOMPARE(picked->productId, 232);
        QCOMPARE(picked->text, QStringLiteral("В-7; Покраска; Готовая продукция"));
        QCOMPARE(picked->unitPrice, 4.8);  // the norm's 2 on a day off (×2) in shift 3 (×1,2)
        // The search is off again and the picked row stays current: "Цена база" of the caller reads it.
        QVERIFY(!f.oper().filtered());
        QCOMPARE(f.oper().field("id").asInt(), 414);
        QVERIFY(!w->Edit1->isVisibleTo(w));
        QVERIFY(f.ui.errors.isEmpty());

        f.ui.onModal([&](QDialog*) { w->Button4->click(); });
        QVERIFY(!w->pick(1, false, 1, 0));

        // List mode after a pick: "Изменить", add and delete back, "Добавить" the default button again.
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(w->Button2->text(), QStringLiteral("Изменить"));
            QVERIFY(w->Button1->isVisible() && w->Button3->isVisible());
            QVERIFY(w->Button1->isDefault() && !w->Button2->isDefault());
            w->Button4->click();
        });
        w->runList();
    }

    // The grid lists operations with norms only; the export lists every operation with its cena_new.
    void gridAndExport() {
        Fixture f;
        TForm4* w = f.list();
        QStringList grid;
        f.ui.onModal([&](QDialog*) {
            auto* model = w->DBGrid1->model();
            QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
            for (int c = 0; c < model->columnCount(); ++c)
                if (!w->DBGrid1->isColumnHidden(c))
                    grid << model->headerData(c, Qt::Horizontal).toString();
            grid << gridColumn(model, 0).join('|') << gridColumn(model, 2).join('|') << gridColumn(model, 4).join('|');
            w->Button5->click();
        });
        w->runList();
        QCOMPARE(grid, (QStringList{"Марка", "Опреция", "Цена (min)", "Вид", "Нормы (шт.)", "А-12|Б-120|В-7",
                                    "11,25|3,1416|2", "2|1|1"}));
        QVERIFY(f.ui.messages.isEmpty());
        QVERIFY(!f.oper().isOpen());

        QProcess p;
        p.start("/usr/bin/python3",
                {"-c",
                 "import json,sys,openpyxl\n"
                 "ws=openpyxl.load_workbook(sys.argv[1]).active\n"
                 "print(json.dumps([[c.value for c in r] for r in ws.iter_rows()], ensure_ascii=False))",
                 plainWriter().fileName()});
        QVERIFY(p.waitForFinished(60000));
        const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
        const QJsonArray expected = QJsonDocument::fromJson(R"([
            ["Марка", "Операция", "Цена", "Вид"],
            ["А-12", "Сборка", 0, "Готовая продукция"],
            ["Б-120", "Покраска", 0, "Заготовки"],
            ["В-7", "Покраска", 0, "Готовая продукция"],
            ["В-7", "Сборка", 7.5, "Готовая продукция"]])")
                                        .array();
        QCOMPARE(rows, expected);
    }

    // Marks and operation names that look like numbers arrive in the workbook as the texts they are; the price
    // stays a number.
    void exportKeepsMarksAsText() {
        Fixture f;
        f.db.exec(
            "update cmn_gds_and_srv.gds_and_srv set s_caption = '12.10' where id = 231;"
            "update cmn_gds_and_srv.gds_and_srv set s_caption = '1,50' where id = 232;"
            "update accounts_dep.vid_oper set vid = '007' where id = 8;"
            "update accounts_dep.oper set cena_new = 2.5 where id = 412");
        f.ui.onModal([&](QDialog*) { f.list()->Button5->click(); });
        f.list()->runList();
        const QJsonObject cells = readWorkbook(plainWriter().fileName());
        QStringList got;  // each row as JSON, so that a text shows its quotes and a number none
        for (int r = 2; cells.contains(QStringLiteral("A%1").arg(r)); ++r) {
            QJsonArray row;
            for (const char* c : {"A", "B", "C", "D"})
                row.append(cells[QString::fromLatin1(c) + QString::number(r)]);
            got << QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
        }
        got.sort();
        QCOMPARE(got,
                 (QStringList{R"(["1,50","007",0,"Готовая продукция"])", R"(["1,50","Сборка",7.5,"Готовая продукция"])",
                              R"(["12.10","007",2.5,"Заготовки"])", R"(["А-12","Сборка",0,"Готовая продукция"])"}));
    }

    // Delete asks, and removes an operation no shift record names from the grid, together with its norms.
    void deleteOperation() {
        Fixture f;
        TForm4* w = f.list();
        QStringList after;
        f.ui.answer(ui::IDNO);
        f.ui.answer(ui::IDYES);
        f.ui.onModal([&](QDialog*) {
            w->Button3->click();
            after << column(f.oper(), "id").join(',');
            w->Button3->click();
            after << column(f.oper(), "id").join(',');
        });
        w->runList();
        QCOMPARE(after, (QStringList{"411,412,414", "412,414"}));
        QCOMPARE(f.ui.messages.size(), 2);
        for (const auto& m : f.ui.messages) {
            QCOMPARE(m.text, QStringLiteral("Удалить операцию?"));
            QCOMPARE(m.caption, QStringLiteral("Удаление"));
            QCOMPARE(m.flags, 36);
        }
        QCOMPARE(f.db.count("select count(*) from accounts_dep.norm where o_id=411"), 0);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.norm"), 2);
    }

    // The norms grid opened from the list: sorted by norm, prices with two to three decimals, input checked,
    // a single norm kept, a new cheaper norm lowering "Цена (min)" after "Сохранить".
    void normsGrid() {
        Fixture f;
        TForm4* w = f.list();
        TForm22* g = app().form22;
        QStringList shown;
        bool refused = false;
        int operRowAfter = 0;
        QString minAfter;
        f.ui.onModal([&](QDialog*) {
            w->CheckBox1->setChecked(true);
            f.oper().setRecNo(2);  // 412: one norm
            w->DBGrid1DblClick();
            f.oper().setRecNo(1);  // 411: two norms
            w->DBGrid1DblClick();
            operRowAfter = f.oper().recNo();
            minAfter = f.oper().field("cena").asString();
        });
        f.ui.onModal([&](QDialog*) {
            QAbstractItemModel* m = g->DBGrid1->model();
            shown << gridColumn(m, 1).join('|');
            g->Button2->click();  // the only norm stays
            shown << gridColumn(m, 0).join('|');
        });
        f.ui.onModal([&](QDialog*) {
            QAbstractItemModel* m = g->DBGrid1->model();
            QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
            QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Норматив"));
            shown << gridColumn(m, 0).join('|') << gridColumn(m, 1).join('|');
            // The row after the last takes a new norm; bad input is refused.
            const int last = m->rowCount() - 1;
            refused = !m->setData(m->index(last, 0), "1,5") && !m->setData(m->index(last, 1), "abc") &&
                      !m->setData(m->index(last, 2), "") && g->norm.state() == Dataset::State::Browse;
            QVERIFY(m->setData(m->index(last, 0), "150"));
            QVERIFY(g->newRow);
            QCoreApplication::processEvents();              // leaving the cell saves the row
            QCOMPARE(g->DBGrid1->currentIndex().row(), 1);  // the saved row, now between 100 and 200
            g->DBGrid1->setCurrentIndex(m->index(1, 1));
            QTest::keyClick(g->DBGrid1, Qt::Key_Return);  // opens the editor, the window stays
            auto* editor = g->DBGrid1->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor && g->isVisible());
            editor->selectAll();
            QTest::keyClicks(editor, "9,5x");  // the x is not taken
            QTest::keyClick(editor, Qt::Key_Return);
            QTest::keyClick(g->DBGrid1, Qt::Key_Escape);  // the value committed on Enter is saved on closing
        });
        w->runList();
        QCOMPARE(shown, (QStringList{"3,142|", "50|", "100|200|", "12,50|11,25|"}));
        QVERIFY(refused);
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(f.db.count("select count(*) from accounts_dep.norm where o_id=412"), 1);
        QCOMPARE(f.db.value("select norma || ':' || price from accounts_dep.norm where o_id=411 order by norma"),
                 QStringLiteral("100:12.5"));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.norm where o_id=411 and norma=150 and price=9.5"), 1);
        QCOMPARE(operRowAfter, 1);
        QCOMPARE(minAfter, QStringLiteral("9,5"));
    }

    // Deleting one of several norms; a new row dropped before it is saved.
    void normsDelete() {
        Fixture f;
        TForm22* g = app().form22;
        f.oper().open();
        g->norm.close();
        g->norm.setFilter("o_id=411");
        g->norm.setFiltered(true);
        g->norm.open();
        QAbstractItemModel* m = g->DBGrid1->model();
        QVERIFY(m->setData(m->index(2, 1), "1"));
        g->Button2Click();  // drops the unsaved row only
        QCOMPARE(g->norm.recordCount(), 2);
        g->DBGrid1->setCurrentIndex(m->index(1, 0));
        g->Button2Click();
        QCOMPARE(gridColumn(m, 0), (QStringList{"100", ""}));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.norm"), 3);
    }

    // The price dialog: validation, duplicate key (kind, product kind, product), add with its first norm in the
    // list, edit without change passing its own duplicate check.
    void priceDialog() {
        Fixture f;
        TForm4* w = f.list();
        TForm10* d = app().form10;
        auto fill = [&](int kind, qlonglong product, int naimen, const QString& price) {
            d->Edit1->setText("А-12");
            d->Edit2->setText("Сборка");
            d->selectedKindId = kind;
            d->selectedProductId = product;
            d->ComboBox1->setCurrentIndex(naimen);
            d->Edit3->setText(price);
        };
        QStringList listed;
        f.ui.onModal([&](QDialog*) {
            w->Button1->click();  // add: empty
            w->Button1->click();  // add: duplicate
            w->Button1->click();  // add: bad price
            w->Button1->click();  // add: blanks of the same product accepted
            listed << column(f.oper(), "nmn").join(',');
            f.oper().setRecNo(1);
            w->Button2->click();  // edit without change
            f.oper().setRecNo(1);
            w->Button2->click();  // edit into the other product kind: duplicate now
        });
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Заведение новой цены за операцию"));
            QVERIFY(d->Edit1->text().isEmpty() && d->Edit2->text().isEmpty() && d->Edit3->isVisible());
            d->Button1->click();
            QVERIFY(d->isVisible());
        });
        f.ui.onModal([&](QDialog*) {
            fill(7, 230, 0, "4");
            d->Button1->click();
            QVERIFY(d->isVisible());
        });
        f.ui.onModal([&](QDialog*) {
            fill(7, 230, 1, "4.x");
            d->Button1->click();
            QVERIFY(d->isVisible());
        });
        f.ui.onModal([&](QDialog*) {
            fill(7, 230, 1, "4,25");
            d->Button1->click();
            QVERIFY(!d->isVisible());
        });
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Изменение данных о цене за операцию"));
            QCOMPARE(d->Edit1->text(), QStringLiteral("А-12"));
            QCOMPARE(d->ComboBox1->currentIndex(), 0);
            QVERIFY(!d->Edit3->isVisible());
            d->Button1->click();
            QVERIFY(!d->isVisible());
        });
        f.ui.onModal([&](QDialog*) {
            d->ComboBox1->setCurrentIndex(1);
            d->Button1->click();
            QVERIFY(d->isVisible());
        });
        w->runList();

        QCOMPARE(listed, QStringList{"Готовая продукция,Заготовки,Заготовки,Готовая продукция"});
        QStringList texts;
        for (const auto& m : f.ui.messages)
            texts << m.text + " / " + m.caption;
        const QString dup = QStringLiteral("Операция с такими параметрами уже заведена! / Ошибка");
        QCOMPARE(texts, (QStringList{"Все поля должны быть заполнены! / Ошибка", dup,
                                     "Цена должна быть числом не меньше нуля! / Ошибка", dup}));
        QCOMPARE(f.db.value("select string_agg(vid || ':' || naimen || ':' || i_id || ':' || cena_new, ',' order by "
                            "i_id, naimen, id) "
                            "from accounts_dep.oper"),
                 QStringLiteral("7:0:230:0.0000,7:1:230:0.0000,8:1:231:0.0000,7:0:232:7.5000,8:0:232:0.0000"));
        QCOMPARE(f.db.value("select price from accounts_dep.norm where o_id=(select id from accounts_dep.oper "
                            "where i_id=230 and naimen=1)"),
                 QStringLiteral("4.25"));
    }

    // Product and kind come from their lists in pick mode; leaving a list without a pick changes nothing.
    void priceDialogPickers() {
        Fixture f;
        TForm10* d = app().form10;
        QStringList fields;
        f.ui.onModal([&](QDialog*) {
            d->Button3->click();
            d->Button4->click();
            fields << d->Edit1->text() + "; " + d->Edit2->text();
            d->Button3->click();  // left without a pick
            fields << d->Edit1->text() + "; " + d->Edit2->text();
            d->ComboBox1->setCurrentIndex(1);
            d->Edit3->setText("2,5");
            d->Button1->click();
        });
        f.ui.onModal([&](QDialog* list) {
            QVERIFY(app().dm->Izdel.locate("id", 232));
            list->findChild<QPushButton*>("Button2")->click();
        });
        f.ui.onModal([&](QDialog* list) {
            QVERIFY(app().dm->Vid_oper.locate("id", 7));
            list->findChild<QPushButton*>("Button2")->click();
        });
        f.ui.onModal([&](QDialog* list) { list->findChild<QPushButton*>("Button4")->click(); });
        f.list()->Button1Click();
        QCOMPARE(f.ui.modalShown, (QStringList{"TForm10", "TForm3", "TForm8", "TForm3"}));
        QCOMPARE(fields, (QStringList{"В-7; Сборка", "В-7; Сборка"}));
        QVERIFY(f.ui.messages.isEmpty() && f.ui.errors.isEmpty());
        QCOMPARE(f.db.value("select count(*) || ':' || min(n.price) from accounts_dep.oper o join accounts_dep.norm n "
                            "on n.o_id=o.id where o.vid=7 and o.naimen=1 and o.i_id=232"),
                 QStringLiteral("1:2.5"));
        QCOMPARE(column(f.oper(), "i_id").count("232"), 2);  // the list shows the new operation
    }

    void priceStatements() {
        QCOMPARE(
            price_sql::addCheck(7, 1, 230),
            QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=7 and naimen=1 and i_id=230"));
        QCOMPARE(price_sql::insert(7, 1, 230),
                 QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new)values (7, 1, 230, 0)"));
        QCOMPARE(price_sql::editCheck(7, 0, 230, 411),
                 QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=7 and naimen=0 and i_id=230 "
                                "and id<>411"));
        QCOMPARE(price_sql::update(7, 0, 230, 411),
                 QStringLiteral("update accounts_dep.oper set vid=7, naimen=0,  i_id=230 where id=411"));
    }
};

QTEST_MAIN(TestPrices)
#include "test_prices.moc"
