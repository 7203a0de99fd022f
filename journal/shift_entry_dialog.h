#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <optional>

#include "journal/shift_records.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The shift entry dialog: adds one shift record (worker, priced operation, quantity, defects, hours, colour,
// date) to the journal of the selected shift, or changes one, and keeps the time sheet's day cell in step.
class TForm11 : public QDialog {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);

    int Tag = 1;  // 1 add, anything else edit

    // Set by the main window's presets and by the pickers, read on save; never reset.
    int workerId = 0;
    int operId = 0;
    int productId = 0;
    double unitPrice = 0;

    QGroupBox* GroupBox1;  // "Закрыто мастером"
    QLineEdit* Edit1;      // worker (read-only; a click picks)
    QPushButton* Button3;  // "..." worker picker
    QLineEdit* Edit2;      // operation (read-only; a click picks)
    QPushButton* Button4;  // "..." operation picker
    QLineEdit* Edit3;      // quantity
    QLineEdit* Edit6;      // hours
    QLineEdit* Edit5;      // colour, paint operations only
    QDateEdit* DTimeP;     // date of the work
    QLineEdit* Edit4;      // defects
    QLineEdit* Edit8;      // base price (read-only)
    QLineEdit* Edit7;      // unit price (read-only)
    QLineEdit* Edit9;      // sum (read-only)
    QPushButton* Button1;  // "Запись"
    QPushButton* Button2;  // "Отмена"
    QLabel* Label1;        // "ФИО"
    QLabel* Label2;        // "Операция"
    QLabel* Label3;        // "Кол-во"
    QLabel* Label4;        // "Брак"
    QLabel* Label5;        // "Время"
    QLabel* Label6;        // "Цвет"
    QLabel* Label7;        // "Дата"
    QLabel* Label8;        // "Цена база"
    QLabel* Label9;        // "Цена итог"
    QLabel* Label10;       // "Сумма"

    // Shows the dialog for a new record of the journal's date and shift; dayOff is the journal's "Выходной",
    // which the operation picker prices by.
    void openForAdd(const QDate& date, int shift, bool dayOff);
    // Shows the dialog for a change of a journal record; the save refuses it when the stored record no longer
    // is as given here.
    void openForEdit(const shift_records::Stored& record, int shift, bool dayOff);
    // The operation's description as the dialog shows it: mark, kind and product kind.
    static QString operationText(const shift_records::Stored& record);

    // A paint operation: its description, upper-cased, contains "КРАСКА". Only these take a colour number.
    static bool isPaint(const QString& operationText);

    void FormActivate();
    void Button3Click();  // worker picker (also a click on Edit1)
    void Button4Click();  // operation picker (also a click on Edit2)
    // Key filters of the number boxes: true when the typed character is discarded (only Backspace and the
    // digits 0 to 9 pass).
    bool Edit3KeyPress(QChar key);
    bool Edit4KeyPress(QChar key);
    void Edit6Exit();  // recalculation of the prices and the sum
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The paint test on Edit2: the colour box and its label enabled, or cleared and disabled.
    void applyPaintTest();
    // The input checks before anything is written; false after showing why.
    bool validate();
    // Reopens the journal of the dialog's shift on the row it showed.
    void reloadJournal();

    int shift_ = 1;                                 // the journal's shift, written into the record
    bool dayOff_ = false;                           // the journal's "Выходной"
    std::optional<shift_records::Stored> editing_;  // the record being changed, as the journal showed it
};
