#include "core/sqltext.h"

#include <QDateTime>
#include <cmath>

namespace sql {

QString quote(const QString& text) {
    QString body = text;
    body.replace(QLatin1Char('\''), QStringLiteral("''"));
    if (body.contains(QLatin1Char('\\'))) {
        body.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        return QStringLiteral("E'") + body + QLatin1Char('\'');
    }
    return QLatin1Char('\'') + body + QLatin1Char('\'');
}

QString num(double d) {
    if (std::isnan(d) || std::isinf(d))
        return QStringLiteral("NULL");
    QString s = QString::number(d, 'g', 15);
    if (s.contains(QLatin1Char('e'))) {
        s = QString::number(d, 'f', 10);
        while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
            s.chop(1);
    }
    return s;
}

QString date(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

QString toDate(const QDate& d) {
    return QStringLiteral("to_date('") + date(d) + QStringLiteral("', 'DD.MM.YYYY')");
}

QString literal(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return QString::number(v.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return num(v.toDouble());
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        case QMetaType::QDate:
            return QLatin1Char('\'') + v.toDate().toString(Qt::ISODate) + QLatin1Char('\'');
        case QMetaType::QDateTime:
            return QLatin1Char('\'') + v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                   QLatin1Char('\'');
        default:
            return quote(v.toString());
    }
}

QString bind(const QString& text, const QHash<QString, QVariant>& params) {
    QString out;
    out.reserve(text.size() + 32);
    const int n = text.size();
    int i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {  // copy a quoted text or identifier whole
            int j = i + 1;
            while (j < n) {
                if (text.at(j) == c) {
                    if (j + 1 < n && text.at(j + 1) == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(text).mid(i, qMin(j + 1, n) - i);
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char(':')) {
            if (i + 1 < n && text.at(i + 1) == QLatin1Char(':')) {  // a cast
                out += QStringLiteral("::");
                i += 2;
                continue;
            }
            int j = i + 1;
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == QLatin1Char('_')))
                ++j;
            if (j > i + 1) {
                const QString name = text.mid(i + 1, j - i - 1);
                QVariant value;
                for (auto it = params.constBegin(); it != params.constEnd(); ++it)
                    if (it.key().compare(name, Qt::CaseInsensitive) == 0)
                        value = it.value();
                out += literal(value);
                i = j;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

}  // namespace sql
