#pragma once

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

// The border of the time-sheet and maintenance windows: a fixed size, no minimise or maximise button, centred
// on the desktop.
inline void setFixedWindow(QDialog* w, const QSize& size) {
    w->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                      Qt::MSWindowsFixedSizeDialogHint);
    w->setFixedSize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        w->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
}
