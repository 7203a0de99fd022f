#pragma once

#include "core/report/report_painter.h"

class QWidget;

// The report's pages shown to the user: the print preview and the "save as PDF" of its toolbar.
namespace report {

// Shows the pages in the modal print preview (through ui::execModal), from which the user prints. The preview
// opens maximised and zoomed to the page width when asked. Pages are painted as the preview shows them.
// Its toolbar also saves the pages as a PDF file (the action "SavePdf"), so a report can be mailed unprinted.
struct PreviewOptions {
    bool maximized = false;
    bool fitWidth = false;
    bool savePdf = true;
};
int preview(const Layout& layout, QWidget* parent = nullptr, const PreviewOptions& options = {});

// Asks for a file name (a modal save dialog, through ui::execModal; the folder of the last save is offered, the
// file named after the report's title) and writes the pages there. False when the user cancelled or the file
// could not be written (that is said in an error box).
bool savePdfAs(const Layout& layout, QWidget* parent = nullptr);
// What the user is told after a save: the file's full path.
QString savedPdfText(const QString& file);

}  // namespace report
