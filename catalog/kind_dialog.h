#pragma once

#include <QDialog>

#include "catalog/catalog_writes.h"

class QLineEdit;
class QPushButton;

// The operation kind dialog: the name of one kind. Tag 1 adds a kind, 2 renames the kind kindId.
class TForm9 : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    // The dialog for a new kind (name cleared), or for renaming kind id. True when saved.
    bool openForAdd();
    bool openForEdit(int id, const QString& name);

    QLineEdit* Edit1;
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    int Tag = 0;
    int kindId = 0;  // the kind being renamed

    void FormActivate();
    void Button1Click();

protected:
    void showEvent(QShowEvent* e) override;
};
