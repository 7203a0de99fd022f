#pragma once

#include <QStringList>

class TestDb;

// The rule every write path keeps: each day cell of a worker's time-sheet row equals the hours recorded for
// that worker and day — piece-work rows (shifts 1 to 4) the hours of the shift records of that shift,
// maintenance rows (kinds 7777 and 7778) the hours of the maintenance entries of that kind and night flag.
// Returns one line per cell that breaks it, and per key with more than one row; empty when all agree.
QStringList timesheetMismatches(TestDb& db);
