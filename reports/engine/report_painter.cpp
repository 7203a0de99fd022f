#include "reports/engine/report_painter.h"

#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include "app/ui.h"

namespace report {

namespace {

QPageLayout pageLayoutOf(const Layout& layout) {
    return QPageLayout(QPageSize(QPageSize::A4), layout.page.orientation, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

}  // namespace

void paintPage(QPainter& p, const Layout& layout, int page) {
    if (page < 0 || page >= layout.pageCount())
        return;
    const QPaintDevice* dev = p.device();
    const double kx = dev->logicalDpiX() / 25.4;
    const double ky = dev->logicalDpiY() / 25.4;
    auto px = [&](const QRectF& r) { return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky); };

    std::vector<QFont> fonts;
    fonts.reserve(layout.textStyles.size());
    for (const TextStyle& s : layout.textStyles) {
        QFont f(s.font.family);
        f.setPointSizeF(s.font.pointSize);
        f.setBold(s.font.bold);
        f.setItalic(s.font.italic);
        fonts.push_back(f);
    }
    std::vector<QPen> pens;
    for (const Frame& fr : layout.penStyles) {
        QPen pen(fr.color, std::max(1.0, fr.width * kx), fr.style);
        pen.setCapStyle(Qt::FlatCap);
        pens.push_back(pen);
    }

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    int currentStyle = -1;
    for (const Primitive& pr : layout.pages[size_t(page)].items) {
        switch (pr.kind) {
            case Primitive::Fill:
                p.fillRect(px(pr.rect), pr.color);
                break;
            case Primitive::Line:
                p.setPen(pens[pr.style]);
                p.drawLine(QPointF(pr.rect.left() * kx, pr.rect.top() * ky),
                           QPointF(pr.rect.right() * kx, pr.rect.bottom() * ky));
                currentStyle = -1;
                break;
            case Primitive::Text: {
                if (currentStyle != pr.style) {
                    const TextStyle& s = layout.textStyles[pr.style];
                    p.setFont(fonts[pr.style]);
                    p.setPen(s.color);
                    currentStyle = pr.style;
                }
                const TextStyle& s = layout.textStyles[pr.style];
                p.drawText(px(pr.rect), int(s.alignment) | Qt::TextSingleLine, pr.text);
                break;
            }
        }
    }
    p.restore();
}

void setupPrinter(QPrinter& printer, const Layout& layout) {
    printer.setFullPage(true);
    printer.setPageLayout(pageLayoutOf(layout));
    printer.setDocName(layout.title);
}

void print(const Layout& layout, QPrinter& printer) {
    QPainter p;
    if (!p.begin(&printer))
        return;
    int from = 1, to = layout.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(to, printer.toPage() > 0 ? printer.toPage() : to);
    }
    bool first = true;
    for (int i = from; i <= to; ++i) {
        if (!first)
            printer.newPage();
        first = false;
        paintPage(p, layout, i - 1);
    }
    p.end();
}

bool writePdf(const Layout& layout, const QString& fileName) {
    QPdfWriter pdf(fileName);
    pdf.setResolution(300);
    pdf.setTitle(layout.title);
    pdf.setCreator(QStringLiteral("tabel"));
    pdf.setPageLayout(pageLayoutOf(layout));
    QPainter p;
    if (!p.begin(&pdf))
        return false;
    for (int i = 0; i < layout.pageCount(); ++i) {
        if (i > 0)
            pdf.newPage();
        paintPage(p, layout, i);
    }
    return p.end();
}

int preview(const Layout& layout, QWidget* parent, const PreviewOptions& options) {
    QPrinter printer(QPrinter::HighResolution);
    setupPrinter(printer, layout);
    QPrintPreviewDialog dlg(&printer, parent);
    dlg.setObjectName(QStringLiteral("ReportPreview"));
    dlg.setWindowTitle(layout.title.isEmpty() ? QStringLiteral("Просмотр") : layout.title);
    // The preview asks for the pages each time it needs them; no picture of every page is kept here.
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                     ui::guarded([&layout](QPrinter* pr) { print(layout, *pr); }));
    if (options.maximized)
        dlg.setWindowState(dlg.windowState() | Qt::WindowMaximized);
    if (options.fitWidth)
        if (auto* w = dlg.findChild<QPrintPreviewWidget*>())
            w->fitToWidth();
    return ui::execModal(&dlg);
}

}  // namespace report
