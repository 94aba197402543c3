#pragma once

#include "core/vcard/ContactRecord.h"

#include <QByteArray>

#include <optional>
#include <vector>

// What the writer and the reader agree on beyond the standard properties.
//
// Fields that have no standard property travel as X-KALVINDO-<FIELD>; a
// family member is a group of its own: RELATED carries the name, the group's
// X-KALVINDO-FAMTELEFON, -FODSELSDAG, -RELATION and -NOTATER the rest. A
// phone, e-mail, web or address property names the field it came from in
// the parameter X-KALVINDO-FIELD, so that a property whose standard types
// fit more than one field comes back to the one it left.
namespace VCardNames {

inline constexpr char FieldParameter[] = "X-KALVINDO-FIELD";

// The contact fields that travel as X-KALVINDO- properties of their own.
const std::vector<ContactField>& extensionFields();
const QByteArray& extensionProperty(ContactField field);
const QByteArray& extensionProperty(FamilyField field);
// The field of an X-KALVINDO- property name (upper case), if it is one.
std::optional<ContactField> contactExtension(const QByteArray& propertyName);
std::optional<FamilyField> familyExtension(const QByteArray& propertyName);

// The standard RELATED type that best fits a relation as the user wrote it
// ("Ægtefælle" -> spouse, "søn" -> child); "kin" when none does.
QByteArray relatedType(const QString& relation);

} // namespace VCardNames
