#include "catalog/kind_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/lock_keys.h"
#include "base/registry.h"
#include "catalog/list_helpers.h"
#include "core/sqltext.h"
#include "core/ui.h"

QString kindDuplicateSql(const QString& upperName) {
    return QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=") +
           sql::quote(upperName);
}

QString kindDuplicateSql(const QString& upperName, int ownId) {
    return kindDuplicateSql(upperName) + QStringLiteral(" and id<>") + sql::num(qlonglong(ownId));
}

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

void TForm9::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm9::FormActivate() {
    Edit1->setFocus();
}

void TForm9::Button1Click() {
    TDataModule6& dm = *app().dm;
    Dataset& kinds = dm.Vid_oper;
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        ui::messageBox(QStringLiteral("Все поля должны быть заполнены!"), QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    const QString upper = name.toUpper();
    const bool add = Tag == 1;
    {
        // The check and the write as one, serialised per name between workstations.
        Transaction t(dm.ADO_DB);
        dm.ADO_DB.exec(lock_keys::kindName(upper));
        const int ownId = add ? 0 : kinds.field(QStringLiteral("id")).asInt();
        if (dm.CheckCount(add ? kindDuplicateSql(upper) : kindDuplicateSql(upper, ownId),
                          QStringLiteral("Такая операция уже заведена!")))
            return;
        try {
            if (add)
                kinds.append();
            else
                kinds.edit();
            kinds.setFieldValue(QStringLiteral("vid"), name);
            kinds.post();
        } catch (...) {
            kinds.cancel();
            throw;
        }
        t.commit();
    }
    kinds.close();
    kinds.open();
    accept();
}
