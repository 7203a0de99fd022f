#include "reports/summary_reports.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <optional>

#include "base/datamodule.h"
#include "base/registry.h"
#include "base/shared_rules.h"
#include "core/excel_writer.h"
#include "core/format.h"
#include "core/job.h"
#include "core/ui.h"
#include "reports/detailed_by_products.h"
#include "reports/detailed_by_workers.h"
#include "reports/report_by_products.h"
#include "reports/report_by_workers.h"
#include "reports/summary_layout.h"

// ---------------------------------------------------------------------------------------------------------------

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent) : QGroupBox(title, parent) {
    auto* l = new QVBoxLayout(this);
    for (const QString& text : items) {
        auto* b = new QRadioButton(text, this);
        l->addWidget(b);
        buttons_ << b;
    }
}

int RadioGroup::itemIndex() const {
    for (int i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked())
            return i;
    return -1;
}

void RadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < buttons_.size())
        buttons_[index]->setChecked(true);
}

// ---------------------------------------------------------------------------------------------------------------

namespace summary {

QString kindFilter(int choice) {
    switch (choice) {
        case 1:
            return QStringLiteral("naimen=0");
        case 2:
            return QStringLiteral("naimen=1");
        default:
            return {};
    }
}

void applyKind(Dataset& ds, int choice) {
    const QString f = kindFilter(choice);
    if (f.isEmpty()) {
        ds.setFiltered(false);
        return;
    }
    ds.setFilter(f);
    ds.setFiltered(true);
}

QString reportTitle(const QString& text, const QDate& from, const QDate& to) {
    // The queries take the records before the end date: the title names the last day they include.
    const QLocale loc;
    return text + loc.toString(from, QLocale::ShortFormat) + QStringLiteral(" по ") +
           loc.toString(to.addDays(-1), QLocale::ShortFormat);
}

QString lastDayText(const QDate& to) {
    return QStringLiteral("(по ") + fmt::date(to.addDays(-1)) + QStringLiteral(" включительно)");
}

QString operationText(const QString& vid, int color) {
    if (color <= 0)
        return vid;
    if (color == 1)
        return vid + QStringLiteral(" (грунт)");
    return vid + QStringLiteral(" (цвет: ") + QString::number(color) + QLatin1Char(')');
}

QStringList workbookSql() {
    return {
        QStringLiteral("select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,"),
        QStringLiteral("izdel.nom, oper.naimen, color,izdel.massa*sum(smena.kol_vo-smena.brak) as mass "),
        QStringLiteral("from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where "
                       "izdel.id=smena.i_id and vid_oper.id=oper.vid"),
        QStringLiteral("and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 "),
        QStringLiteral("group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom"),
    };
}

}  // namespace summary

namespace {}  // namespace

TForm18::TForm18(QWidget* parent) : QDialog(parent), XLS_Rep(app().dm->ADO_DB, QStringLiteral("XLS_Rep"), this) {
    setObjectName(QStringLiteral("TForm18"));
    setWindowTitle(QStringLiteral("Отчеты (8)"));
    XLS_Rep.setSql(summary::workbookSql());

    auto named = [](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    RadioGroup1 = named(
        new RadioGroup(QStringLiteral("Вид продукции"), QStringList{QStringLiteral("Все")} + rules::productKindNames()),
        "RadioGroup1");
    RadioGroup1->setItemIndex(0);
    GroupBox1 = named(new QGroupBox(QStringLiteral("Период отбора")), "GroupBox1");
    auto picker = [&](const char* name) {
        auto* d = named(new QDateEdit(QDate::currentDate()), name);
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        return d;
    };
    DTPicker1 = picker("DTPicker1");
    DTPicker2 = picker("DTPicker2");
    auto* period = new QHBoxLayout(GroupBox1);
    auto* from = new QLabel(QStringLiteral("с"));
    auto* to = new QLabel(QStringLiteral("по"));
    from->setBuddy(DTPicker1);
    to->setBuddy(DTPicker2);
    period->addWidget(from);
    period->addWidget(DTPicker1, 1);
    period->addSpacing(8);
    period->addWidget(to);
    period->addWidget(DTPicker2, 1);
    // The end date is not included: the label beside it names the last day that is.
    LabelLast = named(new QLabel(summary::lastDayText(DTPicker2->date())), "LabelLast");
    period->addWidget(LabelLast);
    connect(DTPicker2, &QDateEdit::dateChanged, LabelLast,
            [this](const QDate& d) { LabelLast->setText(summary::lastDayText(d)); });

    Button4 = named(new QPushButton(QStringLiteral("Отчет по рабочим")), "Button4");
    Button2 = named(new QPushButton(QStringLiteral("Отчет по продукции")), "Button2");
    Button1 = named(new QPushButton(QStringLiteral("Детальный отчет по рабочим")), "Button1");
    Button3 = named(new QPushButton(QStringLiteral("Детальный отчет по продукции")), "Button3");
    Button6 = named(new QPushButton(QStringLiteral("Excel (0 из 0)")), "Button6");
    Button5 = named(new QPushButton(QStringLiteral("Выход")), "Button5");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup1);
    layout->addWidget(GroupBox1);
    layout->addSpacing(6);
    for (QPushButton* b : {Button4, Button2, Button1, Button3, Button6}) {
        b->setMinimumHeight(30);
        layout->addWidget(b);
    }
    layout->addSpacing(6);
    layout->addWidget(Button5);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto on = [this](QPushButton* b, void (TForm18::*handler)()) {
        connect(b, &QPushButton::clicked, this, ui::guarded([this, handler](bool) { (this->*handler)(); }));
    };
    on(Button4, &TForm18::Button4Click);
    on(Button2, &TForm18::Button2Click);
    on(Button1, &TForm18::Button1Click);
    on(Button3, &TForm18::Button3Click);
    on(Button6, &TForm18::Button6Click);
    on(Button5, &TForm18::Button5Click);
}

void TForm18::printReport(SummaryLayout* layout, const QString& title) {
    Dataset& ds = layout->dataset();
    ds.close();
    const QDate from = DTPicker1->date(), to = DTPicker2->date();
    ds.setParam(QStringLiteral("data1"), from);
    ds.setParam(QStringLiteral("data2"), to);
    summary::applyKind(ds, RadioGroup1->itemIndex());
    const auto closer = qScopeGuard([&ds] { ds.close(); });  // however the report ends
    layout->QuickRep1.item(QStringLiteral("QRLabel1")).text = summary::reportTitle(title, from, to);
    // A big period takes a while to fetch and lay out: counted in a progress window that can stop it (the
    // running statement on the server, the layout between rows); stopped, no preview opens.
    std::optional<report::Layout> pages;
    const bool done = job::run(QStringLiteral("Отчет"), [&](job::Progress& progress) {
        progress.setText(QStringLiteral("Выборка записей"));
        ds.open();
        const int rows = ds.recordCount();
        progress.setMaximum(rows);
        progress.step(0, QStringLiteral("Разметка страниц"));
        report::LayoutOptions options;
        options.rowsDone = [&progress](int laidOut) { progress.step(laidOut); };
        pages = layout->Prepare(options);
    });
    if (done && pages)
        SummaryLayout::Preview(*pages, this);
}

void TForm18::Button4Click() {
    printReport(app().form16, QStringLiteral("   Отчет по рабочим за период с "));
}

void TForm18::Button2Click() {
    printReport(app().form17, QStringLiteral("   Отчет по продукции за период с "));
}

void TForm18::Button1Click() {
    printReport(app().form20, QStringLiteral("   Детальный отчет по рабочим за период с "));
}

void TForm18::Button3Click() {
    printReport(app().form21, QStringLiteral("   Детальный отчет по продукции за период с "));
}

void TForm18::Button5Click() {
    reject();
}

void TForm18::Button6Click() {
    const auto closer = qScopeGuard([this] { XLS_Rep.close(); });  // however the export ends
    ExcelWriter& xl = plainWriter();
    excel::runExport(xl, [&](job::Progress& progress) {
        // Every export reads the period and the choice of this moment afresh.
        XLS_Rep.close();
        XLS_Rep.setParam(QStringLiteral("data1"), DTPicker1->date());
        XLS_Rep.setParam(QStringLiteral("data2"), DTPicker2->date());
        summary::applyKind(XLS_Rep, RadioGroup1->itemIndex());
        XLS_Rep.open();
        if (xl.open(QStringLiteral("Сводный отчет")) == -1)
            return;
        const int n = XLS_Rep.recordCount();
        progress.setMaximum(n);
        auto counted = [&](int k) {
            Button6->setText(QStringLiteral("Excel (%1 из %2)").arg(k).arg(n));
            progress.step(k);
        };
        counted(0);
        const QStringList heading = {QStringLiteral("Наименование"), QStringLiteral("Операция"),
                                     QStringLiteral("Вид продукции"), QStringLiteral("Коробки"),
                                     QStringLiteral("Кол-во")};
        for (int c = 0; c < heading.size(); ++c)
            xl.writeText(1, c + 1, 1, heading[c]);
        int r = 2, k = 0;
        for (XLS_Rep.first(); !XLS_Rep.isEmpty() && !XLS_Rep.eof(); XLS_Rep.next()) {
            xl.writeText(1, 1, r, fmt::trimmedRight(XLS_Rep.field(QStringLiteral("nom")).asString()));
            xl.writeText(1, 2, r,
                         summary::operationText(fmt::trimmedRight(XLS_Rep.field(QStringLiteral("vid")).asString()),
                                                XLS_Rep.field(QStringLiteral("color")).asInt()));
            xl.writeText(1, 3, r, rules::productKindText(XLS_Rep.field(QStringLiteral("naimen")).asInt()));
            xl.writeCell(1, 4, r, fmt::general(XLS_Rep.field(QStringLiteral("mass")).asDouble()));
            xl.writeCell(1, 5, r, QString::number(XLS_Rep.field(QStringLiteral("kolvo")).asLongLong()));
            counted(++k);
            ++r;
        }
        xl.show(true);
    });
}
