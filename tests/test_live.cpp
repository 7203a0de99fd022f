// Live refresh: the database's announcements, the listening connection, and the views that follow them, with
// a second connection as the other workstation.
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/startup.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/workers_list.h"
#include "core/dataset_model.h"
#include "core/live.h"
#include "core/settings.h"
#include "journal/main_window.h"
#include "migrate/schema_upgrade.h"
#include "support/testdb.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/shift_timesheet.h"

namespace {

const char* const kCatalog = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values
    (17, 'Иванов И.И.', '17'), (18, 'Петров П.П.', '18'), (19, 'Алексеев А.А.', '19');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0);
)sql";

QString shiftRecord(int worker, const QString& date, int shift = 1) {
    return QStringLiteral(
               "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "
               "time, ok) values ('%1', %2, %3, 230, 411, 12.5, 10, 0, 0, 8, 'no')")
        .arg(date)
        .arg(shift)
        .arg(worker);
}

// The changes the listener hands on, recorded.
struct Recorder {
    QList<live::Change> changes;
    QMetaObject::Connection conn;
    Recorder() {
        conn = QObject::connect(&live::Listener::instance(), &live::Listener::changed,
                                [this](const live::Change& c) { changes << c; });
    }
    ~Recorder() { QObject::disconnect(conn); }
};

// Sends a marker notification on the other connection and waits until the listener has it: every
// announcement committed before it has then arrived too.
void settle(TestDb& db, Recorder& r) {
    db.exec("select pg_notify('tabel_live', '{\"table\": \"marker\"}')");
    QTRY_VERIFY_WITH_TIMEOUT(!r.changes.isEmpty() && r.changes.last().table == QLatin1String("marker"), 5000);
    r.changes.removeLast();
}

// The program's windows on a fresh database, with the live refresh on.
struct LiveApp {
    LiveApp() {
        live::setEnabled(true);
        db.exec(QString::fromUtf8(kCatalog));
        if (!startUp(db.arguments()))
            qFatal("the program did not start");
    }
    ~LiveApp() {
        destroyWindows();
        live::setEnabled(false);
    }
    TestDb db;
    ScriptedUi ui;
};

// Waits until the journal has read whatever was announced before (the fixture's own records); the number of
// its live refreshes then.
int quietJournal(TestDb& db) {
    if (!QTest::qWaitFor([] { return live::Listener::instance().isLive(); }, 5000))
        return -1;
    Recorder r;
    settle(db, r);
    QTest::qWaitFor([] { return !app().form1->liveJournal->pending(); }, 5000);
    return app().form1->liveJournal->refreshes();
}

}  // namespace

class TestLive : public QObject {
    Q_OBJECT
private slots:
    // What a payload says, and which days and months it touches.
    void payloadsRead() {
        const live::Change c = live::parse(
            R"({"table": "accounts_dep.smena", "days": ["2024-03-05 1", "2024-03-07 4"], "months": [202404]})");
        QCOMPARE(c.table, QStringLiteral("accounts_dep.smena"));
        QCOMPARE(c.days.size(), 2);
        QCOMPARE(c.days[1], qMakePair(QDate(2024, 3, 7), 4));
        QVERIFY(!c.all);
        struct Case {
            QDate day;
            bool touches;
        };
        for (const Case& k : {Case{QDate(2024, 3, 5), true}, Case{QDate(2024, 3, 6), false},
                              Case{QDate(2024, 4, 20), true}, Case{QDate(2023, 3, 5), false}})
            QVERIFY2(c.touchesDay(k.day) == k.touches, qPrintable(k.day.toString()));
        QVERIFY(c.touchesMonth(2024, 3) && c.touchesMonth(2024, 4) && !c.touchesMonth(2024, 5));

        // A table alone touches every day; a payload that cannot be read counts as anything changed.
        QVERIFY(live::parse(R"({"table": "accounts_dep.oper"})").touchesDay(QDate(2020, 1, 1)));
        for (const char* bad : {"", "not json", "[1, 2]", R"({"days": []})"}) {
            const live::Change b = live::parse(bad);
            QVERIFY2(b.all && b.touchesTable({QStringLiteral("accounts_dep.person")}), bad);
        }
    }

    // The tables a list's query reads, as the announcements name them.
    void tablesOfQueries() {
        QCOMPARE(live::tablesOf("select * from accounts_dep.person order by fio"),
                 QStringList{QStringLiteral("accounts_dep.person")});
        QCOMPARE(live::tablesOf("select * from accounts_dep.IZDEL order by marka"),
                 (QStringList{QStringLiteral("cmn_gds_and_srv.gds_and_srv"), QStringLiteral("cmn_classifier.item")}));
        QCOMPARE(live::tablesOf("select * from accounts_dep.person_x, cmn_contractor.person p"),
                 QStringList{QStringLiteral("cmn_contractor.person")});
    }

    // Each statement announces once, naming its days (or months, or the book); a transaction's identical
    // announcements arrive once; what the program's own session writes is marked own.
    void statementsAnnounce() {
        TestDb db;
        ScriptedUi ui;
        db.exec(QString::fromUtf8(kCatalog));
        Db a;
        db.connect(a);
        live::setConnection(db.settings());
        live::Listener::instance().start(a);
        const auto stop = qScopeGuard([] { live::Listener::instance().stop(); });
        QTRY_VERIFY(live::Listener::instance().isLive());
        Recorder r;
        settle(db, r);

        struct Case {
            const char* what;
            QString sql;
            QStringList tables;  // one announcement per entry
            QStringList days;    // of the first one ("date shift")
            QList<int> months;   // of the first one
        };
        QString many = QStringLiteral(
            "insert into accounts_dep.smena(data, smena, w_id, ok) select date '2024-01-01' + "
            "g, 1, 17, 'no' from generate_series(0, 250) g");
        const QList<Case> cases{
            {"rows of one statement",
             shiftRecord(17, "2024-03-05") + "," +
                 "('2024-03-05', 2, 18, 230, 411, 1, 1, 0, "
                 "0, 8, 'no'), ('2024-03-06', 1, 18, 230, "
                 "411, 1, 1, 0, 0, 8, 'no')",
             {"accounts_dep.smena"},
             {"2024-03-05 1", "2024-03-05 2", "2024-03-06 1"},
             {}},
            {"a record moved to another day: both days",
             "update accounts_dep.smena set data = '2024-03-09' where data = '2024-03-06'",
             {"accounts_dep.smena"},
             {"2024-03-06 1", "2024-03-09 1"},
             {}},
            {"a statement that writes no row: nothing",
             "delete from accounts_dep.smena where data = '1999-01-01'",
             {},
             {},
             {}},
            {"more days than fit: their months",
             many,
             {"accounts_dep.smena"},
             {},
             {202401, 202402, 202403, 202404, 202405, 202406, 202407, 202408, 202409}},
            {"a maintenance entry by date, one by its month only",
             "insert into accounts_dep.fatigue(d_date, i_smena, id_p) values ('2024-03-05', 2, 17);"
             "insert into accounts_dep.fatigue(i_year, i_mnth, id_p) values (2024, 5, 17)",
             {"accounts_dep.fatigue", "accounts_dep.fatigue"},
             {"2024-03-05 2"},
             {202403}},
            {"time-sheet rows, twice in one transaction: once",
             "begin; insert into accounts_dep.h_tabel(w_id, year, month, smena) values (17, 2024, 3, 1), (18, 2024, 3, "
             "1); update accounts_dep.h_tabel set d5 = 8; commit",
             {"accounts_dep.h_tabel"},
             {},
             {202403}},
            {"a reference book", "update accounts_dep.vid_oper set vid = 'Сварка'", {"accounts_dep.vid_oper"}, {}, {}},
            {"an ERP book",
             "update cmn_contractor.person set s_caption = s_caption",
             {"cmn_contractor.person"},
             {},
             {}},
            {"emptying a table", "truncate accounts_dep.norm", {"accounts_dep.norm"}, {}, {}},
        };
        for (const Case& k : cases) {
            db.exec(k.sql);
            settle(db, r);
            QStringList tables;
            for (const live::Change& c : r.changes)
                tables << c.table;
            QVERIFY2(tables == k.tables, qPrintable(QString::fromUtf8(k.what) + ": " + tables.join(',')));
            if (tables.isEmpty())
                continue;
            QStringList days;
            for (const auto& [d, s] : r.changes[0].days)
                days << d.toString(Qt::ISODate) + QLatin1Char(' ') + QString::number(s);
            QVERIFY2(days == k.days, qPrintable(QString::fromUtf8(k.what) + ": " + days.join(',')));
            QVERIFY2(r.changes[0].months == k.months, k.what);
            QVERIFY2(!r.changes[0].own, k.what);
            r.changes.clear();
        }
        // The same statement on the listening program's own connection.
        a.exec(shiftRecord(17, "2024-03-05"));
        settle(db, r);
        QCOMPARE(r.changes.size(), 1);
        QVERIFY(r.changes[0].own);
    }

    // «Структура БД» on a database without the announcements adds them as a new database has them; a second run
    // changes nothing, and the tables announce afterwards.
    void upgradeAddsAnnouncements() {
        TestDb fresh;
        auto snapshot = [](TestDb& db) {
            return db.value(
                       "select string_agg(tgrelid::regclass || ' ' || pg_get_triggerdef(oid), E'\\n' order by "
                       "tgrelid::regclass::text, tgname) from pg_trigger where tgname like '%\\_live\\_%'") +
                   QLatin1Char('|') +
                   db.value(
                       "select string_agg(md5(pg_get_functiondef(p.oid)), ',' order by proname) from pg_proc p "
                       "join pg_namespace n on n.oid = p.pronamespace where nspname = 'accounts_dep' and proname "
                       "like 'live\\_%'");
        };
        const QString expected = snapshot(fresh);
        QCOMPARE(fresh.count("select count(*) from pg_trigger where tgname like '%\\_live\\_%'"), 19);
        TestDb db;
        ScriptedUi ui;
        db.exec(
            "select accounts_dep.live_on('accounts_dep', t, null) from unnest(array['smena', 'fatigue', "
            "'h_tabel', 'oper', 'norm', 'vid_oper', 'person']) t");
        db.exec(
            "drop trigger smena_live_all on accounts_dep.smena; drop trigger fatigue_live_all on "
            "accounts_dep.fatigue; drop trigger h_tabel_live_all on accounts_dep.h_tabel; "
            "drop trigger oper_live_all on accounts_dep.oper; drop trigger norm_live_all on accounts_dep.norm; "
            "drop trigger vid_oper_live_all on accounts_dep.vid_oper; "
            "drop trigger person_live_all on accounts_dep.person; "
            "drop trigger person_live_all on cmn_contractor.person; "
            "drop trigger gds_and_srv_live_all on cmn_gds_and_srv.gds_and_srv; "
            "drop trigger item_live_all on cmn_classifier.item; "
            "drop function accounts_dep.live_on, accounts_dep.live_smena, accounts_dep.live_fatigue, "
            "accounts_dep.live_h_tabel, accounts_dep.live_table, accounts_dep.live_send");
        QCOMPARE(db.count("select count(*) from pg_trigger where tgname like '%\\_live\\_%'"), 0);
        Db conn;
        db.connect(conn);
        QCOMPARE(schema::upgrade(conn), QStringList());
        QCOMPARE(snapshot(db), expected);
        QCOMPARE(schema::upgrade(conn), QStringList());
        QCOMPARE(snapshot(db), expected);

        live::setConnection(db.settings());
        live::Listener::instance().start(conn);
        const auto stop = qScopeGuard([] { live::Listener::instance().stop(); });
        QTRY_VERIFY(live::Listener::instance().isLive());
        Recorder r;
        db.exec(QString::fromUtf8(kCatalog));
        settle(db, r);
        QStringList tables;
        for (const live::Change& c : r.changes)
            tables << c.table;
        QCOMPARE(tables, (QStringList{"cmn_classifier.item", "cmn_gds_and_srv.gds_and_srv", "cmn_contractor.person",
                                      "accounts_dep.vid_oper", "accounts_dep.oper"}));
    }

    // A record saved on workstation B appears in A's journal without any action on A; the record current on A
    // stays current; a change of another day is not read; A's own change is left to A's windows.
    void journalFollowsOtherWorkstation() {
        LiveApp f;
        TForm1& main = *app().form1;
        TDataModule6& dm = *app().dm;
        f.db.exec(shiftRecord(17, "2024-03-05") + ";" + shiftRecord(18, "2024-03-05"));
        main.FormActivate();
        main.DateT->setDate(QDate(2024, 3, 5));
        main.DateTChange();
        const int base = quietJournal(f.db);
        QCOMPARE(dm.Smena1.recordCount(), 2);
        dm.Smena1.setRecNo(2);
        const int petrov = dm.Smena1.field("id").asInt();
        QCOMPARE(dm.Smena1.field("fio").asString().trimmed(), QStringLiteral("Петров П.П."));
        QVERIFY(main.findChild<QLabel*>("LiveStatus")->text().startsWith(QStringLiteral("Обновлено ")));

        // Алексеев sorts first: the current record moves down a row and stays current.
        f.db.exec(shiftRecord(19, "2024-03-05"));
        QTRY_COMPARE(dm.Smena1.recordCount(), 3);
        QCOMPARE(dm.Smena1.field("id").asInt(), petrov);
        QCOMPARE(dm.Smena1.recNo(), 3);
        QCOMPARE(main.DBGrid2->dataset(), &dm.Smena1);
        QCOMPARE(main.liveJournal->refreshes(), base + 1);
        // Shift 4 of the day is read too (every shift of the date is loaded).
        f.db.exec(shiftRecord(19, "2024-03-05", 4));
        QTRY_COMPARE(dm.Smena4.recordCount(), 1);
        QCOMPARE(main.liveJournal->refreshes(), base + 2);

        // The current record removed on B: the row number stays.
        f.db.exec(QStringLiteral("delete from accounts_dep.smena where id = %1").arg(petrov));
        QTRY_COMPARE(dm.Smena1.recordCount(), 2);
        QCOMPARE(dm.Smena1.recNo(), 2);

        Recorder r;
        f.db.exec(shiftRecord(19, "2024-03-06"));
        dm.ADO_DB.exec(shiftRecord(17, "2024-03-05"));
        settle(f.db, r);
        QCOMPARE(r.changes.size(), 2);
        QVERIFY(!r.changes[0].own && r.changes[1].own);
        QVERIFY(!main.liveJournal->pending());
        QCOMPARE(main.liveJournal->refreshes(), base + 3);
        QCOMPARE(dm.Smena1.recordCount(), 2);  // A's own record waits for A's own reload, as before
    }

    // While a dialog of A is open the journal is not read again; it is when the dialog closes, once for a
    // burst of changes.
    void dialogHoldsRefreshBack() {
        LiveApp f;
        TForm1& main = *app().form1;
        TDataModule6& dm = *app().dm;
        main.FormActivate();
        main.DateT->setDate(QDate(2024, 3, 5));
        main.DateTChange();
        const int base = quietJournal(f.db);
        QCOMPARE(dm.Smena1.recordCount(), 0);
        Recorder r;
        QDialog dialog;
        dialog.setObjectName("SomeDialog");
        f.ui.onModal([&](QDialog*) {
            for (int w : {17, 18, 19})
                f.db.exec(shiftRecord(w, "2024-03-05"));
            settle(f.db, r);
            QCOMPARE(r.changes.size(), 3);
            QVERIFY(main.liveJournal->pending());
            // Several turns of the coalescing timer pass while the dialog is open.
            QTest::qWait(3 * live::Follower::waitMs);
            QCOMPARE(dm.Smena1.recordCount(), 0);
            QCOMPARE(main.liveJournal->refreshes(), base);
        });
        ui::execModal(&dialog);
        QTRY_COMPARE(dm.Smena1.recordCount(), 3);
        QCOMPARE(main.liveJournal->refreshes(), base + 1);
    }

    // A month rebuilt on B is one refresh of A's open time sheet, not one per day.
    void rebuildIsOneRefresh() {
        LiveApp f;
        for (int d : {4, 5, 6, 11, 12, 13})
            f.db.exec(shiftRecord(17, QStringLiteral("2024-03-%1").arg(d, 2, 10, QLatin1Char('0'))));
        TForm19& sheet = *app().form19;
        Db b;
        f.db.connect(b);
        Recorder r;
        f.ui.onModal([&](QDialog*) {
            QTRY_VERIFY(live::Listener::instance().isLive());
            QCOMPARE(sheet.month(), 3);
            QCOMPARE(sheet.year(), 2024);
            QCOMPARE(app().dm->hTabel(1).recordCount(), 0);
            settle(f.db, r);
            QTRY_VERIFY(!sheet.liveMonth->pending());
            const int base = sheet.liveMonth->refreshes();
            r.changes.clear();
            timesheet::rebuildMonth(b, 3, 2024);
            settle(f.db, r);
            QVERIFY(r.changes.size() >= 1);
            QTRY_COMPARE(app().dm->hTabel(1).recordCount(), 1);
            QTRY_VERIFY(!sheet.liveMonth->pending());
            QCOMPARE(sheet.liveMonth->refreshes(), base + 1);
        });
        sheet.openFor(QDate(2024, 3, 15));
    }

    // A list keeps its search and its current row through a refresh; a row being edited holds it back.
    void listKeepsSearchAndRow() {
        LiveApp f;
        f.db.exec(
            "insert into accounts_dep.person(id, fio) values (1, 'Иванов И.И.'), (2, 'Ильин И.И.'), "
            "(3, 'Петров П.П.')");
        TForm5& list = *app().form5;
        f.ui.onModal([&](QDialog*) {
            QTRY_VERIFY(live::Listener::instance().isLive());
            Dataset& ds = app().dm->Workers;
            Recorder r;
            settle(f.db, r);
            QTRY_VERIFY(!list.liveList->pending());
            const int base = list.liveList->refreshes();
            list.Edit1->setText(QStringLiteral("И"));
            QCOMPARE(ds.recordCount(), 2);
            ds.setRecNo(2);
            QCOMPARE(ds.field("id").asInt(), 2);  // Ильин after Иванов
            // Игнатов comes between them: Ильин moves down a row and stays current.
            f.db.exec("insert into accounts_dep.person(id, fio) values (4, 'Игнатов И.И.'), (5, 'Сидоров С.С.')");
            QTRY_COMPARE(ds.recordCount(), 3);
            QCOMPARE(ds.field("id").asInt(), 2);
            QCOMPARE(ds.recNo(), 3);
            QCOMPARE(list.Edit1->text(), QStringLiteral("И"));
            QCOMPARE(list.liveList->refreshes(), base + 1);
        });
        list.runList();
    }

    // The listening connection lost: the status says so; it comes back by itself, listens again and the
    // journal reads what changed meanwhile.
    void reconnectsAndRefreshes() {
        LiveApp f;
        TForm1& main = *app().form1;
        TDataModule6& dm = *app().dm;
        main.FormActivate();
        main.DateT->setDate(QDate(2024, 3, 5));
        main.DateTChange();
        live::Listener& l = live::Listener::instance();
        QTRY_VERIFY(l.isLive());
        QSignalSpy down(&l, &live::Listener::liveChanged);
        QCOMPARE(f.db.count("select count(pg_terminate_backend(pid)) from pg_stat_activity where "
                            "application_name like 'tabel % live'"),
                 1);
        QTRY_VERIFY(!l.isLive());
        QVERIFY(main.LiveStatus->text().contains(QStringLiteral("нет связи")));
        f.db.exec(shiftRecord(17, "2024-03-05"));  // announced to nobody
        QTRY_VERIFY_WITH_TIMEOUT(l.isLive(), live::Listener::retryMs * 5);
        QTRY_COMPARE(dm.Smena1.recordCount(), 1);
        QCOMPARE(l.reconnects(), quint64(1));
        QVERIFY(!main.LiveStatus->text().contains(QStringLiteral("нет связи")));
        QCOMPARE(down.size(), 2);
    }

    // The switch and the setting that turn it off.
    void switchedOff() {
        QTemporaryDir dir;
        const QString file = dir.filePath("tabel.conf");
        struct Case {
            QStringList args;
            QString conf;
            bool live;
        };
        for (const Case& k :
             {Case{{}, "", true}, Case{{"--no-live"}, "", false}, Case{{}, "[client]\nlive = false\n", false},
              Case{{}, "[client]\nlive = true\n", true}, Case{{}, "[client]\nlive = off\n", false}}) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(k.conf.toUtf8());
            out.close();
            const settings::CommandLine line = settings::parseCommandLine(k.args);
            QVERIFY(line.error.isEmpty());
            settings::Sources s;
            s.userFile = file;
            QVERIFY2(settings::resolve(line, s).live == k.live, qPrintable(k.args.join(' ') + k.conf));
        }
        QVERIFY(settings::helpText().contains("--no-live"));

        // Off: no listening connection is made, and the status says the journal is not kept up to date.
        live::setEnabled(false);
        AppFixture f;
        QVERIFY(!live::Listener::instance().running());
        app().form1->FormActivate();
        QVERIFY(app().form1->LiveStatus->text().contains(QStringLiteral("автообновление выключено")));
    }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
