// Where the connection comes from: the command line, the user's and the system's settings files, the libpq
// environment and password file, the built-in text; and the password kept from child processes.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "core/excel_writer.h"
#include "core/settings.h"
#include "support/testdb.h"

namespace {

using Params = QMap<QString, QString>;

Params asMap(const ConnectionSettings& s) {
    Params m;
    for (const auto& [k, v] : s.libpqParams())
        m.insert(k, v);
    return m;
}

void writeFile(const QString& path, const QByteArray& text, QFile::Permissions perms = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    if (perms)
        QVERIFY(f.setPermissions(perms));
}

const QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Params>("given");  // the keys the line sets
        QTest::addColumn<bool>("bad");
        QTest::newRow("none") << QStringList{} << Params{} << false;
        QTest::newRow("database and server")
            << QStringList{"db1", "srv"} << Params{{"dbname", "db1"}, {"host", "srv"}} << false;
        // The given rule: the first argument counts only beside a non-empty second one.
        QTest::newRow("database alone is ignored") << QStringList{"db1"} << Params{} << false;
        QTest::newRow("empty server") << QStringList{"db1", ""} << Params{} << false;
        QTest::newRow("empty database, a server")
            << QStringList{"", "srv"} << Params{{"dbname", ""}, {"host", "srv"}} << false;
        QTest::newRow("named options") << QStringList{"--host", "h", "--port=6000", "--dbname", "d", "--user", "u"}
                                       << Params{{"host", "h"}, {"port", "6000"}, {"dbname", "d"}, {"user", "u"}}
                                       << false;
        QTest::newRow("named over positional")
            << QStringList{"db1", "srv", "--host", "h2"} << Params{{"dbname", "db1"}, {"host", "h2"}} << false;
        QTest::newRow("unknown option") << QStringList{"--password", "x"} << Params{} << true;
        QTest::newRow("missing value") << QStringList{"--host"} << Params{} << true;
        QTest::newRow("three positional") << QStringList{"a", "b", "c"} << Params{} << true;
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(Params, given);
        QFETCH(bool, bad);
        const settings::CommandLine line = settings::parseCommandLine(args);
        QCOMPARE(!line.error.isEmpty(), bad);
        if (bad)
            return;
        Params got;
        if (line.host)
            got.insert("host", *line.host);
        if (line.port)
            got.insert("port", *line.port);
        if (line.dbname)
            got.insert("dbname", *line.dbname);
        if (line.user)
            got.insert("user", *line.user);
        QCOMPARE(got, given);
        QVERIFY(!line.help && !line.version);
    }

    void helpAndVersion() {
        QVERIFY(settings::parseCommandLine({"--help"}).help);
        QVERIFY(settings::parseCommandLine({"-h"}).help);
        QVERIFY(settings::parseCommandLine({"--version"}).version);
        // Asked for beside an option the parser does not know (as Qt's own -platform before Qt removes it).
        QVERIFY(settings::parseCommandLine({"-platform", "offscreen", "--version"}).version);
    }

    // One key set in every source that has it; each row takes the higher sources away one by one.
    void precedence_data() {
        QTest::addColumn<bool>("line");
        QTest::addColumn<bool>("user");
        QTest::addColumn<bool>("system");
        QTest::addColumn<bool>("env");
        QTest::addColumn<QString>("host");  // null: left out for libpq
        QTest::addColumn<QString>("origin");
        QTest::newRow("command line wins") << true << true << true << true << "h-line"
                                           << "command line";
        QTest::newRow("user file next") << false << true << true << true << "h-user"
                                        << "user file";
        QTest::newRow("system file next") << false << false << true << true << "h-system"
                                          << "system file";
        QTest::newRow("environment next") << false << false << false << true << QString() << "environment";
        QTest::newRow("built-in last") << false << false << false << false << "defhost"
                                       << "built-in";
        QTest::newRow("user file over environment") << false << true << false << true << "h-user"
                                                    << "user file";
        QTest::newRow("system file alone") << false << false << true << false << "h-system"
                                           << "system file";
    }
    void precedence() {
        QFETCH(bool, line);
        QFETCH(bool, user);
        QFETCH(bool, system);
        QFETCH(bool, env);
        QFETCH(QString, host);
        QFETCH(QString, origin);
        QTemporaryDir dir;
        settings::Sources src;
        src.defaultServer = "defhost";
        src.userFile = dir.filePath("user/tabel.conf");
        src.systemFile = dir.filePath("etc/tabel.conf");
        if (user)
            writeFile(src.userFile, "[connection]\nhost = h-user\nsslmode = require\n");
        if (system)
            writeFile(src.systemFile, "[connection]\nhost = h-system\nport = 6001\n");
        if (env)
            src.environment.insert("PGHOST", "h-env");
        settings::CommandLine cl;
        if (line)
            cl.host = "h-line";
        const settings::Resolved r = settings::resolve(cl, src);
        const Params p = asMap(r.connection);
        QCOMPARE(p.value("host"), host);
        QCOMPARE(p.contains("host"), !host.isNull());
        QCOMPARE(r.origin.value("host"), origin);
        // The other keys follow their own sources: each file only for what it names.
        QCOMPARE(p.value("sslmode"), user ? QString("require") : QString("prefer"));
        QCOMPARE(p.value("port"), system ? QString("6001") : QString("5432"));
        QCOMPARE(p.value("dbname"), QString("plantdb"));
        QCOMPARE(p.value("user"), QString("sys"));
        QCOMPARE(p.value("password"), QString("wubalek"));
    }

    // The built-in password goes with the built-in user only; a password file entry or PGPASSWORD comes first.
    void password_data() {
        QTest::addColumn<QString>("userFile");
        QTest::addColumn<QString>("pgpass");   // a line of the password file; null: no file
        QTest::addColumn<bool>("pgpassOpen");  // readable by others: libpq ignores it
        QTest::addColumn<QString>("pgpassword");
        QTest::addColumn<QString>("password");  // null: left out for libpq
        QTest::addColumn<QString>("origin");
        QTest::newRow("built-in user and password") << "" << QString() << false << ""
                                                    << "wubalek"
                                                    << "built-in";
        QTest::newRow("another user gets no built-in password") << "[connection]\nuser = ivanova\n"
                                                                << QString() << false << "" << QString() << "";
        QTest::newRow("password in the user file") << "[connection]\nuser = ivanova\npassword = \"s,e;cret\"\n"
                                                   << QString() << false << ""
                                                   << "s,e;cret"
                                                   << "user file";
        QTest::newRow("PGPASSWORD over the built-in") << "" << QString() << false << "x" << QString() << "environment";
        QTest::newRow("password file entry over the built-in")
            << ""
            << "*:*:plantdb:sys:other" << false << "" << QString() << "environment";
        QTest::newRow("password file of another database") << ""
                                                           << "*:*:otherdb:sys:other" << false << ""
                                                           << "wubalek"
                                                           << "built-in";
        QTest::newRow("password file for the socket host")
            << "[connection]\nhost = /run/pg\nuser = ivanova\n"
            << "localhost:5432:plantdb:ivanova:p" << false << "" << QString() << "environment";
        QTest::newRow("escaped colon in the file") << "[connection]\nhost = a:b\n"
                                                   << "a\\:b:*:*:sys:p" << false << "" << QString() << "environment";
        QTest::newRow("password file that others may read") << ""
                                                            << "*:*:*:*:other" << true << ""
                                                            << "wubalek"
                                                            << "built-in";
    }
    void password() {
        QFETCH(QString, userFile);
        QFETCH(QString, pgpass);
        QFETCH(bool, pgpassOpen);
        QFETCH(QString, pgpassword);
        QFETCH(QString, password);
        QFETCH(QString, origin);
        QTemporaryDir dir;
        settings::Sources src;
        src.defaultServer = "defhost";
        src.userFile = dir.filePath("tabel.conf");
        src.environment.insert("HOME", dir.path());
        if (!userFile.isEmpty())
            writeFile(src.userFile, userFile.toUtf8());
        if (!pgpass.isNull())
            writeFile(dir.filePath(".pgpass"), pgpass.toUtf8() + "\n",
                      pgpassOpen ? kOwnerOnly | QFile::ReadGroup | QFile::ReadOther : kOwnerOnly);
        if (!pgpassword.isEmpty())
            src.environment.insert("PGPASSWORD", pgpassword);
        const settings::Resolved r = settings::resolve({}, src);
        const Params p = asMap(r.connection);
        QCOMPARE(p.value("password"), password);
        QCOMPARE(p.contains("password"), !password.isNull());
        QCOMPARE(r.origin.value("password"), origin);
    }

    // [login] and [import]: the user's file over the system's; word and the built-in source by default.
    void loginAndImport() {
        QTemporaryDir dir;
        settings::Sources src;
        src.userFile = dir.filePath("user.conf");
        src.systemFile = dir.filePath("system.conf");
        QCOMPARE(settings::resolve({}, src).login, settings::LoginKind::Word);
        writeFile(src.systemFile, "[login]\nmode = person\n[import]\nsource = \"Tabel2;PWD=x\"\n");
        settings::Resolved r = settings::resolve({}, src);
        QCOMPARE(r.login, settings::LoginKind::Person);
        QCOMPARE(r.importSource, QString("Tabel2;PWD=x"));
        writeFile(src.userFile, "[login]\nmode = word\n");
        QCOMPARE(settings::resolve({}, src).login, settings::LoginKind::Word);
    }

    // The program's own default places: XDG_CONFIG_HOME and TABEL_SYSTEM_CONFIG.
    void defaultPlaces() {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        qputenv("TABEL_SYSTEM_CONFIG", dir.filePath("sys.conf").toUtf8());
        const settings::Sources src = settings::defaultSources();
        QCOMPARE(src.userFile, dir.filePath("tabel/tabel.conf"));
        QCOMPARE(src.systemFile, dir.filePath("sys.conf"));
        qunsetenv("TABEL_SYSTEM_CONFIG");
        QCOMPARE(settings::defaultSources().systemFile, QString("/etc/tabel/tabel.conf"));
    }

    // The settings reach a real server: the command line names the test cluster and its database, a user
    // file the port; the built-in user and password do the rest.
    void connects() {
        TestDb db;
        QTemporaryDir dir;
        settings::Sources src;
        src.userFile = dir.filePath("tabel.conf");
        writeFile(src.userFile, "[connection]\nport = 5432\nsslmode = prefer\n");
        settings::CommandLine cl;
        cl.host = TestDb::server();
        cl.dbname = db.name();
        Db conn;
        conn.open(settings::resolve(cl, src).connection);
        auto r = conn.query("select current_database(), session_user");
        QCOMPARE(r->text(0, 0), db.name());
        QCOMPARE(r->text(0, 1), QString("sys"));
    }

    // A password that came from PGPASSWORD moves into the connection's keys and out of the environment, and
    // the spreadsheet viewer is started without it.
    void passwordKeptFromChildren() {
        qputenv("PGPASSWORD", "from-env-secret");
        settings::Sources src;
        src.environment.insert("PGPASSWORD", "from-env-secret");
        settings::Resolved r = settings::resolve({}, src);
        QVERIFY(!asMap(r.connection).contains("password"));
        settings::keepPasswordFromChildren(r);
        QCOMPARE(asMap(r.connection).value("password"), QString("from-env-secret"));
        QVERIFY(!qEnvironmentVariableIsSet("PGPASSWORD"));

        // Even where the user's environment still has it, the viewer does not get it.
        qputenv("PGPASSWORD", "from-env-secret");
        QTemporaryDir dir;
        const QString out = dir.filePath("env.txt");
        // The viewer writes its environment aside and moves it into place, so that the file is whole once there.
        const QString script = dir.filePath("viewer.sh");
        writeFile(script, QString("env > '%1.part' && mv '%1.part' '%1'\n").arg(out).toUtf8());
        qputenv("TABEL_XLSX_OPENER", QString("/bin/sh %1").arg(script).toUtf8());
        ScriptedUi ui;
        ExcelWriter w(false);
        w.setFolder(dir.path());
        QCOMPARE(w.open("env"), 1);
        w.writeCell(1, 1, 1, "x");
        w.show(true);
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(out); }, 20000));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray env = f.readAll();
        QVERIFY(env.contains("TABEL_XLSX_OPENER="));
        QVERIFY(!env.contains("from-env-secret"));
        qunsetenv("PGPASSWORD");
        qunsetenv("TABEL_XLSX_OPENER");
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
