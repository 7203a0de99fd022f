#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <QTableView>
#include <functional>

#include "core/dataset.h"

// One column of a grid, declared by field name.
struct GridColumn {
    QString field;
    QString title;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString mask;  // number mask ("#0.00"); empty: the field's own text
    bool visible = true;
    int width = 0;      // pixels; 0: fit the contents
    QColor titleColor;  // colour of the title text; invalid: the header's own
    QString nullText;   // shown for NULL
};

// Shows a dataset in a table view. Colours, bold and backgrounds of a cell come from an optional rule.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Returns a value for the role (ForegroundRole, BackgroundRole, FontRole), or an invalid QVariant.
    using CellRule = std::function<QVariant(const Dataset& ds, int row, const GridColumn& column, int role)>;

    explicit DatasetModel(QObject* parent = nullptr);

    void setDataset(Dataset* ds);
    Dataset* dataset() const { return ds_; }
    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return columns_; }
    void setCellRule(CellRule rule) { rule_ = std::move(rule); }
    void setTitleFont(const QFont& font) { titleFont_ = font; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString cellText(int row, int column) const;

    // The tooltip of the rows of a stale dataset (greyed: they are what was read before a failed re-read).
    static QString staleNote();

private:
    void rebuild();

    QPointer<Dataset> ds_;
    QList<GridColumn> columns_;
    QList<int> fieldIndex_;  // dataset column of each grid column, -1 when absent
    CellRule rule_;
    QFont titleFont_;
    QMetaObject::Connection resetConn_;
};

// A read-only grid bound to a dataset: whole-row selection (the current row framed, its cells keeping their
// colours), Tab leaving it, and the grid's current row and the dataset's
// recNo follow each other both ways.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);

    DatasetModel* datasetModel() const { return model_; }
    void setDataset(Dataset* ds);
    Dataset* dataset() const { return model_->dataset(); }
    void setColumns(const QList<GridColumn>& columns);

signals:
    // Enter on a row. While nothing is connected, Enter goes on to the window (its default button).
    void returnPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void syncFromDataset();
    void applyColumns();

    DatasetModel* model_;
    QMetaObject::Connection currentConn_;
    QMetaObject::Connection resetConn_;
    bool syncing_ = false;
};
