#include "core/db.h"

#include <libpq-fe.h>

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <climits>
#include <cstring>

namespace {

// The driver options of the connection text; fixed, they carry no meaning for libpq.
const char* const kDriverOptions =
    "ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;RowVersioning=0;ShowSystemTables=0;Fetch=100;"
    "UnknownSizes=0;MaxVarcharSize=255;MaxLongVarcharSize=8190;Debug=0;CommLog=0;UseDeclareFetch=0;"
    "TextAsLongVarchar=1;UnknownsAsLongVarchar=0;BoolsAsChar=1;Parse=0;ExtraSysTablePrefixes=;LFConversion=1;"
    "UpdatableCursors=1;TrueIsMinus1=0;BI=0;ByteaAsLongVarBinary=1;UseServerSidePrepare=1;LowerCaseIdentifier=0;"
    "D6=-101;OptionalErrors=0;XaOpt=1";

QueryResult::Type typeOf(Oid oid) {
    switch (oid) {
        case 20:
        case 21:
        case 23:
        case 26:
            return QueryResult::Type::Int;
        case 700:
        case 701:
            return QueryResult::Type::Float;
        case 1700:
            return QueryResult::Type::Numeric;
        case 18:
        case 19:
        case 25:
        case 1042:
        case 1043:
        case 705:
            return QueryResult::Type::Text;
        case 1082:
            return QueryResult::Type::Date;
        case 1114:
        case 1184:
            return QueryResult::Type::DateTime;
        case 16:
            return QueryResult::Type::Bool;
        default:
            return QueryResult::Type::Other;
    }
}

}  // namespace

QString defaultServer() {
    return QStringLiteral(TABEL_DEFAULT_SERVER);
}

ConnectionSettings connectionFromArguments(const QStringList& args, const QString& defaultServer) {
    QString database = QStringLiteral("plantdb");
    QString server = defaultServer;
    if (args.size() >= 2 && !args.at(1).isEmpty()) {
        database = args.at(0);
        server = args.at(1);
    }
    ConnectionSettings s;
    s.text = QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=") + database + QStringLiteral(";SERVER=") + server +
             QStringLiteral(";PORT=5432;UID=sys;PWD=wubalek;SSLmode=allow;") + QLatin1String(kDriverOptions);
    return s;
}

QList<QPair<QString, QString>> ConnectionSettings::libpqParams() const {
    // Keys are matched case-insensitively; as with an ODBC driver manager the first occurrence of a key wins.
    static const QList<QPair<QString, QString>> keyMap = {
        {QStringLiteral("database"), QStringLiteral("dbname")}, {QStringLiteral("server"), QStringLiteral("host")},
        {QStringLiteral("port"), QStringLiteral("port")},       {QStringLiteral("uid"), QStringLiteral("user")},
        {QStringLiteral("pwd"), QStringLiteral("password")},    {QStringLiteral("sslmode"), QStringLiteral("sslmode")},
    };
    QList<QPair<QString, QString>> out;
    const QStringList pairs = text.split(QLatin1Char(';'));
    for (const QString& pair : pairs) {
        const int eq = pair.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = pair.left(eq).trimmed().toLower();
        QString value = pair.mid(eq + 1);
        if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
            value = value.mid(1, value.size() - 2);
        for (const auto& [odbcKey, pqKey] : keyMap) {
            if (key != odbcKey)
                continue;
            bool seen = false;
            for (const auto& p : out)
                seen = seen || p.first == pqKey;
            if (!seen)
                out.append({pqKey, value});
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------------------

bool parseIsoDate(const char* v, int len, QDate& out) {
    if (len < 10 || v[4] != '-' || v[7] != '-' || (len > 10 && v[10] != ' ') || std::memchr(v, 'B', len))
        return false;
    int digits[8];
    const int at[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    for (int i = 0; i < 8; ++i) {
        const char c = v[at[i]];
        if (c < '0' || c > '9')
            return false;
        digits[i] = c - '0';
    }
    out = QDate(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3], digits[4] * 10 + digits[5],
                digits[6] * 10 + digits[7]);
    return out.isValid();
}

QueryResult::QueryResult(pg_result* res) : res_(res) {
    const int n = PQnfields(res_);
    types_.reserve(n);
    names_.reserve(n);
    for (int c = 0; c < n; ++c) {
        types_.push_back(typeOf(PQftype(res_, c)));
        names_.push_back(QString::fromUtf8(PQfname(res_, c)));
    }
}

QueryResult::~QueryResult() {
    PQclear(res_);
}

int QueryResult::rowCount() const {
    return PQntuples(res_);
}
int QueryResult::columnCount() const {
    return PQnfields(res_);
}
QString QueryResult::columnName(int col) const {
    return names_[col];
}
QueryResult::Type QueryResult::columnType(int col) const {
    return types_[col];
}

int QueryResult::columnIndex(const QString& name) const {
    // Windows look fields up by name for every row they read: no conversion, the exact spelling first.
    const int n = int(names_.size());
    for (int c = 0; c < n; ++c)
        if (names_[c] == name)
            return c;
    for (int c = 0; c < n; ++c)
        if (names_[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

bool QueryResult::isNull(int row, int col) const {
    return PQgetisnull(res_, row, col);
}
const char* QueryResult::raw(int row, int col) const {
    return PQgetvalue(res_, row, col);
}
int QueryResult::rawLength(int row, int col) const {
    return PQgetlength(res_, row, col);
}

QString QueryResult::text(int row, int col) const {
    return QString::fromUtf8(PQgetvalue(res_, row, col), PQgetlength(res_, row, col));
}

QVariant QueryResult::value(int row, int col) const {
    if (PQgetisnull(res_, row, col))
        return {};
    const char* v = PQgetvalue(res_, row, col);
    switch (types_[col]) {
        case Type::Int: {
            const qlonglong n = QByteArray::fromRawData(v, PQgetlength(res_, row, col)).toLongLong();
            if (n >= INT_MIN && n <= INT_MAX)
                return QVariant(int(n));
            return QVariant(n);
        }
        case Type::Float:
        case Type::Numeric:
            return QVariant(QByteArray::fromRawData(v, PQgetlength(res_, row, col)).toDouble());
        case Type::Date: {
            QDate d;
            if (parseIsoDate(v, PQgetlength(res_, row, col), d))
                return QVariant(d);
            return QVariant(QDate::fromString(QString::fromLatin1(v), Qt::ISODate));
        }
        case Type::DateTime: {
            // "YYYY-MM-DD HH:MM:SS[.ffffff][+TZ]": the wall-clock part is what the program shows.
            const int len = PQgetlength(res_, row, col);
            QDate d;
            if (len >= 19 && parseIsoDate(v, len, d) && v[13] == ':' && v[16] == ':') {
                const int hh = (v[11] - '0') * 10 + (v[12] - '0'), mm = (v[14] - '0') * 10 + (v[15] - '0'),
                          ss = (v[17] - '0') * 10 + (v[18] - '0');
                return QVariant(QDateTime(d, QTime(hh, mm, ss)));
            }
            QString s = QString::fromLatin1(v);
            static const QRegularExpression tz(QStringLiteral("[+-]\\d\\d(:\\d\\d)?$"));
            s.remove(tz);
            QDateTime dt = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            return QVariant(dt);
        }
        case Type::Bool:
            return QVariant(v[0] == 't');
        default:
            return QVariant(text(row, col));
    }
}

QDate QueryResult::date(int row, int col) const {
    if (PQgetisnull(res_, row, col))
        return {};
    if (types_[col] == Type::Date || types_[col] == Type::DateTime) {
        QDate d;
        if (parseIsoDate(PQgetvalue(res_, row, col), PQgetlength(res_, row, col), d))
            return d;
    }
    const QVariant v = value(row, col);
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
}

// ---------------------------------------------------------------------------------------------------------------

Db::Db() = default;

Db::~Db() {
    close();
}

void Db::open(const ConnectionSettings& settings, int connectTimeoutSeconds) {
    close();
    QList<QByteArray> keys, values;
    for (const auto& [k, v] : settings.libpqParams()) {
        keys << k.toUtf8();
        values << v.toUtf8();
    }
    keys << "connect_timeout"
         << "client_encoding"
         << "application_name"
         << "options";
    // Day-month-year is how this program writes date texts ('06.03.2024') into SQL.
    values << QByteArray::number(connectTimeoutSeconds) << "UTF8"
           << "tabel"
           << "-c DateStyle=ISO,DMY";
    std::vector<const char*> k, v;
    for (int i = 0; i < keys.size(); ++i) {
        k.push_back(keys[i].constData());
        v.push_back(values[i].constData());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    conn_ = PQconnectdbParams(k.data(), v.data(), 0);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString msg = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
        PQfinish(conn_);
        conn_ = nullptr;
        throw DbError(msg);
    }
    depth_ = 0;
    rollbackOnly_ = false;
    statements_ = 0;
}

void Db::close() {
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
    depth_ = 0;
}

bool Db::isOpen() const {
    return conn_ != nullptr;
}

pg_result* Db::run(const QString& sql) {
    if (!conn_)
        throw DbError(QStringLiteral("Нет подключения к базе данных"));
    ++statements_;
    pg_result* res = PQexec(conn_, sql.toUtf8().constData());
    const ExecStatusType st = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY) {
        const QString msg = QString::fromUtf8(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_)).trimmed();
        PQclear(res);
        throw DbError(msg);
    }
    return res;
}

void Db::exec(const QString& sql) {
    PQclear(run(sql));
}

std::shared_ptr<QueryResult> Db::query(const QString& sql) {
    return std::make_shared<QueryResult>(run(sql));
}

void Db::begin() {
    if (depth_ == 0) {
        exec(QStringLiteral("BEGIN"));
        rollbackOnly_ = false;
    }
    ++depth_;
}

void Db::commit() {
    if (depth_ == 0)
        throw DbError(QStringLiteral("COMMIT outside a transaction"));
    if (--depth_ > 0)
        return;
    if (rollbackOnly_) {
        exec(QStringLiteral("ROLLBACK"));
        throw DbError(QStringLiteral("Transaction rolled back"));
    }
    exec(QStringLiteral("COMMIT"));
}

void Db::rollback() {
    if (depth_ == 0)
        return;
    if (--depth_ > 0) {
        rollbackOnly_ = true;
        return;
    }
    if (conn_)
        exec(QStringLiteral("ROLLBACK"));
}
