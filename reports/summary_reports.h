#pragma once

#include <QDate>
#include <QDialog>
#include <QGroupBox>

#include "core/dataset.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class SummaryLayout;

// A titled group of radio buttons of which one is chosen, addressed by its index.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)
public:
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);
    int itemIndex() const;  // -1 when none is chosen
    void setItemIndex(int index);
    QRadioButton* button(int index) const { return buttons_.value(index); }

private:
    QList<QRadioButton*> buttons_;
};

// The summary reports window: production summaries of a period from the shift records, as four printed
// reports and as a workbook, for all products, finished products only or blanks only.
class TForm18 : public QDialog {
    Q_OBJECT
public:
    explicit TForm18(QWidget* parent = nullptr);

    RadioGroup* RadioGroup1;  // "Вид продукции": "Все", "Готовая продукция", "Заготовки"
    QGroupBox* GroupBox1;  // "Период отбора"
    QDateEdit* DTPicker1;  // start of the period (included)
    QDateEdit* DTPicker2;  // end of the period (not included)
    QLabel* LabelLast;     // the last day the period includes
    QPushButton* Button4;  // "Отчет по рабочим"
    QPushButton* Button2;  // "Отчет по продукции"
    QPushButton* Button1;  // "Детальный отчет по рабочим"
    QPushButton* Button3;  // "Детальный отчет по продукции"
    QPushButton* Button6;  // Excel, its caption shows the export's progress
    QPushButton* Button5;  // "Выход"
    int Tag = 0;

    Dataset XLS_Rep;  // the workbook's query: parameters data1, data2

    void Button4Click();  // report by workers
    void Button2Click();  // report by products
    void Button1Click();  // detailed report by workers
    void Button3Click();  // detailed report by products
    void Button5Click();  // closes the window
    void Button6Click();  // the workbook

private:
    void printReport(SummaryLayout* layout, const QString& title);
};

namespace summary {
// The product kind choice as a filter on naimen: 0 all (no filter), 1 finished products, 2 blanks.
QString kindFilter(int choice);
void applyKind(Dataset& ds, int choice);
// A report's title: the title text, then the start date, " по " and the last day included (the day before the
// end date) in the short date format.
QString reportTitle(const QString& text, const QDate& from, const QDate& to);
// "(по 30.11.2026 включительно)" for the end date 01.12.2026.
QString lastDayText(const QDate& to);
// The operation column of the workbook: the kind, with " (грунт)" for colour 1 and " (цвет: N)" above 1.
QString operationText(const QString& vid, int color);
QStringList workbookSql();  // the text of XLS_Rep
}  // namespace summary
