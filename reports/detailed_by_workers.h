#pragma once

#include "reports/summary_layout.h"

// The printed detailed report by workers: per worker every product, operation kind, colour and product kind
// with the pieces made, the defective ones and the price of the good ones, totalled per worker and period.
class TForm20 : public SummaryLayout {
    Q_OBJECT
public:
    explicit TForm20(QWidget* parent = nullptr);
    Dataset w_Report;  // parameters data1, data2
    Dataset& dataset() override { return w_Report; }
};

namespace summary {
QStringList detailedByWorkersSql();
report::ReportDefinition detailedByWorkersLayout();
}  // namespace summary
