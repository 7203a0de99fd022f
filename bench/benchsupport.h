#pragma once
// Helpers shared by the benchmark programs: the connection to the benchmark plant, a raw libpq connection
// with the same settings, timing with medians, and the one result line each benchmark prints.

#include <libpq-fe.h>

#include <QString>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include "core/dataset.h"
#include "core/db.h"

namespace bench {

// Command line of every benchmark program: database name and server (the cluster's socket directory).
inline ConnectionSettings settingsFrom(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DATABASE SERVER\n", argv[0]);
        std::exit(2);
    }
    return connectionFromArguments({QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])}, defaultServer());
}

// libpq alone, connected exactly as the program's Db connects (same parameters and session settings).
class RawConnection {
public:
    explicit RawConnection(const ConnectionSettings& s) {
        std::vector<QByteArray> keys, values;
        for (const auto& [k, v] : s.libpqParams()) {
            keys.push_back(k.toUtf8());
            values.push_back(v.toUtf8());
        }
        keys.push_back("client_encoding");
        values.push_back("UTF8");
        keys.push_back("options");
        values.push_back("-c DateStyle=ISO,DMY");
        std::vector<const char*> k, v;
        for (size_t i = 0; i < keys.size(); ++i) {
            k.push_back(keys[i].constData());
            v.push_back(values[i].constData());
        }
        k.push_back(nullptr);
        v.push_back(nullptr);
        conn_ = PQconnectdbParams(k.data(), v.data(), 0);
        if (PQstatus(conn_) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(conn_));
    }
    ~RawConnection() { PQfinish(conn_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // Runs a query and reads every cell (PQgetvalue); returns the number of rows. sink accumulates the
    // first byte of every value so that the reading cannot be optimised away.
    int queryAll(const QByteArray& sql, size_t& sink) {
        PGresult* res = PQexec(conn_, sql.constData());
        if (PQresultStatus(res) != PGRES_TUPLES_OK) {
            const std::string msg = PQresultErrorMessage(res);
            PQclear(res);
            throw std::runtime_error(msg);
        }
        const int rows = PQntuples(res), cols = PQnfields(res);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                sink += static_cast<unsigned char>(PQgetvalue(res, r, c)[0]);
        PQclear(res);
        return rows;
    }

    // Runs a statement, its result dropped; throws on an error.
    void exec(const QByteArray& sql) {
        PGresult* res = PQexec(conn_, sql.constData());
        const ExecStatusType st = PQresultStatus(res);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            const std::string msg = PQresultErrorMessage(res);
            PQclear(res);
            throw std::runtime_error(msg);
        }
        PQclear(res);
    }

private:
    PGconn* conn_ = nullptr;
};

using Clock = std::chrono::steady_clock;

inline double millisecondsOf(const std::function<void()>& work) {
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Times two ways of doing the same work, alternating, after one untimed run of each; the medians.
struct Pair {
    double program = 0;   // ms, median
    double baseline = 0;  // ms, median
    double ratio() const { return baseline > 0 ? program / baseline : 0; }
};

inline Pair timePair(int repeats, const std::function<void()>& prepare, const std::function<void()>& program,
                     const std::function<void()>& baseline) {
    std::vector<double> a, b;
    prepare();
    program();
    baseline();
    for (int i = 0; i < repeats; ++i) {
        prepare();
        a.push_back(millisecondsOf(program));
        prepare();
        b.push_back(millisecondsOf(baseline));
    }
    return {median(a), median(b)};
}

// The result line: "name: figure (target ...) — detail".
inline void report(const char* name, double ratio, const char* target, bool met, const QString& detail) {
    std::printf("%s: %.2f× (target %s; %s) — %s\n", name, ratio, target, met ? "met" : "MISSED",
                detail.toUtf8().constData());
    std::fflush(stdout);
}

inline QString ms(double v) {
    return QString::number(v, 'f', v < 10 ? 2 : 1) + QStringLiteral(" ms");
}

// Reads every field of every row as the windows do: by name, with the accessor for the column's type
// (a date-time as text, as the grids show it).
inline size_t readAllFields(Dataset& ds) {
    size_t sink = 0;
    const QStringList names = ds.fieldNames();
    std::vector<QueryResult::Type> types;
    for (int c = 0; c < names.size(); ++c)
        types.push_back(ds.columnType(c));
    for (ds.first(); !ds.eof(); ds.next()) {
        for (int c = 0; c < names.size(); ++c) {
            const Field f = ds.field(names[c]);
            switch (types[c]) {
                case QueryResult::Type::Int:
                    sink += size_t(f.asInt());
                    break;
                case QueryResult::Type::Float:
                case QueryResult::Type::Numeric:
                    sink += size_t(f.asDouble());
                    break;
                case QueryResult::Type::Date:
                    sink += size_t(f.asDate().day());
                    break;
                default:
                    sink += size_t(f.asString().size());
                    break;
            }
        }
    }
    return sink;
}

}  // namespace bench
