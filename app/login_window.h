#pragma once

#include <QDialog>

#include "base/login_modes.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The login window: the first window of the program and its main one. One word decides what the user may
// do; a good word shows the main window, and when that closes the program ends. It also runs the version
// check that keeps an outdated program from working on the database.
class TForm23 : public QDialog {
    Q_OBJECT
public:
    explicit TForm23(QWidget* parent = nullptr);

    int Tag = 0;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;  // «Пользователь»: shown for a person's login ([login] mode = person)
    QLineEdit* Edit2;
    QPushButton* Button1;  // Вход
    QPushButton* Button2;  // Отмена
    QTimer* Timer1;        // ends the program 5 s after a refused version check

    void FormActivate();  // version check, then the build stamp in the caption
    void Button1Click();
    void Button2Click();
    void Timer1Timer();

    // Compares the program's build stamp with the one stored in accounts_dep.ver: records this program's stamp
    // when the stored one is older, and ends the program when the stored one is newer.
    void VersionCheck();

protected:
    void showEvent(QShowEvent* event) override;
    // Esc and the window's close box end the program as Cancel does.
    void reject() override { finish(); }

signals:
    // The window has closed: the program ends.
    void closed();

private:
    void finish();
    // A person's login: the name and password open the connection, the person's group gives the mode.
    void personLogin();
    // What every mode does after it is known: the main window shown modally, then the program ends.
    void enter(const QString& loginText, login::Mode mode);
    bool refusing_ = false;
    bool person_ = false;
};
