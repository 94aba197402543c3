#pragma once

#include "TestSupport.h"
#include "core/store/Table.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <sqlite3.h>

// A table of the temporary data folder, opened.
std::unique_ptr<TTable> openTable(const QString& folder, const QString& file);

// The values of one field of every record, in the table's current order.
QStringList column(TTable& table, const QString& field);

// A connection of our own to a table file, independent of the record store.
class RawConnection
{
public:
    explicit RawConnection(const QString& path);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;
    // The first column of every row the query gives, as text.
    QStringList query(const QString& sql);
    int exec(const QString& sql);
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

QByteArray fileContents(const QString& path);
