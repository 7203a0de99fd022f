#include "core/format.h"

#include <QLocale>
#include <cmath>

namespace fmt {

namespace {

// Rounds the decimal text of v (17 significant digits, enough to hold any double exactly enough) to the
// given number of places; halfEven chooses ties-to-even, otherwise ties away from zero.
double roundDecimal(double v, int places, bool halfEven) {
    if (!std::isfinite(v))
        return v;
    // 15 significant digits: the value as the user sees it, so that 0.00005 is a true tie.
    const int magnitude = int(std::floor(std::log10(std::max(std::fabs(v), 1e-300))));
    const QString s = QString::number(std::fabs(v), 'f', std::max(0, 14 - std::max(0, magnitude)));
    const int dot = s.indexOf(QLatin1Char('.'));
    QString intPart = dot < 0 ? s : s.left(dot);
    QString frac = dot < 0 ? QString() : s.mid(dot + 1);
    if (frac.size() <= places)
        return v;
    const QString keep = frac.left(places);
    const QString rest = frac.mid(places);
    // Compare the rest with one half: "5000…" is a tie.
    const QChar first = rest.at(0);
    bool up;
    if (first > QLatin1Char('5')) {
        up = true;
    } else if (first < QLatin1Char('5')) {
        up = false;
    } else {
        bool moreThanHalf = false;
        for (int i = 1; i < rest.size(); ++i)
            moreThanHalf = moreThanHalf || rest.at(i) != QLatin1Char('0');
        if (moreThanHalf || !halfEven) {
            up = true;
        } else {
            const QString digits = intPart + keep;
            const int last = digits.isEmpty() ? 0 : digits.back().digitValue();
            up = (last % 2) == 1;
        }
    }
    // The kept digits as an integer, plus one when rounding up.
    const QString digits = intPart + keep;
    long double n = 0;
    for (QChar c : digits)
        n = n * 10 + c.digitValue();
    if (up)
        n += 1;
    long double r = n;
    for (int i = 0; i < places; ++i)
        r /= 10;
    const double out = double(r);
    return v < 0 ? -out : out;
}

}  // namespace

QString decimalSeparator() {
    return QLocale().decimalPoint();
}

double round4(double v) {
    return roundDecimal(v, 4, true);
}

QString general(double v) {
    if (v == 0)
        return QStringLiteral("0");
    // A whole number of at most 15 digits reads the same as the integer: the common case (counts, sums of
    // pieces) without the general conversion.
    if (std::fabs(v) < 1e15 && v == std::trunc(v))
        return QString::number(qint64(v));
    QString s = QString::number(v, 'g', 15);
    if (s.contains(QLatin1Char('e')) && std::fabs(v) >= 1e-5 && std::fabs(v) < 1e15) {
        s = QString::number(v, 'f', 15);
    }
    if (s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    s.replace(QLatin1Char('.'), decimalSeparator());
    return s;
}

QString mask(double v, const QString& m) {
    const int dot = m.indexOf(QLatin1Char('.'));
    int minPlaces = 0, maxPlaces = 0;
    if (dot >= 0) {
        for (int i = dot + 1; i < m.size(); ++i) {
            if (m.at(i) == QLatin1Char('0')) {
                ++minPlaces;
                ++maxPlaces;
            } else if (m.at(i) == QLatin1Char('#')) {
                ++maxPlaces;
            }
        }
    }
    const double r = roundDecimal(v, maxPlaces, false);
    QString s = QString::number(r, 'f', maxPlaces);
    if (maxPlaces > minPlaces) {
        int drop = 0;
        while (drop < maxPlaces - minPlaces && s.at(s.size() - 1 - drop) == QLatin1Char('0'))
            ++drop;
        s.chop(drop);
    }
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    if (s == QStringLiteral("-0") || (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0))
        s.remove(0, 1);
    s.replace(QLatin1Char('.'), decimalSeparator());
    return s;
}

QString date(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

bool isWeekend(const QDate& d) {
    return d.dayOfWeek() >= 6;
}

int daysInMonth(int year, int month) {
    return QDate(year, month, 1).daysInMonth();
}

QString trimmedRight(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

double parseNumber(const QString& text, bool* ok) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool good = false;
    const double v = t.toDouble(&good);
    if (ok)
        *ok = good && !t.isEmpty();
    return good ? v : 0;
}

}  // namespace fmt
