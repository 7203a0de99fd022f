#include "catalog/products_list.h"

#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/lookup_combo.h"
#include "catalog/product_dialog.h"
#include "core/ui.h"

QDate productDeleteDateBound(const QDate& today) {
    int m = today.month();
    if (m == 1)
        m = 13;
    return QDate(2000, m - 1, 1);
}

TForm3::TForm3(QWidget* parent)
    : ListWindow(
          parent,
          {.objectName = "TForm3",
           .title = QStringLiteral("Изделия (3)"),
           .size = {760, 560},
           .columns =
               {{QStringLiteral("marka"),
                 QStringLiteral("Марка изделия"),
                 Qt::AlignLeft | Qt::AlignVCenter,
                 {},
                 true,
                 300},
                {QStringLiteral("nom"),
                 QStringLiteral("Номенклатурная группа"),
                 Qt::AlignLeft | Qt::AlignVCenter,
                 {},
                 true,
                 280},
                {QStringLiteral("massa"), QStringLiteral("Коробки"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 0}},
           .dataset = &app().dm->Izdel,
           .searchField = QStringLiteral("marka"),
           .searchHint = QStringLiteral("Поиск по марке изделия")}),
      Izdel_Smena(app().dm->ADO_DB, QStringLiteral("Izdel_Smena"), this),
      ii_oper(app().dm->ADO_DB, QStringLiteral("ii_oper"), this) {
    Izdel_Smena.setSql(
        QStringLiteral("select count(*) as cnt from accounts_dep.smena s where s.i_id =:id_ii and s.\"data\">=:dt"));
    ii_oper.setSql(QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =:id_ii"));
}

void TForm3::runList() {
    // A search typed in an earlier pick would otherwise keep the list narrowed with its search box hidden.
    if (Edit1->isHidden())
        Edit1->clear();
    runListMode();
}

std::optional<catalog::Picked> TForm3::pick(int tag) {
    return runPickMode(tag);
}

void TForm3::Button1Click() {
    Dataset& izdel = app().dm->Izdel;
    const int recNo = izdel.recNo();
    app().form7->openForAdd();
    izdel.setRecNo(recNo);
}

void TForm3::Button2Click() {
    Dataset& izdel = app().dm->Izdel;
    if (Tag != 0) {
        // Pick mode: hand the current product to the caller, then close.
        pickCurrentRow();
        return;
    }
    if (izdel.recordCount() == 0)
        return;
    const int recNo = izdel.recNo();
    app().form7->openForEdit({izdel.field(QStringLiteral("id")).asLongLong(),
                              izdel.field(QStringLiteral("marka")).asString().trimmed(),
                              izdel.field(QStringLiteral("massa")).asString().trimmed(),
                              izdel.field(QStringLiteral("id_class_item")).asLongLong()});
    izdel.setRecNo(recNo);
}

void TForm3::Button3Click() {
    TDataModule6& dm = *app().dm;
    Dataset& izdel = dm.Izdel;
    if (izdel.recordCount() == 0)
        return;
    const qlonglong id = izdel.field(QStringLiteral("id")).asLongLong();
    const QDate from = productDeleteDateBound(QDate::currentDate());

    Izdel_Smena.close();
    Izdel_Smena.setParam(QStringLiteral("id_ii"), id);
    Izdel_Smena.setParam(QStringLiteral("dt"), from.startOfDay());
    Izdel_Smena.open();
    ii_oper.close();
    ii_oper.setParam(QStringLiteral("id_ii"), id);
    ii_oper.open();
    const catalog::ProductUse use{ii_oper.field(QStringLiteral("cnt")).asInt(),
                                  Izdel_Smena.field(QStringLiteral("cnt")).asInt()};
    Izdel_Smena.close();
    ii_oper.close();

    // Every question first; «Нет» to any of them leaves the product, its prices and its records as they are.
    const QString caption = QStringLiteral("Удаление");
    auto yes = [&](const QString& question) { return ui::messageBox(question, caption, ui::MB_QUESTION) == ui::IDYES; };
    if (use.prices > 0 && !yes(QStringLiteral("По изделию есть расценки они будут удалены!!!")))
        return;
    if (use.records > 0) {
        if (!yes(QStringLiteral("По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. "
                                "Удалить изделие? ")))
            return;
    } else if (!yes(QStringLiteral("Удалить изделие? "))) {
        return;
    }
    catalog::show(catalog::deleteProduct(dm, id, use, from));
    izdel.close();
    izdel.open();
}
