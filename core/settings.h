#pragma once

#include <QMap>
#include <QString>
#include <optional>

#include "core/db.h"

// Where the program finds its database, and how the login goes. Each connection key is taken from the first
// source that names it:
//   1. the command line (--host, --port, --dbname, --user; or the positional DBNAME SERVER);
//   2. the user's file  $XDG_CONFIG_HOME/tabel/tabel.conf (~/.config/tabel/tabel.conf);
//   3. the system file  /etc/tabel/tabel.conf (TABEL_SYSTEM_CONFIG names another one);
//   4. the libpq environment (PGHOST, PGPORT, ...) and password file: the key is then left out, so that
//      libpq fills it in itself;
//   5. the built-in connection text.
// Both files are INI: [connection] host, port, dbname, user, password, sslmode, sslrootcert;
// [login] mode = word|person; [import] source (the legacy database's connection text); [client] live = false
// (the open views no longer follow the other workstations' changes).
// A password is never taken from the command line and never handed to a child process.
namespace settings {

enum class LoginKind { Word, Person };

// What the command line says; unset keys are left to the other sources.
struct CommandLine {
    std::optional<QString> host, port, dbname, user;
    bool help = false;
    bool version = false;
    bool noLive = false;  // --no-live: the open views do not follow the database
    QString error;        // an unknown option or a missing value; empty when the line is good
};

// Reads the program's arguments (its own name excluded). The positional form DBNAME SERVER counts only when
// SERVER is non-empty, and then sets both (an empty DBNAME included); named options win over it.
CommandLine parseCommandLine(const QStringList& args);
// The --help text.
QString helpText();

// The places the other sources are read from; the program's come from defaultSources(), a test makes its own.
struct Sources {
    QString userFile;    // empty: none
    QString systemFile;  // empty: none
    QMap<QString, QString> environment;
    QString defaultServer;  // of the built-in connection text
};
Sources defaultSources();

struct Resolved {
    ConnectionSettings connection;  // the libpq keys given; those left out libpq takes from its environment
    QMap<QString, QString> origin;  // connection key -> "command line", "user file", "system file",
                                    // "environment", "built-in" (a key libpq fills in names "environment")
    LoginKind login = LoginKind::Word;
    QString importSource;  // empty: the built-in one
    bool live = true;      // the open views follow the database ([client] live = false or --no-live: off)
};

Resolved resolve(const CommandLine& line, const Sources& sources);

// The password file entry libpq would use for these keys (empty values take libpq's defaults); the file is
// PGPASSFILE or ~/.pgpass, and a file others may read does not count, as with libpq.
bool passwordFileHas(const QMap<QString, QString>& environment, const QString& host, const QString& port,
                     const QString& dbname, const QString& user);

// PGPASSWORD, where the password comes from it, is moved into the connection's own keys and out of the
// program's environment, so that no program it starts (the spreadsheet viewer) inherits it.
void keepPasswordFromChildren(Resolved& resolved);

// The settings the program started with (set once by the start-up).
const Resolved& current();
void setCurrent(const Resolved& resolved);

}  // namespace settings
