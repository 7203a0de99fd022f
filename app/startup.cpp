#include "app/startup.h"

#include <QApplication>
#include <QDialog>
#include <QSysInfo>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "app/login_window.h"
#include "audit/audit_window.h"
#include "audit/month_close_window.h"
#include "base/client_name.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "catalog/kind_dialog.h"
#include "catalog/kinds_list.h"
#include "catalog/norms_grid.h"
#include "catalog/operations_list.h"
#include "catalog/price_dialog.h"
#include "catalog/product_dialog.h"
#include "catalog/products_list.h"
#include "catalog/worker_dialog.h"
#include "catalog/workers_list.h"
#include "core/db.h"
#include "core/live.h"
#include "core/ui.h"
#include "journal/main_window.h"
#include "journal/shift_entry_dialog.h"
#include "monthend/earnings_window.h"
#include "monthend/month_check_window.h"
#include "reports/detailed_by_products.h"
#include "reports/detailed_by_workers.h"
#include "reports/report_by_products.h"
#include "reports/report_by_workers.h"
#include "reports/summary_reports.h"
#include "timesheet/maintenance_dialog.h"
#include "timesheet/maintenance_journal.h"
#include "timesheet/nomenclature_picker.h"
#include "timesheet/piecework_timesheet.h"
#include "timesheet/shift_timesheet.h"
#include "timesheet/timesheet_print.h"

namespace {

// Every window created, in the order of creation, so that they go in the reverse order.
std::vector<QObject*>& created() {
    static std::vector<QObject*> list;
    return list;
}

template <class T>
void make(T*& slot) {
    slot = new T;
    created().push_back(slot);
}

}  // namespace

QIcon programIcon() {
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tabel-%1.png").arg(size), QSize(size, size));
    return icon;
}

void createWindows() {
    Windows& w = app();
    // Each window once, in the start-up order: the main window first (it owns the version-check timer),
    // then the login window, which thereby becomes the application's main window, then the others.
    make(w.form1);
    if (!w.form23)
        make(w.form23);
    make(w.form2);
    make(w.form3);
    make(w.form4);
    make(w.form5);
    make(w.form7);
    make(w.form8);
    make(w.form9);
    make(w.form10);
    make(w.form11);
    make(w.form18);
    make(w.form19);
    make(w.form21);
    make(w.form15);
    make(w.form16);
    make(w.form17);
    make(w.form20);
    make(w.form22);
    make(w.form24);
    make(w.form25);
    make(w.form26);
    make(w.form27);
    make(w.monthClose);
    make(w.audit);
    make(w.monthCheck);
    make(w.earnings);
    QObject::connect(w.monthCheck, &MonthCheckWindow::recordWanted, w.form1,
                     ui::guarded([](const QString& src, const QDate& date, int shift, int id) {
                         app().form1->showFinding(src, date, shift, id);
                     }));
    // The open views follow the database from now on (unless the start-up turned it off).
    if (live::enabled() && w.dm && w.dm->ADO_DB.isOpen())
        live::Listener::instance().start(w.dm->ADO_DB);
}

void destroyWindows() {
    live::Listener::instance().stop();
    Windows& w = app();
    auto& list = created();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        delete *it;
    list.clear();
    delete w.dm;
    w = Windows{};
}

namespace {

// Why the start failed, for an administrator at a terminal: the server, the database and the driver's message.
void printStartFailure(const ConnectionSettings& settings, const std::exception& error) {
    QString server, database;
    for (const auto& [key, value] : settings.libpqParams()) {
        if (key == QLatin1String("host"))
            server = value;
        else if (key == QLatin1String("dbname"))
            database = value;
    }
    QString why = QString::fromUtf8(error.what());
    if (const auto* db = dynamic_cast<const DbError*>(&error); db && !db->detail().isEmpty())
        why = db->detail();
    std::fprintf(stderr, "tabel: нет подключения к БД (сервер %s, база %s): %s\n", qPrintable(server),
                 qPrintable(database), qPrintable(why.trimmed()));
    std::fflush(stderr);
}

}  // namespace

bool startUp(const QStringList& args) {
    return startUp(settings::resolve(settings::parseCommandLine(args), settings::defaultSources()));
}

bool startUp(const settings::Resolved& resolved) {
    Windows& w = app();
    QApplication::setWindowIcon(programIcon());
    settings::setCurrent(resolved);
    if (!w.dm)
        w.dm = new TDataModule6;
    if (resolved.login == settings::LoginKind::Person) {
        // Nobody is connected before the person's own name and password are known.
        make(w.form23);
        return true;
    }
    try {
        w.dm->ADO_DB.close();
        w.dm->ADO_DB.setClientName(login::clientName(QSysInfo::machineHostName(), std::nullopt));
        w.dm->ADO_DB.open(resolved.connection);
        live::setConnection(resolved.connection);
        createWindows();
    } catch (const std::exception& e) {
        printStartFailure(resolved.connection, e);
        ui::messageBox(QStringLiteral("Подключение к БД отсутсвует!!!"), QStringLiteral("Ошибка!"), ui::MB_ERROR);
        destroyWindows();
        return false;
    }
    return true;
}

int runProgram(const QStringList& args) {
    const settings::CommandLine line = settings::parseCommandLine(args);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "tabel: %s\n%s", qPrintable(line.error), qPrintable(settings::helpText()));
        return 2;
    }
    settings::Resolved resolved = settings::resolve(line, settings::defaultSources());
    settings::keepPasswordFromChildren(resolved);
    live::setEnabled(resolved.live);
    if (!startUp(resolved))
        return 0;
    // The login window is the application's main window: shown first, and the program ends when it closes
    // (hidden windows do not count, so its closing ends the program explicitly).
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(app().form23, &TForm23::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // Shown from inside the message loop, so that a refused version check on its activation ends the loop.
    QTimer::singleShot(0, app().form23, &QWidget::show);
    try {
        QApplication::exec();
    } catch (const DbError& e) {
        ui::showError(e);
    } catch (const std::exception& e) {
        ui::showError(QString::fromUtf8(e.what()));
    } catch (...) {
        ui::showError(QString());
    }
    destroyWindows();
    return 0;
}
