#include "base/lock_keys.h"

#include "core/sqltext.h"

namespace lock_keys {

namespace {

// A 64-bit key from a text; a hash collision only makes two writers wait for each other.
QString hashed(const QString& text) {
    return QStringLiteral("select pg_advisory_xact_lock(hashtextextended('") + text + QStringLiteral("', 0))");
}

// A key pair (class, hash of a name), the name quoted as any user text.
QString named(int keyClass, const QString& name) {
    return QStringLiteral("select pg_advisory_xact_lock(") + sql::num(keyClass) + QStringLiteral(", hashtext(") +
           sql::quote(name) + QStringLiteral("))");
}

QString pair(int keyClass, qlonglong id) {
    return QStringLiteral("select pg_advisory_xact_lock(") + sql::num(keyClass) + QStringLiteral(", ") + sql::num(id) +
           QLatin1Char(')');
}

// The classes of the key pairs.
constexpr int kOperationsOfKind = 10;
constexpr int kNormsOfOperation = 22;
constexpr int kProductName = 3002;
constexpr int kKindName = 3006;

}  // namespace

QString shiftDuplicate(int worker, int oper, int product, const QDate& date, int shift, int color) {
    return hashed(QStringLiteral("accounts_dep.smena ") + sql::num(worker) + QLatin1Char(' ') + sql::num(oper) +
                  QLatin1Char(' ') + sql::num(product) + QLatin1Char(' ') + sql::date(date) + QLatin1Char(' ') +
                  sql::num(shift) + QLatin1Char(' ') + sql::num(color));
}

QString timesheetRow(int worker, int shift, int kind, int night, int month, int year) {
    return hashed(QStringLiteral("accounts_dep.h_tabel ") + sql::num(worker) + QLatin1Char(' ') + sql::num(shift) +
                  QLatin1Char(' ') + sql::num(kind) + QLatin1Char(' ') + sql::num(night) + QLatin1Char(' ') +
                  sql::num(month) + QLatin1Char(' ') + sql::num(year));
}

QString monthRebuild() {
    return QStringLiteral("lock table accounts_dep.h_tabel in share row exclusive mode");
}

QString timesheetWriter() {
    return QStringLiteral("lock table accounts_dep.h_tabel in row exclusive mode");
}

QString productName(const QString& upperMarka) {
    return named(kProductName, upperMarka);
}

QString kindName(const QString& upperName) {
    return named(kKindName, upperName);
}

QString operationsOfKind(int kindId) {
    return pair(kOperationsOfKind, kindId);
}

QString normsOfOperation(int operId) {
    return pair(kNormsOfOperation, operId);
}

}  // namespace lock_keys
