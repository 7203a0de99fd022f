#include "reports/summary_layout.h"

#include <algorithm>

#include "base/shared_rules.h"
#include "core/format.h"
#include "reports/report_preview.h"

SummaryLayout::SummaryLayout(const QString& name, report::ReportDefinition layout, QWidget* parent)
    : QDialog(parent), QuickRep1(std::move(layout)) {
    setObjectName(name);
}

report::Layout SummaryLayout::Prepare(const report::LayoutOptions& options) const {
    report::ReportDefinition def = QuickRep1;
    const QString title = def.item(QStringLiteral("QRLabel1")).text.trimmed();
    if (!title.isEmpty())
        def.title = title;
    return report::layout(def, &dataset(), options);
}

void SummaryLayout::Preview(QWidget* parent) {
    Preview(Prepare(), parent);
}

void SummaryLayout::Preview(const report::Layout& pages, QWidget* parent) {
    report::PreviewOptions options;
    options.maximized = true;
    options.fitWidth = true;
    report::preview(pages, parent, options);
}

namespace summary {

using namespace report;

const Font& regular() {
    static const Font f{QStringLiteral("Arial"), 10, false};
    return f;
}

const Font& bold() {
    static const Font f{QStringLiteral("Arial"), 10, true};
    return f;
}

QColor headerFill() {
    return QColor(244, 244, 244);
}
QColor groupFill() {
    return QColor(224, 224, 224);
}
QColor totalFill() {
    return QColor(239, 239, 239);
}
QColor footerFill() {
    return QColor(220, 220, 220);
}

namespace {
constexpr double kWidth = 190;  // A4 portrait inside 10 mm margins
}

Columns::Columns(std::initializer_list<double> lefts) : lefts_(lefts) {
    std::sort(lefts_.begin(), lefts_.end());
}

QRectF Columns::slot(double x, double top, double height) const {
    auto it = std::upper_bound(lefts_.begin(), lefts_.end(), x + 1e-9);
    const double right = it == lefts_.end() ? kWidth : *it;
    return QRectF(x, top, right - x, height);
}

QRectF Columns::centred(double x, double column, double top, double height, bool overflow) const {
    const QRectF col = slot(column, top, height);
    const double centre = col.center().x();
    double right = 2 * centre - x;
    if (right <= x)  // x right of its column's centre: keep to the column's right edge
        right = col.right();
    if (!overflow)
        right = std::min(right, kWidth);
    return QRectF(x, top, right - x, height);
}

Item Columns::text(double x, Expr expr, Qt::Alignment align) const {
    return computed(slot(x, 0, kLine), std::move(expr), regular(), align);
}

Item Columns::number(double x, const QString& f, const QString& mask) const {
    return field(slot(x, 0, kLine), f, regular(), Qt::AlignCenter, mask);
}

Expr trimmed(const QString& field) {
    return [field](const Row& row) { return QVariant(fmt::trimmedRight(row.text(field))); };
}

Expr productKind() {
    return [](const Row& row) { return QVariant(rules::productKindText(row.integer(QStringLiteral("naimen")))); };
}

Expr colour() {
    return [](const Row& row) { return QVariant(rules::colourText(row.integer(QStringLiteral("color")))); };
}

void reportHeader(ReportDefinition& r, const Columns& cols, std::initializer_list<Caption> captions) {
    Band& h = r.reportHeader;
    h.fill = headerFill();
    h.height = 8;
    Item& title = h.add(label(QRectF(0, 1, kWidth, 6), QString(), bold()));
    title.name = QStringLiteral("QRLabel1");
    Band& c = r.pageHeader;
    c.name = QStringLiteral("captions");
    c.fill = headerFill();
    c.height = 6;
    c.frame = Frame{Frame::Bottom, Qt::black, Qt::SolidLine, 0.2};
    for (const Caption& cap : captions) {
        const QRectF box = cap.align.testFlag(Qt::AlignHCenter) ? cols.centred(cap.x, cap.column, 0, 5.5, true)
                                                                : cols.slot(cap.x, 0, 5.5);
        c.add(label(box, cap.text, bold(), cap.align | Qt::AlignVCenter));
    }
}

Group group(const QString& key, double x, bool filled) {
    Group g;
    g.key = key;
    g.header.height = kBand;
    if (filled)
        g.header.fill = groupFill();
    g.header.add(computed(QRectF(x, 0.5, kWidth - x, 5), trimmed(key), bold())).name = QStringLiteral("groupKey");
    g.repeatHeader = true;
    g.continuedItem = QStringLiteral("groupKey");
    g.footer.height = kBand;
    return g;
}

void detailLine(ReportDefinition& r, std::initializer_list<Item> items) {
    r.detail.height = kLine;
    for (const Item& i : items)
        r.detail.add(i);
}

Item total(const QRectF& mm, const QString& f, const QString& mask) {
    Item i = sum(mm, f, bold(), Qt::AlignCenter, mask);
    i.fill = totalFill();
    return i;
}

void groupTotals(Group& g, const Columns& cols, std::initializer_list<Total> totals) {
    for (const Total& t : totals)
        g.footer.add(total(cols.centred(t.x, t.column, 0.5, 5), t.field, t.mask));
}

void reportFooter(ReportDefinition& r, double captionX, double captionWidth, const Columns& cols,
                  std::initializer_list<Total> totals) {
    Band& s = r.summary;
    s.height = kFooter;
    s.fill = footerFill();
    s.frame.sides = Frame::All;
    s.frame.width = 0.3;
    s.add(label(QRectF(captionX, 1, captionWidth, kFooter - 2), QStringLiteral("Итого:"), bold()));
    for (const Total& t : totals)
        s.add(total(cols.centred(t.x, t.column, 1, kFooter - 2), t.field, t.mask));
}

void pageFooter(ReportDefinition& r) {
    r.pageFooter.height = 6;
    r.pageFooter.add(pageNumber(QRectF(176, 1, kWidth - 176, 5), QStringLiteral("%1"), regular()));
}

void fillsFirst(ReportDefinition& r) {
    auto move = [](Band& b) {
        std::vector<Item> fills;
        for (Item& i : b.items)
            if (i.fill.isValid()) {
                fills.push_back(shape(i.rect, Frame{}, i.fill));
                i.fill = QColor();
            }
        b.items.insert(b.items.begin(), fills.begin(), fills.end());
    };
    move(r.reportHeader);
    move(r.pageHeader);
    for (Group& g : r.groups) {
        move(g.header);
        move(g.footer);
    }
    move(r.detail);
    move(r.summary);
    move(r.pageFooter);
}

ReportDefinition blank(const QString& title) {
    ReportDefinition r;
    r.title = title;
    r.page.orientation = QPageLayout::Portrait;
    r.page.marginLeft = r.page.marginTop = r.page.marginRight = r.page.marginBottom = 10;
    return r;
}

}  // namespace summary
