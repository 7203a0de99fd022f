#include "base/client_name.h"

namespace login {

QString modeCode(Mode mode) {
    switch (mode) {
        case Mode::Viewer:
            return QStringLiteral("viewer");
        case Mode::Foreman:
            return QStringLiteral("foreman");
        case Mode::Warehouse:
            return QStringLiteral("warehouse");
        case Mode::Full:
            return QStringLiteral("full");
    }
    return {};
}

QString modeCaption(const QString& code) {
    if (code == QLatin1String("viewer"))
        return QStringLiteral("просмотр");
    if (code == QLatin1String("foreman"))
        return QStringLiteral("мастер");
    if (code == QLatin1String("warehouse"))
        return QStringLiteral("склад");
    if (code == QLatin1String("full"))
        return QStringLiteral("полный доступ");
    return {};
}

QString clientName(const QString& host, std::optional<Mode> mode) {
    QString h;
    for (const QChar c : host)
        h += c.unicode() > 32 && c.unicode() < 127 ? c : QLatin1Char('-');
    if (h.isEmpty())
        h = QStringLiteral("-");
    QString name = QStringLiteral("tabel ") + h.left(40);
    if (mode)
        name += QLatin1Char(' ') + modeCode(*mode);
    return name.left(63);
}

}  // namespace login
