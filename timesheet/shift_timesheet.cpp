#include "timesheet/shift_timesheet.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "base/colours.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "core/excel_writer.h"
#include "core/format.h"
#include "core/job.h"
#include "core/live.h"
#include "core/ui.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/timesheet_print.h"
#include "timesheet/window_style.h"

TForm19::TForm19(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm19"));
    setWindowTitle(QStringLiteral("Табель по времени"));
    setResizableWindow(this, QSize(1220, 640));

    auto named = [](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    DBGrid1 = named(new DbGrid, "DBGrid1");
    DBGrid2 = named(new DbGrid, "DBGrid2");
    DBGrid3 = named(new DbGrid, "DBGrid3");
    grids_ = {DBGrid1, DBGrid2, DBGrid3};
    Button1 = named(new QPushButton(QStringLiteral("Перестроить")), "Button1");
    PB = named(new QProgressBar, "PB");
    Button2 = named(new QPushButton(QStringLiteral("Excel")), "Button2");
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox2 = named(new QComboBox(this), "ComboBox2");
    Button5 = named(new QPushButton(QStringLiteral("Обновить"), this), "Button5");
    Button6 = named(new QPushButton(QStringLiteral("Печать"), this), "Button6");
    Button4 = named(new QPushButton(QStringLiteral("Выход"), this), "Button4");

    auto* first = new QWidget;
    auto* firstLayout = new QVBoxLayout(first);
    auto* tools = new QHBoxLayout;
    tools->addWidget(Button1);
    tools->addWidget(PB, 1);
    tools->addWidget(Button2);
    tools->addStretch();
    firstLayout->addLayout(tools);
    firstLayout->addWidget(DBGrid1);
    PageControl1->addTab(first, QStringLiteral("Смена №1"));
    for (DbGrid* g : {DBGrid2, DBGrid3}) {
        auto* page = new QWidget;
        auto* l = new QVBoxLayout(page);
        l->addWidget(g);
        PageControl1->addTab(page, g == DBGrid2 ? QStringLiteral("Смена №2") : QStringLiteral("Смена №3"));
    }
    PB->setMinimum(1);
    PB->setTextVisible(true);
    PB->hide();

    ComboBox1->addItems(rules::monthNames());
    ComboBox2->addItems(rules::yearList());

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ComboBox1);
    bottom->addWidget(ComboBox2);
    bottom->addStretch();
    bottom->addWidget(Button5);
    bottom->addWidget(Button6);
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(bottom);

    // No button is the default one; Enter presses the focused button.
    for (QPushButton* b : {Button1, Button2, Button5, Button6, Button4})
        b->setAutoDefault(true);

    for (int i = 0; i < 3; ++i) {
        DbGrid* g = grids_[size_t(i)];
        g->setDataset(&app().dm->hTabel(i + 1));
        g->setColumns(columns());
        g->datasetModel()->setCellRule(
            [this](const Dataset& ds, int row, const GridColumn& c, int role) { return cellStyle(ds, row, c, role); });
        g->horizontalHeader()->setMinimumSectionSize(20);
        // The current cell is marked, not a whole row: the day columns keep their colours.
        g->setSelectionBehavior(QAbstractItemView::SelectItems);
    }
    for (DayMark& m : marks_)
        m.color = colours::windowText();

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, ui::guarded([this](int) { ComboBox1Change(); }));
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, ui::guarded([this](int) { ComboBox1Change(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guarded([this](bool) { Button2Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guarded([this](bool) { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guarded([this](bool) { Button6Click(); }));
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);

    liveMonth = new live::Follower(
        this,
        [this](const live::Change& c) {
            static const QStringList tables{QStringLiteral("accounts_dep.h_tabel"),
                                            QStringLiteral("accounts_dep.smena"),
                                            QStringLiteral("cmn_contractor.person")};
            return app().dm->hTabel(1).isOpen() && c.touchesTable(tables) && c.touchesMonth(year(), month());
        },
        [this] {
            for (int s = 1; s <= 3; ++s) {
                Dataset& ds = app().dm->hTabel(s);
                live::reloadKeeping(grids_[size_t(s - 1)], QStringLiteral("id"), [&ds] {
                    ds.close();
                    ds.open();
                });
            }
        });
}

QList<GridColumn> TForm19::columns() const {
    QList<GridColumn> cols;
    cols << GridColumn{
        QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 190};
    for (int k = 1; k <= 31; ++k) {
        GridColumn c{rules::dayField(k), QString::number(k), Qt::AlignCenter, {}, true, 28};
        const DayMark& mark = marks_[size_t(k - 1)];
        c.titleColor = mark.readOnly ? colours::clSilver : mark.color;
        c.nullText = QStringLiteral("0");  // nothing recorded reads as 0 (and shows silver)
        cols << c;
    }
    cols << GridColumn{QStringLiteral("summ"), QStringLiteral("Итого"), Qt::AlignCenter, {}, true, 52};
    return cols;
}

int TForm19::month() const {
    return ComboBox1->currentIndex() + 1;
}
int TForm19::year() const {
    return ComboBox2->currentText().toInt();
}

void TForm19::selectYear(int y) {
    const QString text = QString::number(y);
    int i = ComboBox2->findText(text);
    if (i < 0) {
        // A year outside the list is added in its place in the order.
        i = 0;
        while (i < ComboBox2->count() && ComboBox2->itemText(i).toInt() < y)
            ++i;
        ComboBox2->insertItem(i, text);
    }
    ComboBox2->setCurrentIndex(i);
}

void TForm19::openFor(const QDate& date) {
    {
        const QSignalBlocker b1(ComboBox1), b2(ComboBox2);
        ComboBox1->setCurrentIndex(date.month() - 1);
        selectYear(date.year());
    }
    // A month that fails to load is reported; the window opens all the same.
    ui::guarded([this] { ComboBox1Change(); })();
    ui::execModal(this);
    for (int s = 1; s <= 3; ++s)
        app().dm->hTabel(s).close();
}

void TForm19::ComboBox1Change() {
    const int m = month(), y = year();
    const QDate first = QDate::fromString(QStringLiteral("01.%1.%2").arg(m).arg(y), QStringLiteral("dd.M.yyyy"));
    const QDate next = first.addMonths(1);
    for (int s = 1; s <= 3; ++s) {
        Dataset& ds = app().dm->hTabel(s);
        ds.close();
        ds.setParam(QStringLiteral("mnth"), m);
        ds.setParam(QStringLiteral("yea"), y);
        ds.setParam(QStringLiteral("date1"), first);
        ds.setParam(QStringLiteral("date2"), next);
        ds.open();
        markMonth(grids_[size_t(s - 1)], m, y);
    }
}

void TForm19::markMonth(DbGrid* grid, int m, int y) {
    const int days = fmt::daysInMonth(y, m);
    for (int k = 1; k <= 31; ++k) {
        DayMark& mark = marks_[size_t(k - 1)];
        if (k <= days) {
            mark.color = fmt::isWeekend(QDate(y, m, k)) ? colours::clRed : colours::windowText();
            mark.readOnly = false;
        } else {
            mark.color = colours::windowBackground();
            mark.readOnly = true;
        }
    }
    grid->setColumns(columns());
}

QVariant TForm19::cellStyle(const Dataset& ds, int row, const GridColumn& c, int role) const {
    if (c.field == QLatin1String("summ")) {
        if (role == Qt::BackgroundRole)
            return colours::kTotals;
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    }
    const int k = rules::dayOfField(c.field);
    if (!k)
        return {};
    const DayMark& mark = marks_[size_t(k - 1)];
    const int col = ds.columnIndex(c.field);
    const int v = col < 0 || ds.isNullAt(row, col) ? 0 : ds.valueAt(row, col).toInt();
    QColor color = mark.color;
    bool bold = false;
    QColor back;
    if (v == 0) {
        if (color != colours::clRed)
            color = colours::clSilver;
        if (mark.readOnly)
            color = colours::windowBackground();
    } else if (v == 8) {
        bold = true;
        if (color != colours::clRed)
            color = colours::windowText();
    } else if (v > 8) {
        bold = true;
        back = colours::clMoneyGreen;
    }
    switch (role) {
        case Qt::ForegroundRole:
            return color;
        case Qt::BackgroundRole:
            return back.isValid() ? QVariant(back) : QVariant();
        case Qt::FontRole: {
            if (!bold)
                return {};
            QFont f;
            f.setBold(true);
            return f;
        }
        default:
            return {};
    }
}

void TForm19::reopenShifts() {
    for (int s = 1; s <= 3; ++s)
        app().dm->hTabel(s).open();
}

void TForm19::Button1Click() {
    const int m = month(), y = year();
    for (int s = 1; s <= 3; ++s)
        app().dm->hTabel(s).close();
    const int days = fmt::daysInMonth(y, m);
    PB->setMaximum(days);
    PB->setValue(1);
    PB->show();
    PB->repaint();
    try {
        // A cancel between days, or while a day's statement runs, rolls the rebuild back: the month stays as it was.
        job::run(QStringLiteral("Пересчет табеля"), [&](job::Progress& progress) {
            progress.setMaximum(days);
            progress.setText(QStringLiteral("Пересчет табеля за месяц…"));
            timesheet::rebuildMonth(app().dm->ADO_DB, m, y, [this, &progress](int day) {
                PB->setValue(day);
                progress.step(day);
            });
        });
    } catch (...) {
        // The month is as it was; the grids show it again.
        PB->hide();
        try {
            reopenShifts();
        } catch (...) {
        }
        throw;
    }
    reopenShifts();
    PB->hide();
}

void TForm19::Button5Click() {
    for (int s = 1; s <= 3; ++s)
        app().dm->hTabel(s).refresh();
}

void TForm19::Button6Click() {
    TForm15* f = app().form15;
    f->H_Tabel.close();
    f->H_Tabel.setParam(QStringLiteral("mnth"), month());
    f->H_Tabel.setParam(QStringLiteral("yea"), year());
    f->H_Tabel.open();
    f->QuickRep1.item(QStringLiteral("QRLabel33")).text =
        ComboBox1->currentText() + QLatin1Char(' ') + ComboBox2->currentText() + QStringLiteral(" г.");
    f->QuickRep1.item(QStringLiteral("QRLabelHead")).text =
        timesheet::printedHeading(ComboBox1->currentText(), ComboBox2->currentText());
    try {
        f->Preview(this);
    } catch (...) {
        f->H_Tabel.close();
        throw;
    }
    f->H_Tabel.close();
}

void TForm19::Button2Click() {
    Dataset& h = app().form15->H_Tabel;
    // The summed sheet is closed however the export ends.
    const auto closer = qScopeGuard([&h] { h.close(); });
    ExcelWriter& xl = formattingWriter();
    excel::runExport(xl, [&](job::Progress& progress) {
        h.close();
        h.setParam(QStringLiteral("mnth"), month());
        h.setParam(QStringLiteral("yea"), year());
        h.open();
        if (xl.open(QStringLiteral("Табель ") + ComboBox1->currentText() + QLatin1Char(' ') +
                    ComboBox2->currentText()) == -1)
            return;
        xl.show(false);
        const int n = h.recordCount();
        progress.setMaximum(n);
        Button2->setText(QStringLiteral("Excel (0 из %1)").arg(n));
        timesheet::writeExport(xl, h, ComboBox1->currentText() + QLatin1Char(' ') + QString::number(year()),
                               [&](int row) {
                                   Button2->setText(QStringLiteral("Excel (%1 из %2)").arg(row).arg(n));
                                   progress.step(row);
                               });
        xl.show(true);
    });
}

void TForm19::FormActivate() {
    Button2->setText(QStringLiteral("Excel"));
}

void TForm19::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TForm19::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void timesheet::writeExport(ExcelWriter& xl, Dataset& h, const QString& heading,
                            const std::function<void(int row)>& rowWritten) {
    xl.writeCell(1, 1, 1, heading, true, true, true);
    xl.writeCell(1, 1, 2, QStringLiteral("Фамилия И.О."), true, true, true);
    for (int k = 1; k <= 31; ++k)
        xl.writeCell(1, k + 1, 2, QString::number(k), false, true, true);
    xl.writeCell(1, 33, 2, QStringLiteral("Итого"), true, true, true);
    QString days[32];  // the day fields' names, made once
    for (int k = 1; k <= 31; ++k)
        days[k] = QStringLiteral("sd%1").arg(k);
    int r = 3;
    h.first();
    while (!h.eof()) {
        xl.writeCell(1, 1, r, h.field(QStringLiteral("fio")).asString(), true, true, false);
        qlonglong total = 0;
        for (int k = 1; k <= 31; ++k) {
            const int v = h.field(days[k]).asInt();  // a day without hours is written as 0
            total += v;
            xl.writeCell(1, k + 1, r, QString::number(v), false, true, false);
        }
        xl.writeCell(1, 33, r, QString::number(total), false, true, false);
        h.next();
        ++r;
        if (rowWritten)
            rowWritten(r - 3);
    }
}
