#pragma once

#include "reports/summary_layout.h"

// The printed detailed report by products: per nomenclature group every product, operation kind, colour and
// product kind with the defective pieces, boxes, pieces made and the price of the good ones, totalled per group
// and period.
class TForm21 : public SummaryLayout {
    Q_OBJECT
public:
    explicit TForm21(QWidget* parent = nullptr);
    Dataset i_Report;  // parameters data1, data2
    Dataset& dataset() override { return i_Report; }
};

namespace summary {
QStringList detailedByProductsSql();
report::ReportDefinition detailedByProductsLayout();
}  // namespace summary
