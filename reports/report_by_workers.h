#pragma once

#include "reports/summary_layout.h"

// The printed report by workers: per worker and nomenclature group the net pieces and their price, by product
// kind, operation kind and colour, with the totals of each group, of each worker and of the period.
class TForm16 : public SummaryLayout {
    Q_OBJECT
public:
    explicit TForm16(QWidget* parent = nullptr);
    Dataset t_Report;  // parameters data1, data2
    Dataset& dataset() override { return t_Report; }
};

namespace summary {
QStringList byWorkersSql();
report::ReportDefinition byWorkersLayout();
}  // namespace summary
