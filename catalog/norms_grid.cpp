#include "catalog/norms_grid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/catalog_writes.h"
#include "core/format.h"
#include "core/ui.h"

namespace {

struct NormColumn {
    const char* field;
    const char* title;
};
const NormColumn kColumns[] = {{"norma", "Норматив"}, {"price", "Цена"}, {"prize", "Премия, %"}};
constexpr int kColumnCount = 3;

bool isPrice(const QString& field) {
    return field == QLatin1String("price");
}

const QRegularExpression& wholeNumber() {
    static const QRegularExpression re(QStringLiteral("-?[0-9]{1,9}"));
    return re;
}

const QRegularExpression& number() {
    static const QRegularExpression re(QStringLiteral("-?[0-9]{1,12}([.,][0-9]{1,8})?"));
    return re;
}

}  // namespace

// The table of norms as the grid shows it: the rows of `norm`, and one row after them where a new norm is
// typed (it shows the values of a new row while it is being added). A row being edited shows its new values.
class TForm22::Model : public QAbstractTableModel {
public:
    explicit Model(TForm22* form) : QAbstractTableModel(form), form_(form) {
        titleFont_.setBold(true);
        connect(&form->norm, &Dataset::reset, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(&form->norm, &Dataset::currentChanged, this, [this] {
            if (rowCount() > 0)
                emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
        });
    }

    Dataset& ds() const { return form_->norm; }
    int savedRows() const { return ds().isOpen() ? ds().recordCount() : 0; }
    bool isNewRow(int row) const { return row == savedRows(); }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !ds().isOpen() ? 0 : savedRows() + 1;
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumnCount; }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    }

    QVariant value(int row, int column) const {
        const QString field = QString::fromLatin1(kColumns[column].field);
        const bool editing = (ds().state() == Dataset::State::Insert && isNewRow(row)) ||
                             (ds().state() == Dataset::State::Edit && row == ds().recNo() - 1);
        if (editing)
            return ds().field(field).value();
        if (isNewRow(row))
            return {};
        return ds().valueAt(row, ds().columnIndex(field));
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole: {
                const QVariant v = value(index.row(), index.column());
                if (v.isNull())
                    return QString();
                if (!isPrice(QString::fromLatin1(kColumns[index.column()].field)))
                    return QString::number(v.toLongLong());
                return role == Qt::DisplayRole ? fmt::mask(v.toDouble(), QStringLiteral("#0.00#"))
                                               : fmt::general(v.toDouble());
            }
            case Qt::TextAlignmentRole:
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal) {
            if (section < 0 || section >= kColumnCount)
                return {};
            switch (role) {
                case Qt::DisplayRole:
                    return QString::fromUtf8(kColumns[section].title);
                case Qt::FontRole:
                    return titleFont_;
                case Qt::TextAlignmentRole:
                    return QVariant(Qt::AlignCenter);
                default:
                    return {};
            }
        }
        // The row indicator: the current norm, a norm being edited, the row for a new norm.
        if (role != Qt::DisplayRole || section < 0 || section >= rowCount())
            return {};
        if (isNewRow(section))
            return ds().state() == Dataset::State::Insert ? QStringLiteral("✎") : QStringLiteral("*");
        if (section == ds().recNo() - 1)
            return ds().state() == Dataset::State::Edit ? QStringLiteral("✎") : QStringLiteral("▶");
        return QString();
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount())
            return false;
        const QString field = QString::fromLatin1(kColumns[index.column()].field);
        QVariant parsed;
        if (!TForm22::parseCell(field, value.toString(), &parsed)) {
            QApplication::beep();
            return false;
        }
        // Refused as the price dialog refuses a negative price; the cell keeps what it had.
        const QString refusal = catalog::normValueRefusal(field, parsed);
        if (!refusal.isEmpty()) {
            ui::messageBox(refusal, QStringLiteral("Ошибка"), ui::MB_ERROR);
            return false;
        }
        // A new row is saved before another row is edited; until then the other rows wait.
        if (ds().state() == Dataset::State::Insert && !isNewRow(index.row()))
            return false;
        if (ds().state() == Dataset::State::Edit && index.row() != ds().recNo() - 1)
            return false;
        form_->DBGrid1ColEnter(index.row());
        ds().setFieldValue(field, parsed);
        emit dataChanged(this->index(index.row(), 0), this->index(index.row(), kColumnCount - 1));
        emit headerDataChanged(Qt::Vertical, index.row(), index.row());
        // Saved once the editor has closed, as leaving the cell does.
        QTimer::singleShot(0, form_, ui::guarded([f = form_] { f->DBGrid1ColExit(); }));
        return true;
    }

private:
    TForm22* form_;
    QFont titleFont_;
};

// Cell editors that take only what the column can hold: the editor stays open on anything else.
class TForm22::Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const bool price = isPrice(QString::fromLatin1(kColumns[index.column()].field));
        edit->setValidator(new QRegularExpressionValidator(price ? number() : wholeNumber(), edit));
        (void)option;
        return edit;
    }
};

bool TForm22::parseCell(const QString& field, const QString& text, QVariant* value) {
    static const QRegularExpression wholeText(QRegularExpression::anchoredPattern(wholeNumber().pattern()));
    static const QRegularExpression numberText(QRegularExpression::anchoredPattern(number().pattern()));
    const QString t = text.trimmed();
    if (isPrice(field)) {
        bool ok = false;
        const double v = numberText.match(t).hasMatch() ? fmt::parseNumber(t, &ok) : 0;
        if (ok && value)
            *value = v;
        return ok;
    }
    if (!wholeText.match(t).hasMatch())
        return false;
    if (value)
        *value = t.toInt();
    return true;
}

TForm22::TForm22(QWidget* parent) : QDialog(parent), norm(app().dm->ADO_DB, QStringLiteral("norm"), this) {
    setObjectName(QStringLiteral("TForm22"));
    setWindowTitle(QStringLiteral("Норматив"));
    resize(420, 320);

    norm.setSql(QStringLiteral("select * from accounts_dep.norm order by norma"));
    norm.setTable(QStringLiteral("accounts_dep.norm"), QStringLiteral("id"));

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    model_ = new Model(this);
    DBGrid1->setModel(model_);
    DBGrid1->setItemDelegate(new Delegate(DBGrid1));
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->installEventFilter(this);
    DBGrid1->verticalHeader()->setMinimumWidth(DBGrid1->fontMetrics().horizontalAdvance(QStringLiteral("▶▶")));
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            ui::guarded([this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid() && current.row() < model_->savedRows() &&
                    norm.state() == Dataset::State::Browse && norm.recNo() != current.row() + 1)
                    norm.setRecNo(current.row() + 1);
            }));

    Button1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Удалить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(true);  // Enter presses the focused button
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guarded([this](bool) { Button2Click(); }));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1);
    layout->addLayout(buttons);
    // The table is read when the operations list opens the grid for an operation, not at start-up.
}

void TForm22::DBGrid1ColEnter(int row) {
    if (row >= model_->savedRows()) {
        if (norm.state() != Dataset::State::Insert)
            norm.append();
        newRow = true;
    } else {
        if (norm.recNo() != row + 1)
            norm.setRecNo(row + 1);
        norm.edit();
        newRow = false;
    }
}

void TForm22::DBGrid1ColExit() {
    if (!norm.isOpen() || norm.state() == Dataset::State::Browse)
        return;
    // A new norm belongs to the operation the grid was opened for.
    catalog::Norm values;
    values.id = norm.state() == Dataset::State::Insert ? 0 : norm.field(QStringLiteral("id")).asInt();
    values.operation = operationId;
    values.norma = norm.field(QStringLiteral("norma")).value();
    values.price = norm.field(QStringLiteral("price")).value();
    values.prize = norm.field(QStringLiteral("prize")).value();
    const int column = std::max(0, DBGrid1->currentIndex().column());
    const catalog::Outcome done = catalog::saveNorm(*app().dm, values);
    norm.cancel();
    newRow = false;
    norm.refresh();
    if (done.saved())
        norm.locate(QStringLiteral("id"), done.id);
    showCurrent(column);
    catalog::show(done);
}

void TForm22::showCurrent(int column) {
    if (norm.isOpen())
        DBGrid1->setCurrentIndex(model_->index(std::max(0, norm.recNo() - 1), column));
}

void TForm22::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    showCurrent(0);
    DBGrid1->setFocus();
}

void TForm22::Button2Click() {
    // A row not yet saved is simply dropped; a new one is all there is to delete.
    if (norm.state() != Dataset::State::Browse) {
        const bool wasNew = norm.state() == Dataset::State::Insert;
        norm.cancel();
        newRow = false;
        if (wasNew) {
            norm.refresh();
            showCurrent(0);
            return;
        }
    }
    const int row = DBGrid1->currentIndex().isValid() ? DBGrid1->currentIndex().row() : norm.recNo() - 1;
    if (!norm.isOpen() || row < 0 || row >= model_->savedRows())
        return;
    norm.setRecNo(row + 1);
    const catalog::Outcome done = catalog::deleteNorm(*app().dm, norm.field(QStringLiteral("id")).asInt());
    const int column = std::max(0, DBGrid1->currentIndex().column());
    norm.refresh();
    norm.setRecNo(row + 1);
    showCurrent(column);
    catalog::show(done);
}

QString TForm22::titleFor(const QString& product, const QString& operation) {
    if (product.isEmpty() && operation.isEmpty())
        return QStringLiteral("Норматив");
    return QStringLiteral("Норматив: ") + product + QStringLiteral("; ") + operation;
}

void TForm22::openForEdit(int operId, const QString& product, const QString& operation) {
    setWindowTitle(titleFor(product, operation));
    operationId = operId;
    norm.close();
    norm.setFilter(QStringLiteral("o_id=") + QString::number(operId));
    norm.setFiltered(true);
    norm.open();
    ui::execModal(this);
}

void TForm22::commitEditor() {
    const QModelIndex index = DBGrid1->currentIndex();
    auto* editor = qobject_cast<QLineEdit*>(DBGrid1->indexWidget(index));
    if (editor && editor->hasAcceptableInput() && editor->text() != index.data(Qt::EditRole).toString())
        model_->setData(index, editor->text(), Qt::EditRole);
}

void TForm22::Button1Click() {
    commitEditor();  // a value still in its editor (Enter, then at once Esc or the close box) is kept
    DBGrid1ColExit();
    Dataset& oper = app().dm->Oper;
    const int recNo = oper.recNo();
    oper.close();
    oper.open();
    oper.setRecNo(recNo);
    accept();
}

bool TForm22::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a cell opens its editor (and commits it again, inside the editor) instead of closing the window.
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && DBGrid1->currentIndex().isValid() &&
            !DBGrid1->isPersistentEditorOpen(DBGrid1->currentIndex())) {
            DBGrid1->edit(DBGrid1->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm22::reject() {
    ui::guarded([this] { Button1Click(); })();
}
