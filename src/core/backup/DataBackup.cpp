#include "core/backup/DataBackup.h"

#include "core/backup/BackupTexts.h"
#include "core/util/Exception.h"
#include "core/util/RestoreOnError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <set>
#include <sqlite3.h>
#include <strings.h>
#include <unistd.h>
#include <utility>

namespace {

const QString NameFormat = QStringLiteral("yyyy-MM-dd_HHmmss");
const QString PictureSubfolder = QStringLiteral("Billeder");
// What the table files were when the backup was taken: tells whether a
// later backup would hold anything new.
const QString SourceFile = QStringLiteral("source.txt");
// The numbered pictures when the backup was taken, by name and inode.
const QString PicturesFile = QStringLiteral("pictures.txt");
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
    explicit Snapshot(const QStringList& paths) : m_paths(paths)
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

    // While the shared locks are held no writer can change a file, and the
    // first read rolled back a journal that a crashed writer left, so the
    // file's bytes are a committed state: copied as fast as the file system
    // copies. The online backup API gives the same copy page by page through
    // the page cache, at several times the time of a plain copy.
    void copy(int index, const QString& target) const
    {
        std::error_code error;
        std::filesystem::copy_file(QFile::encodeName(m_paths[index]).toStdString(),
                                   QFile::encodeName(target).toStdString(), error);
        if (error)
            throw Exception(
                BackupText::cannotCopy(m_paths[index], QString::fromStdString(error.message())));
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

    QStringList m_paths;
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

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeText(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        throw Exception(BackupText::cannotCreate(path, file.errorString()));
    file.close();
    file.setPermissions(UserOnlyFile);
}

// The backup whose picture folder a backup shares, when its Billeder is a
// link "../<backup>/Billeder"; else empty.
QString sharedOwner(const QString& backupFolder)
{
    char target[4096];
    const QByteArray link = QFile::encodeName(QDir(backupFolder).filePath(PictureSubfolder));
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n <= 0)
        return {};
    const QStringList parts = QFile::decodeName(QByteArray(target, int(n))).split(u'/');
    if (parts.size() != 3 || parts[0] != QLatin1String("..") || parts[2] != PictureSubfolder)
        return {};
    return parts[1];
}

// Points a backup's Billeder at another backup's picture folder; a link made
// beside it and renamed over it, so that the backup is never without one.
bool pointPicturesAt(const QString& backupFolder, const QString& owner)
{
    const QByteArray target =
        QFile::encodeName(QStringLiteral("../") + owner + u'/' + PictureSubfolder);
    const QByteArray link = QFile::encodeName(QDir(backupFolder).filePath(PictureSubfolder));
    const QByteArray fresh = link + ".new";
    ::unlink(fresh.constData());
    return ::symlink(target.constData(), fresh.constData()) == 0 &&
           ::rename(fresh.constData(), link.constData()) == 0;
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
    QStringList files;
    for (const auto& [name, inode] : pictures(folder))
        files << name;
    return files;
}

// Read from the folder itself, with no look at each file: at a close with
// thousands of pictures this is the whole cost of finding them unchanged.
std::vector<std::pair<QString, quint64>> DataBackup::pictures(const QString& folder)
{
    // A number and ".jpg" in any case: the pictures the program names after
    // its contacts, not the placeholder nor a file of the user's.
    const auto numbered = [](const char* name) {
        const size_t length = std::strlen(name);
        if (length < 5 || strcasecmp(name + length - 4, ".jpg") != 0)
            return false;
        return std::all_of(name, name + length - 4, [](char c) { return c >= '0' && c <= '9'; });
    };
    std::vector<std::pair<QString, quint64>> found;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir))
        if ((entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN) && numbered(entry->d_name))
            found.emplace_back(QString::fromLatin1(entry->d_name), quint64(entry->d_ino));
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

// Pictures are replaced by a new file, never written into (the backups hold
// links to them), so a picture with the name and inode it had is unchanged.
QString DataBackup::pictureManifest() const
{
    QString text;
    for (const auto& [name, inode] : pictures(m_pictureFolder))
        text += name + u' ' + QString::number(inode) + u'\n';
    return text;
}

QString DataBackup::fingerprintLine(const QString& name) const
{
    if (m_unwatched.contains(name, Qt::CaseInsensitive))
        return {};
    const QFileInfo info(QDir(m_dataFolder).filePath(name));
    return QStringLiteral("%1 %2 %3")
        .arg(name)
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

QString DataBackup::fingerprint() const
{
    QString text;
    for (const QString& name : tableFiles())
        if (const QString line = fingerprintLine(name); !line.isEmpty())
            text += line + u'\n';
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

    // A table file unchanged since the newest backup is linked to its copy
    // there: backups are never written to, so the link costs nothing.
    QString newest;
    QStringList newestSource;
    if (const auto backups = List(false); !backups.empty()) {
        newest = backups.front().folder;
        newestSource = readText(QDir(newest).filePath(SourceFile)).split(u'\n', Qt::SkipEmptyParts);
    }
    const QStringList files = tableFiles();
    QStringList paths;
    for (const QString& file : files)
        paths << QDir(m_dataFolder).filePath(file);
    QString source;
    {
        const Snapshot snapshot(paths);
        source = fingerprint();
        for (int i = 0; i < files.size(); ++i) {
            const QString target = QDir(partial).filePath(files[i]);
            const QString line = fingerprintLine(files[i]);
            if (!line.isEmpty() && newestSource.contains(line) &&
                ::link(QFile::encodeName(QDir(newest).filePath(files[i])).constData(),
                       QFile::encodeName(target).constData()) == 0)
                continue;
            snapshot.copy(i, target);
            QFile::setPermissions(target, UserOnlyFile);
        }
    }
    takePictures(partial, newest);
    writeText(QDir(partial).filePath(SourceFile), source);

    const QString done = QDir(root).filePath(name);
    rename(partial, done);
    undo.dismiss();
    return done;
}

// The numbered pictures go with every backup, as links to them; when they
// are the same as in the newest backup, its picture folder is shared, which
// costs one link instead of one a picture.
void DataBackup::takePictures(const QString& partial, const QString& newest) const
{
    const QString manifest = pictureManifest();
    if (!manifest.isEmpty()) {
        QString owner;
        if (!newest.isEmpty() && readText(QDir(newest).filePath(PicturesFile)) == manifest) {
            owner = sharedOwner(newest);
            if (owner.isEmpty() && QFileInfo(QDir(newest).filePath(PictureSubfolder)).isDir())
                owner = QFileInfo(newest).fileName();
        }
        if (owner.isEmpty() || !pointPicturesAt(partial, owner)) {
            const QString target = QDir(partial).filePath(PictureSubfolder);
            makeFolder(target);
            for (const QString& picture : pictureFiles(m_pictureFolder))
                linkOrCopy(QDir(m_pictureFolder).filePath(picture), QDir(target).filePath(picture));
        }
    }
    writeText(QDir(partial).filePath(PicturesFile), manifest);
}

QString DataBackup::TakeIfChanged(const QDateTime& now)
{
    const auto backups = List(false);
    if (!backups.empty()) {
        const QDir last(backups.front().folder);
        if (readText(last.filePath(SourceFile)) == fingerprint() &&
            readText(last.filePath(PicturesFile)) == pictureManifest())
            return {};
    }
    const QString taken = Take(now);
    Thin(now);
    return taken;
}

std::vector<BackupInfo> DataBackup::List(bool countContacts) const
{
    std::vector<BackupInfo> backups;
    const QDir root(BackupRoot());
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDateTime taken = QDateTime::fromString(name.left(NameFormat.size()), NameFormat);
        if (!taken.isValid())
            continue; // a partial backup, or a folder of the user's
        backups.push_back(
            {root.filePath(name), taken, countContacts ? contactsIn(root.filePath(name)) : -1});
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
    const auto backups = List(false);
    std::vector<QDateTime> taken;
    for (const auto& b : backups)
        taken.push_back(b.taken);
    const auto kept = Kept(taken, now);
    std::vector<BackupInfo> staying, leaving;
    for (const auto& b : backups)
        (std::find(kept.begin(), kept.end(), b.taken) != kept.end() ? staying : leaving)
            .push_back(b);
    for (const auto& b : leaving) {
        handOverPictures(b.folder, staying);
        removeFolder(b.folder);
    }
}

// A backup that goes may hold the picture folder that later ones share: it
// moves to the oldest of them that stays, and the others point there.
void DataBackup::handOverPictures(const QString& leaving, const std::vector<BackupInfo>& staying)
{
    const QString own = QDir(leaving).filePath(PictureSubfolder);
    const QFileInfo info(own);
    if (!info.isDir() || info.isSymLink())
        return;
    const QString name = QFileInfo(leaving).fileName();
    QStringList sharing;
    for (auto it = staying.rbegin(); it != staying.rend(); ++it)
        if (sharedOwner(it->folder) == name)
            sharing << it->folder;
    if (sharing.isEmpty())
        return;
    const QString heir = sharing.takeFirst();
    for (const QString& other : sharing)
        if (!pointPicturesAt(other, QFileInfo(heir).fileName()))
            throw Exception(BackupText::cannotCopy(own, QString::fromLocal8Bit(strerror(errno))));
    const QString place = QDir(heir).filePath(PictureSubfolder);
    ::unlink(QFile::encodeName(place).constData());
    rename(own, place);
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
