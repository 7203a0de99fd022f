#include "timesheet/maintenance_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QVBoxLayout>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/workers_list.h"
#include "core/format.h"
#include "core/keys.h"
#include "core/ui.h"
#include "timesheet/maintenance_logic.h"
#include "timesheet/nomenclature_picker.h"
#include "timesheet/window_style.h"

namespace {
const QString kError = QStringLiteral("Ошибка");
}

TForm24::TForm24(QWidget* parent) : QDialog(parent), type_work(app().dm->ADO_DB, QStringLiteral("type_work")) {
    setObjectName(QStringLiteral("TForm24"));
    setWindowTitle(QStringLiteral("Хоз. работы/среднесдельная (24)"));
    type_work.setSql(maint::typeWorkSql());
    type_work.setParam(QStringLiteral("cnt"), 0.0);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    named(GroupBox1, "GroupBox1");
    Label1 = new QLabel(QStringLiteral("ФИО"), GroupBox1);
    named(Label1, "Label1");
    Edit1 = new QLineEdit(GroupBox1);
    named(Edit1, "Edit1");
    Edit1->setReadOnly(true);
    Button3 = new QPushButton(QStringLiteral("..."), GroupBox1);
    named(Button3, "Button3");
    Label2 = new QLabel(QStringLiteral("Номенклатура"), GroupBox1);
    named(Label2, "Label2");
    Edit2 = new QLineEdit(GroupBox1);
    named(Edit2, "Edit2");
    Edit2->setReadOnly(true);
    Button4 = new QPushButton(QStringLiteral("..."), GroupBox1);
    named(Button4, "Button4");
    for (QPushButton* b : {Button3, Button4}) {
        b->setAutoDefault(true);  // Enter presses the focused button; from a box it saves
        b->setFixedWidth(32);
    }
    cb_type_work = new QComboBox(GroupBox1);
    named(cb_type_work, "cb_type_work");
    Edit6 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    named(Edit6, "Edit6");
    Edit6->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), Edit6));
    Edit6->setAlignment(Qt::AlignRight);
    Label8 = new QLabel(QStringLiteral("ч.    Цена"), GroupBox1);
    named(Label8, "Label8");
    DBEdit1 = new QLineEdit(GroupBox1);
    named(DBEdit1, "DBEdit1");
    DBEdit1->setEnabled(false);
    DBEdit1->setAlignment(Qt::AlignRight);
    Label3 = new QLabel(QStringLiteral("р.    Сумма"), GroupBox1);
    named(Label3, "Label3");
    DBEdit2 = new QLineEdit(GroupBox1);
    named(DBEdit2, "DBEdit2");
    DBEdit2->setEnabled(false);
    DBEdit2->setAlignment(Qt::AlignRight);
    CBox1 = new QCheckBox(QStringLiteral("Ночные"), GroupBox1);
    named(CBox1, "CBox1");
    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    named(Button1, "Button1");
    Button1->setDefault(true);
    Button6 = new QPushButton(QStringLiteral("Выход"), this);
    named(Button6, "Button6");
    Button6->setAutoDefault(true);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 5);
    grid->addWidget(Button3, 0, 6);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1, 1, 5);
    grid->addWidget(Button4, 1, 6);
    grid->addWidget(cb_type_work, 2, 1, 1, 5);
    grid->addWidget(Edit6, 3, 1);
    grid->addWidget(Label8, 3, 2);
    grid->addWidget(DBEdit1, 3, 3);
    grid->addWidget(Label3, 3, 4);
    grid->addWidget(DBEdit2, 3, 5);
    grid->addWidget(CBox1, 4, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
    // The day and the night flag the entry is written to.
    LabelDay = new QLabel(this);
    named(LabelDay, "LabelDay");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(LabelDay);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button6);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);

    connect(Button3, &QPushButton::clicked, this, ui::guarded([this](bool) { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guarded([this](bool) { Button4Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button6, &QPushButton::clicked, this, &QDialog::reject);
    connect(Edit6, &QLineEdit::textChanged, this, ui::guarded([this](const QString&) { Edit6Exit(); }));
    connect(cb_type_work, &QComboBox::currentIndexChanged, this, ui::guarded([this](int) { cb_type_workChange(); }));
    connect(&type_work, &Dataset::reset, this, ui::guarded([this] { fillKinds(); }));
    connect(CBox1, &QCheckBox::toggled, this, ui::guarded([this](bool) { showDay(); }));
    keys::refuseSeparators(Edit6);

    setFixedWindow(this, QSize(470, 250));
}

bool TForm24::openForAdd(const Day& d) {
    day = d;
    openKinds();
    Tag = 0;
    entryId = 0;
    Edit1->clear();
    Edit2->clear();
    Edit6->setText(QStringLiteral("0"));
    CBox1->setChecked(false);
    CBox1->setEnabled(true);
    workerId = 0;
    groupId = 0;
    selectKind(maint::kMaintenance);
    return run();
}

bool TForm24::openForEdit(const Day& d, const Entry& entry) {
    day = d;
    Tag = 1;
    openKinds();
    Edit1->setText(entry.workerName);
    Edit2->setText(entry.groupName);
    Edit6->setText(entry.id == 0 ? QString() : QString::number(entry.hours));
    groupId = entry.group;
    workerId = entry.worker;
    entryId = entry.id;
    selectKind(entry.kind);
    CBox1->setChecked(entry.night);
    CBox1->setEnabled(false);
    return run();
}

QString TForm24::dayText(const Day& day, bool night) {
    QString text = QStringLiteral("Запись на ") + fmt::date(day.date);
    if (day.dayOff)
        text += QStringLiteral(", выходной");
    if (night)
        text += QStringLiteral(", ночные");
    return text;
}

void TForm24::showDay() {
    LabelDay->setText(dayText(day, CBox1->isChecked()));
}

bool TForm24::run() {
    saved_ = false;
    showDay();
    const auto close = qScopeGuard([this] { closeKinds(); });
    ui::execModal(this);
    return saved_;
}

void TForm24::openKinds() {
    type_work.open();
}

void TForm24::closeKinds() {
    type_work.close();
}

void TForm24::fillKinds() {
    const QSignalBlocker block(cb_type_work);
    cb_type_work->clear();
    if (type_work.isOpen()) {
        const int current = type_work.recNo();
        for (int r = 1; r <= type_work.recordCount(); ++r) {
            type_work.setRecNo(r);
            cb_type_work->addItem(type_work.field(QStringLiteral("vid")).asString().trimmed(),
                                  type_work.field(QStringLiteral("id")).asInt());
        }
        type_work.setRecNo(current);
        cb_type_work->setCurrentIndex(current - 1);
    }
    showPrice();
}

void TForm24::selectKind(int id) {
    cb_type_work->setCurrentIndex(cb_type_work->findData(id));
    cb_type_workChange();
}

int TForm24::selectedKind() const {
    return cb_type_work->currentIndex() < 0 ? 0 : cb_type_work->currentData().toInt();
}

void TForm24::cb_type_workChange() {
    if (type_work.isOpen() && cb_type_work->currentIndex() >= 0)
        type_work.setRecNo(cb_type_work->currentIndex() + 1);
    showPrice();
}

void TForm24::Edit6Exit() {
    showPrice();
}

// The kind's hourly price and its sum for the entered hours.
void TForm24::showPrice() {
    const bool has =
        type_work.isOpen() && cb_type_work->currentIndex() >= 0 && !type_work.field(QStringLiteral("price")).isNull();
    if (!has) {
        DBEdit1->clear();
        DBEdit2->clear();
        return;
    }
    const double price = type_work.field(QStringLiteral("price")).asDouble();
    DBEdit1->setText(fmt::general(price));
    DBEdit2->setText(fmt::general(fmt::round4(price * Edit6->text().toInt())));
}

void TForm24::Button3Click() {
    if (const auto worker = app().form5->pick(24)) {
        Edit1->setText(worker->text);
        workerId = int(worker->id);
    }
}

void TForm24::Button4Click() {
    if (const auto group = app().form26->pick(24)) {
        groupId = int(group->id);
        Edit2->setText(group->text);
    }
}

void TForm24::Button1Click() {
    if (groupId == 0 || workerId == 0) {
        ui::messageBox(QStringLiteral("Все поля должны быть заполнены!"), kError, ui::MB_ERROR);
        return;
    }
    bool numeric = false;
    const int hours = Edit6->text().trimmed().toInt(&numeric);
    if (!numeric || hours < 1) {
        ui::messageBox(QStringLiteral("Нужно завести количество!"), kError, ui::MB_ERROR);
        return;
    }
    if (!type_work.isOpen() || cb_type_work->currentIndex() < 0 || type_work.field(QStringLiteral("price")).isNull()) {
        ui::messageBox(QStringLiteral("Не задана цена вида работ!"), kError, ui::MB_ERROR);
        return;
    }
    const bool dayOff = day.dayOff;
    maint::Entry e;
    e.group = groupId;
    e.kind = selectedKind();
    e.worker = workerId;
    e.date = day.date;
    e.shift = day.shift;
    e.hours = hours;
    e.price = type_work.field(QStringLiteral("price")).asDouble() * (dayOff ? 2 : 1);
    e.holiday = dayOff ? 1 : 0;
    e.night = CBox1->isChecked() ? 1 : 0;
    const WriteOutcome outcome = maint::saveEntry(*app().dm, e, Tag == 0 ? 0 : entryId);
    if (outcome.status == WriteOutcome::Refused) {
        // Nothing written: the dialog stays open with what was typed.
        ui::messageBox(outcome.reason, kError, ui::MB_ERROR);
        Edit6->setFocus();
        Edit6->selectAll();
        return;
    }
    saved_ = true;  // also when the entry was gone: the journal shows that
    if (outcome.status == WriteOutcome::NotFound)
        ui::messageBox(QStringLiteral("Запись уже удалена с другого рабочего места."), kError, ui::MB_ERROR);
    reject();
}
