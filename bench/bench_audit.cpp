// The database's rules at plant scale. Two lines:
// - save with rules: a new shift record saved through shift_records::save (its transaction, the day cell, the
//   commit) with the history and closed-month triggers in place, against the same saves with the triggers of the
//   tables switched off (ALTER TABLE ... DISABLE TRIGGER USER); batches of both alternate, each record removed
//   again (untimed) afterwards.
// - history of a month: the history window loading one worker's month (the worker with the most changes, the
//   month with the most changes of his; months before the current one, which the saves above add to) from an
//   audit table of 1,000,000 rows or more, against libpq fetching the same rows with the same text.

#include <QApplication>
#include <QDate>

#include "audit/audit_window.h"
#include "base/datamodule.h"
#include "base/registry.h"
#include "bench/benchsupport.h"
#include "core/sqltext.h"
#include "journal/shift_records.h"

namespace {

const char* const kRuledTables[] = {"accounts_dep.smena", "accounts_dep.h_tabel"};

void setTriggers(Db& db, bool on) {
    for (const char* t : kRuledTables)
        db.exec(QStringLiteral("alter table ") + QLatin1String(t) +
                (on ? QStringLiteral(" enable trigger user") : QStringLiteral(" disable trigger user")));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    TDataModule6 dm;
    app().dm = &dm;
    dm.ADO_DB.open(settings);
    bench::RawConnection raw(settings);
    Db& db = dm.ADO_DB;

    // ---- save with rules ----------------------------------------------------------------------------------
    // Workers, and one operation of a product, to record today (an open month) in overtime, one hour each.
    auto op =
        db.query(QStringLiteral("select o.id, o.i_id from accounts_dep.oper o join accounts_dep.izdel i on "
                                "i.id = o.i_id where o.vid < 7777 order by o.id limit 1"));
    const int oper = op->text(0, 0).toInt(), product = op->text(0, 1).toInt();
    auto people = db.query(QStringLiteral("select id from accounts_dep.person order by id limit 40"));
    std::vector<int> workers;
    for (int i = 0; i < people->rowCount(); ++i)
        workers.push_back(people->text(i, 0).toInt());
    const QDate today = QDate::currentDate();
    int color = 50;  // colours no generated record has: never a duplicate
    std::vector<qlonglong> saved;
    auto saveAll = [&] {
        ++color;
        for (int w : workers) {
            shift_sql::Record r{w,     product, oper,  QStringLiteral("1.5"), QStringLiteral("2"), QStringLiteral("0"),
                                today, 4,       color, QStringLiteral("1")};
            if (!shift_records::save(dm, r, std::nullopt, today).ok())
                throw std::runtime_error("save refused");
        }
    };
    auto removeAll = [&] {
        auto ids = db.query(QStringLiteral("select id from accounts_dep.smena where data = ") + sql::toDate(today) +
                            QStringLiteral(" and smena = 4 and color > 50"));
        for (int i = 0; i < ids->rowCount(); ++i) {
            Dataset q(db, QStringLiteral("stored"));
            q.setSql(shift_sql::lockedRecordSql(ids->text(i, 0).toLongLong()));
            q.open();
            shift_records::remove(dm, ids->text(i, 0).toLongLong(), shift_records::Stored::fromRow(q));
        }
    };
    std::vector<double> with, without;
    removeAll();
    saveAll();  // warm-up
    removeAll();
    for (int round = 0; round < 7; ++round) {
        with.push_back(bench::millisecondsOf(saveAll));
        removeAll();
        setTriggers(db, false);
        without.push_back(bench::millisecondsOf(saveAll));
        removeAll();
        setTriggers(db, true);
    }
    const double a = bench::median(with), b = bench::median(without);
    const int n = int(workers.size());
    bench::report("save with rules", a / b, "≤ 1.2×", a / b <= 1.2,
                  QStringLiteral("%1 shift records saved: with the triggers %2, without %3 (median of 7)")
                      .arg(n)
                      .arg(bench::ms(a), bench::ms(b)));

    // ---- history of a month -------------------------------------------------------------------------------
    auto pick = db.query(QStringLiteral(
        "select worker, date_trunc('month', at)::date, count(*) from accounts_dep.audit where at < "
        "date_trunc('month', now()) and worker = (select worker from accounts_dep.audit where worker is not null "
        "and at < date_trunc('month', now()) group by worker order by count(*) desc, worker limit 1) "
        "group by 1, 2 order by 3 desc, 2 limit 1"));
    const qlonglong total =
        db.query(QStringLiteral("select count(*) from accounts_dep.audit"))->text(0, 0).toLongLong();
    audit_log::Filter f;
    f.worker = pick->text(0, 0).toLongLong();
    f.from = pick->value(0, 1).toDate();
    f.to = f.from.addMonths(1).addDays(-1);
    const QByteArray text = audit_log::querySql(f).toUtf8();
    AuditWindow window;
    size_t sink = 0;
    const bench::Pair t = bench::timePair(
        9, [] {}, [&] { window.load(f); }, [&] { raw.queryAll(text, sink); });
    bench::report(
        "history of a month", t.ratio(), "≤ 3×", t.ratio() <= 3,
        QStringLiteral("%1 changes of one worker in %2 among %3 audit rows: window %4, libpq %5 (median of 9)")
            .arg(window.lines().size())
            .arg(f.from.toString(QStringLiteral("MM.yyyy")))
            .arg(total)
            .arg(bench::ms(t.program), bench::ms(t.baseline)));
    app().dm = nullptr;
    return sink == 42 ? 1 : 0;
}
