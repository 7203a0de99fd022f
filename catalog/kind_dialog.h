#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The duplicate check of an operation kind name (upper-cased by the caller), on add and on edit.
QString kindDuplicateSql(const QString& upperName);
QString kindDuplicateSql(const QString& upperName, int ownId);

// The operation kind dialog: the name of one kind. Tag 1 adds a kind, 2 renames the current kind of the list.
class TForm9 : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton* Button1;  // "Записать"
    QPushButton* Button2;  // "Отмена"

    int Tag = 0;

    void FormActivate();
    void Button1Click();

protected:
    void showEvent(QShowEvent* e) override;
};
