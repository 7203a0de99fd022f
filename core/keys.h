#pragma once

#include <QKeySequence>
#include <QList>
#include <functional>

class QAbstractButton;
class QLineEdit;
class QShortcut;
class QWidget;

// The keyboard of the windows: hot keys that stand for a button, and the refusal of a decimal separator in a
// box that takes a whole number.
namespace keys {

// The keys press the button exactly as a click does: nothing while the button is disabled or hidden. The
// button's tooltip names the keys. The keys work anywhere inside the button's window.
void bindButton(QAbstractButton* button, const QList<QKeySequence>& keys);

// The tooltip of a button that Enter on a grid row presses too: its keys and "Enter на строке".
QString enterOnRowTip(const QAbstractButton* button);

// The key runs the action anywhere inside the window, while `enabled` (when given) says so.
QShortcut* bindAction(QWidget* window, const QKeySequence& key, std::function<void()> action,
                      std::function<bool()> enabled = {});

// The hint shown beside a whole-number box when a decimal separator is typed into it.
QString wholeNumberHint();

// A decimal separator ("," or ".") typed into the box is refused visibly: the box stays unchanged, the
// workstation beeps and a short hint appears under the box. Other keys are not touched.
void refuseSeparators(QLineEdit* box);

}  // namespace keys
