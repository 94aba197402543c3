#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The single-byte code page of the language files. Qt 6 has no codec for it,
// so it is done by hand: every one of the 256 bytes decodes (the five bytes
// the code page leaves undefined map to the C1 controls of the same number),
// and encoding refuses what the code page cannot hold instead of writing '?'.
namespace Windows1252 {

QString decode(QByteArrayView bytes);

// The byte for one character, or -1 when the code page has no place for it.
int byteFor(char16_t ch);

// The position of the first character that cannot be encoded, or -1.
qsizetype firstUnencodable(QStringView text);

// Encodes text; the caller checks firstUnencodable() first. A character
// without a place is a programming error here and throws std::invalid_argument.
QByteArray encode(QStringView text);

} // namespace Windows1252
