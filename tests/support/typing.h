#pragma once

#include <QString>

class QWidget;

// Types a text into a widget key by key (QTest::keyClicks only types Latin-1).
void type(QWidget* w, const QString& text);
