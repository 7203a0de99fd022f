#pragma once

#include <QDialog>

#include "core/dataset.h"

class DbGrid;
class QLabel;
class QLineEdit;
class QPushButton;

// «Закрытие месяцев»: the months with records, each with its state and who closed it when; a month is closed
// after a confirm and reopened for a reason. Full access only (its menu item is switched off otherwise).
class MonthCloseWindow : public QDialog {
    Q_OBJECT
public:
    explicit MonthCloseWindow(QWidget* parent = nullptr);

    // Reads the months afresh and shows the window modally.
    void run();

    Dataset months;
    DbGrid* MonthsGrid;
    QPushButton* CloseMonthButton;
    QPushButton* ReopenMonthButton;
    QPushButton* ExitButton;

    void closeMonthClick();
    void reopenMonthClick();

    // Re-reads the list and keeps the month that was current.
    void reload();

private:
    void updateButtons();
};

// The reason of a reopen: one line, required.
class ReasonDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReasonDialog(QWidget* parent = nullptr);
    QString reason() const;
    QLabel* Label1;
    QLineEdit* ReasonEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};
