#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <memory>

#include "core/db.h"

class QDialog;
class QLineEdit;
class QWidget;

// Everything the program shows to the user outside its own windows goes through here: message boxes, modal
// showings, the hourglass, the standard error box and the end of the program. Tests install their own
// handler to answer message boxes and to act inside modal windows.
namespace ui {

enum MessageFlags { MB_ERROR = 16, MB_QUESTION = 36, MB_WARNING = 48, MB_INFO = 64 };
enum Answer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// The window of a long job: what is done so far, and the user's "Отмена".
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void show(int value, int maximum, const QString& text) = 0;
    virtual bool cancelRequested() = 0;
};

class Handler {
public:
    virtual ~Handler() = default;
    virtual int messageBox(const QString& text, const QString& caption, int flags) = 0;
    virtual int execModal(QDialog* dialog) = 0;
    // The standard error box: what failed, in the user's words, and the server's text (may be empty) under it.
    virtual void showError(const QString& message, const QString& detail) = 0;
    virtual void terminate() = 0;
    // The progress window of a long job (by default the real one: shown after a moment, modal, with "Отмена").
    virtual std::unique_ptr<ProgressWindow> showProgress(const QString& title);
};

// Installs a handler (nullptr: the real one). Returns the previous one.
Handler* setHandler(Handler* handler);

// A message box: text, caption, flags (16 error, 36 question with Yes/No, 48 warning, 64 information).
// Returns the button pressed: IDOK, IDYES or IDNO.
int messageBox(const QString& text, const QString& caption, int flags);

// Shows a window modally and returns its result (QDialog::Accepted / Rejected).
int execModal(QDialog* dialog);

// The application's standard error box with the error's message, and a detail line (the server's text).
void showError(const QString& message, const QString& detail = {});

// A database error in the standard error box: in Russian what failed, the server's text as the detail. While
// the box about a lost connection is on screen, the same news from a timer or another handler is not stacked
// on it.
void showError(const DbError& error);

// A box the user cannot type into (a computed value) gets the face of the window behind it, so that it looks
// read-only; its text stays in the normal colour.
void lookReadOnly(QLineEdit* box);
// Opens the progress window of a long job; it goes with the returned object.
std::unique_ptr<ProgressWindow> showProgress(const QString& title);

// Asks the application to end (all modal runs end, then the program).
void terminate();

// The hourglass cursor for the lifetime of the guard.
class HourGlass {
public:
    HourGlass();
    ~HourGlass();
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

// Wraps an event handler so that no exception crosses the event loop: an error is shown in the standard
// error box and the handler's action stops there.
template <class F>
auto guarded(F f) {
    return [f = std::move(f)](auto&&... args) {
        try {
            f(std::forward<decltype(args)>(args)...);
        } catch (const DbError& e) {
            showError(e);
        } catch (const std::exception& e) {
            showError(QString::fromUtf8(e.what()));
        } catch (...) {
            showError(QString());
        }
    };
}

}  // namespace ui
