#include "StoreTestHelpers.h"

#include "core/store/Connection.h"

#include <QFile>

std::unique_ptr<TTable> openTable(const QString& folder, const QString& file)
{
    auto table = std::make_unique<TTable>(nullptr, file);
    table->SetDatabaseName(folder);
    table->SetTableName(file);
    table->Open();
    return table;
}

QStringList column(TTable& table, const QString& field)
{
    QStringList values;
    const TBookmark mark = table.GetBookmark();
    table.DisableControls();
    for (table.First(); !table.Eof(); table.Next())
        values << table.FieldByName(field).AsString();
    if (mark)
        table.GotoBookmark(mark);
    table.EnableControls();
    return values;
}

RawConnection::RawConnection(const QString& path)
{
    // A plain connection, as any other SQLite program has it: no functions
    // or collations of the program's own.
    sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
}

RawConnection::~RawConnection()
{
    sqlite3_close_v2(m_db);
}

QStringList RawConnection::query(const QString& sql)
{
    QStringList rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return {QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db))};
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        rows << (text ? QString::fromUtf8(text) : QString());
    }
    sqlite3_finalize(stmt);
    return rows;
}

int RawConnection::exec(const QString& sql)
{
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

QByteArray fileContents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
