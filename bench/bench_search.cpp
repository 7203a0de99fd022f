// Incremental search: the filters of a word typed key by key into the products list (prefix match over
// 3,000 marks) and the operations list (substring match over 8,000 operations), through the datasets'
// client-side filter, against a bare loop over the same strings doing the same case-insensitive comparison.

#include <QCoreApplication>

#include "base/datamodule.h"
#include "bench/benchsupport.h"
#include "core/sqltext.h"

namespace {

struct Search {
    const char* what;
    Dataset* ds;
    QString typed;   // the word typed, one key at a time
    bool substring;  // '%x%' rather than 'x%'
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const ConnectionSettings settings = bench::settingsFrom(argc, argv);
    TDataModule6 dm;
    dm.ADO_DB.open(settings);

    // Typed in lower case against upper-case marks: the comparison must fold letter case (Cyrillic).
    const Search searches[] = {
        {"products", &dm.Izdel, QStringLiteral("яд-1"), false},
        {"operations", &dm.Oper, QStringLiteral("к-12"), true},
    };

    double program = 0, baseline = 0;
    QStringList details;
    size_t sink = 0;
    for (const Search& s : searches) {
        s.ds->open();
        const int col = s.ds->columnIndex(QStringLiteral("marka"));
        std::vector<QString> strings;  // the baseline's strings, taken out before timing
        for (int r = 0; r < s.ds->recordCount(); ++r)
            strings.push_back(s.ds->result()->text(r, col));
        QStringList filters, words;
        for (int k = 1; k <= s.typed.size(); ++k) {
            const QString word = s.typed.left(k);
            words << word;
            filters << QStringLiteral("marka like ") +
                           sql::quote((s.substring ? QStringLiteral("%") : QString()) + word + QStringLiteral("%"));
        }
        int matched = 0;
        std::vector<int> hits;
        const bench::Pair t = bench::timePair(
            15,
            [&] {  // a fresh list, as when the window opens: nothing cached from the previous round
                s.ds->setFiltered(false);
                s.ds->close();
                s.ds->open();
            },
            [&] {
                for (const QString& f : filters) {
                    s.ds->setFilter(f);
                    s.ds->setFiltered(true);
                    matched = s.ds->recordCount();
                }
            },
            [&] {
                for (const QString& w : words) {
                    hits.clear();
                    for (size_t i = 0; i < strings.size(); ++i)
                        if (s.substring ? strings[i].contains(w, Qt::CaseInsensitive)
                                        : strings[i].startsWith(w, Qt::CaseInsensitive))
                            hits.push_back(int(i));
                }
            });
        if (int(hits.size()) != matched) {
            std::fprintf(stderr, "%s: the filter found %d rows, the loop %d\n", s.what, matched, int(hits.size()));
            return 1;
        }
        sink += hits.size();
        program += t.program;
        baseline += t.baseline;
        details << QStringLiteral("%1: %2 rows, \"%3\" typed in %4 keys → %5 rows, filter %6, loop %7")
                       .arg(QLatin1String(s.what))
                       .arg(strings.size())
                       .arg(s.typed)
                       .arg(s.typed.size())
                       .arg(matched)
                       .arg(bench::ms(t.program), bench::ms(t.baseline));
    }
    const double ratio = program / baseline;
    bench::report("incremental search", ratio, "≤ 3×", ratio <= 3,
                  details.join(QStringLiteral("; ")) + QStringLiteral(" (median of 15)"));
    return sink == 0 ? 1 : 0;
}
