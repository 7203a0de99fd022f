#pragma once

#include <QDialog>
#include <optional>

#include "core/dataset.h"

class DbGrid;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The unit price of a shift record: the operation's base price, doubled on a day off, then raised by a
// fifth in shift 3 or by half in shift 4.
double unitPrice(double base, bool dayOff, int shift);

// What a pick hands to the shift entry dialog.
struct OperationPick {
    int productId = 0;
    int operId = 0;
    double unitPrice = 0;  // from the base price just read, for the day off and shift given
    QString text;          // "А-12; Сборка; Готовая продукция"
};

// The priced operations (product, operation kind, finished product or blanks) with their lowest norm price
// and number of norms: add, change, delete, open the norms, export to a spreadsheet. The shift entry dialog
// uses it to pick the operation of a record, which also prices the record.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    int Tag = 0;  // 0 list mode, anything else pick mode

    DbGrid* DBGrid1;
    QPushButton* Button1;  // "Добавить"
    QPushButton* Button2;  // "Изменить" / "Выбрать"
    QPushButton* Button3;  // "Удалить"
    QPushButton* Button5;  // "Excel"
    QCheckBox* CheckBox1;  // "Цены": a double click opens the norms
    QLineEdit* Edit1;      // search by product mark
    QPushButton* Button4;  // "Выход"

    // Every operation, with or without norms, for the export.
    Dataset XLS_Rep;

    // List mode, from the main menu.
    void runList();

    // Pick mode for the shift entry dialog: the operations read afresh, the search cleared, the operation
    // locateOperId made current (0: the first row), the list shown; afterwards the search hidden and the Oper
    // filter switched off. The operation picked, priced for dayOff and shift from the base price just read;
    // nothing when none was picked. Oper stays open with the picked operation as its current row.
    std::optional<OperationPick> pick(int tag, bool dayOff, int shift, int locateOperId);

    void FormActivate();
    void Edit1Change();
    bool Edit1KeyDown(int key);  // true when the key is consumed
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void DBGrid1DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pickCurrentRow();

    std::optional<OperationPick> picked_;
    bool dayOff_ = false;
    int shift_ = 1;
};
