#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

struct pg_conn;
struct pg_result;

// An error reported by the database (or by the connection), with the server's message.
class DbError : public std::runtime_error {
public:
    enum class Kind {
        Program,         // raised by the program itself; the message is meant for the user as it stands
        Read,            // the server refused a query
        Write,           // the server refused a statement that changes data (or a transaction step)
        Busy,            // a lock held by another session was not granted in time (nothing was written)
        ConnectionLost,  // no connection to the server (lost, or it could not be made again)
        Refused,         // a rule kept by the database refused the change (SQLSTATE class TB: a closed month, the
                         // history); the message is the rule's own Russian text, meant for the user as it stands
        Cancelled,       // the user stopped the statement while it ran (a long job's "Отмена")
    };
    explicit DbError(const QString& message, Kind kind = Kind::Program, const QString& sqlState = {})
        : std::runtime_error(message.toStdString()), kind_(kind), sqlState_(sqlState) {}
    QString message() const { return QString::fromStdString(what()); }  // the server's own text
    Kind kind() const { return kind_; }
    QString sqlState() const { return sqlState_; }
    // What the user is told, in Russian; the server's text goes with it as the detail.
    QString userText() const;
    QString detail() const { return kind_ == Kind::Program || kind_ == Kind::Refused ? QString() : message(); }

private:
    Kind kind_;
    QString sqlState_;
};

// The connection text of the start-up, and the libpq parameters it maps onto; or the libpq parameters
// themselves, as the settings (core/settings.h) resolved them.
struct ConnectionSettings {
    QString text;                                          // DRIVER=...;DATABASE=...;SERVER=...;...
    std::optional<QList<QPair<QString, QString>>> params;  // when set, used instead of the text
    QList<QPair<QString, QString>> libpqParams() const;
    // The same settings with one libpq key set (replaced when present).
    ConnectionSettings with(const QString& key, const QString& value) const;
};

// Builds the connection text from the command-line arguments (program name excluded).
// Argument 2 non-empty: database = argument 1 (empty when absent), server = argument 2;
// otherwise the database plantdb on the built-in default server.
ConnectionSettings connectionFromArguments(const QStringList& args, const QString& defaultServer);
QString defaultServer();

// One result of a query: the whole snapshot as the server sent it. Values are kept in the server's
// text form and converted when read, so reading a large result costs no more than reading libpq's.
class QueryResult {
public:
    explicit QueryResult(pg_result* res);
    ~QueryResult();
    QueryResult(const QueryResult&) = delete;
    QueryResult& operator=(const QueryResult&) = delete;

    enum class Type { Int, Float, Numeric, Text, Date, DateTime, Bool, Other };

    int rowCount() const;
    int columnCount() const;
    QString columnName(int col) const;
    Type columnType(int col) const;
    int columnIndex(const QString& name) const;  // case-insensitive; -1 when absent
    bool isNull(int row, int col) const;
    const char* raw(int row, int col) const;  // the server's text, "" for NULL
    int rawLength(int row, int col) const;
    QString text(int row, int col) const;    // UTF-8 decoded server text
    QVariant value(int row, int col) const;  // typed value, null QVariant for NULL
    // The date of a Date or DateTime value read straight from the server's text (no time-zone lookup, which
    // a local date-time costs); an invalid date for NULL or any other type.
    QDate date(int row, int col) const;

private:
    pg_result* res_;
    std::vector<Type> types_;
    std::vector<QString> names_;
};

// Reads the date of an ISO text "YYYY-MM-DD[ ...]" as the server writes it; false for anything else (years
// beyond 9999, BC dates, infinity), which callers then read the slow way.
bool parseIsoDate(const char* text, int length, QDate& out);

// The one database connection. Every failing call throws DbError with the server's message.
class Db {
public:
    Db();
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Besides the connection text, every session gets: DateStyle ISO, DMY (how the program writes dates),
    // UTF-8, and a bound on every lock wait (lockTimeoutMs), so a lock that another workstation holds ends in
    // DbError::Kind::Busy instead of a frozen window.
    void open(const ConnectionSettings& settings, int connectTimeoutSeconds = 10);
    void close();
    bool isOpen() const;

    static constexpr int lockTimeoutMs = 3000;

    // How the session names its client to the server (application_name, "tabel" until set): kept for the
    // connection made again after a loss. The database's history records it with every change.
    void setClientName(const QString& name);
    QString clientName() const { return clientName_; }

    // A connection found lost is made again, with the same settings, by the next statement outside a
    // transaction; a transaction that loses its connection fails as a whole. After a failed attempt the
    // statements of the same user action fail at once, without waiting for the server again.
    quint64 reconnectCount() const { return reconnects_; }

    void exec(const QString& sql);                           // a statement; its result is dropped
    std::shared_ptr<QueryResult> query(const QString& sql);  // a query; the whole snapshot

    // Transactions nest: only the outermost level talks to the server.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return depth_ > 0; }

    // Called now and then while a statement keeps this thread waiting (a long job turns the event loop there);
    // true asks the server to stop the statement, which then fails with DbError::Kind::Cancelled. One per
    // thread; returns the previous one.
    using WaitHook = std::function<bool()>;
    static WaitHook setWaitHook(WaitHook hook);

    // Statements sent to the server since the connection was opened (what a slow network multiplies).
    quint64 statementCount() const { return statements_; }

private:
    pg_result* run(const QString& sql);
    void ensureConnected();
    bool connectionDropped();
    [[noreturn]] void lost(const QString& message);
    static void noticeReceiver(void* arg, const pg_result* res);

    pg_conn* conn_ = nullptr;
    QString clientName_ = QStringLiteral("tabel");
    bool clientNameSent_ = true;           // the live session carries clientName_ (a reset brings back the connect one)
    QString lostMessage_;                  // the reason of the last failed attempt to connect again
    std::unique_ptr<QObject> actionTurn_;  // alive while the failed attempt belongs to the current action
    quint64 reconnects_ = 0;
    bool serverEnded_ = false;  // the server said it ends this session
    int depth_ = 0;
    bool rollbackOnly_ = false;
    bool running_ = false;  // a statement is on its way (an event handled meanwhile must not send another)
    quint64 statements_ = 0;
};

// Runs a group of statements as one: rolled back when the guard is left before commit().
class Transaction {
public:
    explicit Transaction(Db& db) : db_(db) { db_.begin(); }
    ~Transaction() {
        if (!done_) {
            try {
                db_.rollback();
            } catch (...) {
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() {
        done_ = true;
        db_.commit();
    }

private:
    Db& db_;
    bool done_ = false;
};
