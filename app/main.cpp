#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "app/build_stamp.h"
#include "app/startup.h"

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

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window system is needed, so that they work in a terminal without a display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--version") {
            std::printf("tabel %s\n", programVersion());
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf(
                "Usage: tabel [DBNAME [SERVER]]\n"
                "Desktop client of a plant's production-accounting office.\n\n"
                "  DBNAME     the plant's database (default plantdb)\n"
                "  SERVER     the database server: host name, address or socket folder\n"
                "  --help     show this text and end\n"
                "  --version  show the program's version and end\n");
            return 0;
        }
    }
    QApplication application(argc, argv);
    application.setApplicationDisplayName(QStringLiteral("Табель"));
    if (!qEnvironmentVariableIsEmpty("TABEL_EXIT_WHEN_SHOWN"))
        application.installEventFilter(new ExitWhenShown(&application));
    QStringList args = QApplication::arguments();
    args.removeFirst();  // the program's own name
    return runProgram(args);
}
