#pragma once

#include <optional>

#include "catalog/list_window.h"
#include "core/dataset.h"

class QCheckBox;
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
// The grid, search box, Button1..Button4, Tag, FormActivate, Edit1Change and Edit1KeyDown come from
// catalog::ListWindow; the search matches the product mark anywhere and takes every key-down.
class TForm4 : public catalog::ListWindow {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    QPushButton* Button5;  // "Excel"
    QCheckBox* CheckBox1;  // "Цены": a double click opens the norms

    // Every operation, with or without norms, for the export.
    Dataset XLS_Rep;

    // List mode, from the main menu.
    void runList();

    // Pick mode for the shift entry dialog: the operations read afresh, the search cleared, the operation
    // locateOperId made current (0: the first row), the list shown; afterwards the search hidden and the Oper
    // filter switched off. The operation picked, priced for dayOff and shift from the base price just read;
    // nothing when none was picked. Oper stays open with the picked operation as its current row.
    std::optional<OperationPick> pick(int tag, bool dayOff, int shift, int locateOperId);

    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
    void Button5Click();
    void DBGrid1DblClick() override;

private:
    void pickOperation();

    std::optional<OperationPick> pickedOperation_;
    bool dayOff_ = false;
    int shift_ = 1;
};
