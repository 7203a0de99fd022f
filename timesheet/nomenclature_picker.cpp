#include "timesheet/nomenclature_picker.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/datamodule.h"
#include "base/registry.h"
#include "core/dataset_model.h"
#include "core/ui.h"
#include "timesheet/window_style.h"

TForm26::TForm26(QWidget* parent) : QDialog(parent), item(app().dm->ADO_DB, QStringLiteral("item")) {
    setObjectName(QStringLiteral("TForm26"));
    setWindowTitle(QStringLiteral("Номенклатура (26)"));
    item.setSql(QStringLiteral("select * from cmn_classifier.item where id_level=2 order by s_caption"));

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{QStringLiteral("s_caption"),
                          QStringLiteral("Наименование"),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          {},
                          true,
                          380}});
    DBGrid1->setDataset(&item);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("Выбрать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    Button4->setAutoDefault(true);  // Enter on a focused "Выход" leaves; from the search box it picks

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Edit1, 1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);

    connect(Edit1, &QLineEdit::textChanged, this, ui::guarded([this](const QString&) { Edit1Change(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](bool) { DBGrid1DblClick(); }));
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this,
            ui::guarded([this](const QModelIndex&) { DBGrid1DblClick(); }));
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);

    setFixedWindow(this, QSize(440, 420));
}

bool TForm26::runPick() {
    pickedId = 0;
    pickedText.clear();
    item.open();
    const bool picked = ui::execModal(this) == QDialog::Accepted;
    item.close();
    return picked;
}

void TForm26::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Edit1->setFocus();
}

void TForm26::Edit1Change() {
    const QString text = Edit1->text();
    if (text.isEmpty()) {
        item.setFiltered(false);
        return;
    }
    // The list's own filter form: the text between apostrophes, an apostrophe written twice.
    QString pattern = text;
    pattern.replace(QLatin1Char('\''), QStringLiteral("''"));
    item.setFilter(QStringLiteral("s_caption like '") + pattern + QStringLiteral("%'"));
    item.setFiltered(true);
}

bool TForm26::Edit1KeyDown(int key) {
    switch (key) {
        case Qt::Key_Up:
            item.prior();
            return true;
        case Qt::Key_Down:
            item.next();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Delete:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return true;
        default:
            return false;
    }
}

bool TForm26::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        bool consumed = false;
        ui::guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(event)->key()); })();
        return consumed;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm26::DBGrid1DblClick() {
    if (item.isOpen() && !item.isEmpty()) {
        pickedId = item.field(QStringLiteral("id")).asInt();
        pickedText = item.field(QStringLiteral("s_caption")).asString();
    } else {
        pickedId = 0;
        pickedText.clear();
    }
    accept();
}
