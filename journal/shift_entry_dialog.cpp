#include "journal/shift_entry_dialog.h"

#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "catalog/list_helpers.h"
#include "catalog/operations_list.h"
#include "catalog/workers_list.h"
#include "core/format.h"
#include "core/keys.h"
#include "core/sqltext.h"
#include "core/ui.h"
#include "journal/shift_records.h"

namespace {

constexpr qlonglong kIntMax = 2147483647;  // integer columns: kol_vo, color
constexpr qlonglong kSmallMax = 32767;     // smallint columns: brak, and the time sheet's day cells

// A whole number typed into a digits-only box: digits 0 to 9 only, at most max. Empty when it is not one.
std::optional<qlonglong> wholeNumber(const QString& text, qlonglong max) {
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    QString digits = text;
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 18)
        return std::nullopt;
    const qlonglong v = digits.toLongLong();
    if (v > max)
        return std::nullopt;
    return v;
}

// A date box that Tab leaves as it leaves every other box of the dialog (day, month and year are reached by
// typing, the cursor keys and the calendar), so that Tab walks the dialog's fields in order.
class DateBox : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

}  // namespace

TForm11::TForm11(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm11"));
    setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));

    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto label = [this](QLabel*& l, const char* name, const QString& text) {
        l = new QLabel(text, GroupBox1);
        l->setObjectName(QString::fromLatin1(name));
    };
    auto edit = [this](QLineEdit*& e, const char* name) {
        e = new QLineEdit(GroupBox1);
        e->setObjectName(QString::fromLatin1(name));
    };
    auto readOnly = [&](QLineEdit*& e, const char* name) {
        edit(e, name);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    };
    // Digits only: the key filter lets Backspace and 0..9 through, the validator keeps pasted or dropped text
    // to digits too.
    auto digits = [&](QLineEdit*& e, const char* name) {
        edit(e, name);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        e->installEventFilter(this);
        keys::refuseSeparators(e);
        e->setMaximumWidth(110);
    };
    auto picker = [this](QPushButton*& b, const char* name) {
        b = new QPushButton(QStringLiteral("..."), GroupBox1);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(true);  // Enter on a focused "..." opens its list
        b->setFixedWidth(32);
    };

    label(Label1, "Label1", QStringLiteral("ФИО"));
    readOnly(Edit1, "Edit1");
    Edit1->setMinimumWidth(380);
    picker(Button3, "Button3");
    label(Label2, "Label2", QStringLiteral("Операция"));
    readOnly(Edit2, "Edit2");
    picker(Button4, "Button4");
    label(Label3, "Label3", QStringLiteral("Кол-во"));
    digits(Edit3, "Edit3");
    label(Label5, "Label5", QStringLiteral("Время"));
    digits(Edit6, "Edit6");
    Edit6->setText(QStringLiteral("0"));
    label(Label6, "Label6", QStringLiteral("Цвет"));
    digits(Edit5, "Edit5");
    label(Label7, "Label7", QStringLiteral("Дата"));
    DTimeP = new DateBox(QDate::currentDate(), GroupBox1);
    DTimeP->setObjectName(QStringLiteral("DTimeP"));
    DTimeP->setCalendarPopup(true);
    DTimeP->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    label(Label4, "Label4", QStringLiteral("Брак"));
    digits(Edit4, "Edit4");
    Edit4->setText(QStringLiteral("0"));
    label(Label8, "Label8", QStringLiteral("Цена база"));
    readOnly(Edit8, "Edit8");
    label(Label9, "Label9", QStringLiteral("Цена итог"));
    readOnly(Edit7, "Edit7");
    label(Label10, "Label10", QStringLiteral("Сумма"));
    readOnly(Edit9, "Edit9");
    for (QLineEdit* e : {Edit8, Edit7, Edit9}) {
        e->setMaximumWidth(110);
        ui::lookReadOnly(e);
    }
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10})
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 5);
    grid->addWidget(Button3, 0, 6);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1, 1, 5);
    grid->addWidget(Button4, 1, 6);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(Edit3, 2, 1);
    grid->addWidget(Label5, 2, 2);
    grid->addWidget(Edit6, 2, 3);
    grid->addWidget(Label6, 2, 4);
    grid->addWidget(Edit5, 2, 5);
    grid->addWidget(Label7, 3, 0);
    grid->addWidget(DTimeP, 3, 1);
    grid->addWidget(Label4, 3, 2);
    grid->addWidget(Edit4, 3, 3);
    grid->addWidget(Label8, 4, 0);
    grid->addWidget(Edit8, 4, 1);
    grid->addWidget(Label9, 4, 2);
    grid->addWidget(Edit7, 4, 3);
    grid->addWidget(Label10, 4, 4);
    grid->addWidget(Edit9, 4, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);

    catalog::addSaveCancel(this, GroupBox1, Button1, Button2, QStringLiteral("Запись"));
    // Enter presses the focused button; only from a box (no button focused) does it save.
    Button2->setAutoDefault(true);

    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Edit3);
    setTabOrder(Edit3, Edit6);
    setTabOrder(Edit6, Edit5);
    setTabOrder(Edit5, DTimeP);
    setTabOrder(DTimeP, Edit4);
    setTabOrder(Edit4, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guarded([this](bool) { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guarded([this](bool) { Button4Click(); }));
}

bool TForm11::isPaint(const QString& operationText) {
    return operationText.toUpper().contains(QStringLiteral("КРАСКА"));
}

void TForm11::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded([this] { FormActivate(); })();
}

void TForm11::FormActivate() {
    Button3->setFocus();
}

bool TForm11::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if ((watched == Edit1 || watched == Edit2) && type == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Edit1)
            ui::guarded([this] { Button3Click(); })();
        else
            ui::guarded([this] { Button4Click(); })();
        return true;
    }
    if (type == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1) {
            if (watched == Edit3 || watched == Edit5)
                return Edit3KeyPress(text.at(0));
            if (watched == Edit4 || watched == Edit6)
                return Edit4KeyPress(text.at(0));
        }
    }
    // Leaving the quantity or the hours for another control of the dialog recalculates (a message box or
    // another window taking the focus is not leaving).
    if ((watched == Edit3 || watched == Edit6) && type == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            ui::guarded([this] { Edit6Exit(); })();
    }
    return QDialog::eventFilter(watched, event);
}

namespace {

// Backspace and the digits pass; every other printable character is discarded. Control keys (Enter, Esc, Tab,
// shortcuts) are not characters and go on as usual.
bool discardsCharacter(QChar key) {
    if (key == QLatin1Char('\b') || (key >= QLatin1Char('0') && key <= QLatin1Char('9')))
        return false;
    return key.isPrint();
}

}  // namespace

bool TForm11::Edit3KeyPress(QChar key) {
    return discardsCharacter(key);
}

bool TForm11::Edit4KeyPress(QChar key) {
    return discardsCharacter(key);
}

void TForm11::applyPaintTest() {
    const bool paint = isPaint(Edit2->text());
    if (!paint)
        Edit5->clear();
    Edit5->setEnabled(paint);
    Label6->setEnabled(paint);
}

void TForm11::Edit6Exit() {
    if (Edit6->text().isEmpty())
        Edit6->setText(QStringLiteral("0"));
    if (Edit3->text().isEmpty())
        Edit3->setText(QStringLiteral("0"));
    Edit7->setText(fmt::general(fmt::round4(unitPrice)));
    const Dataset& oper = app().dm->Oper;
    const double base = oper.isOpen() && !oper.isEmpty() ? oper.field(QStringLiteral("cena")).asDouble() : 0;
    Edit8->setText(fmt::general(fmt::round4(base)));
    Edit9->setText(fmt::general(fmt::round4(Edit3->text().toDouble() * unitPrice)));
}

void TForm11::Button3Click() {
    const auto worker = app().form5->pick(1);
    if (worker) {
        Edit1->setText(worker->text);
        workerId = int(worker->id);
    }
    // The keyboard goes on in this dialog (not every window manager hands it back when the list closes), on
    // the operation once a worker is chosen.
    activateWindow();
    if (worker)
        Button4->setFocus();
}

void TForm11::Button4Click() {
    // An edit opens the list on the record's operation.
    const int locate = Tag != 1 && editing_ ? editing_->operId : 0;
    const auto op = app().form4->pick(1, dayOff_, shift_, locate);
    if (op) {
        productId = op->productId;
        operId = op->operId;
        unitPrice = op->unitPrice;
        Edit2->setText(op->text);
    }
    activateWindow();
    applyPaintTest();
    Edit6Exit();
    // Once an operation is chosen the quantity is typed next.
    if (op) {
        Edit3->setFocus();
        Edit3->selectAll();
    }
}

bool TForm11::validate() {
    const QString error = QStringLiteral("Ошибка");
    const bool paint = isPaint(Edit2->text());
    // The first empty field, in the order of the test; the focus goes to it (the worker and the operation are
    // reached through their "..." buttons).
    QWidget* empty = nullptr;
    if (Edit1->text().trimmed().isEmpty())
        empty = Button3;
    else if (Edit2->text().trimmed().isEmpty())
        empty = Button4;
    else if (Edit3->text().trimmed().isEmpty())
        empty = Edit3;
    else if (Edit4->text().trimmed().isEmpty())
        empty = Edit4;
    else if (paint && Edit5->text().trimmed().isEmpty())
        empty = Edit5;
    else if (Edit6->text().trimmed().isEmpty())
        empty = Edit6;
    if (empty) {
        ui::messageBox(QStringLiteral("Все поля должны быть заполнены!"), error, ui::MB_ERROR);
        empty->setFocus();
        return false;
    }
    // Each number must fit its column, so that nothing reaches the database that it would refuse half-way.
    auto refuse = [&](const QString& text, QLineEdit* field) {
        ui::messageBox(text, error, ui::MB_ERROR);
        field->setFocus();
        field->selectAll();
        return false;
    };
    const auto quantity = wholeNumber(Edit3->text().trimmed(), kIntMax);
    if (!quantity)
        return refuse(QStringLiteral("Кол-во должно быть целым числом от 0 до 2147483647!"), Edit3);
    const auto defects = wholeNumber(Edit4->text().trimmed(), kSmallMax);
    if (!defects)
        return refuse(QStringLiteral("Брак должен быть целым числом от 0 до 32767!"), Edit4);
    const QString color = Edit5->text().trimmed();
    if (!color.isEmpty() && !wholeNumber(color, kIntMax))
        return refuse(QStringLiteral("Цвет должен быть целым числом от 0 до 2147483647!"), Edit5);
    // A number the columns take; the save itself refuses a day cell above 24 hours.
    if (!wholeNumber(Edit6->text().trimmed(), kSmallMax))
        return refuse(QStringLiteral("Время должно быть целым числом от 0 до 32767!"), Edit6);
    if (*defects > *quantity)
        return refuse(QStringLiteral("Брак не может быть больше количества!"), Edit4);
    return true;
}

void TForm11::openForAdd(const QDate& date, int shift, bool dayOff) {
    shift_ = shift;
    dayOff_ = dayOff;
    editing_.reset();
    DTimeP->setDate(date);
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    Edit5->clear();
    Edit4->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));
    Tag = 1;
    ui::execModal(this);
}

void TForm11::openForEdit(const shift_records::Stored& record, int shift, bool dayOff) {
    shift_ = shift;
    dayOff_ = dayOff;
    editing_ = record;
    setWindowTitle(QStringLiteral("Изменение данных о позиции (11)"));
    Tag = 2;
    unitPrice = record.price;
    Edit7->setText(fmt::general(fmt::round4(record.price)));
    Edit9->setText(fmt::general(fmt::round4(record.quantity.toDouble() * record.price)));
    DTimeP->setDate(record.date);
    Edit1->setText(record.fio);
    Edit2->setText(operationText(record));
    Edit3->setText(record.quantity);
    Edit4->setText(record.defects);
    workerId = record.workerId;
    productId = record.productId;
    operId = record.operId;
    Edit6->setText(QString::number(record.hours));
    // The operations list opens on the record's operation; until one is picked the dialog shows no base price.
    Dataset& oper = app().dm->Oper;
    oper.close();
    oper.setFilter(QStringLiteral("id=") + QString::number(operId));
    oper.setFiltered(false);
    const bool paint = isPaint(record.vid);
    if (paint)
        Edit5->setText(QString::number(record.color));
    else
        Edit5->clear();
    Edit5->setEnabled(paint);
    Label6->setEnabled(paint);
    ui::execModal(this);
}

QString TForm11::operationText(const shift_records::Stored& record) {
    return record.marka + QStringLiteral("; ") + record.vid + QStringLiteral("; ") +
           rules::productKindText(record.naimen);
}

void TForm11::reloadJournal() {
    Dataset& journal = app().dm->smena(shift_);
    const int recNo = journal.recNo();
    journal.close();
    journal.open();
    if (journal.recordCount() >= 1 && recNo >= 1)
        journal.setRecNo(recNo);
}

void TForm11::Button1Click() {
    if (!validate())
        return;
    const QString error = QStringLiteral("Ошибка");
    const bool add = Tag == 1;
    if (!add && !editing_) {
        ui::messageBox(QStringLiteral("Изменяемая позиция не найдена в журнале!"), error, ui::MB_ERROR);
        return;
    }

    shift_sql::Record r;
    r.workerId = workerId;
    r.productId = productId;
    r.operId = operId;
    r.priceText = shift_sql::priceText(unitPrice);
    r.quantity = Edit3->text().trimmed();
    r.defects = Edit4->text().trimmed();
    r.date = DTimeP->date();
    r.shift = shift_;
    const QString color = Edit5->text().trimmed();
    r.color = color.isEmpty() ? 0 : color.toInt();
    r.hours = Edit6->text().trimmed();

    // Every refusal is shown once the transaction has ended, so no other workstation waits on a message box.
    shift_records::Stored current;
    const WriteOutcome outcome =
        shift_records::save(*app().dm, r, add ? std::nullopt : editing_, QDate::currentDate(), &current);
    switch (outcome.status) {
        case WriteOutcome::Saved:
            break;
        case WriteOutcome::Duplicate:
            ui::messageBox(QStringLiteral("Позиция с такими параметрами уже заведена!"), error, ui::MB_ERROR);
            return;
        case WriteOutcome::Refused:
            ui::messageBox(outcome.reason, error, ui::MB_ERROR);
            Edit6->setFocus();
            Edit6->selectAll();
            return;
        case WriteOutcome::NotFound:
            reloadJournal();
            ui::messageBox(QStringLiteral("Запись уже удалена с другого рабочего места."), error, ui::MB_ERROR);
            return;
        case WriteOutcome::Changed:
            // The typed values stay; a second "Запись" saves them over the record as it now stands.
            editing_ = current;
            reloadJournal();
            ui::messageBox(QStringLiteral("Запись изменена с другого рабочего места. Журнал обновлён; «Запись» "
                                          "сохранит введённые данные поверх."),
                           error, ui::MB_ERROR);
            return;
    }

    // The journal shows the saved record, on the row it showed before where that row still exists.
    reloadJournal();
    // Time-sheet windows read the changed rows when next opened.
    TDataModule6& dm = *app().dm;
    dm.H_Tabel_1.close();
    dm.H_Tabel_2.close();
    dm.H_Tabel_3.close();

    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        e->clear();
    accept();
}
