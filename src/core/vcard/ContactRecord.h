#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <vector>

// The fields of a contact that leave the program and come back in a vCard,
// named as the contact table names them. The day and month fields follow
// the birthday and the record number is given anew, so neither travels.
enum class ContactField
{
    Navn,
    Telefon,
    Adresse1,
    Adresse2,
    Postnr,
    Bynavn,
    Land,
    Mobil,
    AltTelefon,
    Fax,
    EMail,
    Hjemmeside,
    Notater,
    Fodselsdag,
    Reminder,
    FKort,
    JKort,
    Nogleord,
    Billede,
    FKortDato,
    Lokal,
    ArbFirma,
    Stilling,
    ArbAdresse,
    ArbPostnr,
    ArbBy,
    ArbTfl,
    ArbLokal,
    ArbAltNr,
    ArbFax,
    ArbMail,
    ArbHjemmeside,
    ArbNotat,
    Count
};

// The fields of a family member of their own; the link fields are the contact's.
enum class FamilyField
{
    FamNavn,
    FamTelefon,
    Fodselsdag,
    Relation,
    Notater,
    Count
};

constexpr int ContactFieldCount = int(ContactField::Count);
constexpr int FamilyFieldCount = int(FamilyField::Count);

QString fieldName(ContactField field);
QString fieldName(FamilyField field);

struct FamilyRecord
{
    // Texts as the record store reads them: dates "dd-MM-yyyy", empty for null.
    std::array<QString, FamilyFieldCount> values;

    QString& operator[](FamilyField f) { return values[size_t(f)]; }
    const QString& operator[](FamilyField f) const { return values[size_t(f)]; }
    bool operator==(const FamilyRecord&) const = default;
};

struct ContactRecord
{
    // Texts as the record store reads them: dates "dd-MM-yyyy", the reminder
    // in decimal, empty for null.
    std::array<QString, ContactFieldCount> values;
    std::vector<FamilyRecord> family;
    QByteArray picture; // the JPEG file's bytes; empty when there is none

    QString& operator[](ContactField f) { return values[size_t(f)]; }
    const QString& operator[](ContactField f) const { return values[size_t(f)]; }
    bool operator==(const ContactRecord&) const = default;
};

// A birthday is a date with a year in the tables. One known only by day and
// month (as address books may keep it) is stored in a year no one is born
// in; a leap year, so that 29 February has a place.
namespace Birthday {
constexpr int NoYear = 4;
inline bool hasYear(const QDate& date)
{
    return date.year() != NoYear;
}
// "dd-MM-yyyy" as the record store reads it; invalid for an empty or bad text.
QDate fromText(const QString& text);
QString toText(const QDate& date);
} // namespace Birthday
