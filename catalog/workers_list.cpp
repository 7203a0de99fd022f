#include "catalog/workers_list.h"

#include "app/datamodule.h"
#include "app/dataset_model.h"
#include "app/registry.h"
#include "app/sqltext.h"
#include "app/ui.h"
#include "catalog/list_helpers.h"
#include "catalog/worker_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString workerDeleteSql(int id) {
    return QStringLiteral("delete from accounts_dep.person where id =") + sql::num(qlonglong(id));
}

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Список рабочих"));
    resize(620, 520);

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({
        {QStringLiteral("fio"), QStringLiteral("ФИО"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 300},
        {QStringLiteral("s_staffpos_hl"), QStringLiteral("Должность"), Qt::AlignLeft | Qt::AlignVCenter, {}, true, 0},
    });
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setDataset(&app().dm->Workers);

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

void TForm5::runList() {
    Dataset& workers = app().dm->Workers;
    Tag = 0;
    workers.open();
    Button2->setText(QStringLiteral("Изменить"));
    Button2->setDefault(false);
    Button1->show();
    Button3->show();
    ui::execModal(this);
    workers.close();
}

bool TForm5::runPick(int tag) {
    Dataset& workers = app().dm->Workers;
    Tag = tag;
    picked_ = false;
    workers.open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button2->setDefault(true);
    Button2->show();
    Button3->hide();
    Button1->hide();
    Edit1->show();
    Edit1->clear();
    ui::execModal(this);
    workers.close();
    return picked_;
}

void TForm5::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm5::FormActivate() {
    if (Edit1->isVisible())
        Edit1->setFocus();
}

void TForm5::Edit1Change() {
    Dataset& workers = app().dm->Workers;
    if (Edit1->text().isEmpty()) {
        workers.setFiltered(false);
        return;
    }
    workers.setFilter(catalog::likePrefixFilter(QStringLiteral("fio"), Edit1->text()));
    workers.setFiltered(true);
}

bool TForm5::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        ui::guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); })();
        return consumed;
    }
    return QDialog::eventFilter(watched, e);
}

bool TForm5::Edit1KeyDown(QKeyEvent* e) {
    Dataset& workers = app().dm->Workers;
    if (e->key() == Qt::Key_Up)
        workers.prior();
    else if (e->key() == Qt::Key_Down)
        workers.next();
    // In list mode no button is the default one: Enter in the search box does nothing (Qt would otherwise make
    // "Добавить" the default button).
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && Tag == 0)
        return true;
    // Every key-down stops here; characters and Backspace still edit the text.
    return !catalog::searchBoxKeepsKey(e);
}

void TForm5::Button1Click() {
    TForm2* dlg = app().form2;
    Dataset& workers = app().dm->Workers;
    dlg->Edit1->clear();
    dlg->setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    dlg->Tag = 1;
    dlg->reopenLookups();
    ui::execModal(dlg);
    workers.close();
    workers.open();
}

void TForm5::Button2Click() {
    Dataset& workers = app().dm->Workers;
    if (Tag != 0) {
        // Pick mode: hand the current worker to the caller, then close (an empty list hands nothing).
        if (workers.recordCount() > 0) {
            pickedText = workers.field(QStringLiteral("fio")).asString().trimmed();
            pickedId = workers.field(QStringLiteral("id")).asInt();
            picked_ = true;
        }
        accept();
        return;
    }
    if (workers.recordCount() == 0)
        return;
    TForm2* dlg = app().form2;
    const int recNo = workers.recNo();
    dlg->setWindowTitle(QStringLiteral("Изменение данных работника"));
    dlg->Tag = 2;
    dlg->reopenLookups();
    dlg->Edit1->setText(workers.field(QStringLiteral("fio")).asString().trimmed());
    dlg->workerId = workers.field(QStringLiteral("id")).asInt();
    ui::execModal(dlg);
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
    Command& cmd = app().form2->cmd_person;
    cmd.setText(workerDeleteSql(workers.field(QStringLiteral("id")).asInt()));
    cmd.execute();
    workers.close();
    workers.open();
    if (workers.recordCount() > 0)
        workers.setRecNo(recNo);
}
