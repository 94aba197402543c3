#include "core/vcard/BulkTransaction.h"

#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/util/RestoreOnError.h"

#include <QScopeGuard>

BulkTransaction::BulkTransaction(const QString& dataFolder, const QStringList& tableFiles)
{
    auto undo = restoreOnError([this] { finish("ROLLBACK"); });
    for (const QString& file : tableFiles) {
        auto connection = Connection::open(DataFolder::resolve(dataFolder, file));
        // Taking the write lock at once: a file another program holds fails
        // here, before anything was posted.
        connection->exec(QStringLiteral("BEGIN IMMEDIATE"));
        m_connections.push_back(connection);
        connection->holdNotices();
        m_open = true;
    }
    undo.dismiss();
}

BulkTransaction::~BulkTransaction()
{
    // The cursors told of a rollback must not end the program from here:
    // what they throw has nobody to go to.
    try {
        finish("ROLLBACK");
    } catch (...) {
    }
}

void BulkTransaction::commit()
{
    finish("COMMIT");
}

void BulkTransaction::finish(const char* sql)
{
    if (!m_open) {
        release();
        return;
    }
    // Whatever happens, the other cursors are told once that the files changed.
    const auto tellAnyway = restoreOnError([this] { release(); });
    size_t done = 0;
    // A commit that failed on one file: what has not committed rolls back.
    auto rollBackTheRest = qScopeGuard([&] {
        for (size_t i = done; i < m_connections.size(); ++i)
            sqlite3_exec(m_connections[i]->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    });
    for (; done < m_connections.size(); ++done)
        m_connections[done]->exec(QString::fromLatin1(sql));
    rollBackTheRest.dismiss();
    release();
}

void BulkTransaction::release()
{
    const auto connections = std::move(m_connections);
    m_connections.clear();
    m_open = false;
    for (const auto& connection : connections)
        connection->releaseNotices();
    // What a cursor throws here reaches whoever committed.
    for (const auto& connection : connections)
        connection->noteChanged();
}
