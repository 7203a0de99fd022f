// Time sheets: the sheets of a month opened through the program's datasets with every value read through
// Field, against libpq alone running the same texts and reading every cell.

#include <QCoreApplication>

#include "base/datamodule.h"
#include "bench/benchsupport.h"
#include "timesheet/piecework_timesheet.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    TDataModule6 dm;
    dm.ADO_DB.open(settings);
    bench::RawConnection raw(settings);

    // The last whole month of the plant: the month before the latest record's.
    auto latest = dm.ADO_DB.query(QStringLiteral("select max(data) from accounts_dep.smena"));
    const QDate last = latest->value(0, 0).toDate();
    const QDate first = QDate(last.year(), last.month(), 1).addMonths(-1);
    const QDate next = first.addMonths(1);

    // The sheets of the time sheet by shifts, parameterised as that window does.
    std::vector<Dataset*> sheets = {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3};
    for (Dataset* ds : sheets) {
        ds->setParam(QStringLiteral("mnth"), first.month());
        ds->setParam(QStringLiteral("yea"), first.year());
        ds->setParam(QStringLiteral("date1"), first);
        ds->setParam(QStringLiteral("date2"), next);
    }
    // The piece-work sheets (H_Tabel0, H_Tabel7777, H_Tabel7778 of the piece-work time sheet window) with their
    // texts and parameters as its month load sets them.
    Dataset H_Tabel0(dm.ADO_DB, QStringLiteral("H_Tabel0")), H_Tabel7777(dm.ADO_DB, QStringLiteral("H_Tabel7777")),
        H_Tabel7778(dm.ADO_DB, QStringLiteral("H_Tabel7778"));
    const std::pair<Dataset*, int> piecework[] = {{&H_Tabel0, piecework::kPieceWork},
                                                  {&H_Tabel7777, piecework::kMaintenance},
                                                  {&H_Tabel7778, piecework::kAverageRate}};
    for (const auto& [ds, kind] : piecework) {
        ds->setSql(piecework::sheetSql(kind));
        ds->setParam(QStringLiteral("i_month"), first.month());
        ds->setParam(QStringLiteral("i_year"), first.year());
        for (const char* p : {"d_date2", "d_date4", "d_date6"})
            ds->setParam(QLatin1String(p), first);
        for (const char* p : {"d_date1", "d_date3", "d_date5"})
            ds->setParam(QLatin1String(p), next);
        sheets.push_back(ds);
    }

    QList<QByteArray> texts;
    for (Dataset* ds : sheets)
        texts << ds->boundSql().toUtf8();

    // Rows of each sheet, for the result line.
    std::vector<int> rows(sheets.size());
    size_t sink = 0;
    const bench::Pair t = bench::timePair(
        9, [] {},
        [&] {
            for (size_t i = 0; i < sheets.size(); ++i) {
                Dataset* ds = sheets[i];
                ds->close();
                ds->open();
                rows[i] = ds->recordCount();
                sink += bench::readAllFields(*ds);
            }
        },
        [&] {
            for (const QByteArray& text : texts)
                raw.queryAll(text, sink);
        });
    bench::report("time sheets", t.ratio(), "≤ 1.5×", t.ratio() <= 1.5,
                  QStringLiteral("H_Tabel_1..3 and H_Tabel0, H_Tabel7777, H_Tabel7778 of %1: %2+%3+%4 and %5+%6+%7 "
                                 "rows, datasets %8, libpq %9 (median of 9)")
                      .arg(first.toString(QStringLiteral("MM.yyyy")))
                      .arg(rows[0])
                      .arg(rows[1])
                      .arg(rows[2])
                      .arg(rows[3])
                      .arg(rows[4])
                      .arg(rows[5])
                      .arg(bench::ms(t.program), bench::ms(t.baseline)));
    return sink == 42 ? 1 : 0;
}
