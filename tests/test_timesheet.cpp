// The time sheet by shifts: month loading and column marking, cell colours, the rebuild, printing and Excel.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "core/excel_writer.h"
#include "journal/shift_records.h"
#include "support/invariants.h"
#include "support/lockwait.h"
#include "support/testdb.h"
#include "support/workbook.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/shift_timesheet.h"
#include "timesheet/timesheet_print.h"

namespace {

const char* const kWorkers = R"sql(
insert into cmn_contractor.person(id, s_caption, s_code) values
  (5001, 'Алексеев А.А.', '17'), (5002, 'Борисов Б.Б.', '18'), (5003, 'Волков В.В.', '19');
)sql";

// A shift record: date (ISO), shift, worker, hours, acceptance mark (SQL literal).
QString rec(const QString& date, int shift, int worker, const QString& hours, const QString& ok = "'no'") {
    return QStringLiteral(
               "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "
               "time, ok) values ('%1', %2, %3, 230, 411, 2.5, 10, 0, 0, %4, %5);")
        .arg(date)
        .arg(shift)
        .arg(worker)
        .arg(hours, ok);
}

// A time-sheet row as text (the id left out): worker, shift, month, year, kind, night flag, the 31 days ('-' NULL).
QString rowLine() {
    QStringList days;
    for (int k = 1; k <= 31; ++k)
        days << QStringLiteral("coalesce(d%1::text, '-')").arg(k);
    return QStringLiteral("concat_ws(' ', w_id, coalesce(smena::text, '-'), month, year, i_type, i_night, ") +
           days.join(", ") + QLatin1Char(')');
}

// Every time-sheet row, as text, in a fixed order.
QString sheet(TestDb& db, const QString& where = "true") {
    return db.value(QStringLiteral("select string_agg(line, E'\\n' order by line) from (select ") + rowLine() +
                    QStringLiteral(" as line from accounts_dep.h_tabel where ") + where + QStringLiteral(") t"));
}

// What a rebuild of March 2024 must leave, stated on its own from the records and the rows before it, as sheet()
// shows it: every row but the month's piece-work rows as it was (other years' March too), and one piece-work
// row per worker and shift with records in the month (none for a record without worker or shift), day k the
// sum of that day's hours ('-' without records or hours).
QString sheetAfterRebuildingMarch2024(TestDb& db) {
    QStringList days;
    for (int k = 1; k <= 31; ++k)
        days << QStringLiteral("coalesce(sum(time) filter (where extract(day from data) = %1)::text, '-')").arg(k);
    return db.value(
        QStringLiteral("select string_agg(line, E'\\n' order by line) from (select ") + rowLine() +
        QStringLiteral(" as line from accounts_dep.h_tabel where not (month = 3 and year = 2024) or i_type in "
                       "(7777, 7778) union all select concat_ws(' ', w_id, smena, 3, 2024, 0, 0, ") +
        days.join(", ") +
        QStringLiteral(") from accounts_dep.smena where data >= '2024-03-01' and data < '2024-04-01' and w_id is not "
                       "null and smena is not null group by w_id, smena) t"));
}

QStringList column(Dataset& ds, const QString& field) {
    QStringList v;
    for (int r = 0; r < ds.recordCount(); ++r)
        v << ds.textAt(r, ds.columnIndex(field));
    return v;
}

void selectMonth(TForm19* f, int year, int month) {
    f->ComboBox2->setCurrentText(QString::number(year));
    f->ComboBox1->setCurrentIndex(month - 1);
    f->ComboBox1Change();
}

// The marking colours: weekends red, zero hours and the days past the month's end silver, overtime on money green.
const QColor kRed(255, 0, 0), kSilver(192, 192, 192), kMoneyGreen(192, 220, 192);

QColor windowText() {
    return QApplication::palette().color(QPalette::WindowText);
}
QColor windowBackground() {
    return QApplication::palette().color(QPalette::Base);
}

}  // namespace

class TestTimesheet : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        qputenv("TABEL_XLSX_OPENER", "true");
        QVERIFY(dir_.isValid());
    }

    // Weekend columns red, the days after the month's end blank and read-only with silver titles; the rebuild
    // runs over the days of the month.
    void columnMarking_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QList<int>>("red");
        QTest::newRow("February of a non-leap year") << 2023 << 2 << QList<int>{4, 5, 11, 12, 18, 19, 25, 26};
        QTest::newRow("a month starting on a Saturday") << 2023 << 4 << QList<int>{1, 2, 8, 9, 15, 16, 22, 23, 29, 30};
    }
    void columnMarking() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QList<int>, red);
        AppFixture f;
        f.db.exec(kWorkers);
        f.db.exec(rec(QStringLiteral("%1-%2-03").arg(year).arg(month), 1, 17, "8"));
        TForm19* w = app().form19;
        selectMonth(w, year, month);
        w->Button1Click();
        const int days = QDate(year, month, 1).daysInMonth();
        QCOMPARE(w->PB->maximum(), days);
        QCOMPARE(w->PB->value(), days);
        QVERIFY(w->PB->isHidden());
        QVERIFY(f.ui.errors.isEmpty());

        auto* model = w->DBGrid1->datasetModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 1);
        for (int k = 1; k <= 31; ++k) {
            const auto& mark = w->dayMarks()[size_t(k - 1)];
            const QVariant title = model->headerData(k, Qt::Horizontal, Qt::ForegroundRole);
            const QVariant cell = model->data(model->index(0, k), Qt::ForegroundRole);
            if (k > days) {
                QVERIFY(mark.readOnly);
                QCOMPARE(title.value<QColor>(), kSilver);
                QCOMPARE(cell.value<QColor>(), windowBackground());  // no text to be seen
            } else {
                QVERIFY(!mark.readOnly);
                const QColor expected = red.contains(k) ? kRed : windowText();
                QCOMPARE(mark.color, expected);
                QCOMPARE(title.value<QColor>(), expected);
            }
        }
    }

    // December's month range ends on 1 January of the next year.
    void december() {
        AppFixture f;
        f.db.exec(kWorkers);
        f.db.exec(rec("2023-12-31", 1, 17, "8"));
        f.db.exec("insert into accounts_dep.h_tabel(w_id, month, year, smena, d31) values (17, 12, 2023, 1, 8)");
        selectMonth(app().form19, 2023, 12);
        Dataset& ds = app().dm->H_Tabel_1;
        QCOMPARE(ds.param("date1").toDate(), QDate(2023, 12, 1));
        QCOMPARE(ds.param("date2").toDate(), QDate(2024, 1, 1));
        QCOMPARE(column(ds, "fio"), QStringList{"Алексеев А.А."});
        QCOMPARE(column(ds, "summ"), QStringList{"8"});
    }

    // 0 silver, 8 bold, above 8 bold on money green; a weekend column keeps its red; the total column.
    void cellColours() {
        AppFixture f;
        f.db.exec(kWorkers);
        f.db.exec(rec("2024-03-01", 1, 17, "8"));
        // March 2024: the 2nd and 3rd are Saturday and Sunday.
        f.db.exec(
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, d1, d2, d3, d4, d5, d6) "
            "values (17, 3, 2024, 1, 0, 8, 12, 8, 12, 5)");
        TForm19* w = app().form19;
        selectMonth(w, 2024, 3);
        auto* m = w->DBGrid1->datasetModel();
        auto fg = [&](int k) { return m->data(m->index(0, k), Qt::ForegroundRole).value<QColor>(); };
        auto bg = [&](int k) { return m->data(m->index(0, k), Qt::BackgroundRole); };
        auto bold = [&](int k) { return m->data(m->index(0, k), Qt::FontRole).value<QFont>().bold(); };
        struct Case {
            int day;
            QColor fg;
            bool bold, green;
        } cases[] = {
            {1, kSilver, false, false},       // 0 on a weekday
            {2, kRed, true, false},           // 8 on a Saturday
            {3, kRed, true, true},            // 12 on a Sunday
            {4, windowText(), true, false},   // 8
            {5, windowText(), true, true},    // 12
            {6, windowText(), false, false},  // 5
            {7, kSilver, false, false},       // NULL reads as 0
            {9, kRed, false, false},          // NULL on a Saturday
        };
        for (const Case& c : cases) {
            QCOMPARE(fg(c.day), c.fg);
            QCOMPARE(bold(c.day), c.bold);
            QCOMPARE(bg(c.day).isValid(), c.green);
            if (c.green)
                QCOMPARE(bg(c.day).value<QColor>(), kMoneyGreen);
        }
        QCOMPARE(m->data(m->index(0, 7), Qt::DisplayRole).toString(), QStringLiteral("0"));
        QCOMPARE(m->data(m->index(0, 32), Qt::BackgroundRole).value<QColor>(), QColor(225, 228, 255));
        QCOMPARE(m->data(m->index(0, 32), Qt::DisplayRole).toString(), QStringLiteral("45"));
    }

    // After a rebuild: a worker on the tabs of his shifts, shift 4 written but on no tab, unaccepted records
    // counted; printed and in Excel one line per worker with the shifts added.
    void rebuildPrintAndExcel() {
        AppFixture f;
        f.db.exec(kWorkers);
        f.db.exec(rec("2024-03-04", 1, 17, "5", "'no'") + rec("2024-03-04", 1, 17, "3", "'ok'") +
                  rec("2024-03-05", 2, 17, "6", "'да'") + rec("2024-03-05", 2, 18, "4", "null") +
                  rec("2024-03-06", 4, 19, "3"));
        TForm19* w = app().form19;
        selectMonth(w, 2024, 3);
        w->Button1Click();
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(column(app().dm->H_Tabel_1, "fio"), QStringList{"Алексеев А.А."});
        QCOMPARE(column(app().dm->H_Tabel_1, "d4"), QStringList{"8"});
        QCOMPARE(column(app().dm->H_Tabel_2, "fio"), (QStringList{"Алексеев А.А.", "Борисов Б.Б."}));
        QCOMPARE(column(app().dm->H_Tabel_3, "fio"), QStringList{});
        QCOMPARE(w->DBGrid2->model()->rowCount(), 2);
        QCOMPARE(f.db.count("select count(*) from accounts_dep.h_tabel where w_id=19 and smena=4 and d6=3"), 1);

        QStringList printed;
        QString title;
        f.ui.onModal([&](QDialog* d) {
            QCOMPARE(d->objectName(), QStringLiteral("ReportPreview"));
            const report::Layout l = app().form15->Prepare();
            printed = l.texts(0);
            title = printed.value(1);
        });
        w->Button6Click();
        QCOMPARE(f.ui.modalShown, QStringList{"ReportPreview"});
        // The sheet's heading names the month and what it adds up; the table's heading the month.
        QCOMPARE(printed.value(0), QStringLiteral("Табель по времени за Март 2024 г.: все смены и хоз. работы"));
        QCOMPARE(title, QStringLiteral("Март 2024 г."));
        const int header = 1 + 1 + 31 + 1;
        QCOMPARE(printed.mid(header), (QStringList{"Алексеев А.А.", "8", "6", "14", "Борисов Б.Б.", "4", "4",
                                                   "Волков В.В.", "3", "3", "1"}));
        QVERIFY(!app().form15->H_Tabel.isOpen());

        ExcelWriter& xl = formattingWriter();
        xl.setFolder(dir_.path());
        w->Button2Click();
        QCOMPARE(w->Button2->text(), QStringLiteral("Excel (3 из 3)"));
        const QJsonObject cells = readWorkbook(xl.fileName());
        QCOMPARE(cells["A1"].toString(), QStringLiteral("Март 2024"));
        QCOMPARE(cells["A2"].toString(), QStringLiteral("Фамилия И.О."));
        QCOMPARE(cells["AF2"].toInt(), 31);
        QCOMPARE(cells["AG2"].toString(), QStringLiteral("Итого"));
        QCOMPARE(cells["A3"].toString(), QStringLiteral("Алексеев А.А."));
        QCOMPARE(cells["B3"].toInt(), 0);  // a day without hours
        QCOMPARE(cells["E3"].toInt(), 8);
        QCOMPARE(cells["F3"].toInt(), 6);
        QCOMPARE(cells["AG3"].toInt(), 14);
        QCOMPARE(cells["A5"].toString(), QStringLiteral("Волков В.В."));
        QCOMPARE(cells["G5"].toInt(), 3);
        QVERIFY(!cells.contains("A6"));
        w->FormActivate();
        QCOMPARE(w->Button2->text(), QStringLiteral("Excel"));
    }

    // The window's rebuild counts the days in its progress window; "Отмена" (before the first day, between
    // days) leaves the sheet exactly as it was, stale rows and all, with no error; without it the rebuild ends.
    void rebuildCancelLeavesMonth_data() {
        QTest::addColumn<int>("cancelAt");
        QTest::newRow("not cancelled") << -1;
        QTest::newRow("cancelled before the first day") << 0;
        QTest::newRow("cancelled after day 5") << 5;
        QTest::newRow("cancelled after the last day") << 31;
    }
    void rebuildCancelLeavesMonth() {
        QFETCH(int, cancelAt);
        AppFixture f;
        f.db.exec(kWorkers);
        f.db.exec(rec("2024-03-04", 1, 17, "8") + rec("2024-03-20", 2, 18, "6"));
        f.db.exec(
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d3, d4, d10) values "
            "(17, 3, 2024, 1, 0, 0, null, 1, 5)");  // stale: what a rebuild replaces
        const QString before = sheet(f.db);
        TForm19* w = app().form19;
        selectMonth(w, 2024, 3);
        if (cancelAt >= 0)
            f.ui.cancelProgressAt(cancelAt);
        w->Button1Click();
        QCOMPARE(f.ui.progressShown, QStringList{QStringLiteral("Пересчет табеля")});
        QVERIFY(f.ui.errors.isEmpty());
        QVERIFY(w->PB->isHidden());
        if (cancelAt < 0) {
            QCOMPARE(f.ui.progressSeen.last(), 31);
            QCOMPARE(f.ui.progressMaximum, 31);
            QCOMPARE(timesheetMismatches(f.db), QStringList());
        } else {
            QCOMPARE(sheet(f.db), before);
        }
        QVERIFY(!app().dm->ADO_DB.inTransaction());
    }

    // What the rebuild leaves: a day whose records are gone is NULL, maintenance rows and other months as they
    // were, records without a worker skipped.
    void rebuildKeepsWhatItShould() {
        TestDb db;
        db.exec(kWorkers);
        db.exec(rec("2024-03-04", 1, 17, "8") + rec("2024-03-04", 1, 18, "null") +
                "insert into accounts_dep.smena(data, smena, w_id, time, ok) values ('2024-03-04', 1, null, 4, 'no');");
        db.exec(
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d3, d4, d10) values "
            "(17, 3, 2024, 1, 0, 0, null, 1, 5),"     // stale: day 10's records were deleted
            "(18, 3, 2024, 2, 0, 0, 7, null, null),"  // no records left in shift 2
            "(17, 3, 2024, null, 7777, 0, 4, null, null),"
            "(18, 3, 2024, null, 7778, 1, null, 2, null),"
            "(17, 2, 2024, 1, 0, 0, 9, null, null),"
            "(17, 3, 2023, 1, 0, 0, 6, null, null)");  // the same month of another year
        const QString kept = sheet(db, "i_type in (7777, 7778) or month<>3 or year<>2024");
        Db conn;
        db.connect(conn);
        QList<int> progress;
        timesheet::rebuildMonth(conn, 3, 2024, [&](int day) { progress << day; });
        QCOMPARE(progress.size(), 31);
        QCOMPARE(progress.last(), 31);
        QCOMPARE(sheet(db, "i_type in (7777, 7778) or month<>3 or year<>2024"), kept);
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel where year=2023"), 1);
        QStringList days(31, "-");
        const QString empty = days.join(' ');
        days[3] = "8";
        QCOMPARE(sheet(db, "i_type=0 and month=3 and year=2024"),
                 "17 1 3 2024 0 0 " + days.join(' ') + "\n18 1 3 2024 0 0 " + empty);
    }

    // Both rebuilds, the set-based and the per-row one, leave exactly what the reference states, on a generated
    // month beside the same month of other years.
    void rebuildEqualsReference() {
        TestDb db;
        db.exec(R"sql(
insert into accounts_dep.smena(data, smena, w_id, time, ok)
select date '2024-02-20' + (k * 7) % 45, 1 + (k * 13) % 4, 100 + (k * 31) % 37,
       case when n % 97 = 0 then null else 1 + (n * 11) % 12 end, case when n % 3 = 0 then 'ok' else 'no' end
from generate_series(1, 4000) n, lateral (select n % 2500 as k) key;
insert into accounts_dep.smena(data, smena, w_id, time, ok) values ('2024-03-02', null, 105, 4, 'no'),
  ('2023-03-05', 1, 101, 7, 'no');
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, d1, d2, d20)
select 100 + n, 3, y, 1 + n % 3, 0, n, null, 3 from generate_series(0, 50) n, unnest(array[2023, 2024, 2025]) y;
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, d5) values (101, 3, 2024, null, 7777, 6);
)sql");
        const QString expected = sheetAfterRebuildingMarch2024(db);
        Db conn;
        db.connect(conn);
        timesheet::rebuildMonthPerRow(conn, 3, 2024);
        QCOMPARE(sheet(db), expected);
        QVERIFY(db.count("select count(*) from accounts_dep.h_tabel where month=3 and year=2024 and smena=4") > 10);
        QVERIFY(db.count("select count(*) from accounts_dep.h_tabel where month=3 and d31 is not null") > 10);
        QVERIFY(db.count("select count(*) from accounts_dep.h_tabel where month=3 and i_type=0 and d20 is null") > 0);
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel where month=3 and year<>2024"), 102);
        db.exec("update accounts_dep.h_tabel set d1=99 where month=3 and year=2024 and i_type=0");  // redone below
        const quint64 before = conn.statementCount();
        timesheet::rebuildMonth(conn, 3, 2024);
        QVERIFY(conn.statementCount() - before <= 2 + 2 * 31 + 2);
        QCOMPARE(sheet(db), expected);
    }

    // A cell update from another workstation while a month rebuild is under way waits for the rebuild's table
    // lock, and then lands on the rebuilt row.
    void cellUpdateWaitsForTheRebuild_data() {
        QTest::addColumn<bool>("hadRow");
        QTest::newRow("the worker's row exists") << true;
        // A stale sheet: records but no row until the rebuild makes it. The waiting save must see that row,
        // not count none and add a second one.
        QTest::newRow("the rebuild makes the worker's row") << false;
    }

    void cellUpdateWaitsForTheRebuild() {
        QFETCH(bool, hadRow);
        TestDb db;
        db.exec(rec("2024-03-04", 1, 17, "8"));
        if (hadRow)
            db.exec("insert into accounts_dep.h_tabel(w_id, month, year, smena, d4) values (17, 3, 2024, 1, 8)");
        Db rebuilding;
        db.connect(rebuilding);
        TDataModule6 other;
        db.connect(other.ADO_DB);
        rebuilding.begin();
        timesheet::rebuildMonth(rebuilding, 3, 2024);  // done, not yet committed
        const int pid = backendPid(other.ADO_DB);
        std::atomic<bool> done{false};
        QString failure;
        std::thread save([&] {
            try {
                const shift_sql::Record r{17, 230, 411, "12.5", "10", "0", QDate(2024, 3, 5), 1, 0, "6"};
                if (!shift_records::save(other, r, std::nullopt, QDate(2024, 3, 6)).ok())
                    failure = QStringLiteral("not saved");
            } catch (const std::exception& e) {
                failure = QString::fromUtf8(e.what());
            }
            done = true;
        });
        const QString waitedFor = lockWaitOf(db, pid, done);
        rebuilding.commit();
        save.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QStringList days(31, "-");
        days[3] = "8";
        days[4] = "6";
        QCOMPARE(sheet(db), "17 1 3 2024 0 0 " + days.join(' '));
        QCOMPARE(waitedFor, QStringLiteral("relation"));
    }

    // A rebuild that fails midway (a day's hours beyond a cell's range) leaves the month as it was; the error
    // is shown and the grids show the month again.
    void rebuildFailureLeavesMonthUnchanged() {
        AppFixture f;
        f.db.exec(kWorkers);
        f.db.exec(rec("2024-03-04", 1, 17, "8") + rec("2024-03-15", 1, 17, "40000"));
        f.db.exec(
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, d4, d5) values (17, 3, 2024, 1, 7, 2),"
            "(18, 3, 2024, 2, 1, null)");
        const QString before = sheet(f.db);
        TForm19* w = app().form19;
        selectMonth(w, 2024, 3);
        emit w->Button1->clicked();
        QCOMPARE(f.ui.errors, QStringList{"Изменение не выполнено: число вне допустимого диапазона."});
        QCOMPARE(f.ui.errorDetails, QStringList{"ERROR:  smallint out of range"});
        QCOMPARE(sheet(f.db), before);
        QVERIFY(w->PB->isHidden());
        QVERIFY(app().dm->H_Tabel_1.isOpen());
        QCOMPARE(column(app().dm->H_Tabel_1, "d5"), QStringList{"2"});
    }

    // The year list reaches the next year; a year missing from it is added; the window always opens, and the
    // shift queries are closed after it.
    void openingAnyYear() {
        AppFixture f;
        TForm19* w = app().form19;
        const QStringList years = rules::yearList(2026);
        QCOMPARE(years.first(), QStringLiteral("2007"));
        QCOMPARE(years.last(), QStringLiteral("2027"));
        QVERIFY(w->ComboBox2->findText(QString::number(QDate::currentDate().year() + 1)) >= 0);
        w->Button2->setText("Excel (3 из 3)");
        for (const QDate& d : {QDate(2031, 5, 3), QDate(2005, 1, 20), QDate::currentDate()}) {
            bool checked = false;
            f.ui.onModal([&](QDialog* dlg) {
                QCOMPARE(dlg, static_cast<QDialog*>(w));
                QCOMPARE(w->ComboBox2->currentText(), QString::number(d.year()));
                QCOMPARE(w->ComboBox1->currentIndex(), d.month() - 1);
                QCOMPARE(app().dm->H_Tabel_1.param("yea").toInt(), d.year());
                QVERIFY(app().dm->H_Tabel_3.isOpen());
                QCOMPARE(w->Button2->text(), QStringLiteral("Excel"));
                checked = true;
                QTest::keyClick(w, Qt::Key_Escape);
            });
            w->openFor(d);
            QVERIFY(checked);
            QVERIFY(!w->isVisible());
            QVERIFY(!app().dm->H_Tabel_1.isOpen());
        }
        QCOMPARE(w->ComboBox2->itemText(0), QStringLiteral("2005"));
        QCOMPARE(w->ComboBox2->itemText(w->ComboBox2->count() - 1), QStringLiteral("2031"));
        QVERIFY(f.ui.errors.isEmpty());
    }
};

QTEST_MAIN(TestTimesheet)
#include "test_timesheet.moc"
