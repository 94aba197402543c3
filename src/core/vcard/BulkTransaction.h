#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Connection;

// Many posts to several table files of one data folder made one unit: every
// file begins a transaction, and they commit together or roll back together.
// Cursors on the same files elsewhere in the program hear of the change once,
// when it is over, instead of at every post.
//
// The files commit one after the other in the order given; the rare failure
// of a later commit after an earlier one succeeded leaves the earlier files
// committed, so order them from the least harmful to keep alone (the record
// number counter first).
class BulkTransaction
{
public:
    BulkTransaction(const QString& dataFolder, const QStringList& tableFiles);
    ~BulkTransaction(); // rolls back unless committed
    BulkTransaction(const BulkTransaction&) = delete;
    BulkTransaction& operator=(const BulkTransaction&) = delete;

    void commit();

private:
    void finish(const char* sql);
    // Lets the connections tell their cursors again, and tells them once.
    void release();

    std::vector<std::shared_ptr<Connection>> m_connections;
    bool m_open = false;
};
