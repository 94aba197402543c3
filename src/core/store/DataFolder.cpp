#include "core/store/DataFolder.h"

#include "core/store/DatabaseError.h"
#include "core/store/FolderDatabase.h"
#include "core/store/Schema.h"
#include "core/store/SortKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace DataFolder {

QString resolve(const QString& folder, const QString& fileName)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists())
        throw EDatabaseError(QStringLiteral("Data folder %1 not found").arg(dir.absolutePath()));
    if (QFileInfo::exists(dir.filePath(fileName)))
        return dir.filePath(fileName);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries)
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return dir.filePath(fileName);
}

namespace {

void execOrThrow(sqlite3* db, const QString& sql, const QString& path)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "unknown error");
        sqlite3_free(error);
        throw EDatabaseError(QStringLiteral("Cannot create %1: %2").arg(path, message));
    }
}

// A table file being created: the table and its indexes, filled by the
// caller, its sort keys made when it is finished.
struct NewFile
{
    sqlite3* db = nullptr;
    QString path;
    const TableDefinition& table;
    NewFile(const QString& p, const TableDefinition& t) : path(p), table(t)
    {
        if (QFileInfo::exists(path))
            throw EDatabaseError(QStringLiteral("Cannot create %1: the file exists").arg(path));
        // Created empty with owner-only permissions before SQLite writes to it.
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw EDatabaseError(QStringLiteral("Cannot create %1: %2").arg(path, f.errorString()));
        f.close();
        ::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR);
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            throw EDatabaseError(QStringLiteral("Cannot create %1").arg(path));
        SqliteSupport::configure(db);
        execOrThrow(db, QStringLiteral("PRAGMA synchronous=FULL; ") + table.createTableStatement(),
                    path);
    }
    void finish()
    {
        try {
            SortKeys::rebuild(db, QStringLiteral("main"), table, path);
        } catch (const EDatabaseError& e) {
            throw EDatabaseError(QStringLiteral("Cannot create %1: %2").arg(path, e.message()));
        }
    }
    ~NewFile() { sqlite3_close_v2(db); }
};

} // namespace

void createTableFile(const QString& path, const TableDefinition& table)
{
    NewFile file(path, table);
    file.finish();
}

void createDelivered(const QString& folder, const QString& postalCodesCsv)
{
    if (QFileInfo::exists(folder))
        throw EDatabaseError(
            QStringLiteral("Data folder %1 exists already; it is left as it is").arg(folder));
    QFile csv(postalCodesCsv);
    if (!csv.open(QIODevice::ReadOnly | QIODevice::Text))
        throw EDatabaseError(
            QStringLiteral("Cannot read %1: %2").arg(postalCodesCsv, csv.errorString()));

    // Built beside the target and renamed into place, so that a failed build
    // never leaves a half data folder that would then be kept.
    const QString staging = folder + QStringLiteral(".partial");
    QDir(staging).removeRecursively();
    if (!QDir().mkpath(staging))
        throw EDatabaseError(QStringLiteral("Cannot create %1").arg(staging));
    ::chmod(QFile::encodeName(staging).constData(), S_IRWXU);

    for (const TableDefinition* table : Schema::all()) {
        NewFile file(QDir(staging).filePath(table->fileName), *table);
        if (table == &Schema::postnr()) {
            execOrThrow(file.db, QStringLiteral("BEGIN"), file.path);
            sqlite3_stmt* insert = nullptr;
            sqlite3_prepare_v2(file.db, "INSERT INTO Postnr (Postnr, Bynavn) VALUES (?, ?)", -1,
                               &insert, nullptr);
            bool header = true;
            while (!csv.atEnd()) {
                const QString line = QString::fromUtf8(csv.readLine()).trimmed();
                if (header) {
                    header = false;
                    continue;
                }
                const int sep = line.indexOf(u';');
                if (line.isEmpty() || sep < 0)
                    continue;
                const QByteArray code = line.left(sep).trimmed().toUtf8();
                const QByteArray town = line.mid(sep + 1).trimmed().toUtf8();
                sqlite3_bind_text(insert, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(insert, 2, town.constData(), int(town.size()), SQLITE_TRANSIENT);
                const int rc = sqlite3_step(insert);
                sqlite3_reset(insert);
                if (rc != SQLITE_DONE) {
                    sqlite3_finalize(insert);
                    throw EDatabaseError(QStringLiteral("Cannot store postal code %1: %2")
                                             .arg(QString::fromUtf8(code),
                                                  QString::fromUtf8(sqlite3_errmsg(file.db))));
                }
            }
            sqlite3_finalize(insert);
            execOrThrow(file.db, QStringLiteral("COMMIT"), file.path);
        } else if (table == &Schema::config()) {
            execOrThrow(file.db,
                        QStringLiteral("INSERT INTO Config (Sprog, Datapost, H_Main, W_Main) "
                                       "VALUES (-1, '', 600, 1024)"),
                        file.path);
        }
        file.finish();
    }
    if (!QDir().rename(staging, folder))
        throw EDatabaseError(QStringLiteral("Cannot create %1").arg(folder));
}

} // namespace DataFolder
