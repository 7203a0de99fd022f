#include "support/workbook.h"

#include <QDebug>
#include <QJsonDocument>
#include <QProcess>

QJsonObject readWorkbook(const QString& path) {
    static const char* const script = R"py(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(json.dumps({c.coordinate: c.value for row in ws.iter_rows() for c in row if c.value is not None},
                 ensure_ascii=False))
)py";
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << p.readAllStandardError();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
