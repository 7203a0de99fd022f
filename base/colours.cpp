#include "base/colours.h"

#include <QApplication>
#include <QWidget>

namespace colours {

QColor windowText() {
    return QApplication::palette().color(QPalette::WindowText);
}

QColor windowBackground() {
    return QApplication::palette().color(QPalette::Base);
}

void paintChoice(QWidget* w, bool on, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, on ? colour : QApplication::palette().color(QPalette::Button));
    w->setPalette(pal);
    // The palette alone is not painted behind a check box or radio button by every style.
    w->setStyleSheet(on ? QStringLiteral("background-color: %1;").arg(colour.name()) : QString());
    QFont f = w->font();
    f.setBold(on);
    w->setFont(f);
}

}  // namespace colours
