#include "core/ui.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>

#include "core/ui_modals.h"

namespace ui {

namespace {

class RealHandler : public Handler {
public:
    int messageBox(const QString& text, const QString& caption, int flags) override {
        QMessageBox box;
        box.setWindowTitle(caption);
        box.setText(text);
        switch (flags & 0xF0) {
            case 16:
                box.setIcon(QMessageBox::Critical);
                break;
            case 32:
                box.setIcon(QMessageBox::Question);
                break;
            case 48:
                box.setIcon(QMessageBox::Warning);
                break;
            case 64:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        if ((flags & 0x0F) == 4) {
            QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
            QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(no);
            box.exec();
            return box.clickedButton() == yes ? IDYES : IDNO;
        }
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
        return IDOK;
    }

    int execModal(QDialog* dialog) override { return dialog->exec(); }

    void showError(const QString& message, const QString& detail) override {
        QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), message);
        if (!detail.isEmpty())
            box.setInformativeText(detail);
        box.exec();
    }

    void terminate() override { QCoreApplication::exit(0); }
};

class RealProgress : public ProgressWindow {
public:
    explicit RealProgress(const QString& title) {
        dlg_.setWindowTitle(title);
        dlg_.setObjectName(QStringLiteral("ProgressDialog"));
        dlg_.setCancelButtonText(QStringLiteral("Отмена"));
        dlg_.setWindowModality(Qt::ApplicationModal);
        dlg_.setAutoReset(false);
        dlg_.setAutoClose(false);
        dlg_.setMinimumDuration(500);  // a short job shows no window at all
        dlg_.setMinimumWidth(360);
        dlg_.setValue(0);
    }
    void show(int value, int maximum, const QString& text) override {
        if (dlg_.maximum() != maximum)
            dlg_.setMaximum(maximum);
        if (dlg_.labelText() != text)
            dlg_.setLabelText(text);
        if (dlg_.value() != value)
            dlg_.setValue(value);
    }
    bool cancelRequested() override { return dlg_.wasCanceled(); }

private:
    QProgressDialog dlg_;
};

RealHandler& realHandler() {
    static RealHandler h;
    return h;
}

Handler* current = nullptr;

Handler& handler() {
    return current ? *current : realHandler();
}

}  // namespace

Handler* setHandler(Handler* h) {
    Handler* old = current;
    current = h;
    return old;
}

namespace {
QList<QPointer<QWidget>>& shownModals() {
    static QList<QPointer<QWidget>> list;
    return list;
}
// Keeps a window on the list of the modal showings while it runs.
struct ModalShown {
    explicit ModalShown(QWidget* w) { shownModals().append(w); }
    ~ModalShown() { shownModals().removeLast(); }
};
}  // namespace

int messageBox(const QString& text, const QString& caption, int flags) {
    const ModalShown shown(nullptr);
    return handler().messageBox(text, caption, flags);
}

int execModal(QDialog* dialog) {
    const ModalShown shown(dialog);
    return handler().execModal(dialog);
}

QWidget* topModal(bool* any) {
    if (any)
        *any = !shownModals().isEmpty();
    return shownModals().isEmpty() ? nullptr : shownModals().last().data();
}

void showError(const QString& message, const QString& detail) {
    handler().showError(message, detail);
}

void showError(const DbError& error) {
    static bool lostShown = false;
    const bool lost = error.kind() == DbError::Kind::ConnectionLost;
    if (lost && lostShown)
        return;
    lostShown = lost;
    const auto reset = qScopeGuard([lost] {
        if (lost)
            lostShown = false;
    });
    handler().showError(error.userText(), error.detail());
}

void lookReadOnly(QLineEdit* box) {
    QPalette pal = box->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::Base, pal.color(group, QPalette::Window));
    box->setPalette(pal);
}

void terminate() {
    handler().terminate();
}

std::unique_ptr<ProgressWindow> Handler::showProgress(const QString& title) {
    return std::make_unique<RealProgress>(title);
}

std::unique_ptr<ProgressWindow> showProgress(const QString& title) {
    return handler().showProgress(title);
}

HourGlass::HourGlass() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
HourGlass::~HourGlass() {
    QApplication::restoreOverrideCursor();
}

}  // namespace ui
