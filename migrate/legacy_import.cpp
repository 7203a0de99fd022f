#include "migrate/legacy_import.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "core/db.h"
#include "core/job.h"
#include "core/settings.h"
#include "core/sqltext.h"
#include "core/ui.h"

namespace legacy {

namespace {

QList<Column> columns(std::initializer_list<const char*> names, Carry carry) {
    QList<Column> out;
    for (const char* n : names)
        out.append({QString::fromLatin1(n), carry});
    return out;
}

QList<TablePair> makePairs() {
    QList<Column> hTabel = columns({"id", "w_id", "month", "year", "smena"}, Carry::Key);
    for (int d = 1; d <= 31; ++d)
        hTabel.append({QStringLiteral("d%1").arg(d), Carry::Int});

    QList<Column> izdel =
        columns({"id"}, Carry::Key) + columns({"marka", "nom"}, Carry::Text) + columns({"massa"}, Carry::Float);
    QList<Column> oper =
        columns({"id", "vid", "naimen"}, Carry::Key) + columns({"cena"}, Carry::Float) + columns({"i_id"}, Carry::Key);
    // The hours of a shift record go into a whole-number column, but like the dates an empty value stays empty.
    QList<Column> smena = columns({"id", "w_id", "i_id", "o_id"}, Carry::Key) +
                          columns({"kol_vo", "brak"}, Carry::Int) + columns({"smena"}, Carry::Key) +
                          columns({"cena"}, Carry::Float) + columns({"color"}, Carry::Key) +
                          columns({"ok"}, Carry::Mark) + columns({"data"}, Carry::Date) +
                          columns({"time"}, Carry::IntOrEmpty) + columns({"vvod"}, Carry::Stamp);

    return {
        {QStringLiteral("H_TABEL"), QStringLiteral("accounts_dep.h_tabel"), true, hTabel},
        {QStringLiteral("IZDEL"), QStringLiteral("accounts_dep.izdel"), true, izdel},
        {QStringLiteral("NOMENKL"), QStringLiteral("accounts_dep.nomenkl"), false,
         columns({"marka", "nom"}, Carry::Text)},
        {QStringLiteral("OPER"), QStringLiteral("accounts_dep.oper"), true, oper},
        {QStringLiteral("VID_OPER"), QStringLiteral("accounts_dep.vid_oper"), true,
         columns({"id"}, Carry::Key) + columns({"vid"}, Carry::Text)},
        {QStringLiteral("WORKERS"), QStringLiteral("accounts_dep.workers"), true,
         columns({"id"}, Carry::Key) + columns({"fio", "addr"}, Carry::Text)},
        {QStringLiteral("smena"), QStringLiteral("accounts_dep.smena"), true, smena},
    };
}

// A number exactly as the source holds it: 17 significant digits give back the same double.
QString exactNumber(double d) {
    if (std::isnan(d))
        return QStringLiteral("'NaN'");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("'Infinity'") : QStringLiteral("'-Infinity'");
    return QString::number(d, 'g', 17);
}

bool isTextual(const QVariant& v) {
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// The whole number a legacy value holds, as SQL text; empty when it is not a number. A text may carry a decimal
// point or a decimal comma. A fraction is rounded half away from zero, and fractional tells that it was.
std::optional<QString> wholeNumber(const QVariant& v, bool& fractional) {
    fractional = false;
    bool ok = false;
    double d = 0;
    if (isTextual(v)) {
        const QString s = v.toString().trimmed();
        const qlonglong n = s.toLongLong(&ok);
        if (ok)
            return QString::number(n);
        d = QString(s).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        d = v.toDouble(&ok);
    } else {
        const qlonglong n = v.toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return QString::number(n);
    }
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    const double whole = std::round(d) + 0.0;  // + 0.0: no "-0"
    fractional = whole != d;
    return QString::number(whole, 'f', 0);
}

// The ISO text of a date (and time of day, when withTime) written as ISO text (2024-03-05, 2024-03-05 09:15:00,
// 2024-03-05T09:15) or day first (05.03.2024, 5.3.2024 09:15); empty when the text is no valid date (a day 0, a
// 30 February, a serial number, a word). A date column takes the date of a text with a time of day.
std::optional<QString> isoDate(const QString& text, bool withTime) {
    static const QRegularExpression form(
        QStringLiteral("^(?:(\\d{4})-(\\d{1,2})-(\\d{1,2})|(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4}))"
                       "(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:[.,](\\d{1,6}))?)?)?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const bool iso = !m.captured(1).isEmpty();
    const QDate date(m.captured(iso ? 1 : 6).toInt(), m.captured(iso ? 2 : 5).toInt(), m.captured(iso ? 3 : 4).toInt());
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0);
    if (!m.captured(7).isEmpty()) {
        const QString fraction = (m.captured(10) + QStringLiteral("000")).left(3);
        time = QTime(m.captured(7).toInt(), m.captured(8).toInt(), m.captured(9).toInt(), fraction.toInt());
        if (!time.isValid())
            return std::nullopt;
    }
    if (!withTime)
        return date.toString(Qt::ISODate);
    return date.toString(Qt::ISODate) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss.zzz"));
}

// The SQL literal of one legacy value carried into its target column; throws, naming the table, the row's id
// and the column, when a number column holds something that is not a number, or a key a fraction.
QString literal(const QVariant& v, const Column& column, const QString& table, const QString& rowId) {
    const QString where = rowId.isEmpty() ? table : QStringLiteral("%1 (id %2)").arg(table, rowId);
    auto notANumber = [&]() {
        return DbError(
            QStringLiteral("В таблице %1 в столбце %2 не число: «%3»").arg(where, column.name, v.toString()));
    };
    const bool empty = v.isNull() || (isTextual(v) && v.toString().trimmed().isEmpty());
    switch (column.carry) {
        case Carry::Int:
        case Carry::Key:
        case Carry::IntOrEmpty: {
            if (empty)
                return column.carry == Carry::IntOrEmpty ? QStringLiteral("NULL") : QStringLiteral("0");
            bool fractional = false;
            const std::optional<QString> n = wholeNumber(v, fractional);
            if (!n)
                throw notANumber();
            if (fractional && column.carry == Carry::Key)
                throw DbError(QStringLiteral("В таблице %1 в столбце %2 дробное число вместо целого: «%3»")
                                  .arg(where, column.name, v.toString()));
            return *n;
        }
        case Carry::Float: {
            if (v.isNull())
                return QStringLiteral("0");
            if (isTextual(v)) {
                QString s = v.toString().trimmed();
                if (s.isEmpty())
                    return QStringLiteral("0");
                s.replace(QLatin1Char(','), QLatin1Char('.'));
                bool ok = false;
                const double d = s.toDouble(&ok);
                if (!ok)
                    throw notANumber();
                return exactNumber(d);
            }
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok)
                throw notANumber();
            return exactNumber(d);
        }
        case Carry::Text:
            if (v.isNull())
                return QStringLiteral("NULL");
            return sql::quote(v.toString());
        case Carry::Mark:
            return sql::quote(v.isNull() ? QString() : v.toString());
        case Carry::Date:
        case Carry::Stamp: {
            if (empty)
                return QStringLiteral("NULL");
            const bool withTime = column.carry == Carry::Stamp;
            std::optional<QString> iso;
            if (v.typeId() == QMetaType::QDate && v.toDate().isValid())
                iso = isoDate(v.toDate().toString(Qt::ISODate), withTime);
            else if (v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid())
                iso = isoDate(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), withTime);
            else if (isTextual(v))
                iso = isoDate(v.toString().trimmed(), withTime);
            if (!iso)
                throw DbError(
                    QStringLiteral("В таблице %1 в столбце %2 не дата: «%3»").arg(where, column.name, v.toString()));
            return sql::quote(*iso);
        }
    }
    return QStringLiteral("NULL");
}

// The driver's message without the general line the PostgreSQL driver adds after the server's.
QString errorText(const QSqlError& e) {
    static const QRegularExpression general(QStringLiteral(";?\\s*Error while executing the query\\s*$"));
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    const QString trimmed = QString(t).remove(general).trimmed();
    return trimmed.isEmpty() ? t : trimmed;
}

void execOn(QSqlQuery& q, const QString& statement) {
    if (!q.exec(statement))
        throw DbError(errorText(q.lastError()));
}

// A named QODBC connection for the length of the import.
class OdbcConnection {
public:
    OdbcConnection(const QString& name, const QString& text) : name_(name) {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
        db_.setDatabaseName(text);
        if (!db_.open()) {
            const QString reason = errorText(db_.lastError());
            remove();
            throw DbError(QStringLiteral("Не удалось подключиться к источнику данных ODBC «%1»: %2")
                              .arg(text.section(QLatin1Char(';'), 0, 0), reason));
        }
    }
    ~OdbcConnection() { remove(); }
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;
    QSqlDatabase& db() { return db_; }

private:
    void remove() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    QString name_;
    QSqlDatabase db_;
};

bool running = false;

// What of a pair's target does not fit (not a table, or lacking a column).
QStringList targetMisfits(QSqlQuery& cmd, const TablePair& pair) {
    QStringList out;
    execOn(cmd, QStringLiteral("select c.relkind, array_to_string(array(select a.attname from pg_attribute a "
                               "where a.attrelid = c.oid and a.attnum > 0 and not a.attisdropped), ',') "
                               "from pg_class c where c.oid = to_regclass(%1)")
                    .arg(sql::quote(pair.target)));
    if (!cmd.next()) {
        out << QStringLiteral("нет таблицы %1").arg(pair.target);
    } else if (const QString kind = cmd.value(0).toString(); kind != QLatin1String("r") && kind != QLatin1String("p")) {
        out << QStringLiteral("%1 — представление, а не таблица").arg(pair.target);
    } else {
        const QStringList have = cmd.value(1).toString().split(QLatin1Char(','));
        QStringList lacking;
        for (const Column& c : pair.columns)
            if (!have.contains(c.name, Qt::CaseInsensitive))
                lacking << c.name;
        if (!lacking.isEmpty())
            out << QStringLiteral("в таблице %1 нет столбцов: %2").arg(pair.target, lacking.join(QStringLiteral(", ")));
    }
    cmd.finish();
    return out;
}

// What of a pair's source does not fit: a missing table or column, or a date column the source cannot hand
// over as text. textForms gets how each date column is read as text ("smena.data" → the expression).
QStringList sourceMisfits(QSqlDatabase& source, const TablePair& pair, QHash<QString, QString>& textForms) {
    QStringList out;
    QSqlQuery probe(source);
    if (!probe.exec(QStringLiteral("select * from ") + pair.source + QStringLiteral(" where 1=0"))) {
        out << QStringLiteral("в Access нет таблицы %1").arg(pair.source);
        return out;
    }
    const QSqlRecord rec = probe.record();
    probe.finish();
    QStringList lacking;
    for (const Column& c : pair.columns) {
        if (rec.indexOf(c.name) < 0) {
            lacking << c.name;
            continue;
        }
        if (c.carry != Carry::Date && c.carry != Carry::Stamp)
            continue;
        // Dates are read as the text the source holds, so that the import itself judges them: a driver that
        // converts them hands over an unreadable date as empty.
        bool found = false;
        for (const QString& form :
             {QStringLiteral("cast(%1 as varchar(40))"), QStringLiteral("{fn CONVERT(%1, SQL_VARCHAR)}")}) {
            QSqlQuery t(source);
            if (t.exec(QStringLiteral("select ") + form.arg(c.name) + QStringLiteral(" from ") + pair.source +
                       QStringLiteral(" where 1=0"))) {
                textForms[pair.source + QLatin1Char('.') + c.name] = form;
                found = true;
                break;
            }
        }
        if (!found)
            out << QStringLiteral("столбец %1 таблицы %2 в Access не читается как текст").arg(c.name, pair.source);
    }
    if (!lacking.isEmpty())
        out << QStringLiteral("в таблице %1 в Access нет столбцов: %2")
                   .arg(pair.source, lacking.join(QStringLiteral(", ")));
    return out;
}

// What the source's thread hands over, in the order it read it.
struct Chunk {
    enum Kind { Checked, Count, Rows, End, Failed } kind;
    QList<QStringList> misfits;  // Checked: by table pair, what of its source does not fit
    qlonglong rows = 0;          // Count: the table's rows; Rows: the rows of the statement
    QString statement;           // Rows: the insert of a batch
    QString error;               // Failed: the reason
};

}  // namespace

// The source's side of the import on a thread of its own: connects, checks the seven sources, then (once
// told to go on) reads the tables in order and hands over each batch as its ready insert, a few batches ahead
// of the writer. Its connection is made, used and removed on that thread only.
class Import::Reader {
public:
    Reader(const QString& text, int batchSize) : text_(text), batchSize_(batchSize) {
        thread_.reset(QThread::create([this] { work(); }));
        thread_->start();
    }
    ~Reader() {
        {
            std::lock_guard<std::mutex> lock(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_->wait();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The next chunk; while there is none yet, wait is called over and over (it may throw).
    Chunk take(const Wait& wait) {
        std::unique_lock<std::mutex> lock(lock_);
        while (chunks_.empty()) {
            lock.unlock();
            if (wait)
                wait();
            else
                QCoreApplication::processEvents();
            lock.lock();
            if (chunks_.empty())
                changed_.wait_for(lock, std::chrono::milliseconds(5));
        }
        Chunk c = std::move(chunks_.front());
        chunks_.pop_front();
        changed_.notify_all();
        return c;
    }

    // After the check: read the tables.
    void proceed() {
        {
            std::lock_guard<std::mutex> lock(lock_);
            proceed_ = true;
        }
        changed_.notify_all();
    }

private:
    // Batches read ahead of the writer: enough to keep it busy while the source reads the next one.
    static constexpr size_t kAhead = 4;

    // False when the import has ended meanwhile.
    bool put(Chunk c) {
        std::unique_lock<std::mutex> lock(lock_);
        changed_.wait(lock, [this] { return stop_ || chunks_.size() < kAhead; });
        if (stop_)
            return false;
        chunks_.push_back(std::move(c));
        changed_.notify_all();
        return true;
    }

    void work() {
        try {
            OdbcConnection msa(QStringLiteral("MSA"), text_);
            QHash<QString, QString> textForms;
            Chunk checked{Chunk::Checked};
            for (const TablePair& pair : tablePairs())
                checked.misfits << sourceMisfits(msa.db(), pair, textForms);
            if (!put(std::move(checked)))
                return;
            {
                std::unique_lock<std::mutex> lock(lock_);
                changed_.wait(lock, [this] { return stop_ || proceed_; });
                if (stop_)
                    return;
            }
            for (const TablePair& pair : tablePairs())
                if (!readTable(msa.db(), pair, textForms))
                    return;
        } catch (const DbError& e) {
            put({Chunk::Failed, {}, 0, {}, e.message()});
        } catch (const std::exception& e) {
            put({Chunk::Failed, {}, 0, {}, QString::fromLocal8Bit(e.what())});
        }
    }

    bool readTable(QSqlDatabase& source, const TablePair& pair, const QHash<QString, QString>& textForms) {
        QSqlQuery counter(source);
        execOn(counter, QStringLiteral("select count(*) from ") + pair.source);
        const qlonglong n = counter.next() ? counter.value(0).toLongLong() : 0;
        counter.finish();
        if (!put({Chunk::Count, {}, n}))
            return false;

        QStringList selected;
        for (const Column& c : pair.columns) {
            const QString form = textForms.value(pair.source + QLatin1Char('.') + c.name);
            selected << (form.isEmpty() ? c.name : form.arg(c.name) + QStringLiteral(" as ") + c.name);
        }
        QSqlQuery rows(source);
        rows.setForwardOnly(true);
        execOn(rows, QStringLiteral("select ") + selected.join(QStringLiteral(", ")) + QStringLiteral(" from ") +
                         pair.source + (pair.sorted ? QStringLiteral(" order by id ASC") : QString()));
        // A value that cannot be carried is reported with the id of its row (NOMENKL has none, and no numbers).
        int idColumn = -1;
        for (int c = 0; c < pair.columns.size(); ++c)
            if (pair.columns[c].name == QLatin1String("id"))
                idColumn = c;
        QList<QStringList> batch;
        batch.reserve(batchSize_);
        auto hand = [&] {
            if (batch.isEmpty())
                return true;
            Chunk c{Chunk::Rows, {}, qlonglong(batch.size()), insertStatement(pair, batch)};
            batch.clear();
            return put(std::move(c));
        };
        const int columns = int(pair.columns.size());
        while (rows.next()) {
            const QString rowId = idColumn < 0 ? QString() : rows.value(idColumn).toString();
            QStringList values;
            values.reserve(columns);
            for (int c = 0; c < columns; ++c)
                values << literal(rows.value(c), pair.columns[c], pair.source, rowId);
            batch << values;
            if (batch.size() >= batchSize_ && !hand())
                return false;
        }
        if (rows.lastError().isValid())
            throw DbError(errorText(rows.lastError()));
        return hand() && put({Chunk::End});
    }

    const QString text_;
    const int batchSize_;
    std::unique_ptr<QThread> thread_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Chunk> chunks_;
    bool stop_ = false, proceed_ = false;
};

const QList<TablePair>& tablePairs() {
    static const QList<TablePair> pairs = makePairs();
    return pairs;
}

QString progressText(const QString& sourceTable, qlonglong k, qlonglong n) {
    return sourceTable + QStringLiteral(": ") + QString::number(k) + QStringLiteral(" из ") + QString::number(n) +
           QStringLiteral(" записей");
}

QString insertStatement(const TablePair& pair, const QList<QStringList>& rows) {
    QStringList names;
    for (const Column& c : pair.columns)
        names << QLatin1Char('"') + c.name + QLatin1Char('"');
    QString s = QStringLiteral("insert into ") + pair.target + QStringLiteral(" (") + names.join(QStringLiteral(", ")) +
                QStringLiteral(") values ");
    for (int i = 0; i < rows.size(); ++i) {
        if (i > 0)
            s += QStringLiteral(", ");
        s += QLatin1Char('(') + rows[i].join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return s;
}

QString sourceConnectionText() {
    // A plant may name its own source in the settings ([import] source).
    const QString configured = settings::current().importSource;
    return configured.isEmpty() ? QStringLiteral("Tabel;PWD=tosumavid") : configured;
}
QString targetConnectionText() {
    return QStringLiteral("Tabel_PgSQL;UID=sys");
}

QString confirmationText() {
    QStringList names;
    for (const TablePair& pair : tablePairs())
        names << pair.target;
    return QStringLiteral("Данные таблиц ") + names.join(QStringLiteral(", ")) +
           QStringLiteral(" будут заменены данными из Access. Продолжить?");
}

Import::Import(Report progress, Confirm confirm) : progress_(std::move(progress)), confirm_(std::move(confirm)) {}

bool Import::run() {
    if (running)
        return false;  // "Импорт" chosen again while the import lets events run
    running = true;
    const auto reset = qScopeGuard([] { running = false; });
    rowsCopied_ = 0;

    // The source connects and checks its tables on its own thread while the target is checked here.
    Reader reader(sourceText_, batchSize_);
    Chunk checked = reader.take(wait_);
    if (checked.kind == Chunk::Failed)
        throw DbError(checked.error);
    OdbcConnection pgsql(QStringLiteral("PGSQL"), targetText_);
    QStringList unfit;
    {
        QSqlQuery cmd(pgsql.db());
        for (int i = 0; i < tablePairs().size(); ++i)
            unfit << targetMisfits(cmd, tablePairs()[i]) << checked.misfits.value(i);
    }
    if (!unfit.isEmpty())
        throw DbError(QStringLiteral("Импорт невозможен, ничего не изменено:\n") + unfit.join(QLatin1Char('\n')));
    if (!confirm_ || !confirm_(confirmationText()))
        return false;
    reader.proceed();
    for (const TablePair& pair : tablePairs())
        copyTable(reader, pgsql.db(), pair);
    return true;
}

void Import::copyTable(Reader& reader, QSqlDatabase& target, const TablePair& pair) {
    QSqlQuery cmd(target);
    bool inTransaction = false;
    qlonglong k = 0;
    try {
        Chunk c = reader.take(wait_);
        if (c.kind == Chunk::Failed)
            throw DbError(c.error);
        const qlonglong n = c.rows;

        if (!target.transaction())
            throw DbError(errorText(target.lastError()));
        inTransaction = true;
        execOn(cmd, QStringLiteral("delete from ") + pair.target + QStringLiteral(" where id>0"));
        for (;;) {
            c = reader.take(wait_);
            if (c.kind == Chunk::Failed)
                throw DbError(c.error);
            if (c.kind != Chunk::Rows)
                break;
            execOn(cmd, c.statement);
            k += c.rows;
            if (progress_)
                progress_(progressText(pair.source, k, qMax(n, k)));
            QCoreApplication::processEvents();
        }

        // New rows entered after the import get ids past the imported ones.
        execOn(cmd, QStringLiteral("select setval(s, m) from (select pg_get_serial_sequence(%1, 'id') as s, "
                                   "(select max(id) from %2) as m) x "
                                   "where s is not null and m > coalesce(pg_sequence_last_value(s::regclass), 0)")
                        .arg(sql::quote(pair.target), pair.target));
        cmd.finish();
        if (!target.commit())
            throw DbError(errorText(target.lastError()));
        inTransaction = false;
        rowsCopied_ += k;
    } catch (const DbError& e) {
        if (inTransaction)
            target.rollback();
        throw DbError(QStringLiteral("Импорт остановлен на таблице %1 (%2 оставлена без изменений):\n%3")
                          .arg(pair.source, pair.target, e.message()));
    } catch (...) {
        // The user's "Отмена" among them: this table stays as it was, the tables before it stay copied.
        if (inTransaction)
            target.rollback();
        throw;
    }
}

bool askToReplace(const QString& text) {
    return ui::messageBox(text, QStringLiteral("Импорт"), ui::MB_QUESTION) == ui::IDYES;
}
}  // namespace legacy

bool runLegacyImport(std::function<void(const QString&)> progress) {
    return job::run(QStringLiteral("Импорт"), [&](job::Progress& counter) {
        int batches = 0;
        legacy::Import import(
            [&](const QString& text) {
                if (progress)
                    progress(text);
                counter.step(++batches, text);
            },
            legacy::askToReplace);
        import.setWait([&counter] { counter.check();
    });
    import.run();
});
}
