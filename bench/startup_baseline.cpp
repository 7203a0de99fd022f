// The yardstick of the start-up benchmark: the least a Qt program that talks to the plant database does
// before its first window is on screen: start Qt, open one database connection, show an empty dialog.
// Prints "shown" when the dialog is shown and ends.
//   startup_baseline DATABASE SERVER

#include <libpq-fe.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdio>

namespace {

class EmptyDialog : public QDialog {
protected:
    void showEvent(QShowEvent* e) override {
        QDialog::showEvent(e);
        std::puts("shown");
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DATABASE SERVER\n", argv[0]);
        return 2;
    }
    const char* keys[] = {"dbname", "host", "port", "user", "password", "client_encoding", "options", nullptr};
    const char* values[] = {argv[1], argv[2], "5432", "sys", "wubalek", "UTF8", "-c DateStyle=ISO,DMY", nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 0);
    if (PQstatus(conn) != CONNECTION_OK) {
        std::fprintf(stderr, "%s", PQerrorMessage(conn));
        PQfinish(conn);
        return 1;
    }
    EmptyDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Табель"));
    dialog.show();
    const int code = QApplication::exec();
    PQfinish(conn);
    return code;
}
