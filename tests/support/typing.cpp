#include "support/typing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        const int key = c.unicode() < 128 ? QChar(c).toUpper().unicode() : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}
