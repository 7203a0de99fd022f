#pragma once

#include <QDate>
#include <QDialog>
#include <array>
#include <functional>

#include "core/dataset_model.h"

class QComboBox;
class QProgressBar;
class QPushButton;
class QTabWidget;
namespace live {
class Follower;
}

// The time sheet by shifts: one month's hours per worker and day as they stand in the time sheet, a tab per
// shift; rebuilds the month from the shift records, prints the month and writes it to a workbook.
class TForm19 : public QDialog {
    Q_OBJECT
public:
    explicit TForm19(QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    DbGrid* DBGrid1;
    DbGrid* DBGrid2;
    DbGrid* DBGrid3;
    QPushButton* Button1;  // "Перестроить"
    QProgressBar* PB;
    QPushButton* Button2;  // "Excel"
    QComboBox* ComboBox1;  // month
    QComboBox* ComboBox2;  // year
    QPushButton* Button5;  // "Обновить"
    QPushButton* Button6;  // "Печать"
    QPushButton* Button4;  // "Выход"
    int Tag = 0;

    // What the main window's menu item does: the month of date selected (its year added to the list when
    // missing), the month loaded, the window shown modally, the shift queries closed afterwards.
    void openFor(const QDate& date);

    void ComboBox1Change();  // loads the chosen month into the three grids
    void Button1Click();     // rebuild
    void Button2Click();     // Excel
    void Button5Click();     // reload
    void Button6Click();     // print
    void FormActivate();

    int month() const;  // 1..12
    int year() const;

    // The day-column marking of the loaded month (index 0 = day 1).
    struct DayMark {
        QColor color;
        bool readOnly = false;
    };
    const std::array<DayMark, 31>& dayMarks() const { return marks_; }

    // The colours of the grids' cells (ForegroundRole, BackgroundRole, FontRole).
    QVariant cellStyle(const Dataset& ds, int row, const GridColumn& column, int role) const;

    // Reads the month's three sheets again when another workstation changes the month (rows kept by id).
    live::Follower* liveMonth = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void markMonth(DbGrid* grid, int month, int year);
    void selectYear(int year);
    void reopenShifts();
    QList<GridColumn> columns() const;

    std::array<DbGrid*, 3> grids_{};
    std::array<DayMark, 31> marks_{};
};

class ExcelWriter;

namespace timesheet {

// Writes the summed sheet h (open) into the writer's workbook as the Excel export does: the heading, the day
// titles, one line per worker with his 31 days and the total. rowWritten(k) follows the k-th worker's line.
void writeExport(ExcelWriter& xl, Dataset& h, const QString& heading,
                 const std::function<void(int row)>& rowWritten = {});
}  // namespace timesheet
