#pragma once

#include <QDate>
#include <QDialog>
#include <optional>
#include <utility>

#include "base/login_modes.h"
#include "core/dataset.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTimer;
class DbGrid;
namespace live {
class Follower;
}

// The main window: the shift journal of one date and shift, with its acceptance marks; the hub from which
// every other window is opened.
class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // State other windows read.
    int selectedShift = 1;                 // 1..4
    QString loginText;                     // the trimmed word typed at login (a person's login: the user name)
    bool foremanLogin = false;             // logged in in the foreman mode (by the word, or as a member of its group)
    std::optional<login::Mode> loginMode;  // the mode logged in with (by the word or the person's group)
    int buildDate = 0;                     // the build stamp: YYYYMMDD
    int buildTime = 0;                     //   and seconds after midnight
    int Tag = 0;

    // The journal query of the selected shift (shift 1 for anything outside 1..4).
    Dataset& currentShiftQuery();
    // Closes and reopens the four shift queries for the date of DateT.
    void reloadJournal();
    // Makes shift 1..4 the selected one, as clicking its radio button does.
    void selectShift(int shift);

    QMenuBar* MainMenu1;
    QMenu* N2;             // Справочники
    QAction* N1;           //   Рабочие
    QAction* N3;           //   Изделия
    QAction* N4;           //   Цены
    QAction* N6;           //   Операции
    QAction* N8;           //   Внеурочное
    QMenu* N11;            // Табель
    QAction* N9;           //   Табель сделка
    QAction* N13;          //   Табель по сменам
    QAction* N14;          //   Табель хоз. работ
    QAction* N15;          //   Табель ср. сдельная
    QMenu* N7;             // Отчеты
    QAction* N10;          //   Сводные отчеты
    QAction* N5;           // Выход
    QAction* N12;          // Импорт (hidden)
    QAction* N16;          // Структура БД
    QAction* NMonthClose;  // Табель / Закрытие месяцев…
    QAction* NAudit;       // Отчеты / История изменений
    QAction* NMonthCheck;  // Отчеты / Проверка месяца
    QAction* NEarnings;    // Отчеты / Расчетный листок
    QAction* NHistory;     // the grid's context menu, Ctrl+H: the history of the current record

    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    QDateEdit* DateT;
    QCheckBox* CBox1;
    DbGrid* DBGrid2;
    QPushButton* Button1;      // Добавить
    QPushButton* Button2;      // Изменить
    QPushButton* Button3;      // Удалить
    QPushButton* Button8;      // Обновить
    QPushButton* Button5;      // Ср.сд./хоз. работы
    QPushButton* Button4;      // Выход
    QLabel* Label1;            // progress of the legacy import (hidden)
    QLabel* MonthClosedLabel;  // «Месяц закрыт» on a day of a closed month

    Command updtOK;  // the acceptance mark of one record
    Dataset ver;     // accounts_dep.ver: the build stamp every workstation compares against
    QTimer* Timer1;  // the version check every 30 s

    // Handlers.
    void FormActivate();  // loads today's journal; run once, when the login shows the window
    void DateTChange();
    void DateTKeyPress(int key);
    void Button8Click();
    void RadioButton1Click() { shiftClicked(1); }
    void RadioButton2Click() { shiftClicked(2); }
    void RadioButton3Click() { shiftClicked(3); }
    void RadioButton4Click() { shiftClicked(4); }
    void CBox1Click();
    void DBGrid2DblClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void Button4Click() { reject(); }
    void N1Click();
    void N3Click();
    void N4Click();
    void N6Click();
    void N9Click();
    void N13Click();
    void N14Click();
    void N15Click();
    void N10Click();
    void N12Click();
    void N16Click();
    void N5Click() { reject(); }
    void NMonthCloseClick();
    void NAuditClick();
    void NHistoryClick();
    void NMonthCheckClick();
    void NEarningsClick();

    // The journal of date and shift with record id current (the first row when it is not there).
    void showRecord(const QDate& date, int shift, int id);
    // A finding of the month check: a shift record in the journal, a maintenance entry in its journal.
    void showFinding(const QString& src, const QDate& date, int shift, int id);

    // Whether the date's month is closed (as last read), and the writing buttons switched to match: a button is
    // enabled only when the login mode allows it and the month is open.
    bool monthClosed() const { return monthClosed_; }
    void updateMonthState();
    void Timer1Timer();

    // The default period of the summary reports for a day: the whole previous month, [first day, first day of
    // the day's month).
    static std::pair<QDate, QDate> summaryPeriod(const QDate& today);

    // Live refresh: the journal of the date reads itself again when another workstation changes its records,
    // keeping the current record and the scroll position; LiveStatus tells when it was last brought up to date
    // and whether the database's announcements arrive.
    live::Follower* liveJournal = nullptr;
    QLabel* LiveStatus;
    void liveRefresh();
    void showLiveStatus();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindKeys();
    void stepDay(int days);
    void shiftClicked(int shift);
    void paintShiftButtons();
    bool activated_ = false;
    bool monthClosed_ = false;
};
