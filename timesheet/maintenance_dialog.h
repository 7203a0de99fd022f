#pragma once

#include <QDate>
#include <QDialog>

#include "core/dataset.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Maintenance work entry dialog: adds a maintenance entry for the journal's day or changes the journal's current
// one, and keeps the worker's maintenance time-sheet row of that day in step.
class TForm24 : public QDialog {
    Q_OBJECT
public:
    explicit TForm24(QWidget* parent = nullptr);

    // What the journal hands over: its day, its "Выходной" box and the shift written into new entries.
    struct Day {
        QDate date;
        bool dayOff = false;
        int shift = 1;
    };
    // The journal's current entry, as a change starts from it (id 0: the journal has none, the fields stay empty).
    struct Entry {
        int id = 0;
        QString workerName, groupName;
        int worker = 0, group = 0, kind = 0, hours = 0;
        bool night = false;
    };
    // Shows the dialog modally for a new entry of that day, or for a change of the entry (its night flag
    // fixed). True when a save was made (the journal then reloads its day list).
    bool openForAdd(const Day& day);
    bool openForEdit(const Day& day, const Entry& entry);

    int Tag = 0;       // 0: the save adds an entry; otherwise it changes entry entryId
    int entryId = 0;   // the journal's current entry, for a change
    int workerId = 0;  // chosen worker (accounts_dep.person.id), 0: none
    int groupId = 0;   // chosen nomenclature group (cmn_classifier.item.id), 0: none

    Dataset type_work;  // the two work kinds with their hourly price

    Day day;  // the journal's day, given at opening

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button3;
    QLabel* Label2;
    QLineEdit* Edit2;
    QPushButton* Button4;
    QComboBox* cb_type_work;
    QLineEdit* Edit6;
    QLabel* Label8;
    QLineEdit* DBEdit1;
    QLabel* Label3;
    QLineEdit* DBEdit2;
    QCheckBox* CBox1;
    QPushButton* Button1;
    QPushButton* Button6;
    QLabel* LabelDay;  // the day (and night flag) the entry is written to

    // "Запись на 05.03.2026, выходной, ночные": the day an entry is written to, as the dialog shows it.
    static QString dayText(const Day& day, bool night);

    // The work kind list, open while the dialog is shown.
    void openKinds();
    void closeKinds();
    // Selects the work kind with that key (none when the list lacks it).
    void selectKind(int id);
    int selectedKind() const;

    void Button3Click();  // pick a worker
    void Button4Click();  // pick a nomenclature group
    void Button1Click();  // save
    void Edit6Exit();     // the sum follows the hours
    void cb_type_workChange();

private:
    bool run();
    void fillKinds();
    void showPrice();
    void showDay();

    bool saved_ = false;
};
