#include "catalog/product_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "base/datamodule.h"
#include "base/lock_keys.h"
#include "base/registry.h"
#include "catalog/list_helpers.h"
#include "catalog/lookup_combo.h"
#include "core/sqltext.h"
#include "core/ui.h"

namespace {

const QString kDuplicateHead = QStringLiteral("select count(*) as cnt from accounts_dep.izdel where upper(marka)=");

}  // namespace

QString productDuplicateSql(const QString& upperMarka) {
    return kDuplicateHead + sql::quote(upperMarka);
}

QString productDuplicateSql(const QString& upperMarka, qlonglong ownId) {
    return kDuplicateHead + sql::quote(upperMarka) + QStringLiteral("and id<>") + sql::num(ownId);
}

QString productInsertSql(const QString& marka, const QString& massa, qlonglong groupId) {
    return QStringLiteral(
               "INSERT INTO cmn_gds_and_srv.gds_and_srv(s_caption, s_description, id_msm_bs, massa, "
               "id_class_item)VALUES(") +
           sql::quote(marka) + QStringLiteral(", '', 6, ") + massa + QStringLiteral(",") + sql::num(groupId) +
           QStringLiteral(")");
}

QString productUpdateSql(const QString& marka, const QString& massa, qlonglong groupId, qlonglong id) {
    return QStringLiteral("UPDATE cmn_gds_and_srv.gds_and_srv SET s_caption=") + sql::quote(marka) +
           QStringLiteral(", s_description='', id_msm_bs=6, massa=") + massa + QStringLiteral(", id_class_item=") +
           sql::num(groupId) + QStringLiteral(" where id=") + sql::num(id);
}

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
    TDataModule6& dm = *app().dm;
    const QString marka = Edit1->text().trimmed();
    if (marka.isEmpty() || Edit2->text().trimmed().isEmpty() || cb_item->keyValue() == 0) {
        ui::messageBox(QStringLiteral("Все поля должны быть заполнены!"), QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    // The mass box takes only typed digits and points; a number shown for an edit may carry the workstation's
    // comma or a sign. Anything else never reaches the statement.
    static const QRegularExpression numberText(QStringLiteral("^[-+]?[0-9.,]+$"));
    if (!numberText.match(Edit2->text().trimmed()).hasMatch()) {
        ui::messageBox(QStringLiteral("Все поля должны быть заполнены!"), QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    const QString upper = marka.toUpper();
    const bool add = Tag == 1;
    const qlonglong currentId = add ? 0 : dm.Izdel.field(QStringLiteral("id")).asLongLong();
    {
        // The check and the write as one, serialised per marka between workstations.
        Transaction t(dm.ADO_DB);
        dm.ADO_DB.exec(lock_keys::productName(upper));
        if (dm.CheckCount(add ? productDuplicateSql(upper) : productDuplicateSql(upper, currentId),
                          QStringLiteral("Такая марка изделия уже заведена!")))
            return;
        dm.SQL_exec.setText(
            add ? productInsertSql(marka, Edit2->text(), cb_item->keyValue())
                : productUpdateSql(marka, dm.ToDbDecimal(Edit2->text()), cb_item->keyValue(), currentId));
        dm.SQL_exec.execute();
        t.commit();
    }
    dm.Izdel.close();
    dm.Izdel.open();
    accept();
}
