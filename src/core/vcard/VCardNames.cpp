#include "core/vcard/VCardNames.h"

#include <QStringList>

#include <array>

namespace {

const QByteArray Prefix = QByteArrayLiteral("X-KALVINDO-");

QByteArray upperName(const QString& field)
{
    return Prefix + field.toUpper().toLatin1();
}

} // namespace

namespace VCardNames {

const std::vector<ContactField>& extensionFields()
{
    static const std::vector<ContactField> fields = {
        ContactField::Reminder, ContactField::FKort,     ContactField::JKort,
        ContactField::Billede,  ContactField::FKortDato, ContactField::Lokal,
        ContactField::ArbLokal, ContactField::ArbAltNr,  ContactField::ArbNotat};
    return fields;
}

const QByteArray& extensionProperty(ContactField field)
{
    static const auto names = [] {
        std::array<QByteArray, ContactFieldCount> n;
        for (int i = 0; i < ContactFieldCount; ++i)
            n[size_t(i)] = upperName(fieldName(ContactField(i)));
        return n;
    }();
    return names[size_t(field)];
}

const QByteArray& extensionProperty(FamilyField field)
{
    static const auto names = [] {
        std::array<QByteArray, FamilyFieldCount> n;
        for (int i = 0; i < FamilyFieldCount; ++i)
            n[size_t(i)] = upperName(fieldName(FamilyField(i)));
        return n;
    }();
    return names[size_t(field)];
}

std::optional<ContactField> contactExtension(const QByteArray& propertyName)
{
    if (!propertyName.startsWith(Prefix))
        return std::nullopt;
    for (ContactField f : extensionFields())
        if (propertyName == extensionProperty(f))
            return f;
    return std::nullopt;
}

std::optional<FamilyField> familyExtension(const QByteArray& propertyName)
{
    if (!propertyName.startsWith(Prefix))
        return std::nullopt;
    for (int i = 0; i < FamilyFieldCount; ++i)
        if (propertyName == extensionProperty(FamilyField(i)))
            return FamilyField(i);
    return std::nullopt;
}

QByteArray relatedType(const QString& relation)
{
    // Words of the five languages the program speaks, matched at the start
    // so that "Søn (ældste)" or "Datter, 2" still fit.
    struct Kind
    {
        const char* type;
        QStringList words;
    };
    static const std::vector<Kind> kinds = {
        // Grandparents first: "morfar" is no mother.
        {"kin",
         {QStringLiteral("morfar"), QStringLiteral("mormor"), QStringLiteral("farfar"),
          QStringLiteral("farmor"), QStringLiteral("bedste"), QStringLiteral("besteforel"),
          QStringLiteral("grand"), QStringLiteral("groß")}},
        {"spouse",
         {QStringLiteral("ægtefælle"), QStringLiteral("hustru"), QStringLiteral("kone"),
          QStringLiteral("mand"), QStringLiteral("ektefelle"), QStringLiteral("make"),
          QStringLiteral("maka"), QStringLiteral("spouse"), QStringLiteral("wife"),
          QStringLiteral("husband"), QStringLiteral("ehe"), QStringLiteral("frau")}},
        {"child",
         {QStringLiteral("søn"), QStringLiteral("datter"), QStringLiteral("barn"),
          QStringLiteral("sønn"), QStringLiteral("dotter"), QStringLiteral("son"),
          QStringLiteral("daughter"), QStringLiteral("child"), QStringLiteral("sohn"),
          QStringLiteral("tochter"), QStringLiteral("kind")}},
        {"parent",
         {QStringLiteral("mor"), QStringLiteral("far"), QStringLiteral("forælder"),
          QStringLiteral("forelder"), QStringLiteral("förälder"), QStringLiteral("mother"),
          QStringLiteral("father"), QStringLiteral("parent"), QStringLiteral("mutter"),
          QStringLiteral("vater"), QStringLiteral("eltern")}},
        {"sibling",
         {QStringLiteral("bror"), QStringLiteral("søster"), QStringLiteral("søskende"),
          QStringLiteral("søsken"), QStringLiteral("syster"), QStringLiteral("syskon"),
          QStringLiteral("brother"), QStringLiteral("sister"), QStringLiteral("sibling"),
          QStringLiteral("bruder"), QStringLiteral("schwester"), QStringLiteral("geschwister")}},
    };
    const QString text = relation.trimmed().toLower();
    for (const Kind& kind : kinds)
        for (const QString& word : kind.words)
            if (text.startsWith(word))
                return kind.type;
    return "kin";
}

} // namespace VCardNames
