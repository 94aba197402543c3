#include "core/birthday/BirthdayReminder.h"

#include "core/birthday/BirthdayFilter.h"
#include "core/i18n/InCodeText.h"
#include "core/store/Connection.h"
#include "core/store/DanishOrder.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"

#include <algorithm>

namespace BirthdayReminder {

namespace {

// Whether a day of the year is that birthday's day in the day's own year.
bool isBirthdayOn(QDate birthday, QDate day)
{
    if (birthday.month() != day.month())
        return false;
    if (birthday.day() == day.day())
        return true;
    const bool leapDay = birthday.month() == 2 && birthday.day() == 29;
    return leapDay && day.day() == 28 && !QDate::isLeapYear(day.year());
}

// The texts keep their line breaks as the program always wrote them: a
// line feed before the carriage return. Norsk and Svensk show the Danish
// texts, Deutsch the English ones.
const QString TodayDa =
    QStringLiteral("%1 har fødselsdag i dag \n\r\n\rHuskede du at sende fødselsdagskort?\n\r"
                   "\n\rEllers må du nok hellere ringe %1 op på nummer %2");
const QString TodayEn = QStringLiteral(
    "%1 is celebrating birthday today \n\r\n\rDid you remimber to send a greeting card?"
    "\n\r\n\rIf not, maybe you should call %1 on number %2");
const QString ComingDa =
    QStringLiteral("%1 har fødselsdag %2\n\r\n\rHusk at sende fødselsdagskort!");
const QString ComingEn =
    QStringLiteral("%1 is celebrating birthday %2\n\r\n\rDo remember to send a greeting card!");
const InCodeTexts TodayTexts = {TodayDa, TodayEn, TodayDa, TodayDa, TodayEn};
const InCodeTexts ComingTexts = {ComingDa, ComingEn, ComingDa, ComingDa, ComingEn};

} // namespace

Occasion occasion(QDate birthday, qint64 reminderDays, QDate today)
{
    // No reminder lies more than a lifetime ahead; a number beyond that was
    // not typed into the program.
    constexpr qint64 MaxDays = 100 * 366;
    if (!birthday.isValid() || !today.isValid() || reminderDays > MaxDays ||
        reminderDays < -MaxDays)
        return Occasion::None;
    const QDate target = today.addDays(reminderDays);
    if (!target.isValid() || !isBirthdayOn(birthday, target))
        return Occasion::None;
    return isBirthdayOn(birthday, today) ? Occasion::Today : Occasion::Coming;
}

QString messageText(Occasion occasion, const Contact& contact, int languageIndex)
{
    if (occasion == Occasion::None)
        return QString();
    // One pass over each pattern: a name holding "%2" stays as it is.
    if (occasion == Occasion::Today)
        return InCodeText::textFor(languageIndex, TodayTexts).arg(contact.navn, contact.telefon);
    return InCodeText::textFor(languageIndex, ComingTexts).arg(contact.navn, contact.fodselsdag);
}

QList<Reminder> due(TTable& contacts, QDate today, int languageIndex)
{
    contacts.SetFilter(BirthdayFilter::BirthdayCards);
    contacts.SetFiltered(true);
    // The marked contacts are read from the index that holds just them and
    // these columns (its condition is the constant below, which lets SQLite
    // use it); only the few that fire are then put into name order, the
    // table's order at start-up. Reading every marked contact in name order
    // would look each one up through the name index.
    Connection& connection = *contacts.FileConnection();
    Statement query(connection,
                    QStringLiteral("SELECT Reminder, Fodselsdag, Navn, Telefon FROM %1 WHERE "
                                   "FKort = 'Ja'")
                        .arg(connection.qualified(contacts.Definition()->name)));
    QList<Reminder> reminders;
    while (query.step()) {
        // The birthday comes as stored, "yyyy-MM-dd".
        const QString days = query.columnText(0).trimmed();
        bool readable = true;
        const qint64 n = days.isEmpty() ? 0 : days.toLongLong(&readable);
        const QDate birthday = QDate::fromString(query.columnText(1), Qt::ISODate);
        if (!readable || !birthday.isValid())
            continue;
        const Occasion o = occasion(birthday, n, today);
        if (o == Occasion::None)
            continue;
        Contact c{query.columnText(2), query.columnText(3),
                  birthday.toString(QStringLiteral("dd-MM-yyyy"))};
        QString text = messageText(o, c, languageIndex);
        reminders.append({std::move(c), o, std::move(text)});
    }
    std::sort(reminders.begin(), reminders.end(), [](const Reminder& a, const Reminder& b) {
        const int byName = DanishOrder::compare(a.contact.navn, b.contact.navn);
        return byName != 0 ? byName < 0
                           : DanishOrder::compare(a.contact.telefon, b.contact.telefon) < 0;
    });
    return reminders;
}

void run(TTable& contacts, QDate today)
{
    for (const Reminder& r : due(contacts, today, InCodeText::activeLanguage()))
        Dialogs::instance().message(MessageKind::Information, r.text, Ok);
}

} // namespace BirthdayReminder
