#include "catalog/workers_list.h"

#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/worker_dialog.h"
#include "core/sqltext.h"
#include "core/ui.h"

QString workerDeleteSql(int id) {
    return QStringLiteral("delete from accounts_dep.person where id =") + sql::num(qlonglong(id));
}

TForm5::TForm5(QWidget* parent)
    : ListWindow(
          parent,
          {.objectName = "TForm5",
           .title = QStringLiteral("Список рабочих"),
           .size = {620, 520},
           .columns = {{QStringLiteral("fio"), QStringLiteral("ФИО"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 300},
                       {QStringLiteral("s_staffpos_hl"),
                        QStringLiteral("Должность"),
                        Qt::AlignLeft | Qt::AlignVCenter,
                        {},
                        true,
                        0}},
           .dataset = &app().dm->Workers,
           .searchField = QStringLiteral("fio"),
           .searchInListMode = true,
           .searchTakesAllKeys = true}) {}

void TForm5::runList() {
    runListMode();
}

bool TForm5::runPick(int tag) {
    return runPickMode(tag);
}

void TForm5::Button1Click() {
    TForm2* dlg = app().form2;
    Dataset& workers = app().dm->Workers;
    dlg->Edit1->clear();
    dlg->setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    dlg->Tag = 1;
    dlg->reopenLookups();
    ui::execModal(dlg);
    workers.close();
    workers.open();
}

void TForm5::Button2Click() {
    Dataset& workers = app().dm->Workers;
    if (Tag != 0) {
        // Pick mode: hand the current worker to the caller, then close.
        if (pickCurrentRow())
            pickedId = workers.field(QStringLiteral("id")).asInt();
        return;
    }
    if (workers.recordCount() == 0)
        return;
    TForm2* dlg = app().form2;
    const int recNo = workers.recNo();
    dlg->setWindowTitle(QStringLiteral("Изменение данных работника"));
    dlg->Tag = 2;
    dlg->reopenLookups();
    dlg->Edit1->setText(workers.field(QStringLiteral("fio")).asString().trimmed());
    dlg->workerId = workers.field(QStringLiteral("id")).asInt();
    ui::execModal(dlg);
    workers.close();
    workers.open();
    if (workers.recordCount() > 0)
        workers.setRecNo(recNo);
    accept();
}

void TForm5::Button3Click() {
    Dataset& workers = app().dm->Workers;
    if (workers.recordCount() == 0)
        return;
    if (ui::messageBox(QStringLiteral("Удалить работника?"), QStringLiteral("Удаление"), ui::MB_QUESTION) != ui::IDYES)
        return;
    const int recNo = workers.recNo();
    Command& cmd = app().form2->cmd_person;
    cmd.setText(workerDeleteSql(workers.field(QStringLiteral("id")).asInt()));
    cmd.execute();
    workers.close();
    workers.open();
    if (workers.recordCount() > 0)
        workers.setRecNo(recNo);
}
