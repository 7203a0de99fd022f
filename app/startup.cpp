#include "app/startup.h"

#include <QApplication>
#include <QDialog>
#include <QSysInfo>
#include <QTimer>
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
#include "core/ui.h"
#include "journal/main_window.h"
#include "journal/shift_entry_dialog.h"
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

void createWindows() {
    Windows& w = app();
    // Each window once, in the start-up order: the main window first (it owns the version-check timer),
    // then the login window, which thereby becomes the application's main window, then the others.
    make(w.form1);
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
}

void destroyWindows() {
    Windows& w = app();
    auto& list = created();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        delete *it;
    list.clear();
    delete w.dm;
    w = Windows{};
}

bool startUp(const QStringList& args) {
    Windows& w = app();
    if (!w.dm)
        w.dm = new TDataModule6;
    try {
        w.dm->ADO_DB.close();
        w.dm->ADO_DB.setClientName(login::clientName(QSysInfo::machineHostName(), std::nullopt));
        w.dm->ADO_DB.open(connectionFromArguments(args, defaultServer()));
        createWindows();
    } catch (const std::exception&) {
        ui::messageBox(QStringLiteral("Подключение к БД отсутсвует!!!"), QStringLiteral("Ошибка!"), ui::MB_ERROR);
        destroyWindows();
        return false;
    }
    return true;
}

int runProgram(const QStringList& args) {
    if (!startUp(args))
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
