#include "core/vcard/BirthdayCalendar.h"

#include "core/vcard/ContactRecord.h"
#include "core/vcard/ContentLine.h"

#include <QUuid>

namespace {

// Birthdays without a year start in a leap year, so that 29 February has a
// first occurrence.
constexpr int StartYearWithoutYear = 2000;
constexpr int ReminderHour = 9;

void line(QByteArray& out, const QByteArray& text)
{
    ContentLine::appendFolded(out, text);
}

void textLine(QByteArray& out, const char* name, const QString& value)
{
    QByteArray l = name;
    l += ':';
    ContentLine::appendEscaped(l, value);
    ContentLine::appendFolded(out, l);
}

QByteArray basicDate(const QDate& d)
{
    return d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

void writeEvent(QByteArray& out, const CalendarBirthday& b, const QByteArray& stamp)
{
    const QDate start = Birthday::hasYear(b.date)
                            ? b.date
                            : QDate(StartYearWithoutYear, b.date.month(), b.date.day());
    const bool leapDay = start.month() == 2 && start.day() == 29;
    line(out, "BEGIN:VEVENT");
    textLine(out, "UID", BirthdayCalendar::uid(b.key));
    line(out, "DTSTAMP:" + stamp);
    line(out, "DTSTART;VALUE=DATE:" + basicDate(start));
    line(out, "DTEND;VALUE=DATE:" + basicDate(start.addDays(1)));
    line(out, leapDay ? "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1" : "RRULE:FREQ=YEARLY");
    textLine(out, "SUMMARY", b.summary);
    line(out, "TRANSP:TRANSPARENT");
    line(out, "BEGIN:VALARM");
    line(out, "ACTION:DISPLAY");
    textLine(out, "DESCRIPTION", b.summary);
    line(out, "TRIGGER:" + BirthdayCalendar::trigger(b.reminderDays));
    line(out, "END:VALARM");
    line(out, "END:VEVENT");
}

} // namespace

namespace BirthdayCalendar {

QString uid(const QString& key)
{
    static const QUuid ns(QStringLiteral("c6f2338a-1abc-4775-b9aa-fe1574b323eb"));
    return QUuid::createUuidV5(ns, key).toString(QUuid::WithoutBraces);
}

QByteArray trigger(int daysAhead)
{
    const qint64 seconds = -qint64(daysAhead) * 86400 + ReminderHour * 3600;
    const qint64 magnitude = seconds < 0 ? -seconds : seconds;
    const qint64 days = magnitude / 86400;
    const qint64 hours = (magnitude % 86400) / 3600;
    QByteArray t = seconds < 0 ? "-P" : "P";
    if (days > 0)
        t += QByteArray::number(days) + 'D';
    if (hours > 0)
        t += 'T' + QByteArray::number(hours) + 'H';
    if (days == 0 && hours == 0)
        t += "T0S";
    return t;
}

QByteArray write(const std::vector<CalendarBirthday>& birthdays, const QDateTime& stamp)
{
    QByteArray out;
    line(out, "BEGIN:VCALENDAR");
    line(out, "VERSION:2.0");
    line(out, "PRODID:-//Kalvindo//Kalvindo 1.0//DA");
    line(out, "CALSCALE:GREGORIAN");
    line(out, "METHOD:PUBLISH");
    const QByteArray utc =
        stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
    for (const CalendarBirthday& b : birthdays)
        if (b.date.isValid())
            writeEvent(out, b, utc);
    line(out, "END:VCALENDAR");
    return out;
}

} // namespace BirthdayCalendar
