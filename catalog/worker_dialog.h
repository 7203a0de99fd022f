#pragma once

#include <QDialog>

#include "core/dataset.h"

class DbLookupCombo;
class QLineEdit;
class QPushButton;

// Statements of the worker dialog and the workers list (texts quoted, so any name is stored as typed).
QString workerInsertSql(const QString& fio, const QString& department);
QString workerUpdateSql(const QString& fio, const QString& department, int id);
QString workerDeleteSql(int id);

// The worker dialog: name of one worker and the text shown as the position, chosen from the departments; the
// position and role lookups are shown for reference. Tag 1 adds, 2 edits the worker workerId.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    DbLookupCombo* LCB_staffpos;
    DbLookupCombo* LCB_department;
    DbLookupCombo* LCB_roles;
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    Dataset staffpos;
    Dataset department;
    Dataset roles;
    Command cmd_person;

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
