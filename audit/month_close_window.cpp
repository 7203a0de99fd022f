#include "audit/month_close_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "audit/month_close.h"
#include "base/closed_months.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "core/ui.h"

namespace {

const QString kCaption = QStringLiteral("Закрытие месяцев");

QPushButton* button(QWidget* parent, const QString& text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

MonthCloseWindow::MonthCloseWindow(QWidget* parent)
    : QDialog(parent), months(app().dm->ADO_DB, QStringLiteral("months"), this) {
    setObjectName(QStringLiteral("MonthCloseWindow"));
    setWindowTitle(kCaption);
    months.setSql(month_close::monthsSql());

    MonthsGrid = new DbGrid(this);
    MonthsGrid->setObjectName(QStringLiteral("MonthsGrid"));
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    MonthsGrid->setColumns({
        {QStringLiteral("caption"), QStringLiteral("Месяц"), left, {}, true, 130},
        {QStringLiteral("state"), QStringLiteral("Состояние"), left, {}, true, 90},
        {QStringLiteral("closed_by"), QStringLiteral("Закрыл"), left, {}, true, 110},
        {QStringLiteral("closed_at"), QStringLiteral("Когда"), left, {}, true, 160},
        {QStringLiteral("records"), QStringLiteral("Записей"), right, {}, true, 70},
        {QStringLiteral("unaccepted"), QStringLiteral("Не принято"), right, {}, true, 80},
        {QStringLiteral("entries"), QStringLiteral("Хоз. работ"), right, {}, true, 80},
    });
    MonthsGrid->horizontalHeader()->setStretchLastSection(true);
    MonthsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A closed month in bold.
    MonthsGrid->datasetModel()->setCellRule([](const Dataset& ds, int row, const GridColumn&, int role) -> QVariant {
        if (role != Qt::FontRole)
            return {};
        const int col = ds.columnIndex(QStringLiteral("state"));
        if (col < 0 || ds.textAt(row, col) != QStringLiteral("Закрыт"))
            return {};
        QFont f;
        f.setBold(true);
        return f;
    });
    MonthsGrid->setDataset(&months);

    CloseMonthButton = button(this, QStringLiteral("Закрыть месяц"), "CloseMonthButton");
    ReopenMonthButton = button(this, QStringLiteral("Открыть месяц"), "ReopenMonthButton");
    ExitButton = button(this, QStringLiteral("Выход"), "ExitButton");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CloseMonthButton);
    bottom->addWidget(ReopenMonthButton);
    bottom->addStretch(1);
    bottom->addWidget(ExitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MonthsGrid, 1);
    layout->addLayout(bottom);
    resize(760, 420);

    connect(CloseMonthButton, &QPushButton::clicked, this, ui::guarded([this](bool) { closeMonthClick(); }));
    connect(ReopenMonthButton, &QPushButton::clicked, this, ui::guarded([this](bool) { reopenMonthClick(); }));
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&months, &Dataset::currentChanged, this, [this](int) { updateButtons(); });
    connect(&months, &Dataset::reset, this, [this] { updateButtons(); });
    updateButtons();
}

void MonthCloseWindow::run() {
    months.close();
    months.open();
    ui::execModal(this);
}

void MonthCloseWindow::reload() {
    const int year = months.isOpen() && !months.isEmpty() ? months.field(QStringLiteral("year")).asInt() : 0;
    const int month = months.isOpen() && !months.isEmpty() ? months.field(QStringLiteral("month")).asInt() : 0;
    months.close();
    months.open();
    for (int r = 1; r <= months.recordCount(); ++r) {
        months.setRecNo(r);
        if (months.field(QStringLiteral("year")).asInt() == year &&
            months.field(QStringLiteral("month")).asInt() == month)
            break;
    }
    updateButtons();
}

void MonthCloseWindow::updateButtons() {
    const bool has = months.isOpen() && !months.isEmpty();
    const bool closed = has && months.field(QStringLiteral("state")).asString() == QStringLiteral("Закрыт");
    CloseMonthButton->setEnabled(has && !closed);
    ReopenMonthButton->setEnabled(has && closed);
}

void MonthCloseWindow::closeMonthClick() {
    if (!months.isOpen() || months.isEmpty())
        return;
    const int year = months.field(QStringLiteral("year")).asInt();
    const int month = months.field(QStringLiteral("month")).asInt();
    Db& db = app().dm->ADO_DB;
    const month_close::Summary s = month_close::summary(db, year, month);
    if (ui::messageBox(month_close::confirmText(s), kCaption, ui::MB_QUESTION) != ui::IDYES)
        return;
    const WriteOutcome done = month_close::close(db, year, month);
    reload();
    if (!done.ok())
        ui::messageBox(done.reason, kCaption, ui::MB_ERROR);
}

void MonthCloseWindow::reopenMonthClick() {
    if (!months.isOpen() || months.isEmpty())
        return;
    const int year = months.field(QStringLiteral("year")).asInt();
    const int month = months.field(QStringLiteral("month")).asInt();
    ReasonDialog ask(this);
    ask.Label1->setText(QStringLiteral("Причина открытия месяца ") + closed_months::caption(year, month) +
                        QLatin1Char(':'));
    if (ui::execModal(&ask) != QDialog::Accepted)
        return;
    const WriteOutcome done = month_close::reopen(app().dm->ADO_DB, year, month, ask.reason());
    reload();
    if (!done.ok())
        ui::messageBox(done.reason, kCaption, ui::MB_ERROR);
}

ReasonDialog::ReasonDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReasonDialog"));
    setWindowTitle(QStringLiteral("Открытие месяца"));
    Label1 = new QLabel(QStringLiteral("Причина:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ReasonEdit = new QLineEdit(this);
    ReasonEdit->setObjectName(QStringLiteral("ReasonEdit"));
    ReasonEdit->setMaxLength(500);
    OkButton = button(this, QStringLiteral("Открыть"), "OkButton");
    OkButton->setDefault(true);
    CancelButton = button(this, QStringLiteral("Отмена"), "CancelButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ReasonEdit);
    layout->addLayout(buttons);
    resize(420, 120);
    // An empty reason does not close the dialog.
    connect(OkButton, &QPushButton::clicked, this, ui::guarded([this](bool) {
                if (reason().isEmpty()) {
                    ui::messageBox(QStringLiteral("Укажите причину открытия месяца."), QStringLiteral("Ошибка"),
                                   ui::MB_ERROR);
                    ReasonEdit->setFocus();
                    return;
                }
                accept();
            }));
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString ReasonDialog::reason() const {
    return ReasonEdit->text().trimmed();
}
