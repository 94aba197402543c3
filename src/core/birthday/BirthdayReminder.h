#pragma once

#include <QDate>
#include <QList>
#include <QString>

class TTable;

// The reminder of birthdays shown once, at start-up: for every contact
// marked for a birthday card whose birthday lies that contact's own number
// of reminder days ahead, one information box, in the table's order.
//
// A birthday is a day of the year, not a date: a contact born on
// 15-03-1970 is reminded every year. One born on 29 February is reminded
// on 28 February in the years without that day.
namespace BirthdayReminder {

enum class Occasion
{
    None,   // nothing to remind of
    Today,  // the birthday is today
    Coming, // the birthday lies ahead (or behind, for a negative number of days)
};

// Whether a birthday falls on the day that lies reminderDays after today,
// and whether that is today. An invalid birthday, or a target day outside
// the calendar, reminds of nothing.
Occasion occasion(QDate birthday, qint64 reminderDays, QDate today);

struct Contact
{
    QString navn;
    QString telefon;
    QString fodselsdag; // as shown, "dd-MM-yyyy"
};

// The message of a reminder in the texts of a language index.
QString messageText(Occasion occasion, const Contact& contact, int languageIndex);

struct Reminder
{
    Contact contact;
    Occasion occasion;
    QString text;
};

// Filters the contact table on the contacts marked for a birthday card
// (the filter is left on) and returns the reminders due on today, in name
// order, in the texts of the language index. A marked contact with
// an empty or unreadable birthday or number of days is passed over.
QList<Reminder> due(TTable& contacts, QDate today, int languageIndex);

// Start-up: the reminders due on today, one information box after the
// other, in the active language.
void run(TTable& contacts, QDate today);

} // namespace BirthdayReminder
