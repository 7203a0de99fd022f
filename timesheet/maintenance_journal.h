#pragma once

#include <QDate>
#include <QDialog>

#include "core/dataset.h"
#include "timesheet/maintenance_dialog.h"

class DbGrid;
namespace live {
class Follower;
}
class QCheckBox;
class QLabel;
class QDateEdit;
class QPushButton;

// Maintenance work journal: the maintenance entries of one day, added, changed and deleted through the entry
// dialog, and the average piece rate of a month computed into the entries paid at that rate.
class TForm25 : public QDialog {
    Q_OBJECT
public:
    explicit TForm25(QWidget* parent = nullptr);

    // Opening from the main window: the date picker set to date and the day-off box set from it, shown modally;
    // entry id current when it is on that day (0: the first row).
    void openFor(const QDate& date, int id = 0);

    int Tag = 0;
    int shiftNumber = 1;  // shift written into new entries

    Dataset fatigue;  // the day list

    DbGrid* DBGrid1;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QDateEdit* DTPcker1;
    QPushButton* Button1;
    QCheckBox* CBox1;
    QPushButton* Button8;
    QLabel* MonthClosedLabel;  // «Месяц закрыт» on a day of a closed month

    // Reads whether the day's month is closed and switches the writing buttons off in a closed one.
    void updateMonthState();
    bool monthClosed() const { return monthClosed_; }

    void FormActivate();
    void DTPcker1Change();
    void CBox1Click();
    void Button5Click();  // add
    void Button6Click();  // change
    void Button7Click();  // delete
    void Button1Click();  // average piece rate

    // Reopens the day list and returns to the row number it was on.
    void reloadKeepingRow();

    // Reads the day list again when another workstation changes the day's entries (the same entry kept).
    live::Follower* liveDay = nullptr;

protected:
    TForm24::Day day() const;
    void showEvent(QShowEvent* event) override;

private:
    bool monthClosed_ = false;
    int wantedId_ = 0;
};
