#include "support/testdb.h"

#include <QCoreApplication>
#include <QTest>
#include <atomic>

#include "app/startup.h"

namespace {
std::atomic<int> counter{0};
}

QString TestDb::server() {
    const QString s = qEnvironmentVariable("TABEL_TEST_PGHOST");
    if (s.isEmpty())
        qFatal("TABEL_TEST_PGHOST is not set: run the tests through ctest (scripts/test)");
    return s;
}

TestDb::TestDb() {
    name_ = QStringLiteral("t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    Db db;
    db.open(connectionFromArguments({QStringLiteral("postgres"), server()}, QString()));
    db.exec(QStringLiteral("CREATE DATABASE ") + name_ + QStringLiteral(" TEMPLATE tabel_template"));
}

TestDb::~TestDb() {
    own_.close();
    try {
        Db db;
        db.open(connectionFromArguments({QStringLiteral("postgres"), server()}, QString()));
        db.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name_ + QStringLiteral(" WITH (FORCE)"));
    } catch (const std::exception& e) {
        qWarning("could not drop %s: %s", qPrintable(name_), e.what());
    }
}

QStringList TestDb::arguments() const {
    return {name_, server()};
}

ConnectionSettings TestDb::settings() const {
    return connectionFromArguments(arguments(), QString());
}

void TestDb::connect(Db& db) const {
    db.open(settings());
}

Db& TestDb::admin() {
    if (!own_.isOpen())
        connect(own_);
    return own_;
}

QString TestDb::value(const QString& sql) {
    auto r = admin().query(sql);
    if (r->rowCount() == 0 || r->columnCount() == 0 || r->isNull(0, 0))
        return {};
    return r->text(0, 0);
}

// ---------------------------------------------------------------------------------------------------------------

ScriptedUi::ScriptedUi() : previous_(ui::setHandler(this)) {}

ScriptedUi::~ScriptedUi() {
    ui::setHandler(previous_);
    verifyConsumed();
}

bool ScriptedUi::verifyConsumed() {
    QStringList left;
    std::source_location first;
    for (const Answer& a : answers_) {
        if (left.isEmpty())
            first = a.where;
        left << QStringLiteral("answer %1 queued at line %2 was never asked for").arg(a.reply).arg(a.where.line());
    }
    for (const Action& a : actions_) {
        if (left.isEmpty())
            first = a.where;
        left << QStringLiteral("modal action queued at line %1 never ran (shown modally: %2)")
                    .arg(a.where.line())
                    .arg(modalShown.isEmpty() ? QStringLiteral("nothing") : modalShown.join(QStringLiteral(", ")));
    }
    for (const Cancel& c : cancels_) {
        if (left.isEmpty())
            first = c.where;
        left << QStringLiteral("cancel queued at line %1: no long job showed its progress").arg(c.where.line());
    }
    answers_.clear();
    actions_.clear();
    cancels_.clear();
    if (left.isEmpty())
        return true;
    const QByteArray text = QStringLiteral("unused script: ").append(left.join(QStringLiteral("; "))).toUtf8();
    // Outside a test function there is no test to fail: end the program instead of passing quietly.
    if (!QTest::currentTestFunction())
        qFatal("%s", text.constData());
    QTest::qFail(text.constData(), first.file_name(), int(first.line()));
    return false;
}

int ScriptedUi::messageBox(const QString& text, const QString& caption, int flags) {
    messages << Message{text, caption, flags};
    if ((flags & 0x0F) == 4)
        return answers_.isEmpty() ? ui::IDNO : answers_.takeFirst().reply;
    return ui::IDOK;
}

int ScriptedUi::execModal(QDialog* dialog) {
    modalShown << dialog->objectName();
    if (actions_.isEmpty())
        return QDialog::Rejected;
    ModalAction action = actions_.takeFirst().run;
    dialog->setResult(0);
    dialog->show();
    QCoreApplication::processEvents();
    action(dialog);
    if (dialog->isVisible())
        dialog->done(QDialog::Rejected);
    return dialog->result();
}

void ScriptedUi::showError(const QString& message, const QString& detail) {
    errors << message;
    errorDetails << detail;
}

void ScriptedUi::terminate() {
    ++terminateRequests;
}

namespace {

class ScriptedProgress : public ui::ProgressWindow {
public:
    ScriptedProgress(ScriptedUi& owner, int cancelAt) : owner_(owner), cancelAt_(cancelAt) {}
    void show(int value, int maximum, const QString&) override {
        if (owner_.progressSeen.isEmpty() || owner_.progressSeen.last() != value)
            owner_.progressSeen << value;
        owner_.progressMaximum = maximum;
        last_ = value;
    }
    bool cancelRequested() override { return cancelAt_ >= 0 && last_ >= cancelAt_; }

private:
    ScriptedUi& owner_;
    int cancelAt_;
    int last_ = 0;
};

}  // namespace

std::unique_ptr<ui::ProgressWindow> ScriptedUi::showProgress(const QString& title) {
    progressShown << title;
    progressSeen.clear();
    progressMaximum = 0;
    return std::make_unique<ScriptedProgress>(*this, cancels_.isEmpty() ? -1 : cancels_.takeFirst().atValue);
}

// ---------------------------------------------------------------------------------------------------------------

AppFixture::AppFixture() {
    if (!startUp(db.arguments()))
        qFatal("the program did not start on the test database %s", qPrintable(db.name()));
}

AppFixture::~AppFixture() {
    destroyWindows();
}
