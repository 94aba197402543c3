#pragma once

#include <QString>

// The filter texts of the birthday page, in the record store's filter
// language. Whatever the user typed is quoted with any quote doubled, so
// that no input makes the filter invalid or changes what it compares.
namespace BirthdayFilter {

// The records whose day of birth lies from firstDay to lastDay (compared as
// text) in the month.
QString period(const QString& firstDay, const QString& lastDay, const QString& month);

// The contacts marked for a birthday card and for a Christmas card.
extern const QString BirthdayCards;
extern const QString ChristmasCards;

// The index that orders records by month and day of birth, then by name.
extern const QString BirthdayIndex;

} // namespace BirthdayFilter
