// The filter expression parser on any text: a text it accepts becomes SQL
// that SQLite prepares, with one bound parameter for every value and none
// of the typed text in the statement; a text it refuses is an
// EDatabaseError, never a crash.
#include "FuzzCheck.h"

#include "core/store/DatabaseError.h"
#include "core/store/FilterExpression.h"

#include <sqlite3.h>

namespace {

// One in-memory database with every table, made once.
sqlite3* database()
{
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        FUZZ_CHECK(sqlite3_open(":memory:", &d) == SQLITE_OK);
        for (const TableDefinition* table : Schema::all())
            FUZZ_CHECK(sqlite3_exec(d, table->createTableStatement().toUtf8().constData(), nullptr,
                                    nullptr, nullptr) == SQLITE_OK);
        return d;
    }();
    return db;
}

void checkSql(const TableDefinition& table, const FilterExpression& filter)
{
    QVariantList params;
    const QString condition = filter.toSql(params);
    const QByteArray sql = QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                               .arg(Schema::quoted(table.name), condition)
                               .toUtf8();
    sqlite3_stmt* statement = nullptr;
    const int rc =
        sqlite3_prepare_v2(database(), sql.constData(), int(sql.size()), &statement, nullptr);
    if (rc != SQLITE_OK)
        std::fprintf(stderr, "%s\n%s\n", sqlite3_errmsg(database()), sql.constData());
    FUZZ_CHECK(rc == SQLITE_OK);
    FUZZ_CHECK(sqlite3_bind_parameter_count(statement) == params.size());
    sqlite3_finalize(statement);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto& tables = Schema::all();
    const TableDefinition& table = *tables[data[0] % tables.size()];
    const QString text = Fuzz::utf8(data + 1, size - 1);
    try {
        checkSql(table, FilterExpression::parse(text, table));
    } catch (const EDatabaseError&) {
    }
    return 0;
}
