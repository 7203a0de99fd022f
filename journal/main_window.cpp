#include "journal/main_window.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

#include "app/build_stamp.h"
#include "app/login_window.h"
#include "audit/audit_window.h"
#include "audit/month_close_window.h"
#include "base/closed_months.h"
#include "base/colours.h"
#include "base/datamodule.h"
#include "base/login_modes.h"
#include "base/registry.h"
#include "catalog/kinds_list.h"
#include "catalog/operations_list.h"
#include "catalog/products_list.h"
#include "catalog/workers_list.h"
#include "core/dataset_model.h"
#include "core/format.h"
#include "core/job.h"
#include "core/keys.h"
#include "core/live.h"
#include "core/report/report_definition.h"
#include "core/sqltext.h"
#include "core/ui.h"
#include "journal/shift_entry_dialog.h"
#include "journal/shift_records.h"
#include "migrate/legacy_import.h"
#include "migrate/schema_upgrade.h"
#include "monthend/earnings_window.h"
#include "monthend/month_check_window.h"
#include "reports/summary_reports.h"
#include "timesheet/maintenance_journal.h"
#include "timesheet/piecework_timesheet.h"
#include "timesheet/shift_timesheet.h"

namespace {

template <class T>
T* named(T* object, const char* name) {
    object->setObjectName(QLatin1String(name));
    return object;
}

bool isAccepted(const QString& ok) {
    return ok == QStringLiteral("да") || ok == QLatin1String("ok");
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QDialog(parent),
      updtOK(app().dm->ADO_DB, QStringLiteral("update accounts_dep.smena set ok=:ok where id=:id")),
      ver(app().dm->ADO_DB, QStringLiteral("ver"), this) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Табель"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    buildDate = ::buildDate();
    buildTime = ::buildTime();
    ver.setSql(QStringLiteral("select * from accounts_dep.ver"));
    ver.setTable(QStringLiteral("accounts_dep.ver"), QString());

    // Menu.
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    N2 = named(MainMenu1->addMenu(QStringLiteral("Справочники")), "N2");
    N1 = named(N2->addAction(QStringLiteral("Рабочие")), "N1");
    N3 = named(N2->addAction(QStringLiteral("Изделия")), "N3");
    N4 = named(N2->addAction(QStringLiteral("Цены")), "N4");
    N6 = named(N2->addAction(QStringLiteral("Операции")), "N6");
    N8 = named(N2->addAction(QStringLiteral("Внеурочное")), "N8");
    N11 = named(MainMenu1->addMenu(QStringLiteral("Табель")), "N11");
    N9 = named(N11->addAction(QStringLiteral("Табель сделка")), "N9");
    N13 = named(N11->addAction(QStringLiteral("Табель по сменам")), "N13");
    N14 = named(N11->addAction(QStringLiteral("Табель хоз. работ")), "N14");
    N15 = named(N11->addAction(QStringLiteral("Табель ср. сдельная")), "N15");
    N7 = named(MainMenu1->addMenu(QStringLiteral("Отчеты")), "N7");
    N10 = named(N7->addAction(QStringLiteral("Сводные отчеты")), "N10");
    N5 = named(MainMenu1->addAction(QStringLiteral("Выход")), "N5");
    N12 = named(MainMenu1->addAction(QStringLiteral("Импорт")), "N12");
    N12->setVisible(false);
    N16 = named(MainMenu1->addAction(QStringLiteral("Структура БД")), "N16");
    NMonthClose = named(N11->addAction(QStringLiteral("Закрытие месяцев…")), "NMonthClose");
    NAudit = named(N7->addAction(QStringLiteral("История изменений")), "NAudit");
    NMonthCheck = named(N7->addAction(QStringLiteral("Проверка месяца")), "NMonthCheck");
    NEarnings = named(N7->addAction(QStringLiteral("Расчетный листок")), "NEarnings");

    // Shift, date and day off.
    RadioButton1 = named(new QRadioButton(QStringLiteral("Смена №1")), "RadioButton1");
    RadioButton2 = named(new QRadioButton(QStringLiteral("Смена №2")), "RadioButton2");
    RadioButton3 = named(new QRadioButton(QStringLiteral("Смена №3")), "RadioButton3");
    RadioButton4 = named(new QRadioButton(QStringLiteral("Переработка")), "RadioButton4");
    RadioButton1->setChecked(true);
    DateT = named(new QDateEdit(QDate::currentDate()), "DateT");
    DateT->setCalendarPopup(true);
    DateT->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateT->installEventFilter(this);
    CBox1 = named(new QCheckBox(QStringLiteral("Выходной")), "CBox1");

    auto* top = new QHBoxLayout;
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
        top->addWidget(r);
    top->addSpacing(24);
    auto* dateLabel = new QLabel(QStringLiteral("Дата:"));
    dateLabel->setBuddy(DateT);
    top->addWidget(dateLabel);
    top->addWidget(DateT);
    top->addWidget(CBox1);
    top->addStretch(1);

    // The journal grid.
    DBGrid2 = named(new DbGrid, "DBGrid2");
    const auto centre = Qt::AlignCenter;
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    DBGrid2->setColumns({
        {QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), left, QString(), true, 170},
        {QStringLiteral("marka"), QStringLiteral("Марка изделия"), left, QString(), true, 130},
        {QStringLiteral("vid"), QStringLiteral("Операция"), left, QString(), true, 150},
        {QStringLiteral("nmn"), QStringLiteral("Вид"), left, QString(), true, 140},
        {QStringLiteral("color"), QStringLiteral("Цвет"), centre, QString(), true, 50},
        {QStringLiteral("time"), QStringLiteral("Часы"), right, QString(), true, 50},
        {QStringLiteral("kol_vo"), QStringLiteral("Кол-во"), right, QString(), true, 65},
        {QStringLiteral("brak"), QStringLiteral("Брак"), right, QString(), true, 50},
        {QStringLiteral("summa"), QStringLiteral("Итого (р.)"), right, QString(), true, 90},
        {QStringLiteral("prize"), QStringLiteral("Премия (%)"), right, QString(), false},
        {QStringLiteral("ok"), QStringLiteral("OK"), centre, QString(), true, 40},
        {QStringLiteral("vvod"), QStringLiteral("Заведен"), centre, QString(), true, 90},
    });
    QFont titleFont = DBGrid2->font();
    titleFont.setBold(true);
    DBGrid2->datasetModel()->setTitleFont(titleFont);
    // The acceptance mark: bold, green when accepted, red otherwise.
    DBGrid2->datasetModel()->setCellRule(
        [](const Dataset& ds, int row, const GridColumn& column, int role) -> QVariant {
            if (column.field != QLatin1String("ok"))
                return {};
            if (role == Qt::FontRole) {
                QFont f;
                f.setBold(true);
                return f;
            }
            if (role == Qt::ForegroundRole) {
                const int col = ds.columnIndex(QStringLiteral("ok"));
                return col >= 0 && isAccepted(ds.textAt(row, col).trimmed()) ? colours::clGreen : colours::clRed;
            }
            return {};
        });
    DBGrid2->horizontalHeader()->setStretchLastSection(true);
    DBGrid2->setDataset(&app().dm->Smena1);
    NHistory = named(new QAction(QStringLiteral("История записи"), DBGrid2), "NHistory");
    NHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    NHistory->setShortcutContext(Qt::WindowShortcut);
    DBGrid2->addAction(NHistory);
    DBGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);

    // Buttons.
    Button1 = named(new QPushButton(QStringLiteral("Добавить")), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("Изменить")), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("Удалить")), "Button3");
    Button8 = named(new QPushButton(QStringLiteral("Обновить")), "Button8");
    Button5 = named(new QPushButton(QStringLiteral("Ср.сд./хоз. работы")), "Button5");
    Button4 = named(new QPushButton(QStringLiteral("Выход")), "Button4");
    auto* bottom = new QHBoxLayout;
    // No button is the default one (Enter on a row edits it); Enter presses the focused button.
    for (QPushButton* b : {Button1, Button2, Button3, Button8, Button5}) {
        b->setAutoDefault(true);
        bottom->addWidget(b);
    }
    Label1 = named(new QLabel, "Label1");  // progress of the legacy import; hidden like its menu item
    Label1->hide();
    bottom->addWidget(Label1);
    MonthClosedLabel = named(new QLabel(closed_months::closedText()), "MonthClosedLabel");
    MonthClosedLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    MonthClosedLabel->hide();
    top->addWidget(MonthClosedLabel);
    bottom->addStretch(1);
    LiveStatus = named(new QLabel, "LiveStatus");
    LiveStatus->setStyleSheet(QStringLiteral("color: #606060;"));
    bottom->addWidget(LiveStatus);
    Button4->setAutoDefault(true);
    bottom->addWidget(Button4);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addLayout(top);
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(bottom);
    resize(1100, 640);
    bindKeys();
    paintShiftButtons();
    colours::paintChoice(CBox1, false, colours::clRed);

    // The journal follows the shift records of its date, and the names it shows.
    liveJournal = new live::Follower(
        this,
        [this](const live::Change& c) {
            static const QStringList names{
                QStringLiteral("cmn_contractor.person"), QStringLiteral("cmn_gds_and_srv.gds_and_srv"),
                QStringLiteral("accounts_dep.oper"), QStringLiteral("accounts_dep.vid_oper")};
            if (!activated_ || !app().dm->Smena1.isOpen())
                return false;
            return c.all || c.touchesTable(names) ||
                   (c.table == QLatin1String("accounts_dep.smena") && c.touchesDay(DateT->date()));
        },
        [this] { liveRefresh(); });
    connect(liveJournal, &live::Follower::updated, this, [this] { showLiveStatus(); });
    connect(&live::Listener::instance(), &live::Listener::liveChanged, this, [this] { showLiveStatus(); });

    // Handlers.
    auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, ui::guarded([this, handler](auto&&...) { (this->*handler)(); }));
    };
    connect(RadioButton1, &QRadioButton::toggled, this, ui::guarded([this](bool on) {
                if (on)
                    RadioButton1Click();
            }));
    connect(RadioButton2, &QRadioButton::toggled, this, ui::guarded([this](bool on) {
                if (on)
                    RadioButton2Click();
            }));
    connect(RadioButton3, &QRadioButton::toggled, this, ui::guarded([this](bool on) {
                if (on)
                    RadioButton3Click();
            }));
    connect(RadioButton4, &QRadioButton::toggled, this, ui::guarded([this](bool on) {
                if (on)
                    RadioButton4Click();
            }));
    on(CBox1, &QCheckBox::toggled, &TForm1::CBox1Click);
    // A date chosen in the calendar reloads (after the picker has taken it); typing alone does not.
    connect(DateT->calendarWidget(), &QCalendarWidget::clicked, this, ui::guarded([this](QDate) { DateTChange(); }),
            Qt::QueuedConnection);
    connect(DateT->calendarWidget(), &QCalendarWidget::activated, this, ui::guarded([this](QDate) { DateTChange(); }),
            Qt::QueuedConnection);
    connect(DBGrid2, &QAbstractItemView::doubleClicked, this,
            ui::guarded([this](const QModelIndex&) { DBGrid2DblClick(); }));
    on(Button1, &QPushButton::clicked, &TForm1::Button1Click);
    on(Button2, &QPushButton::clicked, &TForm1::Button2Click);
    on(Button3, &QPushButton::clicked, &TForm1::Button3Click);
    on(Button8, &QPushButton::clicked, &TForm1::Button8Click);
    on(Button5, &QPushButton::clicked, &TForm1::Button5Click);
    on(Button4, &QPushButton::clicked, &TForm1::Button4Click);
    on(N1, &QAction::triggered, &TForm1::N1Click);
    on(N3, &QAction::triggered, &TForm1::N3Click);
    on(N4, &QAction::triggered, &TForm1::N4Click);
    on(N6, &QAction::triggered, &TForm1::N6Click);
    on(N9, &QAction::triggered, &TForm1::N9Click);
    on(N13, &QAction::triggered, &TForm1::N13Click);
    on(N14, &QAction::triggered, &TForm1::N14Click);
    on(N15, &QAction::triggered, &TForm1::N15Click);
    on(N10, &QAction::triggered, &TForm1::N10Click);
    on(N12, &QAction::triggered, &TForm1::N12Click);
    on(N16, &QAction::triggered, &TForm1::N16Click);
    on(N5, &QAction::triggered, &TForm1::N5Click);
    on(NMonthClose, &QAction::triggered, &TForm1::NMonthCloseClick);
    on(NAudit, &QAction::triggered, &TForm1::NAuditClick);
    on(NHistory, &QAction::triggered, &TForm1::NHistoryClick);
    on(NMonthCheck, &QAction::triggered, &TForm1::NMonthCheckClick);
    on(NEarnings, &QAction::triggered, &TForm1::NEarningsClick);

    // The version check runs every 30 s from the creation of the window to the end of the program.
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(30000);
    on(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
    Timer1->start();
}

void TForm1::bindKeys() {
    // Each key does what its button does, and nothing while the login mode has switched the button off.
    keys::bindButton(Button1, {QKeySequence(Qt::Key_Insert)});
    keys::bindButton(Button2, {QKeySequence(Qt::Key_F2)});
    Button2->setToolTip(keys::enterOnRowTip(Button2));
    keys::bindButton(Button3, {QKeySequence(Qt::Key_Delete)});
    keys::bindButton(Button8, {QKeySequence(Qt::Key_F5)});
    connect(DBGrid2, &DbGrid::returnPressed, this, ui::guarded([this] { Button2->click(); }));
    QRadioButton* shifts[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    for (int i = 0; i < 4; ++i)
        keys::bindButton(shifts[i], {QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i))});
    auto dayKey = [this](Qt::Key key, int step) {
        keys::bindAction(
            this, QKeySequence(Qt::CTRL | key), [this, step] { stepDay(step); }, [this] { return DateT->isEnabled(); });
    };
    dayKey(Qt::Key_Left, -1);
    dayKey(Qt::Key_Right, 1);
    DateT->setToolTip(QStringLiteral("Предыдущий/следующий день: Ctrl+←/Ctrl+→"));
}

void TForm1::stepDay(int days) {
    DateT->setDate(DateT->date().addDays(days));
    DateTChange();
}

Dataset& TForm1::currentShiftQuery() {
    return app().dm->smena(selectedShift);
}

void TForm1::selectShift(int shift) {
    QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    if (shift < 1 || shift > 4)
        shift = 1;
    if (buttons[shift - 1]->isChecked())
        shiftClicked(shift);
    else
        buttons[shift - 1]->setChecked(true);
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_)
        ui::guarded([this] { FormActivate(); })();
}

void TForm1::FormActivate() {
    activated_ = true;
    const QDate today = QDate::currentDate();
    DateT->setDate(today);
    if (fmt::isWeekend(today))
        CBox1->setChecked(true);
    TDataModule6& dm = *app().dm;
    for (int s = 1; s <= 4; ++s) {
        dm.smena(s).close();
        dm.smena(s).setFiltered(false);
    }
    reloadJournal();
}

void TForm1::reloadJournal() {
    TDataModule6& dm = *app().dm;
    for (int s = 1; s <= 4; ++s)
        dm.smena(s).close();
    for (int s = 1; s <= 4; ++s)
        dm.smena(s).setParam(QStringLiteral("data"), DateT->date());
    openAll({&dm.Smena1, &dm.Smena2, &dm.Smena3, &dm.Smena4});
    updateMonthState();
    liveJournal->markUpdated();
}

void TForm1::updateMonthState() {
    monthClosed_ = closed_months::isClosed(app().dm->ADO_DB, DateT->date());
    MonthClosedLabel->setVisible(monthClosed_);
    const std::optional<login::Mode> mode = loginMode ? loginMode : login::modeOfWord(loginText);
    const QStringList offByMode = mode ? login::disabledIn(objectName(), *mode) : QStringList();
    for (QPushButton* b : {Button1, Button2, Button3})
        b->setEnabled(!monthClosed_ && !offByMode.contains(b->objectName()));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DateT && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The typed date is taken first; the key goes no further (it would press a button of the window).
            DateT->interpretText();
            ui::guarded([this] { DateTKeyPress(13); })();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm1::DateTKeyPress(int key) {
    if (key == 13)
        DateTChange();
}

void TForm1::DateTChange() {
    {
        ui::HourGlass wait;
        reloadJournal();
        CBox1->setChecked(fmt::isWeekend(DateT->date()));
    }
    DBGrid2->setFocus();
}

void TForm1::Button8Click() {
    ui::HourGlass wait;
    TDataModule6& dm = *app().dm;
    for (int s = 1; s <= 4; ++s)
        dm.smena(s).close();
    openAll({&dm.Smena1, &dm.Smena2, &dm.Smena3, &dm.Smena4});
    updateMonthState();
    liveJournal->markUpdated();
}

void TForm1::shiftClicked(int shift) {
    DBGrid2->setDataset(&app().dm->smena(shift));
    selectedShift = shift;
    paintShiftButtons();
}

void TForm1::paintShiftButtons() {
    QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    const int shift = selectedShift >= 1 && selectedShift <= 4 ? selectedShift : 1;
    for (int i = 0; i < 4; ++i)
        colours::paintChoice(buttons[i], i + 1 == shift, colours::clGreen);
}

void TForm1::CBox1Click() {
    colours::paintChoice(CBox1, CBox1->isChecked(), colours::clRed);
}

void TForm1::DBGrid2DblClick() {
    if (loginText == QLatin1String("quilpon") || foremanLogin || monthClosed_)
        return;
    Dataset& q = currentShiftQuery();
    if (!q.isOpen() || q.isEmpty())
        return;
    updtOK.setParam(QStringLiteral("ok"), isAccepted(q.field(QStringLiteral("ok")).asString().trimmed())
                                              ? QStringLiteral("no")
                                              : QStringLiteral("ok"));
    updtOK.setParam(QStringLiteral("id"), q.field(QStringLiteral("id")).asLongLong());
    updtOK.execute();
    const int recNo = q.recNo();
    q.close();
    q.open();
    q.setRecNo(recNo);
}

void TForm1::Button1Click() {
    app().form11->openForAdd(DateT->date(), selectedShift, CBox1->isChecked());
}

void TForm1::Button2Click() {
    Dataset& q = currentShiftQuery();
    const int recNo = q.recNo();
    if (!q.isOpen() || q.isEmpty())
        return;
    app().form11->openForEdit(shift_records::Stored::fromRow(q), selectedShift, CBox1->isChecked());
    q.setRecNo(recNo);
}

void TForm1::Button3Click() {
    Dataset& q = currentShiftQuery();
    TDataModule6& dm = *app().dm;
    const bool hasRecord = q.isOpen() && !q.isEmpty() && !q.field(QStringLiteral("id")).isNull();
    if (!hasRecord)
        return;
    // The record as the journal shows it; the delete goes ahead only while the stored one is the same, and its
    // day cell is the stored record's (worker, shift, date), whatever the date box holds.
    const shift_records::Stored record = shift_records::Stored::fromRow(q);
    const bool yes = ui::messageBox(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"),
                                    ui::MB_QUESTION) == ui::IDYES;
    WriteOutcome outcome;
    if (yes)
        outcome = shift_records::remove(dm, record.id, record);
    q.close();
    q.open();
    if (yes)
        dm.Control.close();
    if (outcome.status == WriteOutcome::NotFound)
        ui::messageBox(QStringLiteral("Запись уже удалена с другого рабочего места."), QStringLiteral("Ошибка"),
                       ui::MB_ERROR);
    else if (outcome.status == WriteOutcome::Changed)
        ui::messageBox(QStringLiteral("Запись изменена с другого рабочего места и не удалена. Журнал обновлён."),
                       QStringLiteral("Ошибка"), ui::MB_ERROR);
}

void TForm1::Button5Click() {
    app().form25->openFor(DateT->date());
}

void TForm1::N1Click() {
    app().form5->runList();
}

void TForm1::N3Click() {
    app().form3->runList();
}

void TForm1::N4Click() {
    app().form4->runList();
}

void TForm1::N6Click() {
    app().form8->runList();
}

void TForm1::N9Click() {
    app().form27->openSheet(piecework::kPieceWork);
}

void TForm1::N13Click() {
    app().form19->openFor(DateT->date());
}

void TForm1::N14Click() {
    app().form27->openSheet(piecework::kMaintenance);
}

void TForm1::N15Click() {
    app().form27->openSheet(piecework::kAverageRate);
}

void TForm1::N10Click() {
    TForm18* f = app().form18;
    const auto [from, to] = summaryPeriod(QDate::currentDate());
    f->DTPicker1->setDate(from);
    f->DTPicker2->setDate(to);
    ui::execModal(f);
}

void TForm1::N12Click() {
    // The label shows the progress while the import runs, then hides again with its menu item.
    Label1->show();
    const auto hide = qScopeGuard([this] { Label1->hide(); });
    runLegacyImport([this](const QString& text) { Label1->setText(text); });
}

void TForm1::N16Click() {
    const QStringList failed = schema::upgrade(app().dm->ADO_DB);
    if (!failed.isEmpty())
        ui::messageBox(QStringLiteral("Структура БД обновлена не полностью:\n") + failed.join(QLatin1Char('\n')),
                       QStringLiteral("Ошибка"), ui::MB_ERROR);
}

void TForm1::NMonthCloseClick() {
    app().monthClose->run();
    updateMonthState();
}

void TForm1::NAuditClick() {
    app().audit->run();
}

void TForm1::NHistoryClick() {
    Dataset& q = currentShiftQuery();
    if (!q.isOpen() || q.isEmpty() || q.field(QStringLiteral("id")).isNull())
        return;
    app().audit->openForRecord(QStringLiteral("accounts_dep.smena"), q.field(QStringLiteral("id")).asLongLong());
}

std::pair<QDate, QDate> TForm1::summaryPeriod(const QDate& today) {
    const QDate first(today.year(), today.month(), 1);
    return {first.addMonths(-1), first};
}

void TForm1::Timer1Timer() {
    if (job::active())
        return;  // the connection is the long job's; the next turn checks the version
    if (app().form23)
        app().form23->VersionCheck();
}

void TForm1::liveRefresh() {
    live::reloadKeeping(DBGrid2, QStringLiteral("id"), [this] {
        TDataModule6& dm = *app().dm;
        for (int s = 1; s <= 4; ++s)
            dm.smena(s).close();
        openAll({&dm.Smena1, &dm.Smena2, &dm.Smena3, &dm.Smena4});
        updateMonthState();
    });
}

void TForm1::showLiveStatus() {
    const QDateTime at = liveJournal->lastUpdate();
    QString text = at.isValid() ? QStringLiteral("Обновлено ") + at.toString(QStringLiteral("HH:mm:ss")) : QString();
    if (!live::enabled())
        text += (text.isEmpty() ? QString() : QStringLiteral(" · ")) + QStringLiteral("автообновление выключено");
    else if (!live::Listener::instance().isLive())
        text += (text.isEmpty() ? QString() : QStringLiteral(" · ")) + QStringLiteral("нет связи");
    LiveStatus->setText(text);
    LiveStatus->setToolTip(live::enabled() && live::Listener::instance().isLive()
                               ? QStringLiteral("Журнал обновляется сам по изменениям с других рабочих мест")
                               : QStringLiteral("Изменения с других рабочих мест видны после «Обновить»"));
}

void TForm1::NMonthCheckClick() {
    app().monthCheck->openFor(DateT->date(), loginMode ? loginMode : login::modeOfWord(loginText));
}

void TForm1::NEarningsClick() {
    app().earnings->openFor(DateT->date());
}

void TForm1::showRecord(const QDate& date, int shift, int id) {
    DateT->setDate(date);
    DateTChange();
    selectShift(shift);
    Dataset& q = currentShiftQuery();
    if (id > 0 && q.isOpen())
        q.locate(QStringLiteral("id"), id);
}

void TForm1::showFinding(const QString& src, const QDate& date, int shift, int id) {
    if (src == QLatin1String("fatigue"))
        app().form25->openFor(date, id);
    else
        showRecord(date, shift, id);
}
