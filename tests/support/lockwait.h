#pragma once

#include <QString>
#include <atomic>

class Db;
class TestDb;

// The server process serving a connection.
int backendPid(Db& db);

// Watches the server process pid (another thread's connection) until it waits for a lock that some other
// connection holds, and returns the kind of lock, as pg_stat_activity names it ("advisory", "relation",
// "transactionid", ...). Returns "" when finished turns true first (the work ran without waiting), and
// "timeout" when neither happens within 30 s.
QString lockWaitOf(TestDb& db, int pid, const std::atomic<bool>& finished);
