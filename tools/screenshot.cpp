// Takes pictures of the program's windows as a user sees them, for looking at layouts without clicking:
//   screenshot DATABASE SERVER OUTDIR [ITEM...]
// starts the program on the database, grabs the login window, logs in with full access, grabs the main window,
// then triggers each
// ITEM (an objectName of a main-window menu item or button, e.g. N1 or Button5) and grabs every window that it
// shows modally (OUTDIR/<item>-<window>.png). "N10/Button4" clicks Button4 inside the window that N10 shows,
// and grabs what that shows in turn. Run under xvfb-run or with QT_QPA_PLATFORM=offscreen.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include "app/startup.h"
#include "base/registry.h"
#include "core/ui.h"
#include "journal/main_window.h"

namespace {

class GrabbingUi : public ui::Handler {
public:
    QString prefix;
    QStringList clicks;  // buttons to click inside the next modal windows, outermost first
    QDir out;
    int messageBox(const QString& text, const QString& caption, int) override {
        qInfo("message: %s / %s", qPrintable(caption), qPrintable(text));
        return ui::IDNO;
    }
    int execModal(QDialog* d) override {
        d->show();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString file = out.filePath(prefix + QLatin1Char('-') + d->objectName() + QStringLiteral(".png"));
        d->grab().save(file);
        qInfo("saved %s", qPrintable(file));
        if (!clicks.isEmpty()) {
            const QString name = clicks.takeFirst();
            if (auto* b = d->findChild<QPushButton*>(name))
                b->click();
            else
                qWarning("no button %s in %s", qPrintable(name), qPrintable(d->objectName()));
        }
        d->done(QDialog::Rejected);
        return QDialog::Rejected;
    }
    void showError(const QString& message, const QString& detail) override {
        qWarning("error: %s %s", qPrintable(message), qPrintable(detail));
    }
    void terminate() override {}
};

}  // namespace

int main(int argc, char** argv) {
    QApplication a(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        qWarning("usage: screenshot DATABASE SERVER OUTDIR [ITEM...]");
        return 2;
    }
    GrabbingUi grab;
    grab.out = QDir(args[3]);
    grab.out.mkpath(QStringLiteral("."));
    ui::setHandler(&grab);
    if (!startUp({args[1], args[2]}))
        return 1;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("TForm23")) {
            w->show();
            for (int i = 0; i < 5; ++i)
                QApplication::processEvents();
            w->grab().save(grab.out.filePath(QStringLiteral("TForm23.png")));
            w->hide();
        }
    }
    TForm1* main = app().form1;
    main->loginText = QStringLiteral("3958");
    main->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    main->grab().save(grab.out.filePath(QStringLiteral("TForm1.png")));
    for (int i = 4; i < args.size(); ++i) {
        QStringList path = args[i].split(QLatin1Char('/'));
        grab.prefix = path.join(QLatin1Char('-'));
        const QString item = path.takeFirst();
        grab.clicks = path;
        if (auto* act = main->findChild<QAction*>(item))
            act->trigger();
        else if (auto* b = main->findChild<QPushButton*>(item))
            b->click();
        else
            qWarning("no item %s", qPrintable(item));
    }
    main->hide();
    destroyWindows();
    return 0;
}
