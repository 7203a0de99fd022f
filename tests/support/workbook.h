#pragma once

#include <QJsonObject>
#include <QString>

// Reads the first worksheet of an .xlsx file back with openpyxl: {"A1": value, ...} for every non-empty cell,
// numbers as numbers and texts as texts.
QJsonObject readWorkbook(const QString& path);
