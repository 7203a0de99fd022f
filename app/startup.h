#pragma once

#include <QIcon>
#include <QStringList>

// Start-up: creates the data module, connects to the database named by the arguments (database, server),
// creates every window once in the start-up order, and runs the program. Returns the exit code (always 0).
int runProgram(const QStringList& args);

// The start-up steps without the message loop: true when the program is connected and its windows exist.
// On a failed connection shows "Подключение к БД отсутсвует!!!" and returns false.
bool startUp(const QStringList& args);

// Creates the windows after the data module is connected, in the start-up order.
void createWindows();

// Destroys every window and the data module (the end of the program, or of a test).
void destroyWindows();

// The program's icon (every window's), in all its sizes.
QIcon programIcon();
