#include "core/store/Transaction.h"

#include "core/store/Connection.h"
#include "core/store/DatabaseError.h"
#include "core/store/FolderDatabase.h"
#include "core/store/Table.h"

#include <QScopeGuard>

Transaction::Transaction(TTable& table)
{
    const auto connection = table.FileConnection();
    if (!connection)
        throw EDatabaseError(
            QStringLiteral("Cannot begin a transaction on a closed dataset (%1)")
                .arg(table.objectName().isEmpty() ? table.TableName() : table.objectName()));
    m_folder = connection->folder();
    m_level = m_folder->begin();
}

Transaction::Transaction(const Connection& connection)
    : m_folder(connection.folder()), m_level(m_folder->begin())
{
}

Transaction::~Transaction()
{
    Rollback();
}

void Transaction::Commit()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("The transaction is over"));
    // Over once asked to commit: a failed commit is undone, not retried.
    const int level = std::exchange(m_level, 0);
    auto undo = qScopeGuard([&] { m_folder->rollback(level); });
    m_folder->commit(level);
    undo.dismiss();
}

void Transaction::Rollback()
{
    if (Active())
        m_folder->rollback(std::exchange(m_level, 0));
}
