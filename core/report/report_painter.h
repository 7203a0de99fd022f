#pragma once

#include "core/report/report_layouter.h"

class QPainter;
class QPrinter;
namespace job {
class Progress;
}

// Paints laid-out pages on any device: the preview, a printer, a PDF file, an image.
namespace report {

// Paints one page (0-based) with the painter's origin at the page's top-left corner, at the resolution of the
// painter's device.
void paintPage(QPainter& painter, const Layout& layout, int page);

// Sets up the printer for the layout's page (A4, orientation, no printer margins: the layout has its own).
void setupPrinter(QPrinter& printer, const Layout& layout);

// Prints every page (or the printer's chosen page range); false when the printer refused (it could not begin
// or finish the job, or a new page). With a progress, each page is counted and a cancel ends the job there
// (job::Cancelled is thrown; the pages sent so far are the printer's). Usable off the window thread.
bool print(const Layout& layout, QPrinter& printer, job::Progress* progress = nullptr);

// Writes the pages into a PDF file; false when the file cannot be written. The file appears, whole, only at
// the end (written under a temporary name beside it, then renamed): a cancel (job::Cancelled thrown on from
// the progress) or a failure leaves no file and an earlier file of that name as it was. Usable off the window
// thread.
bool writePdf(const Layout& layout, const QString& fileName, job::Progress* progress = nullptr);

// A file name made of a report title: characters that file systems refuse replaced, ".pdf" appended.
QString pdfFileName(const QString& title);

}  // namespace report
