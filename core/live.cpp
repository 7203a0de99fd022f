#include "core/live.h"

#include <libpq-fe.h>

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "core/dataset.h"
#include "core/dataset_model.h"
#include "core/db.h"
#include "core/job.h"
#include "core/ui_modals.h"

namespace live {

namespace {

bool liveOn = false;

ConnectionSettings& connection() {
    static ConnectionSettings s;
    return s;
}

int ymOf(const QDate& d) {
    return d.year() * 100 + d.month();
}

}  // namespace

void setConnection(const ConnectionSettings& settings) {
    connection() = settings;
}

bool enabled() {
    return liveOn;
}

void setEnabled(bool on) {
    liveOn = on;
}

bool Change::touchesDay(const QDate& date) const {
    if (all || (days.isEmpty() && months.isEmpty()))
        return true;
    for (const auto& d : days)
        if (d.first == date)
            return true;
    return months.contains(ymOf(date));
}

bool Change::touchesMonth(int year, int month) const {
    if (all || (days.isEmpty() && months.isEmpty()))
        return true;
    const int ym = year * 100 + month;
    for (const auto& d : days)
        if (ymOf(d.first) == ym)
            return true;
    return months.contains(ym);
}

bool Change::touchesTable(const QStringList& tables) const {
    return all || tables.contains(table);
}

Change parse(const QByteArray& payload) {
    Change c;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        c.all = true;
        return c;
    }
    const QJsonObject o = doc.object();
    c.table = o.value(QLatin1String("table")).toString();
    for (const QJsonValue& v : o.value(QLatin1String("days")).toArray()) {
        const QString text = v.toString();
        const QDate d = QDate::fromString(text.left(10), Qt::ISODate);
        if (d.isValid())
            c.days.append({d, text.mid(11).toInt()});
    }
    for (const QJsonValue& v : o.value(QLatin1String("months")).toArray())
        if (v.isDouble())
            c.months.append(v.toInt());
    if (c.table.isEmpty())
        c.all = true;
    return c;
}

// ---------------------------------------------------------------------------------------------------------------

Listener& Listener::instance() {
    static QPointer<Listener> one;
    if (!one)
        one = new Listener(qApp);
    return *one;
}

Listener::~Listener() {
    closeConnection();
}

void Listener::start(Db& main) {
    stop();
    main_ = &main;
    // As the program's own connection is made (Db::open): its settings, a bounded wait for the server and the
    // keepalives that notice a server gone silent; named so that an administrator tells it apart.
    options_.clear();
    for (const auto& [k, v] : connection().libpqParams())
        options_.append({k.toUtf8(), v.toUtf8()});
    options_.append(qMakePair(QByteArray("connect_timeout"), QByteArray("10")));
    options_.append(
        qMakePair(QByteArray("application_name"), QByteArray((main.clientName() + QStringLiteral(" live")).toUtf8())));
    options_.append(qMakePair(QByteArray("keepalives"), QByteArray("1")));
    options_.append(qMakePair(QByteArray("keepalives_idle"), QByteArray("5")));
    options_.append(qMakePair(QByteArray("keepalives_interval"), QByteArray("2")));
    options_.append(qMakePair(QByteArray("keepalives_count"), QByteArray("2")));
    options_.append(qMakePair(QByteArray("tcp_user_timeout"), QByteArray("9000")));
    ownPid_ = 0;
    ownPidAt_ = main.reconnectCount();
    try {
        ownPid_ = main.query(QStringLiteral("select pg_backend_pid()"))->value(0, 0).toInt();
    } catch (const DbError&) {
    }
    if (!retry_) {
        retry_ = new QTimer(this);
        retry_->setSingleShot(true);
        connect(retry_, &QTimer::timeout, this, [this] { connectNow(); });
        deadline_ = new QTimer(this);
        deadline_->setSingleShot(true);
        connect(deadline_, &QTimer::timeout, this, [this] {
            if (state_ == State::Connecting || state_ == State::Listening)
                fail();
        });
    }
    everLive_ = false;
    received_ = 0;
    reconnects_ = 0;
    connectNow();
}

void Listener::stop() {
    if (retry_) {
        retry_->stop();
        deadline_->stop();
    }
    closeConnection();
    main_ = nullptr;
    setLive(false);
}

void Listener::dropNotifiers() {
    // Possibly called from the notifier's own signal: put away, not deleted at once.
    for (QSocketNotifier* n : {read_, write_}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    read_ = nullptr;
    write_ = nullptr;
}

void Listener::closeConnection() {
    dropNotifiers();
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
    state_ = State::Idle;
}

void Listener::connectNow() {
    if (!main_)
        return;
    closeConnection();
    std::vector<const char*> keys, values;
    for (const auto& [k, v] : options_) {
        keys.push_back(k.constData());
        values.push_back(v.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectStartParams(keys.data(), values.data(), 0);
    if (!conn_ || PQstatus(conn_) == CONNECTION_BAD) {
        fail();
        return;
    }
    state_ = State::Connecting;
    deadline_->start(connectTimeoutMs);
    watch(true);
}

void Listener::watch(bool write) {
    dropNotifiers();
    const int socket = PQsocket(conn_);
    if (socket < 0) {
        fail();
        return;
    }
    // The socket may change while the connection is made (another address tried): watched anew each step.
    if (write) {
        write_ = new QSocketNotifier(socket, QSocketNotifier::Write, this);
        connect(write_, &QSocketNotifier::activated, this, [this] { onSocket(); });
    } else {
        read_ = new QSocketNotifier(socket, QSocketNotifier::Read, this);
        connect(read_, &QSocketNotifier::activated, this, [this] { onSocket(); });
    }
}

void Listener::onSocket() {
    if (!conn_)
        return;
    if (state_ == State::Connecting) {
        switch (PQconnectPoll(conn_)) {
            case PGRES_POLLING_READING:
                watch(false);
                return;
            case PGRES_POLLING_WRITING:
                watch(true);
                return;
            case PGRES_POLLING_OK: {
                const QByteArray listen = QByteArray("LISTEN ") + channel;
                if (!PQsendQuery(conn_, listen.constData())) {
                    fail();
                    return;
                }
                state_ = State::Listening;
                PQflush(conn_);
                watch(false);
                return;
            }
            default:
                fail();
                return;
        }
    }
    readInput();
}

void Listener::readInput() {
    if (!PQconsumeInput(conn_)) {
        fail();
        return;
    }
    while (!PQisBusy(conn_)) {
        PGresult* res = PQgetResult(conn_);
        if (!res) {
            if (state_ == State::Listening) {
                state_ = State::Live;
                deadline_->stop();
                const bool again = everLive_;
                everLive_ = true;
                setLive(true);
                if (again) {
                    // What changed meanwhile was never announced to this connection: every view reads again.
                    ++reconnects_;
                    Change c;
                    c.all = true;
                    emit changed(c);
                }
            }
            break;
        }
        const bool bad = PQresultStatus(res) == PGRES_FATAL_ERROR;
        PQclear(res);
        if (bad) {
            fail();
            return;
        }
    }
    const int own = ownPid();
    while (PGnotify* n = PQnotifies(conn_)) {
        ++received_;
        Change c = parse(QByteArray(n->extra));
        c.own = own != 0 && n->be_pid == own;
        PQfreemem(n);
        emit changed(c);
        if (!conn_)
            return;  // a handler stopped the listening
    }
    if (conn_ && PQstatus(conn_) == CONNECTION_BAD)
        fail();
}

int Listener::ownPid() {
    // The program's connection made again has another server process: asked when the connection is free (not
    // inside a transaction or a statement; otherwise the old one answers until the next notification).
    if (main_ && main_->reconnectCount() != ownPidAt_ && !main_->inTransaction()) {
        try {
            ownPid_ = main_->query(QStringLiteral("select pg_backend_pid()"))->value(0, 0).toInt();
            ownPidAt_ = main_->reconnectCount();
        } catch (const DbError&) {
        }
    }
    return ownPid_;
}

void Listener::fail() {
    closeConnection();
    setLive(false);
    if (main_ && retry_)
        retry_->start(retryMs);
}

void Listener::setLive(bool live) {
    if (live_ == live)
        return;
    live_ = live;
    emit liveChanged(live);
}

// ---------------------------------------------------------------------------------------------------------------

Follower::Follower(QWidget* window, std::function<bool(const Change&)> touches, std::function<void()> refresh,
                   std::function<bool()> busy)
    : QObject(window),
      window_(window),
      touches_(std::move(touches)),
      refresh_(std::move(refresh)),
      busy_(std::move(busy)),
      timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { onTimer(); });
    connect(&Listener::instance(), &Listener::changed, this, [this](const Change& c) { onChange(c); });
}

void Follower::markUpdated() {
    last_ = QDateTime::currentDateTime();
    emit updated();
}

void Follower::onChange(const Change& change) {
    if (change.own && !change.all)
        return;
    if (!touches_(change))
        return;
    pending_ = true;
    // A refresh that costs much is not repeated at once: the window keeps answering during a burst.
    if (!timer_->isActive())
        timer_->start(std::max<qint64>(coalesceMs, lastCostMs_));
}

bool Follower::heldBack() const {
    if (job::active() || (busy_ && busy_()))
        return true;
    bool any = false;
    QWidget* top = ui::topModal(&any);
    if (any && top != window_)
        return true;
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != window_;
}

void Follower::onTimer() {
    if (!pending_ || !window_)
        return;
    if (heldBack()) {
        timer_->start(waitMs);
        return;
    }
    pending_ = false;
    QElapsedTimer clock;
    clock.start();
    try {
        refresh_();
    } catch (const std::exception&) {
        // Left stale; the next change or «Обновить» reads it again.
    }
    lastCostMs_ = clock.elapsed();
    ++refreshes_;
    markUpdated();
}

QStringList tablesOf(const QString& sql) {
    static const QStringList announced{
        QStringLiteral("accounts_dep.smena"),          QStringLiteral("accounts_dep.fatigue"),
        QStringLiteral("accounts_dep.h_tabel"),        QStringLiteral("accounts_dep.oper"),
        QStringLiteral("accounts_dep.norm"),           QStringLiteral("accounts_dep.vid_oper"),
        QStringLiteral("accounts_dep.person"),         QStringLiteral("cmn_contractor.person"),
        QStringLiteral("cmn_gds_and_srv.gds_and_srv"), QStringLiteral("cmn_classifier.item")};
    QStringList tables;
    for (const QString& t : announced) {
        // A name followed by a letter, digit or '_' is another table (accounts_dep.person_x).
        qsizetype at = 0;
        while ((at = sql.indexOf(t, at, Qt::CaseInsensitive)) >= 0) {
            const qsizetype end = at + t.size();
            const bool before = at == 0 || !(sql.at(at - 1).isLetterOrNumber() || sql.at(at - 1) == u'_');
            const bool after = end >= sql.size() || !(sql.at(end).isLetterOrNumber() || sql.at(end) == u'_');
            if (before && after) {
                tables << t;
                break;
            }
            at = end;
        }
    }
    if (sql.contains(QLatin1String("accounts_dep.izdel"), Qt::CaseInsensitive))
        tables << QStringLiteral("cmn_gds_and_srv.gds_and_srv") << QStringLiteral("cmn_classifier.item");
    tables.removeDuplicates();
    return tables;
}

void reloadKeeping(DbGrid* grid, const QString& idField, const std::function<void()>& reload) {
    Dataset* before = grid->dataset();
    QVariant id;
    int row = 0;
    if (before && before->isOpen() && !before->isEmpty()) {
        row = before->recNo();
        if (before->hasField(idField))
            id = before->field(idField).value();
    }
    const int top = grid->verticalScrollBar()->value();
    const int left = grid->horizontalScrollBar()->value();
    reload();
    Dataset* q = grid->dataset();
    if (q && q == before && q->isOpen() && !q->isEmpty()) {
        if (id.isNull() || !q->hasField(idField) || !q->locate(idField, id))
            q->setRecNo(std::max(row, 1));
    }
    grid->verticalScrollBar()->setValue(top);
    grid->horizontalScrollBar()->setValue(left);
}

}  // namespace live
