// A clerk's day by keyboard: the journals' and lists' hot keys (obeying the login mode), Tab leaving the grids,
// the focus after picks and refusals, whole-number boxes refusing a separator, the masked login box, and the
// look of the current row.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

#include "app/login_window.h"
#include "app/translations.h"
#include "base/datamodule.h"
#include "base/login_modes.h"
#include "base/registry.h"
#include "catalog/norms_grid.h"
#include "catalog/products_list.h"
#include "catalog/workers_list.h"
#include "core/dataset_model.h"
#include "core/keys.h"
#include "journal/main_window.h"
#include "journal/shift_entry_dialog.h"
#include "reports/summary_reports.h"
#include "support/invariants.h"
#include "support/testdb.h"
#include "support/typing.h"
#include "timesheet/maintenance_dialog.h"
#include "timesheet/maintenance_journal.h"
#include "timesheet/piecework_timesheet.h"
#include "timesheet/shift_timesheet.h"

namespace {

// Two workers; product А-12 with Сборка (411, base price 10) and Краска синяя (412); two records of
// 5 March 2024, shift 1.
const char* const kData = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (42, 'Петров П.П.', '42');
insert into accounts_dep.person(id, fio) values (17, 'Иванов И.И.'), (42, 'Петров П.П.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (8, 'Краска синяя');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0), (412, 8, 0, 230, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 50, 0, 10), (412, 10, 0, 4);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod, prize)
  values ('2024-03-05', 1, 17, 230, 411, 10, 10, 0, 0, 4, 'no', '2024-03-05', 0),
         ('2024-03-05', 1, 42, 230, 411, 10, 20, 0, 0, 3, 'no', '2024-03-05', 0);
insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (17, 3, 2024, 1, 4), (42, 3, 2024, 1, 3);
)sql";

// The main window on 5 March 2024, shift 1, shown and active, as after a login with full access.
TForm1* openJournal() {
    for (int s = 1; s <= 4; ++s)
        app().dm->smena(s).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    TForm1* w = app().form1;
    w->show();
    w->FormActivate();
    w->DateT->setDate(QDate(2024, 3, 5));
    w->DateTChange();
    w->selectShift(1);
    QApplication::setActiveWindow(w);
    w->DBGrid2->setFocus();
    return w;
}

// A key pressed where the window's focus is.
void press(QWidget* window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, Qt::Key(key), mods);
}

QString focusName(QWidget* window) {
    return window->focusWidget() ? window->focusWidget()->objectName() : QStringLiteral("(none)");
}

}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Tab and Shift+Tab leave the journal grid, so the buttons are reached; Enter presses the focused one.
    void tabLeavesTheGrid() {
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        QCOMPARE(focusName(w), QStringLiteral("DBGrid2"));
        press(w, Qt::Key_Tab);
        QCOMPARE(focusName(w), QStringLiteral("Button1"));
        press(w, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focusName(w), QStringLiteral("DBGrid2"));
        press(w, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(focusName(w) != QStringLiteral("DBGrid2"));
        // Enter on the focused "Обновить" reloads; on "Добавить" it opens the entry dialog.
        w->Button1->setFocus();
        f.ui.onModal([](QDialog*) {});
        press(w, Qt::Key_Return);
        QCOMPARE(f.ui.modalShown, QStringList{"TForm11"});
        QVERIFY(f.ui.errors.isEmpty());
    }

    // Each hot key does what its button does, and nothing where the login mode has switched the button off.
    void journalKeys_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QString>("expected");  // what happened: modal window or message, date, shift
        const int full = int(login::Mode::Full), foreman = int(login::Mode::Foreman);
        const int viewer = int(login::Mode::Viewer);
        const int none = int(Qt::NoModifier), ctrl = int(Qt::ControlModifier), alt = int(Qt::AltModifier);
        QTest::newRow("Insert adds") << full << int(Qt::Key_Insert) << none << "TForm11 Заведение новой позиции (11)";
        QTest::newRow("F2 edits") << full << int(Qt::Key_F2) << none << "TForm11 Изменение данных о позиции (11)";
        QTest::newRow("Enter on a row edits")
            << full << int(Qt::Key_Return) << none << "TForm11 Изменение данных о позиции (11)";
        QTest::newRow("Delete asks") << full << int(Qt::Key_Delete) << none << "Удалить позицию из списка?";
        QTest::newRow("Ctrl+Right next day") << full << int(Qt::Key_Right) << ctrl << "06.03.2024 shift 1 rows 0";
        QTest::newRow("Ctrl+Left previous day") << full << int(Qt::Key_Left) << ctrl << "04.03.2024 shift 1 rows 0";
        QTest::newRow("Alt+3 third shift") << full << int(Qt::Key_3) << alt << "05.03.2024 shift 3 rows 0";
        QTest::newRow("Alt+4 overtime") << full << int(Qt::Key_4) << alt << "05.03.2024 shift 4 rows 0";
        QTest::newRow("foreman adds") << foreman << int(Qt::Key_Insert) << none
                                      << "TForm11 Заведение новой позиции (11)";
        QTest::newRow("foreman cannot edit") << foreman << int(Qt::Key_F2) << none << "05.03.2024 shift 1 rows 2";
        QTest::newRow("foreman cannot edit by Enter")
            << foreman << int(Qt::Key_Return) << none << "05.03.2024 shift 1 rows 2";
        QTest::newRow("foreman cannot delete") << foreman << int(Qt::Key_Delete) << none << "05.03.2024 shift 1 rows 2";
        QTest::newRow("viewer cannot add") << viewer << int(Qt::Key_Insert) << none << "05.03.2024 shift 1 rows 2";
        QTest::newRow("viewer keeps the day") << viewer << int(Qt::Key_Right) << ctrl << "05.03.2024 shift 1 rows 2";
        QTest::newRow("viewer keeps the shift") << viewer << int(Qt::Key_2) << alt << "05.03.2024 shift 1 rows 2";
    }
    void journalKeys() {
        QFETCH(int, mode);
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QString, expected);
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        login::applyMode(login::Mode(mode));
        w->DBGrid2->setFocus();
        QString got;
        const bool opens = expected.startsWith(QLatin1String("TForm"));
        if (opens)
            f.ui.onModal([&](QDialog* d) { got = d->objectName() + QLatin1Char(' ') + d->windowTitle(); });
        press(w, key, Qt::KeyboardModifiers(mods));
        if (!f.ui.messages.isEmpty())
            got = f.ui.messages.first().text;
        if (got.isEmpty() && !opens) {
            QVERIFY(f.ui.modalShown.isEmpty());
            got = w->DateT->date().toString(QStringLiteral("dd.MM.yyyy")) +
                  QStringLiteral(" shift %1 rows %2").arg(w->selectedShift).arg(w->currentShiftQuery().recordCount());
        }
        QCOMPARE(got, expected);
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }

    // The buttons name their keys.
    void keysInTooltips() {
        AppFixture f;
        TForm1* w = app().form1;
        QCOMPARE(w->Button1->toolTip(), QStringLiteral("Добавить (Ins)"));
        QCOMPARE(w->Button2->toolTip(), QStringLiteral("Изменить (F2 или Enter на строке)"));
        QCOMPARE(w->Button3->toolTip(), QStringLiteral("Удалить (Del)"));
        QCOMPARE(w->Button8->toolTip(), QStringLiteral("Обновить (F5)"));
        QCOMPARE(w->RadioButton4->toolTip(), QStringLiteral("Переработка (Alt+4)"));
        QCOMPARE(app().form25->Button5->toolTip(), QStringLiteral("Добавить (Ins)"));
        QCOMPARE(app().form5->Button3->toolTip(), QStringLiteral("Удалить (Del)"));
    }

    // A whole record by keyboard: Enter on "..." (the focus on opening), the worker typed and picked, the focus
    // on the operation's "...", the operation picked, the focus on the quantity; Tab walks the numbers and Enter
    // saves. 17 keystrokes.
    void recordByKeyboard() {
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        w->selectShift(2);  // a shift without records of these workers
        w->CBox1->setChecked(false);
        w->DBGrid2->setFocus();
        TForm11* d = app().form11;
        QStringList focus;
        int keys = 0;
        auto key = [&](QWidget* window, int k) {
            ++keys;
            press(window, k);
        };
        auto text = [&](QWidget* window, const QString& t) {
            keys += int(t.size());
            type(window->focusWidget(), t);
        };
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            focus << focusName(d);
            key(d, Qt::Key_Return);  // the workers list
            focus << focusName(d);
            key(d, Qt::Key_Return);  // the operations list
            focus << focusName(d);
            text(d, QStringLiteral("100"));
            key(d, Qt::Key_Tab);
            focus << focusName(d);
            text(d, QStringLiteral("8"));
            key(d, Qt::Key_Tab);  // the colour box is off for Сборка: the date
            key(d, Qt::Key_Tab);
            focus << focusName(d);
            text(d, QStringLiteral("2"));
            key(d, Qt::Key_Return);
        });
        f.ui.onModal([&](QDialog* list) {
            QApplication::setActiveWindow(list);
            text(list, QStringLiteral("Пет"));
            key(list, Qt::Key_Return);
        });
        f.ui.onModal([&](QDialog* list) {
            QApplication::setActiveWindow(list);
            QVERIFY(list->focusWidget());
            key(list, Qt::Key_Down);  // Краска синяя comes first, Сборка next
            key(list, Qt::Key_Return);
        });
        press(w, Qt::Key_Insert);
        QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errors.join('\n')));
        QCOMPARE(f.ui.modalShown, (QStringList{"TForm11", "TForm5", "TForm4"}));
        QCOMPARE(focus, (QStringList{"Button3", "Button4", "Edit3", "Edit6", "Edit4"}));
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(f.db.value("select concat_ws(' ', w_id, o_id, kol_vo, brak, time) from accounts_dep.smena where "
                            "kol_vo=100"),
                 QStringLiteral("42 411 100 2 8"));
        QVERIFY2(keys <= 27, qPrintable(QString::number(keys)));
        QCOMPARE(timesheetMismatches(f.db), QStringList());
    }

    // After «Все поля должны быть заполнены!» the focus is on the first empty field.
    void focusOnTheFirstEmptyField_data() {
        QTest::addColumn<QString>("worker");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("defects");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("focus");
        const QString worker = "Петров П.П.", op = "А-12; Сборка; Готовая продукция";
        const QString paint = "А-12; Краска синяя; Готовая продукция";
        QTest::newRow("worker") << ""
                                << ""
                                << ""
                                << ""
                                << ""
                                << ""
                                << "Button3";
        QTest::newRow("operation") << worker << ""
                                   << "1"
                                   << "0"
                                   << ""
                                   << "8"
                                   << "Button4";
        QTest::newRow("quantity") << worker << op << ""
                                  << ""
                                  << ""
                                  << ""
                                  << "Edit3";
        QTest::newRow("defects") << worker << op << "5"
                                 << ""
                                 << ""
                                 << "8"
                                 << "Edit4";
        QTest::newRow("colour of a paint") << worker << paint << "5"
                                           << "0"
                                           << ""
                                           << "8"
                                           << "Edit5";
        QTest::newRow("hours") << worker << op << "5"
                               << "0"
                               << ""
                               << ""
                               << "Edit6";
    }
    void focusOnTheFirstEmptyField() {
        QFETCH(QString, worker);
        QFETCH(QString, operation);
        QFETCH(QString, quantity);
        QFETCH(QString, defects);
        QFETCH(QString, colour);
        QFETCH(QString, hours);
        QFETCH(QString, focus);
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        TForm11* d = app().form11;
        QString got;
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            d->Edit1->setText(worker);
            d->Edit2->setText(operation);
            d->Edit5->setEnabled(TForm11::isPaint(operation));
            d->Edit3->setText(quantity);
            d->Edit4->setText(defects);
            d->Edit5->setText(colour);
            d->Edit6->setText(hours);
            d->Edit4->setFocus();
            d->Button1->click();
            got = focusName(d);
        });
        w->Button1->click();
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages.first().text, QStringLiteral("Все поля должны быть заполнены!"));
        QCOMPARE(got, focus);
    }

    // A separator typed into a whole-number box is refused with a hint; the box keeps its digits.
    void separatorRefused() {
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        TForm11* d = app().form11;
        QStringList got;
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            for (QLineEdit* e : {d->Edit6, d->Edit3, d->Edit4}) {
                QToolTip::hideText();
                e->setFocus();
                e->clear();
                type(e, QStringLiteral("7,"));
                const bool hinted = QToolTip::isVisible() && QToolTip::text() == keys::wholeNumberHint();
                type(e, QStringLiteral(".5"));
                got << e->objectName() + QLatin1Char(' ') + e->text() + (hinted ? " hint" : " no hint");
            }
        });
        w->Button1->click();
        QCOMPARE(got, (QStringList{"Edit6 75 hint", "Edit3 75 hint", "Edit4 75 hint"}));

        // The hours of a maintenance entry likewise.
        TForm24* m = app().form24;
        QString maint;
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(m);
            QToolTip::hideText();
            m->Edit6->setFocus();
            m->Edit6->clear();
            type(m->Edit6, QStringLiteral("6."));
            maint = m->Edit6->text() + (QToolTip::text() == keys::wholeNumberHint() ? " hint" : " no hint");
        });
        m->openForAdd({QDate(2024, 3, 5), false, 1});
        QCOMPARE(maint, QStringLiteral("6 hint"));
    }

    // The reference lists: Insert, F2 (and Enter on a row) and Delete press their buttons in list mode; in pick
    // mode, where adding and deleting are hidden, the keys do nothing and Enter picks.
    void listKeys() {
        AppFixture f;
        f.db.exec(kData);
        TForm5* list = app().form5;
        QStringList got;
        // "Изменить" closes the list after its dialog: the keys that keep it open first.
        auto keysOnTheGrid = [&](QList<int> keys) {
            f.ui.onModal([&, keys](QDialog*) {
                for (int k : keys) {
                    // Active again once the dialog before has closed, as a window manager makes it.
                    QApplication::setActiveWindow(list);
                    list->DBGrid1->setFocus();
                    press(list, k);
                }
            });
        };
        auto shown = [&] {
            f.ui.onModal([&](QDialog* d) { got << d->objectName() + QLatin1Char(' ') + d->windowTitle(); });
        };
        keysOnTheGrid({int(Qt::Key_Insert), int(Qt::Key_Delete), int(Qt::Key_F2)});
        shown();
        shown();
        list->runList();
        keysOnTheGrid({int(Qt::Key_Return)});
        shown();
        list->runList();
        for (const auto& m : f.ui.messages)
            got << m.text;
        QCOMPARE(f.ui.modalShown, (QStringList{"TForm5", "TForm2", "TForm2", "TForm5", "TForm2"}));
        QCOMPARE(got, (QStringList{"TForm2 Заведение данных нового работника", "TForm2 Изменение данных работника",
                                   "TForm2 Изменение данных работника", "Удалить работника?"}));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.person"), 2);

        f.ui.messages.clear();
        f.ui.modalShown.clear();
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(list);
            list->DBGrid1->setFocus();
            press(list, Qt::Key_Insert);
            press(list, Qt::Key_Delete);
            press(list, Qt::Key_Down);
            press(list, Qt::Key_Return);
        });
        const auto picked = list->pick(1);
        QCOMPARE(f.ui.modalShown, QStringList{"TForm5"});
        QVERIFY(f.ui.messages.isEmpty());
        QVERIFY(picked);
        QCOMPARE(picked->text, QStringLiteral("Петров П.П."));
    }

    // What the windows say about themselves: the masked login word, the search boxes, the norms window's title,
    // the day of a maintenance entry, the last day of a report period; the time sheets and journals grow.
    void windowTexts() {
        AppFixture f;
        TForm23* login = app().form23;
        login->Edit1->setText(QStringLiteral("3958"));
        QCOMPARE(login->Edit1->displayText(), QStringLiteral("****"));
        QCOMPARE(app().form5->Edit1->placeholderText(), QStringLiteral("Поиск по фамилии"));
        QCOMPARE(app().form3->Edit1->placeholderText(), QStringLiteral("Поиск по марке изделия"));
        QCOMPARE(TForm22::titleFor(QStringLiteral("А-12"), QStringLiteral("Сборка")),
                 QStringLiteral("Норматив: А-12; Сборка"));
        QCOMPARE(TForm24::dayText({QDate(2024, 3, 9), true, 1}, true),
                 QStringLiteral("Запись на 09.03.2024, выходной, ночные"));
        QCOMPARE(TForm24::dayText({QDate(2024, 3, 5), false, 1}, false), QStringLiteral("Запись на 05.03.2024"));
        TForm18* r = app().form18;
        r->DTPicker2->setDate(QDate(2026, 12, 1));
        QCOMPARE(r->LabelLast->text(), QStringLiteral("(по 30.11.2026 включительно)"));
        r->DTPicker2->setDate(QDate(2024, 3, 1));
        QCOMPARE(r->LabelLast->text(), QStringLiteral("(по 29.02.2024 включительно)"));
        // The given titles stay exactly as they are (a real display adds the program's name after them).
        QCOMPARE(app().form19->windowTitle(), QStringLiteral("Табель по времени"));
        QCOMPARE(app().form25->windowTitle(), QStringLiteral("Хоз. работы (25)"));

        for (QDialog* d : {static_cast<QDialog*>(app().form19), static_cast<QDialog*>(app().form27),
                           static_cast<QDialog*>(app().form25)}) {
            QVERIFY2(d->windowFlags().testFlag(Qt::WindowMaximizeButtonHint), qPrintable(d->objectName()));
            d->show();
            QWidget* grid = nullptr;  // the grid shown (a time sheet has one per tab page)
            for (DbGrid* g : d->findChildren<DbGrid*>())
                if (!grid && g->isVisible())
                    grid = g;
            QVERIFY(grid);
            d->resize(700, 400);
            QCoreApplication::processEvents();
            const QSize before = grid->size();
            d->resize(1000, 700);
            QCoreApplication::processEvents();
            QVERIFY2(grid->height() > before.height() + 200, qPrintable(d->objectName()));
            QVERIFY2(grid->width() > before.width() + 200, qPrintable(d->objectName()));
            d->hide();
        }
    }

    // The current row keeps each cell's own colours under a light tint; the time sheet by shifts marks a
    // cell, not a row.
    void currentRowKeepsColours() {
        TestDb db;
        Db conn;
        db.connect(conn);
        Dataset ds(conn, QStringLiteral("t"));
        ds.setSql(QStringLiteral("select n, 'x' as s from generate_series(1, 3) n order by n"));
        ds.open();
        DbGrid grid;
        grid.setColumns({{QStringLiteral("n"), QStringLiteral("N"), Qt::AlignLeft, {}, true, 80},
                         {QStringLiteral("s"), QStringLiteral("S"), Qt::AlignLeft, {}, true, 80}});
        grid.datasetModel()->setCellRule([](const Dataset&, int, const GridColumn& c, int role) -> QVariant {
            if (role == Qt::BackgroundRole && c.field == QLatin1String("s"))
                return QColor(Qt::red);
            return {};
        });
        grid.setDataset(&ds);
        grid.resize(300, 200);
        grid.show();
        ds.setRecNo(2);
        QCOMPARE(grid.currentIndex().row(), 1);
        const QImage image = grid.viewport()->grab().toImage();
        const QRect cell = grid.visualRect(grid.model()->index(1, 1));
        const QColor inside = image.pixelColor(cell.center() + QPoint(cell.width() / 4, 0));
        QVERIFY2(inside.red() > 180 && inside.green() < 90, qPrintable(inside.name()));
        const QRect plain = grid.visualRect(grid.model()->index(1, 0));
        const QColor tint = image.pixelColor(plain.center() + QPoint(plain.width() / 4, 0));
        const QColor unselected =
            image.pixelColor(grid.visualRect(grid.model()->index(0, 0)).center() + QPoint(plain.width() / 4, 0));
        QVERIFY2(tint != unselected, qPrintable(tint.name()));      // the row is still seen as current
        QVERIFY2(tint.lightness() > 180, qPrintable(tint.name()));  // a light tint, not a dark bar

        AppFixture f;
        QCOMPARE(app().form19->DBGrid1->selectionBehavior(), QAbstractItemView::SelectItems);
        QCOMPARE(app().form1->DBGrid2->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    // Qt's own texts in Russian where the translations are installed (scripts/setup installs them); without
    // them nothing is loaded and nothing fails. Last: the translation stays installed.
    void qtTranslations() {
        const bool installed =
            QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm"));
        QCOMPARE(loadQtTranslations(), installed);
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(),
                 installed ? QStringLiteral("Отмена") : QStringLiteral("Cancel"));
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
