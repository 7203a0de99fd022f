#pragma once

#include "core/dataset.h"
#include "core/db.h"

// The data module: the one connection and the queries and commands that several windows share, with their
// stored texts, the decimal delimiter for SQL number texts, and the duplicate check.
class TDataModule6 : public QObject {
    Q_OBJECT
public:
    explicit TDataModule6(QObject* parent = nullptr);

    Db ADO_DB;

    Dataset Workers;
    Dataset Control;
    Dataset Izdel;
    Dataset Oper;
    Dataset Vid_oper;
    Dataset Smena1, Smena2, Smena3, Smena4;
    Dataset H_Tabel_1, H_Tabel_2, H_Tabel_3;

    Command DelSmena;
    Command H_Tabel_ins;
    Command Oper_ins;
    Command Oper_ed;
    Command Oper_del;
    Command SQL_exec;

    // Decimal separator to write into SQL number texts; empty until the first version check.
    QString delimiter;

    // The journal query of a shift (Smena1 for anything outside 1..4).
    Dataset& smena(int shift);
    // The time-sheet query of shift 1..3.
    Dataset& hTabel(int shift);

    // Runs a count query (column cnt); when the count is above 0 shows message (caption "Ошибка", flags 16)
    // and returns true.
    bool CheckCount(const QString& sqlText, const QString& message = {});

    // Replaces the first "," (or, failing that, the first ".") of a number text by the decimal delimiter.
    QString ToDbDecimal(const QString& text) const;

    // Reads one whole number from the scratch query Control: its text replaced, opened, read, closed.
    // No row or NULL reads as 0.
    int controlInt(const QString& sqlText, const QString& column);
};

// Stored query texts, shared with tests and benchmarks.
namespace queries {
QStringList smena1();
QStringList smenaN(int shift);  // 2..4
QStringList hTabel(int shift);  // 1..3
QStringList oper();
}  // namespace queries
