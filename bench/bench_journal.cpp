// Journal reload: the four shift queries of the busiest day opened through the program's datasets with every
// value read through Field, against libpq alone running the same texts and reading every cell.

#include <QCoreApplication>

#include "base/datamodule.h"
#include "bench/benchsupport.h"

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
                sink += bench::readAllFields(*ds);
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
