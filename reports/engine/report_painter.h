#pragma once

#include "reports/engine/report_layouter.h"

class QPainter;
class QPrinter;
class QWidget;

// Paints laid-out pages on any device: the preview, a printer, a PDF file, an image.
namespace report {

// Paints one page (0-based) with the painter's origin at the page's top-left corner, at the resolution of the
// painter's device.
void paintPage(QPainter& painter, const Layout& layout, int page);

// Sets up the printer for the layout's page (A4, orientation, no printer margins: the layout has its own).
void setupPrinter(QPrinter& printer, const Layout& layout);

// Prints every page (or the printer's chosen page range).
void print(const Layout& layout, QPrinter& printer);

// Writes the pages into a PDF file; false when the file cannot be written.
bool writePdf(const Layout& layout, const QString& fileName);

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

// A file name made of a report title: characters that file systems refuse replaced, ".pdf" appended.
QString pdfFileName(const QString& title);

}  // namespace report
