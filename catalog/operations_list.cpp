#include "catalog/operations_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/catalog_writes.h"
#include "catalog/norms_grid.h"
#include "catalog/price_dialog.h"
#include "core/dataset_model.h"
#include "core/excel_writer.h"
#include "core/format.h"
#include "core/report/report_definition.h"
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

namespace {

// Trailing blanks of fixed-width text columns are not part of the value.
QString trimmedRight(const QString& s) {
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

}  // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent), XLS_Rep(app().dm->ADO_DB, QStringLiteral("XLS_Rep"), this) {
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Операции"));
    resize(820, 520);

    XLS_Rep.setSql(QStringList{
        QStringLiteral("select izdel.MARKA, vid_oper.VID, oper.NAIMEN,(SELECT (CASE naimen WHEN 0 THEN 'Готовая "
                       "продукция' ELSE 'Заготовки' END)) as nmn, oper.CENA_new as cena, oper.id, oper.i_id,"),
        QStringLiteral(" oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where "
                       "OPER.i_id=IZDEL.id "),
        QStringLiteral("and oper.vid=vid_oper.id order by izdel.marka, vid_oper.vid, oper.naimen")});

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->setColumns({
        {QStringLiteral("MARKA"), QStringLiteral("Марка")},
        {QStringLiteral("VID"), QStringLiteral("Опреция")},
        {QStringLiteral("cena"), QStringLiteral("Цена (min)"), right, QStringLiteral("#0.####")},
        {QStringLiteral("nmn"), QStringLiteral("Вид")},
        {QStringLiteral("norma"), QStringLiteral("Нормы (шт.)"), right},
        {QStringLiteral("id"), QStringLiteral("id"), right, {}, false},
        {QStringLiteral("i_id"), QStringLiteral("i_id"), right, {}, false},
        {QStringLiteral("oper_vid"), QStringLiteral("oper_vid"), right, {}, false},
    });
    DBGrid1->setDataset(&app().dm->Oper);
    DBGrid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    DBGrid1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    DBGrid1->setColumnWidth(2, 90);
    DBGrid1->setColumnWidth(3, 140);
    DBGrid1->setColumnWidth(4, 110);
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this,
            ui::guarded([this](const QModelIndex&) { DBGrid1DblClick(); }));

    auto button = [this](QPushButton*& b, const char* name, const QString& text) {
        b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
    };
    button(Button1, "Button1", QStringLiteral("Добавить"));
    button(Button2, "Button2", QStringLiteral("Изменить"));
    button(Button3, "Button3", QStringLiteral("Удалить"));
    button(Button5, "Button5", QStringLiteral("Excel"));
    button(Button4, "Button4", QStringLiteral("Выход"));
    Button1->setDefault(true);
    CheckBox1 = new QCheckBox(QStringLiteral("Цены"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);

    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guarded([this](bool) { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guarded([this](bool) { Button3Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guarded([this](bool) { Button5Click(); }));
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(Edit1, &QLineEdit::textChanged, this, ui::guarded([this](const QString&) { Edit1Change(); }));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Edit1, 1);
    bottom->addWidget(CheckBox1);
    bottom->addSpacing(12);
    for (QPushButton* b : {Button1, Button2, Button3, Button5, Button4})
        bottom->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
}

void TForm4::runList() {
    Dataset& oper = app().dm->Oper;
    Tag = 0;
    oper.open();
    Button2->setDefault(false);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->show();
    Button3->show();
    ui::execModal(this);
    oper.close();
}

std::optional<OperationPick> TForm4::pick(int tag, bool dayOff, int shift, int locateOperId) {
    Dataset& oper = app().dm->Oper;
    Tag = tag;
    dayOff_ = dayOff;
    shift_ = shift;
    picked_.reset();
    // Read afresh: another workstation may have changed a norm since the last pick.
    oper.close();
    oper.open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->hide();
    Button3->hide();
    Button2->setDefault(true);
    Edit1->show();
    Edit1->clear();  // before positioning: switching a search off moves to the first row
    if (locateOperId == 0 || !oper.locate(QStringLiteral("id"), locateOperId))
        oper.first();
    ui::execModal(this);
    Button2->setDefault(false);
    Edit1->hide();
    // The search is switched off; the picked operation stays the current row, since the caller shows its base
    // price from there.
    if (oper.filtered()) {
        const int current = oper.isEmpty() ? 0 : oper.field(QStringLiteral("id")).asInt();
        oper.setFiltered(false);
        if (current)
            oper.locate(QStringLiteral("id"), picked_ ? picked_->operId : current);
    }
    return picked_;
}

void TForm4::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded([this] { FormActivate(); })();
}

void TForm4::FormActivate() {
    if (Edit1->isVisibleTo(this))
        Edit1->setFocus();
}

void TForm4::Edit1Change() {
    Dataset& oper = app().dm->Oper;
    const QString text = Edit1->text();
    if (text.trimmed().isEmpty()) {
        oper.setFiltered(false);
        return;
    }
    QString typed = text;
    typed.replace(QLatin1Char('\''), QStringLiteral("''"));
    oper.setFilter(QStringLiteral("marka like '%") + typed + QStringLiteral("%'"));
    oper.setFiltered(true);
}

bool TForm4::Edit1KeyDown(int key) {
    Dataset& oper = app().dm->Oper;
    if (key == Qt::Key_Up)
        oper.prior();
    else if (key == Qt::Key_Down)
        oper.next();
    return true;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* e = static_cast<QKeyEvent*>(event);
        const int key = e->key();
        // Enter and Esc belong to the window's buttons, shortcuts (copy, paste) to the box.
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Tab ||
            key == Qt::Key_Backtab || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        bool consumed = false;
        ui::guarded([&] { consumed = Edit1KeyDown(key); })();
        // Typed characters and Backspace still edit the text; cursor keys, Home, End and Delete do not.
        const bool typing = key == Qt::Key_Backspace || (!e->text().isEmpty() && e->text().at(0).isPrint());
        return consumed && !typing;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm4::Button1Click() {
    app().form10->openForAdd();
}

void TForm4::Button2Click() {
    if (Tag != 0) {
        pickCurrentRow();
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

void TForm4::pickCurrentRow() {
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
    p.text += report::productKindText(oper.field(QStringLiteral("NAIMEN")).asInt());
    picked_ = p;
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
    XLS_Rep.close();
    XLS_Rep.open();
    ExcelWriter& xls = plainWriter();
    if (xls.open(QStringLiteral("Операции")) == -1) {
        XLS_Rep.close();
        return;
    }
    {
        ui::HourGlass wait;
        XLS_Rep.first();
        const QStringList titles = {QStringLiteral("Марка"), QStringLiteral("Операция"), QStringLiteral("Цена"),
                                    QStringLiteral("Вид")};
        for (int c = 0; c < titles.size(); ++c)
            xls.writeText(1, c + 1, 1, titles[c]);
        for (int row = 2; !XLS_Rep.isEmpty() && !XLS_Rep.eof(); ++row, XLS_Rep.next()) {
            xls.writeText(1, 1, row, trimmedRight(XLS_Rep.field(QStringLiteral("MARKA")).asString()));
            xls.writeText(1, 2, row, trimmedRight(XLS_Rep.field(QStringLiteral("VID")).asString()));
            xls.writeCell(1, 3, row, fmt::general(XLS_Rep.field(QStringLiteral("cena")).asDouble()));
            xls.writeText(1, 4, row, report::productKindText(XLS_Rep.field(QStringLiteral("naimen")).asInt()));
        }
    }
    xls.show(true);
    XLS_Rep.close();
}
