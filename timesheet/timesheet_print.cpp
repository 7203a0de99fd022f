#include "timesheet/timesheet_print.h"

#include <algorithm>

#include "base/datamodule.h"
#include "base/registry.h"
#include "reports/report_preview.h"

namespace timesheet {

QStringList summedSheetSql() {
    QStringList lines{QStringLiteral("select person.s_caption fio,sum(d1) as sd1,sum(d2) as sd2,")};
    for (int n = 3; n <= 30; ++n)
        lines << QStringLiteral("sum(d%1) as sd%1,").arg(n);
    lines << QStringLiteral("sum(d31) as sd31 from accounts_dep.h_tabel, cmn_contractor.person person where")
          << QStringLiteral("h_tabel.w_id=person.s_code::t_integer and month=:mnth and")
          << QStringLiteral("year=:yea group by fio order by fio");
    return lines;
}

report::ReportDefinition printedSheetLayout() {
    using namespace report;
    ReportDefinition r;
    r.title = QStringLiteral("Табель");
    r.page.orientation = QPageLayout::Landscape;
    r.page.marginLeft = r.page.marginTop = r.page.marginRight = r.page.marginBottom = 10;

    const Font title{QStringLiteral("Arial"), 10, true};
    const Font regular{QStringLiteral("Arial"), 10, false};
    const Font day{QStringLiteral("Arial"), 9, false};
    const Font total{QStringLiteral("Arial"), 9, true};
    const Frame greySides{Frame::Left | Frame::Right, QColor(128, 128, 128), Qt::SolidLine, 0.2};
    const Frame dottedSides{Frame::Left | Frame::Right, QColor(128, 128, 128), Qt::DotLine, 0.2};
    auto dayX = [](int k) { return 81 + (k - 1) * 5.77; };
    const double cell = 5.3, totalX = 265, totalW = 12;

    // The sheet's heading, on the first page.
    r.reportHeader.height = 8;
    r.reportHeader.add(label(QRectF(0, 0.5, r.page.contentWidth(), 6), QString(), title)).name =
        QStringLiteral("QRLabelHead");

    // The heading of the table, printed again at the top of every page.
    Band& head = r.pageHeader;
    head.height = 7;
    head.frame = Frame{Frame::Top | Frame::Bottom, Qt::black, Qt::SolidLine, 0.3};
    Item& month = head.add(label(QRectF(0, 0.5, 80, 6), QStringLiteral("Данные за:"), title));
    month.name = QStringLiteral("QRLabel33");
    for (int k = 1; k <= 31; ++k) {
        Item& l = head.add(label(QRectF(dayX(k), 0.5, cell, 6), QString::number(k), title, Qt::AlignCenter));
        l.frame = greySides;
    }
    head.add(label(QRectF(totalX, 0.5, totalW, 6), QStringLiteral("Итого"), title, Qt::AlignCenter));

    Band& d = r.detail;
    d.height = 5;
    d.frame = Frame{Frame::Top | Frame::Bottom, QColor(128, 128, 128), Qt::DotLine, 0.2};
    d.add(field(QRectF(0, 0, 80, 5), QStringLiteral("fio"), regular));
    for (int k = 1; k <= 31; ++k) {
        Item& f = d.add(field(QRectF(dayX(k), 0, cell, 5), QStringLiteral("sd%1").arg(k), day, Qt::AlignCenter));
        f.frame = dottedSides;
    }
    // sd1+sd2+...+sd31, a day without hours counting as 0.
    d.add(computed(
        QRectF(totalX, 0, totalW, 5),
        [](const Row& row) {
            qlonglong s = 0;
            for (int k = 1; k <= 31; ++k)
                s += row.value(QStringLiteral("sd%1").arg(k)).toLongLong();
            return QVariant(s);
        },
        total, Qt::AlignCenter));

    r.pageFooter.height = 6;
    r.pageFooter.add(pageNumber(QRectF(r.page.contentWidth() - 40, 1, 40, 5), QStringLiteral("%1"), regular));
    return r;
}

QString printedHeading(const QString& month, const QString& year) {
    return QStringLiteral("Табель по времени за ") + month + QLatin1Char(' ') + year +
           QStringLiteral(" г.: все смены и хоз. работы");
}

namespace {

int detailLines(const report::Layout& l, int page) {
    int n = 0;
    for (const report::PlacedBand& b : l.pages.at(size_t(page)).bands)
        n += b.name == QLatin1String("detail");
    return n;
}

}  // namespace

report::Layout layoutSheet(const report::ReportDefinition& def, const report::RowSource* rows,
                           const report::LayoutOptions& options) {
    report::Layout l = report::layout(def, rows, options);
    const int last = l.pageCount() - 1;
    if (last < 1 || detailLines(l, last) != 1)
        return l;
    const double full = def.detail.height;
    for (int step = 1; step <= 5; ++step) {
        const double h = full * (1 - 0.02 * step);
        report::ReportDefinition lower = def;
        lower.detail.height = h;
        for (report::Item& i : lower.detail.items)
            i.rect.setHeight(std::min(i.rect.height(), h));
        report::Layout fitted = report::layout(lower, rows, options);
        if (fitted.pageCount() < l.pageCount())
            return fitted;
    }
    return l;
}

}  // namespace timesheet

TForm15::TForm15(QWidget* parent)
    : QDialog(parent),
      H_Tabel(app().dm->ADO_DB, QStringLiteral("H_Tabel"), this),
      QuickRep1(timesheet::printedSheetLayout()) {
    setObjectName(QStringLiteral("TForm15"));
    H_Tabel.setSql(timesheet::summedSheetSql());
}

report::Layout TForm15::Prepare(const report::LayoutOptions& options) const {
    return timesheet::layoutSheet(QuickRep1, &H_Tabel, options);
}

void TForm15::Preview(QWidget* parent) {
    const report::Layout pages = Prepare();
    report::preview(pages, parent);
}
