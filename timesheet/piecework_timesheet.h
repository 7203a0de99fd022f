#pragma once

#include <QDialog>

#include "core/dataset.h"

class DbGrid;
class QComboBox;
class QLabel;
class QPushButton;
namespace live {
class Follower;
}

// Statements of the piece-work time sheet window.
namespace piecework {

// The sheets, by the time-sheet row kind they show.
inline constexpr int kPieceWork = 0;
inline constexpr int kMaintenance = 7777;
inline constexpr int kAverageRate = 7778;

QStringList sheetSql(int kind);  // H_Tabel0, H_Tabel7777, H_Tabel7778
QStringList allPriceSql();
QString yearsSql();

}  // namespace piecework

// Piece-work time sheet: for one month, a line per worker (and night flag) with the hours of each day, the
// month's hours, earnings and hourly earnings, in three sheets — piece work, maintenance work and maintenance at
// the average piece rate — and the plant's piece-work earnings of the month below the grid.
class TForm27 : public QDialog {
    Q_OBJECT
public:
    explicit TForm27(QWidget* parent = nullptr);

    // Opening from the main window's menu: the sheet of that kind (piecework::kPieceWork, kMaintenance or
    // kAverageRate) with its caption, today's month and year, shown modally, its queries closed afterwards.
    void openSheet(int kind);

    int Tag = 0;

    Dataset H_Tabel0;
    Dataset H_Tabel7777;
    Dataset H_Tabel7778;
    Dataset all_price;
    Dataset q_year;
    Dataset* current = &H_Tabel0;  // the sheet the grid shows

    DbGrid* DBGrid;
    QComboBox* ComboBox1;
    QComboBox* cb_year;
    QLabel* Label1;
    QLabel* DBText1;
    QPushButton* Button1;

    static constexpr int kNameWidth = 160;  // design width of the name column
    static constexpr int kDayWidth = 20;

    void FormActivate();
    void ComboBox1Change();  // loads the month

    // Reads the month's sheet again when another workstation changes the month (rows kept by worker).
    live::Follower* liveMonth = nullptr;

    // The year chosen in cb_year (0 when none).
    int year() const;
    void setYear(int year);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillYears();
    void markDays(int year, int month);

    QList<QColor> titleColors_;  // per grid column, invalid: the default
    QList<QColor> cellColors_;   // per day 1..31
    friend class PieceworkHeader;
};
