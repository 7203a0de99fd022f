#include "timesheet/maintenance_journal.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include "base/closed_months.h"
#include "base/colours.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "core/format.h"
#include "core/keys.h"
#include "core/live.h"
#include "core/ui.h"
#include "timesheet/maintenance_dialog.h"
#include "timesheet/maintenance_logic.h"
#include "timesheet/window_style.h"

TForm25::TForm25(QWidget* parent) : QDialog(parent), fatigue(app().dm->ADO_DB, QStringLiteral("fatigue")) {
    setObjectName(QStringLiteral("TForm25"));
    setWindowTitle(QStringLiteral("Хоз. работы (25)"));
    fatigue.setSql(maint::dayListSql());

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->setColumns({
        {QStringLiteral("fio"), QStringLiteral("ФИО"), left, {}, true, 170},
        {QStringLiteral("s_caption"), QStringLiteral("Номенклатура"), left, {}, true, 170},
        {QStringLiteral("vid"), QStringLiteral("Работа"), left, {}, true, 110},
        {QStringLiteral("price"), QStringLiteral("Цена"), right, {}, true, 70},
        {QStringLiteral("cnt"), QStringLiteral("Кол-во"), right, {}, true, 55},
        {QStringLiteral("summ"), QStringLiteral("Итого"), right, {}, true, 75},
        {QStringLiteral("s_holiday"), QStringLiteral("Вых."), Qt::AlignCenter, {}, true, 40},
        {QStringLiteral("s_night"), QStringLiteral("Ноч."), Qt::AlignCenter, {}, true, 40},
    });
    DBGrid1->setDataset(&fatigue);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);  // Enter presses the focused button; no button is the default one
        return b;
    };
    Button5 = button(QStringLiteral("Добавить"), "Button5");
    Button6 = button(QStringLiteral("Изменить"), "Button6");
    Button7 = button(QStringLiteral("Удалить"), "Button7");
    Button1 = button(QStringLiteral("Расчитать ср.сд."), "Button1");
    Button8 = button(QStringLiteral("Выход"), "Button8");
    DTPcker1 = new QDateEdit(QDate::currentDate(), this);
    DTPcker1->setObjectName(QStringLiteral("DTPcker1"));
    DTPcker1->setCalendarPopup(true);
    DTPcker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    CBox1 = new QCheckBox(QStringLiteral("Выходной"), this);
    CBox1->setObjectName(QStringLiteral("CBox1"));
    CBox1->setAutoFillBackground(true);
    MonthClosedLabel = new QLabel(closed_months::closedText(), this);
    MonthClosedLabel->setObjectName(QStringLiteral("MonthClosedLabel"));
    MonthClosedLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    MonthClosedLabel->hide();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DTPcker1);
    bottom->addWidget(CBox1);
    bottom->addWidget(Button1);
    bottom->addWidget(MonthClosedLabel);
    bottom->addStretch(1);
    bottom->addWidget(Button5);
    bottom->addWidget(Button6);
    bottom->addWidget(Button7);
    bottom->addWidget(Button8);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);

    connect(Button5, &QPushButton::clicked, this, ui::guarded([this](bool) { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guarded([this](bool) { Button6Click(); }));
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, ui::guarded([this](const QModelIndex&) {
                if (Button6->isEnabled())
                    Button6Click();
            }));
    connect(Button7, &QPushButton::clicked, this, ui::guarded([this](bool) { Button7Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button8, &QPushButton::clicked, this, &QDialog::reject);
    connect(DTPcker1, &QDateEdit::dateChanged, this, ui::guarded([this](QDate) { DTPcker1Change(); }));
    connect(CBox1, &QCheckBox::toggled, this, ui::guarded([this](bool) { CBox1Click(); }));

    // The journal's keys, as in the shift journal.
    keys::bindButton(Button5, {QKeySequence(Qt::Key_Insert)});
    keys::bindButton(Button6, {QKeySequence(Qt::Key_F2)});
    Button6->setToolTip(keys::enterOnRowTip(Button6));
    keys::bindButton(Button7, {QKeySequence(Qt::Key_Delete)});
    connect(DBGrid1, &DbGrid::returnPressed, this, ui::guarded([this] { Button6->click(); }));
    for (auto [key, step] : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}})
        keys::bindAction(this, QKeySequence(Qt::CTRL | key),
                         [this, step = step] { DTPcker1->setDate(DTPcker1->date().addDays(step)); });
    DTPcker1->setToolTip(QStringLiteral("Предыдущий/следующий день: Ctrl+←/Ctrl+→"));

    CBox1Click();

    liveDay = new live::Follower(
        this,
        [this](const live::Change& c) {
            return fatigue.isOpen() &&
                   (c.all || (c.table == QLatin1String("accounts_dep.fatigue") && c.touchesDay(DTPcker1->date())) ||
                    c.touchesTable({QStringLiteral("accounts_dep.person"), QStringLiteral("accounts_dep.vid_oper"),
                                    QStringLiteral("cmn_classifier.item")}));
        },
        [this] {
            live::reloadKeeping(DBGrid1, QStringLiteral("id"), [this] {
                fatigue.close();
                fatigue.open();
                updateMonthState();
            });
        });
    setResizableWindow(this, QSize(790, 460));
}

void TForm25::openFor(const QDate& date, int id) {
    wantedId_ = id;
    const auto forget = qScopeGuard([this] { wantedId_ = 0; });
    {
        const QSignalBlocker block(DTPcker1);
        DTPcker1->setDate(date);
    }
    // The day-off box follows the day at every opening, as a change of the date sets it.
    CBox1->setChecked(fmt::isWeekend(date));
    ui::execModal(this);
}

void TForm25::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded([this] { FormActivate(); })();
}

void TForm25::FormActivate() {
    shiftNumber = 1;
    fatigue.close();
    fatigue.setParam(QStringLiteral("d_date"), DTPcker1->date());
    fatigue.open();
    if (wantedId_ > 0)
        fatigue.locate(QStringLiteral("id"), wantedId_);
    updateMonthState();
}

void TForm25::DTPcker1Change() {
    CBox1->setChecked(fmt::isWeekend(DTPcker1->date()));
    fatigue.close();
    fatigue.setParam(QStringLiteral("d_date"), DTPcker1->date());
    fatigue.open();
    updateMonthState();
}

void TForm25::updateMonthState() {
    monthClosed_ = closed_months::isClosed(app().dm->ADO_DB, DTPcker1->date());
    MonthClosedLabel->setVisible(monthClosed_);
    for (QPushButton* b : {Button5, Button6, Button7, Button1})
        b->setEnabled(!monthClosed_);
}

void TForm25::CBox1Click() {
    colours::paintChoice(CBox1, CBox1->isChecked(), colours::clRed);
}

void TForm25::reloadKeepingRow() {
    const int row = fatigue.recNo();
    fatigue.close();
    fatigue.open();
    if (!fatigue.isEmpty() && row > 0)
        fatigue.setRecNo(row);
}

TForm24::Day TForm25::day() const {
    return {DTPcker1->date(), CBox1->isChecked(), shiftNumber};
}

void TForm25::Button5Click() {
    if (app().form24->openForAdd(day()))
        reloadKeepingRow();
}

void TForm25::Button6Click() {
    TForm24::Entry e;
    if (fatigue.isOpen() && !fatigue.isEmpty()) {
        e.id = fatigue.field(QStringLiteral("id")).asInt();
        e.workerName = fatigue.field(QStringLiteral("fio")).asString();
        e.groupName = fatigue.field(QStringLiteral("s_caption")).asString();
        e.hours = fatigue.field(QStringLiteral("cnt")).asInt();
        e.group = fatigue.field(QStringLiteral("id_nom")).asInt();
        e.worker = fatigue.field(QStringLiteral("id_p")).asInt();
        e.kind = fatigue.field(QStringLiteral("id_o")).asInt();
        e.night = fatigue.field(QStringLiteral("i_night")).asInt() != 0;
    }
    if (app().form24->openForEdit(day(), e))
        reloadKeepingRow();
}

void TForm25::Button7Click() {
    if (!fatigue.isOpen() || fatigue.isEmpty())
        return;
    if (ui::messageBox(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"), ui::MB_QUESTION) !=
        ui::IDYES)
        return;
    maint::deleteEntry(*app().dm, fatigue.field(QStringLiteral("id")).asInt());
    reloadKeepingRow();
}

void TForm25::Button1Click() {
    const QDate d = DTPcker1->date();
    maint::computeAverageRate(*app().dm, d.month(), d.year());
    reloadKeepingRow();
}
