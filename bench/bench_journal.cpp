// Journal reload: the four shift queries of the busiest day opened through the program's datasets with every
// value read through Field, against libpq alone running the same texts and reading every cell.

#include <QCoreApplication>

#include "app/datamodule.h"
#include "bench/benchsupport.h"

namespace {

// Reads every field of every row as the windows do: by name, with the accessor for the column's type
// (a date-time as text, as the grids show it).
size_t readAll(Dataset& ds) {
    size_t sink = 0;
    const QStringList names = ds.fieldNames();
    std::vector<QueryResult::Type> types;
    for (int c = 0; c < names.size(); ++c)
        types.push_back(ds.columnType(c));
    for (ds.first(); !ds.eof(); ds.next()) {
        for (int c = 0; c < names.size(); ++c) {
            const Field f = ds.field(names[c]);
            switch (types[c]) {
                case QueryResult::Type::Int:
                    sink += size_t(f.asInt());
                    break;
                case QueryResult::Type::Float:
                case QueryResult::Type::Numeric:
                    sink += size_t(f.asDouble());
                    break;
                case QueryResult::Type::Date:
                    sink += size_t(f.asDate().day());
                    break;
                default:
                    sink += size_t(f.asString().size());
                    break;
            }
        }
    }
    return sink;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    TDataModule6 dm;
    dm.ADO_DB.open(settings);
    bench::RawConnection raw(settings);

    auto busiest = dm.ADO_DB.query(QStringLiteral(
        "select data, count(*) from accounts_dep.smena group by data order by count(*) desc, data limit 1"));
    const QDate day = busiest->value(0, 0).toDate();

    Dataset* shifts[] = {&dm.Smena1, &dm.Smena2, &dm.Smena3, &dm.Smena4};
    QList<QByteArray> texts;
    for (Dataset* ds : shifts) {
        ds->setParam(QStringLiteral("ok"), QStringLiteral("ta"));  // as after a login
        ds->setParam(QStringLiteral("data"), day);
        texts << ds->boundSql().toUtf8();
    }

    int records = 0;
    size_t sink = 0;
    const bench::Pair t = bench::timePair(
        9, [] {},
        [&] {
            // The main window's date change: close the four, set the date, open each in turn.
            for (Dataset* ds : shifts)
                ds->close();
            records = 0;
            for (Dataset* ds : shifts) {
                ds->setParam(QStringLiteral("data"), day);
                ds->open();
                records += ds->recordCount();
                sink += readAll(*ds);
            }
        },
        [&] {
            for (const QByteArray& text : texts)
                raw.queryAll(text, sink);
        });
    bench::report("journal reload", t.ratio(), "≤ 1.5×", t.ratio() <= 1.5,
                  QStringLiteral("%1 records of %2: datasets %3, libpq %4 (median of 9)")
                      .arg(records)
                      .arg(day.toString(QStringLiteral("dd.MM.yyyy")), bench::ms(t.program), bench::ms(t.baseline)));
    return sink == 42 ? 1 : 0;
}
