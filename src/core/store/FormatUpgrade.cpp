#include "core/store/FormatUpgrade.h"

#include "core/store/DataFolder.h"
#include "core/store/DatabaseError.h"
#include "core/store/FolderDatabase.h"
#include "core/store/Schema.h"
#include "core/store/SortKeys.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>

#include <sys/stat.h>

namespace FormatUpgrade {

namespace {

void copyBeside(const QString& path)
{
    const QString copy = copyOf(path);
    QFile::remove(copy); // left by an upgrade that failed: the file is as it was then
    if (!QFile::copy(path, copy))
        throw EDatabaseError(
            QStringLiteral("Table file %1 cannot be brought up to date: no copy of it can be made")
                .arg(path));
    ::chmod(QFile::encodeName(copy).constData(), S_IRUSR | S_IWUSR);
}

bool inEarlierFormat(const QString& path, const TableDefinition& table)
{
    try {
        auto db = FolderDatabase::open(path, false);
        return SortKeys::inspect(db->handle(), QStringLiteral("main"), table, path) ==
               SortKeys::State::EarlierFormat;
    } catch (const EDatabaseError&) {
        return false; // its own opening tells why it cannot be read
    }
}

} // namespace

QString copyOf(const QString& path)
{
    return path + QStringLiteral(".before-upgrade");
}

void upgradeFiles(const std::vector<File>& files)
{
    if (files.empty())
        return;
    QString current = files.front().path;
    try {
        auto db = FolderDatabase::open(current, false);
        QStringList schemas{QStringLiteral("main")};
        for (size_t i = 1; i < files.size(); ++i)
            schemas << db->attach(current = files[i].path);
        // Locked for writing before the copies are taken, so that no other
        // program changes a file between its copy and its upgrade.
        current.clear();
        db->exec(QStringLiteral("BEGIN IMMEDIATE"), files.front().path);
        auto rollback =
            qScopeGuard([&] { sqlite3_exec(db->handle(), "ROLLBACK", nullptr, nullptr, nullptr); });
        for (const File& f : files)
            copyBeside(current = f.path);
        for (size_t i = 0; i < files.size(); ++i)
            SortKeys::rebuild(db->handle(), schemas[int(i)], *files[i].table,
                              current = files[i].path);
        current.clear();
        db->exec(QStringLiteral("COMMIT"), files.front().path);
        rollback.dismiss();
    } catch (const EDatabaseError& e) {
        const QString named = current.isEmpty() ? files.front().path : current;
        throw EDatabaseError(QStringLiteral("Table file %1 cannot be brought up to date: %2")
                                 .arg(named, e.message()));
    }
    for (const File& f : files)
        QFile::remove(copyOf(f.path));
}

void upgradeFolder(const QString& folder)
{
    static QSet<QString> done;
    if (done.contains(folder))
        return;
    done << folder;
    std::vector<File> files;
    for (const TableDefinition* table : Schema::all()) {
        if (table->sortedFields().empty())
            continue;
        QString path;
        try {
            path = QFileInfo(DataFolder::resolve(folder, table->fileName)).canonicalFilePath();
        } catch (const EDatabaseError&) {
            return; // no such folder
        }
        if (!path.isEmpty() && inEarlierFormat(path, *table))
            files.push_back({path, table});
    }
    try {
        upgradeFiles(files);
    } catch (const EDatabaseError&) {
        // Each file tries again on its own when it is opened, and says why.
    }
}

} // namespace FormatUpgrade
