#include "catalog/product_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/list_helpers.h"
#include "catalog/lookup_combo.h"
#include "core/ui.h"

TForm7::TForm7(QWidget* parent) : QDialog(parent), item(app().dm->ADO_DB, QStringLiteral("item"), this) {
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("Изделие"));
    item.setSql(QStringLiteral("select * from cmn_classifier.item where id_level=2 order by s_caption"));

    auto* group = new QGroupBox(QStringLiteral("Данные об изделии"), this);
    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(254);
    Edit1->setMinimumWidth(320);
    Edit2 = new QLineEdit(group);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    // Only typed keys reach the mass box (through its key filter): no drops, no context-menu paste.
    Edit2->installEventFilter(this);
    Edit2->setAcceptDrops(false);
    Edit2->setContextMenuPolicy(Qt::NoContextMenu);
    cb_item = new DbLookupCombo(group);
    cb_item->setObjectName(QStringLiteral("cb_item"));
    cb_item->setDataset(&item, QStringLiteral("id"), QStringLiteral("s_caption"));

    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Марка"), Edit1);
    form->addRow(QStringLiteral("Расценка"), Edit2);
    form->addRow(QStringLiteral("Номенклатурная группа"), cb_item);

    catalog::addSaveCancel(this, group, Button1, Button2);

    catalog::onClick(Button1, this, [this] { Button1Click(); });
}

bool TForm7::openForAdd() {
    Edit1->clear();
    Edit2->clear();
    setWindowTitle(QStringLiteral("Заведение нового изделия (7)"));
    Tag = 1;
    productId = 0;
    item.open();
    const bool saved = ui::execModal(this) == QDialog::Accepted;
    item.close();
    return saved;
}

bool TForm7::openForEdit(const ProductRecord& product) {
    setWindowTitle(QStringLiteral("Изменение данных изделия (7)"));
    Tag = 2;
    productId = product.id;
    Edit1->setText(product.marka.trimmed());
    Edit2->setText(product.massa.trimmed());
    item.open();
    cb_item->setKeyValue(product.group);
    const bool saved = ui::execModal(this) == QDialog::Accepted;
    item.close();
    return saved;
}

void TForm7::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::guarded([this] { FormActivate(); })();
}

void TForm7::FormActivate() {
    Edit1->setFocus();
}

bool TForm7::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit2 && e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        const QString text = key->text();
        // Cursor keys, Delete, Home, End, the dialog keys (Enter, Esc, Tab) and copying are the box's and the
        // dialog's; the filter is about the characters that would go into the text.
        if (text.isEmpty() || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
            key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll) ||
            key->matches(QKeySequence::Undo))
            return false;
        const QChar c = Edit2KeyPress(text.at(0));
        if (c.isNull())
            return true;
        if (c != text.at(0)) {
            Edit2->insert(QString(c));
            return true;
        }
        return false;
    }
    return QDialog::eventFilter(watched, e);
}

QChar TForm7::Edit2KeyPress(QChar key) {
    if (key.isDigit() && key.unicode() < 128)
        return key;
    if (key == QLatin1Char('.') || key == QLatin1Char(','))
        return QLatin1Char('.');
    if (key == QChar(8))
        return key;
    return {};
}

void TForm7::Button1Click() {
    const catalog::Outcome done =
        catalog::saveProduct(*app().dm, {Tag == 1 ? 0 : productId, Edit1->text(), Edit2->text(), cb_item->keyValue()});
    if (!catalog::show(done))
        return;
    Dataset& izdel = app().dm->Izdel;
    izdel.close();
    izdel.open();
    accept();
}
