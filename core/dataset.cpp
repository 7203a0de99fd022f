#include "core/dataset.h"

#include <QTimer>
#include <cstdio>
#include <cstring>

#include "core/format.h"
#include "core/sqltext.h"

namespace {

QString foldText(const QString& s) {
    QString t = s;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    return t.toCaseFolded();
}

// A parsed filter condition.
struct Condition {
    QString field;
    bool like = false;
    QStringList parts;  // like: the pattern split at '%'
    QString value;      // '=': the value as written (unquoted)
    bool quoted = false;
};

bool parseCondition(const QString& text, Condition& c) {
    const QString t = text.trimmed();
    int i = 0;
    while (i < t.size() && (t.at(i).isLetterOrNumber() || t.at(i) == QLatin1Char('_') || t.at(i) == QLatin1Char('.')))
        ++i;
    if (i == 0)
        return false;
    c.field = t.left(i);
    QString rest = t.mid(i).trimmed();
    // A quoted value as sql::quote writes it: '...' with apostrophes doubled, or E'...' with backslashes
    // doubled as well.
    auto unquote = [](const QString& q, QString& out) {
        const bool escaped = q.startsWith(QLatin1String("E'"));
        const QString body = escaped ? q.mid(1) : q;
        if (body.size() < 2 || !body.startsWith(QLatin1Char('\'')) || !body.endsWith(QLatin1Char('\'')))
            return false;
        out = body.mid(1, body.size() - 2);
        out.replace(QStringLiteral("''"), QStringLiteral("'"));
        if (escaped)
            out.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        return true;
    };
    if (rest.startsWith(QLatin1String("like"), Qt::CaseInsensitive) && rest.size() > 4 && rest.at(4).isSpace()) {
        QString pattern;
        if (!unquote(rest.mid(5).trimmed(), pattern))
            return false;
        c.like = true;
        c.parts = foldText(pattern).split(QLatin1Char('%'));
        return true;
    }
    if (rest.startsWith(QLatin1Char('='))) {
        rest = rest.mid(1).trimmed();
        if (rest.startsWith(QLatin1Char('\'')) || rest.startsWith(QLatin1String("E'"))) {
            c.quoted = true;
            return unquote(rest, c.value);
        }
        c.value = rest;
        return !rest.isEmpty();
    }
    return false;
}

// DD.MM.YYYY, as fmt::date writes it, without parsing a format text for every value.
QString dateText(const QDate& d) {
    if (!d.isValid() || d.year() < 1 || d.year() > 9999)
        return fmt::date(d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day(), d.month(), d.year());
    return QString::fromLatin1(buf, 10);
}

// Decodes UTF-8 into out, returning the end. Plain ASCII and two-byte sequences (Cyrillic) are decoded here;
// a text with anything else goes through QString::fromUtf8, so the result is always exactly what that gives.
QChar* decodeUtf8(const char* text, int length, QChar* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = p + length;
    QChar* o = out;
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            *o++ = QChar(b);
            ++p;
        } else if (b >= 0xC2 && b <= 0xDF && p + 1 < end && (p[1] & 0xC0) == 0x80) {
            *o++ = QChar(char16_t(((b & 0x1F) << 6) | (p[1] & 0x3F)));
            p += 2;
        } else {
            const QString s = QString::fromUtf8(text, length);
            std::copy(s.cbegin(), s.cend(), out);
            return out + s.size();
        }
    }
    return o;
}

// SQL-like matching of a text against a pattern split at '%', ignoring letter case.
bool likeMatch(QStringView s, const QStringList& parts) {
    constexpr auto ci = Qt::CaseInsensitive;
    if (parts.size() == 1)
        return s.compare(parts.front(), ci) == 0;
    if (!parts.front().isEmpty() && !s.startsWith(parts.front(), ci))
        return false;
    qsizetype pos = parts.front().size();
    for (int k = 1; k < parts.size() - 1; ++k) {
        if (parts[k].isEmpty())
            continue;
        const qsizetype at = s.indexOf(parts[k], pos, ci);
        if (at < 0)
            return false;
        pos = at + parts[k].size();
    }
    const QString& tail = parts.back();
    return tail.isEmpty() || (s.size() - pos >= tail.size() && s.endsWith(tail, ci));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------

bool Field::isNull() const {
    return ds_->currentValue(col_).isNull();
}
QVariant Field::value() const {
    return ds_->currentValue(col_);
}
int Field::asInt() const {
    const QVariant v = value();
    if (v.typeId() == QMetaType::Double)
        return int(std::llround(v.toDouble()));
    if (v.typeId() == QMetaType::QString)
        return int(std::llround(fmt::parseNumber(v.toString(), nullptr)));
    return v.toInt();
}
qlonglong Field::asLongLong() const {
    const QVariant v = value();
    if (v.typeId() == QMetaType::Double)
        return std::llround(v.toDouble());
    return v.toLongLong();
}
double Field::asDouble() const {
    const QVariant v = value();
    if (v.typeId() == QMetaType::QString)
        return fmt::parseNumber(v.toString(), nullptr);
    return v.toDouble();
}
QDate Field::asDate() const {
    if (!ds_->bufferHas(col_) && ds_->state() == Dataset::State::Browse) {
        if (ds_->recNo() == 0)
            return {};
        return ds_->result_->date(ds_->rowOf(ds_->recNo() - 1), col_);
    }
    const QVariant v = value();
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
}
QDateTime Field::asDateTime() const {
    const QVariant v = value();
    return v.typeId() == QMetaType::QDate ? v.toDate().startOfDay() : v.toDateTime();
}
QString Field::asString() const {
    if (ds_->bufferHas(col_) || ds_->state() == Dataset::State::Insert) {
        const QVariant v = value();
        if (v.isNull())
            return {};
        if (v.typeId() == QMetaType::Double)
            return fmt::general(v.toDouble());
        if (v.typeId() == QMetaType::QDate)
            return fmt::date(v.toDate());
        return v.toString();
    }
    if (!ds_->isOpen() || ds_->recNo() == 0)
        return {};
    return ds_->textAt(ds_->recNo() - 1, col_);
}

// ---------------------------------------------------------------------------------------------------------------

Dataset::Dataset(Db& db, const QString& name, QObject* parent) : QObject(parent), db_(db) {
    setObjectName(name);
}

void Dataset::setSql(const QStringList& lines) {
    lines_ = lines;
}

void Dataset::setParam(const QString& name, const QVariant& value) {
    params_.insert(name.toLower(), value);
}

QVariant Dataset::param(const QString& name) const {
    return params_.value(name.toLower());
}

QString Dataset::boundSql() const {
    return sql::bind(sql(), params_);
}

void Dataset::open() {
    if (isOpen() && !stale_)
        return;
    std::shared_ptr<QueryResult> fresh;
    try {
        fresh = db_.query(boundSql());
    } catch (const DbError&) {
        keepShown(shownRecNo_);
        throw;
    }
    result_ = std::move(fresh);
    shown_.reset();
    stale_ = false;
    texts_.clear();
    state_ = State::Browse;
    buffer_.clear();
    applyFilter();
    setCurrent(recordCount() > 0 ? 0 : -1);
    emit reset();
}

void Dataset::close() {
    if (!isOpen())
        return;
    shown_ = std::move(result_);
    shownRecNo_ = recNo();
    stale_ = false;
    // Kept only for an open in the same user action (close and reopen); a closed dataset holds no rows.
    QTimer::singleShot(0, this, [this] {
        if (!isOpen())
            shown_.reset();
    });
    texts_.clear();
    view_.clear();
    state_ = State::Browse;
    buffer_.clear();
    cur_ = -1;
    eof_ = bof_ = true;
    emit reset();
}

int Dataset::recordCount() const {
    if (!result_)
        return 0;
    return filtered_ ? int(view_.size()) : result_->rowCount();
}

void Dataset::setCurrent(int index) {
    const int n = recordCount();
    if (n == 0) {
        cur_ = -1;
        eof_ = bof_ = true;
    } else {
        cur_ = std::clamp(index, 0, n - 1);
        eof_ = bof_ = false;
    }
    emit currentChanged(recNo());
}

void Dataset::keepShown(int recNo) {
    if (isOpen() || !shown_)
        return;
    result_ = std::move(shown_);
    stale_ = true;
    texts_.clear();
    state_ = State::Browse;
    buffer_.clear();
    applyFilter();
    setCurrent(recNo - 1);
    emit reset();
}

void Dataset::reread(int recNo) {
    shown_ = std::move(result_);
    shownRecNo_ = recNo;
    open();
}

void openAll(const QList<Dataset*>& datasets) {
    for (int i = 0; i < datasets.size(); ++i) {
        try {
            datasets[i]->open();
        } catch (...) {
            for (int k = i + 1; k < datasets.size(); ++k)
                datasets[k]->keepShown();
            throw;
        }
    }
}

void Dataset::setRecNo(int recNo) {
    setCurrent(recNo - 1);
}
void Dataset::first() {
    setCurrent(0);
}
void Dataset::last() {
    setCurrent(recordCount() - 1);
}

void Dataset::next() {
    if (cur_ + 1 >= recordCount()) {
        eof_ = true;
        return;
    }
    setCurrent(cur_ + 1);
}

void Dataset::prior() {
    if (cur_ <= 0) {
        bof_ = true;
        return;
    }
    setCurrent(cur_ - 1);
}

bool Dataset::hasField(const QString& name) const {
    return columnIndex(name) >= 0;
}

int Dataset::columnIndex(const QString& name) const {
    return result_ ? result_->columnIndex(name) : -1;
}

Field Dataset::field(const QString& name) const {
    const int col = columnIndex(name);
    if (col < 0)
        throw DbError(objectName() + QStringLiteral(": поле '") + name + QStringLiteral("' не найдено"));
    return Field(this, col);
}

QStringList Dataset::fieldNames() const {
    QStringList names;
    if (result_)
        for (int c = 0; c < result_->columnCount(); ++c)
            names << result_->columnName(c);
    return names;
}

QVariant Dataset::currentValue(int col) const {
    if (state_ == State::Insert)
        return buffer_.value(col);
    if (bufferHas(col))
        return buffer_.value(col);
    if (!result_ || cur_ < 0)
        return {};
    return result_->value(rowOf(cur_), col);
}

QVariant Dataset::valueAt(int row, int col) const {
    return result_->value(rowOf(row), col);
}

bool Dataset::isNullAt(int row, int col) const {
    return result_->isNull(rowOf(row), col);
}

QueryResult::Type Dataset::columnType(int col) const {
    return result_->columnType(col);
}

QString Dataset::textAt(int row, int col) const {
    const int r = rowOf(row);
    if (result_->isNull(r, col))
        return {};
    switch (result_->columnType(col)) {
        case QueryResult::Type::Float:
        case QueryResult::Type::Numeric:
            return fmt::general(result_->value(r, col).toDouble());
        case QueryResult::Type::Date:
            return dateText(result_->date(r, col));
        case QueryResult::Type::DateTime: {
            // Straight from the server's text where it has the usual form: no local date-time is made.
            const char* v = result_->raw(r, col);
            const int len = result_->rawLength(r, col);
            QDate d;
            if (len >= 19 && v[13] == ':' && v[16] == ':' && parseIsoDate(v, len, d)) {
                if (std::memcmp(v + 11, "00:00:00", 8) == 0)
                    return dateText(d);
                return dateText(d) + QLatin1Char(' ') + QLatin1String(v + 11, 8);
            }
            const QDateTime dt = result_->value(r, col).toDateTime();
            if (dt.time() == QTime(0, 0))
                return fmt::date(dt.date());
            return fmt::date(dt.date()) + QLatin1Char(' ') + dt.time().toString(QStringLiteral("HH:mm:ss"));
        }
        case QueryResult::Type::Bool:
            return result_->value(r, col).toBool() ? QStringLiteral("True") : QStringLiteral("False");
        default:
            return result_->text(r, col);
    }
}

const ColumnTexts& Dataset::texts(int col) const {
    auto it = texts_.find(col);
    if (it != texts_.end())
        return *it;
    // Every row's UTF-8 text decoded into one buffer.
    ColumnTexts f;
    const int n = result_->rowCount();
    f.start.resize(n);
    f.length.resize(n);
    qsizetype bytes = 0;
    for (int r = 0; r < n; ++r) {
        f.length[r] = result_->rawLength(r, col);
        bytes += f.length[r];
    }
    f.text.resize(bytes);  // UTF-16 never needs more units than UTF-8 has bytes
    QChar* const base = f.text.data();
    QChar* out = base;
    for (int r = 0; r < n; ++r) {
        QChar* const from = out;
        out = decodeUtf8(result_->raw(r, col), f.length[r], out);
        QChar* end = out;
        while (end > from && end[-1] == QLatin1Char(' '))
            --end;
        f.start[r] = from - base;
        f.length[r] = int(end - from);
    }
    f.text.truncate(out - base);
    return *texts_.insert(col, std::move(f));
}

void Dataset::setFilter(const QString& filter) {
    filter_ = filter;
    if (filtered_ && isOpen()) {
        applyFilter();
        setCurrent(0);
        emit reset();
    }
}

void Dataset::setFiltered(bool on) {
    if (filtered_ == on)
        return;
    filtered_ = on;
    if (isOpen()) {
        applyFilter();
        setCurrent(0);
        emit reset();
    }
}

void Dataset::applyFilter() {
    view_.clear();
    if (!filtered_ || !result_)
        return;
    const int n = result_->rowCount();
    if (filter_.trimmed().isEmpty()) {
        view_.resize(n);
        for (int r = 0; r < n; ++r)
            view_[r] = r;
        return;
    }
    Condition c;
    if (!parseCondition(filter_, c))
        throw DbError(objectName() + QStringLiteral(": неверный фильтр: ") + filter_);
    const int col = columnIndex(c.field);
    if (col < 0)
        throw DbError(objectName() + QStringLiteral(": поле '") + c.field + QStringLiteral("' не найдено"));
    view_.reserve(n);
    if (c.like) {
        const auto& values = texts(col);
        for (int r = 0; r < n; ++r)
            if (likeMatch(values.at(r), c.parts))
                view_.push_back(r);
        return;
    }
    bool numeric = false;
    const double number = c.quoted ? 0 : c.value.toDouble(&numeric);
    if (numeric) {
        for (int r = 0; r < n; ++r) {
            if (result_->isNull(r, col))
                continue;
            bool ok = false;
            const double v = QByteArray::fromRawData(result_->raw(r, col), result_->rawLength(r, col)).toDouble(&ok);
            if (ok && v == number)
                view_.push_back(r);
        }
        return;
    }
    const QString want = foldText(c.value);
    const auto& values = texts(col);
    for (int r = 0; r < n; ++r)
        if (values.at(r).compare(want, Qt::CaseInsensitive) == 0 && !result_->isNull(r, col))
            view_.push_back(r);
}

bool Dataset::locate(const QString& fieldName, const QVariant& value) {
    const int col = columnIndex(fieldName);
    if (col < 0 || !result_)
        return false;
    const int n = recordCount();
    bool numeric = false;
    const double number = value.toString().toDouble(&numeric);
    const QString want = foldText(value.toString());
    const auto& values = texts(col);
    for (int i = 0; i < n; ++i) {
        const int r = rowOf(i);
        if (result_->isNull(r, col))
            continue;
        bool match;
        const auto t = result_->columnType(col);
        if (numeric &&
            (t == QueryResult::Type::Int || t == QueryResult::Type::Float || t == QueryResult::Type::Numeric))
            match = result_->value(r, col).toDouble() == number;
        else
            match = values.at(r).compare(want, Qt::CaseInsensitive) == 0;
        if (match) {
            setCurrent(i);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------------------

void Dataset::setTable(const QString& table, const QString& key) {
    table_ = table;
    key_ = key;
}

Dataset::State Dataset::state() const {
    return isOpen() ? state_ : State::Inactive;
}

void Dataset::append() {
    if (!isOpen())
        throw DbError(objectName() + QStringLiteral(": набор данных закрыт"));
    if (table_.isEmpty())
        throw DbError(objectName() + QStringLiteral(": набор данных не связан с таблицей"));
    state_ = State::Insert;
    buffer_.clear();
}

void Dataset::edit() {
    if (!isOpen() || cur_ < 0)
        throw DbError(objectName() + QStringLiteral(": нет текущей записи"));
    if (table_.isEmpty())
        throw DbError(objectName() + QStringLiteral(": набор данных не связан с таблицей"));
    if (state_ == State::Browse)
        buffer_.clear();
    if (state_ != State::Insert)
        state_ = State::Edit;
}

void Dataset::setFieldValue(const QString& name, const QVariant& value) {
    if (state_ == State::Browse)
        throw DbError(objectName() + QStringLiteral(": запись не в режиме редактирования"));
    const int col = columnIndex(name);
    if (col < 0)
        throw DbError(objectName() + QStringLiteral(": поле '") + name + QStringLiteral("' не найдено"));
    buffer_.insert(col, value);
}

QString Dataset::literalOf(int col, int row) const {
    if (result_->isNull(row, col))
        return QStringLiteral("NULL");
    return sql::literal(result_->value(row, col));
}

void Dataset::post() {
    if (state_ == State::Browse || !isOpen())
        return;
    QVariant keyValue;
    const int keyCol = key_.isEmpty() ? -1 : columnIndex(key_);
    if (state_ == State::Insert) {
        QStringList cols, vals;
        for (auto it = buffer_.constBegin(); it != buffer_.constEnd(); ++it) {
            cols << result_->columnName(it.key());
            vals << sql::literal(it.value());
        }
        QString text = QStringLiteral("INSERT INTO ") + table_;
        text += cols.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                               : QStringLiteral(" (") + cols.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                                     vals.join(QStringLiteral(", ")) + QLatin1Char(')');
        if (keyCol >= 0) {
            text += QStringLiteral(" RETURNING ") + key_;
            auto res = db_.query(text);
            if (res->rowCount() > 0)
                keyValue = res->value(0, 0);
        } else {
            db_.exec(text);
        }
    } else {
        if (buffer_.isEmpty()) {
            state_ = State::Browse;
            return;
        }
        const int row = rowOf(cur_);
        QStringList sets;
        for (auto it = buffer_.constBegin(); it != buffer_.constEnd(); ++it)
            sets << result_->columnName(it.key()) + QLatin1Char('=') + sql::literal(it.value());
        QStringList where;
        if (keyCol >= 0) {
            where << key_ + QLatin1Char('=') + literalOf(keyCol, row);
            keyValue = result_->value(row, keyCol);
        } else {
            for (int c = 0; c < result_->columnCount(); ++c)
                where << result_->columnName(c) + QStringLiteral(" IS NOT DISTINCT FROM ") + literalOf(c, row);
        }
        db_.exec(QStringLiteral("UPDATE ") + table_ + QStringLiteral(" SET ") + sets.join(QStringLiteral(", ")) +
                 QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND ")));
    }
    // Re-read, and stand on the written row.
    const int keepRecNo = recNo();
    state_ = State::Browse;
    buffer_.clear();
    reread(keepRecNo);
    if (!(keyValue.isValid() && locate(key_, keyValue)))
        setRecNo(keepRecNo);
}

void Dataset::cancel() {
    state_ = State::Browse;
    buffer_.clear();
    emit currentChanged(recNo());
}

void Dataset::remove() {
    if (!isOpen() || cur_ < 0)
        throw DbError(objectName() + QStringLiteral(": нет текущей записи"));
    if (table_.isEmpty())
        throw DbError(objectName() + QStringLiteral(": набор данных не связан с таблицей"));
    const int row = rowOf(cur_);
    const int keyCol = key_.isEmpty() ? -1 : columnIndex(key_);
    QStringList where;
    if (keyCol >= 0) {
        where << key_ + QLatin1Char('=') + literalOf(keyCol, row);
    } else {
        for (int c = 0; c < result_->columnCount(); ++c)
            where << result_->columnName(c) + QStringLiteral(" IS NOT DISTINCT FROM ") + literalOf(c, row);
    }
    db_.exec(QStringLiteral("DELETE FROM ") + table_ + QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND ")));
    const int keepRecNo = recNo();
    state_ = State::Browse;
    buffer_.clear();
    reread(keepRecNo);
    setRecNo(keepRecNo);
}

void Command::execute() {
    db_.exec(params_.isEmpty() ? text_ : sql::bind(text_, params_));
}
