#include "catalog/kinds_list.h"

#include "app/datamodule.h"
#include "app/dataset_model.h"
#include "app/registry.h"
#include "app/ui.h"
#include "catalog/kind_dialog.h"
#include "catalog/list_helpers.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm8::TForm8(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Виды операций (8)"));
    resize(460, 520);

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(
        {{QStringLiteral("VID"), QStringLiteral("Операции"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 0}});
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setDataset(&app().dm->Vid_oper);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);
    Edit1->hide();

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

void TForm8::runList() {
    Dataset& kinds = app().dm->Vid_oper;
    Tag = 0;
    kinds.setFiltered(false);
    kinds.open();
    Button2->setDefault(false);
    Button1->setDefault(true);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->show();
    Button3->show();
    ui::execModal(this);
    kinds.close();
}

bool TForm8::runPick(int tag) {
    Dataset& kinds = app().dm->Vid_oper;
    Tag = tag;
    picked_ = false;
    kinds.open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->hide();
    Button3->hide();
    Button2->setDefault(true);
    Edit1->show();
    Edit1->clear();
    ui::execModal(this);
    Button2->setDefault(false);
    Edit1->hide();
    kinds.close();
    return picked_;
}

void TForm8::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm8::FormActivate() {
    if (Edit1->isVisible())
        Edit1->setFocus();
    else
        DBGrid1->setFocus();
}

void TForm8::Edit1Change() {
    Dataset& kinds = app().dm->Vid_oper;
    if (Edit1->text().isEmpty()) {
        kinds.setFiltered(false);
        return;
    }
    kinds.setFilter(catalog::likePrefixFilter(QStringLiteral("vid"), Edit1->text()));
    kinds.setFiltered(true);
}

bool TForm8::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        ui::guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); })();
        return consumed;
    }
    return QDialog::eventFilter(watched, e);
}

bool TForm8::Edit1KeyDown(QKeyEvent* e) {
    Dataset& kinds = app().dm->Vid_oper;
    if (e->key() == Qt::Key_Up)
        kinds.prior();
    else if (e->key() == Qt::Key_Down)
        kinds.next();
    // Every key-down stops here; characters and Backspace still edit the text.
    return !catalog::searchBoxKeepsKey(e);
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
        // Pick mode: hand the current kind to the caller, then close (an empty list hands nothing).
        if (kinds.recordCount() > 0) {
            pickedText = kinds.field(QStringLiteral("vid")).asString().trimmed();
            pickedId = kinds.field(QStringLiteral("id")).asInt();
            picked_ = true;
        }
        accept();
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
