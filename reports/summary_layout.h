#pragma once

#include <QDialog>
#include <initializer_list>

#include "core/dataset.h"
#include "core/report/report_definition.h"
#include "core/report/report_layouter.h"

// What the four printed summaries of the summary reports window have in common: a layout bound to its own
// query over the shift records of a period, prepared and previewed on demand. Never shown as a window.
class SummaryLayout : public QDialog {
    Q_OBJECT
public:
    report::ReportDefinition QuickRep1;  // its title label is QRLabel1

    virtual Dataset& dataset() = 0;
    const Dataset& dataset() const { return const_cast<SummaryLayout*>(this)->dataset(); }

    // Lays the report out over the dataset (open) as it stands.
    report::Layout Prepare(const report::LayoutOptions& options = {}) const;
    // Prepares the report and shows it in the modal preview (maximised, at page width), from which the user
    // prints or saves a PDF. The preview's title is the title label's text.
    void Preview(QWidget* parent = nullptr);
    // Shows pages already prepared in that preview.
    static void Preview(const report::Layout& pages, QWidget* parent = nullptr);

protected:
    SummaryLayout(const QString& name, report::ReportDefinition layout, QWidget* parent);
};

// Building blocks of the four layouts: A4 portrait, 10 mm margins, Arial 10 pt, x in mm from the left margin.
namespace summary {

const report::Font& regular();
const report::Font& bold();

QColor headerFill();  // report header, RGB 244
QColor groupFill();   // outer group header, RGB 224
QColor totalFill();   // behind every total, RGB 239
QColor footerFill();  // report footer, RGB 220

// The columns of a layout's detail line, by their left edges: a column reaches to the next column's left edge
// (the last one to the right margin). Captions and totals placed at another x in the same column are centred on
// the column's centre, so that numbers line up under their captions whatever their width.
class Columns {
public:
    Columns(std::initializer_list<double> lefts);
    QRectF slot(double x, double top, double height) const;  // the detail column that starts at x
    // From x, centred on the column that starts at column; kept inside the right margin unless overflow is
    // allowed (a caption's text is narrower than its box).
    QRectF centred(double x, double column, double top, double height, bool overflow = false) const;

    // Items of the detail line: a text in the column that starts at x (left-aligned unless told otherwise),
    // and a column of the row shown centred, with its mask.
    report::Item text(double x, report::Expr expr, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) const;
    report::Item number(double x, const QString& field, const QString& mask = {}) const;

private:
    std::vector<double> lefts_;
};

// Text of a column with the blanks of a fixed-width type cut off its end.
report::Expr trimmed(const QString& field);

// The product kind and colour expressions of the layouts.
report::Expr productKind();  // IF(naimen=0,'Готовая продукция','Заготовки')
report::Expr colour();       // if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')

// The report header: the bold title label QRLabel1 on the light grey band. Under it, and at the top of every
// page, one row of bold captions naming the columns: a caption at x, centred on the column that starts at
// column, or from x to the next column, aligned as the column's text when not centred.
struct Caption {
    double x, column;
    QString text;
    Qt::Alignment align = Qt::AlignCenter;
};
void reportHeader(report::ReportDefinition& r, const Columns& cols, std::initializer_list<Caption> captions);
// A group on key. Its header shows the key's text in bold from x to the right margin, on the darker band when
// filled (an outer group), and is printed again, marked "(продолжение)", on a page the group continues on;
// its footer is a band for the group's totals.
report::Group group(const QString& key, double x, bool filled);
// The detail line: its items, one per column, from left to right.
void detailLine(report::ReportDefinition& r, std::initializer_list<report::Item> items);
// A bold, centred total "sum(field)" on its grey background.
report::Item total(const QRectF& mm, const QString& field, const QString& mask = {});
// A total at x, centred on the column that starts at column.
struct Total {
    double x, column;
    QString field;
    QString mask = {};
};
// Adds a group's totals to its footer.
void groupTotals(report::Group& g, const Columns& cols, std::initializer_list<Total> totals);
// The report footer: "Итого:" at x and the grand totals, framed on all four sides on its grey band.
void reportFooter(report::ReportDefinition& r, double captionX, double captionWidth, const Columns& cols,
                  std::initializer_list<Total> totals);
// The page number near the right edge (x 176), on every page.
void pageFooter(report::ReportDefinition& r);
// Moves the backgrounds of a layout's items to the start of their band, so that a total's background never
// covers the text of its neighbour when their boxes overlap.
void fillsFirst(report::ReportDefinition& r);
// A blank layout with the common page setup.
report::ReportDefinition blank(const QString& title);

constexpr double kLine = 5;    // detail line
constexpr double kBand = 6;    // group header and footer
constexpr double kFooter = 8;  // report footer

}  // namespace summary
