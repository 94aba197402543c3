// The vCard exchange against its bare floor, both in the same loop:
// importing 10,000 contacts from one vCard 4.0 file (reading, the record
// rules and one transaction) against reading the same file and inserting
// the same rows with bare SQLite in one transaction; exporting them against
// reading the same rows with bare SQLite and writing the same bytes.
#include "core/data/DM.h"
#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/store/FolderDatabase.h"
#include "core/store/Table.h"
#include "core/vcard/ContactExchange.h"
#include "core/vcard/VCardWriter.h"
#include "support/BenchReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int ContactCount = 10000;

struct Files
{
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/kalvindo-bench-vcard-XXXXXX")};
    QString templateFolder() const { return root.filePath(QStringLiteral("Template")); }
    QString vcf() const { return root.filePath(QStringLiteral("contacts.vcf")); }
    QString pictures() const { return root.filePath(QStringLiteral("Billeder")); }
};
Files* g_files = nullptr;

const char* const FirstNames[] = {"Anders", "Anne",  "Birgit", "Bo",    "Christian", "Dorthe",
                                  "Erik",   "Freja", "Gitte",  "Hans",  "Ida",       "Jens",
                                  "Karen",  "Lars",  "Mette",  "Niels", "Søren",     "Åse"};
const char* const LastNames[] = {"Jensen", "Nielsen",  "Hansen", "Pedersen",   "Andersen",
                                 "Larsen", "Sørensen", "Møller", "Østergaard", "Aagaard"};

// Ten thousand contacts as a household's address book might hold them.
QByteArray makeVcf()
{
    QRandomGenerator random(4711);
    QByteArray out;
    for (int i = 0; i < ContactCount; ++i) {
        ContactRecord c;
        c[ContactField::Navn] = QString::fromUtf8(FirstNames[random.bounded(18)]) + u' ' +
                                QString::fromUtf8(LastNames[random.bounded(10)]) + u' ' +
                                QString::number(i);
        c[ContactField::Telefon] = QString::number(20000000 + i);
        c[ContactField::Mobil] = QString::number(30000000 + i);
        c[ContactField::Adresse1] = QStringLiteral("Vestergade %1").arg(random.bounded(1, 200));
        c[ContactField::Postnr] = QStringLiteral("8000");
        c[ContactField::Bynavn] = QStringLiteral("Aarhus C");
        c[ContactField::Land] = QStringLiteral("Danmark");
        c[ContactField::EMail] = QStringLiteral("kontakt%1@example.dk").arg(i);
        c[ContactField::Fodselsdag] =
            QDate(1940, 1, 1).addDays(random.bounded(25000)).toString(QStringLiteral("dd-MM-yyyy"));
        c[ContactField::Notater] = QStringLiteral("Mødt til sommerfesten; ringer om aftenen.");
        c[ContactField::FKort] = QStringLiteral("Nej");
        c[ContactField::JKort] = QStringLiteral("Ja");
        c[ContactField::Nogleord] = i % 3 ? QStringLiteral("Venner") : QStringLiteral("Familie");
        if (i % 4 == 0) {
            FamilyRecord m;
            m[FamilyField::FamNavn] = QStringLiteral("Barn %1").arg(i);
            m[FamilyField::Fodselsdag] = QStringLiteral("01-06-2010");
            m[FamilyField::Relation] = QStringLiteral("søn");
            c.family.push_back(m);
        }
        VCardWriter::append(out, c, VCardVersion::V40);
    }
    return out;
}

QString freshFolder(const QString& name)
{
    const QString path = g_files->root.filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    const QDir source(g_files->templateFolder());
    for (const QString& file : source.entryList(QDir::Files))
        QFile::copy(source.filePath(file), path + u'/' + file);
    return path;
}

sqlite3* openBare(const QString& folder, const char* file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2((folder + u'/' + QLatin1String(file)).toUtf8().constData(), &db,
                    SQLITE_OPEN_READWRITE, nullptr);
    SqliteSupport::registerFunctions(db);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return db;
}

void bindText(sqlite3_stmt* s, int i, const QString& text)
{
    if (text.isNull()) {
        sqlite3_bind_null(s, i);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(s, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString isoDate(const QString& text)
{
    const QDate d = Birthday::fromText(text);
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// The floor of an import: the same file read, the same rows inserted, each
// file one transaction.
void bareImport(const QString& folder, const QByteArray& data)
{
    const auto entries = VCardReader::read(data);
    sqlite3* telefon = openBare(folder, "Telefon.DB");
    sqlite3* familie = openBare(folder, "Familie.DB");
    sqlite3* regnr = openBare(folder, "Regnr.DB");
    sqlite3* nogle = openBare(folder, "Nogleord.DB");
    for (sqlite3* db : {telefon, familie, regnr, nogle})
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    QString columns, marks;
    for (int f = 0; f < ContactFieldCount; ++f) {
        columns += u'"' + fieldName(ContactField(f)) + QStringLiteral("\",");
        marks += QStringLiteral("?,");
    }
    const QByteArray contactSql =
        QStringLiteral("INSERT INTO Telefon (%1Dg,Md,Regnr) VALUES (%2?,?,?)")
            .arg(columns, marks)
            .toUtf8();
    sqlite3_stmt* contact = nullptr;
    sqlite3_stmt* member = nullptr;
    sqlite3_stmt* number = nullptr;
    sqlite3_stmt* keyword = nullptr;
    sqlite3_prepare_v2(telefon, contactSql.constData(), -1, &contact, nullptr);
    sqlite3_prepare_v2(familie,
                       "INSERT INTO Familie (Navn,Telefon,FamNavn,FamTelefon,Fodselsdag,Relation,"
                       "Notater,Dg,Md) VALUES (?,?,?,?,?,?,?,?,?)",
                       -1, &member, nullptr);
    sqlite3_prepare_v2(regnr, "INSERT INTO Regnr (Regnr) VALUES (?)", -1, &number, nullptr);
    sqlite3_prepare_v2(nogle, "INSERT OR IGNORE INTO Nogleord (Nogleord) VALUES (?)", -1, &keyword,
                       nullptr);
    int n = 0;
    for (const VCardEntry& e : entries) {
        const ContactRecord& c = e.contact;
        ++n;
        sqlite3_bind_int(number, 1, n);
        sqlite3_step(number);
        sqlite3_reset(number);
        for (int f = 0; f < ContactFieldCount; ++f) {
            const QString& v = c.values[size_t(f)];
            bindText(contact, f + 1, ContactField(f) == ContactField::Fodselsdag ? isoDate(v) : v);
        }
        const QString& born = c[ContactField::Fodselsdag];
        bindText(contact, ContactFieldCount + 1, born.mid(0, 2));
        bindText(contact, ContactFieldCount + 2, born.mid(3, 2));
        sqlite3_bind_int(contact, ContactFieldCount + 3, n);
        sqlite3_step(contact);
        sqlite3_reset(contact);
        for (const FamilyRecord& m : c.family) {
            bindText(member, 1, c[ContactField::Navn]);
            bindText(member, 2, c[ContactField::Telefon]);
            bindText(member, 3, m[FamilyField::FamNavn]);
            bindText(member, 4, m[FamilyField::FamTelefon]);
            bindText(member, 5, isoDate(m[FamilyField::Fodselsdag]));
            bindText(member, 6, m[FamilyField::Relation]);
            bindText(member, 7, m[FamilyField::Notater]);
            bindText(member, 8, m[FamilyField::Fodselsdag].mid(0, 2));
            bindText(member, 9, m[FamilyField::Fodselsdag].mid(3, 2));
            sqlite3_step(member);
            sqlite3_reset(member);
        }
        bindText(keyword, 1, c[ContactField::Nogleord]);
        sqlite3_step(keyword);
        sqlite3_reset(keyword);
    }
    for (sqlite3_stmt* s : {contact, member, number, keyword})
        sqlite3_finalize(s);
    for (sqlite3* db : {regnr, nogle, telefon, familie}) {
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
    }
}

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

void Import_10000(benchmark::State& state)
{
    QFile f(g_files->vcf());
    f.open(QIODevice::ReadOnly);
    const QByteArray data = f.readAll();
    double ours = 0, base = 0;
    for (auto _ : state) {
        {
            const QString folder = freshFolder(QStringLiteral("Import"));
            TDM dm(nullptr, folder);
            ContactExchange exchange(dm, g_files->pictures());
            QElapsedTimer t;
            t.start();
            const ImportResult result =
                exchange.import(exchange.previewImport(g_files->vcf()), DuplicateChoice::Skip);
            ours += msSince(t);
            if (result.added != ContactCount)
                state.SkipWithError("not every contact was imported");
        }
        const QString folder = freshFolder(QStringLiteral("Bare"));
        QElapsedTimer t;
        t.start();
        bareImport(folder, data);
        base += msSince(t);
    }
    const double n = double(state.iterations());
    state.counters["ours_ms"] = ours / n;
    state.counters["base_ms"] = base / n;
    state.counters["ratio"] = ours / base;
    BenchReport::figure("vcard_import_10000", ours / n, base / n, "ms", 3);
}
BENCHMARK(Import_10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor of an export: the same rows read in the same order with bare
// SQLite, the family rows with them, and the same bytes written.
void bareExport(const QString& folder, const QString& path, const QByteArray& bytes)
{
    sqlite3* telefon = openBare(folder, "Telefon.DB");
    sqlite3* familie = openBare(folder, "Familie.DB");
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(telefon, "SELECT * FROM Telefon ORDER BY Navn_Sort, Telefon_Sort, rowid", -1,
                       &rows, nullptr);
    qint64 seen = 0;
    while (sqlite3_step(rows) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(rows); ++i)
            seen += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, i)))
                        .size();
    sqlite3_finalize(rows);
    sqlite3_prepare_v2(familie, "SELECT * FROM Familie", -1, &rows, nullptr);
    while (sqlite3_step(rows) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(rows); ++i)
            seen += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, i)))
                        .size();
    sqlite3_finalize(rows);
    sqlite3_close_v2(telefon);
    sqlite3_close_v2(familie);
    benchmark::DoNotOptimize(seen);
    QSaveFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    out.commit();
}

void Export_10000(benchmark::State& state)
{
    const QString folder = freshFolder(QStringLiteral("Export"));
    {
        TDM dm(nullptr, folder);
        ContactExchange exchange(dm, g_files->pictures());
        exchange.import(exchange.previewImport(g_files->vcf()), DuplicateChoice::Skip);
    }
    TDM dm(nullptr, folder);
    dm.SetHost(nullptr);
    for (TTable* t : dm.ContactTables())
        t->Open();
    ContactExchange exchange(dm, g_files->pictures());
    const QString ourFile = g_files->root.filePath(QStringLiteral("ours.vcf"));
    const QString bareFile = g_files->root.filePath(QStringLiteral("bare.vcf"));
    exchange.exportVCards(ourFile, VCardVersion::V40);
    QFile written(ourFile);
    written.open(QIODevice::ReadOnly);
    const QByteArray bytes = written.readAll();
    double ours = 0, base = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        exchange.exportVCards(ourFile, VCardVersion::V40);
        ours += msSince(t);
        t.restart();
        bareExport(folder, bareFile, bytes);
        base += msSince(t);
    }
    const double n = double(state.iterations());
    state.counters["ours_ms"] = ours / n;
    state.counters["base_ms"] = base / n;
    state.counters["ratio"] = ours / base;
    state.counters["bytes"] = double(bytes.size());
    BenchReport::figure("vcard_export_10000", ours / n, base / n, "ms", 2);
}
BENCHMARK(Export_10000)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    g_files = new Files;
    QDir().mkpath(g_files->pictures());
    DataFolder::createDelivered(
        g_files->templateFolder(),
        QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"));
    QFile vcf(g_files->vcf());
    vcf.open(QIODevice::WriteOnly);
    vcf.write(makeVcf());
    vcf.close();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_files;
    return 0;
}
