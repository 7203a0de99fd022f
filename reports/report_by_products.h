#pragma once

#include "reports/summary_layout.h"

// The printed report by products: per nomenclature group the boxes and net pieces by product kind, operation
// kind and colour, with the totals of each group and of the period.
class TForm17 : public SummaryLayout {
    Q_OBJECT
public:
    explicit TForm17(QWidget* parent = nullptr);
    Dataset t_Report;  // parameters data1, data2
    Dataset& dataset() override { return t_Report; }
};

namespace summary {
QStringList byProductsSql();
report::ReportDefinition byProductsLayout();
}  // namespace summary
