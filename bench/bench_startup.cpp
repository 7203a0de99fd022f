// Start-up: the launch of the program to its login window shown, against an empty Qt dialog program that
// opens one database connection (startup_baseline). Both run on Qt's offscreen platform with
// TABEL_EXIT_WHEN_SHOWN=1, print "shown" when their first window is on screen and end; the time counted
// is from the launch to that line.
//   bench_startup TABEL BASELINE DATABASE SERVER

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include "bench/benchsupport.h"

namespace {

// Milliseconds from the launch to "shown"; a negative value when the program ended without showing.
double launch(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TABEL_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QByteArray out;
    const auto t0 = bench::Clock::now();
    p.start(program, args);
    double shown = -1;
    while (p.waitForReadyRead(20000)) {
        out += p.readAllStandardOutput();
        if (out.contains("shown")) {
            shown = std::chrono::duration<double, std::milli>(bench::Clock::now() - t0).count();
            break;
        }
    }
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
    }
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s TABEL BASELINE DATABASE SERVER\n", argv[0]);
        return 2;
    }
    const QString tabel = QString::fromLocal8Bit(argv[1]);
    const QString baseline = QString::fromLocal8Bit(argv[2]);
    const QStringList args = {QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4])};

    if (launch(tabel, args) < 0) {
        std::printf(
            "start-up: pending (target ≤ 2×) — the program shows no login window yet "
            "(it must print \"shown\" under TABEL_EXIT_WHEN_SHOWN=1 once the login window is shown)\n");
        return 0;
    }
    launch(baseline, args);
    std::vector<double> a, b;
    for (int i = 0; i < 9; ++i) {
        a.push_back(launch(tabel, args));
        b.push_back(launch(baseline, args));
    }
    if (*std::min_element(b.begin(), b.end()) < 0) {
        std::fprintf(stderr, "the empty dialog program did not show its dialog\n");
        return 1;
    }
    const double program = bench::median(a), base = bench::median(b);
    const double ratio = program / base;
    bench::report("start-up", ratio, "≤ 2×", ratio <= 2,
                  QStringLiteral("launch to login window %1, empty dialog with a connection %2 (median of 9)")
                      .arg(bench::ms(program), bench::ms(base)));
    return 0;
}
