#include "reports/report_preview.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>

#include "core/job.h"
#include "core/ui.h"

namespace report {

namespace {

// The toolbar's "Print": the print dialog, then the job; a job the printer refuses is said, and the preview
// stays open so that the user can try again or save a PDF.
void printFromPreview(const Layout& layout, QPrinter& printer, QDialog& preview) {
    QPrintDialog dlg(&printer, &preview);
    dlg.setObjectName(QStringLiteral("PrintDialog"));
    if (ui::execModal(&dlg) != QDialog::Accepted)
        return;
    // Off the window thread (Qt lets a painter work on a printer there), with the pages counted; a cancel stops
    // sending pages.
    bool printed = false;
    if (printer.isValid()) {
        bool finished = false;
        if (!job::runInThread(QStringLiteral("Печать"), [&](job::Progress& progress) {
                progress.setText(QStringLiteral("Печать страниц отчета…"));
                finished = print(layout, printer, &progress);
            }))
            return;  // cancelled: the preview stays open
        printed = finished;
    }
    if (!printed) {
        const QString name = printer.outputFormat() == QPrinter::PdfFormat
                                 ? QDir::toNativeSeparators(printer.outputFileName())
                                 : printer.printerName();
        ui::messageBox(QStringLiteral("Отчет не напечатан: принтер «%1» не принял задание.").arg(name),
                       QStringLiteral("Ошибка"), ui::MB_ERROR);
        return;
    }
    preview.accept();
}

// Takes the toolbar's print action over from the preview's own handler, which closes the preview whatever the
// printer answered.
void takeOverPrint(QPrintPreviewDialog& dlg, const Layout& layout, QPrinter& printer) {
    for (QAction* action : dlg.findChildren<QAction*>()) {
        if (QObject::disconnect(action, SIGNAL(triggered(bool)), &dlg, SLOT(_q_print()))) {
            action->setObjectName(QStringLiteral("PrintAction"));
            QObject::connect(action, &QAction::triggered, &dlg,
                             ui::guarded([&layout, &printer, &dlg](bool) { printFromPreview(layout, printer, dlg); }));
        }
    }
}

}  // namespace

int preview(const Layout& layout, QWidget* parent, const PreviewOptions& options) {
    QPrinter printer(QPrinter::HighResolution);
    setupPrinter(printer, layout);
    QPrintPreviewDialog dlg(&printer, parent);
    dlg.setObjectName(QStringLiteral("ReportPreview"));
    dlg.setWindowTitle(layout.title.isEmpty() ? QStringLiteral("Просмотр") : layout.title);
    // The preview asks for the pages each time it needs them; no picture of every page is kept here.
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                     ui::guarded([&layout](QPrinter* pr) { print(layout, *pr); }));
    takeOverPrint(dlg, layout, printer);
    if (options.savePdf)
        if (auto* bar = dlg.findChild<QToolBar*>()) {
            bar->addSeparator();
            QAction* save =
                bar->addAction(dlg.style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Сохранить PDF"));
            save->setObjectName(QStringLiteral("SavePdf"));
            save->setToolTip(QStringLiteral("Сохранить отчет в файл PDF"));
            QObject::connect(save, &QAction::triggered, &dlg,
                             ui::guarded([&layout, &dlg](bool) { savePdfAs(layout, &dlg); }));
        }
    if (options.maximized)
        dlg.setWindowState(dlg.windowState() | Qt::WindowMaximized);
    if (options.fitWidth) {
        // Through the toolbar's own action, so that its button shows the zoom mode in force.
        if (auto* fit = dlg.findChild<QAction*>(QStringLiteral("fitWidthAction")))
            fit->trigger();
        else if (auto* w = dlg.findChild<QPrintPreviewWidget*>())
            w->fitToWidth();
    }
    return ui::execModal(&dlg);
}

QString savedPdfText(const QString& file) {
    return QStringLiteral("Отчет сохранён в файл ") + QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()) +
           QLatin1Char('.');
}

bool savePdfAs(const Layout& layout, QWidget* parent) {
    // The folder of the last save is offered again while the program runs; the first time the user's documents
    // folder, made when it is missing.
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    QFileDialog dlg(parent, QStringLiteral("Сохранить PDF"));
    dlg.setObjectName(QStringLiteral("SavePdfDialog"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilter(QStringLiteral("PDF (*.pdf)"));
    dlg.setDefaultSuffix(QStringLiteral("pdf"));
    dlg.setDirectory(folder);
    dlg.selectFile(pdfFileName(layout.title));
    if (ui::execModal(&dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    const QString file = dlg.selectedFiles().first();
    folder = QFileInfo(file).absolutePath();
    // The pages are plain data: they are painted on a thread of their own while the window counts them.
    bool written = false;
    if (!job::runInThread(QStringLiteral("Сохранение PDF"), [&](job::Progress& progress) {
            progress.setText(QStringLiteral("Запись страниц в файл…"));
            written = writePdf(layout, file, &progress);
        }))
        return false;  // cancelled: no file was left
    if (!written)
        ui::messageBox(QStringLiteral("Не удалось записать файл ") + QDir::toNativeSeparators(file) + QLatin1Char('.'),
                       QStringLiteral("Ошибка"), ui::MB_ERROR);
    else
        ui::messageBox(savedPdfText(file), QStringLiteral("Сохранить PDF"), ui::MB_INFO);
    return written;
}

}  // namespace report
