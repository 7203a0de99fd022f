#include "core/report/report_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <optional>

#include "core/job.h"

namespace report {

namespace {

QPageLayout pageLayoutOf(const Layout& layout) {
    return QPageLayout(QPageSize(QPageSize::A4), layout.page.orientation, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

// A text wider than its box is set condensed (down to 70 % of its width) rather than cut at the box's edges, the
// way a narrow column of a printed form takes a long word; what still does not fit ends in "…".
// fm: the metrics of the painter's font on its device; width: the text's advance in it.
void drawFitted(QPainter& p, const QFontMetricsF& fm, double width, const QRectF& box, int flags, const QString& text,
                double gap) {
    const double room = std::max(1.0, box.width() - gap);
    if (width <= box.width()) {
        p.drawText(box, flags, text);
        return;
    }
    constexpr double kMinScale = 0.7;
    const double scale = std::max(kMinScale, room / width);
    QString shown = text;
    if (width * scale > room)
        shown = fm.elidedText(text, Qt::ElideRight, room / scale);
    p.save();
    p.translate(box.left(), box.top());
    p.scale(scale, 1);
    p.drawText(QRectF(0, 0, box.width() / scale, box.height()), flags, shown);
    p.restore();
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
    // Per text style: the font's metrics on this device and the widths measured so far (the same texts recur
    // line after line: product kinds, colours, counts).
    std::vector<std::optional<QFontMetricsF>> metrics(layout.textStyles.size());
    std::vector<QHash<QString, double>> widths(layout.textStyles.size());
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
                std::optional<QFontMetricsF>& fm = metrics[pr.style];
                if (!fm)
                    fm.emplace(p.font(), p.device());
                auto w = widths[pr.style].constFind(pr.text);
                if (w == widths[pr.style].cend())
                    w = widths[pr.style].insert(pr.text, fm->horizontalAdvance(pr.text));
                drawFitted(p, *fm, *w, px(pr.rect), int(s.alignment) | Qt::TextSingleLine, pr.text, 0.5 * kx);
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

bool print(const Layout& layout, QPrinter& printer, job::Progress* progress) {
    QPainter p;
    if (!p.begin(&printer))
        return false;
    int from = 1, to = layout.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(to, printer.toPage() > 0 ? printer.toPage() : to);
    }
    if (progress)
        progress->setMaximum(std::max(0, to - from + 1));
    bool first = true;
    for (int i = from; i <= to; ++i) {
        if (!first && !printer.newPage()) {
            p.end();
            return false;
        }
        first = false;
        paintPage(p, layout, i - 1);
        if (progress) {
            try {
                progress->step(i - from + 1);
            } catch (...) {
                printer.abort();
                p.end();
                throw;
            }
        }
    }
    return p.end();
}

bool writePdf(const Layout& layout, const QString& fileName, job::Progress* progress) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QPdfWriter pdf(&file);
    pdf.setResolution(300);
    pdf.setTitle(layout.title);
    pdf.setCreator(QStringLiteral("tabel"));
    pdf.setPageLayout(pageLayoutOf(layout));
    QPainter p;
    if (!p.begin(&pdf))
        return false;
    if (progress)
        progress->setMaximum(layout.pageCount());
    for (int i = 0; i < layout.pageCount(); ++i) {
        if (i > 0)
            pdf.newPage();
        paintPage(p, layout, i);
        if (progress) {
            try {
                progress->step(i + 1);
            } catch (...) {
                file.cancelWriting();
                p.end();
                throw;
            }
        }
    }
    // The file's end is written by the painter's end; only then does the file take its name.
    return p.end() && file.commit();
}

QString pdfFileName(const QString& title) {
    QString name = title.simplified();
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    if (name.isEmpty())
        name = QStringLiteral("Отчет");
    return name + QStringLiteral(".pdf");
}

}  // namespace report
