#pragma once

#include "core/util/Exception.h"
#include "core/vcard/ContactRecord.h"

#include <QByteArrayView>
#include <QStringList>

#include <functional>
#include <vector>

// A vCard file that cannot be read at all: the message names the line.
class EVCardError : public Exception
{
public:
    EVCardError(int line, QString message) : Exception(std::move(message)), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

// Tells how far a long task is; answers false when the user asked to stop.
using ProgressCallback = std::function<bool(qint64 done, qint64 total)>;

// One contact of a vCard file, read or not.
struct VCardEntry
{
    int line = 0;          // the line of its BEGIN:VCARD
    ContactRecord contact; // what was read; only meaningful when error is empty
    QString error;         // why the contact cannot be read, naming the line
    QStringList notes;     // what was read but cannot be taken (a picture by link)
};

// Reads vCard 2.1, 3.0 and 4.0: folded lines, quoted-printable with soft line
// breaks, the character sets UTF-8 and Windows-1252, base64 and data: URIs,
// grouped properties, parameters with and without TYPE=, several contacts
// a file.
//
// Files come from anywhere and are read strictly: a line longer than the
// limit, a file that ends inside a contact or holds none, or text outside
// one, makes the whole file unreadable (EVCardError). A contact with a bad
// encoding, an unknown character set, a bad date or no name is returned with
// its error and nothing of it is taken. Nothing is allocated on what a file
// merely claims.
namespace VCardReader {

constexpr qsizetype MaxFileBytes = qsizetype(1) << 30;
constexpr qsizetype MaxLineBytes = qsizetype(8) << 20;

// Throws EVCardError for a file that cannot be read, EAbort when the
// progress callback asks to stop.
std::vector<VCardEntry> read(QByteArrayView data, const ProgressCallback& progress = {});

} // namespace VCardReader
