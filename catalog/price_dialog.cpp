#include "catalog/price_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "catalog/catalog_writes.h"
#include "catalog/kinds_list.h"
#include "catalog/list_helpers.h"
#include "catalog/norms_grid.h"
#include "catalog/products_list.h"
#include "core/ui.h"

TForm10::TForm10(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm10"));

    GroupBox1 = new QGroupBox(QStringLiteral("Цена операции"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, GroupBox1);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto readOnly = [this](QLineEdit*& e, const char* name) {
        e = new QLineEdit(GroupBox1);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setMinimumWidth(260);
    };
    auto picker = [this](QPushButton*& b, const char* name) {
        b = new QPushButton(QStringLiteral("..."), GroupBox1);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(true);  // Enter on a focused "..." opens its list
        b->setFixedWidth(32);
    };
    readOnly(Edit1, "Edit1");
    picker(Button3, "Button3");
    readOnly(Edit2, "Edit2");
    picker(Button4, "Button4");
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(rules::productKindNames());
    ComboBox1->setEditable(false);
    Label4 = label("Label4", QStringLiteral("Цена"));
    Edit3 = new QLineEdit(GroupBox1);
    Edit3->setObjectName(QStringLiteral("Edit3"));

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(label("Label1", QStringLiteral("Марка изделия")), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Button3, 0, 2);
    grid->addWidget(label("Label2", QStringLiteral("Операция")), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button4, 1, 2);
    grid->addWidget(label("Label3", QStringLiteral("Вид")), 2, 0);
    grid->addWidget(ComboBox1, 2, 1);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(Edit3, 3, 1);

    catalog::addSaveCancel(this, GroupBox1, Button1, Button2);
    Button2->setAutoDefault(true);  // Enter presses the focused button; from a box it saves
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guarded([this](bool) { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guarded([this](bool) { Button4Click(); }));
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, ComboBox1);
    setTabOrder(ComboBox1, Edit3);
    setTabOrder(Edit3, Button1);
}

bool TForm10::openForAdd() {
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    ComboBox1->setCurrentIndex(0);
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    Tag = 1;
    operationId = 0;
    return ui::execModal(this) == QDialog::Accepted;
}

bool TForm10::openForEdit(const OperationRecord& operation) {
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    Tag = 2;
    operationId = operation.id;
    Edit1->setText(operation.marka.trimmed());
    Edit2->setText(operation.kind.trimmed());
    ComboBox1->setCurrentIndex(operation.naimen == 0 ? 0 : 1);
    selectedProductId = operation.productId;
    selectedKindId = operation.kindId;
    return ui::execModal(this) == QDialog::Accepted;
}

void TForm10::showEvent(QShowEvent* event) {
    // The first price is asked only when an operation is added.
    Label4->setVisible(Tag == 1);
    Edit3->setVisible(Tag == 1);
    QDialog::showEvent(event);
    ui::guarded([this] { FormActivate(); })();
}

void TForm10::FormActivate() {
    Button3->setFocus();
}

void TForm10::Button3Click() {
    if (const auto product = app().form3->pick(1)) {
        Edit1->setText(product->text);
        selectedProductId = product->id;
    }
}

void TForm10::Button4Click() {
    if (const auto kind = app().form8->pick(1)) {
        Edit2->setText(kind->text);
        selectedKindId = int(kind->id);
    }
}

void TForm10::Button1Click() {
    const QString error = QStringLiteral("Ошибка");
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty() ||
        (Tag == 1 && Edit3->text().trimmed().isEmpty())) {
        ui::messageBox(QStringLiteral("Все поля должны быть заполнены!"), error, ui::MB_ERROR);
        return;
    }
    QVariant price;
    if (Tag == 1 && !TForm22::parseCell(QStringLiteral("price"), Edit3->text(), &price)) {
        ui::messageBox(QStringLiteral("Цена должна быть числом не меньше нуля!"), error, ui::MB_ERROR);
        Edit3->setFocus();
        return;
    }
    catalog::Operation o;
    o.id = Tag == 1 ? 0 : operationId;
    o.kind = selectedKindId;
    o.naimen = ComboBox1->currentIndex();
    o.product = selectedProductId;
    if (Tag == 1)
        o.firstPrice = price.toDouble();
    const catalog::Outcome done = catalog::saveOperation(*app().dm, o);
    if (!catalog::show(done)) {
        if (done.kind == catalog::Outcome::Kind::Refused)
            Edit3->setFocus();
        return;
    }
    Dataset& oper = app().dm->Oper;
    oper.close();
    oper.open();
    accept();
}
