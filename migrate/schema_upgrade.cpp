#include "migrate/schema_upgrade.h"

#include "core/db.h"

namespace schema {

namespace {

const QString kDropView = QStringLiteral("drop view accounts_dep.izdel;");
const QString kCreateView = QStringLiteral(
    "CREATE OR REPLACE VIEW accounts_dep.izdel AS SELECT gds.s_caption AS marka,\tgds.id_class_item, gds.id, "
    "gds.massa, gds.id_class_item AS id_nom,i.s_caption AS nom FROM cmn_gds_and_srv.gds_and_srv gds, "
    "cmn_classifier.item i WHERE gds.id_class_item::numeric = i.id::numeric;");
const QStringList kColumns = {
    QStringLiteral("ALTER TABLE accounts_dep.fatigue add i_holiday int DEFAULT 0 NULL;"),
    QStringLiteral("ALTER TABLE accounts_dep.fatigue ADD i_night int DEFAULT 0 NULL;"),
    QStringLiteral("ALTER TABLE accounts_dep.h_tabel ADD i_night int DEFAULT 0 NULL;"),
};

void quietly(Db& db, const QString& statement) {
    try {
        db.exec(statement);
    } catch (const DbError&) {
    }
}

}  // namespace

QStringList upgradeStatements() {
    return QStringList{kDropView, kCreateView} + kColumns;
}

// The rights given on the view (db/roles.sql gives the client's groups SELECT): dropping the view would take
// them along, so they are given again to the new one.
QStringList viewGrants(Db& db) {
    auto r = db.query(QStringLiteral(
        "select case when a.grantee = 0 then 'PUBLIC' else quote_ident(g.rolname) end, a.privilege_type "
        "from pg_class c cross join lateral aclexplode(c.relacl) a left join pg_roles g on g.oid = a.grantee "
        "where c.oid = to_regclass('accounts_dep.izdel') and a.grantee <> c.relowner"));
    QStringList out;
    for (int i = 0; i < r->rowCount(); ++i)
        out << QStringLiteral("GRANT ") + r->text(i, 1) + QStringLiteral(" ON accounts_dep.izdel TO ") + r->text(i, 0);
    return out;
}

void upgrade(Db& db) {
    try {
        Transaction t(db);
        const QStringList grants = viewGrants(db);
        db.exec(QStringLiteral("SAVEPOINT izdel_drop"));
        try {
            db.exec(kDropView);
            db.exec(QStringLiteral("RELEASE SAVEPOINT izdel_drop"));
        } catch (const DbError&) {
            db.exec(QStringLiteral("ROLLBACK TO SAVEPOINT izdel_drop"));
        }
        db.exec(kCreateView);
        for (const QString& g : grants)
            db.exec(g);
        t.commit();
    } catch (const DbError&) {
    }
    for (const QString& s : kColumns)
        quietly(db, s);
}

}  // namespace schema
