#pragma once

#include "core/store/BulkSettings.h"
#include "core/store/Transaction.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class Connection;

// Many posts to several table files of one data folder made one unit: the
// folder's transaction, so that they are on disk together or not at all.
// Cursors on the same files elsewhere in the program hear of the change once,
// when it is over, instead of at every post. While it lasts, the folder's
// connection keeps the journals of the posts' savepoints in memory.
class BulkTransaction
{
public:
    BulkTransaction(const QString& dataFolder, const QStringList& tableFiles);
    ~BulkTransaction(); // rolls back unless committed
    BulkTransaction(const BulkTransaction&) = delete;
    BulkTransaction& operator=(const BulkTransaction&) = delete;

    void commit();

private:
    // Lets the connections tell their cursors again, and tells them once.
    void release();

    std::vector<std::shared_ptr<Connection>> m_connections;
    // Outlives the transaction: restored once it is over.
    std::optional<BulkSettings> m_settings;
    std::optional<Transaction> m_transaction;
};
