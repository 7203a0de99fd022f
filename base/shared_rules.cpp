#include "base/shared_rules.h"

#include <algorithm>

namespace rules {

QStringList monthNames() {
    return {QStringLiteral("Январь"),   QStringLiteral("Февраль"), QStringLiteral("Март"),   QStringLiteral("Апрель"),
            QStringLiteral("Май"),      QStringLiteral("Июнь"),    QStringLiteral("Июль"),   QStringLiteral("Август"),
            QStringLiteral("Сентябрь"), QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"), QStringLiteral("Декабрь")};
}

QStringList yearList(int currentYear) {
    QStringList years;
    for (int y = 2007; y <= std::max(2025, currentYear + 1); ++y)
        years << QString::number(y);
    return years;
}

QString dayField(int day) {
    return QStringLiteral("d%1").arg(day);
}

int dayOfField(const QString& field) {
    if (field.size() < 2 || field.at(0) != QLatin1Char('d'))
        return 0;
    bool ok = false;
    const int day = QStringView(field).mid(1).toInt(&ok);
    return ok && day >= 1 && day <= 31 ? day : 0;
}

QString productKindText(int naimen) {
    return productKindNames().at(naimen == 0 ? 0 : 1);
}

QStringList productKindNames() {
    return {QStringLiteral("Готовая продукция"), QStringLiteral("Заготовки")};
}

QString colourText(int color) {
    if (color <= 0)
        return QStringLiteral(" ");
    if (color == 1)
        return QStringLiteral(" (грунт)");
    return QStringLiteral(" (RAL: ") + QString::number(color) + QLatin1Char(')');
}

}  // namespace rules
