#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "app/build_stamp.h"
#include "app/startup.h"
#include "core/settings.h"

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
    {
        // --help and --version are answered before the window system starts: they need no screen.
        QStringList raw;
        for (int i = 1; i < argc; ++i)
            raw << QString::fromLocal8Bit(argv[i]);
        const settings::CommandLine line = settings::parseCommandLine(raw);
        if (line.help) {
            std::fputs(settings::helpText().toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (line.version) {
            std::printf("tabel %s (build %d.%d)\n", programVersion(), buildDate(), buildTime());
            return 0;
        }
        // A bad line is told at once, unless Qt's own options (one dash: -platform, -style ...) may be what
        // the parser does not know: those are read once the application has taken its own.
        const bool qtOptions = std::any_of(raw.begin(), raw.end(), [](const QString& a) {
            return a.size() > 1 && a.startsWith(QLatin1Char('-')) && a.at(1) != QLatin1Char('-');
        });
        if (!line.error.isEmpty() && !qtOptions) {
            std::fprintf(stderr, "tabel: %s\n%s", qPrintable(line.error), qPrintable(settings::helpText()));
            return 2;
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
