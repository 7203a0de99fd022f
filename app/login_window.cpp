#include "app/login_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSysInfo>
#include <QTimer>
#include <QVBoxLayout>

#include "app/build_stamp.h"
#include "app/startup.h"
#include "base/client_name.h"
#include "base/datamodule.h"
#include "base/login_modes.h"
#include "base/registry.h"
#include "core/live.h"
#include "core/settings.h"
#include "core/ui.h"
#include "journal/main_window.h"

TForm23::TForm23(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm23"));
    setWindowTitle(QStringLiteral("Авторизация"));
    Label1 = new QLabel(QStringLiteral("Пароль:"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // masked with "*"
    Edit1->setMinimumWidth(220);
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(QStringLiteral("Пользователь:"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit;
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Label2->setBuddy(Edit2);
    person_ = settings::current().login == settings::LoginKind::Person;
    Button1 = new QPushButton(QStringLiteral("Вход"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Отмена"));
    Button2->setObjectName(QStringLiteral("Button2"));
    // Enter presses the button that has the focus; from the word box it logs in.
    Button2->setAutoDefault(true);

    auto* rows = new QGridLayout;
    rows->addWidget(Label2, 0, 0);
    rows->addWidget(Edit2, 0, 1);
    rows->addWidget(Label1, 1, 0);
    rows->addWidget(Edit1, 1, 1);
    Label2->setVisible(person_);
    Edit2->setVisible(person_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    if (person_)
        setTabOrder(Edit2, Edit1);
    layout->addLayout(buttons);
    // A fixed dialog border.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);

    connect(Button1, &QPushButton::clicked, this, ui::guarded([this](auto&&...) { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guarded([this](auto&&...) { Button2Click(); }));
    connect(Timer1, &QTimer::timeout, this, ui::guarded([this](auto&&...) { Timer1Timer(); }));
}

void TForm23::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    ui::guarded([this] { FormActivate(); })();
}

void TForm23::finish() {
    QDialog::reject();
    emit closed();
}

void TForm23::FormActivate() {
    if (!app().form1) {
        // A person's login before the connection: the check runs once the person is connected.
        setWindowTitle(QStringLiteral("Авторизация (build: ") + QString::number(::buildDate()) + QLatin1Char('.') +
                       QString::number(::buildTime()) + QLatin1Char(')'));
        if (person_)
            Edit2->setFocus();
        return;
    }
    TForm1& main = *app().form1;
    VersionCheck();
    setWindowTitle(QStringLiteral("Авторизация (build: ") + QString::number(main.buildDate) + QLatin1Char('.') +
                   QString::number(main.buildTime) + QLatin1Char(')'));
}

void TForm23::VersionCheck() {
    if (refusing_)
        return;  // the refusal is already on screen and the program is ending
    TForm1& main = *app().form1;
    TDataModule6& dm = *app().dm;
    Dataset& ver = main.ver;
    const int B = main.buildDate;
    const int T = main.buildTime;
    const auto closer = qScopeGuard([&ver] { ver.close(); });
    ver.open();
    ver.first();
    if (ver.isEmpty()) {
        // Nothing to compare with: this program's stamp and the usual point separator become the stored ones.
        ver.append();
        ver.setFieldValue(QStringLiteral("d"), B);
        ver.setFieldValue(QStringLiteral("t"), T);
        ver.setFieldValue(QStringLiteral("delim"), QStringLiteral("."));
        ver.post();
        dm.delimiter = QStringLiteral(".");
        return;
    }
    dm.delimiter = ver.field(QStringLiteral("delim")).asString();
    const int d = ver.field(QStringLiteral("d")).asInt();
    const int t = ver.field(QStringLiteral("t")).asInt();
    if (d < B || (d == B && t < T)) {
        ver.edit();
        ver.setFieldValue(QStringLiteral("d"), B);
        ver.setFieldValue(QStringLiteral("t"), T);
        ver.post();
    }
    if (d > B || (d == B && t > T)) {
        refusing_ = true;
        Timer1->start();
        ui::messageBox(QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."),
                       QStringLiteral("Ошибка"), ui::MB_ERROR);
        ui::terminate();
    }
}

void TForm23::Button1Click() {
    if (person_) {
        personLogin();
        return;
    }
    TForm1& main = *app().form1;
    main.selectShift(1);
    main.loginText = Edit1->text().trimmed();
    const std::optional<login::Mode> mode = login::modeOfWord(main.loginText);
    if (!mode) {
        ui::messageBox(QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    enter(main.loginText, *mode);
}

void TForm23::personLogin() {
    const QString user = Edit2->text().trimmed();
    const QString password = Edit1->text();
    if (user.isEmpty()) {
        ui::messageBox(QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    Db& db = app().dm->ADO_DB;
    try {
        db.close();
        db.open(settings::current()
                    .connection.with(QStringLiteral("user"), user)
                    .with(QStringLiteral("password"), password));
    } catch (const DbError& e) {
        if (e.sqlState() == QLatin1String("28P01")) {
            ui::messageBox(QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"), ui::MB_ERROR);
            return;
        }
        ui::messageBox(QStringLiteral("Подключение к БД отсутсвует!!!"), QStringLiteral("Ошибка!"), ui::MB_ERROR);
        finish();
        return;
    }
    Edit1->clear();  // the password stays with the connection only (and the live refresh's, made like it)
    live::setConnection(
        settings::current().connection.with(QStringLiteral("user"), user).with(QStringLiteral("password"), password));
    const std::optional<login::Mode> mode = login::modeOfSession(db);
    if (!mode) {
        db.close();
        ui::messageBox(QStringLiteral("Пользователь не входит ни в одну группу программы."), QStringLiteral("Ошибка"),
                       ui::MB_ERROR);
        return;
    }
    if (!app().form1) {
        try {
            createWindows();
        } catch (const std::exception&) {
            ui::messageBox(QStringLiteral("Подключение к БД отсутсвует!!!"), QStringLiteral("Ошибка!"), ui::MB_ERROR);
            finish();
            return;
        }
    }
    VersionCheck();
    if (refusing_)
        return;
    setWindowTitle(QStringLiteral("Авторизация (build: ") + QString::number(app().form1->buildDate) + QLatin1Char('.') +
                   QString::number(app().form1->buildTime) + QLatin1Char(')'));
    app().form1->selectShift(1);
    enter(user, *mode);
}

void TForm23::enter(const QString& loginText, login::Mode mode) {
    TForm1& main = *app().form1;
    TDataModule6& dm = *app().dm;
    main.loginText = loginText;
    main.foremanLogin = mode == login::Mode::Foreman;
    main.loginMode = mode;
    login::applyMode(mode);
    // The server learns the mode with the workstation: the history of changes records both.
    dm.ADO_DB.setClientName(login::clientName(QSysInfo::machineHostName(), mode));
    for (int s = 1; s <= 4; ++s)
        dm.smena(s).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    hide();
    ui::execModal(&main);
    finish();
}

void TForm23::Button2Click() {
    finish();
}

void TForm23::Timer1Timer() {
    ui::terminate();
}
