#include "catalog/worker_dialog.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWheelEvent>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/list_helpers.h"
#include "catalog/lookup_combo.h"
#include "core/sqltext.h"
#include "core/ui.h"

QString workerInsertSql(const QString& fio, const QString& department) {
    return QStringLiteral("INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES(") + sql::quote(fio) +
           QStringLiteral(", ") + sql::quote(department) + QStringLiteral(")");
}

QString workerUpdateSql(const QString& fio, const QString& department, int id) {
    return QStringLiteral("UPDATE accounts_dep.person SET fio=") + sql::quote(fio) +
           QStringLiteral(", s_staffpos_hl=") + sql::quote(department) +
           QStringLiteral(" where accounts_dep.person.id=") + sql::num(qlonglong(id));
}

TForm2::TForm2(QWidget* parent)
    : QDialog(parent),
      staffpos(app().dm->ADO_DB, QStringLiteral("staffpos"), this),
      department(app().dm->ADO_DB, QStringLiteral("department"), this),
      roles(app().dm->ADO_DB, QStringLiteral("roles"), this),
      cmd_person(app().dm->ADO_DB) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Данные о работнике"));

    staffpos.setSql(QStringLiteral("select * from hrms_staffpos.staffpos order by s_caption"));
    department.setSql(QStringLiteral("select * from cmn_department.department order by s_caption"));
    roles.setSql(QStringLiteral("select * from adm_role.roles order by s_caption"));

    auto* group = new QGroupBox(QStringLiteral("Данные о работнике"), this);
    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(254);
    Edit1->setMinimumWidth(360);
    auto lookup = [group](const char* name, Dataset* ds) {
        auto* c = new DbLookupCombo(group);
        c->setObjectName(QLatin1String(name));
        c->setDataset(ds, QStringLiteral("id"), QStringLiteral("s_caption"));
        return c;
    };
    LCB_staffpos = lookup("LCB_staffpos", &staffpos);
    LCB_department = lookup("LCB_department", &department);
    LCB_roles = lookup("LCB_roles", &roles);

    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("ФИО"), Edit1);
    form->addRow(QStringLiteral("Должность"), LCB_staffpos);
    form->addRow(QStringLiteral("Подразделение"), LCB_department);
    form->addRow(QStringLiteral("Роль"), LCB_roles);

    catalog::addSaveCancel(this, group, Button1, Button2);

    // The wheel anywhere on the dialog moves the focused lookup.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    catalog::onClick(Button1, this, [this] { Button1Click(); });
}

void TForm2::reopenLookups() {
    for (Dataset* ds : {&staffpos, &department, &roles}) {
        ds->close();
        ds->open();
    }
}

void TForm2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm2::FormActivate() {
    Edit1->setFocus();
}

bool TForm2::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Wheel && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
        // One step per notch; a touchpad's small deltas add up to notches.
        wheelRest_ += static_cast<QWheelEvent*>(e)->angleDelta().y();
        while (wheelRest_ >= 120) {
            wheelRest_ -= 120;
            FormMouseWheelUp();
        }
        while (wheelRest_ <= -120) {
            wheelRest_ += 120;
            FormMouseWheelDown();
        }
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TForm2::sendKeyToFocusedLookup(int key) {
    for (DbLookupCombo* c : {LCB_roles, LCB_staffpos, LCB_department}) {
        if (!c->hasFocus())
            continue;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(c, &press);
    }
}

void TForm2::FormMouseWheelDown() {
    sendKeyToFocusedLookup(Qt::Key_Down);
}
void TForm2::FormMouseWheelUp() {
    sendKeyToFocusedLookup(Qt::Key_Up);
}

void TForm2::Button1Click() {
    const QString fio = Edit1->text().trimmed();
    if (fio.isEmpty()) {
        ui::messageBox(QStringLiteral("ФИО нужно заполнить!"), QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    const QString dept = LCB_department->currentText();
    cmd_person.setText(Tag == 1 ? workerInsertSql(fio, dept) : workerUpdateSql(fio, dept, workerId));
    cmd_person.execute();
    accept();
}
