#pragma once

#include <QByteArray>
#include <QString>

// The content lines that vCard and iCalendar share: NAME;PARAMS:VALUE, folded
// at 75 octets with CRLF and a leading space, texts escaped with backslashes.
namespace ContentLine {

// Folds one logical line into lines of at most 75 octets, never inside a
// UTF-8 character, each ended by CRLF.
void appendFolded(QByteArray& out, QByteArrayView line);
// Folds the line that begins at lineStart and runs to the end of out, in place.
void foldFrom(QByteArray& out, qsizetype lineStart);
// Escapes a text value: backslash, newline, comma and semicolon; carriage
// returns are dropped, a line break is one newline.
void appendEscaped(QByteArray& out, QStringView text);

} // namespace ContentLine
