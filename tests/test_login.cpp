// The login window: words and their modes, the controls each mode switches off, Cancel, and the version check.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/login_window.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "journal/main_window.h"
#include "support/testdb.h"

namespace {

// Every control of the main window that some mode may switch off, and some that none does.
const QStringList kMainControls = {"Button1",      "Button2", "Button3", "RadioButton1", "RadioButton2", "RadioButton3",
                                   "RadioButton4", "CBox1",   "Button8", "DBGrid2",      "DateT",        "N2",
                                   "N11",          "N7",      "N5",      "N16",          "Button5",      "Button4"};

bool enabled(TForm1* w, const QString& name) {
    if (QMenu* m = w->findChild<QMenu*>(name))
        return m->menuAction()->isEnabled();
    if (QWidget* c = w->findChild<QWidget*>(name))
        return c->isEnabled();
    if (QAction* a = w->findChild<QAction*>(name))
        return a->isEnabled();
    qFatal("no control %s", qPrintable(name));
}

// The stored stamp relative to the program's: the same, one second older, a later date.
const int kDate = 20240216, kTime = 53533;

}  // namespace

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    // Words typed one after another (each refused one answered by the message), and what the main window shows.
    void words_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("loginText");  // null: no login
        QTest::addColumn<QStringList>("off");
        QTest::newRow("viewer") << QStringList{"tavrik"} << "tavrik"
                                << QStringList{"Button1",      "Button2",      "Button3",      "RadioButton1",
                                               "RadioButton2", "RadioButton3", "RadioButton4", "CBox1",
                                               "Button8",      "DBGrid2",      "DateT",        "N2",
                                               "N11"};
        QTest::newRow("foreman") << QStringList{"quilpon"} << "quilpon"
                                 << QStringList{"Button2", "Button3", "N2", "N11"};
        QTest::newRow("warehouse with spaces")
            << QStringList{" mobun "} << "mobun" << QStringList{"Button1", "Button2", "Button3", "N2", "N11"};
        QTest::newRow("full access") << QStringList{"36172548"} << "36172548" << QStringList{};
        QTest::newRow("full access, second word") << QStringList{"3958"} << "3958" << QStringList{};
        QTest::newRow("wrong case is refused") << QStringList{"Mobun"} << QString() << QStringList{};
        QTest::newRow("wrong word, then right")
            << QStringList{"mobun1", "quilpon"} << "quilpon" << QStringList{"Button2", "Button3", "N2", "N11"};
    }

    void words() {
        QFETCH(QStringList, typed);
        QFETCH(QString, loginText);
        QFETCH(QStringList, off);
        AppFixture f;
        TForm23* login = app().form23;
        TForm1* main = app().form1;
        main->selectShift(3);
        QStringList offSeen;
        bool mainVisible = false;
        if (!loginText.isNull())  // a refused word opens no main window
            f.ui.onModal([&](QDialog* d) {
                mainVisible = d->isVisible() && !login->isVisible();
                for (const QString& name : kMainControls)
                    if (!enabled(main, name))
                        offSeen << name;
            });
        login->show();
        QSignalSpy closed(login, &TForm23::closed);
        for (const QString& word : typed) {
            login->Edit1->setText(word);
            QTest::mouseClick(login->Button1, Qt::LeftButton);
        }
        const int refused = loginText.isNull() ? typed.size() : typed.size() - 1;
        QCOMPARE(f.ui.messages.size(), refused);
        for (const auto& m : f.ui.messages) {
            QCOMPARE(m.text, QStringLiteral("Введены неверные данные."));
            QCOMPARE(m.caption, QStringLiteral("Ошибка"));
            QCOMPARE(m.flags, 16);
        }
        if (loginText.isNull()) {
            QVERIFY(f.ui.modalShown.isEmpty());
            QVERIFY(login->isVisible());
            QCOMPARE(login->Edit1->text(), typed.last());
            return;
        }
        QCOMPARE(f.ui.modalShown, QStringList{"TForm1"});
        QVERIFY(mainVisible);
        QCOMPARE(offSeen, off);
        QCOMPARE(main->loginText, loginText);
        QCOMPARE(main->selectedShift, 1);
        for (int s = 1; s <= 4; ++s)
            QCOMPARE(app().dm->smena(s).param("ok").toString(), QStringLiteral("ta"));
        // The main window's run has ended: the login window closes and the program with it.
        QVERIFY(!login->isVisible());
        QCOMPARE(closed.count(), 1);
    }

    void cancelEndsTheProgram() {
        AppFixture f;
        TForm23* login = app().form23;
        QCOMPARE(login->Button1->text(), QStringLiteral("Вход"));
        QCOMPARE(login->Button2->text(), QStringLiteral("Отмена"));
        QCOMPARE(login->Edit1->echoMode(), QLineEdit::Password);
        QVERIFY(login->Button1->isDefault());
        login->show();
        QSignalSpy closed(login, &TForm23::closed);
        QTest::mouseClick(login->Button2, Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!login->isVisible());
        QVERIFY(f.ui.modalShown.isEmpty());
        login->show();
        QTest::keyClick(login->Edit1, Qt::Key_Escape);
        QCOMPARE(closed.count(), 2);
    }

    // stored stamp → stored afterwards, refused; checked on activation or by the main window's 30-second timer.
    void versionCheck_data() {
        QTest::addColumn<int>("d");
        QTest::addColumn<int>("t");
        QTest::addColumn<bool>("fromTimer");
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("refused");
        QTest::newRow("equal: nothing written, nothing shown") << kDate << kTime << false << false << false;
        QTest::newRow("one second older: updated") << kDate << kTime - 1 << false << true << false;
        QTest::newRow("an older date: updated by the timer") << kDate - 1 << 80000 << true << true << false;
        QTest::newRow("a later date: refused") << kDate + 1 << 0 << false << false << true;
        QTest::newRow("a later date: refused by the 30 s timer") << kDate + 1 << 0 << true << false << true;
        QTest::newRow("one second newer: refused") << kDate << kTime + 1 << false << false << true;
    }

    void versionCheck() {
        QFETCH(int, d);
        QFETCH(int, t);
        QFETCH(bool, fromTimer);
        QFETCH(bool, written);
        QFETCH(bool, refused);
        AppFixture f;
        TForm1* main = app().form1;
        TForm23* login = app().form23;
        main->buildDate = kDate;
        main->buildTime = kTime;
        f.db.exec(QStringLiteral("update accounts_dep.ver set d=%1, t=%2, delim=','").arg(d).arg(t));
        const QString rowVersion = f.db.value("select xmin::text from accounts_dep.ver");
        if (fromTimer) {
            QVERIFY(main->Timer1->isActive());
            QCOMPARE(main->Timer1->interval(), 30000);
            QMetaObject::invokeMethod(main->Timer1, "timeout");
        } else {
            login->show();  // activation
            QCOMPARE(login->windowTitle(), QStringLiteral("Авторизация (build: 20240216.53533)"));
        }
        QVERIFY(f.ui.errors.isEmpty());
        QCOMPARE(app().dm->delimiter, QStringLiteral(","));
        QCOMPARE(f.db.count("select count(*) from accounts_dep.ver"), 1);
        const QString stored = f.db.value("select d || ' ' || t from accounts_dep.ver");
        QCOMPARE(stored,
                 written ? QStringLiteral("%1 %2").arg(kDate).arg(kTime) : QStringLiteral("%1 %2").arg(d).arg(t));
        if (!written)
            QCOMPARE(f.db.value("select xmin::text from accounts_dep.ver"), rowVersion);
        QVERIFY(!main->ver.isOpen());
        if (!refused) {
            QVERIFY(f.ui.messages.isEmpty());
            QCOMPARE(f.ui.terminateRequests, 0);
            QVERIFY(!login->Timer1->isActive());
            return;
        }
        QCOMPARE(f.ui.messages.size(), 1);
        QCOMPARE(f.ui.messages[0].text,
                 QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."));
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.ui.messages[0].flags, 16);
        QCOMPARE(f.ui.terminateRequests, 1);
        // The login window's 5-second timer ends the program even while the message is still open.
        QVERIFY(login->Timer1->isActive());
        QCOMPARE(login->Timer1->interval(), 5000);
        QMetaObject::invokeMethod(login->Timer1, "timeout");
        QCOMPARE(f.ui.terminateRequests, 2);
    }

    // With no stored stamp this program's own becomes the stored one.
    void versionCheckOnAnEmptyTable() {
        AppFixture f;
        f.db.exec("delete from accounts_dep.ver");
        app().form1->buildDate = kDate;
        app().form1->buildTime = kTime;
        app().form23->VersionCheck();
        QCOMPARE(f.db.value("select d || ' ' || t || ' ' || delim from accounts_dep.ver"),
                 QStringLiteral("20240216 53533 ."));
        QVERIFY(f.ui.messages.isEmpty());
    }
};

QTEST_MAIN(TestLogin)
#include "test_login.moc"
