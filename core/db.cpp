#include "core/db.h"

#include <libpq-fe.h>
#include <poll.h>

#include <QAbstractEventDispatcher>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/sqltext.h"

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

// A statement that only reads: its failure is a failed read, not a failed change.
bool isRead(const QString& sql) {
    const QString t = sql.trimmed().left(64).toLower();
    for (const char* word : {"select", "show", "values", "table"})
        if (t.startsWith(QLatin1String(word)))
            return true;
    if (t.startsWith(QLatin1String("with"))) {
        const QString all = sql.toLower();
        return !all.contains(QLatin1String("insert")) && !all.contains(QLatin1String("update")) &&
               !all.contains(QLatin1String("delete"));
    }
    return false;
}

bool isConnectionState(const QString& state) {
    // connection exceptions; the server shutting down, restarting or ending this session
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
           state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

bool isBusyState(const QString& state) {
    // lock not available (the lock wait bound), deadlock, serialization failure: another session's locks
    return state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001");
}

// The hourglass while a statement keeps the program waiting longer than a moment, on the window thread only.
class WaitCursor {
public:
    ~WaitCursor() {
        if (on_)
            QGuiApplication::restoreOverrideCursor();
    }
    void show() {
        if (on_ || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
            QThread::currentThread() != QCoreApplication::instance()->thread())
            return;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        on_ = true;
    }
    bool shown() const { return on_; }

private:
    bool on_ = false;
};

constexpr int kHourglassAfterMs = 200;
constexpr int kWaitHookEveryMs = 30;

thread_local Db::WaitHook waitHook;

// Asks the server to stop the statement now running on conn; the statement then ends with an error.
void cancelRunning(pg_conn* conn) {
    if (PGcancel* c = PQgetCancel(conn)) {
        char err[256];
        PQcancel(c, err, sizeof err);
        PQfreeCancel(c);
    }
}

}  // namespace

QString DbError::userText() const {
    // Rights the server refuses (the plant's groups of db/roles.sql): nothing was done.
    if (sqlState_ == QLatin1String("42501"))
        return kind_ == Kind::Write ? QStringLiteral("Изменение не выполнено: недостаточно прав.")
                                    : QStringLiteral("Недостаточно прав для этого действия.");
    switch (kind_) {
        case Kind::Program:
        case Kind::Refused:
            return message();
        case Kind::Busy:
            return QStringLiteral("База данных занята другим рабочим местом. Повторите запись позже.");
        case Kind::ConnectionLost:
            return QStringLiteral("Нет связи с сервером базы данных.");
        case Kind::Cancelled:
            return QStringLiteral("Операция отменена.");
        case Kind::Read:
            return QStringLiteral("Не удалось прочитать данные из базы данных.");
        case Kind::Write:
            if (sqlState_ == QLatin1String("23503"))
                return QStringLiteral("Изменение не выполнено: с этими данными связаны другие записи.");
            if (sqlState_ == QLatin1String("23505"))
                return QStringLiteral("Изменение не выполнено: такая запись уже есть.");
            if (sqlState_ == QLatin1String("22003"))
                return QStringLiteral("Изменение не выполнено: число вне допустимого диапазона.");
            return QStringLiteral("Изменение данных не выполнено.");
    }
    return message();
}

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
             QStringLiteral(";PORT=5432;UID=sys;PWD=wubalek;SSLmode=prefer;") + QLatin1String(kDriverOptions);
    return s;
}

ConnectionSettings ConnectionSettings::with(const QString& key, const QString& value) const {
    QList<QPair<QString, QString>> list = libpqParams();
    bool replaced = false;
    for (auto& p : list)
        if (p.first == key) {
            p.second = value;
            replaced = true;
        }
    if (!replaced)
        list.append({key, value});
    ConnectionSettings s;
    s.params = list;
    return s;
}

QList<QPair<QString, QString>> ConnectionSettings::libpqParams() const {
    if (params)
        return *params;
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
         << "options"
         << "keepalives"
         << "keepalives_idle"
         << "keepalives_interval"
         << "keepalives_count"
         << "tcp_user_timeout";
    // Day-month-year is how this program writes date texts ('06.03.2024') into SQL. The lock wait bound keeps a
    // lock held elsewhere (a month rebuild, a forgotten session) from freezing the window that waits for it.
    // They are connection options, so a connection made again after a loss has them too. Over a network, a
    // server that stops answering is noticed within about ten seconds.
    values << QByteArray::number(connectTimeoutSeconds) << "UTF8" << clientName_.toUtf8()
           << "-c DateStyle=ISO,DMY -c lock_timeout=" + QByteArray::number(lockTimeoutMs) << "1"
           << "5"
           << "2"
           << "2"
           << "9000";
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
        // The server asked for a password: the one given (or none) was not accepted.
        const bool password = PQconnectionUsedPassword(conn_) || PQconnectionNeedsPassword(conn_);
        PQfinish(conn_);
        conn_ = nullptr;
        throw DbError(msg, DbError::Kind::Program, password ? QStringLiteral("28P01") : QString());
    }
    PQsetNoticeReceiver(conn_, &Db::noticeReceiver, this);
    depth_ = 0;
    rollbackOnly_ = false;
    statements_ = 0;
    reconnects_ = 0;
    serverEnded_ = false;
    actionTurn_.reset();
}

void Db::close() {
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
    depth_ = 0;
    actionTurn_.reset();
}

bool Db::isOpen() const {
    return conn_ != nullptr;
}

void Db::noticeReceiver(void* arg, const pg_result* res) {
    // The server's last word before it ends the session (terminated, shutting down) comes between statements,
    // where libpq passes it on as a notice: the connection is as good as gone.
    const char* severity = PQresultErrorField(res, PG_DIAG_SEVERITY_NONLOCALIZED);
    if (severity && (std::strcmp(severity, "FATAL") == 0 || std::strcmp(severity, "PANIC") == 0)) {
        static_cast<Db*>(arg)->serverEnded_ = true;
        return;
    }
    std::fputs(PQresultErrorMessage(res), stderr);
}

bool Db::connectionDropped() {
    // An idle connection has nothing to read. Something there is the server's goodbye (a shutdown, a restart, a
    // terminated session) or the end of the socket: read it, and libpq marks the connection bad.
    for (int i = 0; i < 8; ++i) {
        if (PQstatus(conn_) != CONNECTION_OK || PQsocket(conn_) < 0)
            return true;
        pollfd p{PQsocket(conn_), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return serverEnded_;
        if (!PQconsumeInput(conn_))
            return true;
        while (PGnotify* n = PQnotifies(conn_))
            PQfreemem(n);
        if (serverEnded_)
            return true;
    }
    return PQstatus(conn_) != CONNECTION_OK;
}

void Db::lost(const QString& message) {
    // The rest of this user action fails at once; the next action tries the server again.
    lostMessage_ = message;
    if (!QAbstractEventDispatcher::instance())
        throw DbError(message, DbError::Kind::ConnectionLost, QStringLiteral("08006"));  // no event loop here
    actionTurn_ = std::make_unique<QObject>();
    QObject* turn = actionTurn_.get();
    QTimer::singleShot(0, turn, [this, turn] {
        if (actionTurn_.get() == turn)
            actionTurn_.release()->deleteLater();
    });
    throw DbError(message, DbError::Kind::ConnectionLost, QStringLiteral("08006"));
}

void Db::ensureConnected() {
    if (depth_ > 0) {
        // A transaction does not outlive its connection: it fails as a whole.
        if (PQstatus(conn_) != CONNECTION_OK)
            lost(lostMessage_.isEmpty() ? QString::fromUtf8(PQerrorMessage(conn_)).trimmed() : lostMessage_);
        return;
    }
    if (!connectionDropped()) {
        lostMessage_.clear();
        return;
    }
    if (actionTurn_)
        throw DbError(lostMessage_, DbError::Kind::ConnectionLost, QStringLiteral("08006"));
    WaitCursor wait;
    wait.show();
    PQreset(conn_);  // the same parameters: database, user, DateStyle, lock wait bound
    if (PQstatus(conn_) != CONNECTION_OK)
        lost(QString::fromUtf8(PQerrorMessage(conn_)).trimmed());
    ++reconnects_;
    serverEnded_ = false;
    rollbackOnly_ = false;
    lostMessage_.clear();
    if (!clientNameSent_) {
        // The reset connection has the name of the first connect; the later one goes again.
        clientNameSent_ = true;
        PQclear(
            PQexec(conn_, (QStringLiteral("set application_name to ") + sql::quote(clientName_)).toUtf8().constData()));
    }
}

void Db::setClientName(const QString& name) {
    clientName_ = name;
    clientNameSent_ = false;
    if (conn_ && depth_ == 0) {
        exec(QStringLiteral("set application_name to ") + sql::quote(name));
        clientNameSent_ = true;
    }
}

Db::WaitHook Db::setWaitHook(WaitHook hook) {
    WaitHook old = std::move(waitHook);
    waitHook = std::move(hook);
    return old;
}

pg_result* Db::run(const QString& sql) {
    if (!conn_)
        throw DbError(QStringLiteral("Нет подключения к базе данных"));
    if (running_)
        throw DbError(QStringLiteral("Дождитесь окончания текущей операции."));
    running_ = true;
    const auto notRunning = qScopeGuard([this] { running_ = false; });
    ensureConnected();
    ++statements_;
    // Sent, then waited for on the socket: a statement that keeps the window waiting shows the hourglass.
    pg_result* res = nullptr;
    if (PQsendQuery(conn_, sql.toUtf8().constData())) {
        WaitCursor wait;
        QElapsedTimer clock;
        clock.start();
        bool cancelSent = false;
        const bool hooked = bool(waitHook);
        while (PQisBusy(conn_)) {
            pollfd p{PQsocket(conn_), POLLIN, 0};
            int left = wait.shown() ? -1 : std::max(0, kHourglassAfterMs - int(clock.elapsed()));
            if (hooked)
                left = left < 0 ? kWaitHookEveryMs : std::min(left, kWaitHookEveryMs);
            const int r = ::poll(&p, 1, left);
            if (r < 0 && errno == EINTR)
                continue;
            if (r == 0) {
                if (clock.elapsed() >= kHourglassAfterMs)
                    wait.show();
                if (hooked && waitHook() && !cancelSent) {
                    cancelRunning(conn_);
                    cancelSent = true;
                }
                continue;
            }
            if (r < 0 || !PQconsumeInput(conn_))
                break;
        }
        // As PQexec does: the last result, or the error that ended the text.
        while (pg_result* next = PQgetResult(conn_)) {
            const ExecStatusType st = PQresultStatus(next);
            if (res && PQresultStatus(res) == PGRES_FATAL_ERROR && st != PGRES_FATAL_ERROR) {
                PQclear(next);
                continue;
            }
            PQclear(res);
            res = next;
            if (st == PGRES_COPY_IN || st == PGRES_COPY_OUT || st == PGRES_COPY_BOTH ||
                PQstatus(conn_) == CONNECTION_BAD)
                break;
        }
    }
    const ExecStatusType st = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY) {
        QString msg = QString::fromUtf8(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_)).trimmed();
        if (msg.isEmpty())
            msg = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
        const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
        const QString sqlState = state ? QString::fromLatin1(state) : QString();
        const char* primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const QString rule = primary ? QString::fromUtf8(primary) : msg;
        PQclear(res);
        if (sqlState.startsWith(QLatin1String("TB")))
            throw DbError(rule, DbError::Kind::Refused, sqlState);
        if (PQstatus(conn_) != CONNECTION_OK || isConnectionState(sqlState))
            lost(msg);
        if (isBusyState(sqlState))
            throw DbError(msg, DbError::Kind::Busy, sqlState);
        if (sqlState == QLatin1String("57014"))  // query_canceled: the user's cancel
            throw DbError(msg, DbError::Kind::Cancelled, sqlState);
        throw DbError(msg, isRead(sql) && depth_ == 0 ? DbError::Kind::Read : DbError::Kind::Write, sqlState);
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
        throw DbError(QStringLiteral("Завершение изменений вне транзакции"));
    if (--depth_ > 0)
        return;
    if (rollbackOnly_) {
        exec(QStringLiteral("ROLLBACK"));
        throw DbError(QStringLiteral("Изменения отменены: часть их не удалась."));
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
    // A connection lost with the transaction took the transaction with it: nothing to roll back, and no new
    // connection is made for it.
    if (conn_ && !connectionDropped())
        exec(QStringLiteral("ROLLBACK"));
}
