#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <functional>

#include "core/db.h"

class DbGrid;
class QSocketNotifier;
class QTimer;
class QWidget;
struct pg_conn;

// Live refresh: the database announces every change of shift records, maintenance entries, time-sheet rows
// and reference books on the channel tabel_live (db/live_refresh.sql); the program listens on a connection of
// its own, in the event loop, and each open view that shows what changed reads itself again.
namespace live {

inline constexpr const char* channel = "tabel_live";

// One announced change.
struct Change {
    QString table;                  // schema.table ("accounts_dep.smena")
    QList<QPair<QDate, int>> days;  // dates and shifts written (shift 0: none given)
    QList<int> months;              // months written, year * 100 + month
    bool own = false;               // made by this program's own session (its windows reload as they always did)
    bool all = false;               // anything may have changed: the listener came back after a loss

    // Whether the change may touch the day date: listed, or its month listed, or nothing narrower said.
    bool touchesDay(const QDate& date) const;
    // Whether the change may touch the month: one of its days or the month listed, or nothing narrower said.
    bool touchesMonth(int year, int month) const;
    // Whether the change is of one of the tables (or anything may have changed).
    bool touchesTable(const QStringList& tables) const;
};

// Reads a notification's payload; a payload it cannot read counts as a change of anything (all).
Change parse(const QByteArray& payload);

// The listening connection: opened with the parameters of the program's own connection, reading
// notifications through socket notifiers; made again (and listening again) after a loss, every few seconds,
// without stopping the window. A notification from the program's own session is marked own.
class Listener : public QObject {
    Q_OBJECT
public:
    static Listener& instance();

    // Starts listening with the settings main was opened with (see setConnection); main also tells own changes
    // apart (its server process, asked at the start and again after it reconnected).
    void start(Db& main);
    void stop();
    bool running() const { return main_ != nullptr; }
    bool isLive() const { return live_; }

    quint64 received() const { return received_; }  // notifications received since the start
    quint64 reconnects() const { return reconnects_; }

    static constexpr int retryMs = 2000;
    static constexpr int connectTimeoutMs = 10000;

signals:
    void changed(const live::Change& change);
    void liveChanged(bool live);

private:
    explicit Listener(QObject* parent) : QObject(parent) {}
    ~Listener() override;
    void connectNow();
    void watch(bool write);
    void onSocket();
    void readInput();
    void fail();
    void setLive(bool live);
    void closeConnection();
    void dropNotifiers();

    int ownPid();

    Db* main_ = nullptr;
    QList<QPair<QByteArray, QByteArray>> options_;
    int ownPid_ = 0;
    quint64 ownPidAt_ = 0;  // main's reconnect count when ownPid_ was asked
    pg_conn* conn_ = nullptr;
    enum class State { Idle, Connecting, Listening, Live } state_ = State::Idle;
    QSocketNotifier* read_ = nullptr;
    QSocketNotifier* write_ = nullptr;
    QTimer* retry_ = nullptr;
    QTimer* deadline_ = nullptr;
    bool live_ = false;
    bool everLive_ = false;
    quint64 received_ = 0;
    quint64 reconnects_ = 0;
};

// One view following the changes: a change it shows starts a short timer, so that a burst is read once; the
// view reads itself when the timer ends, unless a modal showing above it runs (one of its dialogs, a message
// box) or a long job works — then it waits and tries again shortly. A change of the program's own session is
// left to the window (it reloads after its own writes).
class Follower : public QObject {
    Q_OBJECT
public:
    // window: the view's window; touches: whether a change concerns what it shows now; refresh: reads it again
    // (a DbError is swallowed: the rows stay, greyed as stale, until the next change or «Обновить»).
    // busy, when given, also holds the refresh back while it says so (a row being edited in the grid).
    Follower(QWidget* window, std::function<bool(const Change&)> touches, std::function<void()> refresh,
             std::function<bool()> busy = {});

    int refreshes() const { return refreshes_; }  // live refreshes done
    bool pending() const { return pending_; }
    QDateTime lastUpdate() const { return last_; }
    // The view was read by other means («Обновить», a new date): counts as brought up to date now.
    void markUpdated();

    static constexpr int coalesceMs = 40;
    static constexpr int waitMs = 150;  // the next look while a dialog or a job holds the refresh back

signals:
    void updated();  // the view was brought up to date (live or by markUpdated)

private:
    void onChange(const Change& change);
    void onTimer();
    bool heldBack() const;

    QPointer<QWidget> window_;
    std::function<bool(const Change&)> touches_;
    std::function<void()> refresh_;
    std::function<bool()> busy_;
    QTimer* timer_;
    bool pending_ = false;
    int refreshes_ = 0;
    qint64 lastCostMs_ = 0;
    QDateTime last_;
};

// The announced tables a query reads (named with their schema in its text; the products view izdel stands for
// the goods and the classifier it is made of).
QStringList tablesOf(const QString& sql);

// Runs reload (which reads the grid's dataset again) and brings back what the user was looking at: the record
// with the same idField value current (a removed one: the same row number), and the grid's scroll position.
// A search filter set on the dataset stays as it is.
void reloadKeeping(DbGrid* grid, const QString& idField, const std::function<void()>& reload);

// The settings the program's connection was opened with (the start-up's, or a person's with the password the
// login window was given): the listening connection is made with the same ones. Kept in memory only.
void setConnection(const ConnectionSettings& settings);

// Whether the views follow the database: set once by the start-up (off by --no-live or [client] live = false).
bool enabled();
void setEnabled(bool on);

}  // namespace live
