#pragma once

#include <QString>

#include <memory>
#include <vector>

class FolderDatabase;

// The folder's connection set up for one large transaction (an import, a
// made-up book): the journal of every savepoint within it kept in memory,
// not in a temporary file, and room in the cache for every page it writes,
// so that the pages are written once, at the commit. The settings the
// connection had are restored when this goes.
class BulkSettings
{
public:
    // Set up before the transaction begins: SQLite keeps the place of its
    // temporary files while one is open.
    explicit BulkSettings(std::shared_ptr<FolderDatabase> folder);
    ~BulkSettings();
    BulkSettings(const BulkSettings&) = delete;
    BulkSettings& operator=(const BulkSettings&) = delete;

private:
    std::shared_ptr<FolderDatabase> m_folder;
    // What was changed and what it was: a pragma and its earlier value.
    std::vector<std::pair<QByteArray, qint64>> m_restore;
};
