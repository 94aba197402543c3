#include "core/birthday/BirthdayReminder.h"

#include "core/birthday/BirthdayFilter.h"
#include "core/i18n/InCodeText.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"

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
    auto index = [&contacts](const char* name) {
        return contacts.FieldByName(QLatin1String(name)).Index();
    };
    QList<Reminder> reminders;
    // One pass over the marked contacts in the table's order; the birthday
    // comes as stored, "yyyy-MM-dd".
    contacts.TextsInOrder(
        {index("Reminder"), index("Fodselsdag"), index("Navn"), index("Telefon")},
        [&](const QString* texts) {
            bool readable = true;
            const qint64 days = texts[0].isEmpty() ? 0 : texts[0].trimmed().toLongLong(&readable);
            const QDate birthday = QDate::fromString(texts[1], Qt::ISODate);
            if (!readable || !birthday.isValid())
                return;
            const Occasion o = occasion(birthday, days, today);
            if (o == Occasion::None)
                return;
            Contact c{texts[2], texts[3], birthday.toString(QStringLiteral("dd-MM-yyyy"))};
            QString text = messageText(o, c, languageIndex);
            reminders.append({std::move(c), o, std::move(text)});
        });
    return reminders;
}

void run(TTable& contacts, QDate today)
{
    for (const Reminder& r : due(contacts, today, InCodeText::activeLanguage()))
        Dialogs::instance().message(MessageKind::Information, r.text, Ok);
}

} // namespace BirthdayReminder
