#pragma once

#include <QString>
#include <QVariant>

// The rows a report is laid out from: a table of values read by position. A dataset is one; the engine knows
// nothing else of where the rows come from.
namespace report {

class RowSource {
public:
    virtual ~RowSource() = default;
    virtual bool isOpen() const = 0;
    virtual int recordCount() const = 0;
    virtual int columnIndex(const QString& name) const = 0;  // -1 for an unknown column
    virtual QVariant valueAt(int row, int col) const = 0;    // null QVariant for NULL
    virtual QString textAt(int row, int col) const = 0;      // as the rows show it to the user
    virtual bool isNullAt(int row, int col) const = 0;
};

}  // namespace report
