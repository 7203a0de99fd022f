#pragma once

#include <QDialog>

#include "catalog/catalog_writes.h"
#include "core/dataset.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A priced operation as the operations list shows it.
struct OperationRecord {
    int id = 0;
    QString marka;
    QString kind;  // vid
    int naimen = 0;
    qlonglong productId = 0;
    int kindId = 0;
};

// Adds a priced operation (an operation kind on a product, finished product or blanks) together with its
// first norm price, or changes the kind, product or product kind of the current operation of the list.
class TForm10 : public QDialog {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);

    // The dialog for a new operation (product, kind and price cleared, "Готовая продукция"), or for a stored
    // one. True when saved.
    bool openForAdd();
    bool openForEdit(const OperationRecord& operation);

    int Tag = 0;  // 1 add, anything else edit

    QGroupBox* GroupBox1;  // "Цена операции"
    QLineEdit* Edit1;      // product mark (picked)
    QPushButton* Button3;  // "..." product picker
    QLineEdit* Edit2;      // operation kind (picked)
    QPushButton* Button4;  // "..." operation kind picker
    QComboBox* ComboBox1;  // "Готовая продукция" / "Заготовки": naimen
    QLabel* Label4;        // "Цена" (add only)
    QLineEdit* Edit3;      // price of the first norm (add only)
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    qlonglong selectedProductId = 0;  // oper.i_id
    int selectedKindId = 0;           // oper.vid
    int operationId = 0;              // the operation being edited

    void FormActivate();
    void Button1Click();
    void Button3Click();
    void Button4Click();

protected:
    void showEvent(QShowEvent* event) override;
};
