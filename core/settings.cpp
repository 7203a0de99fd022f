#include "core/settings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSettings>

namespace settings {

namespace {

// The connection keys in the order they are resolved, with the libpq environment variable of each.
struct Key {
    const char* name;
    const char* env;
};
constexpr Key kKeys[] = {
    {"host", "PGHOST"},         {"port", "PGPORT"},       {"dbname", "PGDATABASE"},         {"user", "PGUSER"},
    {"password", "PGPASSWORD"}, {"sslmode", "PGSSLMODE"}, {"sslrootcert", "PGSSLROOTCERT"},
};

const char* const kBuiltInUser = "sys";

// One INI file's values of a section, read without touching QSettings' own search paths.
QMap<QString, QString> readSection(const QString& file, const QString& section) {
    QMap<QString, QString> out;
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return out;
    QSettings ini(file, QSettings::IniFormat);
    ini.beginGroup(section);
    for (const QString& k : ini.childKeys()) {
        // An unquoted value with commas reads as a list: it is still one text.
        const QVariant v = ini.value(k);
        out.insert(k.toLower(),
                   v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString());
    }
    return out;
}

// One field of a password file line; '\' escapes the next character, '*' alone matches anything.
QStringList passwordFileFields(const QString& line) {
    QStringList fields;
    QString cur;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            cur += line.at(++i);
        } else if (c == QLatin1Char(':') && fields.size() < 4) {
            fields << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields << cur;
    return fields;
}

Resolved* currentSlot() {
    static Resolved r;
    return &r;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& args) {
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption host(QStringLiteral("host"), QString(), QStringLiteral("host"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("port"));
    const QCommandLineOption dbname(QStringLiteral("dbname"), QString(), QStringLiteral("dbname"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("user"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    // Shows the hidden «Импорт» command; taken by the start-up (app/main.cpp), known here so it is no error.
    const QCommandLineOption import(QStringLiteral("import"), QString());
    // Turns the live refresh of the open views off (a slow link).
    const QCommandLineOption noLive(QStringLiteral("no-live"), QString());
    p.addOptions({host, port, dbname, user, help, version, import, noLive});
    CommandLine out;
    // The parser wants the program's name first. --help and --version are answered even beside a bad option.
    const bool good = p.parse(QStringList{QStringLiteral("tabel")} + args);
    out.help = p.isSet(help);
    out.version = p.isSet(version);
    if (!good) {
        out.error = p.errorText();
        return out;
    }
    const QStringList positional = p.positionalArguments();
    if (positional.size() > 2) {
        out.error = QStringLiteral("Лишние аргументы: ") + positional.mid(2).join(QLatin1Char(' '));
        return out;
    }
    if (positional.size() >= 2 && !positional.at(1).isEmpty()) {
        out.dbname = positional.at(0);
        out.host = positional.at(1);
    }
    if (p.isSet(host))
        out.host = p.value(host);
    if (p.isSet(port))
        out.port = p.value(port);
    if (p.isSet(dbname))
        out.dbname = p.value(dbname);
    if (p.isSet(user))
        out.user = p.value(user);
    out.noLive = p.isSet(noLive);
    return out;
}

QString helpText() {
    return QStringLiteral(
        "Использование: tabel [ПАРАМЕТРЫ] [БАЗА СЕРВЕР]\n"
        "\n"
        "  --host СЕРВЕР     сервер базы данных (имя, адрес или каталог сокета)\n"
        "  --port ПОРТ       порт сервера\n"
        "  --dbname БАЗА     имя базы данных\n"
        "  --user ИМЯ        пользователь базы данных\n"
        "  -h, --help        эта справка\n"
        "  -v, --version     версия программы\n"
        "  --import          показать команду «Импорт» главного окна\n"
        "  --no-live         не обновлять открытые окна по изменениям с других рабочих мест\n"
        "\n"
        "Чего нет в командной строке, берётся из ~/.config/tabel/tabel.conf, затем из /etc/tabel/tabel.conf\n"
        "(раздел [connection]: host, port, dbname, user, password, sslmode, sslrootcert; раздел [login]:\n"
        "mode = word или person; раздел [client]: live = false отключает автообновление), затем из\n"
        "переменных PGHOST, PGPORT, ... и файла ~/.pgpass.\n"
        "Пароль в командной строке не задаётся.\n");
}

Sources defaultSources() {
    Sources s;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& k : env.keys())
        s.environment.insert(k, env.value(k));
    QString config = s.environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    s.userFile = config + QStringLiteral("/tabel/tabel.conf");
    s.systemFile = s.environment.value(QStringLiteral("TABEL_SYSTEM_CONFIG"), QStringLiteral("/etc/tabel/tabel.conf"));
    s.defaultServer = defaultServer();
    return s;
}

bool passwordFileHas(const QMap<QString, QString>& environment, const QString& host, const QString& port,
                     const QString& dbname, const QString& user) {
    QString file = environment.value(QStringLiteral("PGPASSFILE"));
    if (file.isEmpty()) {
        const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
        file = home + QStringLiteral("/.pgpass");
    }
    const QFileInfo info(file);
    if (!info.isFile())
        return false;
    // libpq ignores a password file that the group or others may read.
    const QFile::Permissions open =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (info.permissions() & open)
        return false;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // A unix socket (no host, or a directory) is "localhost" in the file; libpq's defaults fill the rest.
    const QString h = host.isEmpty() || host.startsWith(QLatin1Char('/')) ? QStringLiteral("localhost") : host;
    const QString pt = port.isEmpty() ? QStringLiteral("5432") : port;
    const QString u = user.isEmpty() ? environment.value(QStringLiteral("USER")) : user;
    const QString d = dbname.isEmpty() ? u : dbname;
    const QString want[4] = {h, pt, d, u};
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = passwordFileFields(line);
        if (fields.size() < 5)
            continue;
        bool match = true;
        for (int i = 0; i < 4 && match; ++i)
            match = fields.at(i) == QLatin1String("*") || fields.at(i) == want[i];
        if (match)
            return true;
    }
    return false;
}

Resolved resolve(const CommandLine& line, const Sources& sources) {
    const QMap<QString, QString> userConn = readSection(sources.userFile, QStringLiteral("connection"));
    const QMap<QString, QString> systemConn = readSection(sources.systemFile, QStringLiteral("connection"));
    QMap<QString, QString> builtIn;
    for (const auto& [k, v] : connectionFromArguments({}, sources.defaultServer).libpqParams())
        builtIn.insert(k, v);
    const QMap<QString, std::optional<QString>> given = {
        {QStringLiteral("host"), line.host},
        {QStringLiteral("port"), line.port},
        {QStringLiteral("dbname"), line.dbname},
        {QStringLiteral("user"), line.user},
    };

    Resolved out;
    QList<QPair<QString, QString>> params;
    QMap<QString, QString> value;  // what each key comes to, also where libpq takes it from the environment
    for (const Key& key : kKeys) {
        const QString name = QLatin1String(key.name);
        const QString env = QLatin1String(key.env);
        std::optional<QString> v;
        QString origin;
        if (given.value(name)) {
            v = *given.value(name);
            origin = QStringLiteral("command line");
        } else if (userConn.contains(name)) {
            v = userConn.value(name);
            origin = QStringLiteral("user file");
        } else if (systemConn.contains(name)) {
            v = systemConn.value(name);
            origin = QStringLiteral("system file");
        } else if (sources.environment.contains(env)) {
            origin = QStringLiteral("environment");
            value.insert(name, sources.environment.value(env));
        } else if (name == QLatin1String("password")) {
            // The built-in password belongs to the built-in user, and the password file comes before it.
            const QString user = value.value(QStringLiteral("user"));
            if (passwordFileHas(sources.environment, value.value(QStringLiteral("host")),
                                value.value(QStringLiteral("port")), value.value(QStringLiteral("dbname")), user)) {
                origin = QStringLiteral("environment");
            } else if (user == QLatin1String(kBuiltInUser) && builtIn.contains(name)) {
                v = builtIn.value(name);
                origin = QStringLiteral("built-in");
            }
        } else if (builtIn.contains(name)) {
            v = builtIn.value(name);
            origin = QStringLiteral("built-in");
        }
        if (v) {
            params.append({name, *v});
            value.insert(name, *v);
        }
        if (!origin.isEmpty())
            out.origin.insert(name, origin);
    }
    out.connection.params = params;

    QMap<QString, QString> login = readSection(sources.systemFile, QStringLiteral("login"));
    login.insert(readSection(sources.userFile, QStringLiteral("login")));
    out.login = login.value(QStringLiteral("mode")).trimmed().compare(QLatin1String("person"), Qt::CaseInsensitive) == 0
                    ? LoginKind::Person
                    : LoginKind::Word;
    QMap<QString, QString> import = readSection(sources.systemFile, QStringLiteral("import"));
    import.insert(readSection(sources.userFile, QStringLiteral("import")));
    out.importSource = import.value(QStringLiteral("source"));
    QMap<QString, QString> client = readSection(sources.systemFile, QStringLiteral("client"));
    client.insert(readSection(sources.userFile, QStringLiteral("client")));
    const QString liveText = client.value(QStringLiteral("live")).trimmed().toLower();
    out.live = !(line.noLive || liveText == QLatin1String("false") || liveText == QLatin1String("no") ||
                 liveText == QLatin1String("off") || liveText == QLatin1String("0"));
    return out;
}

void keepPasswordFromChildren(Resolved& resolved) {
    if (resolved.origin.value(QStringLiteral("password")) != QLatin1String("environment") ||
        !qEnvironmentVariableIsSet("PGPASSWORD"))
        return;
    resolved.connection = resolved.connection.with(QStringLiteral("password"), qEnvironmentVariable("PGPASSWORD"));
    qunsetenv("PGPASSWORD");
}

const Resolved& current() {
    return *currentSlot();
}

void setCurrent(const Resolved& resolved) {
    *currentSlot() = resolved;
}

}  // namespace settings
