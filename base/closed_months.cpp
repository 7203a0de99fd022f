#include "base/closed_months.h"

#include "core/db.h"

namespace closed_months {

bool isClosed(Db& db, const QDate& date) {
    if (!date.isValid())
        return false;
    try {
        auto r = db.query(QStringLiteral("select count(*) from accounts_dep.closed_month where year=") +
                          QString::number(date.year()) + QStringLiteral(" and month=") + QString::number(date.month()));
        return r->text(0, 0).toInt() > 0;
    } catch (const DbError& e) {
        if (e.sqlState() == QLatin1String("42P01"))  // no such table: the database has not been upgraded
            return false;
        throw;
    }
}

QString caption(int year, int month) {
    static const char* const names[] = {"январь", "февраль", "март",     "апрель",  "май",    "июнь",
                                        "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};
    if (month < 1 || month > 12)
        return QString::number(year);
    return QString::fromUtf8(names[month - 1]) + QLatin1Char(' ') + QString::number(year);
}

}  // namespace closed_months
