#pragma once

#include <QDialog>

#include "catalog/catalog_writes.h"
#include "core/dataset.h"

class DbLookupCombo;
class QLineEdit;
class QPushButton;

// A worker as the list shows it.
struct WorkerRecord {
    int id = 0;
    QString fio;
    QString position;  // s_staffpos_hl
};

// The worker dialog: name of one worker and the text shown as the position, chosen from the departments; the
// position and role lookups are shown for reference. Tag 1 adds, 2 edits the worker workerId.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // The dialog for a new worker: the name cleared, the lookups as the last use left them. True when saved.
    bool openForAdd();
    // The dialog for a stored worker: its name, and the position and department lookups on the stored position
    // text where a row of that caption exists (none chosen otherwise). An unchosen department keeps the stored
    // text. True when saved.
    bool openForEdit(const WorkerRecord& worker);

    QLineEdit* Edit1;
    DbLookupCombo* LCB_staffpos;
    DbLookupCombo* LCB_department;
    DbLookupCombo* LCB_roles;
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    Dataset staffpos;
    Dataset department;
    Dataset roles;

    int Tag = 0;
    int workerId = 0;  // the worker being edited

    // Closes and reopens the three lookup tables (the list does this before each showing).
    void reopenLookups();

    void FormActivate();
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    void Button1Click();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void sendKeyToFocusedLookup(int key);
    int wheelRest_ = 0;
};
