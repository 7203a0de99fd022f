// Closed months: the database refuses every change of a closed month's records, whoever writes; the windows show
// the state and switch their writing buttons off; a month is closed, reopened for a reason and closed again.
#include <libpq-fe.h>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "audit/month_close.h"
#include "audit/month_close_window.h"
#include "base/closed_months.h"
#include "base/datamodule.h"
#include "base/login_modes.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "journal/main_window.h"
#include "journal/shift_records.h"
#include "support/invariants.h"
#include "support/testdb.h"
#include "timesheet/maintenance_journal.h"
#include "timesheet/maintenance_logic.h"
#include "timesheet/month_rebuild.h"

namespace {

// March 2024 with two shift records, a maintenance entry and their time-sheet rows; April with one record.
const char* const kFixture = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (42, 'Петров П.П.', '42');
insert into accounts_dep.person(id, fio) values (17, 'Иванов И.И.'), (42, 'Петров П.П.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка'), (7777, 'Хоз. работы'), (7778, 'Ср. сдельная');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0), (901, 7777, 0, 7777, 0),
  (902, 7778, 0, 7778, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 1, 0, 12.5), (901, 1, 0, 150), (902, 1, 0, 200);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod, prize)
  values (1, '2024-03-05', 1, 17, 230, 411, 12.5, 10, 0, 0, 8, 'no', '2024-03-05', 0),
         (2, '2024-03-06', 1, 42, 230, 411, 12.5, 20, 1, 0, 6, 'ok', '2024-03-06', 0),
         (3, '2024-04-02', 1, 17, 230, 411, 12.5, 5, 0, 0, 4, 'no', '2024-04-02', 0);
insert into accounts_dep.fatigue(id, id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
  values (1, 100, 7778, 17, '2024-03-05', 3, 2024, 1, 2, 0, 0, 0);
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d5) values (17, 3, 2024, 1, 0, 0, 8);
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d6) values (42, 3, 2024, 1, 0, 0, 6);
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d5) values (17, 3, 2024, null, 7778, 0, 2);
insert into accounts_dep.h_tabel(w_id, month, year, smena, i_type, i_night, d2) values (17, 4, 2024, 1, 0, 0, 4);
select setval('accounts_dep.smena_id_seq', 100), setval('accounts_dep.fatigue_id_seq', 100);
)sql";

// Every row of the three guarded tables, as text.
QString snapshot(TestDb& db) {
    return db.value("select string_agg(t::text, ';' order by t::text) from accounts_dep.smena t") + '|' +
           db.value("select string_agg(t::text, ';' order by t::text) from accounts_dep.fatigue t") + '|' +
           db.value("select string_agg(t::text, ';' order by t::text) from accounts_dep.h_tabel t");
}

shift_sql::Record values(const QDate& date, int worker = 17, const QString& hours = QStringLiteral("3")) {
    return {worker, 230, 411, QStringLiteral("12.5"), QStringLiteral("7"), QStringLiteral("0"), date, 2, 0, hours};
}

shift_records::Stored stored(TDataModule6& dm, int id) {
    Dataset q(dm.ADO_DB, QStringLiteral("stored"));
    q.setSql(shift_sql::lockedRecordSql(id));
    q.open();
    return shift_records::Stored::fromRow(q);
}

maint::Entry entry(const QDate& date) {
    maint::Entry e;
    e.group = 100;
    e.kind = 7777;
    e.worker = 42;
    e.date = date;
    e.hours = 3;
    e.price = 150;
    return e;
}

// A bare libpq session on the test database: another client that knows nothing of the program.
struct RawSession {
    PGconn* conn = nullptr;
    explicit RawSession(const TestDb& db) {
        std::vector<QByteArray> keys, vals;
        for (const auto& [k, v] : db.settings().libpqParams()) {
            keys.push_back(k.toUtf8());
            vals.push_back(v.toUtf8());
        }
        std::vector<const char*> k, v;
        for (size_t i = 0; i < keys.size(); ++i) {
            k.push_back(keys[i].constData());
            v.push_back(vals[i].constData());
        }
        k.push_back(nullptr);
        v.push_back(nullptr);
        conn = PQconnectdbParams(k.data(), v.data(), 0);
    }
    ~RawSession() { PQfinish(conn); }
    // The SQLSTATE of the statement's error ("" when it succeeded) and its primary message.
    QPair<QString, QString> run(const QString& sql) {
        PGresult* r = PQexec(conn, sql.toUtf8().constData());
        QPair<QString, QString> out;
        if (PQresultStatus(r) == PGRES_FATAL_ERROR) {
            out.first = QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE));
            out.second = QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
        }
        PQclear(r);
        return out;
    }
};

const QString kMarchClosed = QStringLiteral("Месяц март 2024 закрыт: записи этого месяца не изменяются.");

}  // namespace

class TestClosedMonths : public QObject {
    Q_OBJECT
private slots:
    // Every write path of the program that touches a closed month is refused by the database with the month
    // named, and nothing of it is written.
    void programWritesRefused_data() {
        QTest::addColumn<int>("path");
        QTest::newRow("record added") << 0;
        QTest::newRow("record changed") << 1;
        QTest::newRow("record moved from April into March") << 2;
        QTest::newRow("record moved from March into April") << 3;
        QTest::newRow("record deleted") << 4;
        QTest::newRow("maintenance entry added") << 5;
        QTest::newRow("maintenance entry changed") << 6;
        QTest::newRow("maintenance entry deleted") << 7;
        QTest::newRow("average piece rate") << 8;
        QTest::newRow("month rebuild") << 9;
        QTest::newRow("acceptance mark") << 10;
    }
    void programWritesRefused() {
        QFETCH(int, path);
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        f.db.exec("select accounts_dep.close_month(2024, 3)");
        const QString before = snapshot(f.db);
        TDataModule6& dm = *app().dm;
        const QDate march(2024, 3, 7), april(2024, 4, 3);
        try {
            switch (path) {
                case 0:
                    shift_records::save(dm, values(march), std::nullopt, QDate(2024, 4, 10));
                    break;
                case 1:
                    shift_records::save(dm, values(QDate(2024, 3, 5), 17, "7"), stored(dm, 1), QDate(2024, 4, 10));
                    break;
                case 2:
                    shift_records::save(dm, values(march), stored(dm, 3), QDate(2024, 4, 10));
                    break;
                case 3:
                    shift_records::save(dm, values(april), stored(dm, 1), QDate(2024, 4, 10));
                    break;
                case 4:
                    shift_records::remove(dm, 2, stored(dm, 2));
                    break;
                case 5:
                    maint::saveEntry(dm, entry(march), 0);
                    break;
                case 6:
                    maint::saveEntry(dm, entry(QDate(2024, 3, 5)), 1);
                    break;
                case 7:
                    maint::deleteEntry(dm, 1);
                    break;
                case 8:
                    maint::computeAverageRate(dm, 3, 2024);
                    break;
                case 9:
                    timesheet::rebuildMonth(dm.ADO_DB, 3, 2024);
                    break;
                case 10:
                    app().form1->updtOK.setParam("ok", "ok");
                    app().form1->updtOK.setParam("id", 1);
                    app().form1->updtOK.execute();
                    break;
            }
            QFAIL("the write went through");
        } catch (const DbError& e) {
            QCOMPARE(int(e.kind()), int(DbError::Kind::Refused));
            QCOMPARE(e.sqlState(), QStringLiteral("TB001"));
            QCOMPARE(e.userText(), kMarchClosed);
        }
        QCOMPARE(snapshot(f.db), before);
        QVERIFY(!dm.ADO_DB.inTransaction());
        // The open month still takes writes.
        QCOMPARE(shift_records::save(dm, values(april), std::nullopt, QDate(2024, 4, 10)).status, WriteOutcome::Saved);
        QVERIFY2(timesheetMismatches(f.db).isEmpty(), qPrintable(timesheetMismatches(f.db).join('\n')));
    }

    // Another client (a bare libpq session) is refused the same way, statement by statement, whichever date of
    // the row (old or new) is in the closed month; TRUNCATE too.
    void otherClientRefused_data() {
        QTest::addColumn<QString>("statement");
        QTest::newRow("smena insert") << "insert into accounts_dep.smena(data, w_id) values ('2024-03-31', 17)";
        QTest::newRow("smena update") << "update accounts_dep.smena set kol_vo = 99 where id = 1";
        QTest::newRow("smena moved in") << "update accounts_dep.smena set data = '2024-03-01' where id = 3";
        QTest::newRow("smena moved out") << "update accounts_dep.smena set data = '2024-04-01' where id = 1";
        QTest::newRow("smena delete all") << "delete from accounts_dep.smena where id > 0";
        QTest::newRow("smena truncate") << "truncate accounts_dep.smena";
        QTest::newRow("fatigue insert") << "insert into accounts_dep.fatigue(d_date, cnt) values ('2024-03-02', 1)";
        QTest::newRow("fatigue by month only") << "insert into accounts_dep.fatigue(i_mnth, i_year) values (3, 2024)";
        QTest::newRow("fatigue update") << "update accounts_dep.fatigue set cnt = 5";
        QTest::newRow("fatigue delete") << "delete from accounts_dep.fatigue";
        QTest::newRow("fatigue truncate") << "truncate accounts_dep.fatigue";
        QTest::newRow("h_tabel insert") << "insert into accounts_dep.h_tabel(w_id, month, year) values (1, 3, 2024)";
        QTest::newRow("h_tabel update") << "update accounts_dep.h_tabel set d9 = 1 where month = 3";
        QTest::newRow("h_tabel moved in") << "update accounts_dep.h_tabel set month = 3 where month = 4";
        QTest::newRow("h_tabel delete") << "delete from accounts_dep.h_tabel where year = 2024";
        QTest::newRow("h_tabel truncate") << "truncate accounts_dep.h_tabel";
        QTest::newRow("closed month removed") << "delete from accounts_dep.closed_month";
        QTest::newRow("closed month changed") << "update accounts_dep.closed_month set month = 2";
    }
    void otherClientRefused() {
        QFETCH(QString, statement);
        TestDb db;
        db.exec(QString::fromUtf8(kFixture));
        db.exec("select accounts_dep.close_month(2024, 3)");
        const QString before = snapshot(db);
        const QString closed = db.value("select string_agg(year || '-' || month, ',') from accounts_dep.closed_month");
        RawSession raw(db);
        QCOMPARE(PQstatus(raw.conn), CONNECTION_OK);
        const auto [state, message] = raw.run(statement);
        QVERIFY2(state.startsWith("TB"), qPrintable(state + ' ' + message));
        QVERIFY(message.contains(QStringLiteral("март 2024")));
        QCOMPARE(snapshot(db), before);
        QCOMPARE(db.value("select string_agg(year || '-' || month, ',') from accounts_dep.closed_month"), closed);
        // Rows of the open month go on as before.
        QCOMPARE(raw.run("update accounts_dep.smena set kol_vo = 6 where id = 3").first, QString());
        QCOMPARE(db.count("select kol_vo from accounts_dep.smena where id = 3"), 6);
    }

    // The window: close (its confirm shows the month's counts), a write refused, reopen for a reason, the write
    // goes through, close again; every close and reopen is kept with who did it.
    void closeReopenClose() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        TDataModule6& dm = *app().dm;
        MonthCloseWindow* w = app().monthClose;
        auto select = [&](const QString& caption) {
            for (int r = 1; r <= w->months.recordCount(); ++r) {
                w->months.setRecNo(r);
                if (w->months.field("caption").asString() == caption)
                    return true;
            }
            return false;
        };
        auto inWindow = [&](std::function<void()> act, std::source_location where = std::source_location::current()) {
            f.ui.onModal([&, act](QDialog*) { act(); }, where);
            w->run();
        };

        // Newest first, one row per month; April has a record, March three (two records and an entry).
        inWindow([&] {
            QCOMPARE(w->months.recordCount(), 2);
            w->months.first();
            QCOMPARE(w->months.field("caption").asString(), QStringLiteral("апрель 2024"));
            QVERIFY(select("март 2024"));
            QCOMPARE(w->months.field("state").asString(), QStringLiteral("Открыт"));
            QVERIFY(w->CloseMonthButton->isEnabled());
            QVERIFY(!w->ReopenMonthButton->isEnabled());
            f.ui.answer(ui::IDNO);
            w->CloseMonthButton->click();
            QCOMPARE(w->months.field("state").asString(), QStringLiteral("Открыт"));
            f.ui.answer(ui::IDYES);
            w->CloseMonthButton->click();
            QCOMPARE(w->months.field("caption").asString(), QStringLiteral("март 2024"));
            QCOMPARE(w->months.field("state").asString(), QStringLiteral("Закрыт"));
            QCOMPARE(w->months.field("closed_by").asString(), f.db.value("select session_user"));
            QVERIFY(!w->CloseMonthButton->isEnabled());
            QVERIFY(w->ReopenMonthButton->isEnabled());
        });
        QCOMPARE(f.ui.messages.size(), 2);
        QCOMPARE(f.ui.messages[0].flags, int(ui::MB_QUESTION));
        // The month check's counts are part of the question (the month's time sheet was never built: check 5).
        const month_close::Summary asked{2024, 3, 2, 1, 1, month_check::counts(dm.ADO_DB, 2024, 3)};
        QCOMPARE(f.ui.messages[1].text, month_close::confirmText(asked));
        QVERIFY(f.ui.messages[1].text.contains(QStringLiteral("Проверка месяца:\n1. ")));
        QVERIFY(f.ui.messages[1].text.contains(QStringLiteral("Записей смен: 2, из них не принято: 1.")));
        QVERIFY(closed_months::isClosed(dm.ADO_DB, QDate(2024, 3, 31)));
        QVERIFY(!closed_months::isClosed(dm.ADO_DB, QDate(2024, 4, 1)));
        QVERIFY_THROWS_EXCEPTION(DbError, maint::saveEntry(dm, entry(QDate(2024, 3, 7)), 0));

        // A reopen without a reason is not done; with one it is.
        f.ui.messages.clear();
        inWindow([&] {
            QVERIFY(select("март 2024"));
            f.ui.onModal([](QDialog* d) {
                auto* ok = d->findChild<QPushButton*>("OkButton");
                ok->click();
                QVERIFY(d->isVisible());  // an empty reason keeps the dialog open
                d->findChild<QPushButton*>("CancelButton")->click();
            });
            w->ReopenMonthButton->click();
            QCOMPARE(w->months.field("state").asString(), QStringLiteral("Закрыт"));
            f.ui.onModal([](QDialog* d) {
                d->findChild<QLineEdit*>("ReasonEdit")->setText(QStringLiteral("  исправить часы Иванова "));
                d->findChild<QPushButton*>("OkButton")->click();
            });
            w->ReopenMonthButton->click();
            QCOMPARE(w->months.field("state").asString(), QStringLiteral("Открыт"));
            QCOMPARE(w->months.field("closed_by").asString(), QString());
        });
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text, QStringLiteral("Укажите причину открытия месяца."));
        QCOMPARE(maint::saveEntry(dm, entry(QDate(2024, 3, 7)), 0).status, WriteOutcome::Saved);

        // Closing again; the month cannot be closed twice (a stale window).
        QCOMPARE(month_close::close(dm.ADO_DB, 2024, 3).status, WriteOutcome::Saved);
        const WriteOutcome twice = month_close::close(dm.ADO_DB, 2024, 3);
        QCOMPARE(twice.status, WriteOutcome::Refused);
        QCOMPARE(twice.reason, QStringLiteral("Месяц март 2024 уже закрыт."));
        QCOMPARE(month_close::reopen(dm.ADO_DB, 2024, 4, QStringLiteral("ошибка")).reason,
                 QStringLiteral("Месяц апрель 2024 не закрыт."));
        QCOMPARE(f.db.value("select string_agg(action || ':' || coalesce(reason, '-') || ':' || "
                            "(person = session_user)::text, ',' order by id) from accounts_dep.month_event"),
                 QStringLiteral("close:-:true,reopen:исправить часы Иванова:true,close:-:true"));
        QVERIFY_THROWS_EXCEPTION(DbError, maint::saveEntry(dm, entry(QDate(2024, 3, 8)), 0));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.fatigue"), 2);
        QVERIFY2(timesheetMismatches(f.db).isEmpty(), qPrintable(timesheetMismatches(f.db).join('\n')));
    }

    // The journal and the maintenance journal on a day of a closed month: «Месяц закрыт», and a writing button
    // is enabled only when the login mode allows it and the month is open.
    void windowsShowClosedMonth_data() {
        QTest::addColumn<QString>("word");
        QTest::newRow("full access") << "3958";
        QTest::newRow("foreman") << "quilpon";
    }
    void windowsShowClosedMonth() {
        QFETCH(QString, word);
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        f.db.exec("select accounts_dep.close_month(2024, 3)");
        TForm1& main = *app().form1;
        main.loginText = word;
        login::applyMode(*login::modeOfWord(word));
        const QStringList off = login::disabledIn("TForm1", *login::modeOfWord(word));
        for (int s = 1; s <= 4; ++s)
            app().dm->smena(s).setParam("ok", "ta");
        main.FormActivate();
        auto showDay = [&](const QDate& d) {
            main.DateT->setDate(d);
            main.DateTChange();
        };
        showDay(QDate(2024, 3, 5));
        QVERIFY(main.monthClosed());
        QVERIFY(!main.MonthClosedLabel->isHidden());
        QCOMPARE(main.MonthClosedLabel->text(), QStringLiteral("Месяц закрыт"));
        for (QPushButton* b : {main.Button1, main.Button2, main.Button3})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(app().dm->Smena1.recordCount(), 1);  // the records are still shown
        // A double click does not toggle the mark of a closed month.
        main.DBGrid2DblClick();
        QCOMPARE(f.db.value("select trim(ok) from accounts_dep.smena where id = 1"), QStringLiteral("no"));

        showDay(QDate(2024, 4, 2));
        QVERIFY(!main.monthClosed());
        QVERIFY(main.MonthClosedLabel->isHidden());
        for (QPushButton* b : {main.Button1, main.Button2, main.Button3})
            QCOMPARE(b->isEnabled(), !off.contains(b->objectName()));

        TForm25* j = app().form25;
        f.ui.onModal([&](QDialog*) {
            QVERIFY(j->monthClosed());
            QVERIFY(!j->MonthClosedLabel->isHidden());
            for (QPushButton* b : {j->Button5, j->Button6, j->Button7, j->Button1})
                QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
            QVERIFY(j->Button8->isEnabled());
            j->DTPcker1->setDate(QDate(2024, 4, 2));
            QVERIFY(!j->monthClosed());
            QVERIFY(j->MonthClosedLabel->isHidden());
            for (QPushButton* b : {j->Button5, j->Button6, j->Button7, j->Button1})
                QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
        });
        j->openFor(QDate(2024, 3, 5));
    }

    // A journal opened before the month was closed elsewhere: the delete is refused with the database's Russian
    // message in the error box, and the record stays.
    void staleJournalRefused() {
        AppFixture f;
        f.db.exec(QString::fromUtf8(kFixture));
        TForm1& main = *app().form1;
        for (int s = 1; s <= 4; ++s)
            app().dm->smena(s).setParam("ok", "ta");
        main.FormActivate();
        main.DateT->setDate(QDate(2024, 3, 5));
        main.DateTChange();
        QVERIFY(main.Button3->isEnabled());
        f.db.exec("select accounts_dep.close_month(2024, 3)");  // another workstation
        const QString before = snapshot(f.db);
        f.ui.answer(ui::IDYES);
        main.Button3->click();
        QCOMPARE(f.ui.errors, QStringList{kMarchClosed});
        QCOMPARE(f.ui.errorDetails, QStringList{QString()});
        QCOMPARE(snapshot(f.db), before);
        QVERIFY(!app().dm->ADO_DB.inTransaction());
    }

    // A close waits for a write of its month still in flight, and a write after the close is refused: no record
    // of a closed month slips in between.
    void closeWaitsForWriteInFlight() {
        TestDb db;
        db.exec(QString::fromUtf8(kFixture));
        Db writer, closer;
        db.connect(writer);
        db.connect(closer);
        writer.begin();
        writer.exec("update accounts_dep.smena set kol_vo = 11 where id = 1");
        // The writer holds its month: the close is not granted within the lock wait bound.
        try {
            closer.exec("select accounts_dep.close_month(2024, 3)");
            QFAIL("closed while a write of the month was in flight");
        } catch (const DbError& e) {
            QCOMPARE(int(e.kind()), int(DbError::Kind::Busy));
        }
        writer.commit();
        closer.exec("select accounts_dep.close_month(2024, 3)");
        QCOMPARE(db.count("select kol_vo from accounts_dep.smena where id = 1"), 11);
        QVERIFY_THROWS_EXCEPTION(DbError, writer.exec("update accounts_dep.smena set kol_vo = 12 where id = 1"));
    }
};

QTEST_MAIN(TestClosedMonths)
#include "test_closed_months.moc"
