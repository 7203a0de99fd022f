// The application core: connection text, data module queries, Dataset, formatting, start-up.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLocale>
#include <QTest>

#include "app/startup.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "core/dataset_model.h"
#include "core/format.h"
#include "core/sqltext.h"
#include "support/invariants.h"
#include "support/testdb.h"

namespace {

const char* const kOptions =
    "ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;RowVersioning=0;ShowSystemTables=0;Fetch=100;"
    "UnknownSizes=0;MaxVarcharSize=255;MaxLongVarcharSize=8190;Debug=0;CommLog=0;UseDeclareFetch=0;"
    "TextAsLongVarchar=1;UnknownsAsLongVarchar=0;BoolsAsChar=1;Parse=0;ExtraSysTablePrefixes=;LFConversion=1;"
    "UpdatableCursors=1;TrueIsMinus1=0;BI=0;ByteaAsLongVarBinary=1;UseServerSidePrepare=1;LowerCaseIdentifier=0;"
    "D6=-101;OptionalErrors=0;XaOpt=1";

// Two workers: 17 is known by its person id, 42 only by its worker number (s_code); records of shift 1 and 2.
const char* const kJournalFixture = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', null), (5001, 'Петров П.П.', '42');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 100, 0, 12.5), (411, 200, 5, 11.25);
insert into accounts_dep.person(id, fio, s_staffpos_hl) values (17, 'Иванов И.И.', 'Сборщик'), (42, 'Петров П.П.', 'Маляр');
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod, prize,
                               id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) values
  ('2024-03-05', 1, 17, 230, 411, 12.5, 100, 2, 0, 8, 'no', '2024-03-05', 0, 0, 0, 0, 0, 0),
  ('2024-03-05', 1, 42, 230, 411, 12.5, 10, 0, 0, 4, 'ok', '2024-03-05', 0, 0, 0, 0, 0, 0),
  ('2024-03-05', 1, 42, 230, 411, 12.5, 11, 0, 3, 4, null, '2024-03-05', 0, 0, 0, 0, 0, 0),
  ('2024-03-05', 2, 17, 230, 411, 12.5, 50, 1, 0, 6, 'да', '2024-03-05', 0, 0, 0, 0, 0, 0);
insert into accounts_dep.h_tabel(w_id, month, year, smena, d5) values (42, 3, 2024, 1, 4), (17, 3, 2024, 2, 6);
)sql";

}  // namespace

class TestCore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void connectionText_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("dbname");
        QTest::addColumn<QString>("host");
        QTest::newRow("no arguments") << QStringList{} << "DATABASE=plantdb;SERVER=defhost"
                                      << "plantdb"
                                      << "defhost";
        QTest::newRow("only the database") << QStringList{"other"} << "DATABASE=plantdb;SERVER=defhost"
                                           << "plantdb"
                                           << "defhost";
        QTest::newRow("both") << QStringList{"factory", "10.0.0.5"} << "DATABASE=factory;SERVER=10.0.0.5"
                              << "factory"
                              << "10.0.0.5";
        QTest::newRow("empty database") << QStringList{"", "db.plant"} << "DATABASE=;SERVER=db.plant"
                                        << ""
                                        << "db.plant";
        QTest::newRow("empty server") << QStringList{"factory", ""} << "DATABASE=plantdb;SERVER=defhost"
                                      << "plantdb"
                                      << "defhost";
        // Used verbatim: a ";" adds a key, and the first occurrence of a key is the one that counts.
        QTest::newRow("semicolon") << QStringList{"x;PORT=1", "h"} << "DATABASE=x;PORT=1;SERVER=h"
                                   << "x"
                                   << "h";
    }
    void connectionText() {
        QFETCH(QStringList, args);
        QFETCH(QString, head);
        QFETCH(QString, dbname);
        QFETCH(QString, host);
        const ConnectionSettings s = connectionFromArguments(args, QStringLiteral("defhost"));
        const QString expected = QStringLiteral("DRIVER={PostgreSQL UNICODE};") + head +
                                 QStringLiteral(";PORT=5432;UID=sys;PWD=wubalek;SSLmode=prefer;") +
                                 QLatin1String(kOptions);
        QCOMPARE(s.text, expected);
        QVERIFY(!s.text.endsWith(QLatin1Char(';')));
        QHash<QString, QString> p;
        for (const auto& [k, v] : s.libpqParams())
            p.insert(k, v);
        QCOMPARE(p.value("dbname"), dbname);
        QCOMPARE(p.value("host"), host);
        QCOMPARE(p.value("port"), args.value(0).contains("PORT=1") ? QString("1") : QString("5432"));
        QCOMPARE(p.value("user"), QString("sys"));
        QCOMPARE(p.value("password"), QString("wubalek"));
        QCOMPARE(p.value("sslmode"), QString("prefer"));
    }

    void toDbDecimal_data() {
        QTest::addColumn<QString>("delim");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("comma to point") << "."
                                        << "12,5"
                                        << "12.5";
        QTest::newRow("point to comma") << ","
                                        << "12.5"
                                        << "12,5";
        QTest::newRow("whole number") << "."
                                      << "12"
                                      << "12";
        QTest::newRow("only the comma") << "."
                                        << "1,234.5"
                                        << "1.234.5";
        QTest::newRow("longer delimiter") << "<>"
                                          << "3,25"
                                          << "3<>25";
        QTest::newRow("empty delimiter") << ""
                                         << "3.25"
                                         << "325";
    }
    void toDbDecimal() {
        QFETCH(QString, delim);
        QFETCH(QString, in);
        QFETCH(QString, out);
        TDataModule6 dm;
        dm.delimiter = delim;
        QCOMPARE(dm.ToDbDecimal(in), out);
    }

    void formatting() {
        // Rounding to 4 places, ties to the even digit; general form with the workstation's separator.
        QCOMPARE(fmt::round4(12.34567), 12.3457);
        QCOMPARE(fmt::round4(12.34565), 12.3456);
        QCOMPARE(fmt::round4(12.34575), 12.3458);
        QCOMPARE(fmt::round4(-1.00005), -1.0);
        QCOMPARE(fmt::round4(0.1 + 0.2), 0.3);
        QCOMPARE(fmt::general(12.5), QString("12,5"));
        QCOMPARE(fmt::general(100), QString("100"));
        QCOMPARE(fmt::general(0.1 + 0.2), QString("0,3"));
        QCOMPARE(fmt::general(1234567.25), QString("1234567,25"));
        QCOMPARE(fmt::mask(3.14159, "#0.00#"), QString("3,142"));
        QCOMPARE(fmt::mask(12.5, "#0.00#"), QString("12,50"));
        QCOMPARE(fmt::mask(2.005, "#0.00"), QString("2,01"));
        QCOMPARE(fmt::mask(7.5, "#0"), QString("8"));
        QCOMPARE(fmt::mask(0.0004, "#0.000"), QString("0,000"));
        QCOMPARE(sql::num(12.5), QString("12.5"));
        QCOMPARE(sql::date(QDate(2024, 3, 5)), QString("05.03.2024"));
    }

    // The day columns of a time-sheet row and their days; no other column reads as a day.
    void dayColumns() {
        for (int day = 1; day <= 31; ++day)
            QCOMPARE(rules::dayOfField(rules::dayField(day)), day);
        QCOMPARE(rules::dayField(7), QString("d7"));
        for (const char* other : {"d0", "d32", "d", "data", "d_date1", "summ", "fio", "sd5"})
            QCOMPARE(rules::dayOfField(QString::fromLatin1(other)), 0);
        QCOMPARE(fmt::trimmedRight(QString(" А-12 \t ")), QString(" А-12"));
        QCOMPARE(fmt::trimmedRight(QString("   ")), QString());
    }

    void textValuesAreQuoted() {
        TestDb tdb;
        Db& db = tdb.admin();
        const QString nasty = QStringLiteral("О'Брайен \\ 'x'); drop table accounts_dep.person; --");
        db.exec(QStringLiteral("insert into accounts_dep.person(fio) values (") + sql::quote(nasty) + ")");
        QCOMPARE(tdb.value("select fio from accounts_dep.person"), nasty);
        // Parameters bind as literals; quoted texts and casts in the statement are left alone.
        const QString bound =
            sql::bind("select ':x', \"a:b\", 1::int, :x, :D, :none", {{"x", "it's"}, {"d", QDate(2024, 3, 5)}});
        QCOMPARE(bound, QString("select ':x', \"a:b\", 1::int, 'it''s', '2024-03-05', NULL"));
    }

    void checkCount() {
        TestDb tdb;
        TDataModule6 dm;
        tdb.connect(dm.ADO_DB);
        tdb.exec("insert into accounts_dep.vid_oper(vid) values ('Сборка')");
        ScriptedUi ui;
        QVERIFY(dm.CheckCount("select count(*) as cnt from accounts_dep.vid_oper", "Такая операция уже заведена!"));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QString("Такая операция уже заведена!"));
        QCOMPARE(ui.messages[0].caption, QString("Ошибка"));
        QCOMPARE(ui.messages[0].flags, 16);
        QVERIFY(!dm.CheckCount("select 1 as cnt from accounts_dep.vid_oper where false", "x"));
        QVERIFY(!dm.CheckCount("select count(*) as cnt from accounts_dep.smena", "x"));
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(!dm.Control.isOpen());
    }

    void namedQueries() {
        TestDb tdb;
        tdb.exec(kJournalFixture);
        TDataModule6 dm;
        tdb.connect(dm.ADO_DB);
        struct Expect {
            Dataset* ds;
            QStringList columns;
        };
        const QStringList smenaCols = {
            "id",  "data",   "smena",  "i_id",        "o_id",          "w_id",       "cena",       "fio",   "marka",
            "vid", "naimen", "nmn",    "brak",        "kol_vo",        "summa",      "prize",      "color", "time",
            "ok",  "vvod",   "id_doc", "id_doc_item", "f_gds_qty_use", "id_gds_use", "id_cons_use"};
        QStringList hCols = {"fio", "summ", "average_price", "cena_all", "id", "w_id", "month", "year", "smena"};
        for (int d = 1; d <= 31; ++d)
            hCols << QString("d%1").arg(d);
        const QList<Expect> expects = {
            {&dm.Workers, {"id", "fio", "s_staffpos_hl"}},
            {&dm.Izdel, {"marka", "id", "nom", "massa", "id_class_item"}},
            {&dm.Oper, {"id", "MARKA", "VID", "NAIMEN", "i_id", "oper_vid", "nmn", "norma", "cena"}},
            {&dm.Vid_oper, {"VID", "ID"}},
            {&dm.Smena1, smenaCols},
            {&dm.Smena2, smenaCols},
            {&dm.Smena3, smenaCols},
            {&dm.Smena4, smenaCols},
            {&dm.H_Tabel_1, hCols},
            {&dm.H_Tabel_2, hCols},
            {&dm.H_Tabel_3, hCols},
        };
        for (int s = 1; s <= 4; ++s) {
            dm.smena(s).setParam("data", QDate(2024, 3, 5));
            dm.smena(s).setParam("ok", "ta");
        }
        for (int s = 1; s <= 3; ++s) {
            dm.hTabel(s).setParam("mnth", 3);
            dm.hTabel(s).setParam("yea", 2024);
            dm.hTabel(s).setParam("date1", QDate(2024, 3, 1));
            dm.hTabel(s).setParam("date2", QDate(2024, 4, 1));
        }
        for (const Expect& e : expects) {
            e.ds->open();
            for (const QString& c : e.columns)
                QVERIFY2(e.ds->hasField(c), qPrintable(e.ds->name() + ": " + c));
        }
        // Shift 1: the record with a NULL mark is not listed; worker 17 by id and 42 by s_code both are.
        QCOMPARE(dm.Smena1.recordCount(), 2);
        QStringList names;
        for (dm.Smena1.first(); !dm.Smena1.eof(); dm.Smena1.next())
            names << dm.Smena1.field("fio").asString();
        QCOMPARE(names, (QStringList{"Иванов И.И.", "Петров П.П."}));
        dm.Smena1.first();
        QCOMPARE(dm.Smena1.field("summa").asDouble(), 1225.0);
        QCOMPARE(dm.Smena1.field("nmn").asString(), QString("Готовая продукция"));
        QCOMPARE(dm.Smena1.field("kol_vo").asString(), QString("100"));
        QCOMPARE(dm.Smena1.field("cena").asString(), QString("12,5"));
        QCOMPARE(dm.Smena2.recordCount(), 1);
        QCOMPARE(dm.Smena2.field("ok").asString(), QString("да"));
        QCOMPARE(dm.Smena3.recordCount(), 0);
        QCOMPARE(dm.Oper.recordCount(), 1);
        QCOMPARE(dm.Oper.field("norma").asInt(), 2);
        QCOMPARE(dm.Oper.field("cena").asDouble(), 11.25);
        // The time sheet joins the worker by number: 42 (s_code) has a row of shift 1 and records in March.
        QCOMPARE(dm.H_Tabel_1.recordCount(), 1);
        QCOMPARE(dm.H_Tabel_1.field("fio").asString(), QString("Петров П.П."));
        QCOMPARE(dm.H_Tabel_1.field("summ").asInt(), 4);
        QCOMPARE(dm.H_Tabel_1.field("d1").asInt(), 0);  // NULL reads as 0
        QVERIFY(dm.H_Tabel_1.field("d1").isNull());
        // Shift 2's row belongs to worker 17, who has no s_code: not listed.
        QCOMPARE(dm.H_Tabel_2.recordCount(), 0);
        // The stored texts break the day sums into lines after d10, d20 and d30.
        const QStringList lines = queries::hTabel(2);
        QCOMPARE(lines.size(), 19);
        QVERIFY(lines[1].startsWith("(coalesce(d1,0)+") && lines[1].endsWith("coalesce(d10,0)+"));
        QCOMPARE(lines[4], QString("coalesce(d31,0)) as summ, "));
        QCOMPARE(lines[15], QString("h_tabel.w_id=person.s_code::integer and h_tabel.smena=2 and month=:mnth and "
                                    "s.w_id = h_tabel.w_id and"));
    }

    void datasetNavigationFilterLocate() {
        TestDb tdb;
        tdb.exec(
            "insert into accounts_dep.person(fio) values ('Иванов И.И.'), ('ИВАНОВА А.А.'), ('иволгин С.С.'), "
            "('Петров П.П.'), ('Сидоров О''Нил'), (NULL)");
        TDataModule6 dm;
        tdb.connect(dm.ADO_DB);
        Dataset& w = dm.Workers;
        w.open();
        QCOMPARE(w.recordCount(), 6);
        QCOMPARE(w.recNo(), 1);
        w.setRecNo(4);
        QCOMPARE(w.recNo(), 4);
        w.last();
        w.next();
        QVERIFY(w.eof());
        QCOMPARE(w.recNo(), 6);
        QCOMPARE(w.field("fio").asString(), QString());  // NULL reads as empty text
        struct Case {
            QString filter;
            int count;
        };
        const QList<Case> cases = {
            {"fio like 'ив%'", 3},  // prefix, Cyrillic letter case ignored
            {"fio like 'ИВАН%'", 2},
            {"fio like '%ов%'", 4},  // substring
            {"fio like '%П.П.'", 1},
            {"fio like 'О''Нил%'", 0},
            {"fio like '%О''нил%'", 1},  // a doubled apostrophe is one apostrophe
            {"fio='петров п.п.'", 1},
            {"fio like 'Ж%'", 0},
            {"fio like " + sql::quote("%нил\\x%"), 0},  // as sql::quote writes a backslash: E'...'
            {"fio like " + sql::quote("сидоров о'%"), 1},
        };
        for (const Case& c : cases) {
            w.setFilter(c.filter);
            w.setFiltered(true);
            QVERIFY2(w.recordCount() == c.count, qPrintable(c.filter + ": " + QString::number(w.recordCount())));
            QCOMPARE(w.recNo(), c.count ? 1 : 0);
        }
        w.setFiltered(false);
        QCOMPARE(w.recordCount(), 6);
        QVERIFY(w.locate("fio", "сидоров о'нил"));
        QCOMPARE(w.field("fio").asString(), QString("Сидоров О'Нил"));
        QVERIFY(!w.locate("fio", "Никто"));
        const int id = w.field("id").asInt();
        w.setFilter(QString("id=%1").arg(id));
        w.setFiltered(true);
        QCOMPARE(w.recordCount(), 1);
        // The filter survives re-opening.
        w.close();
        w.open();
        QCOMPARE(w.recordCount(), 1);
        // A grid over it stays consistent through filtering and re-reading.
        DatasetModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setColumns({{"fio", "ФИО"}, {"s_staffpos_hl", "Должность"}, {"missing", "—"}});
        model.setDataset(&w);
        QCOMPARE(model.rowCount(), 1);
        w.setFiltered(false);
        QCOMPARE(model.rowCount(), 6);
        w.refresh();
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(),
                 tdb.value("select fio from accounts_dep.person order by fio limit 1"));
        QCOMPARE(model.data(model.index(0, 2), Qt::DisplayRole).toString(), QString());
    }

    // Dates and date-times are read straight from the server's text: the same values and texts as a QDateTime
    // would give; padded char(n) texts match filters without their trailing blanks; field names in any case.
    void dateTextsAndPaddedFilters() {
        TestDb tdb;
        tdb.exec(
            "insert into accounts_dep.vid_oper(id, vid) values (1, 'Покраска'), (2, 'Сборка'), (3, NULL), "
            "(4, 'Знак №5 😀 ok')");
        TDataModule6 dm;
        tdb.connect(dm.ADO_DB);
        Dataset q(dm.ADO_DB, "q");
        q.setSql(
            "select v.n, v.d::date as d, v.t::timestamp as t, v.t::timestamptz as tz from (values "
            "(1, '2024-03-05', '2024-03-05 00:00:00'), (2, '2024-12-31', '2024-12-31 14:07:09.75'), "
            "(3, NULL, NULL), (4, '0987-01-02', '2024-03-05 00:00:00.5')) as v(n, d, t) order by n");
        q.open();
        struct Row {
            QDate d;
            QString dText, tText;
            QDateTime t;
        };
        const QList<Row> rows = {
            {QDate(2024, 3, 5), "05.03.2024", "05.03.2024", QDateTime(QDate(2024, 3, 5), QTime(0, 0))},
            {QDate(2024, 12, 31), "31.12.2024", "31.12.2024 14:07:09", QDateTime(QDate(2024, 12, 31), QTime(14, 7, 9))},
            {QDate(), "", "", QDateTime()},
            {QDate(987, 1, 2), "02.01.0987", "05.03.2024", QDateTime(QDate(2024, 3, 5), QTime(0, 0))},
        };
        for (const Row& r : rows) {
            const QString at = "row " + q.field("n").asString();
            QVERIFY2(q.field("d").asDate() == r.d, qPrintable(at));
            QVERIFY2(q.field("D").asString() == r.dText, qPrintable(at));
            QVERIFY2(q.field("t").asString() == r.tText, qPrintable(at + ": " + q.field("t").asString()));
            QVERIFY2(q.field("t").asDate() == r.t.date(), qPrintable(at));
            QVERIFY2(q.field("t").asDateTime() == r.t, qPrintable(at));
            QVERIFY2(q.field("tz").asDate() == r.t.date(), qPrintable(at));
            q.next();
        }
        Dataset& v = dm.Vid_oper;
        v.open();
        const QList<QPair<QString, int>> cases = {
            {"vid like '%КРАСКА'", 1}, {"vid='покраска'", 1},      {"VID like 'сборка'", 1},
            {"vid like '%а'", 2},      {"vid like '%№5 😀 OK'", 1}, {"vid like 'знак №%'", 1},
        };
        for (const auto& [filter, count] : cases) {
            v.setFilter(filter);
            v.setFiltered(true);
            QVERIFY2(v.recordCount() == count, qPrintable(filter + ": " + QString::number(v.recordCount())));
        }
        v.setFiltered(false);
        QVERIFY(v.locate("vid", "СБОРКА"));
        QCOMPARE(v.field("id").asInt(), 2);
    }

    void tableBoundDataset() {
        TestDb tdb;
        TDataModule6 dm;
        tdb.connect(dm.ADO_DB);
        Dataset& v = dm.Vid_oper;
        v.open();
        v.append();
        v.setFieldValue("vid", "Сварка");
        v.post();
        QCOMPARE(v.recordCount(), 1);
        QCOMPARE(v.field("vid").asString().trimmed(), QString("Сварка"));
        v.edit();
        v.setFieldValue("vid", "Сварка д'Артаньяна");
        v.post();
        QCOMPARE(tdb.value("select trim(vid) from accounts_dep.vid_oper"), QString("Сварка д'Артаньяна"));
        v.remove();
        QCOMPARE(v.recordCount(), 0);
        QCOMPARE(tdb.count("select count(*) from accounts_dep.vid_oper"), 0);
        // A table without a key column (the one-row ver) is updated by its original values.
        Dataset ver(dm.ADO_DB, "ver");
        ver.setSql("select * from accounts_dep.ver");
        ver.setTable("accounts_dep.ver", QString());
        ver.open();
        ver.edit();
        ver.setFieldValue("d", 20240216);
        ver.setFieldValue("t", 53533);
        ver.post();
        QCOMPARE(tdb.value("select d || '.' || t from accounts_dep.ver"), QString("20240216.53533"));
    }

    void transactionRollsBack() {
        TestDb tdb;
        Db db;
        tdb.connect(db);
        try {
            Transaction t(db);
            db.exec("insert into accounts_dep.vid_oper(vid) values ('a')");
            {
                Transaction inner(db);  // nested: only the outer level talks to the server
                db.exec("insert into accounts_dep.vid_oper(vid) values ('b')");
                inner.commit();
            }
            db.exec("insert into accounts_dep.no_such_table values (1)");
            t.commit();
            QFAIL("the statement should have failed");
        } catch (const DbError& e) {
            QVERIFY(e.message().contains("no_such_table"));
        }
        QCOMPARE(tdb.count("select count(*) from accounts_dep.vid_oper"), 0);
        QVERIFY(!db.inTransaction());
        db.exec("insert into accounts_dep.vid_oper(vid) values ('c')");
        QCOMPARE(tdb.count("select count(*) from accounts_dep.vid_oper"), 1);
    }

    // The tests' own check of the time-sheet rule: silent while every cell agrees with its records, and
    // naming each cell, each missing row and each doubled row that does not.
    void timesheetInvariantCheck() {
        TestDb db;
        db.exec(
            "insert into accounts_dep.smena(data, smena, w_id, time, ok) values ('2024-03-04', 1, 17, 8, 'no'), "
            "('2024-03-04', 1, 17, 2, 'ok'), ('2024-03-05', 2, 18, 3, 'no');"
            "insert into accounts_dep.fatigue(id_p, id_o, d_date, cnt, i_night) values (17, 7777, '2024-03-06', 5, 0);"
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d4) values "
            "(17, 3, 2024, 1, 0, 0, 10);"
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d6) values "
            "(17, 3, 2024, null, 7777, 0, 5);");
        QCOMPARE(timesheetMismatches(db), QStringList{"piece-work cell worker 18 shift 2 2024-3-5: cell 0, records 3"});
        db.exec(
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d5) values "
            "(18, 3, 2024, 2, 0, 0, 3);"
            "update accounts_dep.h_tabel set d6=4 where i_type=7777;");
        QCOMPARE(timesheetMismatches(db),
                 QStringList{"maintenance cell worker 17 kind 7777 night 0 2024-3-6: cell 4, entries 5"});
        db.exec(
            "update accounts_dep.h_tabel set d6=5 where i_type=7777;"
            "insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night) values "
            "(17, 3, 2024, 1, 0, 0);");
        QCOMPARE(timesheetMismatches(db), (QStringList{"piece-work cell worker 17 shift 1 2024-3-4: cell 0, records 10",
                                                       "rows of one key: worker 17 shift 1 kind 0 night 0 2024-3: 2"}));
    }

    void startUpAgainstDeadServer() {
        const QString dead = QDir::temp().filePath("tabel-no-server-here");
        for (const QStringList& args :
             {QStringList{"plantdb", dead}, QStringList{"plantdb", TestDb::server() + ";PWD=wrong"}}) {
            ScriptedUi ui;
            QVERIFY(!startUp(args));
            QCOMPARE(ui.messages.size(), 1);
            QCOMPARE(ui.messages[0].text, QString("Подключение к БД отсутсвует!!!"));
            QCOMPARE(ui.messages[0].caption, QString("Ошибка!"));
            QCOMPARE(ui.messages[0].flags, 16);
            QVERIFY(app().dm == nullptr);
        }
        ScriptedUi ui;
        QCOMPARE(runProgram({"plantdb", dead}), 0);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QString("Подключение к БД отсутсвует!!!"));
        QCOMPARE(ui.messages[0].caption, QString("Ошибка!"));
    }

    void startUpConnects() {
        TestDb tdb;
        ScriptedUi ui;
        QVERIFY(startUp(tdb.arguments()));
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(app().dm && app().dm->ADO_DB.isOpen());
        // Every window carries the program's icon, in the sizes a title bar and a task bar ask for.
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(windows.size() >= 23);
        for (QWidget* window : windows) {
            const QIcon icon = window->windowIcon();
            QVERIFY2(!icon.isNull(), qPrintable(window->objectName()));
            QCOMPARE(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
            QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        }
        destroyWindows();
    }
};

QTEST_MAIN(TestCore)
#include "test_core.moc"
