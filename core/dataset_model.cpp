#include "core/dataset_model.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "core/format.h"

QString DatasetModel::staleNote() {
    return QStringLiteral("Данные не обновлены: показано прочитанное ранее.");
}

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {
    titleFont_.setBold(true);
}

void DatasetModel::setDataset(Dataset* ds) {
    beginResetModel();
    if (resetConn_)
        disconnect(resetConn_);
    ds_ = ds;
    if (ds_)
        resetConn_ = connect(ds_, &Dataset::reset, this, [this] {
            beginResetModel();
            rebuild();
            endResetModel();
        });
    rebuild();
    endResetModel();
}

void DatasetModel::setColumns(const QList<GridColumn>& columns) {
    beginResetModel();
    columns_ = columns;
    rebuild();
    endResetModel();
}

void DatasetModel::rebuild() {
    fieldIndex_.clear();
    for (const auto& c : columns_)
        fieldIndex_ << (ds_ && ds_->isOpen() ? ds_->columnIndex(c.field) : -1);
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !ds_ || !ds_->isOpen())
        return 0;
    return ds_->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QString DatasetModel::cellText(int row, int column) const {
    const int col = fieldIndex_.value(column, -1);
    if (col < 0 || !ds_ || row >= ds_->recordCount())
        return {};
    const GridColumn& gc = columns_[column];
    if (!gc.nullText.isEmpty() && ds_->isNullAt(row, col))
        return gc.nullText;
    if (!gc.mask.isEmpty() && !ds_->isNullAt(row, col))
        return fmt::mask(ds_->valueAt(row, col).toDouble(), gc.mask);
    return ds_->textAt(row, col);
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !ds_ || !ds_->isOpen())
        return {};
    const GridColumn& gc = columns_[index.column()];
    switch (role) {
        case Qt::DisplayRole:
            return cellText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant(gc.alignment);
        case Qt::ToolTipRole:
            if (ds_->isStale())
                return staleNote();
            return {};
        case Qt::ForegroundRole:
            // Rows that could not be read afresh are shown greyed.
            if (ds_->isStale())
                return QColor(Qt::gray);
            [[fallthrough]];
        case Qt::BackgroundRole:
        case Qt::FontRole:
            if (rule_)
                return rule_(*ds_, index.row(), gc, role);
            return {};
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
        case Qt::DisplayRole:
            return columns_[section].title;
        case Qt::FontRole:
            return titleFont_;
        case Qt::TextAlignmentRole:
            return QVariant(Qt::AlignCenter);
        case Qt::ForegroundRole:
            if (columns_[section].titleColor.isValid())
                return columns_[section].titleColor;
            return {};
        default:
            return {};
    }
}

// ---------------------------------------------------------------------------------------------------------------

namespace {

// The current row (or, in a grid of cells, the current cell) is framed and lightly tinted; each cell keeps its
// own colours, which carry meaning (the acceptance mark, weekends, totals).
class CurrentRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        const bool selected = opt.state.testFlag(QStyle::State_Selected);
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        // The view has already filled a selected row with the highlight; a cell without a background of its
        // own gets the plain one back.
        if (selected)
            painter->fillRect(opt.rect, opt.palette.brush(QPalette::Active, QPalette::Base));
        QStyledItemDelegate::paint(painter, opt, index);
        if (!selected)
            return;
        const QColor frame = opt.palette.color(QPalette::Active, QPalette::Highlight);
        QColor tint = frame;
        tint.setAlpha(40);
        const QRect r = opt.rect;
        painter->save();
        painter->fillRect(r, tint);
        painter->setPen(QPen(frame, 2));
        painter->drawLine(r.topLeft() + QPoint(0, 1), r.topRight() + QPoint(0, 1));
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        const auto* view = qobject_cast<const QTableView*>(opt.widget);
        const bool cells = view && view->selectionBehavior() == QAbstractItemView::SelectItems;
        if (cells || (view && index.column() == edgeColumn(view, true)))
            painter->drawLine(r.topLeft() + QPoint(1, 0), r.bottomLeft() + QPoint(1, 0));
        if (cells || (view && index.column() == edgeColumn(view, false)))
            painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }

private:
    // The first (or last) column shown, in the order the header shows them.
    static int edgeColumn(const QTableView* view, bool first) {
        const QHeaderView* header = view->horizontalHeader();
        const int n = header->count();
        for (int i = 0; i < n; ++i) {
            const int logical = header->logicalIndex(first ? i : n - 1 - i);
            if (!header->isSectionHidden(logical))
                return logical;
        }
        return -1;
    }
};

}  // namespace

DbGrid::DbGrid(QWidget* parent) : QTableView(parent), model_(new DatasetModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new CurrentRowDelegate(this));
    // Tab and Shift+Tab leave the grid for the next control of the window (the cursor keys move between cells);
    // Ctrl+Tab goes on to the window (a tab page switches).
    setTabKeyNavigation(false);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (syncing_ || !current.isValid() || !dataset())
            return;
        syncing_ = true;
        if (dataset()->recNo() != current.row() + 1)
            dataset()->setRecNo(current.row() + 1);
        syncing_ = false;
    });
}

void DbGrid::setDataset(Dataset* ds) {
    if (currentConn_)
        disconnect(currentConn_);
    if (resetConn_)
        disconnect(resetConn_);
    model_->setDataset(ds);
    if (ds) {
        currentConn_ = connect(ds, &Dataset::currentChanged, this, [this] { syncFromDataset(); });
        // Queued behind the model's own reset handler, which is connected first.
        resetConn_ = connect(ds, &Dataset::reset, this, [this] {
            applyColumns();
            syncFromDataset();
        });
    }
    applyColumns();
    syncFromDataset();
}

void DbGrid::setColumns(const QList<GridColumn>& columns) {
    model_->setColumns(columns);
    applyColumns();
}

void DbGrid::applyColumns() {
    const auto& cols = model_->columns();
    for (int i = 0; i < cols.size(); ++i) {
        setColumnHidden(i, !cols[i].visible);
        if (cols[i].width > 0)
            setColumnWidth(i, cols[i].width);
    }
}

void DbGrid::syncFromDataset() {
    if (syncing_)
        return;
    Dataset* ds = dataset();
    if (!ds || !ds->isOpen() || ds->recNo() == 0)
        return;
    const int row = ds->recNo() - 1;
    if (currentIndex().row() == row)
        return;
    syncing_ = true;
    int col = currentIndex().isValid() ? currentIndex().column() : 0;
    while (col < model_->columnCount() && isColumnHidden(col))
        ++col;
    setCurrentIndex(model_->index(row, std::min(col, model_->columnCount() - 1)));
    syncing_ = false;
}

void DbGrid::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && dataset() && dataset()->isOpen() &&
        dataset()->recordCount() > 0 && isSignalConnected(QMetaMethod::fromSignal(&DbGrid::returnPressed))) {
        emit returnPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}
