#include "catalog/list_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalog/list_helpers.h"
#include "core/dataset.h"
#include "core/keys.h"
#include "core/live.h"
#include "core/ui.h"

namespace catalog {

ListWindow::ListWindow(QWidget* parent, Setup setup)
    : QDialog(parent),
      data_(*setup.dataset),
      searchField_(setup.searchField),
      idField_(setup.idField),
      searchInListMode_(setup.searchInListMode),
      searchTakesAllKeys_(setup.searchTakesAllKeys),
      searchAnywhere_(setup.searchAnywhere),
      pickerOnly_(setup.pickerOnly) {
    setObjectName(QLatin1String(setup.objectName));
    setWindowTitle(setup.title);
    resize(setup.size);

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(setup.columns);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setDataset(&data_);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);
    Edit1->setPlaceholderText(setup.searchHint);

    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    if (pickerOnly_) {
        Button1 = button("Button1", QStringLiteral("Выбрать"));
        Button2 = nullptr;
        Button3 = nullptr;
    } else {
        Button1 = button("Button1", QStringLiteral("Добавить"));
        Button2 = button("Button2", QStringLiteral("Изменить"));
        Button3 = button("Button3", QStringLiteral("Удалить"));
    }
    Button4 = button("Button4", QStringLiteral("Выход"));
    if (!searchInListMode_)
        Button1->setDefault(true);

    buttonRow_ = new QHBoxLayout;
    if (setup.searchBesideButtons)
        buttonRow_->addWidget(Edit1, 1);
    for (QPushButton* b : {Button1, Button2, Button3})
        if (b)
            buttonRow_->addWidget(b);
    if (!setup.searchBesideButtons)
        buttonRow_->addStretch();
    buttonRow_->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    if (!setup.searchBesideButtons)
        layout->addWidget(Edit1);
    layout->addLayout(buttonRow_);
    setTabOrder(Edit1, DBGrid1);

    connect(Edit1, &QLineEdit::textChanged, this, ui::guarded([this](const QString&) { Edit1Change(); }));
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this,
            ui::guarded([this](const QModelIndex&) { DBGrid1DblClick(); }));
    if (pickerOnly_) {
        onClick(Button1, this, [this] { Button2Click(); });
    } else {
        onClick(Button1, this, [this] { Button1Click(); });
        onClick(Button2, this, [this] { Button2Click(); });
        onClick(Button3, this, [this] { Button3Click(); });
    }
    onClick(Button4, this, [this] { reject(); });

    // A picker has only "Выбрать" (Button1): F2 and Enter on a row pick.
    QPushButton* const choose = pickerOnly_ ? Button1 : Button2;
    if (!pickerOnly_) {
        keys::bindButton(Button1, {QKeySequence(Qt::Key_Insert)});
        keys::bindButton(Button3, {QKeySequence(Qt::Key_Delete)});
    }
    keys::bindButton(choose, {QKeySequence(Qt::Key_F2)});
    connect(DBGrid1, &DbGrid::returnPressed, this, ui::guarded([choose] { choose->click(); }));

    liveList = new live::Follower(
        this, [this](const live::Change& c) { return data_.isOpen() && c.touchesTable(live::tablesOf(data_.sql())); },
        [this] {
            live::reloadKeeping(DBGrid1, idField_, [this] {
                data_.close();
                data_.open();
            });
        },
        [this] { return data_.state() == Dataset::State::Edit || data_.state() == Dataset::State::Insert; });
}

void ListWindow::runListMode() {
    Q_ASSERT(!pickerOnly_);  // a picker has no list mode
    Tag = 0;
    data_.open();
    Button2->setDefault(false);
    if (!searchInListMode_)
        Button1->setDefault(true);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->show();
    Button3->show();
    ui::execModal(this);
    data_.close();
}

std::optional<Picked> ListWindow::runPickMode(int tag) {
    data_.open();
    enterPickMode(tag);
    ui::execModal(this);
    leavePickMode();
    data_.close();
    return picked_;
}

void ListWindow::enterPickMode(int tag) {
    Tag = tag;
    picked_.reset();
    if (pickerOnly_)
        return;
    Button2->setText(QStringLiteral("Выбрать"));
    Button2->setDefault(true);
    Button2->show();
    Button1->hide();
    Button3->hide();
    Edit1->show();
    Edit1->clear();
}

void ListWindow::leavePickMode() {
    if (pickerOnly_ || searchInListMode_)
        return;
    Button2->setDefault(false);
    Edit1->hide();
}

void ListWindow::pickCurrentRow() {
    // An empty list hands nothing.
    if (data_.recordCount() > 0) {
        handOver({data_.field(idField_).asLongLong(), data_.field(searchField_).asString().trimmed()});
        return;
    }
    accept();
}

void ListWindow::handOver(const Picked& p) {
    picked_ = p;
    accept();
}

void ListWindow::DBGrid1DblClick() {
    Button2Click();
}

void ListWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void ListWindow::FormActivate() {
    if (Edit1->isVisible())
        Edit1->setFocus();
    else if (!searchInListMode_)
        DBGrid1->setFocus();
}

void ListWindow::Edit1Change() {
    const QString text = Edit1->text();
    if (searchAnywhere_ ? text.trimmed().isEmpty() : text.isEmpty()) {
        data_.setFiltered(false);
        return;
    }
    data_.setFilter(searchAnywhere_ ? likeAnywhereFilter(searchField_, text) : likePrefixFilter(searchField_, text));
    data_.setFiltered(true);
}

bool ListWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        ui::guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); })();
        return consumed;
    }
    return QDialog::eventFilter(watched, e);
}

bool ListWindow::Edit1KeyDown(QKeyEvent* e) {
    const bool upDown = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down;
    if (e->key() == Qt::Key_Up)
        data_.prior();
    else if (e->key() == Qt::Key_Down)
        data_.next();
    if (!searchTakesAllKeys_)
        return upDown;
    // With no default button in list mode, Enter in the search box does nothing there (Qt would otherwise make
    // "Добавить" the default button).
    if (searchInListMode_ && Tag == 0 && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter))
        return true;
    // Every key-down stops here; characters and Backspace still edit the text.
    return !searchBoxKeepsKey(e);
}

}  // namespace catalog
