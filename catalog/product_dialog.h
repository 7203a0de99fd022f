#pragma once

#include <QDate>
#include <QDialog>

#include "catalog/catalog_writes.h"
#include "core/dataset.h"

class DbLookupCombo;
class QLineEdit;
class QPushButton;

// A product as the list shows it.
struct ProductRecord {
    qlonglong id = 0;
    QString marka;
    QString massa;  // the mass as text in the workstation's number format
    qlonglong group = 0;
};

// The product dialog: marka, mass ("Коробки") and nomenclature group of one product, written into the ERP goods
// table. Tag 1 adds, 2 edits the product productId.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    // The dialog for a new product (marka and mass cleared, the group kept from the last use), or for a stored
    // one. The groups are read for the showing. True when saved.
    bool openForAdd();
    bool openForEdit(const ProductRecord& product);

    QLineEdit* Edit1;  // marka
    QLineEdit* Edit2;  // mass
    DbLookupCombo* cb_item;
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    Dataset item;  // nomenclature groups, open while the dialog is shown

    int Tag = 0;
    qlonglong productId = 0;  // the product being edited

    void FormActivate();
    // The mass key filter: digits and Backspace pass, "." and "," become ".", anything else is dropped.
    // Returns the character to insert (a null QChar: the key is dropped).
    static QChar Edit2KeyPress(QChar key);
    void Button1Click();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};
