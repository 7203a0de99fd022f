#pragma once

#include "app/dataset.h"

#include <QDate>
#include <QDialog>

class DbGrid;
class QLineEdit;
class QPushButton;
class QKeyEvent;

// The lower date bound of the shift records counted before a product delete: the first day of the month before
// today's, in the year 2000 (December 2000 in January), so that practically all records of the product count.
QDate productDeleteDateBound(const QDate& today);

// The delete statements of a product (all its prices; all its shift records; the goods row).
QString productPricesDeleteSql(qlonglong id);
QString productShiftsDeleteSql(qlonglong id);
QString productGoodsDeleteSql(qlonglong id);

// The products list: searches, adds, edits and deletes the products (goods rows with their nomenclature group),
// and picks a product for the operation price dialog (tag 1).
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Добавить"
    QPushButton* Button2;  // "Изменить" / "Выбрать"
    QPushButton* Button3;  // "Удалить"
    QPushButton* Button4;  // "Выход"

    Dataset Izdel_Smena;  // shift records of the product from a date on
    Dataset ii_oper;      // priced operations of the product

    int Tag = 0;

    // Opening from the main menu: list mode.
    void runList();
    // Opening by the operation price dialog (tag 1). True when a product was picked; then pickedId and
    // pickedText (the marka, trimmed) hold it.
    bool runPick(int tag);
    qlonglong pickedId = 0;
    QString pickedText;

    void FormActivate();
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* e);  // true: the key is consumed
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool picked_ = false;
};
