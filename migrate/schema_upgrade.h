#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Db;

// "Структура БД": brings the objects of accounts_dep up to what the program expects — the products view
// izdel over the ERP goods and classifier, and the day-off and night columns of maintenance work and its time
// sheets; then the rules the database keeps itself (closed months, the history of changes), from the same
// files of db/ that a new database is loaded with.
namespace schema {

// The statements in the order they are sent. The view is recreated by two of them (drop, then create).
QStringList upgradeStatements();

// A file of db/ compiled in: its name and text. Its steps start at lines "-- step: NAME".
struct Script {
    QString file;
    QString text;
};
QList<Script> scripts();

// The steps of a script text, in order: the name of each and its statements (the text up to the next step).
struct Step {
    QString name;
    QString sql;
};
QList<Step> stepsOf(const QString& text);

// Sends the statements, each on its own; an error is dropped silently and the next statement runs. The drop
// and the create of the view go in one transaction, so a create that fails keeps the view there was, while a
// drop that fails (no view yet) still lets the create run. Then every step of every script, each in a
// transaction of its own (idempotent: sending them again changes nothing). Called outside a transaction (the
// menu command), so each column statement commits on its own.
// Returns one line for each step of the scripts that failed ("name: server text"); the first statements
// never report.
QStringList upgrade(Db& db);

}  // namespace schema
