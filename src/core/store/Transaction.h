#pragma once

#include <QString>

#include <memory>

class Connection;
class FolderDatabase;
class TTable;

// One transaction over the table files of a data folder: what the posts and
// deletes of any cursors on its files write from the start until Commit is
// on disk together or not at all, also across a crash. Without one, every
// post is a transaction of its own.
//
//     Transaction transaction(*dm.TelefonTable);
//     ... posts and deletes on TelefonTable, FamilieTable, RegTable ...
//     transaction.Commit(); // on disk, in every file, when it returns
//
// Leaving the scope without Commit (an exception, an early return) rolls
// back; every cursor of the folder then reads its records again. Scopes nest:
// an inner one is a savepoint that an outer rollback undoes as well, so a
// rule that makes its own transaction (a contact renamed with its family
// members) also runs inside a larger one (an import). Open the tables before
// the transaction begins; a file first opened within it joins it.
class Transaction
{
public:
    // A transaction over the data folder of an open table.
    explicit Transaction(TTable& table);
    // A transaction over the data folder of an open table file.
    explicit Transaction(const Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws EDatabaseError when the changes cannot be saved; they are then
    // undone, and the transaction is over.
    void Commit();
    void Rollback();
    bool Active() const { return m_level > 0; }

private:
    std::shared_ptr<FolderDatabase> m_folder;
    int m_level = 0;
};
