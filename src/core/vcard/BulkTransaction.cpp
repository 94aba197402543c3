#include "core/vcard/BulkTransaction.h"

#include "core/store/Connection.h"
#include "core/store/DataFolder.h"

#include <QScopeGuard>

BulkTransaction::BulkTransaction(const QString& dataFolder, const QStringList& tableFiles)
{
    auto undo = qScopeGuard([this] { finish("ROLLBACK"); });
    for (const QString& file : tableFiles) {
        auto connection = Connection::open(DataFolder::resolve(dataFolder, file));
        // Taking the write lock at once: a file another program holds fails
        // here, before anything was posted.
        connection->exec(QStringLiteral("BEGIN IMMEDIATE"));
        m_connections.push_back(connection);
        m_quiet.push_back(std::make_unique<QSignalBlocker>(connection.get()));
        m_open = true;
    }
    undo.dismiss();
}

BulkTransaction::~BulkTransaction()
{
    finish("ROLLBACK");
}

void BulkTransaction::commit()
{
    finish("COMMIT");
}

void BulkTransaction::finish(const char* sql)
{
    const bool committing = qstrcmp(sql, "COMMIT") == 0;
    // Whatever happens, the other cursors are told once that the files changed.
    auto tell = qScopeGuard([this] {
        m_quiet.clear();
        for (auto& connection : m_connections)
            connection->noteChanged();
        m_connections.clear();
        m_open = false;
    });
    if (!m_open)
        return;
    size_t done = 0;
    try {
        for (; done < m_connections.size(); ++done)
            m_connections[done]->exec(QString::fromLatin1(sql));
    } catch (...) {
        // A commit that failed on one file: what has not committed rolls back.
        for (size_t i = done; i < m_connections.size(); ++i)
            sqlite3_exec(m_connections[i]->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        if (committing)
            throw;
    }
}
