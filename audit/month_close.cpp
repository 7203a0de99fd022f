#include "audit/month_close.h"

#include "base/closed_months.h"
#include "core/db.h"
#include "core/sqltext.h"

namespace month_close {

namespace {

QString monthRange(const QString& column, int year, int month) {
    const QDate first(year, month, 1);
    return column + QStringLiteral(" >= ") + sql::toDate(first) + QStringLiteral(" and ") + column +
           QStringLiteral(" < ") + sql::toDate(first.addMonths(1));
}

// Runs one call of the database's month functions; a refusal of its rules is the outcome, not an error.
WriteOutcome call(Db& db, const QString& statement) {
    try {
        Transaction t(db);
        db.exec(statement);
        t.commit();
    } catch (const DbError& e) {
        if (e.kind() == DbError::Kind::Refused)
            return WriteOutcome::refused(e.message());
        throw;
    }
    return WriteOutcome::saved();
}

}  // namespace

QString monthsSql() {
    return QStringLiteral(
        "with s as (select date_part('year', data)::int y, date_part('month', data)::int m, count(*) records, "
        "count(*) filter (where coalesce(btrim(ok), '') not in ('ok', 'да')) unaccepted "
        "from accounts_dep.smena where data is not null group by 1, 2), "
        "f as (select date_part('year', d_date)::int y, date_part('month', d_date)::int m, count(*) entries "
        "from accounts_dep.fatigue where d_date is not null group by 1, 2), "
        "k as (select y, m from s union select y, m from f "
        "union select year, month from accounts_dep.closed_month) "
        "select k.y as year, k.m as month, "
        "(array['январь','февраль','март','апрель','май','июнь','июль','август','сентябрь','октябрь',"
        "'ноябрь','декабрь'])[k.m] || ' ' || k.y as caption, "
        "case when c.year is null then 'Открыт' else 'Закрыт' end as state, c.closed_by, c.closed_at, "
        "coalesce(s.records, 0) as records, coalesce(s.unaccepted, 0) as unaccepted, "
        "coalesce(f.entries, 0) as entries "
        "from k left join s on s.y = k.y and s.m = k.m left join f on f.y = k.y and f.m = k.m "
        "left join accounts_dep.closed_month c on c.year = k.y and c.month = k.m "
        "order by k.y desc, k.m desc");
}

Summary summary(Db& db, int year, int month) {
    Summary s{year, month, 0, 0, 0};
    auto r =
        db.query(QStringLiteral("select count(*), count(*) filter (where coalesce(btrim(ok), '') not in "
                                "('ok', 'да')), (select count(*) from accounts_dep.fatigue where ") +
                 monthRange(QStringLiteral("d_date"), year, month) +
                 QStringLiteral(") from accounts_dep.smena where ") + monthRange(QStringLiteral("data"), year, month));
    s.records = r->text(0, 0).toInt();
    s.unaccepted = r->text(0, 1).toInt();
    s.entries = r->text(0, 2).toInt();
    s.checks = month_check::counts(db, year, month);
    return s;
}

QString confirmText(const Summary& s) {
    QString text = QStringLiteral("Закрыть месяц ") + closed_months::caption(s.year, s.month) +
                   QStringLiteral("?\n\nЗаписей смен: ") + QString::number(s.records) +
                   QStringLiteral(", из них не принято: ") + QString::number(s.unaccepted) +
                   QStringLiteral(".\nЗаписей хоз. работ: ") + QString::number(s.entries) + QStringLiteral(".");
    if (!s.checks.empty())
        text += QStringLiteral("\n\nПроверка месяца:\n") + month_check::countsText(s.checks);
    text += QStringLiteral("\n\nПосле закрытия записи месяца не изменяются.");
    return text;
}

WriteOutcome close(Db& db, int year, int month) {
    return call(db, QStringLiteral("select accounts_dep.close_month(") + sql::num(year) + QStringLiteral(", ") +
                        sql::num(month) + QLatin1Char(')'));
}

WriteOutcome reopen(Db& db, int year, int month, const QString& reason) {
    if (reason.trimmed().isEmpty())
        return WriteOutcome::refused(QStringLiteral("Укажите причину открытия месяца."));
    return call(db, QStringLiteral("select accounts_dep.reopen_month(") + sql::num(year) + QStringLiteral(", ") +
                        sql::num(month) + QStringLiteral(", ") + sql::quote(reason.trimmed()) + QLatin1Char(')'));
}

}  // namespace month_close
