#include "bookgen/BookGenerator.h"

#include "core/data/DM.h"
#include "core/store/BulkSettings.h"
#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/store/Transaction.h"
#include "core/util/Exception.h"

#include <QDate>
#include <QDir>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>

#include <cstdio>
#include <iterator>
#include <jpeglib.h>
#include <vector>

namespace {

const char* const MaleNames[] = {
    "Anders", "Bent",   "Bjørn",   "Carsten", "Christian", "Erik",   "Finn",   "Frederik",
    "Hans",   "Henrik", "Jens",    "Jesper",  "Jørgen",    "Kasper", "Klaus",  "Lars",
    "Mads",   "Magnus", "Martin",  "Michael", "Mikkel",    "Morten", "Niels",  "Ole",
    "Oliver", "Palle",  "Peter",   "Poul",    "Rasmus",    "Søren",  "Thomas", "Torben",
    "Troels", "Ulrik",  "Villads", "Øjvind",  "Aksel",     "Emil",   "Noah",   "William"};
const char* const FemaleNames[] = {
    "Anne",    "Anna",   "Bente",  "Birgit",  "Camilla", "Charlotte", "Dorthe", "Emma",
    "Freja",   "Gitte",  "Hanne",  "Helle",   "Ida",     "Inge",      "Julie",  "Karen",
    "Kirsten", "Lene",   "Louise", "Lærke",   "Maja",    "Marianne",  "Mette",  "Nanna",
    "Pia",     "Rikke",  "Sofie",  "Susanne", "Tove",    "Trine",     "Ulla",   "Vibeke",
    "Åse",     "Astrid", "Clara",  "Ellen",   "Grethe",  "Kamille",   "Signe",  "Ærtrud"};
const char* const LastNames[] = {
    "Jensen",      "Nielsen",    "Hansen",    "Pedersen",     "Andersen",    "Christensen",
    "Larsen",      "Sørensen",   "Rasmussen", "Jørgensen",    "Petersen",    "Madsen",
    "Kristensen",  "Olsen",      "Thomsen",   "Christiansen", "Poulsen",     "Johansen",
    "Møller",      "Mortensen",  "Knudsen",   "Jakobsen",     "Mikkelsen",   "Frederiksen",
    "Laursen",     "Henriksen",  "Lund",      "Holm",         "Schmidt",     "Eriksen",
    "Kristiansen", "Nissen",     "Clausen",   "Simonsen",     "Svendsen",    "Andreasen",
    "Iversen",     "Østergaard", "Jeppesen",  "Vestergaard",  "Bach",        "Dalgaard",
    "Bæk",         "Kjær",       "Aagaard",   "Nørgaard",     "Søndergaard", "Højgaard",
    "Brøndum",     "Ærenlund"};
const char* const Streets[] = {
    "Vestergade",  "Østergade",      "Nørregade",  "Søndergade",   "Algade",    "Kirkevej",
    "Skolevej",    "Stationsvej",    "Bakkevej",   "Engvej",       "Skovvej",   "Møllevej",
    "Strandvejen", "Havnegade",      "Kongevejen", "Åboulevarden", "Æblehaven", "Birkevej",
    "Rosenvænget", "Lindealle",      "Grønnegade", "Torvet",       "Bredgade",  "Fælledvej",
    "Smedegade",   "Præstegårdsvej", "Ved Søen",   "Hybenvej",     "Kløvervej", "Egevej"};
const char* const Keywords[] = {"Familie",     "Venner",  "Arbejde",        "Naboer",
                                "Skolen",      "Sport",   "Foreningen",     "Julekort",
                                "Håndværkere", "Læge",    "Børnehaven",     "Kor",
                                "Ferie",       "Studiet", "Gamle kolleger", "Øvrige"};
const char* const Firms[] = {"Bageriet",       "Tømrerfirmaet",  "Kommunen", "Regionen",
                             "Banken",         "Apoteket",       "Brugsen",  "Skolen",
                             "Rådgivning ApS", "Maskinfabrikken"};
const char* const Titles[] = {"Sygeplejerske", "Lærer",   "Tømrer",     "Ingeniør",  "Sekretær",
                              "Direktør",      "Pædagog", "Elektriker", "Konsulent", "Ekspedient"};
const char* const Partners[] = {"Ægtefælle", "Kæreste", "Samlever"};
const char* const Others[] = {"Barn", "Barnebarn", "Forælder", "Søskende", "Svigerbarn"};

template <typename T, size_t N> const char* pick(QRandomGenerator& random, const T (&list)[N])
{
    return list[random.bounded(int(N))];
}

bool chance(QRandomGenerator& random, int percent)
{
    return random.bounded(100) < percent;
}

// A small picture the program's own decoder shows: a plain JPEG of a few
// colours, made with libjpeg.
QByteArray jpegPicture(quint32 seed)
{
    constexpr int Width = 72, Height = 96;
    QRandomGenerator random(seed);
    const int r = random.bounded(64, 256), g = random.bounded(64, 256), b = random.bounded(64, 256);
    std::vector<JSAMPLE> pixels(size_t(Width * Height * 3));
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            // A round face on a shaded ground.
            const int dx = x - Width / 2, dy = y - Height / 3;
            const bool face = dx * dx + dy * dy < 20 * 20 || (y > Height * 2 / 3 && dx * dx < 900);
            JSAMPLE* p = &pixels[size_t((y * Width + x) * 3)];
            p[0] = JSAMPLE(face ? 230 : r * y / Height);
            p[1] = JSAMPLE(face ? 190 : g * y / Height);
            p[2] = JSAMPLE(face ? 160 : b);
        }
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = Width;
    info.image_height = Height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &pixels[size_t(info.next_scanline) * Width * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray data(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return data;
}

struct PostalCode
{
    QString code;
    QString town;
};

class Writer
{
public:
    Writer(TDM& dm, const BookGen::Options& options)
        : m_dm(dm), m_options(options), m_random(options.seed), m_contacts(*dm.TelefonTable),
          m_family(*dm.FamAllTable), m_keywords(*dm.NogleTable)
    {
        // Family members go in through the cursor without the master link,
        // with the family table's own rule for the day and month.
        m_family.BeforePost = [&dm](TTable& t) { dm.FamilieTableBeforePost(t); };
        readPostalCodes();
        for (int i = 0; i < 8; ++i)
            m_pictures.push_back(jpegPicture(options.seed * 31 + quint32(i)));
    }

    BookGen::Summary run(const BookGen::Progress& progress)
    {
        writeKeywords();
        for (int i = 0; i < m_options.contacts; ++i) {
            addContact();
            if (progress && (i + 1) % 1000 == 0)
                progress(i + 1, m_options.contacts);
        }
        storeCurrentContact();
        return m_summary;
    }

    // Written only once the transaction is committed: the numbers are the
    // contacts' for good then.
    void savePictures()
    {
        for (const auto& [regnr, picture] : m_pictureOwners) {
            const QString path = QDir(m_options.pictureFolder)
                                     .filePath(QString::number(regnr) + QStringLiteral(".jpg"));
            QSaveFile file(path);
            const QByteArray& data = m_pictures[size_t(picture)];
            if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() ||
                !file.commit())
                throw Exception(QStringLiteral("%1: %2").arg(path, file.errorString()));
            ++m_summary.pictures;
        }
    }
    const BookGen::Summary& summary() const { return m_summary; }

private:
    // As the program leaves a book at its close: the contact in the middle
    // is the one to show again at the next start.
    void storeCurrentContact()
    {
        TTable& config = *m_dm.ConfigTable;
        config.First();
        config.Edit();
        set(config, "Datapost", m_storedContact);
        config.Post();
    }

    static QString text(TTable& table, const char* field)
    {
        return table.FieldByName(QString::fromLatin1(field)).AsString();
    }
    void set(TTable& table, const char* field, const QString& value)
    {
        table.FieldByName(QString::fromLatin1(field)).SetAsString(value);
    }

    void readPostalCodes()
    {
        TTable& post = *m_dm.PostTable;
        const int code = post.FieldByName(QStringLiteral("Postnr")).Index();
        const int town = post.FieldByName(QStringLiteral("Bynavn")).Index();
        post.TextsInOrder({code, town}, [this](const QString* row) {
            // The codes below 1000 belong to firms and boxes, not to streets.
            if (row[0].toInt() >= 1000)
                m_postalCodes.push_back({row[0], row[1]});
        });
        if (m_postalCodes.empty())
            throw Exception(QStringLiteral("Postnr.DB holds no postal codes"));
    }

    void writeKeywords()
    {
        for (const char* word : Keywords) {
            m_keywords.Insert();
            set(m_keywords, "Nogleord", QString::fromUtf8(word));
            m_keywords.Post();
        }
        m_summary.keywords = int(std::size(Keywords));
    }

    QString phoneNumber()
    {
        // Unique, so that no two contacts meet on the key by chance.
        quint32 number = 0;
        do
            number = quint32(m_random.bounded(20000000, 99999999));
        while (m_phones.contains(number));
        m_phones.insert(number);
        return QString::number(number);
    }

    QString birthday(int fromYear, int toYear)
    {
        const QDate first(fromYear, 1, 1);
        const QDate day = first.addDays(m_random.bounded(int(first.daysTo(QDate(toYear, 12, 31)))));
        return day.toString(QStringLiteral("dd-MM-yyyy"));
    }

    void addContact()
    {
        const bool female = chance(m_random, 50);
        const QString first =
            QString::fromUtf8(female ? pick(m_random, FemaleNames) : pick(m_random, MaleNames));
        const QString last = QString::fromUtf8(pick(m_random, LastNames));
        QString name = first + u' ' + last;
        if (chance(m_random, 30))
            name = first + u' ' + QString::fromUtf8(pick(m_random, LastNames)) + u' ' + last;
        const PostalCode& place =
            m_postalCodes[size_t(m_random.bounded(int(m_postalCodes.size())))];

        m_contacts.Insert(); // the rules give the record number and the defaults
        set(m_contacts, "Navn", name);
        set(m_contacts, "Telefon", phoneNumber());
        set(m_contacts, "Adresse1",
            QString::fromUtf8(pick(m_random, Streets)) + u' ' +
                QString::number(m_random.bounded(1, 180)));
        if (chance(m_random, 10))
            set(m_contacts, "Adresse2", QStringLiteral("%1. sal").arg(m_random.bounded(1, 6)));
        set(m_contacts, "Postnr", place.code);
        set(m_contacts, "Bynavn", place.town);
        if (chance(m_random, 70))
            set(m_contacts, "Mobil", phoneNumber());
        if (chance(m_random, 50))
            set(m_contacts, "EMail",
                QStringLiteral("%1.%2@example.dk")
                    .arg(first.toLower(), QString::number(m_random.bounded(1000))));
        if (chance(m_random, 8))
            set(m_contacts, "Hjemmeside",
                QStringLiteral("www.example.dk/%1").arg(m_random.bounded(100000)));
        if (chance(m_random, 85))
            set(m_contacts, "Fodselsdag", birthday(1930, 2015));
        if (chance(m_random, 60))
            set(m_contacts, "Nogleord", QString::fromUtf8(pick(m_random, Keywords)));
        set(m_contacts, "FKort",
            chance(m_random, 25) ? QStringLiteral("Ja") : QStringLiteral("Nej"));
        set(m_contacts, "JKort",
            chance(m_random, 40) ? QStringLiteral("Ja") : QStringLiteral("Nej"));
        if (chance(m_random, 15))
            set(m_contacts, "Notater",
                QStringLiteral("Mødt i %1.").arg(m_random.bounded(1970, 2026)));
        if (chance(m_random, 35)) {
            set(m_contacts, "ArbFirma", QString::fromUtf8(pick(m_random, Firms)));
            set(m_contacts, "Stilling", QString::fromUtf8(pick(m_random, Titles)));
            set(m_contacts, "ArbTfl", phoneNumber());
        }
        m_contacts.Post();
        if (m_summary.contacts++ == m_options.contacts / 2)
            m_storedContact = text(m_contacts, "Telefon");
        const qint64 regnr = text(m_contacts, "Regnr").toLongLong();
        if (!m_options.pictureFolder.isEmpty() && m_options.pictureEvery > 0 &&
            m_random.bounded(m_options.pictureEvery) == 0)
            m_pictureOwners.emplace_back(regnr, m_random.bounded(int(m_pictures.size())));
        addFamily(name, text(m_contacts, "Telefon"), last);
    }

    void addFamily(const QString& navn, const QString& telefon, const QString& last)
    {
        const int members = m_random.bounded(5); // 0 to 4
        QSet<QString> names;
        for (int m = 0; m < members; ++m) {
            const bool female = chance(m_random, 50);
            const QString famNavn = QString::fromUtf8(female ? pick(m_random, FemaleNames)
                                                             : pick(m_random, MaleNames)) +
                                    u' ' + last;
            if (names.contains(famNavn))
                continue; // one member of a name per contact
            names.insert(famNavn);
            m_family.Insert();
            set(m_family, "Navn", navn);
            set(m_family, "Telefon", telefon);
            set(m_family, "FamNavn", famNavn);
            if (chance(m_random, 40))
                set(m_family, "FamTelefon", phoneNumber());
            if (chance(m_random, 80))
                set(m_family, "Fodselsdag", birthday(1930, 2024));
            set(m_family, "Relation",
                QString::fromUtf8(m == 0 ? pick(m_random, Partners) : pick(m_random, Others)));
            m_family.Post();
            ++m_summary.familyMembers;
        }
    }

    TDM& m_dm;
    const BookGen::Options& m_options;
    QRandomGenerator m_random;
    TTable& m_contacts;
    TTable& m_family;
    TTable& m_keywords;
    std::vector<PostalCode> m_postalCodes;
    QSet<quint32> m_phones;
    std::vector<QByteArray> m_pictures;
    std::vector<std::pair<qint64, int>> m_pictureOwners;
    BookGen::Summary m_summary;
    QString m_storedContact;
};

} // namespace

namespace BookGen {

Summary fill(const QString& dataFolder, const Options& options, const Progress& progress)
{
    if (!options.pictureFolder.isEmpty() && !QDir().mkpath(options.pictureFolder))
        throw Exception(QStringLiteral("%1 cannot be made").arg(options.pictureFolder));
    TDM dm(nullptr, dataFolder);
    for (TTable* t : {dm.ConfigTable, dm.PostTable, dm.RegTable, dm.TelefonTable, dm.FamAllTable,
                      dm.NogleTable})
        t->Open();
    // The whole book is one transaction: with room for every page in memory
    // it is written once, at the commit, instead of spilling to disk while
    // the indexes grow. Every post within it is a savepoint, whose journal
    // is kept in memory too.
    const BulkSettings bulk(dm.TelefonTable->FileConnection()->folder());
    Writer writer(dm, options);
    {
        // One transaction for the whole book: one sync at the end instead of
        // one at every post.
        Transaction transaction(*dm.TelefonTable);
        writer.run(progress);
        transaction.Commit();
    }
    writer.savePictures();
    return writer.summary();
}

Summary make(const QString& dataFolder, const QString& postalCodesCsv, const Options& options,
             const Progress& progress)
{
    DataFolder::createDelivered(dataFolder, postalCodesCsv);
    return fill(dataFolder, options, progress);
}

} // namespace BookGen
