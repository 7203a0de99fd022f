#pragma once

#include <QList>
#include <QString>
#include <optional>

class QObject;
class Db;

// What a login word allows: the four modes and the controls each one switches off, kept in one table.
namespace login {

enum class Mode { Viewer = 1, Foreman = 2, Warehouse = 4, Full = 8 };

// The mode of a typed word (surrounding spaces removed, letter case kept); none for an unknown word.
std::optional<Mode> modeOfWord(const QString& typed);

// A person's login ([login] mode = person): the PostgreSQL group role of each mode (db/roles.sql).
QString groupOf(Mode mode);
// The mode of the connected session's user: its group, the one with the most rights when it is in several
// (full, foreman, warehouse, viewer); none when it is in none of them.
std::optional<Mode> modeOfSession(Db& db);

// One control switched off in some modes: the window and control by objectName, the modes as a mask of
// Mode values. selectItem >= 0 also selects that item of a radio group (its itemIndex property, or else its
// radio buttons in order).
struct DisabledControl {
    QString window;
    QString control;
    int modes;
    int selectItem = -1;
};

// The whole table.
const QList<DisabledControl>& disabledControls();

// The objectNames of the controls of window switched off in mode.
QStringList disabledIn(const QString& window, Mode mode);

// Switches the mode's controls off in every window of the table that exists (windows are found among the
// application's top-level widgets by objectName); windows not created are skipped.
void applyMode(Mode mode);

}  // namespace login
