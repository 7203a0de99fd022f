#pragma once

#include <QDate>
#include <QDialog>
#include <optional>

#include "base/login_modes.h"
#include "core/dataset.h"

class DbGrid;
class QComboBox;
class QLabel;
class QPushButton;

// «Проверка месяца»: the eight checks of a month with their counts, the findings of the chosen check below; a
// double click on a finding asks for its record to be opened (the journal or the maintenance journal), «Исправить»
// puts the time sheet right for the two checks of day cells. Printed and exported to a spreadsheet.
class MonthCheckWindow : public QDialog {
    Q_OBJECT
public:
    explicit MonthCheckWindow(QWidget* parent = nullptr);

    // From the menu: the month of date, for the mode logged in with (it decides whether «Исправить» may run).
    void openFor(const QDate& date, std::optional<login::Mode> mode);

    QComboBox* MonthBox;
    QComboBox* YearBox;
    DbGrid* ChecksGrid;
    DbGrid* FindingsGrid;
    QPushButton* FixButton;
    QPushButton* PrintButton;
    QPushButton* ExcelButton;
    QPushButton* ExitButton;
    QLabel* ClosedLabel;

    Dataset checks;    // one row per check: n, name, cnt
    Dataset findings;  // of the current check

    int month() const;
    int year() const;
    int currentCheck() const;  // 1..8, 0 when none

    void load();          // the counts of the chosen month, the findings of the current check
    void showFindings();  // the findings of the current check
    void openFinding();   // the double click
    void fixClick();
    void printClick();
    void excelClick();
    void updateFix();

signals:
    // A finding's record wanted: src 'smena' (a shift record, shift 1..4) or 'fatigue' (a maintenance entry).
    void recordWanted(const QString& src, const QDate& date, int shift, int id);

private:
    std::optional<login::Mode> mode_;
    bool closed_ = false;
};
