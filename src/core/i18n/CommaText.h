#pragma once

#include <QString>
#include <QStringList>

// The one-line form of a list of texts: items joined by ",", an item holding a
// blank, a control character, a double quote or a comma written in double
// quotes (inner quotes doubled). Grid titles travel through language files so.
namespace CommaText {

QString write(const QStringList& items);
QStringList read(const QString& text);

} // namespace CommaText
