#pragma once

#include <QDialog>

#include "core/dataset.h"

class QPushButton;
class QTableView;

// The norms of one priced operation, edited directly in a grid: pieces, price per piece and bonus percent.
// The lowest price is the operation's base price. Opened from the operations list for its current operation.
class TForm22 : public QDialog {
    Q_OBJECT
public:
    explicit TForm22(QWidget* parent = nullptr);

    int Tag = 0;

    // Shows the norms of operation operId (its new norms belong to it) until the window closes.
    // The title names the product and the operation whose norms are shown.
    void openForEdit(int operId, const QString& product = {}, const QString& operation = {});
    static QString titleFor(const QString& product, const QString& operation);
    int operationId = 0;

    // accounts_dep.norm ordered by norm; the operations list filters it to one operation ("o_id=N").
    Dataset norm;

    QTableView* DBGrid1;
    QPushButton* Button1;  // "Сохранить": default and cancel button
    QPushButton* Button2;  // "Удалить"

    // Whether the row being edited is a new one (it gets the operation's id when it is saved).
    bool newRow = false;

    // Starts editing a grid row: the row after the last is a new norm, any other an existing one.
    void DBGrid1ColEnter(int row);
    // Saves the row being edited (a new row as a norm of the current operation) and re-reads the table,
    // keeping the grid on the saved row. Runs after every committed cell and before closing.
    void DBGrid1ColExit();
    void Button1Click();
    void Button2Click();

    void reject() override;  // Esc and the window's close box save like "Сохранить"

    // Reads a cell text typed into the grid: a whole number for norm and bonus, a number with either
    // decimal separator for price. False when the text is not such a number.
    static bool parseCell(const QString& field, const QString& text, QVariant* value);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCurrent(int column);  // puts the grid's cursor on the table's current row
    void commitEditor();           // takes a value still open in a cell editor
    class Model;
    class Delegate;
    Model* model_;
};
