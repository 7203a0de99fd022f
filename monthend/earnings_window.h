#pragma once

#include <QDate>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// «Расчетный листок»: the earnings statement of a month for one worker (picked through the workers list) or for
// every worker, one worker per page; printed, saved as PDF from the preview, or written to a workbook (one sheet).
class EarningsWindow : public QDialog {
    Q_OBJECT
public:
    explicit EarningsWindow(QWidget* parent = nullptr);

    // From the menu: the month of date.
    void openFor(const QDate& date);

    QComboBox* MonthBox;
    QComboBox* YearBox;
    QLineEdit* WorkerEdit;
    QPushButton* PickButton;
    QCheckBox* AllWorkers;
    QPushButton* PrintButton;
    QPushButton* ExcelButton;
    QPushButton* ExitButton;

    int worker = 0;  // the worker picked (accounts_dep.person.id); 0: none
    int month() const;
    int year() const;
    // The worker the statements are for: 0 for every worker.
    int chosenWorker() const;

    void pickClick();
    void printClick();
    void excelClick();
    void updateButtons();
};
