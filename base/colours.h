#pragma once

#include <QColor>

class QWidget;

// The colours of the windows, by the names the office knows them by, and the marking of a chosen box.
namespace colours {

inline const QColor clRed(0xFF, 0x00, 0x00);         // weekends, the ticked day-off box, an unaccepted record
inline const QColor clGreen(0x00, 0x80, 0x00);       // the chosen shift, an accepted record
inline const QColor clSilver(0xC0, 0xC0, 0xC0);      // a day without hours, the titles of days past the month
inline const QColor clMoneyGreen(0xC0, 0xDC, 0xC0);  // a day of overtime
inline const QColor kTotals(0xE1, 0xE4, 0xFF);       // 0x00FFE4E1: the total columns of the time sheets

// The system colours of a grid: its text, and its background (Base).
QColor windowText();
QColor windowBackground();

// Marks a check box or radio button as chosen (the given colour behind a bold caption) or not (button face,
// normal caption).
void paintChoice(QWidget* w, bool on, const QColor& colour);

}  // namespace colours
