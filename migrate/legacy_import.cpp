#include "migrate/legacy_import.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <optional>

#include "core/db.h"
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
                          columns({"ok"}, Carry::Text) + columns({"data"}, Carry::TextForm) +
                          columns({"time"}, Carry::IntOrEmpty) + columns({"vvod"}, Carry::TextForm);

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
        case Carry::TextForm: {
            if (v.isNull())
                return QStringLiteral("NULL");
            QString s;
            switch (v.typeId()) {
                case QMetaType::QDate:
                    s = v.toDate().toString(Qt::ISODate);
                    break;
                case QMetaType::QDateTime:
                    s = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
                    break;
                case QMetaType::QTime:
                    s = v.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
                    break;
                case QMetaType::Double:
                case QMetaType::Float:
                    s = QString::number(v.toDouble(), 'g', 17);
                    break;
                default:
                    s = v.toString().trimmed();
            }
            if (s.isEmpty())
                return QStringLiteral("NULL");
            return sql::quote(s);
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
    return QStringLiteral("Tabel;PWD=tosumavid");
}
QString targetConnectionText() {
    return QStringLiteral("Tabel_PgSQL;UID=sys");
}

Import::Import(Report progress, Report notice) : progress_(std::move(progress)), notice_(std::move(notice)) {}

void Import::run() {
    if (running)
        return;  // "Импорт" chosen again while the import lets events run
    running = true;
    struct Reset {
        ~Reset() { running = false; }
    } reset;
    rowsCopied_ = 0;

    OdbcConnection msa(QStringLiteral("MSA"), sourceText_);
    OdbcConnection pgsql(QStringLiteral("PGSQL"), targetText_);
    {
        // Date texts of the legacy source are read day first, as the program writes them.
        QSqlQuery q(pgsql.db());
        execOn(q, QStringLiteral("SET DateStyle = 'ISO, DMY'"));
    }
    for (const TablePair& pair : tablePairs())
        copyTable(msa.db(), pgsql.db(), pair);
}

void Import::copyTable(QSqlDatabase& source, QSqlDatabase& target, const TablePair& pair) {
    QSqlQuery cmd(target);

    // An upgraded database shows its products through a view over the ERP goods: nothing to fill there.
    execOn(cmd,
           QStringLiteral("select relkind from pg_class where oid = to_regclass(%1)").arg(sql::quote(pair.target)));
    const QString kind = cmd.next() ? cmd.value(0).toString() : QString();
    cmd.finish();
    if (kind == QLatin1String("v") || kind == QLatin1String("m")) {
        QString text = QStringLiteral("Таблица %1 не перенесена: %2 в этой базе — представление, а не таблица.")
                           .arg(pair.source, pair.target);
        if (pair.target == QLatin1String("accounts_dep.izdel"))
            text += QStringLiteral(" Изделия берутся из справочника товаров ERP.");
        if (notice_)
            notice_(text);
        return;
    }

    bool inTransaction = false;
    qlonglong k = 0;
    try {
        QSqlQuery counter(source);
        execOn(counter, QStringLiteral("select count(*) from ") + pair.source);
        const qlonglong n = counter.next() ? counter.value(0).toLongLong() : 0;
        counter.finish();

        QSqlQuery rows(source);
        rows.setForwardOnly(true);
        execOn(rows, QStringLiteral("select * from ") + pair.source +
                         (pair.sorted ? QStringLiteral(" order by id ASC") : QString()));
        const QSqlRecord rec = rows.record();
        QList<int> index;
        for (const Column& c : pair.columns) {
            const int i = rec.indexOf(c.name);
            if (i < 0)
                throw DbError(QStringLiteral("В таблице %1 нет столбца %2").arg(pair.source, c.name));
            index << i;
        }

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
    } catch (const DbError& e) {
        if (inTransaction)
            target.rollback();
        throw DbError(QStringLiteral("Импорт остановлен на таблице %1 (%2 оставлена без изменений):\n%3")
                          .arg(pair.source, pair.target, e.message()));
    }
}

void showNotice(const QString& text) {
    ui::messageBox(text, QStringLiteral("Импорт"), ui::MB_WARNING);
}

}  // namespace legacy

void runLegacyImport(std::function<void(const QString&)> progress) {
    legacy::Import import(std::move(progress), legacy::showNotice);
    import.run();
}
