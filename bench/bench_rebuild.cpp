// Month rebuild: the piece-work time sheet of the plant's busiest month rebuilt by rebuildMonth() (set-based),
// against rebuildMonthPerRow() (a lookup and an update or insert per worker, shift and day) on the same data.
// Each run happens inside a transaction that is rolled back, so every run starts from the same database; the
// rows each way leaves are compared equal. The table is vacuumed before each run (a rolled back run leaves its
// rows behind as dead rows). Prints two lines: the time ratio and the statements sent per day.

#include <QCoreApplication>
#include <QDate>

#include "bench/benchsupport.h"
#include "core/db.h"
#include "timesheet/month_rebuild.h"

namespace {

// The month's piece-work rows as the rebuild leaves them (all columns but the generated id), as one text.
QString monthRows(Db& db, int month, int year) {
    QString cols = QStringLiteral("w_id, month, year, smena, i_type, i_night");
    for (int d = 1; d <= 31; ++d)
        cols += QStringLiteral(", d%1").arg(d);
    auto r = db.query(QStringLiteral("select ") + cols + QStringLiteral(" from accounts_dep.h_tabel where month=") +
                      QString::number(month) + QStringLiteral(" and year=") + QString::number(year) +
                      QStringLiteral(" and ") + timesheet::pieceRowsCondition() + QStringLiteral(" order by ") + cols);
    QString out;
    for (int row = 0; row < r->rowCount(); ++row) {
        for (int c = 0; c < r->columnCount(); ++c)
            out += (r->isNull(row, c) ? QStringLiteral("∅") : r->text(row, c)) + QLatin1Char('|');
        out += QLatin1Char('\n');
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    Db db;
    db.open(settings);

    // The busiest month: the most shift records.
    auto busiest = db.query(QStringLiteral(
        "select extract(month from data)::int, extract(year from data)::int, count(*) from accounts_dep.smena "
        "group by 1, 2 order by 3 desc, 2, 1 limit 1"));
    const int month = busiest->text(0, 0).toInt(), year = busiest->text(0, 1).toInt();
    const qlonglong records = busiest->text(0, 2).toLongLong();
    const int days = QDate(year, month, 1).daysInMonth();

    QString setRows, perRowRows;
    quint64 setStatements = 0, perRowStatements = 0;
    // One run of either way, rolled back afterwards; the statements sent and the rows left are kept. The
    // statements counted are those of a rebuild on its own: the enclosing BEGIN stands for the rebuild's own,
    // and one is added for its COMMIT (here a rollback).
    auto run = [&](void (*rebuild)(Db&, int, int, const timesheet::DayProgress&), QString& rows, quint64& statements) {
        db.begin();
        const quint64 before = db.statementCount() - 1;
        rebuild(db, month, year, {});
        statements = db.statementCount() - before + 1;
        rows = monthRows(db, month, year);
        db.rollback();
    };
    auto timed = [&](void (*rebuild)(Db&, int, int, const timesheet::DayProgress&), QString& rows,
                     quint64& statements) {
        // Every run starts on a table without the dead rows the rolled back runs before it left. The rows are
        // read after the clock stops.
        db.exec(QStringLiteral("vacuum analyze accounts_dep.h_tabel"));
        db.begin();
        const quint64 before = db.statementCount() - 1;
        const double ms = bench::millisecondsOf([&] { rebuild(db, month, year, {}); });
        statements = db.statementCount() - before + 1;
        rows = monthRows(db, month, year);
        db.rollback();
        return ms;
    };

    db.exec(QStringLiteral("vacuum analyze accounts_dep.h_tabel"));
    run(timesheet::rebuildMonth, setRows, setStatements);  // untimed: warms the caches
    std::vector<double> setTimes, perRowTimes;
    for (int i = 0; i < 5; ++i)
        setTimes.push_back(timed(timesheet::rebuildMonth, setRows, setStatements));
    // The per-row way takes seconds: three timed runs.
    for (int i = 0; i < 3; ++i)
        perRowTimes.push_back(timed(timesheet::rebuildMonthPerRow, perRowRows, perRowStatements));
    for (int i = 0; i < 2; ++i)
        setTimes.push_back(timed(timesheet::rebuildMonth, setRows, setStatements));

    const bool same = setRows == perRowRows && !setRows.isEmpty();
    const double program = bench::median(setTimes), baseline = bench::median(perRowTimes);
    const double faster = baseline / program;
    const QString period = QStringLiteral("%1.%2").arg(month, 2, 10, QLatin1Char('0')).arg(year);
    const qsizetype rowCount = setRows.count(QLatin1Char('\n'));
    std::printf(
        "month rebuild: %.1f× faster (target ≥ 50× faster; %s) — %s, %lld shift records, %lld time-sheet "
        "rows%s: rebuild %s (median of 7), per-row procedure %s (median of 3)\n",
        faster, faster >= 50 && same ? "met" : "MISSED", period.toUtf8().constData(), records,
        static_cast<long long>(rowCount), same ? " compared equal" : " DIFFERENT from the per-row procedure's",
        bench::ms(program).toUtf8().constData(), bench::ms(baseline).toUtf8().constData());
    const double perDay = double(setStatements) / days;
    std::printf(
        "rebuild round trips: %.2f per day (target ≤ 4 per day; %s) — %llu statements for %d days, "
        "the per-row procedure %llu (%.0f per day)\n",
        perDay, perDay <= 4 ? "met" : "MISSED", static_cast<unsigned long long>(setStatements), days,
        static_cast<unsigned long long>(perRowStatements), double(perRowStatements) / days);
    std::fflush(stdout);
    return 0;  // a difference is in the line above
}
