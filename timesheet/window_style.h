#pragma once

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

// The border of the maintenance dialog and the nomenclature picker: a fixed size, no minimise or maximise
// button, centred on the desktop.
inline void centreWindow(QDialog* w, const QSize& size) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        w->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
}

inline void setFixedWindow(QDialog* w, const QSize& size) {
    w->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                      Qt::MSWindowsFixedSizeDialogHint);
    w->setFixedSize(size);
    centreWindow(w, size);
}

// The border of the time sheets and the journals: opened at the given size, centred, and free to be resized
// and maximised (the grid grows with the window).
inline void setResizableWindow(QDialog* w, const QSize& size) {
    w->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                      Qt::WindowMinMaxButtonsHint);
    w->resize(size);
    centreWindow(w, size);
}
