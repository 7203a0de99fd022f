// The legacy import (a SQLite stand-in for the Access file behind "Tabel", the test database behind
// "Tabel_PgSQL", both through unixODBC) and the schema upgrade.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "core/job.h"
#include "migrate/legacy_import.h"
#include "migrate/schema_upgrade.h"
#include "support/testdb.h"

namespace {

QString sourceDir() {
    return qEnvironmentVariable("TABEL_SOURCE_DIR");
}

void runTool(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    QVERIFY2(p.waitForStarted(), qPrintable(program));
    p.write(input);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
             qPrintable(program + QStringLiteral(": ") + QString::fromUtf8(p.readAllStandardError())));
}

// The izdel of the earlier schema: a table of its own, before the upgrade made it a view over the ERP goods.
void toEarlierSchema(TestDb& db) {
    db.exec(QStringLiteral(
        "drop view accounts_dep.izdel; "
        "create table accounts_dep.izdel (id serial primary key, marka char(128), nom varchar(255), massa double "
        "precision)"));
}

// Every target table as text, rows in id order; nomenkl without its ids, which the database generates.
QString dumpTargets(TestDb& db) {
    QString out;
    for (const char* t : {"h_tabel", "izdel", "oper", "vid_oper", "workers", "smena"})
        out += db.value(QStringLiteral("select '%1: ' || count(*) || ' ' || coalesce(string_agg(t::text, '|' order by "
                                       "id), '') from accounts_dep.%1 t")
                            .arg(QLatin1String(t))) +
               QLatin1Char('\n');
    out +=
        db.value(QStringLiteral("select 'nomenkl: ' || count(*) || ' ' || coalesce(string_agg(marka || '/' || nom, "
                                "'|' order by marka, nom), '') from accounts_dep.nomenkl"));
    return out;
}

}  // namespace

class TestMigrate : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString legacyFile_;
    QStringList progress_, questions_;

    // A legacy database of `rows` generated rows per table (0: empty tables) with extra rows from `sql`, in
    // the file behind "Tabel". unixODBC caches what it read from its configuration for a while, so the
    // configuration stays the same for every test and the import is pointed at each test's database through
    // its connection text.
    void prepare(int rows, const QString& sql = {}) {
        runTool(QStringLiteral("bash"),
                {sourceDir() + QStringLiteral("/scripts/legacy-sqlite"), legacyFile_, QString::number(rows)});
        if (!sql.isEmpty())
            runTool(QStringLiteral("sqlite3"), {legacyFile_}, sql.toUtf8());
    }

    static QString targetFor(const TestDb& db) {
        return legacy::targetConnectionText() + QStringLiteral(";Database=") + db.name();
    }

    legacy::Import makeImport(const TestDb& db, int batch = 250) {
        progress_.clear();
        questions_.clear();
        legacy::Import imp([this](const QString& t) { progress_ << t; },
                           [this](const QString& t) {
                               questions_ << t;
                               return true;
                           });
        imp.setBatchSize(batch);
        imp.setConnectionTexts(legacy::sourceConnectionText(), targetFor(db));
        return imp;
    }

private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        QVERIFY(!sourceDir().isEmpty());
        // The data source's own database does not exist: an import not pointed at a test database fails.
        legacyFile_ = tmp_.filePath(QStringLiteral("legacy.sqlite"));
        runTool(QStringLiteral("bash"), {sourceDir() + QStringLiteral("/scripts/odbc-legacy"), tmp_.path(),
                                         TestDb::server(), QStringLiteral("no_such_database"), legacyFile_});
        qputenv("ODBCSYSINI", tmp_.path().toUtf8());
        qputenv("ODBCINI", tmp_.filePath(QStringLiteral("odbc.ini")).toUtf8());
    }

    // Each value as the legacy table holds it, and what arrives: empty numbers 0, the shift record's date, hours
    // and entry date through their text form (empty stays empty), texts as they stand.
    void valuesArriveAsCarried() {
        TestDb db;
        toEarlierSchema(db);
        prepare(0, QStringLiteral(R"sql(
insert into H_TABEL (id, w_id, month, year, smena, d1, d2, d3, d31) values (5, 101, 3, 2024, 2, 8, NULL, '', 11);
insert into H_TABEL (id, w_id, month, year, smena) values (3, 102, 3, 2024, 1);
insert into IZDEL values (7, 'А-12', 'Ведра ''большие''', 2.125);
insert into NOMENKL (nom, marka) values ('Ведра', 'А-12'), (NULL, 'Б-1');
insert into OPER values (9, 4, 0, 0.1, 7), (10, 4, 1, NULL, 7);
insert into VID_OPER values (4, 'Сборка');
insert into WORKERS values (101, 'Иванов И.И.', 'ул. Ленина, 1');
insert into smena values (1, 101, 7, 9, 100, 2, 1, 12.5, 0, 'да', '2024-03-05 00:00:00', 8, '2024-03-06 09:15:00'),
                         (2, 101, 7, 9, NULL, NULL, 3, NULL, NULL, NULL, NULL, NULL, NULL);
)sql"));
        makeImport(db, 1).run();

        QCOMPARE(db.value("select concat_ws(',', w_id, month, year, smena, d1, d2, d3, d4, d31, i_type) "
                          "from accounts_dep.h_tabel where id = 5"),
                 QStringLiteral("101,3,2024,2,8,0,0,0,11,0"));
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel where id = 3 and d1 = 0 and d31 = 0"), 1);
        QCOMPARE(db.value("select concat_ws(',', id, trim(marka), nom, massa) from accounts_dep.izdel"),
                 QStringLiteral("7,А-12,Ведра 'большие',2.125"));
        QCOMPARE(db.value("select string_agg(coalesce(nom, '-') || '/' || trim(marka), ',' order by id) "
                          "from accounts_dep.nomenkl"),
                 QStringLiteral("Ведра/А-12,-/Б-1"));
        QCOMPARE(db.value("select string_agg(concat_ws(',', id, vid, naimen, cena, i_id), ';' order by id) "
                          "from accounts_dep.oper"),
                 QStringLiteral("9,4,0,0.1,7;10,4,1,0,7"));
        QCOMPARE(db.value("select trim(vid) from accounts_dep.vid_oper"), QStringLiteral("Сборка"));
        QCOMPARE(db.value("select trim(fio) || '|' || trim(addr) from accounts_dep.workers where id = 101"),
                 QStringLiteral("Иванов И.И.|ул. Ленина, 1"));
        QCOMPARE(db.value("select concat_ws(',', w_id, i_id, o_id, kol_vo, brak, smena, cena, color, ok, data, time, "
                          "vvod) from accounts_dep.smena where id = 1"),
                 QStringLiteral("101,7,9,100,2,1,12.5,0,да,2024-03-05,8,2024-03-06 09:15:00"));
        QCOMPARE(db.value("select concat_ws(',', kol_vo, brak, cena, color, data is null, time is null, vvod is null, "
                          "ok = '') from accounts_dep.smena where id = 2"),
                 QStringLiteral("0,0,0,0,t,t,t,t"));
        // An empty acceptance mark arrives as '', so the journal's join ("ok<>'ok'") still lists the record.
        QCOMPARE(db.count("select count(*) from accounts_dep.smena where ok<>'ok'"), 2);

        // The progress text names the legacy table, the rows done and the rows in all.
        QVERIFY(progress_.contains(QStringLiteral("H_TABEL: 1 из 2 записей")));
        QVERIFY(progress_.contains(QStringLiteral("smena: 2 из 2 записей")));
        QCOMPARE(questions_, QStringList{legacy::confirmationText()});
    }

    // Legacy numbers with a fraction or a decimal comma, as a legacy file holds them in columns it types Double
    // or Text: whole-number columns get them rounded half away from zero, an empty hours value stays empty, and a
    // price keeps its fraction.
    void fractionsAndDecimalCommas() {
        TestDb db;
        toEarlierSchema(db);
        struct Case {
            const char* number;  // the value as a number (and the price it gives)
            const char* text;    // the same value as text
            const char* whole;   // what a whole-number column gets
        };
        const Case cases[] = {{"7.5", "7,5", "8"},    {"7.49", "7,49", "7"}, {"0.5", "0.5", "1"},
                              {"-0.5", "-0,5", "-1"}, {"2.5", "2,5", "3"},   {"8", " 8 ", "8"}};
        QString days, rows, expectedDays, expectedShift;
        for (int d = 3; d <= 31; ++d)
            days += QStringLiteral(", d%1 INTEGER").arg(d);
        int id = 0;
        for (const Case& c : cases) {
            ++id;
            rows += QStringLiteral(
                        "insert into H_TABEL (id, w_id, month, year, smena, d1, d2) values (%1, 101, 3, "
                        "2024, 1, %2, '%3');"
                        "insert into smena (id, w_id, kol_vo, brak, time, cena, ok) values (%1, 101, %2, "
                        "'%3', '%3', '%3', 'no');")
                        .arg(id)
                        .arg(QLatin1String(c.number), QLatin1String(c.text));
            expectedDays += QStringLiteral("%1 %1,").arg(QLatin1String(c.whole));
            expectedShift += QStringLiteral("%1 %1 %1 %2,").arg(QLatin1String(c.whole), QLatin1String(c.number));
        }
        prepare(0, QStringLiteral("drop table H_TABEL; create table H_TABEL (id INTEGER, w_id INTEGER, month INTEGER, "
                                  "year INTEGER, smena INTEGER, d1 DOUBLE, d2 VARCHAR(10)") +
                       days +
                       QStringLiteral(
                           "); drop table smena; create table smena (id INTEGER, w_id INTEGER, i_id INTEGER, o_id "
                           "INTEGER, kol_vo DOUBLE, brak VARCHAR(10), smena INTEGER, cena VARCHAR(10), color "
                           "INTEGER, ok VARCHAR(2), data DATETIME, time VARCHAR(10), vvod DATETIME);") +
                       rows +
                       QStringLiteral("insert into smena (id, w_id, brak, time, cena, ok) values (99, 101, '', '', '', "
                                      "'no');"));
        try {
            makeImport(db).run();
        } catch (const DbError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QCOMPARE(db.value("select string_agg(d1 || ' ' || d2, ',' order by id) || ',' from accounts_dep.h_tabel"),
                 expectedDays);
        QCOMPARE(db.value("select string_agg(concat_ws(' ', kol_vo, brak, coalesce(time::text, '-'), cena), ',' "
                          "order by id) from accounts_dep.smena"),
                 expectedShift + QStringLiteral("0 0 - 0"));
    }

    // A value the import cannot carry stops it at its table, which stays as it was, naming table, id, column and
    // value: a key with a fraction (rounding would name another worker or operation), a text that is no number.
    void valuesRefused_data() {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("message");
        QTest::newRow("worker with a fraction")
            << "(7, 101.5, '9', '1')"
            << "В таблице smena (id 7) в столбце w_id дробное число вместо целого: «101.5»";
        QTest::newRow("operation as text with a decimal comma")
            << "(7, 101, '9,5', '1')"
            << "В таблице smena (id 7) в столбце o_id дробное число вместо целого: «9,5»";
        QTest::newRow("whole-number key as text with a decimal comma passes") << "(7, 101, '9,0', '1')"
                                                                              << "";
        QTest::newRow("defects as text that is no number") << "(7, 101, '9', 'два')"
                                                           << "В таблице smena (id 7) в столбце brak не число: «два»";
    }

    void valuesRefused() {
        QFETCH(QString, row);
        QFETCH(QString, message);
        TestDb db;
        toEarlierSchema(db);
        db.exec("insert into accounts_dep.smena (id, w_id, ok) values (1, 17, 'no')");
        prepare(0, QStringLiteral("drop table smena; create table smena (id INTEGER, w_id DOUBLE, i_id INTEGER, o_id "
                                  "VARCHAR(10), kol_vo INTEGER, brak VARCHAR(10), smena INTEGER, cena DOUBLE, color "
                                  "INTEGER, ok VARCHAR(2), data DATETIME, time INTEGER, vvod DATETIME);"
                                  "insert into smena (id, w_id, o_id, brak) values ") +
                       row + QStringLiteral(";"));
        QString error;
        try {
            makeImport(db).run();
        } catch (const DbError& e) {
            error = e.message();
        }
        if (message.isEmpty()) {
            QCOMPARE(error, QString());
            QCOMPARE(db.value("select concat_ws(' ', id, w_id, o_id, brak) from accounts_dep.smena"),
                     QStringLiteral("7 101 9 1"));
            return;
        }
        QCOMPARE(error, QStringLiteral("Импорт остановлен на таблице smena (accounts_dep.smena оставлена без "
                                       "изменений):\n") +
                            message);
        QCOMPARE(db.value("select string_agg(id || ' ' || w_id, ',') from accounts_dep.smena"), QStringLiteral("1 17"));
    }

    // "Отмена" in the import's progress window, five batches into IZDEL: H_TABEL stays copied, IZDEL and every
    // later table stay exactly as they were, and the import ends quietly (no error).
    void cancelLeavesTableInProgress() {
        TestDb db;
        toEarlierSchema(db);
        db.exec(
            QStringLiteral("insert into accounts_dep.izdel (id, marka, nom) values (5000, 'Х-1', 'своё');"
                           "insert into accounts_dep.smena (id, w_id, ok) values (-1, 903, 'no');"));
        prepare(300);
        const QString before = dumpTargets(db);
        ScriptedUi ui;
        ui.cancelProgressAt(43 + 5);  // 300 rows in batches of 7: 43 batches per table
        const bool done = job::run(QStringLiteral("Импорт"), [&](job::Progress& counter) {
            int batches = 0;
            legacy::Import imp([&](const QString&) { counter.step(++batches); }, [](const QString&) { return true; });
            imp.setBatchSize(7);
            imp.setConnectionTexts(legacy::sourceConnectionText(), targetFor(db));
            imp.run();
        });
        QVERIFY(!done);
        QVERIFY(ui.errors.isEmpty());
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel"), 300);
        const QStringList was = before.split('\n'), now = dumpTargets(db).split('\n');
        QCOMPARE(now.size(), was.size());
        for (int i = 1; i < was.size(); ++i)  // all but h_tabel
            QCOMPARE(now[i], was[i]);
    }

    // Two runs leave what one run leaves; rows with id 0 or below are kept beside the imported ones; new rows
    // entered afterwards get ids past the imported ones.
    void repeatedImportKeepsOwnRowsAndMovesIdsOn() {
        TestDb db;
        toEarlierSchema(db);
        db.exec(QStringLiteral(
            "insert into accounts_dep.h_tabel (id, w_id, month, year, smena, d1) values (0, 900, 1, 2026, 1, 5), "
            "(-4, 901, 1, 2026, 1, 6), (77, 902, 1, 2026, 1, 7);"
            "insert into accounts_dep.vid_oper (id, vid) values (0, 'своя'), (5000, 'старая');"
            "insert into accounts_dep.smena (id, w_id, ok) values (-1, 903, 'no');"
            "insert into accounts_dep.nomenkl (nom, marka) values ('старая', 'X');"));
        prepare(300);

        auto imp = makeImport(db, 7);
        imp.run();
        QCOMPARE(imp.rowsCopied(), qlonglong(7 * 300));
        const QString once = dumpTargets(db);
        imp.run();
        QCOMPARE(dumpTargets(db), once);

        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel"), 302);
        QCOMPARE(db.value("select string_agg(id || ':' || w_id, ',' order by id) from accounts_dep.h_tabel "
                          "where id <= 0"),
                 QStringLiteral("-4:901,0:900"));
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel where id = 77 and w_id = 902"), 0);
        QCOMPARE(db.value("select string_agg(trim(vid), ',' order by id) from accounts_dep.vid_oper where id <= 0 "
                          "or id > 300"),
                 QStringLiteral("своя"));
        QCOMPARE(db.count("select count(*) from accounts_dep.smena where id = -1"), 1);
        QCOMPARE(db.count("select count(*) from accounts_dep.nomenkl where nom = 'старая'"), 0);

        // The progress text advances batch by batch up to the whole table.
        QCOMPARE(progress_.count(), 2 * 7 * 43);  // 300 rows in batches of 7, per table, per run
        QCOMPARE(progress_.at(1), QStringLiteral("H_TABEL: 14 из 300 записей"));
        QCOMPARE(progress_.last(), QStringLiteral("smena: 300 из 300 записей"));

        for (const char* t : {"h_tabel", "izdel", "nomenkl", "oper", "vid_oper", "smena"}) {
            const QString table = QStringLiteral("accounts_dep.") + QLatin1String(t);
            const int before = db.count(QStringLiteral("select max(id) from ") + table);
            QVERIFY(before >= 300);
            const int fresh = db.count(QStringLiteral("insert into %1 default values returning id").arg(table));
            QVERIFY2(fresh > before, t);
        }
    }

    // A legacy table without rows empties its target, apart from the rows with id 0 or below.
    void emptySourceEmptiesTarget() {
        TestDb db;
        toEarlierSchema(db);
        db.exec(
            QStringLiteral("insert into accounts_dep.workers (id, fio) values (0, 'нулевой'), (3, 'третий');"
                           "insert into accounts_dep.smena (id, w_id, ok) values (1, 17, 'no'), (2, 18, 'ok');"
                           "insert into accounts_dep.izdel (id, marka) values (4, 'А');"));
        prepare(0);
        makeImport(db).run();
        QCOMPARE(db.value("select string_agg(id || trim(fio), ',') from accounts_dep.workers"),
                 QStringLiteral("0нулевой"));
        QCOMPARE(db.count("select count(*) from accounts_dep.smena"), 0);
        QCOMPARE(db.count("select count(*) from accounts_dep.izdel"), 0);
        QVERIFY(progress_.isEmpty());
    }

    // A closed month holds the import too: the database refuses to empty a time sheet with rows of it, with the
    // month named, and nothing is replaced.
    void closedMonthStopsImport() {
        TestDb db;
        toEarlierSchema(db);
        db.exec(QStringLiteral(
            "insert into accounts_dep.h_tabel (id, w_id, month, year, smena, d5) values (1, 17, 3, 2024, 1, 8);"
            "insert into accounts_dep.smena (id, data, w_id, time, ok) values (1, '2024-03-05', 17, 8, 'no');"
            "select accounts_dep.close_month(2024, 3);"));
        const QString before = dumpTargets(db);
        prepare(5);
        QString error;
        try {
            makeImport(db).run();
        } catch (const DbError& e) {
            error = e.message();
        }
        QVERIFY2(error.contains(QStringLiteral("Месяц март 2024 закрыт")), qPrintable(error));
        QCOMPARE(dumpTargets(db), before);
    }

    // A row the target refuses, in the middle of a table after batches already sent: that table stays as it
    // was, the tables before it are complete, the ones after it untouched, and the reason is reported.
    void failureLeavesTableAsItWas() {
        TestDb db;
        toEarlierSchema(db);
        db.exec(
            QStringLiteral("insert into accounts_dep.workers (id, fio) values (1, 'прежний'), (50, 'прежний 50');"
                           "insert into accounts_dep.smena (id, w_id, ok) values (1, 17, 'no');"
                           "insert into accounts_dep.vid_oper (id, vid) values (900, 'старый вид');"));
        prepare(20, QStringLiteral("insert into WORKERS values (5, 'Двойник', '');"));  // id 5 twice

        QString error;
        try {
            makeImport(db, 2).run();
        } catch (const DbError& e) {
            error = e.message();
        }
        // Our own words, then the server's.
        QVERIFY2(error.startsWith(QStringLiteral(
                     "Импорт остановлен на таблице WORKERS (accounts_dep.workers оставлена без изменений):\n")),
                 qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("duplicate key value violates unique constraint \"workers_pkey\"")),
                 qPrintable(error));
        QVERIFY(progress_.contains(QStringLiteral("WORKERS: 4 из 21 записей")));  // rows were sent before it

        QCOMPARE(db.value("select string_agg(id || trim(fio), ',' order by id) from accounts_dep.workers"),
                 QStringLiteral("1прежний,50прежний 50"));
        QCOMPARE(db.value("select string_agg(id::text, ',') from accounts_dep.smena"), QStringLiteral("1"));
        for (const char* t : {"h_tabel", "izdel", "nomenkl", "oper", "vid_oper"})
            QCOMPARE(db.count(QStringLiteral("select count(*) from accounts_dep.") + QLatin1String(t)), 20);
        QCOMPARE(db.count("select count(*) from accounts_dep.vid_oper where id = 900"), 0);
    }

    // A data source that is not configured stops the import before anything changes, and names the source;
    // the next run works.
    void missingDataSourceIsReported() {
        TestDb db;
        toEarlierSchema(db);
        db.exec(QStringLiteral("insert into accounts_dep.workers (id, fio) values (3, 'третий')"));
        prepare(5);
        auto imp = makeImport(db);
        imp.setConnectionTexts(QStringLiteral("Tabel_Old;PWD=tosumavid"), targetFor(db));
        QString error;
        try {
            imp.run();
        } catch (const DbError& e) {
            error = e.message();
        }
        // Our own words, then the driver manager's reason.
        const QString head = QStringLiteral("Не удалось подключиться к источнику данных ODBC «Tabel_Old»: ");
        QVERIFY2(error.startsWith(head) && error.size() > head.size(), qPrintable(error));
        QCOMPARE(db.value("select id || trim(fio) from accounts_dep.workers"), QStringLiteral("3третий"));

        imp.setConnectionTexts(legacy::sourceConnectionText(), targetFor(db));
        imp.run();
        QCOMPARE(db.count("select count(*) from accounts_dep.workers"), 5);
    }

    // Before anything is emptied, all seven pairs are checked; whatever does not fit is named in one message and
    // nothing changes (the upgraded database's products view among them: its maintenance rows and shift records
    // stay as they were).
    void unfitDatabaseIsRefused_data() {
        QTest::addColumn<bool>("earlier");  // izdel a table of its own, as before the upgrade
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("reasons");
        QTest::newRow("upgraded database") << false << ""
                                           << "" << QStringList{"accounts_dep.izdel — представление, а не таблица"};
        QTest::newRow("target table and columns missing")
            << true
            << "drop table accounts_dep.nomenkl; alter table accounts_dep.smena drop column vvod, drop column color"
            << ""
            << QStringList{"нет таблицы accounts_dep.nomenkl",
                           "в таблице accounts_dep.smena нет столбцов: color, vvod"};
        QTest::newRow("view, source table and column missing")
            << false << ""
            << "drop table VID_OPER; alter table WORKERS drop column addr"
            << QStringList{"accounts_dep.izdel — представление, а не таблица", "в Access нет таблицы VID_OPER",
                           "в таблице WORKERS в Access нет столбцов: addr"};
    }
    void unfitDatabaseIsRefused() {
        QFETCH(bool, earlier);
        QFETCH(QString, target);
        QFETCH(QString, source);
        QFETCH(QStringList, reasons);
        TestDb db;
        if (earlier)
            toEarlierSchema(db);
        db.exec(QStringLiteral(
            "insert into accounts_dep.h_tabel (id, w_id, month, year, i_type, i_night, d5) values (40, 101, 3, 2024, "
            "7777, 0, 8), (41, 101, 3, 2024, 0, 0, 6);"
            "insert into accounts_dep.smena (id, w_id, ok, data) values (1, 17, 'no', '2024-03-05'), "
            "(2, 18, 'no', '2024-03-05');"
            "insert into accounts_dep.workers (id, fio) values (3, 'третий');"
            "insert into accounts_dep.vid_oper (id, vid) values (4, 'Сборка')"));
        if (!target.isEmpty())
            db.exec(target);
        prepare(10, source);
        const QString before = db.value(
            "select string_agg(c.relname || ':' || (xpath('/row/n/text()', query_to_xml('select count(*) as n from "
            "accounts_dep.' || c.relname, false, true, '')))[1]::text, ',' order by c.relname) from pg_class c "
            "where c.relnamespace = 'accounts_dep'::regnamespace and c.relkind = 'r'");
        QString error;
        try {
            makeImport(db).run();
        } catch (const DbError& e) {
            error = e.message();
        }
        QCOMPARE(error, QStringLiteral("Импорт невозможен, ничего не изменено:\n") + reasons.join('\n'));
        QVERIFY(questions_.isEmpty());
        QVERIFY(progress_.isEmpty());
        QCOMPARE(
            db.value("select string_agg(c.relname || ':' || (xpath('/row/n/text()', query_to_xml('select count(*) as n "
                     "from accounts_dep.' || c.relname, false, true, '')))[1]::text, ',' order by c.relname) from "
                     "pg_class c where c.relnamespace = 'accounts_dep'::regnamespace and c.relkind = 'r'"),
            before);
        QCOMPARE(db.value("select string_agg(id || ':' || d5, ',' order by id) from accounts_dep.h_tabel"),
                 QStringLiteral("40:8,41:6"));
        QCOMPARE(db.count("select count(*) from accounts_dep.smena where ok<>'ok' and data = '2024-03-05'"), 2);
    }

    // The one question, through the message box seam: "Нет" leaves every table as it was, "Да" imports.
    void askedOnceBeforeReplacing() {
        TestDb db;
        ScriptedUi ui;
        toEarlierSchema(db);
        db.exec(
            QStringLiteral("insert into accounts_dep.workers (id, fio) values (3, 'третий');"
                           "insert into accounts_dep.h_tabel (id, w_id, month, year, i_type, d5) values "
                           "(40, 101, 3, 2024, 7777, 8)"));
        prepare(10);
        QStringList shown;
        legacy::Import imp([&](const QString& t) { shown << t; }, legacy::askToReplace);
        imp.setConnectionTexts(legacy::sourceConnectionText(), targetFor(db));
        ui.answer(ui::IDNO);
        QVERIFY(!imp.run());
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text,
                 QStringLiteral("Данные таблиц accounts_dep.h_tabel, accounts_dep.izdel, accounts_dep.nomenkl, "
                                "accounts_dep.oper, accounts_dep.vid_oper, accounts_dep.workers, accounts_dep.smena "
                                "будут заменены данными из Access. Продолжить?"));
        QCOMPARE(ui.messages[0].caption, QStringLiteral("Импорт"));
        QCOMPARE(ui.messages[0].flags, 36);
        QVERIFY(shown.isEmpty());
        QCOMPARE(db.value("select id || trim(fio) from accounts_dep.workers"), QStringLiteral("3третий"));
        QCOMPARE(db.value("select id || ':' || d5 from accounts_dep.h_tabel"), QStringLiteral("40:8"));
        for (const char* t : {"izdel", "nomenkl", "oper", "vid_oper", "smena"})
            QCOMPARE(db.count(QStringLiteral("select count(*) from accounts_dep.") + QLatin1String(t)), 0);

        ui.answer(ui::IDYES);
        QVERIFY(imp.run());
        QCOMPARE(ui.messages.size(), 2);
        QCOMPARE(db.count("select count(*) from accounts_dep.workers"), 10);
        QCOMPARE(db.count("select count(*) from accounts_dep.smena"), 10);
        QVERIFY(shown.contains(QStringLiteral("smena: 10 из 10 записей")));
    }

    // Dates are read from the text the legacy file holds: ISO or day first arrive as the same date; a text that
    // is no valid date stops the import at its table (left as it was), naming table, id, column and value,
    // instead of arriving as an empty date or as some other day.
    void datesReadOrRefused_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("vvod");
        QTest::addColumn<QString>("arrived");  // data / vvod, or the refusal
        QTest::newRow("ISO") << "2024-03-05"
                             << "2024-03-06 09:15:00"
                             << "2024-03-05 / 2024-03-06 09:15:00";
        QTest::newRow("ISO with midnight") << "2024-03-05 00:00:00"
                                           << "2024-03-06T09:15"
                                           << "2024-03-05 / 2024-03-06 09:15:00";
        QTest::newRow("day first") << "05.03.2024"
                                   << "6.3.2024 09:15:30"
                                   << "2024-03-05 / 2024-03-06 09:15:30";
        QTest::newRow("empty stays empty") << ""
                                           << ""
                                           << "- / -";
        QTest::newRow("day 0") << "1900-01-00"
                               << ""
                               << "В таблице smena (id 7) в столбце data не дата: «1900-01-00»";
        QTest::newRow("30 February") << "30.02.2024"
                                     << ""
                                     << "В таблице smena (id 7) в столбце data не дата: «30.02.2024»";
        QTest::newRow("month first") << "03/05/2024"
                                     << ""
                                     << "В таблице smena (id 7) в столбце data не дата: «03/05/2024»";
        QTest::newRow("a word") << "2024-03-05"
                                << "today"
                                << "В таблице smena (id 7) в столбце vvod не дата: «today»";
        QTest::newRow("a serial number") << "45356"
                                         << ""
                                         << "В таблице smena (id 7) в столбце data не дата: «45356»";
        QTest::newRow("hour 25") << "2024-03-05"
                                 << "2024-03-06 25:00"
                                 << "В таблице smena (id 7) в столбце vvod не дата: «2024-03-06 25:00»";
    }
    void datesReadOrRefused() {
        QFETCH(QString, data);
        QFETCH(QString, vvod);
        QFETCH(QString, arrived);
        TestDb db;
        toEarlierSchema(db);
        db.exec("insert into accounts_dep.smena (id, w_id, ok, data) values (1, 17, 'no', '2023-01-02')");
        auto text = [](const QString& v) { return v.isEmpty() ? QStringLiteral("NULL") : "'" + v + "'"; };
        prepare(0, QStringLiteral("insert into WORKERS values (17, 'Иванов', '');"
                                  "insert into smena (id, w_id, ok, data, vvod) values (7, 17, 'no', %1, %2);")
                       .arg(text(data), text(vvod)));
        QString error;
        try {
            makeImport(db).run();
        } catch (const DbError& e) {
            error = e.message();
        }
        if (arrived.startsWith(QStringLiteral("В таблице"))) {
            QCOMPARE(error, QStringLiteral("Импорт остановлен на таблице smena (accounts_dep.smena оставлена без "
                                           "изменений):\n") +
                                arrived);
            QCOMPARE(db.value("select string_agg(id || ' ' || data, ',') from accounts_dep.smena"),
                     QStringLiteral("1 2023-01-02"));
            QCOMPARE(db.count("select count(*) from accounts_dep.workers where id = 17"), 1);  // copied before
            return;
        }
        QCOMPARE(error, QString());
        QCOMPARE(db.value("select coalesce(data::text, '-') || ' / ' || coalesce(vvod::text, '-') "
                          "from accounts_dep.smena where id = 7"),
                 arrived);
    }

    // ---------------------------------------------------------------------------------------------------------
    // scripts/legacy-from-mdb, with MDB Tools stood in by small commands that read a SQLite file as the "Access
    // file": a good conversion (run twice into the same file: nothing doubled, nothing beside the seven tables,
    // and the import reads it), and each check stopping the conversion with the reason, the earlier file kept.

    void mdbConversion_data() {
        QTest::addColumn<QString>("change");  // applied to the stand-in "Access file"
        QTest::addColumn<QString>("count");   // TABLE=N: what the stand-in mdb-count says for TABLE
        QTest::addColumn<QString>("failure");
        QTest::newRow("good") << "create table MSysObjects (id INTEGER); insert into MSysObjects values (1);"
                              << ""
                              << "";
        QTest::newRow("rows lost") << ""
                                   << "OPER=21"
                                   << "таблица OPER: в Access 21 строк, перенесено 20";
        QTest::newRow("date before 1900")
            << "update smena set data = '1900-01-00' where id = 3;"
            << ""
            << "таблица smena, столбец data: 1 знач. не дата вида ГГГГ-ММ-ДД, например «1900-01-00»";
        QTest::newRow("30 February") << "update smena set vvod = '2024-02-30 08:00:00' where id in (4, 5);"
                                     << ""
                                     << "таблица smena, столбец vvod: 2 знач. не дата вида ГГГГ-ММ-ДД, например "
                                        "«2024-02-30 08:00:00»";
        QTest::newRow("table missing") << "drop table VID_OPER;"
                                       << ""
                                       << "в файле %1 нет таблицы VID_OPER";
    }
    void mdbConversion() {
        QFETCH(QString, change);
        QFETCH(QString, count);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        const QString bin = dir.filePath("bin"), mdb = dir.filePath("tabel.mdb"), out = dir.filePath("out.sqlite");
        QVERIFY(QDir().mkpath(bin));
        const QString log = dir.filePath("export.log");
        auto tool = [&](const char* name, const QString& body) {
            QFile f(bin + '/' + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(("#!/usr/bin/env bash\nset -e\n" + body).toUtf8());
            f.close();
            f.setPermissions(f.permissions() | QFile::ExeOwner);
        };
        tool("mdb-schema",
             "while getopts T: o; do t=$OPTARG; done; shift $((OPTIND - 1))\n"
             "sqlite3 \"$1\" \".schema $t\"\n");
        tool("mdb-export", "echo \"$MDB_JET3_CHARSET $*\" >>'" + log +
                               "'\nfor a; do f=$t; t=$a; done\n"
                               "sqlite3 \"$f\" \".mode insert $t\" \"select * from $t\"\n");
        tool("mdb-count",
             "if [ -f \"$1.count.$2\" ]; then cat \"$1.count.$2\"; else sqlite3 \"$1\" \"select count(*) "
             "from $2\"; fi\n");
        runTool(QStringLiteral("bash"), {sourceDir() + QStringLiteral("/scripts/legacy-sqlite"), mdb, "20"});
        if (!change.isEmpty())
            runTool(QStringLiteral("sqlite3"), {mdb}, change.toUtf8());
        if (!count.isEmpty()) {
            QFile f(mdb + ".count." + count.section('=', 0, 0));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(count.section('=', 1).toUtf8() + "\n");
        }
        {
            QFile earlier(out);  // what an earlier run left
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        auto convert = [&]() {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("PATH", bin + ':' + env.value("PATH"));
            env.remove("MDB_JET3_CHARSET");
            p.setProcessEnvironment(env);
            p.start("bash", {sourceDir() + "/scripts/legacy-from-mdb", mdb, out});
            p.waitForFinished(120000);
            return qMakePair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()).trimmed());
        };
        const auto [code, error] = convert();
        if (!failure.isEmpty()) {
            QCOMPARE(error, "legacy-from-mdb: " + failure.arg(mdb));
            QCOMPARE(code, 1);
            QFile earlier(out);
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), QByteArray("earlier"));
            QCOMPARE(
                QDir(dir.path()).entryList(QDir::Files),
                (QStringList{"export.log", "out.sqlite", "tabel.mdb"}) +
                    (count.isEmpty() ? QStringList() : QStringList{"tabel.mdb.count." + count.section('=', 0, 0)}));
            return;
        }
        QCOMPARE(error, QString());
        QCOMPARE(code, 0);
        QVERIFY(convert().first == 0);  // a second run into the same file
        auto tables = [&]() {
            QProcess p;
            p.start("sqlite3", {out,
                                "select group_concat(name, ' ') from (select name from sqlite_master where "
                                "type = 'table' and name not like 'sqlite_%' order by name)"});
            p.waitForFinished();
            return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(tables(), QStringLiteral("H_TABEL IZDEL NOMENKL OPER VID_OPER WORKERS smena"));
        QProcess rows;
        rows.start("sqlite3", {out,
                               "select (select count(*) from H_TABEL) || ' ' || (select count(*) from smena) || ' '"
                               " || (select count(*) from NOMENKL)"});
        rows.waitForFinished();
        QCOMPARE(QString::fromUtf8(rows.readAllStandardOutput()).trimmed(), QStringLiteral("20 20 20"));
        QFile l(log);
        QVERIFY(l.open(QIODevice::ReadOnly));
        const QStringList exports = QString::fromUtf8(l.readAll()).trimmed().split('\n');
        QCOMPARE(exports.size(), 14);  // seven tables, twice
        for (const QString& e : exports)
            QVERIFY2(e.startsWith("CP1251 ") && e.contains(" -b hex "), qPrintable(e));

        // The converted file is what the import reads.
        TestDb db;
        toEarlierSchema(db);
        QVERIFY(QFile::remove(legacyFile_));
        QVERIFY(QFile::copy(out, legacyFile_));
        makeImport(db).run();
        QCOMPARE(db.count("select count(*) from accounts_dep.smena where data is not null and vvod is not null"), 20);
        QCOMPARE(db.count("select count(*) from accounts_dep.workers"), 20);
    }

    // ---------------------------------------------------------------------------------------------------------
    // Schema upgrade

    // Running it on a database of the earlier state, and then again, gives the same objects as once.
    void upgradeTwiceEqualsOnce() {
        TestDb db;
        db.exec(
            QStringLiteral("drop view accounts_dep.izdel;"
                           "alter table accounts_dep.fatigue drop column i_holiday, drop column i_night;"
                           "alter table accounts_dep.h_tabel drop column i_night;"
                           "insert into accounts_dep.fatigue (id, cnt) values (1, 8);"
                           "insert into cmn_classifier.item (id, id_level, s_caption) values (100, 2, 'Ведра');"
                           "insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, massa, id_class_item) "
                           "values (230, 'А-12', 2.5, 100), (231, 'без группы', 1, null);"));
        const QString expectedView = TestDb().value("select pg_get_viewdef('accounts_dep.izdel')");
        auto snapshot = [&db]() {
            return db.value(
                       "select string_agg(table_name || '.' || column_name || ' ' || data_type || ' ' || "
                       "coalesce(column_default, '-') || ' ' || is_nullable, ', ' order by table_name, "
                       "ordinal_position) from information_schema.columns where table_schema = 'accounts_dep'") +
                   QLatin1Char('|') + db.value("select pg_get_viewdef('accounts_dep.izdel')");
        };
        Db conn;
        db.connect(conn);
        schema::upgrade(conn);
        const QString once = snapshot();
        schema::upgrade(conn);
        QCOMPARE(snapshot(), once);

        QCOMPARE(db.value("select pg_get_viewdef('accounts_dep.izdel')"), expectedView);
        QCOMPARE(db.value("select string_agg(concat_ws(',', marka, id_class_item, id, massa, id_nom, nom), ';') "
                          "from accounts_dep.izdel"),
                 QStringLiteral("А-12,100,230,2.500000,100,Ведра"));
        QCOMPARE(db.value("select concat_ws(',', i_holiday, i_night) from accounts_dep.fatigue"),
                 QStringLiteral("0,0"));
        QCOMPARE(db.value("select column_default from information_schema.columns where table_schema = "
                          "'accounts_dep' and table_name = 'h_tabel' and column_name = 'i_night'"),
                 QStringLiteral("0"));
    }

    // When the first step fails (izdel of the earlier schema is a table, the view cannot replace it), the
    // columns are still added, the table is left as it is, and nothing is shown.
    void failingFirstStepKeepsGoing() {
        TestDb db;
        ScriptedUi ui;
        toEarlierSchema(db);
        db.exec(
            QStringLiteral("insert into accounts_dep.izdel (id, marka) values (7, 'А-12');"
                           "alter table accounts_dep.fatigue drop column i_holiday, drop column i_night;"
                           "alter table accounts_dep.h_tabel drop column i_night;"));
        Db conn;
        db.connect(conn);
        schema::upgrade(conn);

        QCOMPARE(db.value("select relkind from pg_class where oid = 'accounts_dep.izdel'::regclass"),
                 QStringLiteral("r"));
        QCOMPARE(db.value("select id || trim(marka) from accounts_dep.izdel"), QStringLiteral("7А-12"));
        QCOMPARE(db.count("select count(*) from information_schema.columns where table_schema = 'accounts_dep' and "
                          "(table_name, column_name) in (('fatigue', 'i_holiday'), ('fatigue', 'i_night'), "
                          "('h_tabel', 'i_night'))"),
                 3);
        QVERIFY(ui.messages.isEmpty() && ui.errors.isEmpty());
        QVERIFY(!conn.inTransaction());
        conn.exec(QStringLiteral("select 1"));  // the connection is left usable
    }

    // On an up-to-date database only the view is recreated (a new object with the same definition).
    void upToDateOnlyRecreatesView() {
        TestDb db;
        ScriptedUi ui;
        auto columns = [&db]() {
            return db.value(
                "select string_agg(table_name || '.' || column_name || ' ' || data_type || ' ' || "
                "coalesce(column_default, '-'), ', ' order by table_name, ordinal_position) "
                "from information_schema.columns where table_schema = 'accounts_dep'");
        };
        const QString before = columns();
        const QString oid = db.value("select 'accounts_dep.izdel'::regclass::oid");
        const QString definition = db.value("select pg_get_viewdef('accounts_dep.izdel')");
        Db conn;
        db.connect(conn);
        schema::upgrade(conn);
        QCOMPARE(columns(), before);
        QVERIFY(db.value("select 'accounts_dep.izdel'::regclass::oid") != oid);
        QCOMPARE(db.value("select pg_get_viewdef('accounts_dep.izdel')"), definition);
        QVERIFY(ui.messages.isEmpty() && ui.errors.isEmpty());
    }
};

QTEST_MAIN(TestMigrate)
#include "test_migrate.moc"
