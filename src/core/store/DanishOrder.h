#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Danish alphabetical order: Æ, Ø, Å after Z, a double a counted as Å, letter
// case not splitting the list. It is ICU's Danish collation, set up as Qt's
// QCollator sets it up for the Danish locale, so that the order of the stored
// sort keys and the order the program compares in are one.
namespace DanishOrder {

// A key that compares bytewise (as memcmp, as SQLite compares BLOBs) the way
// the text compares in Danish order. Texts that differ only in letter case
// get equal keys when ignoreCase is set.
QByteArray sortKey(QStringView text, bool ignoreCase = false);

// Compares two texts in Danish order: negative, zero or positive.
int compare(QStringView a, QStringView b, bool ignoreCase = false);

// What the order depends on. Stored beside the keys: keys made by another
// version of the collation may order differently and are made again.
struct Version
{
    QString locale;   // "da_DK"
    QString icu;      // the ICU library, e.g. "72.1"
    QString collator; // the collation's own version, e.g. "153.112"
    bool operator==(const Version&) const = default;
};
Version version();
// Whether sort keys made under the stored version are keys of this order,
// told without opening a collator where the library version tells it.
bool isCurrent(const Version& stored);

} // namespace DanishOrder
