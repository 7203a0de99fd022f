// Long jobs: the progress window counts and cancels, the window thread keeps answering while the server works,
// and a cancelled PDF leaves no file behind.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/job.h"
#include "core/report/report_layouter.h"
#include "core/report/report_painter.h"
#include "reports/report_preview.h"
#include "support/testdb.h"

using namespace report;

namespace {

// A layout of the given number of pages, each with a few texts and lines.
Layout pages(int count) {
    Layout l;
    l.title = QStringLiteral("Отчет");
    l.textStyles.push_back(TextStyle{});
    l.penStyles.push_back(Frame{});
    for (int i = 0; i < count; ++i) {
        Page p;
        for (int r = 0; r < 40; ++r) {
            Primitive t;
            t.kind = Primitive::Text;
            t.rect = QRectF(10, 10 + r * 6, 120, 5);
            t.text = QStringLiteral("Строка %1 страницы %2").arg(r + 1).arg(i + 1);
            t.style = 0;
            p.items.push_back(t);
            Primitive line;
            line.kind = Primitive::Line;
            line.rect = QRectF(10, 15 + r * 6, 180, 0);
            line.style = 0;
            p.items.push_back(line);
        }
        l.pages.push_back(p);
    }
    return l;
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestJobs : public QObject {
    Q_OBJECT

private slots:
    // A timer of the window thread fires while a statement keeps the job waiting on the server, and the job's
    // statement still gives its result; outside a job nothing changes.
    void windowAnswersDuringStatement() {
        TestDb db;
        ScriptedUi ui;
        Db conn;
        db.connect(conn);
        int fired = 0;
        QString result;
        QTimer timer;
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [&fired] { ++fired; });
        timer.start();
        QVERIFY(job::run(QStringLiteral("Проверка"), [&](job::Progress&) {
            QVERIFY(job::active());
            result = conn.query(QStringLiteral("select 7 from pg_sleep(0.5)"))->text(0, 0);
        }));
        QCOMPARE(result, QStringLiteral("7"));
        QVERIFY(fired > 0);
        QVERIFY(!job::active());
        QCOMPARE(ui.progressShown, QStringList{QStringLiteral("Проверка")});
    }

    // An event handled while the job's statement runs cannot send another on the same connection (it is told
    // to wait), and the job's own statement is not disturbed.
    void noSecondStatementMeanwhile() {
        TestDb db;
        ScriptedUi ui;
        Db conn;
        db.connect(conn);
        QString refused;
        QTimer::singleShot(50, [&] {
            try {
                conn.exec(QStringLiteral("select 1"));
            } catch (const DbError& e) {
                refused = e.message();
            }
        });
        QVERIFY(job::run(QStringLiteral("Проверка"),
                         [&](job::Progress&) { conn.exec(QStringLiteral("select pg_sleep(0.5)")); }));
        QCOMPARE(refused, QStringLiteral("Дождитесь окончания текущей операции."));
        QCOMPARE(conn.query(QStringLiteral("select 1"))->text(0, 0), QStringLiteral("1"));
    }

    // "Отмена" while a statement runs stops it on the server: the transaction's rows are not there, the job
    // reports the cancel, and the connection serves the next statement.
    void cancelStopsRunningStatement() {
        TestDb db;
        ScriptedUi ui;
        Db conn;
        db.connect(conn);
        db.exec(QStringLiteral("create table t(x int)"));
        ui.cancelProgressAt(0);
        bool reachedEnd = false;
        const bool done = job::run(QStringLiteral("Проверка"), [&](job::Progress&) {
            Transaction t(conn);
            conn.exec(QStringLiteral("insert into t values (1)"));
            conn.exec(QStringLiteral("select pg_sleep(60)"));
            reachedEnd = true;
            t.commit();
        });
        QVERIFY(!done);
        QVERIFY(!reachedEnd);
        QVERIFY(!conn.inTransaction());
        QCOMPARE(db.count(QStringLiteral("select count(*) from t")), 0);
        QCOMPARE(conn.query(QStringLiteral("select 2"))->text(0, 0), QStringLiteral("2"));
    }

    // An error of a job on its own thread reaches the caller; steps are counted across threads.
    void threadJobErrorsAndCounts() {
        ScriptedUi ui;
        QVERIFY_THROWS_EXCEPTION(DbError, job::runInThread(QStringLiteral("Проверка"), [](job::Progress&) {
                                     throw DbError(QStringLiteral("сбой"));
                                 }));
        int last = 0;
        QVERIFY(job::runInThread(QStringLiteral("Проверка"), [&](job::Progress& p) {
            p.setMaximum(3);
            for (int i = 1; i <= 3; ++i)
                p.step(i);
            last = p.value();
        }));
        QCOMPARE(last, 3);
    }

    // Writing a PDF: without a cancel the file is whole and every page was counted; a cancel (before the first
    // page, or after some) leaves no file, and an earlier file of that name as it was. The cancel is asked for
    // from the writer's own steps here, so that it lands at a known page.
    void pdfCancel_data() {
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<bool>("earlierFile");
        QTest::newRow("not cancelled") << -1 << false;
        QTest::newRow("cancelled at the first page") << 1 << false;
        QTest::newRow("cancelled after 3 pages") << 3 << false;
        QTest::newRow("cancelled, an earlier file kept") << 3 << true;
    }
    void pdfCancel() {
        QFETCH(int, cancelAt);
        QFETCH(bool, earlierFile);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Отчет.pdf"));
        if (earlierFile) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier");
        }
        const Layout layout = pages(12);
        job::Progress progress;
        QList<int> counted;
        progress.turn = [&] {
            counted << progress.value();
            if (cancelAt >= 0 && progress.value() >= cancelAt)
                progress.cancel();
        };
        bool written = false, cancelled = false;
        try {
            written = writePdf(layout, file, &progress);
        } catch (const job::Cancelled&) {
            cancelled = true;
        }
        QCOMPARE(cancelled, cancelAt >= 0);
        QCOMPARE(written, cancelAt < 0);
        QCOMPARE(progress.maximum(), 12);
        QCOMPARE(counted.size(), cancelAt < 0 ? 12 : cancelAt);
        if (cancelAt < 0) {
            QVERIFY(contents(file).startsWith("%PDF"));
            QVERIFY(contents(file).trimmed().endsWith("%%EOF"));
        } else if (earlierFile) {
            QCOMPARE(contents(file), QByteArray("earlier"));
        } else {
            QVERIFY(!QFile::exists(file));
        }
        // Nothing else is left in the folder (no temporary file of the writer).
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), earlierFile || cancelAt < 0 ? 1 : 0);
    }

    // The preview's "save as PDF" paints on a thread of its own: the pages counted in its progress window, a
    // cancel leaving no file and no error message.
    void savePdfAsCountsAndCancels_data() {
        QTest::addColumn<int>("cancelAt");
        QTest::newRow("saved") << -1;
        QTest::newRow("cancelled") << 0;
    }
    void savePdfAsCountsAndCancels() {
        QFETCH(int, cancelAt);
        ScriptedUi ui;
        QTemporaryDir dir;
        const QString file = dir.filePath(pdfFileName(QStringLiteral("Отчет")));
        ui.onModal([&](QDialog* d) {
            auto* fd = qobject_cast<QFileDialog*>(d);
            QVERIFY(fd);
            fd->setDirectory(dir.path());
            fd->selectFile(file);
            d->accept();  // QFileDialog::accept, through the dialog
        });
        if (cancelAt >= 0)
            ui.cancelProgressAt(cancelAt);
        const Layout layout = pages(6);
        QCOMPARE(savePdfAs(layout), cancelAt < 0);
        QCOMPARE(ui.progressShown, QStringList{QStringLiteral("Сохранение PDF")});
        if (cancelAt < 0)
            QCOMPARE(ui.progressMaximum, 6);
        // A saved file is told with its place; a cancel says nothing.
        if (cancelAt < 0) {
            QCOMPARE(ui.messages.size(), 1);
            QVERIFY(ui.messages[0].text.contains(QDir::toNativeSeparators(dir.path())));
        } else {
            QVERIFY(ui.messages.isEmpty());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 cancelAt < 0 ? QStringList{QFileInfo(file).fileName()} : QStringList());
        if (cancelAt < 0)
            QCOMPARE(ui.progressSeen.last(), 6);
    }
};

QTEST_MAIN(TestJobs)
#include "test_jobs.moc"
