#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// One backup of the data folder: a folder Backup/yyyy-MM-dd_HHmmss beside
// the table files, holding a consistent copy of every table file and, in
// Billeder/, the contacts' numbered pictures (hard links to them; when they
// are the same as in the backup before, Billeder is a link to that one's).
struct BackupInfo
{
    QString folder;
    QDateTime taken;
    qint64 contacts = -1; // -1 when the backup's contact table cannot be read
};

// Backups of a data folder and its pictures: taken, thinned out, checked and
// restored. Everything here throws Exception with a text for the user.
class DataBackup
{
public:
    static constexpr int LatestKept = 10;
    static constexpr int MonthsKept = 12;

    // Changes to the files named in unwatched (the configuration, written at
    // every close) are backed up but do not by themselves call for a backup.
    DataBackup(QString dataFolder, QString pictureFolder, QStringList unwatched = {});

    QString BackupRoot() const;

    // Copies every table file as it stands committed, all at one moment (under
    // one read transaction over the files), linking a file unchanged since the
    // newest backup to its copy there, and links or copies the numbered
    // pictures. A backup that fails half-way leaves nothing behind.
    // Returns the new backup's folder.
    QString Take(const QDateTime& now);
    // Takes a backup only when a table file changed since the newest one, and
    // thins the backups out after it. Returns the new folder, or nothing.
    QString TakeIfChanged(const QDateTime& now);

    // Newest first; without counting, each backup's contacts stay -1.
    std::vector<BackupInfo> List(bool countContacts = true) const;
    // Keeps the newest LatestKept backups and the newest of each of the last
    // MonthsKept months; removes the others.
    void Thin(const QDateTime& now);
    // Of backups taken at these times, the ones the thinning keeps.
    static std::vector<QDateTime> Kept(std::vector<QDateTime> taken, const QDateTime& now);

    // Throws when a backup lacks a table file the data folder has, or one of
    // its files is not a sound SQLite file with its table.
    void Check(const QString& backupFolder) const;

    // Puts a backup in place of today's data: checks it, backs today's data
    // up first, then, with the tables closed by closeTables, replaces the
    // table files and the numbered pictures, and reopens them by openTables.
    // When anything fails, today's files are put back and reopened, and the
    // error goes on.
    void Restore(const QString& backupFolder, const QDateTime& now,
                 const std::function<void()>& closeTables, const std::function<void()>& openTables);

private:
    QStringList tableFiles() const;
    QStringList pictureFiles(const QString& folder) const;
    static std::vector<std::pair<QString, quint64>> pictures(const QString& folder);
    QString pictureManifest() const;
    void takePictures(const QString& partial, const QString& newest) const;
    void handOverPictures(const QString& leaving, const std::vector<BackupInfo>& staying);
    // The size and time of a table file, empty for an unwatched one.
    QString fingerprintLine(const QString& name) const;
    QString fingerprint() const;

    QString m_dataFolder;
    QString m_pictureFolder;
    QStringList m_unwatched;
};
