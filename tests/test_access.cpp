// Access the database enforces (db/roles.sql): what each login mode's group may do through a bare connection,
// a person's login that takes the mode of the person's group, the message of a refused write, and the password
// kept out of the running program's command line and environment.
#include <QAction>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "app/login_window.h"
#include "app/startup.h"
#include "base/datamodule.h"
#include "base/login_modes.h"
#include "base/registry.h"
#include "core/settings.h"
#include "journal/main_window.h"
#include "journal/shift_records.h"
#include "migrate/schema_upgrade.h"
#include "support/invariants.h"
#include "support/testdb.h"

namespace {

constexpr int V = 1, F = 2, W = 4, A = 8, ALL = V | F | W | A;
const char* const kModes[] = {"viewer", "foreman", "warehouse", "full"};
const int kMasks[] = {V, F, W, A};
// Controls of the main window that tell the modes apart.
const QStringList kChecked = {"Button1", "Button2", "Button3", "DBGrid2", "N2", "N11"};

ConnectionSettings params(const QList<QPair<QString, QString>>& list) {
    ConnectionSettings s;
    s.params = list;
    return s;
}

// The cluster's administrator (a superuser on the private socket), as whoever applies roles.sql at a plant.
void asAdministrator(Db& db, const TestDb& test) {
    db.open(params({{"host", TestDb::server()}, {"dbname", test.name()}, {"user", "tabeladmin"}}));
}

void applyRoles(const TestDb& test) {
    QFile f(qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/db/roles.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    Db admin;
    asAdministrator(admin, test);
    admin.exec(QString::fromUtf8(f.readAll()));
}

// Login roles made by this program, dropped at its end (roles belong to the whole cluster).
QStringList& madeRoles() {
    static QStringList list;
    return list;
}

QString person(const TestDb& test, const QString& mode, const QString& password) {
    const QString name = QStringLiteral("t18_%1_%2").arg(QCoreApplication::applicationPid()).arg(mode);
    Db admin;
    asAdministrator(admin, test);
    admin.exec(QStringLiteral("select accounts_dep.tabel_person('%1', '%2', '%3')").arg(name, password, mode));
    if (!madeRoles().contains(name))
        madeRoles() << name;
    return name;
}

settings::Resolved personSettings(const TestDb& test, QTemporaryDir& dir) {
    QFile f(dir.filePath("tabel.conf"));
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings file");
    f.write("[login]\nmode = person\n");
    f.close();
    settings::Sources src;
    src.userFile = f.fileName();
    settings::CommandLine line;
    line.host = TestDb::server();
    line.dbname = test.name();
    return settings::resolve(line, src);
}

bool enabled(TForm1* w, const QString& name) {
    if (QMenu* m = w->findChild<QMenu*>(name))
        return m->menuAction()->isEnabled();
    if (QWidget* c = w->findChild<QWidget*>(name))
        return c->isEnabled();
    if (QAction* a = w->findChild<QAction*>(name))
        return a->isEnabled();
    qFatal("no control %s", qPrintable(name));
}

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() {
        Db admin;
        admin.open(params({{"host", TestDb::server()}, {"dbname", "postgres"}, {"user", "tabeladmin"}}));
        for (const QString& r : madeRoles())
            admin.exec(QStringLiteral("drop role if exists ") + r);
    }

    // Each group through a bare connection of a person in it: what its windows do is allowed, the rest is
    // refused by the server (insufficient privilege) and changes nothing.
    void groupRights_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("allowed");
        QTest::newRow("read the journal") << "select count(*) from accounts_dep.smena" << ALL;
        QTest::newRow("read products") << "select count(*) from accounts_dep.izdel" << ALL;
        QTest::newRow("read ERP persons") << "select count(*) from cmn_contractor.person" << ALL;
        QTest::newRow("version check") << "update accounts_dep.ver set d = d" << ALL;
        QTest::newRow("add maintenance work")
            << "insert into accounts_dep.fatigue(id_p, id_o, d_date, cnt) values (1, 7777, current_date, 2)" << ALL;
        QTest::newRow("change maintenance work") << "update accounts_dep.fatigue set cnt = 3" << ALL;
        QTest::newRow("delete maintenance work") << "delete from accounts_dep.fatigue" << ALL;
        QTest::newRow("time-sheet row") << "insert into accounts_dep.h_tabel(w_id, month, year, i_type) "
                                           "values (1, 1, 2024, 7777)"
                                        << ALL;
        QTest::newRow("time-sheet cell") << "update accounts_dep.h_tabel set d1 = 8" << ALL;
        QTest::newRow("time-sheet writer lock") << "lock table accounts_dep.h_tabel in row exclusive mode" << ALL;
        QTest::newRow("add a shift record")
            << "insert into accounts_dep.smena(w_id, data, smena, ok) values (1, current_date, 1, 'no')" << (F | A);
        QTest::newRow("accept a shift record") << "update accounts_dep.smena set ok = 'ok' where id = 1000" << (W | A);
        QTest::newRow("change a shift record") << "update accounts_dep.smena set kol_vo = 5 where id = 1000" << A;
        QTest::newRow("delete a shift record") << "delete from accounts_dep.smena where id = 1000" << A;
        QTest::newRow("month rebuild") << "delete from accounts_dep.h_tabel" << A;
        QTest::newRow("hold references of a delete") << "lock table accounts_dep.smena in share mode" << A;
        QTest::newRow("operation") << "insert into accounts_dep.oper(vid, naimen, i_id, cena_new) values (1, 0, 1, 1)"
                                   << A;
        QTest::newRow("norm") << "insert into accounts_dep.norm(o_id, price) values (1, 1)" << A;
        QTest::newRow("operation kind") << "insert into accounts_dep.vid_oper(vid) values ('x')" << A;
        QTest::newRow("worker") << "update accounts_dep.person set fio = fio" << A;
        QTest::newRow("product") << "insert into cmn_gds_and_srv.gds_and_srv(s_caption) values ('x')" << A;
        QTest::newRow("ERP person") << "update cmn_contractor.person set s_code = s_code" << 0;
        QTest::newRow("schema change") << "drop view accounts_dep.izdel" << 0;
        QTest::newRow("emptying a table") << "truncate accounts_dep.smena" << 0;
    }
    void groupRights() {
        QFETCH(QString, sql);
        QFETCH(int, allowed);
        TestDb db;
        applyRoles(db);
        db.exec(
            "insert into accounts_dep.smena(id, w_id, data, smena, ok, kol_vo) values (1000, 1, current_date, 1, "
            "'no', 1); insert into accounts_dep.fatigue(id_p, id_o, d_date, cnt) values (1, 7777, current_date, 1);"
            "insert into accounts_dep.person(fio) values ('Иванов И.И.')");
        for (int i = 0; i < 4; ++i) {
            const QString who = person(db, kModes[i], "pw-" + QString(kModes[i]));
            Db conn;
            conn.open(params({{"host", TestDb::server()},
                              {"dbname", db.name()},
                              {"user", who},
                              {"password", "pw-" + QString(kModes[i])}}));
            QString state;
            conn.begin();
            try {
                conn.exec(sql);
            } catch (const DbError& e) {
                state = e.sqlState();
            }
            conn.rollback();
            const bool expected = allowed & kMasks[i];
            QVERIFY2(state == (expected ? QString() : QString("42501")),
                     qPrintable(QString("%1: state '%2'").arg(kModes[i], state)));
        }
        QCOMPARE(db.value("select trim(ok) || kol_vo from accounts_dep.smena where id = 1000"), QString("no1"));
    }

    // Applied again, roles.sql leaves exactly its own rights: one given by hand is gone.
    void reapplied() {
        TestDb db;
        applyRoles(db);
        Db admin;
        asAdministrator(admin, db);
        admin.exec("grant delete on accounts_dep.smena to tabel_viewer");
        applyRoles(db);
        QCOMPARE(db.value("select has_table_privilege('tabel_viewer', 'accounts_dep.smena', 'DELETE')"), QString("f"));
        QCOMPARE(db.value("select has_table_privilege('tabel_viewer', 'accounts_dep.smena', 'SELECT')"), QString("t"));
        // The person helper moves a person from one group to another: one group at a time.
        const QString who = person(db, "viewer", "p1");
        admin.exec(QStringLiteral("select accounts_dep.tabel_person('%1', NULL, 'full')").arg(who));
        QCOMPARE(db.value(QStringLiteral("select string_agg(g.rolname, ',') from pg_auth_members m join pg_roles g on "
                                         "g.oid = m.roleid join pg_roles p on p.oid = m.member where p.rolname = '%1'")
                              .arg(who)),
                 QString("tabel_full"));
        // The password was kept (NULL changes none).
        Db conn;
        conn.open(params({{"host", TestDb::server()}, {"dbname", db.name()}, {"user", who}, {"password", "p1"}}));
        QVERIFY(conn.isOpen());
    }

    // The schema upgrade, run by the tables' owner, recreates the products view: the groups keep reading it.
    void upgradeKeepsViewRights() {
        TestDb db;
        applyRoles(db);
        const QString before = db.value("select 'accounts_dep.izdel'::regclass::oid");
        schema::upgrade(db.admin());
        QVERIFY(db.value("select 'accounts_dep.izdel'::regclass::oid") != before);  // made anew
        for (const char* mode : kModes)
            QCOMPARE(
                db.value(
                    QStringLiteral("select has_table_privilege('tabel_%1', 'accounts_dep.izdel', 'SELECT')").arg(mode)),
                QString("t"));
    }

    // [login] mode = person: the login window asks the user's name too, nothing is connected before, and the
    // mode is that of the person's group.
    void personLogin_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("modeValue");
        for (int i = 0; i < 4; ++i)
            QTest::newRow(kModes[i]) << QString(kModes[i]) << kMasks[i];
    }
    void personLogin() {
        QFETCH(QString, mode);
        QFETCH(int, modeValue);
        TestDb db;
        applyRoles(db);
        const QString who = person(db, mode, "right-pw");
        QTemporaryDir dir;
        ScriptedUi ui;
        QVERIFY(startUp(personSettings(db, dir)));
        const auto cleanup = qScopeGuard([] { destroyWindows(); });
        TForm23* login = app().form23;
        QVERIFY(login);
        QVERIFY(!app().form1);  // no window that needs the database yet
        QVERIFY(!app().dm->ADO_DB.isOpen());
        login->show();
        QVERIFY(login->Edit2->isVisible());
        QCOMPARE(login->Label2->text(), QString("Пользователь:"));

        // A wrong password first: refused, the window stays, nothing connected.
        login->Edit2->setText(" " + who + " ");
        login->Edit1->setText("wrong");
        login->Button1->click();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QString("Введены неверные данные."));
        QVERIFY(!app().form1);

        QString sessionUser, saveState;
        QStringList off;
        bool foreman = false;
        ui.onModal([&](QDialog* d) {
            TForm1* main = qobject_cast<TForm1*>(d);
            QVERIFY(main);
            sessionUser = app().dm->ADO_DB.query("select session_user")->text(0, 0);
            foreman = main->foremanLogin;
            // The save of a new shift record with its time-sheet cell, as the entry dialog runs it.
            shift_sql::Record rec;
            rec.workerId = 17;
            rec.productId = 230;
            rec.operId = 411;
            rec.priceText = "12.5";
            rec.quantity = "10";
            rec.defects = "0";
            rec.date = QDate(2024, 3, 5);
            rec.hours = "8";
            try {
                saveState = shift_records::save(*app().dm, rec, std::nullopt, QDate::currentDate()).ok()
                                ? QStringLiteral("saved")
                                : QStringLiteral("not saved");
            } catch (const DbError& e) {
                saveState = e.sqlState();
            }
            for (const QString& c : kChecked)
                if (!enabled(main, c))
                    off << c;
        });
        login->Edit1->setText("right-pw");
        login->Button1->click();
        QVERIFY(ui.verifyConsumed());
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(sessionUser, who);
        QCOMPARE(foreman, modeValue == F);
        QStringList expected;
        for (const QString& c : login::disabledIn("TForm1", login::Mode(modeValue)))
            if (kChecked.contains(c))
                expected << c;
        QCOMPARE(off, expected);
        // Adding records is the foreman's and full access's; the others are refused by the server, nothing written.
        const bool adds = modeValue == F || modeValue == A;
        QCOMPARE(saveState, adds ? QString("saved") : QString("42501"));
        QCOMPARE(db.count("select count(*) from accounts_dep.smena"), adds ? 1 : 0);
        QCOMPARE(db.count("select count(*) from accounts_dep.h_tabel where d5 = 8"), adds ? 1 : 0);
        QCOMPARE(timesheetMismatches(db), QStringList());
        QVERIFY(login->Edit1->text().isEmpty());  // the password is not kept in the window
        // The version check ran as the person.
        QVERIFY(db.count("select count(*) from accounts_dep.ver where d > 20000101") == 1);
    }

    // A login role in none of the groups is told so and may try again; no window is made for it.
    void personWithoutGroup() {
        TestDb db;
        applyRoles(db);
        const QString who = QStringLiteral("t18_%1_nogroup").arg(QCoreApplication::applicationPid());
        Db admin;
        asAdministrator(admin, db);
        admin.exec(QStringLiteral("drop role if exists %1; create role %1 login password 'x'").arg(who));
        madeRoles() << who;
        QTemporaryDir dir;
        ScriptedUi ui;
        QVERIFY(startUp(personSettings(db, dir)));
        const auto cleanup = qScopeGuard([] { destroyWindows(); });
        app().form23->Edit2->setText(who);
        app().form23->Edit1->setText("x");
        app().form23->Button1Click();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QString("Пользователь не входит ни в одну группу программы."));
        QVERIFY(!app().form1);
        QVERIFY(!app().dm->ADO_DB.isOpen());
    }

    // A write the person's group may not do (here the accept toggle run for a viewer) is refused with a
    // Russian message, and nothing is written.
    void refusedWriteMessage() {
        TestDb db;
        applyRoles(db);
        // A record of today's first shift, as the journal lists it (a worker, a product, a priced operation).
        db.exec(
            "insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');"
            "insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) "
            "values (230, 'А-12', 2.5, 100, 6);"
            "insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17');"
            "insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка');"
            "insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0);"
            "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, "
            "vvod, prize) values (current_date, 1, 17, 230, 411, 12.5, 10, 0, 0, 8, 'no', current_date, 0)");
        const QString who = person(db, "viewer", "v-pw");
        QTemporaryDir dir;
        ScriptedUi ui;
        QVERIFY(startUp(personSettings(db, dir)));
        const auto cleanup = qScopeGuard([] { destroyWindows(); });
        ui.onModal([&](QDialog* d) {
            TForm1* main = qobject_cast<TForm1*>(d);
            main->FormActivate();
            main->DateT->setDate(QDate::currentDate());
            main->DateTChange();
            QVERIFY(!main->currentShiftQuery().isEmpty());
            ui::guarded([main] { main->DBGrid2DblClick(); })();
        });
        app().form23->Edit2->setText(who);
        app().form23->Edit1->setText("v-pw");
        app().form23->Button1Click();
        QVERIFY(ui.verifyConsumed());
        QCOMPARE(ui.errors, QStringList{"Изменение не выполнено: недостаточно прав."});
        QVERIFY(ui.errorDetails.value(0).contains("permission denied"));
        QCOMPARE(db.value("select trim(ok) from accounts_dep.smena"), QString("no"));
    }

    // The running program, its password in the user's settings file: neither its command line nor its
    // environment carries the password.
    void noPasswordInProcess() {
        TestDb db;
        applyRoles(db);
        const QString secret = QStringLiteral("Pw-%1-secret").arg(QCoreApplication::applicationPid());
        const QString who = person(db, "full", secret);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("tabel"));
        QFile conf(dir.filePath("tabel/tabel.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("[connection]\nhost = %1\nuser = %2\npassword = %3\n")
                       .arg(TestDb::server(), who, secret)
                       .toUtf8());
        conf.close();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(qEnvironmentVariable("TABEL_PROGRAM"), {"--dbname", db.name()});
        QVERIFY(program.waitForStarted());
        const auto stop = qScopeGuard([&] {
            program.kill();
            program.waitForFinished();
        });
        // Connected as the person of the settings file: the password there was used.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return db.count(QStringLiteral("select count(*) from pg_stat_activity where usename = '%1' and "
                                               "datname = '%2'")
                                    .arg(who, db.name())) > 0;
            },
            30000));
        const QString proc = QStringLiteral("/proc/%1/").arg(program.processId());
        for (const char* part : {"cmdline", "environ"}) {
            QFile f(proc + part);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray text = f.readAll();
            QVERIFY(!text.isEmpty());
            QVERIFY2(!text.contains(secret.toUtf8()), part);
        }
    }
};

QTEST_MAIN(TestAccess)
#include "test_access.moc"
