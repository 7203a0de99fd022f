// The program against a busy or lost server, and the keyboard of its dialogs: a lock held by another session
// ends a save within seconds with nothing written; a lost server is named in Russian, the grids keep their
// rows, the dialog keeps its input, and the next action after the server is back works; Enter presses the
// focused button.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/login_window.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/norms_grid.h"
#include "catalog/price_dialog.h"
#include "core/dataset_model.h"
#include "journal/main_window.h"
#include "journal/shift_entry_dialog.h"
#include "support/invariants.h"
#include "support/lockwait.h"
#include "support/testdb.h"
#include "timesheet/maintenance_dialog.h"
#include "timesheet/nomenclature_picker.h"

namespace {

// Worker 42, product 230 with the operation Сборка (411); one record of 05.03.2024, shift 2, with its cell.
const char* const kData = R"sql(
insert into cmn_classifier.item(id, id_level, s_caption) values (100, 2, 'Ведра');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, massa, id_class_item, id_msm_bs) values (230, 'А-12', 2.5, 100, 6);
insert into cmn_contractor.person(id, s_caption, s_code) values (17, 'Иванов И.И.', '17'), (42, 'Петров П.П.', '42');
insert into accounts_dep.person(id, fio) values (17, 'Иванов И.И.'), (42, 'Петров П.П.');
insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (411, 7, 0, 230, 0);
insert into accounts_dep.norm(o_id, norma, prize, price) values (411, 50, 0, 10);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod, prize,
  id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
  values (901, '2024-03-05', 2, 17, 230, 411, 10, 5, 0, 0, 3, 'no', '2024-03-05', 0, 0, 0, 0, 0, 0);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d5) values (17, 2, 3, 2024, 3), (42, 2, 3, 2024, 0);
)sql";

const QString kBusy = QStringLiteral("База данных занята другим рабочим местом. Повторите запись позже.");
const QString kLost = QStringLiteral("Нет связи с сервером базы данных.");

TForm1* openJournal() {
    for (int s = 1; s <= 4; ++s)
        app().dm->smena(s).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    TForm1* w = app().form1;
    w->FormActivate();
    w->DateT->setDate(QDate(2024, 3, 5));
    w->DateTChange();
    w->selectShift(2);
    w->CBox1->setChecked(false);
    return w;
}

// The dialog as a user leaves it before "Запись": worker 42, 7 pieces, 4 hours.
void fill(TForm11* d) {
    d->Edit1->setText(QStringLiteral("Петров П.П."));
    d->Edit2->setText(QStringLiteral("А-12; Сборка; Готовая продукция"));
    d->workerId = 42;
    d->productId = 230;
    d->operId = 411;
    d->unitPrice = 10;
    d->Edit3->setText(QStringLiteral("7"));
    d->Edit4->setText(QStringLiteral("0"));
    d->Edit6->setText(QStringLiteral("4"));
    d->DTimeP->setDate(QDate(2024, 3, 5));
}

QString typed(TForm11* d) {
    return QStringList{d->Edit1->text(), d->Edit3->text(), d->Edit6->text()}.join(QLatin1Char('/'));
}

bool greyed(QAbstractItemModel* m) {
    return m->rowCount() > 0 && m->data(m->index(0, 0), Qt::ForegroundRole).value<QColor>() == QColor(Qt::gray) &&
           m->data(m->index(0, 0), Qt::ToolTipRole).toString() == DatasetModel::staleNote();
}

// Turns away new connections to the test database and ends the program's own session: to the program the
// server is gone (the other tests sharing the cluster are not disturbed). Back again: connections allowed.
void serverGone(TestDb& db, int pid) {
    db.exec(QStringLiteral("alter database %1 connection limit 0").arg(db.name()));
    QCOMPARE(db.value(QStringLiteral("select pg_terminate_backend(%1)").arg(pid)), QStringLiteral("t"));
    // The server has closed the session when it no longer lists it.
    for (int i = 0; i < 500 && db.count(QStringLiteral("select count(*) from pg_stat_activity where pid=%1").arg(pid));
         ++i)
        QTest::qWait(10);
}
void serverBack(TestDb& db) {
    db.exec(QStringLiteral("alter database %1 connection limit -1").arg(db.name()));
}

}  // namespace

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Every server error reaches the user as a Russian sentence saying what failed, the server's text as the
    // detail; errors the program raises itself stay as they are.
    void errorTexts_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("detail");  // its first line
        QTest::newRow("read") << "select * from accounts_dep.nothing" << int(DbError::Kind::Read)
                              << "Не удалось прочитать данные из базы данных."
                              << "ERROR:  relation \"accounts_dep.nothing\" does not exist";
        QTest::newRow("number too large") << "update accounts_dep.h_tabel set d5=40000" << int(DbError::Kind::Write)
                                          << "Изменение не выполнено: число вне допустимого диапазона."
                                          << "ERROR:  smallint out of range";
        QTest::newRow("key taken") << "insert into accounts_dep.vid_oper(id, vid) values (7, 'Сборка')"
                                   << int(DbError::Kind::Write) << "Изменение не выполнено: такая запись уже есть."
                                   << "ERROR:  duplicate key value violates unique constraint \"vid_oper_pkey\"";
        QTest::newRow("other write") << "update accounts_dep.smena set vvod='junk'" << int(DbError::Kind::Write)
                                     << "Изменение данных не выполнено."
                                     << "ERROR:  invalid input syntax for type timestamp: \"junk\"";
    }
    void errorTexts() {
        QFETCH(QString, sql);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, detail);
        TestDb db;
        db.exec(kData);
        Db conn;
        db.connect(conn);
        ScriptedUi ui;
        ui::guarded([&] { conn.exec(sql); })();
        QCOMPARE(ui.errors, QStringList{text});
        QCOMPARE(ui.errorDetails.size(), 1);
        QCOMPARE(ui.errorDetails[0].section('\n', 0, 0), detail);
        try {
            conn.exec(sql);
            QFAIL("no error");
        } catch (const DbError& e) {
            QCOMPARE(int(e.kind()), kind);
        }
        // The program's own errors: as they were, with no detail.
        ui::guarded([] { throw DbError(QStringLiteral("Smena1: поле 'x' не найдено")); })();
        QCOMPARE(ui.errors.last(), QStringLiteral("Smena1: поле 'x' не найдено"));
        QCOMPARE(ui.errorDetails.last(), QString());
        QVERIFY(!conn.inTransaction());
    }

    // A lock that another session holds (a month rebuild, a forgotten admin session) ends the save within
    // seconds: the message, nothing written, the dialog open with its input; once the lock goes, the same save
    // goes through. The accept toggle and a journal reload are bounded the same way.
    void lockHeldElsewhere_data() {
        QTest::addColumn<QString>("lock");
        QTest::newRow("shift records") << "lock table accounts_dep.smena in exclusive mode";
        QTest::newRow("time-sheet cells") << "lock table accounts_dep.h_tabel in exclusive mode";
        QTest::newRow("the cell's row") << "select * from accounts_dep.h_tabel where w_id=42 for update";
    }
    void lockHeldElsewhere() {
        QFETCH(QString, lock);
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        TForm11* d = app().form11;
        Db& other = f.db.admin();
        other.begin();
        other.exec(lock);
        qint64 waited = -1;
        QString keptInput;
        bool openAfterRefusal = false, closedAfterSave = false;
        f.ui.onModal([&](QDialog*) {
            fill(d);
            QElapsedTimer clock;
            clock.start();
            d->Button1->click();
            waited = clock.elapsed();
            openAfterRefusal = d->isVisible();
            keptInput = typed(d);
            other.rollback();
            QCoreApplication::processEvents();
            d->Button1->click();
            closedAfterSave = !d->isVisible();
        });
        w->Button1->click();
        QVERIFY2(waited >= Db::lockTimeoutMs - 200 && waited < 10000, qPrintable(QString::number(waited)));
        QCOMPARE(f.ui.errors, QStringList{kBusy});
        QVERIFY(f.ui.errorDetails[0].contains("lock timeout"));
        QVERIFY(openAfterRefusal);
        QCOMPARE(keptInput, QStringLiteral("Петров П.П./7/4"));
        QVERIFY(closedAfterSave);
        QCOMPARE(f.db.value("select string_agg(w_id || ':' || time, ' ' order by w_id) from accounts_dep.smena"),
                 QStringLiteral("17:3 42:4"));
        QCOMPARE(timesheetMismatches(f.db), QStringList());
        QVERIFY(!app().dm->ADO_DB.inTransaction());
    }

    void lockHeldElsewhereForTheJournal() {
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        Db& other = f.db.admin();
        // The record is being changed elsewhere: accepting it waits a bounded time, then says so.
        other.begin();
        other.exec("select * from accounts_dep.smena where id=901 for update");
        QElapsedTimer clock;
        clock.start();
        ui::guarded([w] { w->DBGrid2DblClick(); })();
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(f.ui.errors, QStringList{kBusy});
        other.rollback();
        QCOMPARE(f.db.value("select ok from accounts_dep.smena"), QStringLiteral("no"));
        // The whole table taken: the reload gives up, and the grid keeps its row, greyed.
        other.begin();
        other.exec("lock table accounts_dep.smena in access exclusive mode");
        clock.restart();
        w->Button8->click();
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(f.ui.errors, QStringList({kBusy, kBusy}));
        QCOMPARE(w->DBGrid2->model()->rowCount(), 1);
        QVERIFY(app().dm->Smena2.isStale());
        QVERIFY(greyed(w->DBGrid2->model()));
        other.rollback();
        QCoreApplication::processEvents();
        w->Button8->click();
        QVERIFY(!app().dm->Smena2.isStale());
        QVERIFY(!greyed(w->DBGrid2->model()));
        ui::guarded([w] { w->DBGrid2DblClick(); })();
        QCOMPARE(f.db.value("select ok from accounts_dep.smena"), QStringLiteral("ok"));
        QCOMPARE(f.ui.errors.size(), 2);
    }

    // The server goes away while the journal is on screen and a record is being typed: one Russian message with
    // the server's text, the journal keeps its row (greyed), the dialog its input; when the server is back the
    // next press saves, on a new session with the program's settings (the day-month dates of its statements).
    void lostServer() {
        AppFixture f;
        f.db.exec(kData);
        TForm1* w = openJournal();
        TForm11* d = app().form11;
        Db& conn = app().dm->ADO_DB;
        QCOMPARE(w->DBGrid2->model()->rowCount(), 1);

        serverGone(f.db, backendPid(conn));
        w->Button8->click();
        QCOMPARE(f.ui.errors, QStringList{kLost});  // once, not once per shift
        QVERIFY2(f.ui.errorDetails[0].contains("FATAL"), qPrintable(f.ui.errorDetails[0]));
        QCOMPARE(w->DBGrid2->model()->rowCount(), 1);
        QCOMPARE(w->DBGrid2->model()->data(w->DBGrid2->model()->index(0, 0)).toString(), QStringLiteral("Иванов И.И."));
        QVERIFY(greyed(w->DBGrid2->model()));
        for (int s = 1; s <= 4; ++s)
            QVERIFY(app().dm->smena(s).isStale());

        QString keptInput;
        bool openAfterFailure = false, closedAfterSave = false;
        f.ui.onModal([&](QDialog*) {
            fill(d);
            QCoreApplication::processEvents();  // a new user action
            d->Button1->click();
            openAfterFailure = d->isVisible();
            keptInput = typed(d);
            serverBack(f.db);
            QCoreApplication::processEvents();
            d->Button1->click();
            closedAfterSave = !d->isVisible();
        });
        w->Button1->click();
        QCOMPARE(f.ui.errors, QStringList({kLost, kLost}));
        QVERIFY(openAfterFailure);
        QCOMPARE(keptInput, QStringLiteral("Петров П.П./7/4"));
        QVERIFY(closedAfterSave);
        QCOMPARE(conn.reconnectCount(), quint64(1));
        QCOMPARE(f.db.value("select string_agg(w_id || ':' || time || ':' || vvod::date, ' ' order by w_id) from "
                            "accounts_dep.smena"),
                 QStringLiteral("17:3:2024-03-05 42:4:") + QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(timesheetMismatches(f.db), QStringList());
        // The journal is current again.
        QCOMPARE(w->DBGrid2->model()->rowCount(), 2);
        QVERIFY(!app().dm->Smena2.isStale());
        QVERIFY(!greyed(w->DBGrid2->model()));
        QCOMPARE(conn.query("show DateStyle")->text(0, 0), QStringLiteral("ISO, DMY"));
        QCOMPARE(conn.query("show lock_timeout")->text(0, 0), QStringLiteral("3s"));

        // A server that went and came back while the program was idle: the next action just works.
        serverGone(f.db, backendPid(conn));
        serverBack(f.db);
        QCoreApplication::processEvents();
        w->Button8->click();
        QCOMPARE(f.ui.errors.size(), 2);
        QCOMPARE(conn.reconnectCount(), quint64(2));
        QCOMPARE(w->DBGrid2->model()->rowCount(), 2);
    }

    // A session lost in the middle of a transaction: the transaction fails whole, no new session is made for
    // the rest of it, and the next statement outside it connects again.
    void lostInsideTransaction() {
        TestDb db;
        db.exec(kData);
        Db conn;
        db.connect(conn);
        const int pid = backendPid(conn);
        bool lost = false;
        try {
            Transaction t(conn);
            conn.exec("update accounts_dep.h_tabel set d6=1");
            db.value(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
            QTest::qWait(100);
            conn.exec("update accounts_dep.h_tabel set d7=1");
            t.commit();
        } catch (const DbError& e) {
            lost = e.kind() == DbError::Kind::ConnectionLost;
        }
        QVERIFY(lost);
        QVERIFY(!conn.inTransaction());
        QCOMPARE(conn.reconnectCount(), quint64(0));
        QCOMPARE(db.value("select coalesce(d6, 0) || '/' || coalesce(d7, 0) from accounts_dep.h_tabel"),
                 QStringLiteral("0/0"));
        QCoreApplication::processEvents();
        QCOMPARE(conn.query("select 1")->text(0, 0), QStringLiteral("1"));
        QCOMPARE(conn.reconnectCount(), quint64(1));
    }

    // Enter on a focused button presses that button, in every dialog with a default button; only from a box
    // does it press the default one.
    void enterPressesTheFocusedButton() {
        AppFixture f;
        f.db.exec(kData);
        const QList<QDialog*> dialogs = {app().form23, app().form11, app().form10,
                                         app().form24, app().form26, app().form22};
        for (QDialog* dlg : dialogs) {
            QPushButton* def = nullptr;
            const auto buttons = dlg->findChildren<QPushButton*>();
            for (QPushButton* b : buttons)
                if (b->isDefault())
                    def = b;
            QVERIFY2(def, qPrintable(dlg->objectName()));
            for (QPushButton* b : buttons) {
                if (b == def || b->isHidden() || !b->isEnabled() || b->focusPolicy() == Qt::NoFocus)
                    continue;
                dlg->show();
                QApplication::setActiveWindow(dlg);
                b->setFocus();
                QSignalSpy pressed(b, &QPushButton::clicked);
                QSignalSpy saved(def, &QPushButton::clicked);
                QTest::keyClick(b, Qt::Key_Return);
                QCOMPARE(pressed.count(), 1);
                QVERIFY2(saved.isEmpty(), qPrintable(dlg->objectName() + " " + b->objectName()));
                dlg->hide();
            }
        }
        f.ui.errors.clear();
        f.ui.errorDetails.clear();
        f.ui.messages.clear();
        f.ui.modalShown.clear();
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 1);

        // The login window: Enter on "Отмена" ends the program without a login; from the word box it logs in.
        TForm23* login = app().form23;
        login->show();
        QApplication::setActiveWindow(login);
        QSignalSpy closed(login, &TForm23::closed);
        login->Edit1->setText(QStringLiteral("3958"));
        login->Button2->setFocus();
        QTest::keyClick(login->Button2, Qt::Key_Return);
        QCOMPARE(closed.count(), 1);
        QVERIFY(f.ui.modalShown.isEmpty());
        login->show();
        QApplication::setActiveWindow(login);
        login->Edit1->setFocus();
        QTest::keyClick(login->Edit1, Qt::Key_Return);
        QCOMPARE(f.ui.modalShown, QStringList{"TForm1"});

        // The entry dialog: Enter on "..." opens its list and on "Отмена" cancels, keeping the input and
        // writing nothing; from the hours box it saves.
        TForm1* w = openJournal();
        TForm11* d = app().form11;
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            fill(d);
            d->Button3->setFocus();
            QTest::keyClick(d->Button3, Qt::Key_Return);
            QVERIFY(d->isVisible());
            d->Button2->setFocus();
            QTest::keyClick(d->Button2, Qt::Key_Return);
            QVERIFY(!d->isVisible());
        });
        w->Button1->click();
        QCOMPARE(f.ui.modalShown, (QStringList{"TForm1", "TForm11", "TForm5"}));
        QCOMPARE(typed(d), QStringLiteral("Петров П.П./7/4"));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 1);
        f.ui.onModal([&](QDialog*) {
            QApplication::setActiveWindow(d);
            fill(d);
            d->Edit6->setFocus();
            QTest::keyClick(d->Edit6, Qt::Key_Return);
        });
        w->Button1->click();
        QCOMPARE(f.db.count("select count(*) from accounts_dep.smena"), 2);
        QCOMPARE(f.ui.errors, QStringList());
    }
};

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
