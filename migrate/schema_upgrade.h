#pragma once

#include <QStringList>

class Db;

// "Структура БД": brings the objects of accounts_dep up to what the program expects — the products view
// izdel over the ERP goods and classifier, and the day-off and night columns of maintenance work and its time
// sheets.
namespace schema {

// The statements in the order they are sent. The view is recreated by two of them (drop, then create).
QStringList upgradeStatements();

// Sends the statements, each on its own; an error is dropped silently and the next statement runs. The drop
// and the create of the view go in one transaction, so a create that fails keeps the view there was, while a
// drop that fails (no view yet) still lets the create run. Nothing is shown. Called outside a transaction (the
// menu command), so each column statement commits on its own.
void upgrade(Db& db);

}  // namespace schema
