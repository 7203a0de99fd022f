#pragma once

#include <QDialog>

#include "core/dataset.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds a priced operation (an operation kind on a product, finished product or blanks) together with its
// first norm price, or changes the kind, product or product kind of the current operation of the list.
class TForm10 : public QDialog {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);

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

    // The first norm of a new operation: parameters o_id and price.
    Command Norm_ins;

    void FormActivate();
    void Button1Click();
    void Button3Click();
    void Button4Click();

protected:
    void showEvent(QShowEvent* event) override;
};

// Statements of the save, built from the selected ids and the product-kind index.
namespace price_sql {
QString addCheck(int kindId, int naimen, qlonglong productId);
QString insert(int kindId, int naimen, qlonglong productId);
QString editCheck(int kindId, int naimen, qlonglong productId, int operId);
QString update(int kindId, int naimen, qlonglong productId, int operId);
}  // namespace price_sql
