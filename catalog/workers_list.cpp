#include "catalog/workers_list.h"

#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/catalog_writes.h"
#include "catalog/worker_dialog.h"
#include "core/ui.h"

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
           .searchTakesAllKeys = true,
           .searchHint = QStringLiteral("Поиск по фамилии")}) {}

void TForm5::runList() {
    runListMode();
}

std::optional<catalog::Picked> TForm5::pick(int tag) {
    return runPickMode(tag);
}

void TForm5::Button1Click() {
    app().form2->openForAdd();
    Dataset& workers = app().dm->Workers;
    workers.close();
    workers.open();
}

void TForm5::Button2Click() {
    Dataset& workers = app().dm->Workers;
    if (Tag != 0) {
        // Pick mode: hand the current worker to the caller, then close.
        pickCurrentRow();
        return;
    }
    if (workers.recordCount() == 0)
        return;
    const int recNo = workers.recNo();
    app().form2->openForEdit({workers.field(QStringLiteral("id")).asInt(),
                              workers.field(QStringLiteral("fio")).asString().trimmed(),
                              workers.field(QStringLiteral("s_staffpos_hl")).asString()});
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
    if (!catalog::show(catalog::deleteWorker(*app().dm, workers.field(QStringLiteral("id")).asInt())))
        return;
    workers.close();
    workers.open();
    if (workers.recordCount() > 0)
        workers.setRecNo(recNo);
}
