#include "catalog/price_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/kinds_list.h"
#include "catalog/list_helpers.h"
#include "catalog/norms_grid.h"
#include "catalog/products_list.h"
#include "core/ui.h"

namespace price_sql {

QString addCheck(int kindId, int naimen, qlonglong productId) {
    return QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=") + QString::number(kindId) +
           QStringLiteral(" and naimen=") + QString::number(naimen) + QStringLiteral(" and i_id=") +
           QString::number(productId);
}

QString insert(int kindId, int naimen, qlonglong productId) {
    return QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new)values (") +
           QString::number(kindId) + QStringLiteral(", ") + QString::number(naimen) + QStringLiteral(", ") +
           QString::number(productId) + QStringLiteral(", 0)");
}

QString editCheck(int kindId, int naimen, qlonglong productId, int operId) {
    return QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=") + QString::number(kindId) +
           QStringLiteral(" and naimen=") + QString::number(naimen) + QStringLiteral(" and i_id=") +
           QString::number(productId) + QStringLiteral(" and id<>") + QString::number(operId);
}

QString update(int kindId, int naimen, qlonglong productId, int operId) {
    return QStringLiteral("update accounts_dep.oper set vid=") + QString::number(kindId) + QStringLiteral(", naimen=") +
           QString::number(naimen) + QStringLiteral(",  i_id=") + QString::number(productId) +
           QStringLiteral(" where id=") + QString::number(operId);
}

}  // namespace price_sql

TForm10::TForm10(QWidget* parent)
    : QDialog(parent),
      Norm_ins(app().dm->ADO_DB, QStringLiteral("insert into accounts_dep.norm(o_id, price) ") + QLatin1Char('\n') +
                                     QStringLiteral("values (:o_id, :price)")) {
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
    ComboBox1->addItems({QStringLiteral("Готовая продукция"), QStringLiteral("Заготовки")});
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
    TForm3* products = app().form3;
    if (products->runPick(1)) {
        Edit1->setText(products->pickedText.trimmed());
        selectedProductId = products->pickedId;
    }
}

void TForm10::Button4Click() {
    TForm8* kinds = app().form8;
    if (kinds->runPick(1)) {
        Edit2->setText(kinds->pickedText.trimmed());
        selectedKindId = kinds->pickedId;
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
    if (Tag == 1 && (!TForm22::parseCell(QStringLiteral("price"), Edit3->text(), &price) || price.toDouble() < 0)) {
        ui::messageBox(QStringLiteral("Цена должна быть числом не меньше нуля!"), error, ui::MB_ERROR);
        Edit3->setFocus();
        return;
    }
    const int naimen = ComboBox1->currentIndex();
    TDataModule6& dm = *app().dm;
    const int operId = Tag == 1 ? 0 : dm.Oper.field(QStringLiteral("id")).asInt();
    const QString check = Tag == 1 ? price_sql::addCheck(selectedKindId, naimen, selectedProductId)
                                   : price_sql::editCheck(selectedKindId, naimen, selectedProductId, operId);
    bool duplicate = false;
    {
        // The duplicate check and the write are one step for every workstation saving the same kind. The
        // message about a duplicate waits until the transaction is over, so no other workstation waits on it.
        Transaction t(dm.ADO_DB);
        dm.ADO_DB.exec(QStringLiteral("select pg_advisory_xact_lock(10, ") + QString::number(selectedKindId) +
                       QLatin1Char(')'));
        duplicate = dm.controlInt(check, QStringLiteral("cnt")) > 0;
        if (!duplicate && Tag == 1) {
            dm.Oper_ins.setText(price_sql::insert(selectedKindId, naimen, selectedProductId));
            dm.Oper_ins.execute();
            // Its first norm, so that the new operation shows in the list (it lists operations with norms).
            const int newId =
                dm.controlInt(QStringLiteral("select currval(pg_get_serial_sequence('accounts_dep.oper', 'id')) as id"),
                              QStringLiteral("id"));
            Norm_ins.setParam(QStringLiteral("o_id"), newId);
            Norm_ins.setParam(QStringLiteral("price"), price.toDouble());
            Norm_ins.execute();
        } else if (!duplicate) {
            dm.Oper_ed.setText(price_sql::update(selectedKindId, naimen, selectedProductId, operId));
            dm.Oper_ed.execute();
        }
        if (!duplicate)
            t.commit();
    }
    if (duplicate) {
        ui::messageBox(QStringLiteral("Операция с такими параметрами уже заведена!"), error, ui::MB_ERROR);
        return;
    }
    dm.Oper.close();
    dm.Oper.open();
    accept();
}
