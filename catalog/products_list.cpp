#include "catalog/products_list.h"

#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/lookup_combo.h"
#include "catalog/product_dialog.h"
#include "core/sqltext.h"
#include "core/ui.h"

QDate productDeleteDateBound(const QDate& today) {
    int m = today.month();
    if (m == 1)
        m = 13;
    return QDate(2000, m - 1, 1);
}

QString productPricesDeleteSql(qlonglong id) {
    return QStringLiteral("delete from accounts_dep.oper o where o.i_id =") + sql::num(id);
}
QString productShiftsDeleteSql(qlonglong id) {
    return QStringLiteral("delete from accounts_dep.smena s where s.i_id =") + sql::num(id);
}
QString productGoodsDeleteSql(qlonglong id) {
    return QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv  where id=") + sql::num(id);
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
           .searchField = QStringLiteral("marka")}),
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

bool TForm3::runPick(int tag) {
    return runPickMode(tag);
}

void TForm3::Button1Click() {
    Dataset& izdel = app().dm->Izdel;
    TForm7* dlg = app().form7;
    const int recNo = izdel.recNo();
    dlg->Edit1->clear();
    dlg->Edit2->clear();
    dlg->setWindowTitle(QStringLiteral("Заведение нового изделия (7)"));
    dlg->Tag = 1;
    dlg->item.open();
    ui::execModal(dlg);
    dlg->item.close();
    izdel.setRecNo(recNo);
}

void TForm3::Button2Click() {
    Dataset& izdel = app().dm->Izdel;
    if (Tag != 0) {
        // Pick mode: hand the current product to the caller, then close.
        if (pickCurrentRow())
            pickedId = izdel.field(QStringLiteral("id")).asLongLong();
        return;
    }
    if (izdel.recordCount() == 0)
        return;
    TForm7* dlg = app().form7;
    const int recNo = izdel.recNo();
    dlg->setWindowTitle(QStringLiteral("Изменение данных изделия (7)"));
    dlg->Tag = 2;
    dlg->Edit1->setText(izdel.field(QStringLiteral("marka")).asString().trimmed());
    dlg->Edit2->setText(izdel.field(QStringLiteral("massa")).asString().trimmed());
    dlg->item.open();
    dlg->cb_item->setKeyValue(izdel.field(QStringLiteral("id_class_item")).asLongLong());
    ui::execModal(dlg);
    dlg->item.close();
    izdel.setRecNo(recNo);
}

void TForm3::Button3Click() {
    TDataModule6& dm = *app().dm;
    Dataset& izdel = dm.Izdel;
    if (izdel.recordCount() == 0)
        return;
    const qlonglong id = izdel.field(QStringLiteral("id")).asLongLong();

    Izdel_Smena.close();
    Izdel_Smena.setParam(QStringLiteral("id_ii"), id);
    Izdel_Smena.setParam(QStringLiteral("dt"), productDeleteDateBound(QDate::currentDate()).startOfDay());
    Izdel_Smena.open();
    ii_oper.close();
    ii_oper.setParam(QStringLiteral("id_ii"), id);
    ii_oper.open();

    // The questions first, then every delete they allow in one transaction: an error leaves all as it was.
    QStringList deletes;
    const QString caption = QStringLiteral("Удаление");
    if (ii_oper.field(QStringLiteral("cnt")).asInt() > 0 &&
        ui::messageBox(QStringLiteral("По изделию есть расценки они будут удалены!!!"), caption, ui::MB_QUESTION) ==
            ui::IDYES)
        deletes << productPricesDeleteSql(id);
    bool reread = true;
    if (Izdel_Smena.field(QStringLiteral("cnt")).asInt() > 0) {
        if (ui::messageBox(QStringLiteral("По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут "
                                          "удалены. Удалить изделие? "),
                           caption, ui::MB_QUESTION) == ui::IDYES)
            deletes << productShiftsDeleteSql(id) << productGoodsDeleteSql(id);
        else
            reread = !deletes.isEmpty();
    } else if (ui::messageBox(QStringLiteral("Удалить изделие? "), caption, ui::MB_QUESTION) == ui::IDYES) {
        deletes << productGoodsDeleteSql(id);
    }
    Izdel_Smena.close();
    ii_oper.close();

    if (!deletes.isEmpty()) {
        Transaction t(dm.ADO_DB);
        for (const QString& text : deletes) {
            dm.DelSmena.setText(text);
            dm.DelSmena.execute();
        }
        t.commit();
    }
    if (reread) {
        izdel.close();
        izdel.open();
    }
}
