#pragma once

#include <QDateTime>
#include <QString>
#include <ctime>
#include <functional>
#include <vector>

namespace job {
class Progress;
}

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Puts a table into a new spreadsheet workbook cell by cell and hands the finished file to the desktop's
// spreadsheet application. Three operations, called in this order by every export: open (a new workbook
// with one worksheet), write cell (1-based sheet, column and row), show. The plain writer only sets values;
// the formatting writer also applies the text format "@", column autofit and bold. The writer shows its
// own messages; the callers only look at the result of open.
class ExcelWriter {
public:
    explicit ExcelWriter(bool formatting);
    ~ExcelWriter();
    ExcelWriter(const ExcelWriter&) = delete;
    ExcelWriter& operator=(const ExcelWriter&) = delete;

    // A new workbook in the exports folder, its file named after title and the current time. The workbook is
    // written to a hidden file beside it and given its name only when finished, so that no half file is ever
    // seen under it. 1 on success; -1 after the failure messages were shown.
    int open(const QString& title);

    // Drops the workbook being written (a cancelled export): no file is left. Nothing to do before an open.
    void discard();

    // Writes text into the cell. An empty text writes nothing. 1 when written (or nothing to write),
    // -1 after the failure message was shown. A text that reads as a number is stored as a number unless asText
    // is set; the formatting writer then also gives the cell the text format "@". Autofit and bold only matter
    // to the formatting writer.
    int writeCell(int sheet, int column, int row, const QString& text, bool asText = false, bool autofit = false,
                  bool bold = false);
    // A cell of an identifier or a name (a mark, a product, a worker): always stored as text, so that «12.10»
    // stays 12.10 and «1,50» stays 1,50. Quantities, hours and money go through writeCell.
    int writeText(int sheet, int column, int row, const QString& text) {
        return writeCell(sheet, column, row, text, true);
    }

    // visible = true finishes the workbook's file and opens it with the spreadsheet application (the command
    // in TABEL_XLSX_OPENER when set, else the desktop's default for .xlsx). Always 1; does nothing before
    // an open.
    int show(bool visible);

    // The file of the last workbook opened (empty before the first open); its name is settled when it is
    // finished (another export may have taken the first choice meanwhile).
    QString fileName() const { return fileName_; }

    // Where workbooks are written: a per-user folder under the documents folder unless set here.
    QString folder() const;
    void setFolder(const QString& folder) { folder_ = folder; }

    // The creation time stored in the workbook (and its zip entries); invalid = the time of finishing.
    // Fixed by tests so that the same cells give the same file.
    void setCreationTime(const QDateTime& t) { created_ = t; }

    // The width (in characters of the standard font) that autofit gives a column holding these texts.
    static double fitWidth(const QString& text, bool bold);

private:
    // Writes the workbook's file (a failure is reported when report is set); the workbook is gone afterwards.
    void finish(bool report = true);
    bool cellFailed(lxw_worksheet* ws, int column, int row, const QString& text, bool asText, bool bold);

    const bool formatting_;
    QString folder_;
    QDateTime created_;
    QString fileName_;
    QString partName_;  // the hidden file the workbook is written to
    lxw_workbook* book_ = nullptr;
    QByteArray tmpdir_;
    lxw_format* formats_[4] = {};     // [asText + 2*bold] of the formatting writer
    lxw_worksheet* sheet_ = nullptr;  // the workbook's one worksheet
    std::vector<double> widest_;      // by column (0-based): the widest text written so far
    std::vector<double> fitted_;      // by column (0-based): the width at its last autofit, negative: none
};

// The two members of the family: the plain writer (operations list, summary reports) and the formatting
// writer (time sheet by shifts). Each lives for the whole run of the program.
ExcelWriter& plainWriter();
ExcelWriter& formattingWriter();

namespace excel {
// Runs an export as a long job, with a progress window that can cancel: work opens the workbook, writes its
// cells (counting them with progress.step) and shows it. On a cancel, or an error, the workbook being written
// is discarded and no file is left. False when cancelled; errors are thrown on.
bool runExport(ExcelWriter& writer, const std::function<void(job::Progress&)>& work);

// True when the cell text is a number that the spreadsheet should store as a number: an optional sign,
// digits and at most one decimal separator (point or comma), at most 15 significant digits, no leading zero
// before another digit (codes such as 007 stay text).
bool isNumberText(const QString& text, double* value = nullptr);
}  // namespace excel
