#pragma once

#include "core/vcard/ContactRecord.h"
#include "core/vcard/VCardReader.h"
#include "core/vcard/VCardWriter.h"

#include <QString>
#include <QStringList>

#include <vector>

class TDM;

// What an import will do with one contact of the file.
struct ImportItem
{
    enum class Kind
    {
        New,        // added as a new contact
        Duplicate,  // its name and phone number are those of a contact already there
        Unreadable, // cannot be read; reason says why
    };
    Kind kind = Kind::New;
    int line = 0; // where the contact begins in the file
    ContactRecord contact;
    QString reason;
    QStringList notes; // what is left out of the contact (a picture that cannot be used)
    // A duplicate of an earlier contact of the same file rather than of the table.
    bool inFile = false;
};

struct ImportPreview
{
    QString path;
    std::vector<ImportItem> items;
    int count(ImportItem::Kind kind) const;
};

enum class DuplicateChoice
{
    Skip,
    // The contact already there keeps every value it has; what it lacks is
    // taken from the file: empty fields, family members of other names, a
    // picture, and notes it does not hold yet.
    Merge
};

struct ImportResult
{
    int added = 0;
    int merged = 0;
    int skipped = 0;
    QStringList problems; // pictures that could not be saved after the posts
};

struct ExportResult
{
    int contacts = 0;
    QStringList problems; // pictures left out
};

// Moves contacts between the tables and vCard and calendar files.
//
// An import goes through the record rules as any window's posts do: record
// numbers from Regnr.DB, the default marks, day and month from the birthday,
// and all of it one transaction that a cancel or a failure rolls back whole.
// Pictures are decoded before they are taken and written into the picture
// folder only after the posts are on disk.
class ContactExchange
{
public:
    ContactExchange(TDM& dm, QString pictureFolder);

    // Reads a vCard file and sorts its contacts into new ones, duplicates of
    // an existing name and phone number, and unreadable ones. Posts nothing.
    // Throws EVCardError for a file that cannot be read at all, Exception for
    // one that cannot be opened, EAbort when the progress asks to stop.
    ImportPreview previewImport(const QString& path, const ProgressCallback& progress = {});

    // Posts the preview's new contacts and, as chosen, merges or skips its
    // duplicates. All or nothing: throws (EAbort for a cancel) with nothing posted.
    ImportResult import(const ImportPreview& preview, DuplicateChoice duplicates,
                        const ProgressCallback& progress = {});

    // Writes every contact the contact table shows, in its order, with its
    // family members and picture. The file is replaced only when all is written.
    ExportResult exportVCards(const QString& path, VCardVersion version,
                              const ProgressCallback& progress = {});

    // Writes the birthdays of every contact and family member as a calendar;
    // answers the number of events.
    int exportCalendar(const QString& path, const ProgressCallback& progress = {});

    static constexpr qsizetype MaxPictureBytes = (VCardReader::MaxLineBytes - 65536) / 4 * 3;

private:
    TDM& m_dm;
    QString m_pictureFolder;
};
