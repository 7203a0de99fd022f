// The spreadsheet writer: workbooks read back from disk, and the messages of its failures.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "core/excel_writer.h"
#include "core/job.h"
#include "support/testdb.h"

namespace {

// Reads a workbook with openpyxl: every cell of every sheet, the column widths and the creation time.
QJsonObject readBack(const QString& path) {
    static const char* const script = R"py(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": wb.sheetnames, "created": wb.properties.created.isoformat(), "cells": {}, "widths": {}}
ws = wb.worksheets[0]
for row in ws.iter_rows():
    for c in row:
        if c.value is not None:
            out["cells"][c.coordinate] = {"type": c.data_type, "value": c.value,
                                          "format": c.number_format, "bold": bool(c.font.b)}
for key, dim in ws.column_dimensions.items():
    if dim.customWidth:
        out["widths"][key] = dim.width
print(json.dumps(out, ensure_ascii=False))
)py";
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << p.readAllStandardError();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

struct Cell {
    int column, row;
    QString text;
    bool asText, autofit, bold;
};

}  // namespace

class TestExcel : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("TABEL_XLSX_OPENER", "true");
    }

    // What each member stores: values typed as numbers unless written as text, Cyrillic intact, "@" and bold
    // only from the formatting writer, widths only for autofitted columns.
    void cellsReadBack_data() {
        QTest::addColumn<bool>("formatting");
        QTest::newRow("formatting writer") << true;
        QTest::newRow("plain writer") << false;
    }
    void cellsReadBack() {
        QFETCH(bool, formatting);
        ScriptedUi ui;
        ExcelWriter w(formatting);
        w.setFolder(dir_.filePath(QStringLiteral("out")));
        w.setCreationTime(QDateTime(QDate(2024, 3, 5), QTime(10, 30), Qt::UTC));
        const QList<Cell> cells = {
            {1, 1, "Фамилия И.О.", false, true, true},
            {2, 1, "12,5", false, false, false},
            {3, 1, "-3", false, false, true},
            {4, 1, "007", false, false, false},
            {5, 1, "12", true, false, false},
            {6, 1, "1.234.5", false, false, false},
            {1, 2, "Иванов Иван Иванович", false, true, false},
            {1, 3, "Широкая строка, что длиннее всех в колонке", false, false, false},
            {2, 2, "0.25", false, false, false},
            {2, 3, "", false, true, true},
        };
        QCOMPARE(w.open(QStringLiteral("Табель / март")), 1);
        for (const Cell& c : cells)
            QCOMPARE(w.writeCell(1, c.column, c.row, c.text, c.asText, c.autofit, c.bold), 1);
        const QString file = w.fileName();
        QVERIFY(file.startsWith(dir_.filePath(QStringLiteral("out/Табель _ март 20"))));
        QVERIFY(file.endsWith(QStringLiteral(".xlsx")));
        QCOMPARE(w.show(true), 1);
        QVERIFY(ui.messages.isEmpty());

        const QJsonObject book = readBack(file);
        QCOMPARE(book["sheets"].toArray().size(), 1);
        QCOMPARE(book["created"].toString(), QStringLiteral("2024-03-05T10:30:00"));
        const QJsonObject got = book["cells"].toObject();
        struct Expect {
            const char* ref;
            const char* type;
            QVariant value;
            bool textFormat, bold;
        };
        const QList<Expect> expected = {
            {"A1", "s", QStringLiteral("Фамилия И.О."), false, true},
            {"B1", "n", 12.5, false, false},
            {"C1", "n", -3, false, true},
            {"D1", "s", QStringLiteral("007"), false, false},
            {"E1", "s", QStringLiteral("12"), true, false},
            {"F1", "s", QStringLiteral("1.234.5"), false, false},
            {"A2", "s", QStringLiteral("Иванов Иван Иванович"), false, false},
            {"B2", "n", 0.25, false, false},
        };
        QCOMPARE(got.size(), expected.size() + 1);  // and A3; the empty text wrote nothing
        for (const Expect& e : expected) {
            const QJsonObject c = got[e.ref].toObject();
            QVERIFY2(!c.isEmpty(), e.ref);
            // The plain writer knows no "@", but a text asked for as text stays text (a mark «12» is no number).
            QCOMPARE(c["type"].toString(), QString::fromLatin1(e.type));
            QCOMPARE(c["value"].toVariant().toString(), e.value.toString());
            QCOMPARE(c["format"].toString(),
                     formatting && e.textFormat ? QStringLiteral("@") : QStringLiteral("General"));
            QCOMPARE(c["bold"].toBool(), formatting && e.bold);
        }
        // Column A was autofitted after row 2, before the longer row 3: it fits the longest text of rows 1-2.
        const QJsonObject widths = book["widths"].toObject();
        if (formatting) {
            QCOMPARE(widths.keys(), QStringList{"A"});
            // Capitals count 1.3, other characters 1, bold ×1.1, plus 1, rounded up to a quarter:
            // "Фамилия И.О." (bold) 3×1.3 + 9 = 12.9 → 14.19 → 15.25; "Иванов Иван Иванович" 3×1.3 + 17 = 20.9
            // → 22. The file holds 22 plus the cell padding: (22×7 + 5) pixels / 7, in 1/256ths = 22.7109375.
            QCOMPARE(widths["A"].toDouble(), 22.7109375);
        } else {
            QVERIFY(widths.isEmpty());
        }
    }

    void numberTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "42" << true << 42.0;
        QTest::newRow("comma") << "3,142" << true << 3.142;
        QTest::newRow("point") << "3.142" << true << 3.142;
        QTest::newRow("negative") << "-0,5" << true << -0.5;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("leading zero") << "0012" << false << 0.0;
        QTest::newRow("two separators") << "1,234.5" << false << 0.0;
        QTest::newRow("date") << "05.03.2024" << false << 0.0;
        QTest::newRow("blank inside") << "1 234" << false << 0.0;
        QTest::newRow("mark") << "А-12" << false << 0.0;
        QTest::newRow("16 digits") << "1234567890123456" << false << 0.0;
        QTest::newRow("exponent") << "1e5" << false << 0.0;
    }
    void numberTexts() {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        double v = 0;
        QCOMPARE(excel::isNumberText(text, &v), number);
        if (number)
            QCOMPARE(v, value);
    }

    // Each failure shows its own text under its own caption, and the results are as the callers expect.
    void messages() {
        ScriptedUi ui;
        QFile blocker(dir_.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        ExcelWriter w(true);
        // Before any open: show is harmless, a write finds no sheet.
        QCOMPARE(w.show(true), 1);
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(w.writeCell(1, 1, 1, QStringLiteral("x")), -1);

        w.setFolder(blocker.fileName() + QStringLiteral("/sub"));
        QCOMPARE(w.open(QStringLiteral("Операции")), -1);

        w.setFolder(dir_.filePath(QStringLiteral("msg")));
        QCOMPARE(w.open(QStringLiteral("Операции")), 1);
        QCOMPARE(w.writeCell(2, 1, 1, QString()), 1);  // empty text: nothing, even on a wrong sheet
        QCOMPARE(w.writeCell(2, 1, 1, QStringLiteral("x")), -1);
        QCOMPARE(w.writeCell(1, 3, 0, QStringLiteral("x")), -1);
        QCOMPARE(w.writeCell(1, 16385, 12, QStringLiteral("x")), -1);
        QCOMPARE(w.writeCell(1, 1, 1, QString(40000, QLatin1Char('a'))), -1);
        QCOMPARE(w.writeCell(1, 1, 1, QStringLiteral("после ошибок")), 1);

        const QString sheetCaption = QStringLiteral("Ошибочный номер листа Microsoft Excel");
        const QString cellCaption = QStringLiteral("Ошибка Microsoft Excel");
        const QList<QPair<QString, QString>> expected = {
            {"Ошибка при записи: лист 1, столбец 1, строка 1", sheetCaption},
            {"Невозможно открыть Microsoft Excel.", "Ошибка"},
            {"Ошибка открытия файла Microsoft Excel.", "Ошибка"},
            {"Ошибка при записи: лист 2, столбец 1, строка 1", sheetCaption},
            {"Ошибка при записи: лист 1, столбец 3, строка 0", cellCaption},
            {"Ошибка при записи: лист 1, столбец 16385, строка 12", cellCaption},
            {"Ошибка при записи: лист 1, столбец 1, строка 1", cellCaption},
        };
        QCOMPARE(ui.messages.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(ui.messages[i].text, expected[i].first);
            QCOMPARE(ui.messages[i].caption, expected[i].second);
            QCOMPARE(ui.messages[i].flags, 16);
        }

        // show(false) keeps the workbook (no file under its name yet); show(true) finishes it; a second show
        // changes nothing.
        QCOMPARE(w.show(false), 1);
        QVERIFY(!QFileInfo::exists(w.fileName()));
        QCOMPARE(w.show(true), 1);
        QCOMPARE(readBack(w.fileName())["cells"].toObject()["A1"].toObject()["value"].toString(),
                 QStringLiteral("после ошибок"));
        QCOMPARE(w.show(true), 1);
        QCOMPARE(ui.messages.size(), expected.size());
    }

    // Two exports in the same second never share a file; a workbook replaced by a new open is kept;
    // without an application to open it the user is told where the file is.
    void filesAndOpener() {
        ScriptedUi ui;
        ExcelWriter w(false);
        w.setFolder(dir_.filePath(QStringLiteral("files")));
        QCOMPARE(w.open(QStringLiteral("Цены")), 1);
        QCOMPARE(w.writeCell(1, 1, 1, QStringLiteral("первая")), 1);
        const QString first = w.fileName();
        QCOMPARE(w.open(QStringLiteral("Цены")), 1);
        QVERIFY(w.fileName() != first);
        QCOMPARE(readBack(first)["cells"].toObject()["A1"].toObject()["value"].toString(), QStringLiteral("первая"));

        qputenv("TABEL_XLSX_OPENER", "/nonexistent/opener --flag");
        QCOMPARE(w.show(true), 1);
        qputenv("TABEL_XLSX_OPENER", "true");
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text,
                 "Не найдено приложение для просмотра книги. Книга сохранена в файле:\n" + w.fileName());
        QCOMPARE(ui.messages[0].caption, QStringLiteral("Microsoft Excel"));
        QCOMPARE(ui.messages[0].flags, 64);
        QVERIFY(readBack(w.fileName()).contains("cells"));
    }
    // A workbook is written to a hidden file and takes its name only when finished: while it is written there is
    // no file of that name, and after a cancelled or failed export nothing of it is left in the folder.
    void unfinishedLeavesNoFile_data() {
        QTest::addColumn<QString>("ending");
        QTest::newRow("shown") << "shown";
        QTest::newRow("cancelled") << "cancelled";
        QTest::newRow("failed") << "failed";
    }
    void unfinishedLeavesNoFile() {
        QFETCH(QString, ending);
        ScriptedUi ui;
        if (ending == "cancelled")
            ui.cancelProgressAt(2);
        const QDir folder(dir_.filePath(QStringLiteral("unfinished-") + ending));
        ExcelWriter w(true);
        w.setFolder(folder.path());
        QString failure;
        bool done = false;
        try {
            done = excel::runExport(w, [&](job::Progress& progress) {
                QCOMPARE(w.open(QStringLiteral("Проба")), 1);
                for (int r = 1; r <= 3; ++r) {
                    QCOMPARE(w.writeCell(1, 1, r, QString::number(r)), 1);
                    QVERIFY(!QFile::exists(w.fileName()));
                    if (ending == "failed" && r == 2)
                        throw DbError(QStringLiteral("сбой"));
                    progress.step(r);
                }
                w.show(true);
            });
        } catch (const DbError& e) {
            failure = e.message();
        }
        const QStringList left = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
        if (ending == "shown") {
            QVERIFY(done);
            QCOMPARE(left, QStringList{QFileInfo(w.fileName()).fileName()});
            QCOMPARE(readBack(w.fileName())["cells"].toObject()["A3"].toObject()["value"].toVariant().toInt(), 3);
        } else {
            QVERIFY(!done);
            QCOMPARE(failure, ending == "failed" ? QStringLiteral("сбой") : QString());
            QCOMPARE(left, QStringList());
        }
        QVERIFY(ui.messages.isEmpty());

        // The writer serves the next export.
        QCOMPARE(w.open(QStringLiteral("Проба")), 1);
        QCOMPARE(w.writeCell(1, 1, 1, QStringLiteral("снова")), 1);
        QCOMPARE(w.show(true), 1);
        QCOMPARE(readBack(w.fileName())["cells"].toObject()["A1"].toObject()["value"].toString(),
                 QStringLiteral("снова"));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System).size(), ending == "shown" ? 2 : 1);
    }
};

QTEST_MAIN(TestExcel)
#include "test_excel.moc"
