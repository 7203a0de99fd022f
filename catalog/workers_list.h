#pragma once

#include <QDialog>

class DbGrid;
class QLineEdit;
class QPushButton;
class QKeyEvent;

// The workers list: searches, adds, edits and deletes the workers of accounts_dep.person, and picks a worker
// for the shift entry dialog (tag 1) and the maintenance work entry dialog (tag 24).
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Добавить"
    QPushButton* Button2;  // "Изменить" / "Выбрать"
    QPushButton* Button3;  // "Удалить"
    QPushButton* Button4;  // "Выход"

    int Tag = 0;

    // Opening from the main menu: list mode.
    void runList();
    // Opening by a dialog that chooses a worker (tag 1: shift entry, 24: maintenance work entry). True when a
    // worker was picked; then pickedId and pickedText (the name, trimmed) hold it.
    bool runPick(int tag);
    int pickedId = 0;
    QString pickedText;

    void FormActivate();
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* e);  // true: the key is consumed
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool picked_ = false;
};
