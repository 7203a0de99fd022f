#include "support/lockwait.h"

#include <QDeadlineTimer>
#include <QThread>

#include "core/db.h"
#include "support/testdb.h"

int backendPid(Db& db) {
    return db.query(QStringLiteral("select pg_backend_pid()"))->text(0, 0).toInt();
}

QString lockWaitOf(TestDb& db, int pid, const std::atomic<bool>& finished) {
    const QString sql =
        QStringLiteral("select wait_event from pg_stat_activity where pid=%1 and wait_event_type='Lock'").arg(pid);
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        const QString event = db.value(sql);
        if (!event.isEmpty())
            return event;
        if (finished)
            return {};
        QThread::msleep(2);
    }
    return QStringLiteral("timeout");
}
