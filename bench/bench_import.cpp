// Import: the legacy database's 375,000 shift records (bench/legacy.sql; the other six tables empty) through the
// legacy import, from the ODBC source "Tabel" into "Tabel_PgSQL", against the straightforward way: each record
// read from the same source and sent through the same target source as one insert in autocommit mode. That way
// takes far too long for the whole table, so it runs on the first SAMPLE records and its time is extrapolated
// to all of them.
//   ODBCSYSINI=DIR ODBCINI=DIR/odbc.ini bench_import DATABASE SERVER [BATCH]
// (DATABASE: the target, an empty plant database the import may overwrite; DIR from scripts/odbc-legacy.)

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "bench/benchsupport.h"
#include "core/sqltext.h"
#include "migrate/legacy_import.h"

namespace {

constexpr int kSample = 20000;

// A value as the import writes it into its column: numbers as numbers (empty ones 0), texts quoted, dates through
// their text form (empty ones NULL).
QString literal(const QVariant& v, legacy::Carry carry) {
    switch (carry) {
        case legacy::Carry::Int:
        case legacy::Carry::Key:
            return v.isNull() ? QStringLiteral("0") : QString::number(v.toLongLong());
        case legacy::Carry::IntOrEmpty:
            return v.isNull() || v.toString().trimmed().isEmpty() ? QStringLiteral("NULL")
                                                                  : QString::number(v.toLongLong());
        case legacy::Carry::Float:
            return v.isNull() ? QStringLiteral("0") : QString::number(v.toDouble(), 'g', 17);
        case legacy::Carry::Text:
            return v.isNull() ? QStringLiteral("NULL") : sql::quote(v.toString());
        case legacy::Carry::Mark:
            return sql::quote(v.isNull() ? QString() : v.toString());
        case legacy::Carry::Date:
        case legacy::Carry::Stamp:
            if (v.isNull() || v.toString().trimmed().isEmpty())
                return QStringLiteral("NULL");
            if (v.typeId() == QMetaType::QDateTime)
                return sql::quote(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
            return sql::quote(v.toString().trimmed());
    }
    return QStringLiteral("NULL");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    const QString target =
        legacy::targetConnectionText() + QStringLiteral(";Database=") + QString::fromLocal8Bit(argv[1]);
    Db db;
    db.open(settings);

    // The import, twice; the time of each whole run.
    // The import fills the products table of the earlier schema, not the products view of an upgraded one.
    db.exec(
        QStringLiteral("drop view if exists accounts_dep.izdel; create table if not exists accounts_dep.izdel "
                       "(id serial primary key, marka char(128), nom varchar(255), massa double precision)"));
    // A third argument tries another batch size (rows per insert) than the import's own.
    const int batch = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 0;
    std::vector<double> imports;
    qlonglong copied = 0;
    int used = batch;
    for (int i = 0; i < 2; ++i) {
        legacy::Import import([](const QString&) {}, [](const QString&) { return true; });
        if (batch > 0)
            import.setBatchSize(batch);
        import.setConnectionTexts(legacy::sourceConnectionText(), target);
        used = import.batchSize();
        imports.push_back(bench::millisecondsOf([&] { import.run(); }));
        copied = import.rowsCopied();
    }
    const qlonglong records =
        db.query(QStringLiteral("select count(*) from accounts_dep.smena"))->text(0, 0).toLongLong();
    if (records != copied || records == 0) {
        std::printf("import: FAILED — %lld rows copied, %lld shift records arrived\n", copied, records);
        return 0;
    }

    // What any import pays at least: reading every record through the source (the query, then every value).
    double readAll = 0, selectTime = 0;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("reader"));
        source.setDatabaseName(legacy::sourceConnectionText());
        if (source.open()) {
            readAll = bench::millisecondsOf([&] {
                QSqlQuery rows(source);
                rows.setForwardOnly(true);
                rows.exec(QStringLiteral("select * from smena order by id ASC"));
                const int n = rows.record().count();
                size_t sink = 0;
                while (rows.next())
                    for (int c = 0; c < n; ++c)
                        sink += rows.value(c).isNull() ? 0 : 1;
                if (sink == 42)
                    std::puts("");
            });
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));

    // The straightforward way on the first kSample records, into the emptied table. The source's query (the
    // SQLite driver reads the whole result when it runs it) is timed apart and counted once, not extrapolated.
    db.exec(QStringLiteral("truncate accounts_dep.smena"));
    const legacy::TablePair* pair = nullptr;
    for (const legacy::TablePair& p : legacy::tablePairs())
        if (p.target == QLatin1String("accounts_dep.smena"))
            pair = &p;
    double perRow = 0;
    int sampled = 0;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("source"));
        source.setDatabaseName(legacy::sourceConnectionText());
        QSqlDatabase dest = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("target"));
        dest.setDatabaseName(target);
        if (!source.open() || !dest.open()) {
            std::printf("import: FAILED — %s%s\n", source.lastError().text().toUtf8().constData(),
                        dest.lastError().text().toUtf8().constData());
            return 0;
        }
        perRow = bench::millisecondsOf([&] {
            QSqlQuery cmd(dest);
            cmd.exec(QStringLiteral("SET DateStyle = 'ISO, DMY'"));
            QSqlQuery rows(source);
            rows.setForwardOnly(true);
            selectTime = bench::millisecondsOf([&] {
                rows.exec(QStringLiteral("select * from ") + pair->source + QStringLiteral(" order by id ASC"));
            });
            const QSqlRecord rec = rows.record();
            QList<int> index;
            for (const legacy::Column& c : pair->columns)
                index << rec.indexOf(c.name);
            while (sampled < kSample && rows.next()) {
                QStringList values;
                for (int c = 0; c < index.size(); ++c)
                    values << literal(rows.value(index[c]), pair->columns[c].carry);
                if (!cmd.exec(legacy::insertStatement(*pair, {values})))
                    throw std::runtime_error(cmd.lastError().text().toStdString());
                ++sampled;
            }
        });
    }
    QSqlDatabase::removeDatabase(QStringLiteral("source"));
    QSqlDatabase::removeDatabase(QStringLiteral("target"));
    const qlonglong arrived =
        db.query(QStringLiteral("select count(*) from accounts_dep.smena"))->text(0, 0).toLongLong();
    if (arrived != sampled) {
        std::printf("import: FAILED — %d records sent one by one, %lld arrived\n", sampled, arrived);
        return 0;
    }

    const double program = bench::median(imports);
    const double baseline = selectTime + (perRow - selectTime) / sampled * records;
    const double ratio = program / readAll;
    std::printf("import: %.2f× (target ≤ 1.3× reading the source alone; %s) — %s\n", ratio,
                ratio <= 1.3 ? "met" : "MISSED",
                QStringLiteral("%1 shift records from SQLite through ODBC into PostgreSQL: import %2 (median of 2; "
                               "the six other tables empty; batches of %8 rows), reading the records alone %7; "
                               "for information: one autocommitted insert per record %3 for the first %4 (of "
                               "which %6 the source's query), i.e. %5 for all (extrapolated), %9× the import")
                    .arg(records)
                    .arg(bench::ms(program))
                    .arg(bench::ms(perRow))
                    .arg(sampled)
                    .arg(bench::ms(baseline))
                    .arg(bench::ms(selectTime))
                    .arg(bench::ms(readAll))
                    .arg(used)
                    .arg(baseline / program, 0, 'f', 1)
                    .toUtf8()
                    .constData());
    return 0;
}
