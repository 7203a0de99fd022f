#pragma once

#include <QDialog>

#include "audit/audit_log.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

// «История изменений»: the changes of a period, of one table, of one worker, or of one record, one line per
// change with only the fields that changed; exported to a spreadsheet. Every login mode may read it.
class AuditWindow : public QDialog {
    Q_OBJECT
public:
    explicit AuditWindow(QWidget* parent = nullptr);

    // From the menu: the changes of the current month, every table and worker.
    void run();
    // The history of one record (the journal's Ctrl+H): every change of it, whenever made.
    void openForRecord(const QString& table, qlonglong rowId);

    QDateEdit* DateFrom;
    QDateEdit* DateTo;
    QComboBox* TableBox;
    QComboBox* WorkerBox;
    QPushButton* ShowButton;
    QPushButton* ExcelButton;
    QPushButton* ExitButton;
    QLabel* RecordLabel;
    QTableView* AuditGrid;

    // The filter the controls make (with the record of openForRecord while it is shown).
    audit_log::Filter filter() const;
    // Reads the changes of the filter into the grid.
    void load(const audit_log::Filter& f);
    void showClick();
    void excelClick();

    const QList<audit_log::Line>& lines() const { return lines_; }

private:
    void fillWorkers();
    class LinesModel;
    LinesModel* model_;
    QList<audit_log::Line> lines_;
    QString recordTable_;
    qlonglong recordId_ = 0;
};
