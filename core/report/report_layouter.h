#pragma once

#include <QDate>
#include <functional>
#include <vector>

#include "core/report/report_definition.h"

// Lays a report out: definition + the rows of one open dataset → pages of positioned primitives.
namespace report {

// A styled thing at a place on the page; coordinates in mm from the page's top-left corner.
struct Primitive {
    enum Kind : quint8 { Text, Line, Fill };
    Kind kind = Text;
    quint16 band = 0;   // index into Page::bands
    quint16 style = 0;  // Text: index into Layout::textStyles; Line: into Layout::penStyles
    QRectF rect;        // Line: from topLeft to bottomRight
    QColor color;       // Fill: the colour
    QString text;
};

struct TextStyle {
    Font font;
    Qt::Alignment alignment;
    QColor color;
    bool operator==(const TextStyle&) const = default;
};

// A band as placed on a page, for the text dump and the tests.
struct PlacedBand {
    QString name;
    double top = 0;  // mm from the page top
    int row = -1;    // dataset row it was printed for, -1 for none
};

struct Page {
    std::vector<PlacedBand> bands;
    std::vector<Primitive> items;
};

struct Layout {
    PageSetup page;
    QString title;
    std::vector<TextStyle> textStyles;
    std::vector<Frame> penStyles;
    std::vector<Page> pages;

    int pageCount() const { return int(pages.size()); }
    // The pages as text, one line per band and per primitive:
    //   page 1
    //    band detail @20.0 row 0
    //     text 91.0,20.0 5.3x5.0 "8"
    //     line 91.0,20.0 91.0,25.0
    //     fill 10.0,10.0 277.0x6.0 #e0e0e0
    QString dump() const;
    // The names of the bands of a page in order.
    QStringList bandNames(int page) const;
    // The texts of a page, in order.
    QStringList texts(int page) const;
};

struct LayoutOptions {
    QDate printDate = QDate::currentDate();
    // Told the rows laid out so far, every few hundred rows and at the end (a long job counts them; it may
    // throw to stop the layout).
    std::function<void(int rows)> rowsDone;
};

// ds must be open (it may be empty, or null for a report without rows). Reads the rows by position through the
// dataset's filter; the dataset's current row is not moved.
Layout layout(const ReportDefinition& def, const RowSource* ds, const LayoutOptions& options = {});

}  // namespace report
