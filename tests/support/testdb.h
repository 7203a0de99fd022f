#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <source_location>

#include "core/db.h"
#include "core/ui.h"

// A fresh database for one test, cloned from the template that scripts/pg loaded with db/schema.sql.
// Dropped when the object goes.
class TestDb {
public:
    TestDb();
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    QString name() const { return name_; }
    static QString server();        // the socket directory of the test cluster
    QStringList arguments() const;  // the program's command line for this database
    ConnectionSettings settings() const;
    void connect(Db& db) const;  // opens db on this database

    // A second connection of its own (fixtures, checks, a second workstation).
    Db& admin();
    void exec(const QString& sql) { admin().exec(sql); }
    // The first column of the first row as text ("" when no row or NULL).
    QString value(const QString& sql);
    int count(const QString& sql) { return value(sql).toInt(); }

private:
    QString name_;
    Db own_;
};

// A scripted user: records every message box and answers it, and runs a scripted action inside each modal
// showing. Installed for its lifetime. A script nobody used fails the running test when the object goes (or at
// verifyConsumed()), naming the line that queued it: a test whose checks sit in an action must not pass because
// its window never opened.
class ScriptedUi : public ui::Handler {
public:
    struct Message {
        QString text, caption;
        int flags;
    };
    using ModalAction = std::function<void(QDialog*)>;

    ScriptedUi();
    ~ScriptedUi() override;

    // Answers for the next questions (flags 36), in order; unanswered questions get No.
    void answer(int reply, std::source_location where = std::source_location::current()) {
        answers_ << Answer{reply, where};
    }
    // Actions for the next modal showings, in order. The dialog is visible while its action runs; a dialog
    // still open afterwards is rejected. A showing with no action queued is rejected at once.
    void onModal(ModalAction action, std::source_location where = std::source_location::current()) {
        actions_ << Action{std::move(action), where};
    }
    // The next long job's progress window asks to cancel once the job has counted `atValue` (0: at its first
    // look, before anything is counted). A cancel nobody asked for fails the test like an unused answer.
    void cancelProgressAt(int atValue, std::source_location where = std::source_location::current()) {
        cancels_ << Cancel{atValue, where};
    }
    // Fails the running test for every answer and action still queued, and drops them. True when none was.
    bool verifyConsumed();

    QList<Message> messages;
    QStringList errors;         // texts of the standard error box
    QStringList errorDetails;   // their detail lines (the server's text of a database error; "" when none)
    QStringList modalShown;     // objectName of every window shown modally
    QStringList progressShown;  // title of every progress window
    QList<int> progressSeen;    // of the last progress window: every value it was shown, in order
    int progressMaximum = 0;    // of the last progress window: the last maximum it was shown
    int terminateRequests = 0;

    int messageBox(const QString& text, const QString& caption, int flags) override;
    int execModal(QDialog* dialog) override;
    void showError(const QString& message, const QString& detail) override;
    void terminate() override;
    std::unique_ptr<ui::ProgressWindow> showProgress(const QString& title) override;

private:
    struct Cancel {
        int atValue;
        std::source_location where;
    };
    QList<Cancel> cancels_;
    struct Answer {
        int reply;
        std::source_location where;
    };
    struct Action {
        ModalAction run;
        std::source_location where;
    };
    QList<Answer> answers_;
    QList<Action> actions_;
    ui::Handler* previous_;
};

// A fresh database, a scripted user, and the program started on that database with all its windows.
// The windows go when the fixture goes.
struct AppFixture {
    TestDb db;
    ScriptedUi ui;
    AppFixture();
    ~AppFixture();
};
