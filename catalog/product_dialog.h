#pragma once

#include <QDate>
#include <QDialog>

#include "core/dataset.h"

class DbLookupCombo;
class QLineEdit;
class QPushButton;

// Statements of the product dialog. The marka is quoted; the mass text is a number text (digits and points).
QString productDuplicateSql(const QString& upperMarka);                   // add
QString productDuplicateSql(const QString& upperMarka, qlonglong ownId);  // edit: the product itself excluded
QString productInsertSql(const QString& marka, const QString& massa, qlonglong groupId);
QString productUpdateSql(const QString& marka, const QString& massa, qlonglong groupId, qlonglong id);

// The product dialog: marka, mass ("Коробки") and nomenclature group of one product, written into the ERP goods
// table. Tag 1 adds, 2 edits the current row of the products list.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    QLineEdit* Edit1;  // marka
    QLineEdit* Edit2;  // mass
    DbLookupCombo* cb_item;
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    Dataset item;  // nomenclature groups, open while the dialog is shown

    int Tag = 0;

    void FormActivate();
    // The mass key filter: digits and Backspace pass, "." and "," become ".", anything else is dropped.
    // Returns the character to insert (a null QChar: the key is dropped).
    static QChar Edit2KeyPress(QChar key);
    void Button1Click();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};
