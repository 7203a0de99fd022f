#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

class Db;

// Reading the history of changes (accounts_dep.audit, written by the database's triggers): the query of a
// filter, and each change as one line with only the fields that changed, in Russian.
namespace audit_log {

struct Filter {
    QDate from, to;        // days of the change, both included; invalid = open-ended
    QString table;         // "schema.table"; empty = every table
    qlonglong worker = 0;  // the row's worker (accounts_dep.person.id); 0 = any
    qlonglong rowId = 0;   // with table: the history of one record; 0 = any
};

// The query of a filter; columns id, at, person, workstation, login_mode, table_name, row_id, fio, action and
// changed (the columns whose values differ, each with [old, new], as a jsonb text: the server compares the
// rows, only the changes travel), oldest first.
QString querySql(const Filter& f);

struct Line {
    QDateTime at;
    QString person, workstation, mode, table, action, worker, changes;
    qlonglong rowId = 0;
};

// Runs the query and turns each row into its line.
QList<Line> read(Db& db, const Filter& f);

// The audited tables with their Russian names, in the order the filter lists them.
const QList<QPair<QString, QString>>& tables();
QString tableCaption(const QString& table);
// The Russian name of a column of an audited table (the column's own name when it has none).
QString fieldCaption(const QString& table, const QString& column);
// «Добавление», «Изменение», «Удаление» for I, U, D.
QString actionCaption(const QString& action);

// The changed columns of a row (the changed column of querySql), one "Поле: было → стало" each, joined with
// "; ", in the order of the table's columns.
QString changesText(const QString& table, const QString& changed);

}  // namespace audit_log
