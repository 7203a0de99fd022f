#pragma once

#include <QDialog>

class DbGrid;
class QLineEdit;
class QPushButton;
class QKeyEvent;

// The operation kinds list: searches, adds, renames and deletes the kinds of work (accounts_dep.vid_oper), and
// picks a kind for the operation price dialog (tag 1).
class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Добавить"
    QPushButton* Button2;  // "Изменить" / "Выбрать"
    QPushButton* Button3;  // "Удалить"
    QPushButton* Button4;  // "Выход"

    int Tag = 0;

    // Opening from the main menu: list mode, the whole list.
    void runList();
    // Opening by the operation price dialog (tag 1). True when a kind was picked; then pickedId and pickedText
    // (the name, trimmed) hold it.
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
