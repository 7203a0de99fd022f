// The history of changes: the rows the database writes for every change (who, where, in which mode, old and
// new row), that they cannot be changed or removed, the window that reads them, and the upgrade that adds the
// database's rules.
#include <QComboBox>
#include <QDateEdit>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "audit/audit_log.h"
#include "audit/audit_window.h"
#include "base/client_name.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/catalog_writes.h"
#include "core/dataset_model.h"
#include "core/excel_writer.h"
#include "journal/main_window.h"
#include "journal/shift_records.h"
#include "migrate/schema_upgrade.h"
#include "support/testdb.h"
#include "support/workbook.h"

namespace {

const char* const kCatalog = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17');
insert into accounts_dep.person(id, fio) values (17, 'Иванов И.И.'), (42, 'Петров П.П.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 1, 0, 12.5);
)sql";

shift_sql::Record values(const QString& quantity, const QString& hours) {
    return {17, 230, 411, QStringLiteral("12.5"), quantity, QStringLiteral("0"), QDate(2024, 3, 5), 1, 0, hours};
}

shift_records::Stored stored(TDataModule6& dm, qlonglong id) {
    Dataset q(dm.ADO_DB, QStringLiteral("stored"));
    q.setSql(shift_sql::lockedRecordSql(id));
    q.open();
    return shift_records::Stored::fromRow(q);
}

// The objects the database's rules consist of, as text: tables and their columns, indexes, functions, triggers
// and the audit table's privileges.
QString rulesSnapshot(TestDb& db) {
    return db.value(
               "select string_agg(c.relname || ':' || c.relkind::text, ',' order by c.relname) from pg_class c "
               "join pg_namespace n on n.oid = c.relnamespace where n.nspname = 'accounts_dep' "
               "and c.relname in ('audit', 'closed_month', 'month_event') or c.relname like 'audit%idx' "
               "or c.relname like 'month_event%idx'") +
           '|' +
           db.value(
               "select string_agg(p.proname || ':' || md5(pg_get_functiondef(p.oid)), ',' order by p.proname) "
               "from pg_proc p join pg_namespace n on n.oid = p.pronamespace where n.nspname = 'accounts_dep'") +
           '|' +
           db.value(
               "select string_agg(t.tgrelid::regclass || '.' || t.tgname || ':' || "
               "md5(pg_get_triggerdef(t.oid)), ',' order by 1) from pg_trigger t where not t.tgisinternal") +
           '|' +
           db.value(
               "select c.relacl::text from pg_class c join pg_namespace n on n.oid = c.relnamespace "
               "where n.nspname = 'accounts_dep' and c.relname = 'audit'");
}

// Removes the rules, as on a database of the given state.
void dropRules(TestDb& db) {
    db.exec(
        "drop table accounts_dep.audit, accounts_dep.closed_month, accounts_dep.month_event cascade;"
        "do $$ declare f record; begin "
        "for f in select p.oid::regprocedure as sig from pg_proc p join pg_namespace n on n.oid = p.pronamespace "
        "where n.nspname = 'accounts_dep' loop execute 'drop function ' || f.sig || ' cascade'; end loop; end $$;");
}

}  // namespace

class TestAudit : public QObject {
    Q_OBJECT
private slots:
    // Add, change and delete of a shift record through the program: one row each, with the session's login, the
    // workstation and login mode the program named itself with, and the old and new rows.
    void shiftRecordHistory() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kCatalog));
        TDataModule6& dm = *app().dm;
        dm.ADO_DB.setClientName(login::clientName(QStringLiteral("цех 2 ПК"), login::Mode::Foreman));
        const QDate today(2024, 3, 6);
        QCOMPARE(shift_records::save(dm, values("10", "8"), std::nullopt, today).status, WriteOutcome::Saved);
        const int id = f.db.count("select max(id) from accounts_dep.smena");
        QCOMPARE(shift_records::save(dm, values("12", "7"), stored(dm, id), today).status, WriteOutcome::Saved);
        QCOMPARE(shift_records::remove(dm, id, stored(dm, id)).status, WriteOutcome::Saved);

        const QString host = login::clientName(QStringLiteral("цех 2 ПК"), std::nullopt).mid(6);
        QCOMPARE(host, QStringLiteral("----2---"));
        const QString rows = f.db.value(
            "select string_agg(concat_ws('/', action, row_id, worker, person = session_user, workstation, login_mode, "
            "old_row->>'kol_vo', old_row->>'time', new_row->>'kol_vo', new_row->>'time', table_name), ';' order by id) "
            "from accounts_dep.audit where table_name = 'accounts_dep.smena'");
        const QString n = QString::number(id);
        QCOMPARE(rows, QStringLiteral("I/%1/17/t/%2/foreman/10/8/accounts_dep.smena;"
                                      "U/%1/17/t/%2/foreman/10/8/12/7/accounts_dep.smena;"
                                      "D/%1/17/t/%2/foreman/12/7/accounts_dep.smena")
                           .arg(n, host));
        // The lines the window shows: only what changed, in Russian.
        audit_log::Filter byRecord;
        byRecord.table = QStringLiteral("accounts_dep.smena");
        byRecord.rowId = id;
        const QList<audit_log::Line> lines = audit_log::read(dm.ADO_DB, byRecord);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1].action, QStringLiteral("U"));
        QCOMPARE(lines[1].mode, QStringLiteral("мастер"));
        QCOMPARE(lines[1].worker, QStringLiteral("Иванов И.И."));
        QVERIFY2(lines[1].changes.startsWith(QStringLiteral("Кол-во: 10 → 12; Часы: 8 → 7")),
                 qPrintable(lines[1].changes));
        QVERIFY(lines[0].changes.contains(QStringLiteral("Кол-во:  → 10")));
        QVERIFY(lines[2].changes.contains(QStringLiteral("Кол-во: 12 → ")));
        // The time-sheet rows are derived and not in the history.
        QCOMPARE(f.db.count("select count(*) from accounts_dep.audit where table_name like '%h_tabel'"), 0);
    }

    // Every audited table, written by any client: the action, the row id, the worker and the changed column.
    void everyTableAudited_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("worker");
        QTest::newRow("fatigue")
            << "accounts_dep.fatigue"
            << "insert into accounts_dep.fatigue(id, id_p, d_date, cnt) values (5, 42, '2024-03-05', 2)"
            << "update accounts_dep.fatigue set cnt = 3"
            << "cnt"
            << "42";
        QTest::newRow("oper") << "accounts_dep.oper"
                              << "insert into accounts_dep.oper(id, vid, naimen, i_id) values (5, 7, 1, 230)"
                              << "update accounts_dep.oper set naimen = 0 where id = 5"
                              << "naimen"
                              << "";
        QTest::newRow("norm") << "accounts_dep.norm"
                              << "insert into accounts_dep.norm(id, o_id, norma, price) values (5, 411, 2, 1.5)"
                              << "update accounts_dep.norm set price = 1.75 where id = 5"
                              << "price"
                              << "";
        QTest::newRow("vid_oper") << "accounts_dep.vid_oper"
                                  << "insert into accounts_dep.vid_oper(id, vid) values (5, 'Покраска')"
                                  << "update accounts_dep.vid_oper set vid = 'Окраска' where id = 5"
                                  << "vid"
                                  << "";
        QTest::newRow("person") << "accounts_dep.person"
                                << "insert into accounts_dep.person(id, fio) values (5, 'Сидоров С.С.')"
                                << "update accounts_dep.person set fio = 'Сидоров С.А.' where id = 5"
                                << "fio"
                                << "5";
        QTest::newRow("products") << "cmn_gds_and_srv.gds_and_srv"
                                  << "insert into cmn_gds_and_srv.gds_and_srv(id, s_caption) values (5, 'Б-1')"
                                  << "update cmn_gds_and_srv.gds_and_srv set massa = 2 where id = 5"
                                  << "massa"
                                  << "";
    }
    void everyTableAudited() {
        QFETCH(QString, table);
        QFETCH(QString, insert);
        QFETCH(QString, update);
        QFETCH(QString, column);
        QFETCH(QString, worker);
        TestDb db;
        db.exec(QString::fromUtf8(kCatalog));
        db.exec("set application_name = 'psql'");
        db.exec(insert);
        db.exec(update);
        db.exec(update);  // the same values again: no change
        db.exec("delete from " + table + " where id = 5");
        const QString where = " from accounts_dep.audit where table_name = '" + table + "' and row_id = 5";
        QCOMPARE(db.value("select string_agg(action || coalesce(worker::text, ''), ',' order by id)" + where),
                 "I" + worker + ",U" + worker + ",D" + worker);
        QVERIFY(db.value("select old_row->>'" + column + "' is distinct from new_row->>'" + column + "'" + where +
                         " and action = 'U'") == "t");
        QCOMPARE(db.value("select string_agg(workstation || '/' || coalesce(login_mode, '-'), ',')" + where +
                          " and action = 'D'"),
                 QStringLiteral("local psql/-"));
        // The line of the change names only the changed column.
        audit_log::Filter f;
        f.table = table;
        f.rowId = 5;
        const QList<audit_log::Line> lines = audit_log::read(db.admin(), f);
        QCOMPARE(lines.size(), 3);
        const QString line = lines[1].changes;
        QVERIFY2(!line.contains(';') && line.startsWith(audit_log::fieldCaption(table, column) + ": "),
                 qPrintable(line));
    }

    // Audit rows and month events are neither changed nor removed by the program's login, even where it grants
    // itself the rights back: the database's own rule refuses.
    void historyCannotBeChanged_data() {
        QTest::addColumn<QString>("statement");
        QTest::newRow("audit update") << "update accounts_dep.audit set person = 'x'";
        QTest::newRow("audit delete") << "delete from accounts_dep.audit";
        QTest::newRow("audit truncate") << "truncate accounts_dep.audit";
        QTest::newRow("event update") << "update accounts_dep.month_event set reason = 'x'";
        QTest::newRow("event delete") << "delete from accounts_dep.month_event";
        QTest::newRow("event truncate") << "truncate accounts_dep.month_event";
    }
    void historyCannotBeChanged() {
        QFETCH(QString, statement);
        TestDb db;
        db.exec(QString::fromUtf8(kCatalog));
        db.exec("select accounts_dep.close_month(2024, 1)");
        const QString before = db.value("select string_agg(a::text, ';' order by id) from accounts_dep.audit a") +
                               db.value("select string_agg(e::text, ';' order by id) from accounts_dep.month_event e");
        QVERIFY(db.count("select count(*) from accounts_dep.audit") > 0);
        Db program;
        db.connect(program);
        try {
            program.exec(statement);
            QFAIL("the history was changed");
        } catch (const DbError& e) {
            QCOMPARE(e.sqlState(), QStringLiteral("42501"));  // no right
        }
        program.exec("grant update, delete, truncate on accounts_dep.audit, accounts_dep.month_event to current_user");
        try {
            program.exec(statement);
            QFAIL("the history was changed");
        } catch (const DbError& e) {
            QCOMPARE(int(e.kind()), int(DbError::Kind::Refused));
            QCOMPARE(e.userText(), QStringLiteral("История изменений не изменяется и не удаляется."));
        }
        QCOMPARE(db.value("select string_agg(a::text, ';' order by id) from accounts_dep.audit a") +
                     db.value("select string_agg(e::text, ';' order by id) from accounts_dep.month_event e"),
                 before);
    }

    // The window: the changes of a period, by worker and by table, the spreadsheet export; from the journal,
    // Ctrl+H opens the history of the current record.
    void windowAndExport() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kCatalog));
        TDataModule6& dm = *app().dm;
        QCOMPARE(shift_records::save(dm, values("10", "8"), std::nullopt, QDate(2024, 3, 6)).status,
                 WriteOutcome::Saved);
        const int id = f.db.count("select max(id) from accounts_dep.smena");
        QCOMPARE(shift_records::save(dm, values("12", "8"), stored(dm, id), QDate(2024, 3, 6)).status,
                 WriteOutcome::Saved);
        f.db.exec("insert into accounts_dep.fatigue(id_p, d_date, cnt) values (42, '2024-03-05', 2)");
        // A change long ago, outside the window's first period.
        f.db.exec(
            "insert into accounts_dep.audit(at, table_name, row_id, worker, action, new_row) values "
            "('2023-01-10 10:00', 'accounts_dep.smena', 999, 17, 'I', '{\"kol_vo\": 1}')");
        const int thisMonth =
            f.db.count("select count(*) from accounts_dep.audit where at >= date_trunc('month', now())");

        AuditWindow* w = app().audit;
        QTemporaryDir dir;
        ExcelWriter& xl = formattingWriter();
        xl.setFolder(dir.path());
        auto showRows = [&] {
            w->ShowButton->click();
            return w->AuditGrid->model()->rowCount();
        };
        f.ui.onModal([&](QDialog*) {
            QCOMPARE(w->AuditGrid->model()->rowCount(), thisMonth);
            QVERIFY(w->RecordLabel->isHidden());
            w->WorkerBox->setCurrentIndex(w->WorkerBox->findText(QStringLiteral("Иванов И.И.")));
            QCOMPARE(showRows(), 3);  // the worker's own row in the workers, and his record added and changed
            w->TableBox->setCurrentIndex(w->TableBox->findData(QStringLiteral("accounts_dep.smena")));
            QCOMPARE(showRows(), 2);
            w->DateFrom->setDate(QDate(2023, 1, 1));
            QCOMPARE(showRows(), 3);
            QAbstractItemModel* m = w->AuditGrid->model();
            QCOMPARE(m->headerData(8, Qt::Horizontal).toString(), QStringLiteral("Изменения"));
            QCOMPARE(m->index(0, 0).data().toString(), QStringLiteral("10.01.2023 10:00:00"));
            QCOMPARE(m->index(2, 7).data().toString(), QStringLiteral("Изменение"));
            QCOMPARE(m->index(2, 6).data().toString(), QStringLiteral("Иванов И.И."));
            QCOMPARE(m->index(2, 4).data().toString(), QStringLiteral("Записи смен"));
            QCOMPARE(m->index(2, 8).data().toString(), QStringLiteral("Кол-во: 10 → 12"));
            w->ExcelButton->click();
        });
        w->run();
        const QJsonObject cells = readWorkbook(xl.fileName());
        QCOMPARE(cells["A1"].toString(), QStringLiteral("Время"));
        QCOMPARE(cells["I1"].toString(), QStringLiteral("Изменения"));
        QCOMPARE(cells["A2"].toString(), QStringLiteral("10.01.2023 10:00:00"));
        QCOMPARE(cells["F4"].toString(), QString::number(id));
        QCOMPARE(cells["I4"].toString(), QStringLiteral("Кол-во: 10 → 12"));
        QVERIFY(!cells.contains("A5"));

        // Ctrl+H in the journal: the history of the record, whenever made.
        TForm1& main = *app().form1;
        QCOMPARE(main.NHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QVERIFY(main.DBGrid2->actions().contains(main.NHistory));
        for (int s = 1; s <= 4; ++s)
            dm.smena(s).setParam("ok", "ta");
        main.FormActivate();
        main.DateT->setDate(QDate(2024, 3, 5));
        main.DateTChange();
        QVERIFY(dm.Smena1.locate("id", id));
        f.ui.onModal([&](QDialog* d) {
            QCOMPARE(d, static_cast<QDialog*>(w));
            QVERIFY(!w->RecordLabel->isHidden());
            QCOMPARE(w->lines().size(), 2);
            QCOMPARE(w->lines()[0].rowId, qlonglong(id));
            QCOMPARE(w->lines()[1].action, QStringLiteral("U"));
        });
        main.NHistory->trigger();
        QVERIFY(w->RecordLabel->isHidden());
    }

    // «Структура БД» on a database in the given state (none of the rules yet) adds them as a new database has
    // them, reports nothing, and a second run changes nothing.
    void upgradeAddsRules() {
        TestDb fresh;
        const QString expected = rulesSnapshot(fresh);
        TestDb db;
        dropRules(db);
        QVERIFY(rulesSnapshot(db) != expected);
        db.exec(QString::fromUtf8(kCatalog));
        Db conn;
        db.connect(conn);
        QCOMPARE(schema::upgrade(conn), QStringList());
        QCOMPARE(rulesSnapshot(db), expected);
        db.exec("select accounts_dep.close_month(2024, 3)");
        db.exec("update accounts_dep.norm set price = 13");
        const int audit = db.count("select count(*) from accounts_dep.audit");
        QCOMPARE(audit, 1);  // the norm's change (a close is a month event, not a change of data)
        QCOMPARE(schema::upgrade(conn), QStringList());
        QCOMPARE(rulesSnapshot(db), expected);
        // What was recorded stays.
        QCOMPARE(db.count("select count(*) from accounts_dep.audit"), audit);
        QCOMPARE(db.count("select count(*) from accounts_dep.closed_month"), 1);
        QVERIFY(!conn.inTransaction());
    }

    // A step that fails is reported by its name, the other steps still run; the menu command shows it.
    void failingStepReported() {
        AppFixture f;
        dropRules(f.db);
        // Something of that name that is not the history: its indexes cannot be made.
        f.db.exec("create table accounts_dep.audit (x int)");
        const QStringList failed = schema::upgrade(app().dm->ADO_DB);
        QVERIFY2(failed.size() >= 1 && failed[0].startsWith(QStringLiteral("История изменений: ")),
                 qPrintable(failed.join('\n')));
        QCOMPARE(f.db.count("select count(*) from pg_trigger where tgname = 'smena_month'"), 1);
        QCOMPARE(f.db.count("select count(*) from pg_proc where proname = 'close_month'"), 1);
        app().form1->N16Click();
        QCOMPARE(f.ui.messages.size(), 1);
        QVERIFY(f.ui.messages[0].text.startsWith(
            QStringLiteral("Структура БД обновлена не полностью:\nИстория изменений: ")));
    }

    // The steps of the rules' file, as the upgrade sends them.
    void stepsOfScript() {
        const QList<schema::Step> steps = schema::stepsOf(
            QStringLiteral("-- header\nselect 0;\n-- step: Первый\nselect 1;\n\n-- step: Второй\nselect 2;\n"));
        QCOMPARE(steps.size(), 2);
        QCOMPARE(steps[0].name, QStringLiteral("Первый"));
        QCOMPARE(steps[0].sql, QStringLiteral("select 1;\n\n"));
        QCOMPARE(steps[1].sql, QStringLiteral("select 2;\n\n"));
        QVERIFY(!schema::scripts().isEmpty());
        QVERIFY(schema::stepsOf(schema::scripts()[0].text).size() >= 4);
    }
};

QTEST_MAIN(TestAudit)
#include "test_audit.moc"
