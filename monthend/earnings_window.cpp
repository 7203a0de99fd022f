#include "monthend/earnings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "catalog/workers_list.h"
#include "core/dataset.h"
#include "core/excel_writer.h"
#include "core/report/report_layouter.h"
#include "core/ui.h"
#include "monthend/earnings.h"
#include "reports/report_preview.h"

namespace {

QPushButton* button(QWidget* parent, const QString& text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// The workers list's tag for this window's pick.
constexpr int kPickTag = 28;

}  // namespace

EarningsWindow::EarningsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EarningsWindow"));
    setWindowTitle(QStringLiteral("Расчетный листок"));
    MonthBox = new QComboBox(this);
    MonthBox->setObjectName(QStringLiteral("MonthBox"));
    MonthBox->addItems(rules::monthNames());
    YearBox = new QComboBox(this);
    YearBox->setObjectName(QStringLiteral("YearBox"));
    YearBox->addItems(rules::yearList());
    WorkerEdit = new QLineEdit(this);
    WorkerEdit->setObjectName(QStringLiteral("WorkerEdit"));
    WorkerEdit->setReadOnly(true);
    WorkerEdit->setMinimumWidth(220);
    PickButton = button(this, QStringLiteral("..."), "PickButton");
    AllWorkers = new QCheckBox(QStringLiteral("Все рабочие"), this);
    AllWorkers->setObjectName(QStringLiteral("AllWorkers"));
    PrintButton = button(this, QStringLiteral("Печать"), "PrintButton");
    ExcelButton = button(this, QStringLiteral("Excel"), "ExcelButton");
    ExitButton = button(this, QStringLiteral("Выход"), "ExitButton");

    auto* month = new QHBoxLayout;
    month->addWidget(new QLabel(QStringLiteral("Месяц:"), this));
    month->addWidget(MonthBox);
    month->addWidget(YearBox);
    month->addStretch(1);
    auto* who = new QHBoxLayout;
    who->addWidget(new QLabel(QStringLiteral("Рабочий:"), this));
    who->addWidget(WorkerEdit, 1);
    who->addWidget(PickButton);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(PrintButton);
    bottom->addWidget(ExcelButton);
    bottom->addWidget(ExitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(month);
    layout->addLayout(who);
    layout->addWidget(AllWorkers);
    layout->addStretch(1);
    layout->addLayout(bottom);

    connect(PickButton, &QPushButton::clicked, this, ui::guarded([this](bool) { pickClick(); }));
    connect(AllWorkers, &QCheckBox::toggled, this, ui::guarded([this](bool) { updateButtons(); }));
    connect(PrintButton, &QPushButton::clicked, this, ui::guarded([this](bool) { printClick(); }));
    connect(ExcelButton, &QPushButton::clicked, this, ui::guarded([this](bool) { excelClick(); }));
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
}

int EarningsWindow::month() const {
    return MonthBox->currentIndex() + 1;
}

int EarningsWindow::year() const {
    return YearBox->currentText().toInt();
}

int EarningsWindow::chosenWorker() const {
    return AllWorkers->isChecked() ? 0 : worker;
}

void EarningsWindow::openFor(const QDate& date) {
    MonthBox->setCurrentIndex(date.month() - 1);
    int at = YearBox->findText(QString::number(date.year()));
    if (at < 0) {
        YearBox->addItem(QString::number(date.year()));
        at = YearBox->count() - 1;
    }
    YearBox->setCurrentIndex(at);
    updateButtons();
    ui::execModal(this);
}

void EarningsWindow::updateButtons() {
    const bool some = AllWorkers->isChecked() || worker > 0;
    PrintButton->setEnabled(some);
    ExcelButton->setEnabled(some);
    WorkerEdit->setEnabled(!AllWorkers->isChecked());
    PickButton->setEnabled(!AllWorkers->isChecked());
}

void EarningsWindow::pickClick() {
    if (const auto picked = app().form5->pick(kPickTag)) {
        worker = int(picked->id);
        WorkerEdit->setText(picked->text);
    }
    updateButtons();
}

void EarningsWindow::printClick() {
    Dataset rows(app().dm->ADO_DB, QStringLiteral("earnings"));
    rows.setSql(earnings::rowsSql(year(), month(), chosenWorker()));
    {
        ui::HourGlass wait;
        rows.open();
    }
    if (rows.isEmpty()) {
        ui::messageBox(QStringLiteral("За этот месяц нет ни записей, ни хоз. работ."), QStringLiteral("Информация"),
                       ui::MB_INFO);
        return;
    }
    const report::Layout pages =
        report::layout(earnings::layout(MonthBox->currentText() + QLatin1Char(' ') + YearBox->currentText()), &rows);
    report::preview(pages, this);
}

void EarningsWindow::excelClick() {
    Dataset rows(app().dm->ADO_DB, QStringLiteral("earnings"));
    rows.setSql(earnings::rowsSql(year(), month(), chosenWorker()));
    rows.open();
    ExcelWriter& xl = formattingWriter();
    if (xl.open(QStringLiteral("Расчетный листок")) != 1)
        return;
    xl.writeCell(
        1, 1, 1,
        QStringLiteral("Расчетный листок за ") + MonthBox->currentText() + QLatin1Char(' ') + YearBox->currentText(),
        true, false, true);
    const QStringList titles = {QStringLiteral("Дата"),    QStringLiteral("См."),  QStringLiteral("Операция"),
                                QStringLiteral("Изделие"), QStringLiteral("Цвет"), QStringLiteral("Кол-во"),
                                QStringLiteral("Брак"),    QStringLiteral("Цена"), QStringLiteral("Часы"),
                                QStringLiteral("Сумма")};
    int r = 2;
    auto money = [](const Field& f) { return f.isNull() ? QString() : QString::number(f.asDouble(), 'f', 2); };
    for (rows.first(); !rows.eof();) {
        const int w = rows.field(QStringLiteral("w_id")).asInt();
        ++r;
        xl.writeCell(1, 1, r, rows.field(QStringLiteral("fio")).asString().trimmed(), true, true, true);
        ++r;
        for (int c = 0; c < titles.size(); ++c)
            xl.writeCell(1, c + 1, r, titles[c], true, true, true);
        QString allHours, allMoney, rate;
        while (!rows.eof() && rows.field(QStringLiteral("w_id")).asInt() == w) {
            ++r;
            if (!rows.field(QStringLiteral("data")).isNull())
                xl.writeText(1, 1, r,
                             rows.field(QStringLiteral("data")).asDate().toString(QStringLiteral("dd.MM.yyyy")));
            xl.writeCell(1, 2, r, rows.field(QStringLiteral("smena")).asString());
            xl.writeText(1, 3, r, rows.field(QStringLiteral("operation")).asString().trimmed());
            xl.writeText(1, 4, r, rows.field(QStringLiteral("marka")).asString().trimmed());
            if (!rows.field(QStringLiteral("color")).isNull())
                xl.writeText(1, 5, r, rules::colourText(rows.field(QStringLiteral("color")).asInt()).trimmed());
            xl.writeCell(1, 6, r, rows.field(QStringLiteral("kol_vo")).asString());
            xl.writeCell(1, 7, r, rows.field(QStringLiteral("brak")).asString());
            if (!rows.field(QStringLiteral("cena")).isNull())
                xl.writeCell(1, 8, r, QString::number(rows.field(QStringLiteral("cena")).asDouble(), 'g', 15));
            xl.writeCell(1, 9, r, rows.field(QStringLiteral("hours")).asString());
            xl.writeCell(1, 10, r, money(rows.field(QStringLiteral("summa"))));
            allHours = rows.field(QStringLiteral("all_hours")).asString();
            allMoney = money(rows.field(QStringLiteral("all_money")));
            rate = money(rows.field(QStringLiteral("rate")));
            rows.next();
        }
        ++r;
        xl.writeCell(1, 3, r, QStringLiteral("Итого"), true, false, true);
        xl.writeCell(1, 9, r, allHours, false, false, true);
        xl.writeCell(1, 10, r, allMoney, false, false, true);
        ++r;
        xl.writeCell(1, 3, r, QStringLiteral("За час"), true, false, true);
        xl.writeCell(1, 10, r, rate, false, false, true);
        ++r;
    }
    xl.show(true);
}
