#pragma once

#include <QColor>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

#include "core/report/row_source.h"

// A printed report described as data: page setup, bands and the items on them, all measured in millimetres.
// The layouter turns it, with the rows of one source, into pages of positioned primitives; the painter draws those.
namespace report {

// One row of the report's dataset as computed values see it.
class Row {
public:
    Row(const RowSource* ds, int row) : ds_(ds), row_(row) {}
    bool valid() const { return ds_ && row_ >= 0; }
    int index() const { return row_; }
    QVariant value(const QString& field) const;  // null QVariant for NULL, an unknown field or no row
    bool isNull(const QString& field) const;
    double number(const QString& field) const;  // NULL reads as 0
    int integer(const QString& field) const;    // NULL reads as 0
    QString text(const QString& field) const;   // as the dataset shows it

private:
    const RowSource* ds_;
    int row_;
};

// A value computed from the current row (the product-kind text, a row total, ...).
using Expr = std::function<QVariant(const Row&)>;

struct Font {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool operator==(const Font&) const = default;
};

// Frame lines drawn along the sides of an item or a band.
struct Frame {
    enum Side { None = 0, Left = 1, Top = 2, Right = 4, Bottom = 8, All = 15 };
    int sides = None;
    QColor color = Qt::black;
    Qt::PenStyle style = Qt::SolidLine;
    double width = 0.2;  // mm
    bool operator==(const Frame&) const = default;
};

struct Item {
    enum Kind {
        Label,       // text: fixed text, which the program may set before the report is prepared
        Field,       // field: a column of the current row
        Computed,    // expr: a value computed from the current row
        Sum,         // field or expr summed over the rows of a group or of the whole report
        PageNumber,  // text: a format, %1 = page number, %2 = page count (empty: "%1")
        PrintDate,   // text: a format, %1 = the date DD.MM.YYYY (empty: "%1")
        Shape,       // nothing but its frame and fill
    };
    Kind kind = Label;
    QString name;  // to find the item (QRLabel33); also names the sum of an expression
    QRectF rect;   // mm, relative to the band's top-left corner (inside the page margins)
    QString text;
    QString field;
    Expr expr;
    QString mask;       // number mask ("#0.00"); empty: general form
    int sumLevel = -2;  // Sum: group level it totals, -1 the whole report, -2 the band's own scope
    Font font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor color = Qt::black;
    QColor fill;  // invalid: no fill
    Frame frame;
};

struct Band {
    double height = 0;  // mm; a band of height 0 with no items is absent
    std::vector<Item> items;
    Frame frame;   // lines along the band's full width
    QColor fill;   // background of the band's full width
    QString name;  // for the text dump; empty: the band's role

    bool present() const { return height > 0 || !items.empty(); }
    Item& add(Item item) {
        items.push_back(std::move(item));
        return items.back();
    }
};

// A group: header and footer around the runs of rows with the same key. An empty key makes one group over all
// rows (header before the first row, footer after the last).
struct Group {
    QString key;
    Band header;
    Band footer;
    bool repeatHeader = false;  // header printed again at the top of a page that continues the group
    bool newPage = false;       // each group after the first starts on a page of its own
    // The header item whose text, in a header printed again, is followed by " (продолжение)"; empty: none.
    QString continuedItem;
};

// What follows the heading of a group continued from the page before.
QString continuedMark();  // "(продолжение)"

struct PageSetup {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double width = 210, height = 297;  // mm, A4
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;
    double contentWidth() const {
        return (orientation == QPageLayout::Portrait ? width : height) - marginLeft - marginRight;
    }
    double pageWidth() const { return orientation == QPageLayout::Portrait ? width : height; }
    double pageHeight() const { return orientation == QPageLayout::Portrait ? height : width; }
};

struct ReportDefinition {
    QString title;  // document name for the printer and the PDF
    PageSetup page;
    Band reportHeader;  // once, at the top of the first page
    Band pageHeader;    // at the top of every page (below the report header on the first): the
                        // column captions, the heading of a table

    std::vector<Group> groups;  // outermost first
    Band detail;                // once per row
    Band summary;               // once, after the last row
    Band pageFooter;            // at the bottom of every page, the last included

    // The item of that name in any band; throws std::logic_error when there is none.
    Item& item(const QString& name);
};

// Item builders, so that a layout reads as a list of positioned things.
Item label(const QRectF& mm, const QString& text, Font font = {},
           Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
Item field(const QRectF& mm, const QString& field, Font font = {},
           Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, const QString& mask = {});
Item computed(const QRectF& mm, Expr expr, Font font = {}, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
              const QString& mask = {});
Item sum(const QRectF& mm, const QString& field, Font font = {}, Qt::Alignment align = Qt::AlignCenter,
         const QString& mask = {});
Item sumOf(const QRectF& mm, const QString& name, Expr expr, Font font = {}, Qt::Alignment align = Qt::AlignCenter,
           const QString& mask = {});
Item pageNumber(const QRectF& mm, const QString& format = QStringLiteral("%1"), Font font = {},
                Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter);
Item printDate(const QRectF& mm, const QString& format = QStringLiteral("%1"), Font font = {},
               Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
Item shape(const QRectF& mm, const Frame& frame, const QColor& fill = {});

// Text of a value: a number through the mask (or the general form), a date as DD.MM.YYYY, NULL as "".
QString formatValue(const QVariant& v, const QString& mask);

}  // namespace report
