#include "audit/audit_window.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <functional>

#include "base/datamodule.h"
#include "base/registry.h"
#include "core/excel_writer.h"
#include "core/job.h"
#include "core/ui.h"

namespace {

const QStringList kTitles = {
    QStringLiteral("Время"),        QStringLiteral("Рабочее место"), QStringLiteral("Режим"),
    QStringLiteral("Пользователь"), QStringLiteral("Таблица"),       QStringLiteral("Запись"),
    QStringLiteral("Рабочий"),      QStringLiteral("Действие"),      QStringLiteral("Изменения"),
};

QStringList cellsOf(const audit_log::Line& l) {
    return {l.at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
            l.workstation,
            l.mode,
            l.person,
            audit_log::tableCaption(l.table),
            QString::number(l.rowId),
            l.worker,
            audit_log::actionCaption(l.action),
            l.changes};
}

QDateEdit* dateEdit(QWidget* parent, const char* name) {
    auto* d = new QDateEdit(QDate::currentDate(), parent);
    d->setObjectName(QLatin1String(name));
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return d;
}

QPushButton* button(QWidget* parent, const QString& text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

// The lines as the grid shows them; texts made when a cell is painted.
class AuditWindow::LinesModel : public QAbstractTableModel {
public:
    explicit LinesModel(const QList<audit_log::Line>& lines, QObject* parent)
        : QAbstractTableModel(parent), lines_(lines) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(lines_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(kTitles.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || index.row() >= lines_.size())
            return {};
        return cellsOf(lines_[index.row()]).value(index.column());  // the tool tip: a long change read whole
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal)
            return {};
        return kTitles.value(section);
    }
    void reset(const std::function<void()>& change) {
        beginResetModel();
        change();
        endResetModel();
    }

private:
    const QList<audit_log::Line>& lines_;
};

AuditWindow::AuditWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AuditWindow"));
    setWindowTitle(QStringLiteral("История изменений"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    DateFrom = dateEdit(this, "DateFrom");
    DateTo = dateEdit(this, "DateTo");
    TableBox = new QComboBox(this);
    TableBox->setObjectName(QStringLiteral("TableBox"));
    TableBox->addItem(QStringLiteral("Все таблицы"), QString());
    for (const auto& [table, caption] : audit_log::tables())
        TableBox->addItem(caption, table);
    WorkerBox = new QComboBox(this);
    WorkerBox->setObjectName(QStringLiteral("WorkerBox"));
    WorkerBox->setMinimumWidth(180);
    ShowButton = button(this, QStringLiteral("Показать"), "ShowButton");
    ExcelButton = button(this, QStringLiteral("В Excel"), "ExcelButton");
    ExitButton = button(this, QStringLiteral("Выход"), "ExitButton");
    RecordLabel = new QLabel(this);
    RecordLabel->setObjectName(QStringLiteral("RecordLabel"));
    RecordLabel->hide();

    model_ = new LinesModel(lines_, this);
    AuditGrid = new QTableView(this);
    AuditGrid->setObjectName(QStringLiteral("AuditGrid"));
    AuditGrid->setModel(model_);
    AuditGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AuditGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    AuditGrid->setWordWrap(false);
    AuditGrid->verticalHeader()->setVisible(false);
    AuditGrid->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {140, 110, 100, 90, 100, 60, 130, 90};
    for (int c = 0; c < 8; ++c)
        AuditGrid->setColumnWidth(c, widths[c]);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("С:"), this));
    top->addWidget(DateFrom);
    top->addWidget(new QLabel(QStringLiteral("по:"), this));
    top->addWidget(DateTo);
    top->addWidget(TableBox);
    top->addWidget(WorkerBox);
    top->addWidget(ShowButton);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(RecordLabel);
    bottom->addStretch(1);
    bottom->addWidget(ExcelButton);
    bottom->addWidget(ExitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(AuditGrid, 1);
    layout->addLayout(bottom);
    resize(1150, 560);

    connect(ShowButton, &QPushButton::clicked, this, ui::guarded([this](bool) { showClick(); }));
    connect(ExcelButton, &QPushButton::clicked, this, ui::guarded([this](bool) { excelClick(); }));
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
}

void AuditWindow::fillWorkers() {
    const QVariant was = WorkerBox->currentData();
    WorkerBox->clear();
    WorkerBox->addItem(QStringLiteral("Все рабочие"), 0);
    auto r = app().dm->ADO_DB.query(QStringLiteral("select id, fio from accounts_dep.person order by fio, id"));
    for (int i = 0; i < r->rowCount(); ++i)
        WorkerBox->addItem(r->text(i, 1).trimmed(), r->text(i, 0).toLongLong());
    const int at = WorkerBox->findData(was);
    WorkerBox->setCurrentIndex(at < 0 ? 0 : at);
}

void AuditWindow::run() {
    recordTable_.clear();
    recordId_ = 0;
    RecordLabel->hide();
    const QDate today = QDate::currentDate();
    DateFrom->setDate(QDate(today.year(), today.month(), 1));
    DateTo->setDate(today);
    fillWorkers();
    load(filter());
    ui::execModal(this);
}

void AuditWindow::openForRecord(const QString& table, qlonglong rowId) {
    recordTable_ = table;
    recordId_ = rowId;
    RecordLabel->setText(QStringLiteral("История записи: ") + audit_log::tableCaption(table) +
                         QStringLiteral(", код ") + QString::number(rowId));
    RecordLabel->show();
    fillWorkers();
    load(filter());
    ui::execModal(this);
    recordTable_.clear();
    recordId_ = 0;
    RecordLabel->hide();
}

audit_log::Filter AuditWindow::filter() const {
    audit_log::Filter f;
    if (!recordTable_.isEmpty()) {
        f.table = recordTable_;
        f.rowId = recordId_;
        return f;
    }
    f.from = DateFrom->date();
    f.to = DateTo->date();
    f.table = TableBox->currentData().toString();
    f.worker = WorkerBox->currentData().toLongLong();
    return f;
}

void AuditWindow::load(const audit_log::Filter& f) {
    ui::HourGlass wait;
    QList<audit_log::Line> read = audit_log::read(app().dm->ADO_DB, f);
    model_->reset([&] { lines_ = std::move(read); });
}

void AuditWindow::showClick() {
    // A period, table or worker chosen leaves the history of the one record.
    recordTable_.clear();
    recordId_ = 0;
    RecordLabel->hide();
    load(filter());
}

void AuditWindow::excelClick() {
    ExcelWriter& xl = formattingWriter();
    excel::runExport(xl, [&](job::Progress& progress) {
        if (xl.open(QStringLiteral("История изменений")) != 1)
            return;
        progress.setMaximum(int(lines_.size()));
        for (int c = 0; c < kTitles.size(); ++c)
            xl.writeCell(1, c + 1, 1, kTitles[c], true, true, true);
        for (int r = 0; r < lines_.size(); ++r) {
            const QStringList cells = cellsOf(lines_[r]);
            for (int c = 0; c < cells.size(); ++c)
                xl.writeText(1, c + 1, r + 2, cells[c]);
            progress.step(r + 1);
        }
        xl.show(true);
    });
}
