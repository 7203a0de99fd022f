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
#include "core/ui.h"

TForm2::TForm2(QWidget* parent)
    : QDialog(parent),
      staffpos(app().dm->ADO_DB, QStringLiteral("staffpos"), this),
      department(app().dm->ADO_DB, QStringLiteral("department"), this),
      roles(app().dm->ADO_DB, QStringLiteral("roles"), this) {
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

bool TForm2::openForAdd() {
    Edit1->clear();
    setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    Tag = 1;
    workerId = 0;
    reopenLookups();
    return ui::execModal(this) == QDialog::Accepted;
}

bool TForm2::openForEdit(const WorkerRecord& worker) {
    setWindowTitle(QStringLiteral("Изменение данных работника"));
    Tag = 2;
    reopenLookups();
    Edit1->setText(worker.fio.trimmed());
    workerId = worker.id;
    // The stored text shown where a lookup row carries it.
    for (DbLookupCombo* c : {LCB_staffpos, LCB_department}) {
        const int row = c->findText(worker.position.trimmed());
        if (row >= 0 && !worker.position.trimmed().isEmpty())
            c->setKeyValue(c->itemData(row).toLongLong());
        else
            c->clearKey();
    }
    return ui::execModal(this) == QDialog::Accepted;
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
    catalog::Worker w;
    w.id = Tag == 1 ? 0 : workerId;
    w.fio = Edit1->text();
    // A new worker gets the department shown (none: an empty text); an edit keeps the stored text unless a
    // department is chosen.
    if (Tag == 1 || LCB_department->hasKey())
        w.department = LCB_department->currentText();
    if (catalog::show(catalog::saveWorker(*app().dm, w)))
        accept();
}
