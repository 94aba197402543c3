#include "core/vcard/BulkTransaction.h"

#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/util/RestoreOnError.h"

BulkTransaction::BulkTransaction(const QString& dataFolder, const QStringList& tableFiles)
{
    auto undo = restoreOnError([this] { release(); });
    for (const QString& file : tableFiles) {
        // Opened before the transaction begins, so that every file is in it.
        auto connection = Connection::open(DataFolder::resolve(dataFolder, file));
        connection->holdNotices();
        m_connections.push_back(std::move(connection));
    }
    if (!m_connections.empty()) {
        m_settings.emplace(m_connections.front()->folder());
        m_transaction.emplace(*m_connections.front());
    }
    undo.dismiss();
}

BulkTransaction::~BulkTransaction()
{
    // The cursors told of a rollback must not end the program from here:
    // what they throw has nobody to go to.
    try {
        if (m_transaction)
            m_transaction->Rollback();
        m_settings.reset();
        release();
    } catch (...) {
    }
}

void BulkTransaction::commit()
{
    // Whatever happens, the other cursors are told once that the files changed.
    const auto tellAnyway = restoreOnError([this] { release(); });
    if (m_transaction)
        m_transaction->Commit();
    m_settings.reset();
    release();
}

void BulkTransaction::release()
{
    const auto connections = std::move(m_connections);
    m_connections.clear();
    for (const auto& connection : connections)
        connection->releaseNotices();
    // What a cursor throws here reaches whoever committed.
    for (const auto& connection : connections)
        connection->noteChanged();
}
