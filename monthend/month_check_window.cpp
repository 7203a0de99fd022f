#include "monthend/month_check_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/closed_months.h"
#include "base/colours.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "core/dataset_model.h"
#include "core/excel_writer.h"
#include "core/format.h"
#include "core/job.h"
#include "core/report/report_layouter.h"
#include "core/ui.h"
#include "monthend/month_checks.h"
#include "reports/report_preview.h"
#include "timesheet/month_rebuild.h"

namespace {

QPushButton* button(QWidget* parent, const QString& text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

MonthCheckWindow::MonthCheckWindow(QWidget* parent)
    : QDialog(parent),
      checks(app().dm->ADO_DB, QStringLiteral("checks"), this),
      findings(app().dm->ADO_DB, QStringLiteral("findings"), this) {
    setObjectName(QStringLiteral("MonthCheckWindow"));
    setWindowTitle(QStringLiteral("Проверка месяца"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    MonthBox = new QComboBox(this);
    MonthBox->setObjectName(QStringLiteral("MonthBox"));
    MonthBox->addItems(rules::monthNames());
    YearBox = new QComboBox(this);
    YearBox->setObjectName(QStringLiteral("YearBox"));
    YearBox->addItems(rules::yearList());
    ClosedLabel = new QLabel(closed_months::closedText(), this);
    ClosedLabel->setObjectName(QStringLiteral("ClosedLabel"));
    ClosedLabel->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    ClosedLabel->hide();

    ChecksGrid = new DbGrid(this);
    ChecksGrid->setObjectName(QStringLiteral("ChecksGrid"));
    ChecksGrid->setDataset(&checks);
    ChecksGrid->setColumns(
        {{QStringLiteral("name"), QStringLiteral("Проверка"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 420},
         {QStringLiteral("cnt"), QStringLiteral("Найдено"), Qt::AlignCenter, {}, true, 80}});
    FindingsGrid = new DbGrid(this);
    FindingsGrid->setObjectName(QStringLiteral("FindingsGrid"));
    FindingsGrid->setDataset(&findings);
    FindingsGrid->setColumns(
        {{QStringLiteral("data"), QStringLiteral("Дата"), Qt::AlignCenter, {}, true, 90},
         {QStringLiteral("smena"), QStringLiteral("Смена"), Qt::AlignCenter, {}, true, 60},
         {QStringLiteral("fio"), QStringLiteral("Рабочий"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 200},
         {QStringLiteral("what"), QStringLiteral("Что найдено"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 380}});

    FixButton = button(this, QStringLiteral("Исправить"), "FixButton");
    PrintButton = button(this, QStringLiteral("Печать"), "PrintButton");
    ExcelButton = button(this, QStringLiteral("Excel"), "ExcelButton");
    ExitButton = button(this, QStringLiteral("Выход"), "ExitButton");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Месяц:"), this));
    top->addWidget(MonthBox);
    top->addWidget(YearBox);
    top->addWidget(ClosedLabel);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(FixButton);
    bottom->addStretch(1);
    bottom->addWidget(PrintButton);
    bottom->addWidget(ExcelButton);
    bottom->addWidget(ExitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ChecksGrid, 2);
    layout->addWidget(new QLabel(QStringLiteral("Найдено (двойной щелчок открывает запись):"), this));
    layout->addWidget(FindingsGrid, 3);
    layout->addLayout(bottom);
    resize(860, 640);

    auto reload = ui::guarded([this](int) { load(); });
    connect(MonthBox, &QComboBox::currentIndexChanged, this, reload);
    connect(YearBox, &QComboBox::currentIndexChanged, this, reload);
    connect(&checks, &Dataset::currentChanged, this, ui::guarded([this](int) { showFindings(); }));
    connect(FindingsGrid, &QAbstractItemView::doubleClicked, this,
            ui::guarded([this](const QModelIndex&) { openFinding(); }));
    connect(FindingsGrid, &DbGrid::returnPressed, this, ui::guarded([this] { openFinding(); }));
    connect(FixButton, &QPushButton::clicked, this, ui::guarded([this](bool) { fixClick(); }));
    connect(PrintButton, &QPushButton::clicked, this, ui::guarded([this](bool) { printClick(); }));
    connect(ExcelButton, &QPushButton::clicked, this, ui::guarded([this](bool) { excelClick(); }));
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
}

int MonthCheckWindow::month() const {
    return MonthBox->currentIndex() + 1;
}

int MonthCheckWindow::year() const {
    return YearBox->currentText().toInt();
}

int MonthCheckWindow::currentCheck() const {
    if (!checks.isOpen() || checks.isEmpty())
        return 0;
    return checks.field(QStringLiteral("n")).asInt();
}

void MonthCheckWindow::openFor(const QDate& date, std::optional<login::Mode> mode) {
    mode_ = mode;
    {
        const QSignalBlocker b1(MonthBox), b2(YearBox);
        MonthBox->setCurrentIndex(date.month() - 1);
        int at = YearBox->findText(QString::number(date.year()));
        if (at < 0) {
            YearBox->addItem(QString::number(date.year()));
            at = YearBox->count() - 1;
        }
        YearBox->setCurrentIndex(at);
    }
    load();
    ui::execModal(this);
    findings.close();
    checks.close();
}

void MonthCheckWindow::load() {
    ui::HourGlass wait;
    const int keep = checks.isOpen() ? checks.recNo() : 1;
    findings.close();
    checks.close();
    checks.setSql(month_check::countsSql(year(), month()));
    checks.open();
    checks.setRecNo(std::max(keep, 1));
    closed_ = closed_months::isClosed(app().dm->ADO_DB, QDate(year(), month(), 1));
    ClosedLabel->setVisible(closed_);
    showFindings();
}

void MonthCheckWindow::showFindings() {
    findings.close();
    const int n = currentCheck();
    if (n > 0) {
        findings.setSql(month_check::findingsSql(n, year(), month()));
        findings.open();
    }
    updateFix();
}

void MonthCheckWindow::updateFix() {
    const int n = currentCheck();
    const int found = n > 0 ? checks.field(QStringLiteral("cnt")).asInt() : 0;
    // The rebuild of the piece-work sheet deletes time-sheet rows: full access only. The maintenance cells are
    // written by the maintenance journal, open in every mode.
    const bool allowed =
        n == month_check::MaintenanceCells || (n == month_check::PieceCells && mode_ && *mode_ == login::Mode::Full);
    FixButton->setEnabled(allowed && found > 0 && !closed_);
}

void MonthCheckWindow::openFinding() {
    if (!findings.isOpen() || findings.isEmpty() || findings.field(QStringLiteral("data")).isNull())
        return;
    const QString src = findings.field(QStringLiteral("src")).asString();
    const QDate date = findings.field(QStringLiteral("data")).asDate();
    const int shift =
        findings.field(QStringLiteral("smena")).isNull() ? 1 : findings.field(QStringLiteral("smena")).asInt();
    const int id = findings.field(QStringLiteral("id")).isNull() ? 0 : findings.field(QStringLiteral("id")).asInt();
    if (src == QLatin1String("smena"))
        accept();  // the journal is the window below: it shows the record once this one is gone
    emit recordWanted(src, date, shift, id);
}

void MonthCheckWindow::fixClick() {
    const int n = currentCheck();
    const int m = month(), y = year();
    if (n == month_check::PieceCells) {
        job::run(QStringLiteral("Пересчет табеля"), [&](job::Progress& progress) {
            progress.setMaximum(fmt::daysInMonth(y, m));
            progress.setText(QStringLiteral("Пересчет табеля за месяц…"));
            timesheet::rebuildMonth(app().dm->ADO_DB, m, y, [&progress](int day) { progress.step(day); });
        });
    } else if (n == month_check::MaintenanceCells) {
        month_check::fixMaintenanceCells(*app().dm, y, m);
    }
    load();
}

void MonthCheckWindow::printClick() {
    Dataset rows(app().dm->ADO_DB, QStringLiteral("check_print"));
    rows.setSql(month_check::printRowsSql(year(), month()));
    rows.open();
    const report::Layout pages =
        report::layout(month_check::printLayout(QStringLiteral("Проверка месяца: ") + MonthBox->currentText() +
                                                QLatin1Char(' ') + YearBox->currentText()),
                       &rows);
    report::preview(pages, this);
}

void MonthCheckWindow::excelClick() {
    ExcelWriter& xl = formattingWriter();
    if (xl.open(QStringLiteral("Проверка месяца")) != 1)
        return;
    xl.writeCell(
        1, 1, 1,
        QStringLiteral("Проверка месяца: ") + MonthBox->currentText() + QLatin1Char(' ') + YearBox->currentText(), true,
        false, true);
    int r = 3;
    const QStringList titles = {QStringLiteral("Проверка"), QStringLiteral("Дата"), QStringLiteral("Смена"),
                                QStringLiteral("Рабочий"), QStringLiteral("Что найдено")};
    for (int c = 0; c < titles.size(); ++c)
        xl.writeCell(1, c + 1, 2, titles[c], true, true, true);
    Dataset rows(app().dm->ADO_DB, QStringLiteral("check_print"));
    rows.setSql(month_check::printRowsSql(year(), month()));
    rows.open();
    QString last;
    for (rows.first(); !rows.eof(); rows.next(), ++r) {
        const QString heading = rows.field(QStringLiteral("heading")).asString();
        if (heading != last) {
            xl.writeCell(1, 1, r, heading, true, true, true);
            last = heading;
            if (rows.field(QStringLiteral("data")).isNull())
                continue;
            ++r;
        }
        xl.writeText(1, 2, r, rows.field(QStringLiteral("data")).asDate().toString(QStringLiteral("dd.MM.yyyy")));
        xl.writeCell(1, 3, r, rows.field(QStringLiteral("smena")).asString());
        xl.writeText(1, 4, r, rows.field(QStringLiteral("fio")).asString());
        xl.writeText(1, 5, r, rows.field(QStringLiteral("what")).asString());
    }
    xl.show(true);
}
