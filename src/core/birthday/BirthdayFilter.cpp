#include "core/birthday/BirthdayFilter.h"

#include "core/store/FilterText.h"

namespace BirthdayFilter {

const QString BirthdayCards = QStringLiteral("FKort = 'Ja'");
const QString ChristmasCards = QStringLiteral("JKort = 'Ja'");
const QString BirthdayIndex = QStringLiteral("IndexFodsel");

QString period(const QString& firstDay, const QString& lastDay, const QString& month)
{
    using FilterText::quoted;
    return QStringLiteral("Dg >= ") + quoted(firstDay) + QStringLiteral(" and Dg <= ") +
           quoted(lastDay) + QStringLiteral(" and Md = ") + quoted(month);
}

} // namespace BirthdayFilter
