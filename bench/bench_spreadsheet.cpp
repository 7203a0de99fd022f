// Spreadsheet: the time-sheet export (the summed sheet of a month, a line per worker with 31 days and the total)
// through formattingWriter(), cell by cell as the time sheet window's "Excel" writes it, against libxlsxwriter
// writing the same cells directly (numbers as numbers, the same text and bold formats, the same column widths).
// Both write a finished .xlsx file into a temporary folder; the program's show(true) runs TABEL_XLSX_OPENER=true.

#include <xlsxwriter.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/datamodule.h"
#include "bench/benchsupport.h"
#include "core/excel_writer.h"
#include "timesheet/shift_timesheet.h"
#include "timesheet/timesheet_print.h"

namespace {

struct Cell {
    int column;  // 1-based
    int row;     // 1-based
    QString text;
    bool asText;
    bool bold;
};

// What the export writes: title, header line, then per worker the name, the 31 days (0 for none) and the total.
std::vector<Cell> exportCells(Dataset& h, const QString& title) {
    std::vector<Cell> cells;
    cells.push_back({1, 1, title, true, true});
    cells.push_back({1, 2, QStringLiteral("Фамилия И.О."), true, true});
    for (int k = 1; k <= 31; ++k)
        cells.push_back({k + 1, 2, QString::number(k), false, true});
    cells.push_back({33, 2, QStringLiteral("Итого"), true, true});
    int r = 3;
    for (h.first(); !h.eof(); h.next(), ++r) {
        cells.push_back({1, r, h.field(QStringLiteral("fio")).asString(), true, false});
        qlonglong total = 0;
        for (int k = 1; k <= 31; ++k) {
            const int v = h.field(QStringLiteral("sd%1").arg(k)).asInt();
            total += v;
            cells.push_back({k + 1, r, QString::number(v), false, false});
        }
        cells.push_back({33, r, QString::number(total), false, false});
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    qputenv("TABEL_XLSX_OPENER", "true");
    TDataModule6 dm;
    dm.ADO_DB.open(settings);

    // The last whole month, as the time-sheet benchmark reads it.
    auto latest = dm.ADO_DB.query(QStringLiteral("select max(data) from accounts_dep.smena"));
    const QDate last = latest->value(0, 0).toDate();
    const QDate first = QDate(last.year(), last.month(), 1).addMonths(-1);
    Dataset h(dm.ADO_DB, QStringLiteral("H_Tabel"));
    h.setSql(timesheet::summedSheetSql());
    h.setParam(QStringLiteral("mnth"), first.month());
    h.setParam(QStringLiteral("yea"), first.year());
    h.open();
    const QString title = QStringLiteral("Ноябрь %1").arg(first.year());

    // The yardstick's input: the same cells, numbers already numbers, texts already UTF-8, widths as autofit
    // leaves them.
    struct Direct {
        int column, row;
        double number;
        QByteArray text;  // empty for a number
        bool asText, bold;
    };
    std::vector<Direct> direct;
    double widths[33] = {};
    for (const Cell& c : exportCells(h, title)) {
        double n = 0;
        const bool number = !c.asText && excel::isNumberText(c.text, &n);
        direct.push_back({c.column, c.row, n, number ? QByteArray() : c.text.toUtf8(), c.asText, c.bold});
        widths[c.column - 1] = std::max(widths[c.column - 1], ExcelWriter::fitWidth(c.text, c.bold));
    }

    QTemporaryDir dir;
    ExcelWriter& xl = formattingWriter();
    xl.setFolder(dir.path() + QStringLiteral("/program"));
    const QByteArray directPath = QFile::encodeName(dir.path() + QStringLiteral("/direct.xlsx"));
    const QByteArray tmp = QFile::encodeName(dir.path());

    size_t cells = 0;
    qint64 programSize = 0, directSize = 0;
    const bench::Pair t = bench::timePair(
        9, [] {},
        [&] {
            // The export as the window runs it (the button's progress text and event processing aside).
            if (xl.open(QStringLiteral("Табель ") + title) == -1)
                throw std::runtime_error("the writer did not open a workbook");
            xl.show(false);
            cells = 34;
            timesheet::writeExport(xl, h, title, [&](int) { cells += 33; });
            xl.show(true);
            programSize = QFileInfo(xl.fileName()).size();
        },
        [&] {
            lxw_workbook_options options{};
            options.tmpdir = const_cast<char*>(tmp.constData());
            lxw_workbook* book = workbook_new_opt(directPath.constData(), &options);
            lxw_worksheet* ws = workbook_add_worksheet(book, "Лист1");
            lxw_format* formats[4];
            for (int i = 0; i < 4; ++i) {
                formats[i] = workbook_add_format(book);
                if (i & 1)
                    format_set_num_format(formats[i], "@");
                if (i & 2)
                    format_set_bold(formats[i]);
            }
            for (const Direct& c : direct) {
                lxw_format* f = formats[(c.asText ? 1 : 0) + (c.bold ? 2 : 0)];
                if (c.text.isNull())
                    worksheet_write_number(ws, c.row - 1, c.column - 1, c.number, f);
                else
                    worksheet_write_string(ws, c.row - 1, c.column - 1, c.text.constData(), f);
            }
            for (int col = 0; col < 33; ++col)
                worksheet_set_column(ws, col, col, widths[col], nullptr);
            if (workbook_close(book) != LXW_NO_ERROR)
                throw std::runtime_error("libxlsxwriter could not write its workbook");
            directSize = QFileInfo(QString::fromLocal8Bit(directPath)).size();
        });
    bench::report("spreadsheet", t.ratio(), "≤ 1.5×", t.ratio() <= 1.5,
                  QStringLiteral("time sheet of %1: %2 workers, %3 cells, writer %4 (%5 KiB), libxlsxwriter %6 "
                                 "(%7 KiB) (median of 9)")
                      .arg(first.toString(QStringLiteral("MM.yyyy")))
                      .arg(h.recordCount())
                      .arg(cells)
                      .arg(bench::ms(t.program))
                      .arg(programSize / 1024)
                      .arg(bench::ms(t.baseline))
                      .arg(directSize / 1024));
    return 0;
}
