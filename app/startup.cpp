#include "app/startup.h"

#include "app/datamodule.h"
#include "app/db.h"
#include "app/registry.h"
#include "app/ui.h"

#include <QApplication>
#include <QDialog>

Windows& app() {
    static Windows w;
    return w;
}

void createWindows() {
    // Windows are created here, each once, in the start-up order; the main window first (it owns the
    // version-check timer), then the login window, then the others.
}

void destroyWindows() {
    Windows& w = app();
    delete w.dm;
    w = Windows{};
}

bool startUp(const QStringList& args) {
    Windows& w = app();
    if (!w.dm)
        w.dm = new TDataModule6;
    try {
        w.dm->ADO_DB.close();
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
    // Until the login window exists there is nothing to show: the program ends after connecting.
    int code = 0;
    if (app().form23) {
        try {
            QApplication::exec();
        } catch (const std::exception& e) {
            ui::showError(QString::fromUtf8(e.what()));
        }
    }
    destroyWindows();
    (void)code;
    return 0;
}
