#pragma once

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
    TextForm,    // through its text form: an empty value stays empty (NULL)
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
QString sourceConnectionText();  // "Tabel;PWD=tosumavid"
QString targetConnectionText();  // "Tabel_PgSQL;UID=sys"

class Import {
public:
    using Report = std::function<void(const QString&)>;

    // progress: the progress text, at least once per batch of rows; notice: something the user should know
    // that does not stop the import (a table skipped).
    Import(Report progress, Report notice);

    // The QODBC connection texts (by default the two data sources above).
    void setConnectionTexts(const QString& source, const QString& target) {
        sourceText_ = source;
        targetText_ = target;
    }

    // Rows sent in one statement (the progress text advances once per batch).
    void setBatchSize(int rows) { batchSize_ = rows < 1 ? 1 : rows; }

    // Copies the seven tables. Each table is copied in one transaction: on an error that table stays as it
    // was, the tables before it stay copied, and DbError is thrown with the reason; later tables are left.
    // Pending user-interface events run between batches.
    void run();

    // Rows copied by the last run (for measurements).
    qlonglong rowsCopied() const { return rowsCopied_; }

private:
    void copyTable(QSqlDatabase& source, QSqlDatabase& target, const TablePair& pair);

    Report progress_, notice_;
    QString sourceText_ = sourceConnectionText(), targetText_ = targetConnectionText();
    int batchSize_ = 250;
    qlonglong rowsCopied_ = 0;
};

// Shows a notice of the import in a warning box with the caption "Импорт".
void showNotice(const QString& text);

}  // namespace legacy

// What the main window's "Импорт" runs: the import with its progress shown through `progress` and a skipped
// table reported in a warning box. Errors are thrown as DbError (the standard error box shows them).
void runLegacyImport(std::function<void(const QString&)> progress);
