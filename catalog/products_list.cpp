#include "catalog/products_list.h"

#include "app/datamodule.h"
#include "app/dataset_model.h"
#include "app/registry.h"
#include "app/sqltext.h"
#include "app/ui.h"
#include "catalog/list_helpers.h"
#include "catalog/lookup_combo.h"
#include "catalog/product_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
    : QDialog(parent),
      Izdel_Smena(app().dm->ADO_DB, QStringLiteral("Izdel_Smena"), this),
      ii_oper(app().dm->ADO_DB, QStringLiteral("ii_oper"), this) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Изделия (3)"));
    resize(760, 560);

    Izdel_Smena.setSql(
        QStringLiteral("select count(*) as cnt from accounts_dep.smena s where s.i_id =:id_ii and s.\"data\">=:dt"));
    ii_oper.setSql(QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =:id_ii"));

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid1->setColumns({
        {QStringLiteral("marka"), QStringLiteral("Марка изделия"), left, {}, true, 300},
        {QStringLiteral("nom"), QStringLiteral("Номенклатурная группа"), left, {}, true, 280},
        {QStringLiteral("massa"), QStringLiteral("Коробки"), left, {}, true, 0},
    });
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setDataset(&app().dm->Izdel);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);

    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    Button1 = button("Button1", QStringLiteral("Добавить"));
    Button2 = button("Button2", QStringLiteral("Изменить"));
    Button3 = button("Button3", QStringLiteral("Удалить"));
    Button4 = button("Button4", QStringLiteral("Выход"));
    Button1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    setTabOrder(Edit1, DBGrid1);

    connect(Edit1, &QLineEdit::textChanged, this, ui::guarded([this](const QString&) { Edit1Change(); }));
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this,
            ui::guarded([this](const QModelIndex&) { Button2Click(); }));
    catalog::onClick(Button1, this, [this] { Button1Click(); });
    catalog::onClick(Button2, this, [this] { Button2Click(); });
    catalog::onClick(Button3, this, [this] { Button3Click(); });
    catalog::onClick(Button4, this, [this] { reject(); });
}

void TForm3::runList() {
    Dataset& izdel = app().dm->Izdel;
    Tag = 0;
    // A search typed in an earlier pick would otherwise keep the list narrowed with its search box hidden.
    if (Edit1->isHidden())
        Edit1->clear();
    izdel.open();
    Button2->setDefault(false);
    Button1->setDefault(true);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->show();
    Button3->show();
    ui::execModal(this);
    izdel.close();
}

bool TForm3::runPick(int tag) {
    Dataset& izdel = app().dm->Izdel;
    Tag = tag;
    picked_ = false;
    izdel.open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->hide();
    Button3->hide();
    Button2->setDefault(true);
    Edit1->show();
    Edit1->clear();
    ui::execModal(this);
    Button2->setDefault(false);
    Edit1->hide();
    izdel.close();
    return picked_;
}

void TForm3::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm3::FormActivate() {
    if (Edit1->isVisible())
        Edit1->setFocus();
    else
        DBGrid1->setFocus();
}

void TForm3::Edit1Change() {
    Dataset& izdel = app().dm->Izdel;
    if (Edit1->text().isEmpty()) {
        izdel.setFiltered(false);
        return;
    }
    izdel.setFilter(catalog::likePrefixFilter(QStringLiteral("marka"), Edit1->text()));
    izdel.setFiltered(true);
}

bool TForm3::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        ui::guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); })();
        return consumed;
    }
    return QDialog::eventFilter(watched, e);
}

bool TForm3::Edit1KeyDown(QKeyEvent* e) {
    Dataset& izdel = app().dm->Izdel;
    if (e->key() == Qt::Key_Up) {
        izdel.prior();
        return true;
    }
    if (e->key() == Qt::Key_Down) {
        izdel.next();
        return true;
    }
    return false;
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
        // Pick mode: hand the current product to the caller, then close (an empty list hands nothing).
        if (izdel.recordCount() > 0) {
            pickedText = izdel.field(QStringLiteral("marka")).asString().trimmed();
            pickedId = izdel.field(QStringLiteral("id")).asLongLong();
            picked_ = true;
        }
        accept();
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
