#include "core/keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QToolTip>

#include "core/ui.h"

namespace keys {

namespace {

QString keyNames(const QList<QKeySequence>& keys) {
    QStringList names;
    for (const QKeySequence& k : keys)
        names << k.toString(QKeySequence::NativeText);
    return names.join(QStringLiteral(" или "));
}

class SeparatorRefusal : public QObject {
public:
    explicit SeparatorRefusal(QLineEdit* box) : QObject(box), box_(box) { box->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text != QLatin1String(",") && text != QLatin1String("."))
            return false;
        QApplication::beep();
        QToolTip::showText(box_->mapToGlobal(QPoint(0, box_->height())), wholeNumberHint(), box_);
        return true;
    }

private:
    QLineEdit* box_;
};

}  // namespace

void bindButton(QAbstractButton* button, const QList<QKeySequence>& keys) {
    QWidget* window = button->window();
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, window);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
    }
    button->setToolTip(button->text() + QStringLiteral(" (") + keyNames(keys) + QLatin1Char(')'));
}

QString enterOnRowTip(const QAbstractButton* button) {
    QString tip = button->toolTip();
    if (tip.endsWith(QLatin1Char(')')))
        tip.insert(tip.size() - 1, QStringLiteral(" или Enter на строке"));
    else
        tip = button->text() + QStringLiteral(" (Enter на строке)");
    return tip;
}

QShortcut* bindAction(QWidget* window, const QKeySequence& key, std::function<void()> action,
                      std::function<bool()> enabled) {
    auto* shortcut = new QShortcut(key, window);
    QObject::connect(shortcut, &QShortcut::activated, window,
                     ui::guarded([action = std::move(action), enabled = std::move(enabled)] {
                         if (!enabled || enabled())
                             action();
                     }));
    return shortcut;
}

QString wholeNumberHint() {
    return QStringLiteral("Только целое число");
}

void refuseSeparators(QLineEdit* box) {
    new SeparatorRefusal(box);
}

}  // namespace keys
