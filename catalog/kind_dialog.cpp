#include "catalog/kind_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/list_helpers.h"
#include "core/ui.h"

TForm9::TForm9(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm9"));
    setWindowTitle(QStringLiteral("Вид операции"));

    auto* group = new QGroupBox(QStringLiteral("Вид операции"), this);
    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(128);
    Edit1->setMinimumWidth(320);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Операция"), Edit1);

    catalog::addSaveCancel(this, group, Button1, Button2);

    catalog::onClick(Button1, this, [this] { Button1Click(); });
}

bool TForm9::openForAdd() {
    Edit1->clear();
    setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Tag = 1;
    kindId = 0;
    return ui::execModal(this) == QDialog::Accepted;
}

bool TForm9::openForEdit(int id, const QString& name) {
    setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Tag = 2;
    kindId = id;
    Edit1->setText(name.trimmed());
    return ui::execModal(this) == QDialog::Accepted;
}

void TForm9::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm9::FormActivate() {
    Edit1->setFocus();
}

void TForm9::Button1Click() {
    const catalog::Outcome done = catalog::saveKind(*app().dm, {Tag == 1 ? 0 : kindId, Edit1->text()});
    if (!catalog::show(done))
        return;
    Dataset& kinds = app().dm->Vid_oper;
    kinds.close();
    kinds.open();
    accept();
}
