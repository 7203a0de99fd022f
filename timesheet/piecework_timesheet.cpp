#include "timesheet/piecework_timesheet.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QVBoxLayout>

#include "base/colours.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "core/dataset_model.h"
#include "core/format.h"
#include "core/live.h"
#include "core/ui.h"
#include "timesheet/window_style.h"

namespace piecework {

namespace {

// The 31 day sums, five to a line.
QStringList daySums() {
    QStringList lines;
    QString line;
    for (int d = 1; d <= 31; ++d) {
        if (!line.isEmpty())
            line += QLatin1Char(' ');
        line += QStringLiteral("sum(coalesce(h.d%1,0)) d%1").arg(d);
        if (d < 31)
            line += QLatin1Char(',');
        if (d % 5 == 0 || d == 31) {
            lines << line;
            line.clear();
        }
    }
    return lines;
}

QStringList maintenanceSql(int kind, const QString& nightMark) {
    const QString k = QString::number(kind);
    QStringList s;
    s << QStringLiteral("select p.s_caption fio, p.id,h.i_type, ") + nightMark +
             QStringLiteral(" as s_night, h.i_night,")
      << QStringLiteral(
             "(select sum(f.cnt) from accounts_dep.fatigue f where f.d_date<:d_date1 and f.d_date>=:d_date2 "
             "and f.id_p=p.id and f.id_o=") +
             k + QStringLiteral(" and f.i_night=h.i_night) i_time,")
      << QStringLiteral(
             "(select sum(f.cnt*f.price)::numeric(10,2) from accounts_dep.fatigue f where f.d_date<:d_date3 "
             "and f.d_date>=:d_date4 and f.id_p=p.id and f.id_o=") +
             k + QStringLiteral(" and f.i_night=h.i_night) f_price,")
      << QStringLiteral(
             "(select case when coalesce(sum(f.cnt),0)::numeric(10,2)=0 then 0 else "
             "coalesce(sum((f.cnt*f.price))/sum(f.cnt),0)::numeric(10,2) end ")
      << QStringLiteral(
             "from accounts_dep.fatigue f where f.d_date<:d_date5 and f.d_date>=:d_date6 and f.id_p=p.id and "
             "f.id_o=") +
             k + QStringLiteral(" and f.i_night=h.i_night) average_price,");
    s << daySums();
    s << QStringLiteral("from  cmn_contractor.person p, accounts_dep.h_tabel h")
      << QStringLiteral("where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=") + k +
             QStringLiteral(" ")
      << QStringLiteral("group by p.id, p.s_caption, h.i_type, h.i_night") << QStringLiteral("order by fio");
    return s;
}

}  // namespace

QStringList sheetSql(int kind) {
    if (kind == kMaintenance)
        return maintenanceSql(kMaintenance, QStringLiteral("case when h.i_night=0 then '' else '+' end"));
    if (kind == kAverageRate)
        return maintenanceSql(kAverageRate, QStringLiteral("case when h.i_night=0 then 'дн.' else 'ноч.' end"));
    QStringList s;
    s << QStringLiteral("select p.s_caption fio, p.id,h.i_type,")
      << QStringLiteral(
             "(select sum(s.time) from accounts_dep.smena s where s.data<:d_date1 and s.data>=:d_date2 and "
             "s.w_id=p.id) i_time,")
      << QStringLiteral(
             "(select sum((s.kol_vo-s.brak)*s.cena)::numeric(10,2)from accounts_dep.smena s where "
             "s.data<:d_date3 and s.data>=:d_date4 and s.w_id=p.id) f_price,")
      << QStringLiteral(
             "(select case when coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else "
             "coalesce(sum((s.kol_vo-s.brak)*s.cena)/sum(time),0)::numeric(10,2) end from accounts_dep.smena "
             "s where s.data<:d_date5 and s.data>=:d_date6 and s.w_id=p.id) average_price,");
    s << daySums();
    s << QStringLiteral("from  cmn_contractor.person p, accounts_dep.h_tabel h")
      << QStringLiteral("where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=0")
      << QStringLiteral("group by p.id, p.s_caption, h.i_type") << QStringLiteral("order by fio");
    return s;
}

QStringList allPriceSql() {
    return {QStringLiteral("select sum(coalesce((s.kol_vo-s.brak)*s.cena,0))::numeric(10,2) as all_price  "),
            QStringLiteral("from accounts_dep.smena s"), QStringLiteral("where s.data<:d_date1 and s.data>=:d_date2")};
}

QString yearsSql() {
    return QStringLiteral("select distinct ht.year from accounts_dep.h_tabel ht order by year");
}

}  // namespace piecework

// ---------------------------------------------------------------------------------------------------------------

// The grid's title row, with the titles of the day columns coloured for the month shown.
class PieceworkHeader : public QHeaderView {
public:
    PieceworkHeader(TForm27* form, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), form_(form) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const QColor c = form_->titleColors_.value(logicalIndex);
        if (c.isValid())
            option->palette.setColor(QPalette::ButtonText, c);
    }

private:
    TForm27* form_;
};

namespace {

bool isTotal(const QString& field) {
    return field == QLatin1String("f_price") || field == QLatin1String("i_time") ||
           field == QLatin1String("average_price");
}

}  // namespace

TForm27::TForm27(QWidget* parent)
    : QDialog(parent),
      H_Tabel0(app().dm->ADO_DB, QStringLiteral("H_Tabel0")),
      H_Tabel7777(app().dm->ADO_DB, QStringLiteral("H_Tabel7777")),
      H_Tabel7778(app().dm->ADO_DB, QStringLiteral("H_Tabel7778")),
      all_price(app().dm->ADO_DB, QStringLiteral("all_price")),
      q_year(app().dm->ADO_DB, QStringLiteral("q_year")) {
    setObjectName(QStringLiteral("TForm27"));
    setWindowTitle(QStringLiteral("Табель сделка (27)"));
    H_Tabel0.setSql(piecework::sheetSql(piecework::kPieceWork));
    H_Tabel7777.setSql(piecework::sheetSql(piecework::kMaintenance));
    H_Tabel7778.setSql(piecework::sheetSql(piecework::kAverageRate));
    all_price.setSql(piecework::allPriceSql());
    q_year.setSql(piecework::yearsSql());

    DBGrid = new ::DbGrid(this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    auto* header = new PieceworkHeader(this, DBGrid);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    DBGrid->setHorizontalHeader(header);
    DBGrid->horizontalHeader()->setMinimumSectionSize(kDayWidth);
    DBGrid->setTextElideMode(Qt::ElideNone);  // two-digit hours in the narrow day columns
    DBGrid->datasetModel()->setCellRule(
        [this](const Dataset& ds, int row, const GridColumn& column, int role) -> QVariant {
            Q_UNUSED(ds);
            Q_UNUSED(row);
            if (isTotal(column.field)) {
                if (role == Qt::BackgroundRole)
                    return colours::kTotals;
                if (role == Qt::FontRole) {
                    QFont f = DBGrid->font();
                    f.setBold(true);
                    return f;
                }
                return {};
            }
            const int day = rules::dayOfField(column.field);
            if (day == 0 || role != Qt::ForegroundRole)
                return {};
            return cellColors_.value(day - 1);
        });

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(rules::monthNames());
    cb_year = new QComboBox(this);
    cb_year->setObjectName(QStringLiteral("cb_year"));
    Label1 = new QLabel(QStringLiteral("Сумма (р.)     "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DBText1 = new QLabel(this);
    DBText1->setObjectName(QStringLiteral("DBText1"));
    DBText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DBText1->setMinimumWidth(110);
    Button1 = new QPushButton(QStringLiteral("Выход"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(true);  // Enter presses the focused button; no button is the default one

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ComboBox1);
    bottom->addWidget(cb_year);
    bottom->addStretch(1);
    bottom->addWidget(Label1);
    bottom->addWidget(DBText1);
    bottom->addSpacing(24);
    bottom->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid, 1);
    layout->addLayout(bottom);

    connect(ComboBox1, &QComboBox::activated, this, ui::guarded([this](int) { ComboBox1Change(); }));
    connect(cb_year, &QComboBox::activated, this, ui::guarded([this](int) { ComboBox1Change(); }));
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(&all_price, &Dataset::reset, this, [this] {
        DBText1->setText(all_price.isOpen() ? all_price.field(QStringLiteral("all_price")).asString() : QString());
    });

    const QDate today = QDate::currentDate();
    markDays(today.year(), today.month());
    setResizableWindow(this, QSize(1100, 600));

    liveMonth = new live::Follower(
        this,
        [this](const live::Change& c) {
            static const QStringList tables{
                QStringLiteral("accounts_dep.h_tabel"), QStringLiteral("accounts_dep.smena"),
                QStringLiteral("accounts_dep.fatigue"), QStringLiteral("cmn_contractor.person")};
            const int y = year() != 0 ? year() : QDate::currentDate().year();
            return current->isOpen() && c.touchesTable(tables) && c.touchesMonth(y, ComboBox1->currentIndex() + 1);
        },
        [this] {
            live::reloadKeeping(DBGrid, QStringLiteral("id"), [this] {
                current->close();
                current->open();
                all_price.close();
                all_price.open();
            });
        });
}

void TForm27::openSheet(int kind) {
    switch (kind) {
        case piecework::kMaintenance:
            setWindowTitle(QStringLiteral("Табель хоз. работы (27)"));
            current = &H_Tabel7777;
            break;
        case piecework::kAverageRate:
            setWindowTitle(QStringLiteral("Табель ср. сдельная (27)"));
            current = &H_Tabel7778;
            break;
        default:
            setWindowTitle(QStringLiteral("Табель сделка (27)"));
            current = &H_Tabel0;
            break;
    }
    const QDate today = QDate::currentDate();
    ComboBox1->setCurrentIndex(today.month() - 1);
    ui::guarded([&] {
        q_year.close();
        q_year.open();
        fillYears();
        setYear(today.year());
        ComboBox1Change();
    })();
    ui::execModal(this);
    current->close();
    q_year.close();
    all_price.close();
}

void TForm27::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TForm27::FormActivate() {
    DBGrid->setDataset(current);
}

void TForm27::fillYears() {
    const int keep = year();
    cb_year->clear();
    if (q_year.isOpen()) {
        for (int r = 0; r < q_year.recordCount(); ++r) {
            const int y = q_year.valueAt(r, 0).toInt();
            cb_year->addItem(QString::number(y), y);
        }
    }
    if (keep != 0)
        setYear(keep);
}

int TForm27::year() const {
    return cb_year->currentIndex() < 0 ? 0 : cb_year->currentData().toInt();
}

// Selects the year; a year without time-sheet rows is added to the list in its place, so that it can be shown.
void TForm27::setYear(int y) {
    int at = cb_year->findData(y);
    if (at < 0) {
        at = 0;
        while (at < cb_year->count() && cb_year->itemData(at).toInt() < y)
            ++at;
        cb_year->insertItem(at, QString::number(y), y);
    }
    cb_year->setCurrentIndex(at);
}

void TForm27::ComboBox1Change() {
    const int month = ComboBox1->currentIndex() + 1;
    const int y = year() != 0 ? year() : QDate::currentDate().year();
    const QDate first(y, month, 1);
    const QDate next = first.addMonths(1);

    current->close();
    current->setParam(QStringLiteral("i_month"), month);
    current->setParam(QStringLiteral("i_year"), y);
    for (const char* p : {"d_date2", "d_date4", "d_date6"})
        current->setParam(QLatin1String(p), first);
    for (const char* p : {"d_date1", "d_date3", "d_date5"})
        current->setParam(QLatin1String(p), next);
    current->open();

    all_price.close();
    all_price.setParam(QStringLiteral("d_date2"), first);
    all_price.setParam(QStringLiteral("d_date1"), next);
    all_price.open();

    markDays(y, month);
}

// Weekends of the month red, the days past its end hidden with the name column widened by their width.
void TForm27::markDays(int y, int month) {
    const int days = fmt::daysInMonth(y, month);
    const QColor text = colours::windowText();
    const QColor background = colours::windowBackground();
    const auto centred = Qt::AlignCenter;

    QList<GridColumn> cols;
    cols << GridColumn{
        QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), Qt::AlignLeft | Qt::AlignVCenter, {}, true, kNameWidth};
    cols << GridColumn{QStringLiteral("s_night"), QString(), centred, {}, true, 32};
    titleColors_ = {QColor(), QColor()};
    cellColors_.clear();
    for (int d = 1; d <= 31; ++d) {
        const bool inMonth = d <= days;
        QColor c;
        if (inMonth)
            c = fmt::isWeekend(QDate(y, month, d)) ? colours::clRed : text;
        titleColors_ << (inMonth ? c : colours::clSilver);
        cellColors_ << (inMonth ? c : background);
        cols << GridColumn{rules::dayField(d), QString::number(d), centred, {}, inMonth, kDayWidth};
        if (!inMonth)
            cols[0].width += kDayWidth;
    }
    cols << GridColumn{QStringLiteral("f_price"), QStringLiteral("Итого (р.)"), centred, {}, true, 80};
    cols << GridColumn{QStringLiteral("i_time"), QStringLiteral("Итого (ч.)"), centred, {}, true, 70};
    cols << GridColumn{QStringLiteral("average_price"), QStringLiteral("Час (р.)"), centred, {}, true, 70};
    titleColors_ << QColor() << QColor() << QColor();
    DBGrid->setColumns(cols);
    DBGrid->horizontalHeader()->viewport()->update();
}
