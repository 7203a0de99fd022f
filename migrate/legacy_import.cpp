#include "migrate/legacy_import.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
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

}  // namespace

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

    OdbcConnection msa(QStringLiteral("MSA"), sourceText_);
    OdbcConnection pgsql(QStringLiteral("PGSQL"), targetText_);
    const QStringList unfit = misfits(msa.db(), pgsql.db());
    if (!unfit.isEmpty())
        throw DbError(QStringLiteral("Импорт невозможен, ничего не изменено:\n") + unfit.join(QLatin1Char('\n')));
    if (!confirm_ || !confirm_(confirmationText()))
        return false;
    for (const TablePair& pair : tablePairs())
        copyTable(msa.db(), pgsql.db(), pair);
    return true;
}

// Everything that would stop the copy half way, for all seven pairs: a target that is not a table, or lacks a
// column; a source table or column that is missing, or a date column the source cannot hand over as text.
QStringList Import::misfits(QSqlDatabase& source, QSqlDatabase& target) {
    QStringList out;
    textForms_.clear();
    QSqlQuery cmd(target);
    for (const TablePair& pair : tablePairs()) {
        execOn(cmd, QStringLiteral("select c.relkind, array_to_string(array(select a.attname from pg_attribute a "
                                   "where a.attrelid = c.oid and a.attnum > 0 and not a.attisdropped), ',') "
                                   "from pg_class c where c.oid = to_regclass(%1)")
                        .arg(sql::quote(pair.target)));
        if (!cmd.next()) {
            out << QStringLiteral("нет таблицы %1").arg(pair.target);
        } else if (const QString kind = cmd.value(0).toString();
                   kind != QLatin1String("r") && kind != QLatin1String("p")) {
            out << QStringLiteral("%1 — представление, а не таблица").arg(pair.target);
        } else {
            const QStringList have = cmd.value(1).toString().split(QLatin1Char(','));
            QStringList lacking;
            for (const Column& c : pair.columns)
                if (!have.contains(c.name, Qt::CaseInsensitive))
                    lacking << c.name;
            if (!lacking.isEmpty())
                out << QStringLiteral("в таблице %1 нет столбцов: %2")
                           .arg(pair.target, lacking.join(QStringLiteral(", ")));
        }
        cmd.finish();

        QSqlQuery probe(source);
        if (!probe.exec(QStringLiteral("select * from ") + pair.source + QStringLiteral(" where 1=0"))) {
            out << QStringLiteral("в Access нет таблицы %1").arg(pair.source);
            continue;
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
            // Dates are read as the text the source holds, so that the import itself judges them: a driver
            // that converts them hands over an unreadable date as empty.
            bool found = false;
            for (const QString& form :
                 {QStringLiteral("cast(%1 as varchar(40))"), QStringLiteral("{fn CONVERT(%1, SQL_VARCHAR)}")}) {
                QSqlQuery t(source);
                if (t.exec(QStringLiteral("select ") + form.arg(c.name) + QStringLiteral(" from ") + pair.source +
                           QStringLiteral(" where 1=0"))) {
                    textForms_[pair.source + QLatin1Char('.') + c.name] = form;
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
    }
    return out;
}

void Import::copyTable(QSqlDatabase& source, QSqlDatabase& target, const TablePair& pair) {
    QSqlQuery cmd(target);
    bool inTransaction = false;
    qlonglong k = 0;
    try {
        QSqlQuery counter(source);
        execOn(counter, QStringLiteral("select count(*) from ") + pair.source);
        const qlonglong n = counter.next() ? counter.value(0).toLongLong() : 0;
        counter.finish();

        QStringList selected;
        for (const Column& c : pair.columns) {
            const QString form = textForms_.value(pair.source + QLatin1Char('.') + c.name);
            selected << (form.isEmpty() ? c.name : form.arg(c.name) + QStringLiteral(" as ") + c.name);
        }
        QSqlQuery rows(source);
        rows.setForwardOnly(true);
        execOn(rows, QStringLiteral("select ") + selected.join(QStringLiteral(", ")) + QStringLiteral(" from ") +
                         pair.source + (pair.sorted ? QStringLiteral(" order by id ASC") : QString()));
        QList<int> index;
        for (int c = 0; c < pair.columns.size(); ++c)
            index << c;

        if (!target.transaction())
            throw DbError(errorText(target.lastError()));
        inTransaction = true;
        execOn(cmd, QStringLiteral("delete from ") + pair.target + QStringLiteral(" where id>0"));

        QList<QStringList> batch;
        auto flush = [&]() {
            if (batch.isEmpty())
                return;
            execOn(cmd, insertStatement(pair, batch));
            batch.clear();
            if (progress_)
                progress_(progressText(pair.source, k, qMax(n, k)));
            QCoreApplication::processEvents();
        };
        // A value that cannot be carried is reported with the id of its row (NOMENKL has none, and no numbers).
        int idColumn = -1;
        for (int c = 0; c < pair.columns.size(); ++c)
            if (pair.columns[c].name == QLatin1String("id"))
                idColumn = c;
        while (rows.next()) {
            const QString rowId = idColumn < 0 ? QString() : rows.value(index[idColumn]).toString();
            QStringList values;
            values.reserve(index.size());
            for (int c = 0; c < index.size(); ++c)
                values << literal(rows.value(index[c]), pair.columns[c], pair.source, rowId);
            batch << values;
            ++k;
            if (batch.size() >= batchSize_)
                flush();
        }
        if (rows.lastError().isValid())
            throw DbError(errorText(rows.lastError()));
        flush();

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
    } catch (const job::Cancelled&) {
        // The user's "Отмена": this table stays as it was, the tables before it stay copied.
        if (inTransaction)
            target.rollback();
        throw;
    } catch (const DbError& e) {
        if (inTransaction)
            target.rollback();
        throw DbError(QStringLiteral("Импорт остановлен на таблице %1 (%2 оставлена без изменений):\n%3")
                          .arg(pair.source, pair.target, e.message()));
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
        import.run();
    });
}
