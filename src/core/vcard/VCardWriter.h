#pragma once

#include "core/vcard/ContactRecord.h"

#include <QByteArray>

enum class VCardVersion
{
    V30,
    V40
};

// Writes contacts as vCards: every field of the contact, its picture as
// PHOTO and its family members as RELATED groups, in lines of at most 75
// octets ended by CRLF. What has no standard property travels in the
// X-KALVINDO- properties that the reader takes back (see VCardNames).
namespace VCardWriter {

void append(QByteArray& out, const ContactRecord& contact,
            VCardVersion version = VCardVersion::V40);

} // namespace VCardWriter
