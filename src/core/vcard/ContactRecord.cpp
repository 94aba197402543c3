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

QDate Birthday::fromText(const QString& text)
{
    return QDate::fromString(text, QStringLiteral("dd-MM-yyyy"));
}

QString Birthday::toText(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd-MM-yyyy")) : QString();
}
