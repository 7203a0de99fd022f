#pragma once

#include <QIcon>
#include <QStringList>

#include "core/settings.h"

// Start-up: reads the settings (command line, settings files, libpq environment, built-in text), creates the
// data module, connects, creates every window once in the start-up order, and runs the program. Returns the
// exit code: 0, or 2 for a command line it cannot read (said on stderr).
int runProgram(const QStringList& args);

// The start-up steps without the message loop: true when the program is connected and its windows exist.
// On a failed connection shows "Подключение к БД отсутсвует!!!" and returns false. With [login] mode = person
// only the login window is made: the person's own password opens the connection, and the login window then
// makes the other windows (createWindows).
bool startUp(const QStringList& args);  // the settings of these arguments and the usual places
bool startUp(const settings::Resolved& resolved);

// Creates the windows after the data module is connected, in the start-up order (the login window only when
// it does not exist yet).
void createWindows();

// Destroys every window and the data module (the end of the program, or of a test).
void destroyWindows();

// The program's icon (every window's), in all its sizes.
QIcon programIcon();
