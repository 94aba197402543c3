#include "core/vcard/ContactRecord.h"

namespace {

const std::array<QString, ContactFieldCount>& contactFieldNames()
{
    static const std::array<QString, ContactFieldCount> names = {
        QStringLiteral("Navn"),      QStringLiteral("Telefon"),       QStringLiteral("Adresse1"),
        QStringLiteral("Adresse2"),  QStringLiteral("Postnr"),        QStringLiteral("Bynavn"),
        QStringLiteral("Land"),      QStringLiteral("Mobil"),         QStringLiteral("AltTelefon"),
        QStringLiteral("Fax"),       QStringLiteral("EMail"),         QStringLiteral("Hjemmeside"),
        QStringLiteral("Notater"),   QStringLiteral("Fodselsdag"),    QStringLiteral("Reminder"),
        QStringLiteral("FKort"),     QStringLiteral("JKort"),         QStringLiteral("Nogleord"),
        QStringLiteral("Billede"),   QStringLiteral("FKortDato"),     QStringLiteral("Lokal"),
        QStringLiteral("ArbFirma"),  QStringLiteral("Stilling"),      QStringLiteral("ArbAdresse"),
        QStringLiteral("ArbPostnr"), QStringLiteral("ArbBy"),         QStringLiteral("ArbTfl"),
        QStringLiteral("ArbLokal"),  QStringLiteral("ArbAltNr"),      QStringLiteral("ArbFax"),
        QStringLiteral("ArbMail"),   QStringLiteral("ArbHjemmeside"), QStringLiteral("ArbNotat")};
    return names;
}

const std::array<QString, FamilyFieldCount>& familyFieldNames()
{
    static const std::array<QString, FamilyFieldCount> names = {
        QStringLiteral("FamNavn"), QStringLiteral("FamTelefon"), QStringLiteral("Fodselsdag"),
        QStringLiteral("Relation"), QStringLiteral("Notater")};
    return names;
}

} // namespace

QString fieldName(ContactField field)
{
    return contactFieldNames()[size_t(field)];
}

QString fieldName(FamilyField field)
{
    return familyFieldNames()[size_t(field)];
}

namespace {

// Digits at [from, from + count) as a number, or -1. Dates are read and
// written by the thousand in imports and exports; a format string parser
// for each would cost more than all the rest of a contact.
int digits(QStringView text, qsizetype from, qsizetype count)
{
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

void appendDigits(QString& out, int n, int count)
{
    char16_t buffer[4];
    for (int i = count - 1; i >= 0; --i, n /= 10)
        buffer[i] = char16_t(u'0' + n % 10);
    out.append(QStringView(buffer, count));
}

} // namespace

QDate Birthday::fromText(const QString& text)
{
    if (text.size() != 10 || text[2] != u'-' || text[5] != u'-')
        return {};
    const int day = digits(text, 0, 2), month = digits(text, 3, 2), year = digits(text, 6, 4);
    if (day < 0 || month < 0 || year < 0)
        return {};
    return QDate(year, month, day);
}

QString Birthday::toText(const QDate& date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return {};
    QString text;
    text.reserve(10);
    appendDigits(text, date.day(), 2);
    text += u'-';
    appendDigits(text, date.month(), 2);
    text += u'-';
    appendDigits(text, date.year(), 4);
    return text;
}
