#include "timesheet/nomenclature_picker.h"

#include <QHeaderView>

#include "base/datamodule.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "timesheet/window_style.h"

namespace {

Dataset* groupList() {
    auto* groups = new Dataset(app().dm->ADO_DB, QStringLiteral("item"));
    groups->setSql(QStringLiteral("select * from cmn_classifier.item where id_level=2 order by s_caption"));
    return groups;
}

}  // namespace

TForm26::TForm26(QWidget* parent) : TForm26(parent, groupList()) {}

TForm26::TForm26(QWidget* parent, Dataset* groups)
    : ListWindow(parent, {.objectName = "TForm26",
                          .title = QStringLiteral("Номенклатура (26)"),
                          .size = {440, 420},
                          .columns = {{QStringLiteral("s_caption"),
                                       QStringLiteral("Наименование"),
                                       Qt::AlignLeft | Qt::AlignVCenter,
                                       {},
                                       true,
                                       380}},
                          .dataset = groups,
                          .searchField = QStringLiteral("s_caption"),
                          .searchTakesAllKeys = true,
                          .searchBesideButtons = true,
                          .pickerOnly = true,
                          .searchHint = QStringLiteral("Поиск по наименованию")}),
      item(*groups) {
    groups->setParent(this);
    DBGrid1->horizontalHeader()->setStretchLastSection(false);
    setFixedWindow(this, QSize(440, 420));
}

std::optional<catalog::Picked> TForm26::pick(int tag) {
    return runPickMode(tag);
}

void TForm26::Button2Click() {
    // An empty list hands no group and an empty name.
    if (item.isOpen() && !item.isEmpty())
        handOver({item.field(QStringLiteral("id")).asLongLong(), item.field(QStringLiteral("s_caption")).asString()});
    else
        handOver({});
}
