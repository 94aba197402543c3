#include "core/birthday/BirthdayFilter.h"

namespace BirthdayFilter {

const QString BirthdayCards = QStringLiteral("FKort = 'Ja'");
const QString ChristmasCards = QStringLiteral("JKort = 'Ja'");
const QString BirthdayIndex = QStringLiteral("IndexFodsel");

QString quoted(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString period(const QString& firstDay, const QString& lastDay, const QString& month)
{
    return QStringLiteral("Dg >= ") + quoted(firstDay) + QStringLiteral(" and Dg <= ") +
           quoted(lastDay) + QStringLiteral(" and Md = ") + quoted(month);
}

} // namespace BirthdayFilter
