#include "app/startup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationDisplayName(QStringLiteral("Табель"));
    QStringList args = QApplication::arguments();
    args.removeFirst();  // the program's own name
    return runProgram(args);
}
