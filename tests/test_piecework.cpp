// The piece-work time sheet window in its three sheets.
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "base/registry.h"
#include "core/dataset_model.h"
#include "support/testdb.h"
#include "timesheet/piecework_timesheet.h"

namespace {

// Антонов (201): piece work in shifts 1 and 2 of April 2024, maintenance by day and by night; Борисов (202): a
// time-sheet row but no records. A record of 1 May and one of another worker in April (in the plant total).
const char* const kFixture = R"sql(
insert into cmn_contractor.person(id, s_caption, s_code) values (201, 'Антонов А.А.', '201'), (202, 'Борисов Б.Б.', '202'),
  (203, 'Волков В.В.', '203');
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d1, d2, d6) values
  (201, 4, 2024, 1, 0, 0, 8, 4, null), (201, 4, 2024, 2, 0, 0, 3, null, 5), (202, 4, 2024, 1, 0, 0, null, null, null),
  (201, 4, 2024, null, 7777, 0, 2, null, null), (201, 4, 2024, null, 7777, 1, 4, null, null),
  (201, 4, 2024, null, 7778, 0, 3, null, null), (201, 4, 2024, null, 7778, 1, 1, null, null),
  (201, 12, 2024, 1, 0, 0, 8, null, null);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) values
  ('2024-04-01', 1, 201, 1, 1, 2.5, 10, 1, 0, 8, 'no'),
  ('2024-04-01', 2, 201, 1, 1, 2.5, 4, 0, 0, 3, 'no'),
  ('2024-04-02', 1, 203, 1, 1, 1.0, 7, 0, 0, 2, 'no'),
  ('2024-05-01', 1, 201, 1, 1, 100, 100, 0, 0, 8, 'no'),
  ('2024-12-31', 1, 201, 1, 1, 2.0, 6, 0, 0, 4, 'no'),
  ('2025-01-01', 1, 201, 1, 1, 50, 50, 0, 0, 8, 'no');
insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_night) values
  (11, 7777, 201, '2024-04-01', 4, 2024, 1, 2, 150, 0), (11, 7777, 201, '2024-04-01', 4, 2024, 1, 4, 150.5, 1),
  (11, 7778, 201, '2024-04-01', 4, 2024, 1, 3, 20, 0), (11, 7778, 201, '2024-04-01', 4, 2024, 1, 1, 40, 1),
  (11, 7777, 201, '2024-05-02', 5, 2024, 1, 9, 150, 0);
)sql";

using Check = std::function<void(TForm27*)>;

// Opens the sheet from the menu, chooses the month and year in the window and runs the check inside it.
void showSheet(AppFixture& f, int kind, int month, int year, Check check,
               std::source_location where = std::source_location::current()) {
    f.ui.onModal(
        [=](QDialog* dlg) {
            auto* w = static_cast<TForm27*>(dlg);
            w->ComboBox1->setCurrentIndex(month - 1);
            w->setYear(year);
            w->ComboBox1Change();
            check(w);
        },
        where);
    app().form27->openSheet(kind);
}

// A line of the grid: name, night mark, days 1, 2 and 6, then the month's money, hours and hourly money.
QString line(TForm27* w, int row) {
    const DatasetModel* m = w->DBGrid->datasetModel();
    QStringList cells;
    for (int c : {0, 1, 2, 3, 7, 33, 34, 35})
        cells << m->cellText(row, c);
    return cells.join('|');
}

}  // namespace

class TestPiecework : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void sheets_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("piece work: shifts summed on one line")
            << 0 << 4 << "Табель сделка (27)"
            << QStringList{"Антонов А.А.||11|4|5|32,5|11|2,95", "Борисов Б.Б.||0|0|0|||0"};
        QTest::newRow("piece work: December ends with the year")
            << 0 << 12 << "Табель сделка (27)" << QStringList{"Антонов А.А.||8|0|0|12|4|3"};
        QTest::newRow("maintenance: day and night lines")
            << 7777 << 4 << "Табель хоз. работы (27)"
            << QStringList{"Антонов А.А.||2|0|0|300|2|150", "Антонов А.А.|+|4|0|0|602|4|150,5"};
        QTest::newRow("average rate: дн. and ноч.")
            << 7778 << 4 << "Табель ср. сдельная (27)"
            << QStringList{"Антонов А.А.|дн.|3|0|0|60|3|20", "Антонов А.А.|ноч.|1|0|0|40|1|40"};
    }
    void sheets() {
        QFETCH(int, kind);
        QFETCH(int, month);
        QFETCH(QString, caption);
        QFETCH(QStringList, lines);
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        QStringList got;
        QString total, title;
        showSheet(f, kind, month, 2024, [&](TForm27* w) {
            QAbstractItemModelTester tester(w->DBGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
            title = w->windowTitle();
            for (int r = 0; r < w->DBGrid->model()->rowCount(); ++r)
                got << line(w, r);
            total = w->DBText1->text();
        });
        QCOMPARE(f.ui.errors, QStringList());
        QCOMPARE(title, caption);
        // Lines of one worker (day and night) come in no particular order.
        got.sort();
        lines.sort();
        QCOMPARE(got, lines);
        // The plant total is always the piece work of all workers in the month.
        QCOMPARE(total, QString(month == 4 ? "39,5" : "12"));
        TForm27* w = app().form27;
        QVERIFY(!w->current->isOpen());
        QVERIFY(!w->q_year.isOpen());
    }

    // Days past the month's end hidden, the name column widened by their width; weekends red; totals bold on blue.
    void monthColumns_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<QList<int>>("hidden");
        QTest::addColumn<int>("nameWidth");  // 160 px, and 20 px for each hidden day
        QTest::newRow("31 days") << 3 << QList<int>{} << 160;
        QTest::newRow("30 days") << 4 << QList<int>{31} << 180;
        QTest::newRow("February of a leap year") << 2 << QList<int>{30, 31} << 200;
    }
    void monthColumns() {
        QFETCH(int, month);
        QFETCH(QList<int>, hidden);
        QFETCH(int, nameWidth);
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        showSheet(f, 0, month, 2024, [&](TForm27* w) {
            for (int d = 1; d <= 31; ++d)
                QCOMPARE(w->DBGrid->isColumnHidden(1 + d), hidden.contains(d));
            QCOMPARE(w->DBGrid->columnWidth(0), nameWidth);
            QCOMPARE(w->DBGrid->model()->headerData(1 + 6, Qt::Horizontal).toString(), QString("6"));
        });
        // April 2024: the 6th is a Saturday, the 5th a Friday.
        showSheet(f, 0, 4, 2024, [&](TForm27* w) {
            QAbstractItemModel* m = w->DBGrid->model();
            QCOMPARE(m->data(m->index(0, 1 + 6), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
            QVERIFY(m->data(m->index(0, 1 + 5), Qt::ForegroundRole).value<QColor>() != QColor(255, 0, 0));
            for (int c : {33, 34, 35}) {
                QVERIFY(m->data(m->index(0, c), Qt::FontRole).value<QFont>().bold());
                QCOMPARE(m->data(m->index(0, c), Qt::BackgroundRole).value<QColor>(), QColor(0xE1, 0xE4, 0xFF));
            }
            QCOMPARE(m->headerData(33, Qt::Horizontal).toString(), QString("Итого (р.)"));
        });
        QCOMPARE(f.ui.errors, QStringList());
    }

    // The year list holds the years with time-sheet rows and the current year, which is chosen on opening.
    void yearList() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        f.db.exec("insert into accounts_dep.h_tabel(w_id, month, year, i_type) values (201, 1, 2019, 0)");
        const QDate today = QDate::currentDate();
        QStringList years;
        int month = 0, rows = -1;
        f.ui.onModal([&](QDialog* dlg) {
            auto* w = static_cast<TForm27*>(dlg);
            for (int i = 0; i < w->cb_year->count(); ++i)
                years << w->cb_year->itemText(i);
            QCOMPARE(w->cb_year->currentText(), QString::number(today.year()));
            month = w->ComboBox1->currentIndex() + 1;
            rows = w->DBGrid->model()->rowCount();
            // Choosing another year in the list loads it.
            w->cb_year->setCurrentIndex(w->cb_year->findText("2024"));
            w->ComboBox1->setCurrentIndex(3);
            emit w->cb_year->activated(w->cb_year->currentIndex());
            QCOMPARE(w->DBGrid->model()->rowCount(), 2);
        });
        app().form27->openSheet(0);
        QCOMPARE(years, QStringList({"2019", "2024", QString::number(today.year())}));
        QCOMPARE(month, today.month());
        QCOMPARE(rows, 0);
        QCOMPARE(f.ui.errors, QStringList());
    }
};

QTEST_MAIN(TestPiecework)
#include "test_piecework.moc"
