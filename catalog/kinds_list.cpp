#include "catalog/kinds_list.h"

#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/catalog_writes.h"
#include "catalog/kind_dialog.h"
#include "core/ui.h"

TForm8::TForm8(QWidget* parent)
    : ListWindow(
          parent,
          {.objectName = "TForm8",
           .title = QStringLiteral("Виды операций (8)"),
           .size = {460, 520},
           .columns =
               {{QStringLiteral("VID"), QStringLiteral("Операции"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 0}},
           .dataset = &app().dm->Vid_oper,
           .searchField = QStringLiteral("vid"),
           .searchTakesAllKeys = true,
           .searchHint = QStringLiteral("Поиск по виду операции")}) {
    Edit1->hide();
}

void TForm8::runList() {
    app().dm->Vid_oper.setFiltered(false);
    runListMode();
}

std::optional<catalog::Picked> TForm8::pick(int tag) {
    return runPickMode(tag);
}

void TForm8::Button1Click() {
    app().form9->openForAdd();
}

void TForm8::Button2Click() {
    Dataset& kinds = app().dm->Vid_oper;
    if (Tag != 0) {
        // Pick mode: hand the current kind to the caller, then close.
        pickCurrentRow();
        return;
    }
    if (kinds.recordCount() == 0)
        return;
    app().form9->openForEdit(kinds.field(QStringLiteral("id")).asInt(), kinds.field(QStringLiteral("vid")).asString());
}

void TForm8::Button3Click() {
    Dataset& kinds = app().dm->Vid_oper;
    if (kinds.recordCount() == 0)
        return;
    if (ui::messageBox(QStringLiteral("Удалить вид операции?"), QStringLiteral("Удаление"), ui::MB_QUESTION) !=
        ui::IDYES)
        return;
    if (!catalog::show(catalog::deleteKind(*app().dm, kinds.field(QStringLiteral("id")).asInt())))
        return;
    kinds.close();
    kinds.open();
}
