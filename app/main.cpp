#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "app/startup.h"
#include "app/translations.h"
#include "base/registry.h"
#include "journal/main_window.h"

namespace {

// With TABEL_EXIT_WHEN_SHOWN set (the start-up benchmark), the program prints "shown" as soon as its login
// window is on screen and ends.
class ExitWhenShown : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            watched->objectName() == QLatin1String("TForm23")) {
            std::puts("shown");
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return false;
    }
};

// "--import" anywhere on the command line shows the main window's hidden menu item «Импорт» (the one-off copy
// of the earlier Access database); the switch is taken off the arguments. The item is shown once the windows
// exist, when the message loop starts.
void takeImportSwitch(QStringList& args) {
    if (args.removeAll(QStringLiteral("--import")) == 0)
        return;
    QTimer::singleShot(0, qApp, [] {
        if (app().form1)
            app().form1->N12->setVisible(true);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // On a real display every window title is followed by " — Табель"; the titles themselves stay as given.
    application.setApplicationDisplayName(QStringLiteral("Табель"));
    loadQtTranslations();
    if (!qEnvironmentVariableIsEmpty("TABEL_EXIT_WHEN_SHOWN"))
        application.installEventFilter(new ExitWhenShown(&application));
    QStringList args = QApplication::arguments();
    args.removeFirst();  // the program's own name
    takeImportSwitch(args);
    return runProgram(args);
}
