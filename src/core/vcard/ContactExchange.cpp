#include "core/vcard/ContactExchange.h"

#include "core/data/DM.h"
#include "core/store/Table.h"
#include "core/util/JpegLoader.h"
#include "core/vcard/BirthdayCalendar.h"
#include "core/vcard/BulkTransaction.h"
#include "core/vcard/ExchangeTexts.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using F = ContactField;

QString keyOf(const QString& navn, const QString& telefon)
{
    return navn + QChar(0x1F) + telefon;
}

QString keyOf(const ContactRecord& c)
{
    return keyOf(c[F::Navn], c[F::Telefon]);
}

// The part [from, to] of a task of 1000 steps that one stage of it takes.
ProgressCallback stage(const ProgressCallback& whole, int from, int to)
{
    if (!whole)
        return {};
    return [=](qint64 done, qint64 total) {
        return whole(from + (to - from) * done / std::max<qint64>(total, 1), 1000);
    };
}

void report(const ProgressCallback& progress, qint64 done, qint64 total)
{
    if (progress && !progress(done, total))
        throw EAbort();
}

// A cursor of our own on one table file: whatever the windows filtered,
// it sees every record, and moving it moves nothing they show.
std::unique_ptr<TTable> ownCursor(const QString& folder, const QString& file)
{
    auto table = std::make_unique<TTable>(nullptr, file);
    table->SetDatabaseName(folder);
    table->SetTableName(file);
    table->Open();
    return table;
}

int column(TTable& table, const QString& field)
{
    return table.Definition()->fieldIndex(field);
}

// Dates are stored as "yyyy-MM-dd" and read as "dd-MM-yyyy": turned round
// here without a date parser, as the record store shows them.
QString dateText(const QString& stored)
{
    if (stored.size() == 10 && stored[4] == u'-' && stored[7] == u'-')
        return stored.sliced(8, 2) + u'-' + stored.sliced(5, 2) + u'-' + stored.first(4);
    return TTable::DisplayText(FieldType::Date, stored);
}

// Every contact the cursor shows, in its order, read in one pass without
// moving it, with its record number.
void forEachContact(TTable& table, const std::function<void(ContactRecord&, qint64 regnr)>& each)
{
    std::vector<int> columns;
    for (int f = 0; f < ContactFieldCount; ++f)
        columns.push_back(column(table, fieldName(ContactField(f))));
    columns.push_back(column(table, QStringLiteral("Regnr")));
    ContactRecord c;
    table.TextsInOrder(columns, [&](const QString* texts) {
        c.family.clear();
        c.picture.clear();
        for (int f = 0; f < ContactFieldCount; ++f)
            c.values[size_t(f)] = ContactField(f) == F::Fodselsdag ? dateText(texts[f]) : texts[f];
        each(c, texts[ContactFieldCount].toLongLong());
    });
}

// Every family member of every contact, by the contact's name and phone number.
QHash<QString, std::vector<FamilyRecord>> familyByContact(const QString& folder)
{
    auto table = ownCursor(folder, QStringLiteral("Familie.db"));
    std::vector<int> columns;
    for (int f = 0; f < FamilyFieldCount; ++f)
        columns.push_back(column(*table, fieldName(FamilyField(f))));
    columns.push_back(column(*table, QStringLiteral("Navn")));
    columns.push_back(column(*table, QStringLiteral("Telefon")));
    QHash<QString, std::vector<FamilyRecord>> family;
    table->TextsInOrder(columns, [&](const QString* texts) {
        FamilyRecord m;
        for (int f = 0; f < FamilyFieldCount; ++f)
            m.values[size_t(f)] =
                FamilyField(f) == FamilyField::Fodselsdag ? dateText(texts[f]) : texts[f];
        family[keyOf(texts[FamilyFieldCount], texts[FamilyFieldCount + 1])].push_back(m);
    });
    return family;
}

QHash<QString, QSet<QString>> familyNamesByContact(const QString& folder)
{
    QHash<QString, QSet<QString>> names;
    const auto family = familyByContact(folder);
    for (auto it = family.begin(); it != family.end(); ++it)
        for (const FamilyRecord& m : it.value())
            names[it.key()].insert(m[FamilyField::FamNavn]);
    return names;
}

QSet<QString> existingKeys(const QString& folder)
{
    auto table = ownCursor(folder, QStringLiteral("Telefon.DB"));
    const auto names = table->ColumnInOrder(column(*table, QStringLiteral("Navn")));
    const auto phones = table->ColumnInOrder(column(*table, QStringLiteral("Telefon")));
    QSet<QString> keys;
    keys.reserve(qsizetype(names.size()));
    for (size_t i = 0; i < names.size() && i < phones.size(); ++i)
        keys.insert(keyOf(names[i], phones[i]));
    return keys;
}

QString picturePath(const QString& folder, qint64 regnr)
{
    return QDir(folder).filePath(QString::number(regnr) + QStringLiteral(".jpg"));
}

// Written to a temporary file and renamed into place, so that a failed
// write never leaves half a file where a picture or an export was.
void saveFile(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw Exception(ExchangeText::cannotWrite(path, file.errorString()));
}

void dropRepeatedFamilyMembers(ImportItem& item)
{
    QSet<QString> names;
    auto& family = item.contact.family;
    family.erase(std::remove_if(family.begin(), family.end(),
                                [&](const FamilyRecord& m) {
                                    const QString& name = m[FamilyField::FamNavn];
                                    const bool repeated = names.contains(name);
                                    names.insert(name);
                                    return repeated;
                                }),
                 family.end());
}

void checkPicture(ImportItem& item)
{
    QByteArray& picture = item.contact.picture;
    if (picture.isEmpty())
        return;
    try {
        JpegLoader::decode(picture);
    } catch (const Exception& e) {
        item.notes << ExchangeText::pictureNotUsable(e.message());
        picture.clear();
    }
}

bool isMemo(ContactField f)
{
    return f == F::Notater || f == F::ArbNotat;
}

// Fills what target lacks from source; notes that target does not hold yet
// are added below its own. Answers whether a field changed.
bool mergeFields(ContactRecord& target, const ContactRecord& source)
{
    bool changed = false;
    for (int i = 0; i < ContactFieldCount; ++i) {
        const ContactField f = ContactField(i);
        QString& mine = target[f];
        const QString& theirs = source[f];
        if (theirs.isEmpty() || mine == theirs)
            continue;
        if (mine.isEmpty()) {
            mine = theirs;
            changed = true;
        } else if (isMemo(f) && !mine.contains(theirs)) {
            mine += u'\n' + theirs;
            changed = true;
        }
    }
    return changed;
}

void mergeContact(ContactRecord& target, const ContactRecord& source)
{
    mergeFields(target, source);
    QSet<QString> names;
    for (const FamilyRecord& m : target.family)
        names.insert(m[FamilyField::FamNavn]);
    for (const FamilyRecord& m : source.family)
        if (!names.contains(m[FamilyField::FamNavn]))
            target.family.push_back(m);
    if (target.picture.isEmpty())
        target.picture = source.picture;
}

// Posts contacts, their family members and new keywords through the
// record rules of a data module of its own.
class ImportPoster
{
public:
    explicit ImportPoster(TDM& dm)
        : m_contacts(*dm.TelefonTable), m_family(*dm.FamAllTable), m_keywords(*dm.NogleTable)
    {
        // Family members go in through the cursor without the link, which does
        // not read the family of every contact the import passes, with the
        // family table's own rule for the day and month fields.
        m_family.BeforePost = [&dm](TTable& t) { dm.FamilieTableBeforePost(t); };
        m_navn = &m_family.FieldByName(QStringLiteral("Navn"));
        m_telefon = &m_family.FieldByName(QStringLiteral("Telefon"));
        for (int f = 0; f < ContactFieldCount; ++f)
            m_fields[size_t(f)] = &m_contacts.FieldByName(fieldName(ContactField(f)));
        const auto words = m_keywords.ColumnInOrder(0);
        m_knownKeywords = QSet<QString>(words.begin(), words.end());
    }

    qint64 add(const ContactRecord& c)
    {
        m_contacts.Insert();
        // A value the file did not give leaves the rules' default in place.
        for (int f = 0; f < ContactFieldCount; ++f)
            if (!c.values[size_t(f)].isNull())
                m_fields[size_t(f)]->SetAsString(c.values[size_t(f)]);
        m_contacts.Post();
        addFamily(c.family, {});
        addKeyword(c[F::Nogleord]);
        return regnr();
    }

    // The names of the family members the contacts have now, for merges.
    void setFamilyNames(QHash<QString, QSet<QString>> names) { m_familyNames = std::move(names); }

    // Merges into the contact at the bookmark; answers its record number.
    qint64 merge(const TBookmark& at, const ContactRecord& incoming)
    {
        m_contacts.GotoBookmark(at);
        ContactRecord existing;
        for (int f = 0; f < ContactFieldCount; ++f)
            existing.values[size_t(f)] = m_fields[size_t(f)]->AsString();
        ContactRecord merged = existing;
        if (mergeFields(merged, incoming)) {
            m_contacts.Edit();
            for (int f = 0; f < ContactFieldCount; ++f)
                if (merged.values[size_t(f)] != existing.values[size_t(f)])
                    m_fields[size_t(f)]->SetAsString(merged.values[size_t(f)]);
            m_contacts.Post();
        }
        addFamily(incoming.family, m_familyNames.value(keyOf(existing)));
        addKeyword(merged[F::Nogleord]);
        return regnr();
    }

private:
    qint64 regnr() { return m_contacts.FieldByName(QStringLiteral("Regnr")).AsInteger(); }

    void addFamily(const std::vector<FamilyRecord>& members, QSet<QString> names)
    {
        for (const FamilyRecord& m : members) {
            if (names.contains(m[FamilyField::FamNavn]))
                continue;
            names.insert(m[FamilyField::FamNavn]);
            m_family.Insert();
            m_navn->SetAsString(m_fields[size_t(F::Navn)]->AsString());
            m_telefon->SetAsString(m_fields[size_t(F::Telefon)]->AsString());
            for (int f = 0; f < FamilyFieldCount; ++f)
                if (!m.values[size_t(f)].isNull())
                    m_family.FieldByName(fieldName(FamilyField(f)))
                        .SetAsString(m.values[size_t(f)]);
            m_family.Post();
        }
    }

    void addKeyword(const QString& word)
    {
        if (word.isEmpty() || m_knownKeywords.contains(word))
            return;
        m_keywords.Insert();
        m_keywords.FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
        m_keywords.Post();
        m_knownKeywords.insert(word);
    }

    TTable& m_contacts;
    TTable& m_family;
    TTable& m_keywords;
    std::array<TField*, ContactFieldCount> m_fields{};
    TField* m_navn;
    TField* m_telefon;
    QSet<QString> m_knownKeywords;
    QHash<QString, QSet<QString>> m_familyNames;
};

// Where the contacts to merge into stand: found in one pass over the table,
// before anything is posted, so that later posts cannot shift them.
std::vector<TBookmark> bookmarksOf(TTable& contacts,
                                   const std::vector<const ContactRecord*>& wanted)
{
    const auto names = contacts.ColumnInOrder(column(contacts, QStringLiteral("Navn")));
    const auto phones = contacts.ColumnInOrder(column(contacts, QStringLiteral("Telefon")));
    QHash<QString, int> rowOf;
    for (size_t i = 0; i < names.size() && i < phones.size(); ++i)
        rowOf.insert(keyOf(names[i], phones[i]), int(i));
    std::vector<std::pair<int, size_t>> rows; // row in the table, place in wanted
    for (size_t i = 0; i < wanted.size(); ++i)
        rows.emplace_back(rowOf.value(keyOf(*wanted[i]), -1), i);
    std::sort(rows.begin(), rows.end());
    std::vector<TBookmark> marks(wanted.size());
    for (const auto& [row, place] : rows) {
        if (row < 0)
            continue;
        contacts.MoveToIndex(row);
        marks[place] = contacts.GetBookmark();
    }
    return marks;
}

} // namespace

int ImportPreview::count(ImportItem::Kind kind) const
{
    return int(std::count_if(items.begin(), items.end(),
                             [kind](const ImportItem& i) { return i.kind == kind; }));
}

ContactExchange::ContactExchange(TDM& dm, QString pictureFolder)
    : m_dm(dm), m_pictureFolder(std::move(pictureFolder))
{
}

ImportPreview ContactExchange::previewImport(const QString& path, const ProgressCallback& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(ExchangeText::cannotRead(path, file.errorString()));
    if (file.size() > VCardReader::MaxFileBytes)
        throw EVCardError(0, ExchangeText::fileTooLarge(int(VCardReader::MaxFileBytes >> 20)));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception(ExchangeText::cannotRead(path, file.errorString()));

    std::vector<VCardEntry> entries = VCardReader::read(data, stage(progress, 0, 700));
    const QSet<QString> existing = existingKeys(m_dm.DataFolderPath());
    QSet<QString> inFile;
    ImportPreview preview;
    preview.path = path;
    const ProgressCallback checking = stage(progress, 700, 1000);
    for (size_t i = 0; i < entries.size(); ++i) {
        VCardEntry& e = entries[i];
        ImportItem item;
        item.line = e.line;
        item.notes = e.notes;
        if (!e.error.isEmpty()) {
            item.kind = ImportItem::Kind::Unreadable;
            item.reason = e.error;
        } else {
            item.contact = std::move(e.contact);
            const QString key = keyOf(item.contact);
            item.inFile = inFile.contains(key);
            item.kind = existing.contains(key) || item.inFile ? ImportItem::Kind::Duplicate
                                                              : ImportItem::Kind::New;
            inFile.insert(key);
            dropRepeatedFamilyMembers(item);
            checkPicture(item);
        }
        preview.items.push_back(std::move(item));
        if (i % 32 == 0)
            report(checking, qint64(i), qint64(entries.size()));
    }
    return preview;
}

ImportResult ContactExchange::import(const ImportPreview& preview, DuplicateChoice duplicates,
                                     const ProgressCallback& progress)
{
    ImportResult result;
    std::vector<ContactRecord> toAdd;
    QHash<QString, size_t> added;
    std::vector<const ContactRecord*> toMerge;
    for (const ImportItem& item : preview.items) {
        if (item.kind == ImportItem::Kind::New) {
            added.insert(keyOf(item.contact), toAdd.size());
            toAdd.push_back(item.contact);
        } else if (item.kind == ImportItem::Kind::Duplicate) {
            if (duplicates == DuplicateChoice::Skip)
                ++result.skipped;
            else if (!item.inFile)
                toMerge.push_back(&item.contact);
            else if (auto it = added.find(keyOf(item.contact)); it != added.end()) {
                mergeContact(toAdd[*it], item.contact);
                ++result.merged;
            } else {
                ++result.skipped; // a repeat of a contact that is itself merged
            }
        }
    }

    std::vector<std::pair<qint64, QByteArray>> pictures;
    const QString folder = m_dm.DataFolderPath();
    {
        BulkTransaction transaction(folder,
                                    {QStringLiteral("Regnr.DB"), QStringLiteral("Nogleord.DB"),
                                     QStringLiteral("Telefon.DB"), QStringLiteral("Familie.db")});
        {
            // The rules of a data module of its own, with no window to act on.
            TDM rules(nullptr, folder);
            rules.SetHost(nullptr);
            for (TTable* t :
                 {rules.RegTable, rules.TelefonTable, rules.FamAllTable, rules.NogleTable})
                t->Open();
            ImportPoster poster(rules);
            if (!toMerge.empty())
                poster.setFamilyNames(familyNamesByContact(folder));
            const std::vector<TBookmark> marks = bookmarksOf(*rules.TelefonTable, toMerge);
            const qint64 total = qint64(toMerge.size() + toAdd.size());
            qint64 done = 0;
            for (size_t i = 0; i < toMerge.size(); ++i, ++done) {
                if (!marks[i])
                    continue; // gone since the preview: nothing to merge into
                const qint64 regnr = poster.merge(marks[i], *toMerge[i]);
                if (!toMerge[i]->picture.isEmpty() &&
                    !QFile::exists(picturePath(m_pictureFolder, regnr)))
                    pictures.emplace_back(regnr, toMerge[i]->picture);
                ++result.merged;
                if (done % 32 == 0)
                    report(progress, done, total);
            }
            for (const ContactRecord& c : toAdd) {
                const qint64 regnr = poster.add(c);
                if (!c.picture.isEmpty())
                    pictures.emplace_back(regnr, c.picture);
                ++result.added;
                if (++done % 32 == 0)
                    report(progress, done, total);
            }
        }
        transaction.commit();
    }
    // Only now that the numbers are the contacts' for good.
    for (const auto& [regnr, data] : pictures) {
        try {
            saveFile(picturePath(m_pictureFolder, regnr), data);
        } catch (const Exception& e) {
            result.problems << ExchangeText::pictureNotSaved(QString::number(regnr), e.message());
        }
    }
    return result;
}

ExportResult ContactExchange::exportVCards(const QString& path, VCardVersion version,
                                           const ProgressCallback& progress)
{
    TTable& contacts = *m_dm.TelefonTable;
    const int total = contacts.RecordCount();
    const auto family = familyByContact(m_dm.DataFolderPath());
    // One look at the folder instead of one at every contact.
    const QStringList names =
        QDir(m_pictureFolder).entryList({QStringLiteral("*.jpg")}, QDir::Files);
    const QSet<QString> pictures(names.begin(), names.end());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(ExchangeText::cannotWrite(path, file.errorString()));
    ExportResult result;
    constexpr qsizetype Chunk = 1 << 20;
    QByteArray buffer;
    buffer.reserve(2 * Chunk);
    const auto flush = [&] {
        if (file.write(buffer) != buffer.size())
            throw Exception(ExchangeText::cannotWrite(path, file.errorString()));
        buffer.resize(0); // keeps its room for the next chunk
    };
    forEachContact(contacts, [&](ContactRecord& c, qint64 regnr) {
        if (!family.isEmpty())
            c.family = family.value(keyOf(c));
        const QString pictureName =
            pictures.isEmpty() ? QString() : QString::number(regnr) + QStringLiteral(".jpg");
        if (pictures.contains(pictureName)) {
            QFile picture(QDir(m_pictureFolder).filePath(pictureName));
            if (picture.size() > MaxPictureBytes)
                result.problems << ExchangeText::pictureTooLarge(c[F::Navn],
                                                                 int(MaxPictureBytes >> 20));
            else if (picture.open(QIODevice::ReadOnly))
                c.picture = picture.readAll();
        }
        VCardWriter::append(buffer, c, version);
        if (buffer.size() > Chunk)
            flush();
        if (result.contacts++ % 64 == 0)
            report(progress, result.contacts, total);
    });
    flush();
    if (!file.commit())
        throw Exception(ExchangeText::cannotWrite(path, file.errorString()));
    return result;
}

int ContactExchange::exportCalendar(const QString& path, const ProgressCallback& progress)
{
    const QString folder = m_dm.DataFolderPath();
    auto table = ownCursor(folder, QStringLiteral("Telefon.DB"));
    const int total = table->RecordCount();
    const auto family = familyByContact(folder);
    std::vector<CalendarBirthday> birthdays;
    int done = 0;
    forEachContact(*table, [&](ContactRecord& c, qint64 regnr) {
        const QString key = regnr > 0 ? QString::number(regnr) : keyOf(c);
        const int reminder = c[F::Reminder].toInt();
        const QDate born = Birthday::fromText(c[F::Fodselsdag]);
        if (born.isValid())
            birthdays.push_back({QStringLiteral("contact/") + key,
                                 ExchangeText::birthdaySummary(c[F::Navn]), born, reminder});
        for (const FamilyRecord& m : family.value(keyOf(c))) {
            const QDate date = Birthday::fromText(m[FamilyField::Fodselsdag]);
            if (!date.isValid())
                continue;
            const QString& relation = m[FamilyField::Relation];
            const QString whose =
                relation.isEmpty() ? c[F::Navn] : relation + QStringLiteral(", ") + c[F::Navn];
            birthdays.push_back({QStringLiteral("family/") + key + u'/' + m[FamilyField::FamNavn],
                                 ExchangeText::birthdaySummary(m[FamilyField::FamNavn] +
                                                               QStringLiteral(" (") + whose + u')'),
                                 date, reminder});
        }
        if (done++ % 256 == 0)
            report(progress, done, total);
    });
    saveFile(path, BirthdayCalendar::write(birthdays, QDateTime::currentDateTimeUtc()));
    return int(birthdays.size());
}
