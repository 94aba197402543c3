#pragma once

#include <QString>

// What the vCard and calendar exchange tells the user, in the active language.
namespace ExchangeText {

// Whole files
QString fileTooLarge(int megabytes);
QString lineTooLong(int line, int megabytes);
QString unterminated(int endLine, int beginLine);
QString noContacts();
QString outsideContact(int line);
QString cannotRead(const QString& path, const QString& why);
QString cannotWrite(const QString& path, const QString& why);

// One contact
QString noColon(int line);
QString badBase64(int line);
QString badQuotedPrintable(int line);
QString unknownEncoding(int line, const QString& encoding);
QString unknownCharset(int line, const QString& charset);
QString badCharacters(int line, const QString& charset);
QString badDate(int line, const QString& text);
QString unknownVersion(int line, const QString& version);
QString noName(int line);

// Pictures
QString pictureNotUsable(const QString& why);
QString pictureIsLink(const QString& link);
QString pictureTooLarge(const QString& name, int megabytes);
QString pictureNotSaved(const QString& name, const QString& why);

// Calendar and relations
QString birthdaySummary(const QString& who);
// The relation a vCard names by its standard word, in the active language;
// the word itself when it has no translation.
QString relationWord(const QString& standardType);

} // namespace ExchangeText
