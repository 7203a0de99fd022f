#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

#include "core/db.h"
#include "core/report/row_source.h"

class Dataset;

// The texts of one column with trailing blanks dropped, for filtering and locating (compared ignoring letter
// case): one buffer for all rows, so that the first keystroke of a search does not allocate a string per row.
struct ColumnTexts {
    QString text;
    std::vector<qsizetype> start;
    std::vector<int> length;
    QStringView at(int row) const { return QStringView(text).mid(start[row], length[row]); }
};

// One column of a dataset's current row. NULL reads as 0, an empty text or an invalid date.
class Field {
public:
    Field(const Dataset* ds, int col) : ds_(ds), col_(col) {}
    bool isNull() const;
    QVariant value() const;
    int asInt() const;
    qlonglong asLongLong() const;
    double asDouble() const;
    QString asString() const;  // numbers in general decimal form with the workstation's separator
    QDate asDate() const;
    QDateTime asDateTime() const;

private:
    const Dataset* ds_;
    int col_;
};

// A stored query or table as the windows see it: SQL text with named parameters, a snapshot of all rows read
// by open(), a current row (recNo, 1-based), a client-side filter, and for datasets bound to a table,
// append/edit/post/remove that write that table.
class Dataset : public QObject, public report::RowSource {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Dataset(Db& db, const QString& name, QObject* parent = nullptr);

    Db& db() const { return db_; }
    QString name() const { return objectName(); }

    // SQL text, as lines joined with line breaks.
    void setSql(const QStringList& lines);
    void setSql(const QString& text) { setSql(QStringList{text}); }
    QString sql() const { return lines_.join(QLatin1Char('\n')); }
    void clearSql() { lines_.clear(); }
    void addSql(const QString& line) { lines_.append(line); }

    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const;
    QString boundSql() const;  // the text sent to the server on open()

    // A failed open (a lost server, say) leaves the rows of the last close in place, marked stale, so that a
    // grid keeps what it showed instead of going blank; the next open that succeeds replaces them.
    void open();
    void close();
    bool isOpen() const override { return result_ != nullptr; }
    bool isStale() const { return stale_; }
    // After a failure elsewhere: shows the rows of the last close again, stale, without asking the server.
    void keepShown() { keepShown(shownRecNo_); }
    void refresh() {
        close();
        open();
    }

    // Position, over the rows that pass the filter.
    int recordCount() const override;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const { return cur_ + 1; }  // 0 when there is no row
    void setRecNo(int recNo);               // clamped to 1..recordCount
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }

    // Fields of the current row.
    bool hasField(const QString& name) const;
    Field field(const QString& name) const;  // throws DbError for an unknown field
    QStringList fieldNames() const;
    int columnIndex(const QString& name) const override;

    // Raw access by position in the filtered order (0-based), for grids and reports.
    QVariant valueAt(int row, int col) const override;
    QString textAt(int row, int col) const override;  // as Field::asString
    bool isNullAt(int row, int col) const override;
    QueryResult::Type columnType(int col) const;
    const QueryResult* result() const { return result_.get(); }

    // Client-side filter: "field like 'abc%'", "field like '%abc%'", "field=5", "field='text'". Text matching
    // ignores letter case (Cyrillic too) and trailing blanks. An apostrophe inside a quoted value is doubled.
    void setFilter(const QString& filter);
    QString filter() const { return filter_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Makes the first row whose field equals value current (letter case ignored); false when none.
    bool locate(const QString& field, const QVariant& value);

    // Table binding. key is the key column; with no key a row is found by all its original values.
    void setTable(const QString& table, const QString& key);
    State state() const;
    void append();
    void edit();
    void setFieldValue(const QString& name, const QVariant& value);
    void post();
    void cancel();
    void remove();

signals:
    void reset();                    // opened, closed, re-read or filtered
    void currentChanged(int recNo);  // the current row moved

private:
    friend class Field;
    int rowOf(int viewRow) const { return filtered_ ? view_[viewRow] : viewRow; }
    void applyFilter();
    void setCurrent(int index);
    void keepShown(int recNo);
    void reread(int recNo);
    const ColumnTexts& texts(int col) const;
    bool bufferHas(int col) const { return state_ != State::Browse && buffer_.contains(col); }
    QVariant currentValue(int col) const;
    QString literalOf(int col, int row) const;

    Db& db_;
    QStringList lines_;
    QHash<QString, QVariant> params_;
    std::shared_ptr<QueryResult> result_;
    std::shared_ptr<QueryResult> shown_;  // the rows of the last close, until the event loop runs again
    int shownRecNo_ = 0;
    bool stale_ = false;
    int cur_ = -1;
    bool eof_ = true;
    bool bof_ = true;

    QString filter_;
    bool filtered_ = false;
    std::vector<int> view_;
    mutable QHash<int, ColumnTexts> texts_;

    QString table_;
    QString key_;
    State state_ = State::Browse;
    QHash<int, QVariant> buffer_;
};

// Opens the datasets of a group; when one fails, the rest are not asked for (a busy or lost server would keep
// the window waiting once per dataset) and every one not opened keeps showing its old rows, stale. Throws
// the error: no grid of the group goes blank.
void openAll(const QList<Dataset*>& datasets);

// A command: a statement text (with optional named parameters) executed as a whole.
class Command {
public:
    Command(Db& db, const QString& text = {}) : db_(db), text_(text) {}
    void setText(const QString& text) { text_ = text; }
    QString text() const { return text_; }
    void setParam(const QString& name, const QVariant& value) { params_.insert(name, value); }
    void execute();

private:
    Db& db_;
    QString text_;
    QHash<QString, QVariant> params_;
};
