#pragma once

#include <QString>
#include <optional>

#include "base/login_modes.h"

// How the program names itself to the server (application_name): "tabel HOST MODE". The database's history of
// changes reads the workstation and the login mode from it; the person is the session's login role.
namespace login {

// The code of a mode in the client name and in the history: viewer, foreman, warehouse, full.
QString modeCode(Mode mode);
// The Russian name of a mode code ("" for an unknown or empty code).
QString modeCaption(const QString& code);

// "tabel HOST" before the login, "tabel HOST MODE" after it; spaces in the host name become "-" and the text
// keeps to ASCII (the server replaces anything else).
QString clientName(const QString& host, std::optional<Mode> mode);

}  // namespace login
