#include "catalog/kinds_list.h"

#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
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
           .searchTakesAllKeys = true}) {
    Edit1->hide();
}

void TForm8::runList() {
    app().dm->Vid_oper.setFiltered(false);
    runListMode();
}

bool TForm8::runPick(int tag) {
    return runPickMode(tag);
}

void TForm8::Button1Click() {
    TForm9* dlg = app().form9;
    dlg->Edit1->clear();
    dlg->setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    dlg->Tag = 1;
    ui::execModal(dlg);
}

void TForm8::Button2Click() {
    Dataset& kinds = app().dm->Vid_oper;
    if (Tag != 0) {
        // Pick mode: hand the current kind to the caller, then close.
        if (pickCurrentRow())
            pickedId = kinds.field(QStringLiteral("id")).asInt();
        return;
    }
    if (kinds.recordCount() == 0)
        return;
    TForm9* dlg = app().form9;
    dlg->setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    dlg->Tag = 2;
    dlg->Edit1->setText(kinds.field(QStringLiteral("vid")).asString().trimmed());
    ui::execModal(dlg);
}

void TForm8::Button3Click() {
    Dataset& kinds = app().dm->Vid_oper;
    if (kinds.recordCount() == 0)
        return;
    if (ui::messageBox(QStringLiteral("Удалить вид операции?"), QStringLiteral("Удаление"), ui::MB_QUESTION) !=
        ui::IDYES)
        return;
    kinds.remove();
    kinds.close();
    kinds.open();
}
