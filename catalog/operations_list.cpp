#include "catalog/operations_list.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScopeGuard>

#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "catalog/catalog_writes.h"
#include "catalog/list_helpers.h"
#include "catalog/norms_grid.h"
#include "catalog/price_dialog.h"
#include "core/dataset_model.h"
#include "core/excel_writer.h"
#include "core/format.h"
#include "core/job.h"
#include "core/ui.h"

double unitPrice(double base, bool dayOff, int shift) {
    double price = base;
    if (dayOff)
        price *= 2;
    if (shift == 3)
        price *= 1.2;
    else if (shift == 4)
        price *= 1.5;
    return price;
}

TForm4::TForm4(QWidget* parent)
    : ListWindow(
          parent,
          {.objectName = "TForm4",
           .title = QStringLiteral("Операции"),
           .size = {820, 520},
           .columns =
               {
                   {QStringLiteral("MARKA"), QStringLiteral("Марка")},
                   {QStringLiteral("VID"), QStringLiteral("Опреция")},
                   {QStringLiteral("cena"), QStringLiteral("Цена (min)"), Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("#0.####")},
                   {QStringLiteral("nmn"), QStringLiteral("Вид")},
                   {QStringLiteral("norma"), QStringLiteral("Нормы (шт.)"), Qt::AlignRight | Qt::AlignVCenter},
                   {QStringLiteral("id"), QStringLiteral("id"), Qt::AlignRight | Qt::AlignVCenter, {}, false},
                   {QStringLiteral("i_id"), QStringLiteral("i_id"), Qt::AlignRight | Qt::AlignVCenter, {}, false},
                   {QStringLiteral("oper_vid"),
                    QStringLiteral("oper_vid"),
                    Qt::AlignRight | Qt::AlignVCenter,
                    {},
                    false},
               },
           .dataset = &app().dm->Oper,
           .searchField = QStringLiteral("marka"),
           .searchTakesAllKeys = true,
           .searchAnywhere = true,
           .searchBesideButtons = true,
           .searchHint = QStringLiteral("Поиск по марке изделия")}),
      XLS_Rep(app().dm->ADO_DB, QStringLiteral("XLS_Rep"), this) {
    XLS_Rep.setSql(QStringList{
        QStringLiteral("select izdel.MARKA, vid_oper.VID, oper.NAIMEN,(SELECT (CASE naimen WHEN 0 THEN 'Готовая "
                       "продукция' ELSE 'Заготовки' END)) as nmn, oper.CENA_new as cena, oper.id, oper.i_id,"),
        QStringLiteral(" oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where "
                       "OPER.i_id=IZDEL.id "),
        QStringLiteral("and oper.vid=vid_oper.id order by izdel.marka, vid_oper.vid, oper.naimen")});

    QHeaderView* header = DBGrid1->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    DBGrid1->setColumnWidth(2, 90);
    DBGrid1->setColumnWidth(3, 140);
    DBGrid1->setColumnWidth(4, 110);

    // The bottom row: the search box, "Цены", then the buttons with "Excel" before "Выход".
    CheckBox1 = new QCheckBox(QStringLiteral("Цены"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Button5 = new QPushButton(QStringLiteral("Excel"), this);
    Button5->setObjectName(QStringLiteral("Button5"));
    buttonRow()->insertWidget(1, CheckBox1);
    buttonRow()->insertSpacing(2, 12);
    buttonRow()->insertWidget(buttonRow()->indexOf(Button4), Button5);
    catalog::onClick(Button5, this, [this] { Button5Click(); });
    setTabOrder(Button3, Button5);
    setTabOrder(Button5, Button4);
}

void TForm4::runList() {
    runListMode();
}

std::optional<OperationPick> TForm4::pick(int tag, bool dayOff, int shift, int locateOperId) {
    Dataset& oper = app().dm->Oper;
    dayOff_ = dayOff;
    shift_ = shift;
    pickedOperation_.reset();
    // Read afresh: another workstation may have changed a norm since the last pick.
    oper.close();
    oper.open();
    enterPickMode(tag);  // clears the search before positioning: switching a search off moves to the first row
    if (locateOperId == 0 || !oper.locate(QStringLiteral("id"), locateOperId))
        oper.first();
    ui::execModal(this);
    leavePickMode();
    // The search is switched off; the picked operation stays the current row, since the caller shows its base
    // price from there.
    if (oper.filtered()) {
        const int current = oper.isEmpty() ? 0 : oper.field(QStringLiteral("id")).asInt();
        oper.setFiltered(false);
        if (current)
            oper.locate(QStringLiteral("id"), pickedOperation_ ? pickedOperation_->operId : current);
    }
    return pickedOperation_;
}

void TForm4::Button1Click() {
    app().form10->openForAdd();
}

void TForm4::Button2Click() {
    if (Tag != 0) {
        pickOperation();
        return;
    }
    Dataset& oper = app().dm->Oper;
    if (!oper.isOpen() || oper.isEmpty())
        return;
    app().form10->openForEdit(
        {oper.field(QStringLiteral("id")).asInt(), oper.field(QStringLiteral("marka")).asString(),
         oper.field(QStringLiteral("vid")).asString(), oper.field(QStringLiteral("naimen")).asInt(),
         oper.field(QStringLiteral("i_id")).asLongLong(), oper.field(QStringLiteral("oper_vid")).asInt()});
}

void TForm4::pickOperation() {
    Dataset& oper = app().dm->Oper;
    if (!oper.isOpen() || oper.isEmpty())
        return;  // nothing to pick (the search matches no operation)
    TDataModule6& dm = *app().dm;
    OperationPick p;
    p.productId = oper.field(QStringLiteral("i_id")).asInt();
    p.operId = oper.field(QStringLiteral("id")).asInt();
    // The base price as it is kept: four decimal places.
    p.unitPrice = unitPrice(catalog::storedPrice(oper.field(QStringLiteral("cena")).asDouble()), dayOff_, shift_);
    dm.Control.close();
    dm.Control.clearSql();
    dm.Control.addSql(QStringLiteral("select marka from accounts_dep.izdel where id=") + QString::number(p.productId));
    dm.Control.open();
    p.text = dm.Control.field(QStringLiteral("marka")).asString().trimmed() + QStringLiteral("; ");
    dm.Control.close();
    p.text += oper.field(QStringLiteral("VID")).asString().trimmed() + QStringLiteral("; ");
    p.text += rules::productKindText(oper.field(QStringLiteral("NAIMEN")).asInt());
    pickedOperation_ = p;
    accept();
}

void TForm4::Button3Click() {
    Dataset& oper = app().dm->Oper;
    if (!oper.isOpen() || oper.isEmpty())
        return;
    if (ui::messageBox(QStringLiteral("Удалить операцию?"), QStringLiteral("Удаление"), ui::MB_QUESTION) != ui::IDYES)
        return;
    if (!catalog::show(catalog::deleteOperation(*app().dm, oper.field(QStringLiteral("id")).asInt())))
        return;
    oper.close();
    oper.open();
}

void TForm4::DBGrid1DblClick() {
    Dataset& oper = app().dm->Oper;
    if (CheckBox1->isChecked() && Tag == 0) {
        if (!oper.isOpen() || oper.isEmpty())
            return;
        app().form22->openForEdit(oper.field(QStringLiteral("id")).asInt(),
                                  oper.field(QStringLiteral("marka")).asString().trimmed(),
                                  oper.field(QStringLiteral("vid")).asString().trimmed());
        return;
    }
    Button2Click();
}

void TForm4::Button5Click() {
    const auto closer = qScopeGuard([this] { XLS_Rep.close(); });  // however the export ends
    ExcelWriter& xls = plainWriter();
    excel::runExport(xls, [&](job::Progress& progress) {
        XLS_Rep.close();
        XLS_Rep.open();
        if (xls.open(QStringLiteral("Операции")) == -1)
            return;
        progress.setMaximum(XLS_Rep.recordCount());
        XLS_Rep.first();
        const QStringList titles = {QStringLiteral("Марка"), QStringLiteral("Операция"), QStringLiteral("Цена"),
                                    QStringLiteral("Вид")};
        for (int c = 0; c < titles.size(); ++c)
            xls.writeText(1, c + 1, 1, titles[c]);
        for (int row = 2; !XLS_Rep.isEmpty() && !XLS_Rep.eof(); ++row, XLS_Rep.next()) {
            xls.writeText(1, 1, row, fmt::trimmedRight(XLS_Rep.field(QStringLiteral("MARKA")).asString()));
            xls.writeText(1, 2, row, fmt::trimmedRight(XLS_Rep.field(QStringLiteral("VID")).asString()));
            xls.writeCell(1, 3, row, fmt::general(XLS_Rep.field(QStringLiteral("cena")).asDouble()));
            xls.writeText(1, 4, row, rules::productKindText(XLS_Rep.field(QStringLiteral("naimen")).asInt()));
            progress.step(row - 1);
        }
        xls.show(true);
    });
}
