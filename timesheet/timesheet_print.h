#pragma once

#include <QDialog>

#include "core/dataset.h"
#include "core/report/report_definition.h"
#include "core/report/report_layouter.h"

// The printed time sheet: a month's hours per worker and day, all time-sheet rows of a worker added into one
// line, on A4 landscape. Never shown as a window; it holds the layout and its query.
class TForm15 : public QDialog {
    Q_OBJECT
public:
    explicit TForm15(QWidget* parent = nullptr);

    Dataset H_Tabel;  // the summed sheet of a month: parameters mnth, yea
    report::ReportDefinition QuickRep1;

    // Lays the report out over H_Tabel (open) as it stands (timesheet::layoutSheet).
    report::Layout Prepare(const report::LayoutOptions& options = {}) const;
    // Prepares the report and shows it in the modal preview, from which the user prints.
    void Preview(QWidget* parent = nullptr);
};

namespace timesheet {
QStringList summedSheetSql();                   // the text of H_Tabel
report::ReportDefinition printedSheetLayout();  // the layout of QuickRep1
// The sheet laid out over its rows; a last page that would hold one worker alone is avoided where rows a little
// lower (down to 90 % of their height) bring him onto the page before.
report::Layout layoutSheet(const report::ReportDefinition& def, const report::RowSource* rows,
                           const report::LayoutOptions& options = {});
// The heading above the sheet (QRLabelHead): the month and the shifts the sheet adds up.
QString printedHeading(const QString& month, const QString& year);
}  // namespace timesheet
