#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QSqlDatabase;

// The one-off transfer of the earlier (Access based) database into accounts_dep: seven tables, read through
// the ODBC data source "Tabel" and written through "Tabel_PgSQL", each replacing what its target holds.
namespace legacy {

// How a legacy value is carried into its target column.
// A legacy number is read with a decimal point or a decimal comma, whether it arrives as a number or as text.
enum class Carry {
    Int,         // whole number (pieces, hours): an empty value becomes 0, a fraction is rounded half away from zero
    Key,         // whole number that names something (an id, a reference, a month, a shift, a colour): an empty
                 // value becomes 0, a fraction is refused
    IntOrEmpty,  // whole number as Int, but an empty value stays empty (NULL)
    Float,       // fractional number; an empty value becomes 0
    Text,        // text as it stands
    Mark,        // text as it stands; an empty value arrives as '' (an acceptance mark is never NULL)
    Date,        // a date, read from its text form (ISO, or day first as DD.MM.YYYY); an empty value stays empty
    Stamp,       // a date with an optional time of day, read as Date; an empty value stays empty
};

struct Column {
    QString name;  // the same in source and target, apart from letter case
    Carry carry;
};

struct TablePair {
    QString source;  // legacy table, e.g. "H_TABEL"
    QString target;  // e.g. "accounts_dep.h_tabel"
    bool sorted;     // read in id order (all but NOMENKL, which is read as the source gives it)
    QList<Column> columns;
};

// The seven table pairs in the order they are copied.
const QList<TablePair>& tablePairs();

// The progress text after k of n rows: "H_TABEL: 5 из 1234 записей".
QString progressText(const QString& sourceTable, qlonglong k, qlonglong n);

// The insert of a batch of rows into a pair's target, each row given as its column literals.
QString insertStatement(const TablePair& pair, const QList<QStringList>& rows);

// The QODBC connection texts of the two data sources (Qt puts "DSN=" in front of a text without "DRIVER=").
QString sourceConnectionText();  // [import] source of the settings, or "Tabel;PWD=tosumavid"
QString targetConnectionText();  // "Tabel_PgSQL;UID=sys"

// The question asked once before anything is replaced: "Данные таблиц ... будут заменены данными из Access.
// Продолжить?" with the seven target tables.
QString confirmationText();

class Import {
public:
    using Report = std::function<void(const QString&)>;
    using Confirm = std::function<bool(const QString&)>;
    using Wait = std::function<void()>;

    // progress: the progress text, once per batch of rows written; confirm: asks the question (true: go on),
    // after every table was found fit and before anything is emptied.
    Import(Report progress, Confirm confirm);

    // The QODBC connection texts (by default the two data sources above).
    void setConnectionTexts(const QString& source, const QString& target) {
        sourceText_ = source;
        targetText_ = target;
    }

    // Rows sent in one statement (the progress text advances once per batch).
    void setBatchSize(int rows) { batchSize_ = rows < 1 ? 1 : rows; }
    int batchSize() const { return batchSize_; }

    // Called over and over while the import waits for the source's next batch (a job's check(): it turns the
    // event loop and may throw to stop the import, which then ends as after an error, without the message).
    void setWait(Wait wait) { wait_ = std::move(wait); }

    // Checks the seven sources and targets first (a target that is a view, a missing table or column on
    // either side): anything that does not fit throws DbError naming all of it, and nothing is changed. Then
    // asks; "no" changes nothing (false). Then copies the seven tables, each in one transaction: on an error
    // (a value that cannot be read as its column needs among them) that table stays as it was, the tables
    // before it stay copied, and DbError is thrown with the reason; later tables are left. True when the
    // tables were copied.
    // The source is read on a thread of its own (its connection made and used there only), a few batches
    // ahead of the target, which is written on the calling thread; pending user-interface events run between
    // batches.
    bool run();

    // Rows copied by the last run (for measurements).
    qlonglong rowsCopied() const { return rowsCopied_; }

private:
    class Reader;
    void copyTable(Reader& reader, QSqlDatabase& target, const TablePair& pair);

    Report progress_;
    Confirm confirm_;
    Wait wait_;
    QString sourceText_ = sourceConnectionText(), targetText_ = targetConnectionText();
    int batchSize_ = 250;
    qlonglong rowsCopied_ = 0;
};

// Asks the import's question in a question box with the caption "Импорт"; true for "Да".
bool askToReplace(const QString& text);

}  // namespace legacy

// What the main window's "Импорт" runs: the import with its progress shown through `progress` and in a progress
// window, asking before it replaces anything. Errors are thrown as DbError (the standard error box shows them).
// "Отмена" stops it after the batch being written: the table in progress stays as it was, the tables before it
// stay copied, later ones untouched; false then.
bool runLegacyImport(std::function<void(const QString&)> progress);
