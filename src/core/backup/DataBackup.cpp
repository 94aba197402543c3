#include "core/backup/DataBackup.h"

#include "core/backup/BackupTexts.h"
#include "core/util/Exception.h"
#include "core/util/RestoreOnError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>
#include <set>
#include <sqlite3.h>
#include <unistd.h>

namespace {

const QString NameFormat = QStringLiteral("yyyy-MM-dd_HHmmss");
const QString PictureSubfolder = QStringLiteral("Billeder");
// What the table files were when the backup was taken: tells whether a
// later backup would hold anything new.
const QString SourceFile = QStringLiteral("source.txt");
const QString RestoreOld = QStringLiteral(".restore-old");
const QString RestoreNew = QStringLiteral(".restore-new");

constexpr QFileDevice::Permissions UserOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions UserOnlyFolder = UserOnlyFile | QFileDevice::ExeOwner;

QString sqliteError(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

void makeFolder(const QString& path)
{
    if (!QDir().mkpath(path) || !QFile::setPermissions(path, UserOnlyFolder))
        throw Exception(BackupText::cannotCreate(path, QString::fromLocal8Bit(strerror(errno))));
}

void removeFolder(const QString& path)
{
    if (!path.isEmpty())
        QDir(path).removeRecursively();
}

// Opens the table files on one connection and reads each once inside one
// read transaction, so that every file is copied as the same moment left it.
class Snapshot
{
public:
    explicit Snapshot(const QStringList& paths)
    {
        if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail(QStringLiteral(":memory:"));
        sqlite3_busy_timeout(m_db, 5000);
        for (int i = 0; i < paths.size(); ++i) {
            const QString sql = QStringLiteral("ATTACH DATABASE ? AS s%1").arg(i);
            sqlite3_stmt* attach = nullptr;
            sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &attach, nullptr);
            const QByteArray path = paths[i].toUtf8();
            sqlite3_bind_text(attach, 1, path.constData(), -1, SQLITE_TRANSIENT);
            const int rc = sqlite3_step(attach);
            sqlite3_finalize(attach);
            if (rc != SQLITE_DONE)
                fail(paths[i]);
        }
        exec("BEGIN");
        for (int i = 0; i < paths.size(); ++i)
            exec(QStringLiteral("SELECT count(*) FROM s%1.sqlite_master").arg(i).toUtf8(),
                 paths[i]);
    }
    ~Snapshot()
    {
        if (m_db)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    void copy(int index, const QString& target) const
    {
        sqlite3* out = nullptr;
        const auto closeOut = qScopeGuard([&] { sqlite3_close_v2(out); });
        if (sqlite3_open_v2(target.toUtf8().constData(), &out,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            throw Exception(BackupText::cannotCopy(target, sqliteError(out)));
        // A new file that nobody reads until it is complete: no journal, and
        // the whole folder is made durable in one go by its rename.
        sqlite3_exec(out, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr,
                     nullptr);
        const QByteArray schema = QStringLiteral("s%1").arg(index).toUtf8();
        sqlite3_backup* backup = sqlite3_backup_init(out, "main", m_db, schema.constData());
        if (!backup)
            throw Exception(BackupText::cannotCopy(target, sqliteError(out)));
        const int rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            throw Exception(BackupText::cannotCopy(target, QString::fromUtf8(sqlite3_errstr(rc))));
    }

private:
    void exec(const QByteArray& sql, const QString& file = QString())
    {
        if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(file);
    }
    // Thrown from the constructor too, where no destructor follows.
    [[noreturn]] void fail(const QString& file)
    {
        const QString why = sqliteError(m_db);
        sqlite3_close_v2(std::exchange(m_db, nullptr));
        throw Exception(BackupText::cannotCopy(file, why));
    }

    sqlite3* m_db = nullptr;
};

// A hard link costs nothing for a picture that does not change (pictures are
// replaced by a new file, never written into); a copy where links are not
// allowed.
void linkOrCopy(const QString& from, const QString& to)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    QFile source(from);
    if (!source.copy(to))
        throw Exception(BackupText::cannotCopy(from, source.errorString()));
    QFile::setPermissions(to, UserOnlyFile);
}

// A file another may replace: copied beside it, then renamed over it.
void copyInto(const QString& from, const QString& to)
{
    QFile in(from);
    QSaveFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        throw Exception(
            BackupText::cannotCopy(from, in.isOpen() ? out.errorString() : in.errorString()));
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            throw Exception(BackupText::cannotCopy(from, in.errorString()));
        out.write(chunk);
    }
    out.setPermissions(UserOnlyFile);
    if (!out.commit())
        throw Exception(BackupText::cannotCopy(from, out.errorString()));
}

void rename(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Exception(BackupText::cannotCopy(from, QString::fromLocal8Bit(strerror(errno))));
}

qint64 contactsIn(const QString& folder)
{
    const QStringList found = QDir(folder).entryList({QStringLiteral("Telefon.DB")}, QDir::Files);
    if (found.isEmpty())
        return -1;
    sqlite3* db = nullptr;
    const auto close = qScopeGuard([&] { sqlite3_close_v2(db); });
    if (sqlite3_open_v2(QDir(folder).filePath(found.first()).toUtf8().constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return -1;
    sqlite3_stmt* count = nullptr;
    qint64 contacts = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Telefon", -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW)
        contacts = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    return contacts;
}

// Empty when the file is sound; else what is wrong with it.
QString soundness(const QString& path)
{
    sqlite3* db = nullptr;
    const auto close = qScopeGuard([&] { sqlite3_close_v2(db); });
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return sqliteError(db);
    sqlite3_stmt* check = nullptr;
    QString verdict;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) != SQLITE_OK)
        return sqliteError(db);
    if (sqlite3_step(check) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
    else
        verdict = sqliteError(db);
    sqlite3_finalize(check);
    if (verdict != QLatin1String("ok"))
        return verdict;
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1, &tables,
                       nullptr);
    const bool hasTable = sqlite3_step(tables) == SQLITE_ROW && sqlite3_column_int(tables, 0) > 0;
    sqlite3_finalize(tables);
    return hasTable ? QString() : QStringLiteral("no table");
}

} // namespace

DataBackup::DataBackup(QString dataFolder, QString pictureFolder, QStringList unwatched)
    : m_dataFolder(std::move(dataFolder)), m_pictureFolder(std::move(pictureFolder)),
      m_unwatched(std::move(unwatched))
{
}

QString DataBackup::BackupRoot() const
{
    return QDir(m_dataFolder).filePath(QStringLiteral("Backup"));
}

QStringList DataBackup::tableFiles() const
{
    QStringList files;
    for (const QString& name : QDir(m_dataFolder).entryList(QDir::Files, QDir::Name))
        if (name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            files << name;
    return files;
}

QStringList DataBackup::pictureFiles(const QString& folder) const
{
    static const QRegularExpression numbered(QStringLiteral("^[0-9]+\\.jpg$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        if (numbered.match(name).hasMatch())
            files << name;
    return files;
}

QString DataBackup::fingerprint() const
{
    QString text;
    for (const QString& name : tableFiles()) {
        if (m_unwatched.contains(name, Qt::CaseInsensitive))
            continue;
        const QFileInfo info(QDir(m_dataFolder).filePath(name));
        text += QStringLiteral("%1 %2 %3\n")
                    .arg(name)
                    .arg(info.size())
                    .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return text;
}

QString DataBackup::Take(const QDateTime& now)
{
    const QString root = BackupRoot();
    makeFolder(root);
    QString name = now.toString(NameFormat);
    // Two backups within a second: the second waits for no one.
    for (int n = 2; QFileInfo::exists(QDir(root).filePath(name)); ++n)
        name = now.toString(NameFormat) + QStringLiteral("-%1").arg(n);
    const QString partial = QDir(root).filePath(QStringLiteral(".partial-") + name);
    removeFolder(partial);
    auto undo = restoreOnError([&] { removeFolder(partial); });
    makeFolder(partial);

    const QString source = fingerprint();
    const QStringList files = tableFiles();
    QStringList paths;
    for (const QString& file : files)
        paths << QDir(m_dataFolder).filePath(file);
    {
        const Snapshot snapshot(paths);
        for (int i = 0; i < files.size(); ++i) {
            const QString target = QDir(partial).filePath(files[i]);
            snapshot.copy(i, target);
            QFile::setPermissions(target, UserOnlyFile);
        }
    }
    const QStringList pictures = pictureFiles(m_pictureFolder);
    if (!pictures.isEmpty()) {
        const QString pictureTarget = QDir(partial).filePath(PictureSubfolder);
        makeFolder(pictureTarget);
        for (const QString& picture : pictures)
            linkOrCopy(QDir(m_pictureFolder).filePath(picture),
                       QDir(pictureTarget).filePath(picture));
    }
    QFile sourceFile(QDir(partial).filePath(SourceFile));
    if (!sourceFile.open(QIODevice::WriteOnly) || sourceFile.write(source.toUtf8()) < 0)
        throw Exception(BackupText::cannotCreate(partial, sourceFile.errorString()));
    sourceFile.close();
    sourceFile.setPermissions(UserOnlyFile);

    const QString done = QDir(root).filePath(name);
    rename(partial, done);
    undo.dismiss();
    return done;
}

QString DataBackup::TakeIfChanged(const QDateTime& now)
{
    const auto backups = List();
    if (!backups.empty()) {
        QFile last(QDir(backups.front().folder).filePath(SourceFile));
        if (last.open(QIODevice::ReadOnly) && QString::fromUtf8(last.readAll()) == fingerprint())
            return {};
    }
    const QString taken = Take(now);
    Thin(now);
    return taken;
}

std::vector<BackupInfo> DataBackup::List() const
{
    std::vector<BackupInfo> backups;
    const QDir root(BackupRoot());
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDateTime taken = QDateTime::fromString(name.left(NameFormat.size()), NameFormat);
        if (!taken.isValid())
            continue; // a partial backup, or a folder of the user's
        backups.push_back({root.filePath(name), taken, contactsIn(root.filePath(name))});
    }
    std::stable_sort(backups.begin(), backups.end(),
                     [](const BackupInfo& a, const BackupInfo& b) { return a.taken > b.taken; });
    return backups;
}

std::vector<QDateTime> DataBackup::Kept(std::vector<QDateTime> taken, const QDateTime& now)
{
    std::sort(taken.begin(), taken.end(), std::greater<>());
    std::vector<QDateTime> kept;
    std::set<int> months;
    const QDate firstMonth = now.date().addMonths(-(MonthsKept - 1));
    const int oldestMonth = firstMonth.year() * 12 + firstMonth.month();
    for (size_t i = 0; i < taken.size(); ++i) {
        const int month = taken[i].date().year() * 12 + taken[i].date().month();
        const bool newestOfItsMonth = month >= oldestMonth && months.insert(month).second;
        if (int(i) < LatestKept || newestOfItsMonth)
            kept.push_back(taken[i]);
    }
    return kept;
}

void DataBackup::Thin(const QDateTime& now)
{
    const auto backups = List();
    std::vector<QDateTime> taken;
    for (const auto& b : backups)
        taken.push_back(b.taken);
    const auto kept = Kept(taken, now);
    for (const auto& b : backups)
        if (std::find(kept.begin(), kept.end(), b.taken) == kept.end())
            removeFolder(b.folder);
}

void DataBackup::Check(const QString& backupFolder) const
{
    const QString shown = QFileInfo(backupFolder).fileName();
    for (const QString& file : tableFiles()) {
        const QString path = QDir(backupFolder).filePath(file);
        if (!QFileInfo(path).isFile())
            throw Exception(BackupText::missingFile(shown, file));
        if (const QString why = soundness(path); !why.isEmpty())
            throw Exception(BackupText::notSound(shown, file, why));
    }
}

void DataBackup::Restore(const QString& backupFolder, const QDateTime& now,
                         const std::function<void()>& closeTables,
                         const std::function<void()>& openTables)
{
    Check(backupFolder);
    Take(now);

    // Staged beside the files they replace, so that the swap is renames only.
    const QDir data(m_dataFolder);
    const QDir pictures(m_pictureFolder);
    const QString backupPictures = QDir(backupFolder).filePath(PictureSubfolder);
    struct Place
    {
        QDir folder;
        QStringList incoming; // from the backup
        QStringList current;  // today's, set aside
    };
    std::vector<Place> places = {
        {data, tableFiles(), tableFiles()},
        {pictures, pictureFiles(backupPictures), pictureFiles(m_pictureFolder)}};
    const QStringList sources = {backupFolder, backupPictures};
    for (const Place& p : places) {
        removeFolder(p.folder.filePath(RestoreNew));
        removeFolder(p.folder.filePath(RestoreOld));
    }
    const auto cleanUp = qScopeGuard([&] {
        for (const Place& p : places) {
            removeFolder(p.folder.filePath(RestoreNew));
            removeFolder(p.folder.filePath(RestoreOld));
        }
    });
    try {
        for (size_t k = 0; k < places.size(); ++k) {
            if (places[k].incoming.isEmpty())
                continue;
            makeFolder(places[k].folder.filePath(RestoreNew));
            for (const QString& file : places[k].incoming)
                copyInto(QDir(sources[int(k)]).filePath(file),
                         places[k].folder.filePath(RestoreNew + u'/' + file));
        }
    } catch (const Exception& e) {
        throw Exception(BackupText::restoreFailed(e.message()));
    }

    std::vector<std::pair<QString, QString>> moved; // done renames, to undo
    const auto putBack = [&] {
        for (auto it = moved.rbegin(); it != moved.rend(); ++it)
            ::rename(QFile::encodeName(it->second).constData(),
                     QFile::encodeName(it->first).constData());
        moved.clear();
    };
    const auto revert = [&] {
        // Undone in the opposite order: the restored files go back to the
        // staging folder, today's come back to their places.
        try {
            closeTables();
        } catch (...) {
        }
        putBack();
        openTables();
    };
    try {
        closeTables();
        for (Place& p : places) {
            if (!p.current.isEmpty())
                makeFolder(p.folder.filePath(RestoreOld));
            for (const QString& file : p.current) {
                const QString from = p.folder.filePath(file);
                const QString to = p.folder.filePath(RestoreOld + u'/' + file);
                rename(from, to);
                moved.emplace_back(from, to);
            }
            for (const QString& file : p.incoming) {
                const QString from = p.folder.filePath(RestoreNew + u'/' + file);
                const QString to = p.folder.filePath(file);
                rename(from, to);
                moved.emplace_back(from, to);
            }
        }
        openTables();
    } catch (const Exception& e) {
        revert();
        throw Exception(BackupText::restoreFailed(e.message()));
    } catch (...) {
        revert();
        throw;
    }
}
