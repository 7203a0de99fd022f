#pragma once

// The write paths of the reference books: saves and deletes of workers, products, operation kinds, priced
// operations and norms. Each takes plain values, runs one transaction on the data module's connection and
// returns an outcome; the window shows the outcome's message once the call has returned, so no message box is
// ever open while a lock of these paths is held.

#include <QDate>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class TDataModule6;

// The given statement texts of the reference books (texts quoted with sql::quote).
QString workerInsertSql(const QString& fio, const QString& department);
QString workerUpdateSql(const QString& fio, const QString& department, int id);
QString workerDeleteSql(int id);
QString productDuplicateSql(const QString& upperMarka);                   // add
QString productDuplicateSql(const QString& upperMarka, qlonglong ownId);  // edit: the product itself excluded
QString productInsertSql(const QString& marka, const QString& massa, qlonglong groupId);
QString productUpdateSql(const QString& marka, const QString& massa, qlonglong groupId, qlonglong id);
QString productPricesDeleteSql(qlonglong id);  // all its priced operations
QString productShiftsDeleteSql(qlonglong id);  // all its shift records
QString productGoodsDeleteSql(qlonglong id);   // the goods row
QString kindDuplicateSql(const QString& upperName);
QString kindDuplicateSql(const QString& upperName, int ownId);
namespace price_sql {
QString addCheck(int kindId, int naimen, qlonglong productId);
QString insert(int kindId, int naimen, qlonglong productId);
QString editCheck(int kindId, int naimen, qlonglong productId, int operId);
QString update(int kindId, int naimen, qlonglong productId, int operId);
}  // namespace price_sql

namespace catalog {

struct Outcome {
    enum class Kind { Saved, Refused, Duplicate, NotFound, Changed };
    Kind kind = Kind::Saved;
    QString message;  // shown for anything but Saved (a Refused one may be silent: empty)
    QString caption = QStringLiteral("Ошибка");
    qlonglong id = 0;  // Saved: the row written (a new row's generated id)

    bool saved() const { return kind == Kind::Saved; }
    static Outcome ok(qlonglong id = 0) { return {Kind::Saved, {}, QStringLiteral("Ошибка"), id}; }
    static Outcome refused(const QString& message, const QString& caption = QStringLiteral("Ошибка")) {
        return {Kind::Refused, message, caption, 0};
    }
    static Outcome duplicate(const QString& message) { return {Kind::Duplicate, message, QStringLiteral("Ошибка"), 0}; }
    static Outcome notFound();
    static Outcome changed(const QString& message, const QString& caption = QStringLiteral("Ошибка")) {
        return {Kind::Changed, message, caption, 0};
    }
};

// Shows the outcome's message (error icon) unless it was saved or is a silent refusal; true when saved. Call it
// after the write path returned: its transaction has ended then.
bool show(const Outcome& outcome);

// The "check, then write" step every save here is made of: one transaction, the lock statement (when given),
// the check, and only when the check finds nothing to refuse, the write. A refusal rolls back; the outcome is
// returned after the transaction has ended, so its message is shown with no lock held.
Outcome checkThenWrite(TDataModule6& dm, const QString& lockSql, const std::function<std::optional<Outcome>()>& check,
                       const std::function<Outcome()>& write);

// ---- rules ----------------------------------------------------------------------------------------------------

// A price as it is kept: rounded to four decimal places (the precision of the operations list's base price).
double storedPrice(double price);

// The refusal of a norm value typed into the norms grid or the price dialog ("norma", "price", "prize"): empty
// when the value may be stored. Negative values are refused.
QString normValueRefusal(const QString& field, const QVariant& value);

// The two maintenance work kinds, which the maintenance journal and its time sheets depend on.
bool isMaintenanceKind(int kindId);

// ---- workers (accounts_dep.person) ----------------------------------------------------------------------------

struct Worker {
    int id = 0;  // 0: a new worker
    QString fio;
    // The text stored as the position (the department lookup's text). Unset on an edit: the stored text stays.
    std::optional<QString> department;
};
Outcome saveWorker(TDataModule6& dm, const Worker& w);
// Refused while shift records or maintenance entries name the worker.
Outcome deleteWorker(TDataModule6& dm, int id);

// ---- products (cmn_gds_and_srv.gds_and_srv, read through accounts_dep.izdel) ---------------------------------

struct Product {
    qlonglong id = 0;  // 0: a new product
    QString marka;
    QString massa;  // the mass text as typed
    qlonglong group = 0;
};
// An edit writes the mass through the data module's decimal conversion; an add writes it as typed.
Outcome saveProduct(TDataModule6& dm, const Product& p);

// What a product delete asks about: its priced operations, and its shift records from the date bound on.
struct ProductUse {
    int prices = 0;
    int records = 0;
};
// Deletes a product the user confirmed as a whole: its norms and priced operations when there are prices, its
// shift records when there are records, and the goods row, in one transaction, the time-sheet day cells of the
// deleted records brought to the records that remain. asked: what the questions were about; when the product
// gained prices or records meanwhile, nothing is deleted (Changed). recordsFrom: the date bound of the question.
Outcome deleteProduct(TDataModule6& dm, qlonglong id, const ProductUse& asked, const QDate& recordsFrom);

// ---- operation kinds (accounts_dep.vid_oper) ------------------------------------------------------------------

struct Kind {
    int id = 0;  // 0: a new kind
    QString name;
};
Outcome saveKind(TDataModule6& dm, const Kind& k);
// Refused for the maintenance kinds and while priced operations use the kind.
Outcome deleteKind(TDataModule6& dm, int id);

// ---- priced operations (accounts_dep.oper) and their norms (accounts_dep.norm) ---------------------------------

struct Operation {
    int id = 0;  // 0: a new operation
    int kind = 0;
    int naimen = 0;
    qlonglong product = 0;
    std::optional<double> firstPrice;  // a new operation's first norm
};
Outcome saveOperation(TDataModule6& dm, const Operation& o);
// Refused while shift records name the operation; otherwise the operation goes with its norms.
Outcome deleteOperation(TDataModule6& dm, int id);

struct Norm {
    int id = 0;  // 0: a new norm of the operation
    int operation = 0;
    QVariant norma, price, prize;  // null: no value
};
Outcome saveNorm(TDataModule6& dm, const Norm& n);
// An operation keeps at least one norm: deleting its last one is refused without a message.
Outcome deleteNorm(TDataModule6& dm, int id);

}  // namespace catalog
