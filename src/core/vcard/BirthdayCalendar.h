#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <vector>

// One birthday for the calendar: a contact's or a family member's.
struct CalendarBirthday
{
    QString key;     // what the record is known by, the same at every export
    QString summary; // the event's title
    QDate date;      // year Birthday::NoYear when the year is not known
    int reminderDays = 0;
};

// Writes an iCalendar file (RFC 5545) with one yearly all-day event per
// birthday and a reminder the given number of days ahead, at nine in the
// morning. Someone born on 29 February has the last day of February: the
// 29th in leap years, the 28th in the others.
namespace BirthdayCalendar {

QByteArray write(const std::vector<CalendarBirthday>& birthdays, const QDateTime& stamp);

// The event's UID for a record key: a name-based UUID, so that a calendar
// that reads a later export again updates its events instead of doubling them.
QString uid(const QString& key);

// The reminder's TRIGGER: nine in the morning, days before the day.
QByteArray trigger(int daysAhead);

} // namespace BirthdayCalendar
