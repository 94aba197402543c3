#pragma once

#include <QString>
#include <QStringList>

// Lists of "name=value" lines, as the language list, the captured originals
// and the dependencies keep them. Names are the text before the first "=";
// a line without "=" has no name. All comparisons ignore letter case.
namespace NameValueList {

QString nameOf(const QString& line);
QString valueOf(const QString& line);
// The first line whose name is name, or -1.
qsizetype indexOfName(const QStringList& lines, const QString& name);
// The value of the first line of that name, or the empty text.
QString value(const QStringList& lines, const QString& name);
// Replaces the first line of that name, or appends one.
void setValue(QStringList& lines, const QString& name, const QString& value);
// Plain lists of texts (property names, exclusions).
bool contains(const QStringList& texts, const QString& text);

} // namespace NameValueList
