#pragma once

#include <QList>
#include <QString>

// A disk that fills up or breaks on demand: an SQLite file system of the
// tests' own, put over the default one for its lifetime, so that every
// connection opened meanwhile writes through it. Until armed it passes
// everything on; once armed, writes go through until the given number of
// bytes is used up. After that a full disk refuses every write that would
// make a file longer (SQLITE_FULL), and a broken one every write, sync and
// truncation (SQLITE_IOERR_WRITE, ...), until healed.
class FaultyDisk
{
public:
    enum class Failure
    {
        Full,   // SQLITE_FULL
        IoError // SQLITE_IOERR_WRITE
    };

    FaultyDisk();
    ~FaultyDisk();
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    // Lets `bytes` more bytes be written, then fails.
    void failAfter(qint64 bytes, Failure failure = Failure::Full);
    // Writes go through again.
    void heal();
    // Whether a write was refused since the disk was armed.
    bool refused() const;

    // The files SQLite opened for creating (table files, journals), with
    // their permission bits just after the opening.
    struct MadeFile
    {
        QString path;
        int mode;
    };
    QList<MadeFile> madeFiles() const;
};
