#include "core/store/Schema.h"

#include <algorithm>

using Schema::quoted;

namespace {

FieldDefinition text(const char* name, int size = 0)
{
    return {QString::fromLatin1(name), FieldType::Text, size};
}
FieldDefinition integer(const char* name)
{
    return {QString::fromLatin1(name), FieldType::Integer, 0};
}
FieldDefinition date(const char* name)
{
    return {QString::fromLatin1(name), FieldType::Date, 0};
}
FieldDefinition memo(const char* name)
{
    return {QString::fromLatin1(name), FieldType::Memo, 0};
}

IndexField key(const char* field, Collation c = Collation::Binary)
{
    return {QString::fromLatin1(field), c};
}

constexpr auto Da = Collation::Danish;

TableDefinition makeTelefon()
{
    TableDefinition t;
    t.name = QStringLiteral("Telefon");
    t.fileName = QStringLiteral("Telefon.DB");
    t.fields = {
        text("Navn"),        text("Telefon"),    text("Adresse1"),      text("Adresse2"),
        text("Postnr", 10),  text("Bynavn"),     text("Land"),          text("Mobil"),
        text("AltTelefon"),  text("Fax"),        text("EMail"),         text("Hjemmeside"),
        memo("Notater"),     date("Fodselsdag"), text("Dg", 2),         text("Md", 2),
        integer("Reminder"), text("FKort", 3),   text("JKort", 3),      text("Nogleord"),
        integer("Regnr"),    text("Billede"),    text("FKortDato"),     text("Lokal"),
        text("ArbFirma"),    text("Stilling"),   text("ArbAdresse"),    text("ArbPostnr", 10),
        text("ArbBy"),       text("ArbTfl"),     text("ArbLokal"),      text("ArbAltNr"),
        text("ArbFax"),      text("ArbMail"),    text("ArbHjemmeside"), memo("ArbNotat")};
    t.primaryKey = {QStringLiteral("Navn"), QStringLiteral("Telefon")};
    t.indexes = {{QString(), {key("Navn", Da), key("Telefon", Da)}},
                 {QStringLiteral("IndexTelefon"), {key("Telefon"), key("Navn", Da)}},
                 {QStringLiteral("IndexFodsel"),
                  {key("Md"), key("Dg"), key("Navn", Da), key("Telefon", Da)}}};
    // The birthday reminders at every start read the contacts marked for a
    // birthday card, a quarter of the book at most, and not the whole file.
    t.coveringIndexes = {
        {QStringLiteral("Reminders"),
         {QStringLiteral("Reminder"), QStringLiteral("Fodselsdag"), QStringLiteral("Navn"),
          QStringLiteral("Telefon"), QStringLiteral("FKort")},
         QStringLiteral("\"FKort\" = 'Ja'")}};
    return t;
}

TableDefinition makeFamilie()
{
    TableDefinition t;
    t.name = QStringLiteral("Familie");
    t.fileName = QStringLiteral("Familie.db");
    t.fields = {text("Navn"),       text("Telefon"),    text("FamNavn"),
                text("FamTelefon"), date("Fodselsdag"), text("Relation"),
                memo("Notater"),    text("Dg", 2),      text("Md", 2)};
    t.primaryKey = {QStringLiteral("Navn"), QStringLiteral("Telefon"), QStringLiteral("FamNavn")};
    t.indexes = {{QString(), {key("Navn", Da), key("Telefon", Da), key("FamNavn", Da)}},
                 {QStringLiteral("IndexFodsel"),
                  {key("Md"), key("Dg"), key("FamNavn", Da), key("Navn", Da)}}};
    return t;
}

TableDefinition makePostnr()
{
    TableDefinition t;
    t.name = QStringLiteral("Postnr");
    t.fileName = QStringLiteral("Postnr.DB");
    t.fields = {text("Postnr", 10), text("Bynavn")};
    t.primaryKey = {QStringLiteral("Postnr")};
    t.indexes = {
        {QString(), {key("Postnr")}},
        {QStringLiteral("IndexBy"), {key("Bynavn", Collation::DanishNoCase), key("Postnr")}}};
    return t;
}

TableDefinition makeNogleord()
{
    TableDefinition t;
    t.name = QStringLiteral("Nogleord");
    t.fileName = QStringLiteral("Nogleord.DB");
    t.fields = {text("Nogleord")};
    t.primaryKey = {QStringLiteral("Nogleord")};
    t.indexes = {{QString(), {key("Nogleord", Da)}}};
    return t;
}

TableDefinition makeRegnr()
{
    TableDefinition t;
    t.name = QStringLiteral("Regnr");
    t.fileName = QStringLiteral("Regnr.DB");
    t.fields = {integer("Regnr")};
    t.primaryKey = {QStringLiteral("Regnr")};
    t.indexes = {{QString(), {key("Regnr")}}};
    return t;
}

TableDefinition makeConfig()
{
    TableDefinition t;
    t.name = QStringLiteral("Config");
    t.fileName = QStringLiteral("Config.DB");
    t.fields = {integer("Sprog"), text("Datapost"), integer("H_Main"), integer("W_Main")};
    t.indexes = {{QString(), {}}}; // no key: records in the order they were written
    return t;
}

QString sqlType(FieldType t)
{
    switch (t) {
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Date:
        return QStringLiteral("DATE");
    case FieldType::Memo:
        return QStringLiteral("CLOB");
    case FieldType::Text:
        break;
    }
    return QStringLiteral("TEXT");
}

} // namespace

QString Schema::quoted(const QString& identifier)
{
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

int TableDefinition::fieldIndex(const QString& fieldName) const
{
    // Nearly every caller writes the name as defined; that is found without
    // folding the case of every name before it. Controls ask at every move.
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == fieldName)
            return int(i);
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const IndexDefinition* TableDefinition::index(const QString& indexName) const
{
    for (const auto& idx : indexes)
        if (idx.name.compare(indexName, Qt::CaseInsensitive) == 0)
            return &idx;
    return nullptr;
}

std::vector<IndexField> TableDefinition::sortedFields() const
{
    std::vector<IndexField> sorted;
    for (const auto& f : fields)
        for (const auto& idx : indexes)
            for (const auto& k : idx.fields)
                if (k.collation != Collation::Binary && k.field == f.name &&
                    std::none_of(sorted.begin(), sorted.end(),
                                 [&](const IndexField& s) { return s.field == f.name; }))
                    sorted.push_back(k);
    return sorted;
}

QString TableDefinition::sortPendingCondition() const
{
    QStringList terms;
    for (const auto& f : sortedFields())
        terms << QStringLiteral("%1 IS NOT %2")
                     .arg(quoted(Schema::sortSourceColumn(f.field)), quoted(f.field));
    return terms.join(QStringLiteral(" OR "));
}

QString TableDefinition::createTableStatement(const QString& schema) const
{
    QStringList columns;
    for (const auto& f : fields) {
        QString col = quoted(f.name) + u' ' + sqlType(f.type);
        // Key columns never hold NULL: NULLs are distinct in SQLite and would let
        // two contacts with the same name and no phone number both be stored.
        if (primaryKey.contains(f.name))
            col += f.type == FieldType::Integer ? QStringLiteral(" NOT NULL")
                                                : QStringLiteral(" NOT NULL DEFAULT ''");
        columns << col;
    }
    for (const auto& f : sortedFields())
        columns << quoted(Schema::sortKeyColumn(f.field)) + QStringLiteral(" BLOB")
                << quoted(Schema::sortSourceColumn(f.field)) + QStringLiteral(" TEXT");
    // The key compares exactly, byte by byte: two names that only differ in
    // letter case are two contacts.
    if (!primaryKey.isEmpty()) {
        QStringList keys;
        for (const auto& k : primaryKey)
            keys << quoted(k);
        columns << QStringLiteral("PRIMARY KEY (%1)").arg(keys.join(u", "));
    }
    return QStringLiteral("CREATE TABLE %1.%2 (%3)")
        .arg(quoted(schema), quoted(name), columns.join(u", "));
}

std::vector<StoredIndex> TableDefinition::storedIndexes() const
{
    std::vector<StoredIndex> stored;
    const auto add = [&](const QString& suffix, const QString& columns, const QString& tail,
                         bool coversOneQuery = false) {
        const QString index = name + u'_' + suffix;
        stored.push_back({index,
                          QStringLiteral("CREATE INDEX %1 ON %2 (%3)%4")
                              .arg(quoted(index), quoted(name), columns, tail),
                          coversOneQuery});
    };
    for (const auto& idx : indexes)
        if (!idx.fields.empty())
            add(idx.name.isEmpty() ? QStringLiteral("Order") : idx.name,
                Schema::orderColumns(idx.fields).join(u", "), QString());
    for (const auto& covering : coveringIndexes) {
        QStringList columns;
        for (const QString& column : covering.columns)
            columns << quoted(column);
        add(covering.name, columns.join(u", "), QStringLiteral(" WHERE ") + covering.condition,
            true);
    }
    // Nearly always empty: it lets the program find the rows another program
    // wrote without reading the table.
    const auto sorted = sortedFields();
    if (!sorted.empty())
        add(QStringLiteral("SortPending"), quoted(sorted[0].field),
            QStringLiteral(" WHERE ") + sortPendingCondition());
    return stored;
}

QString StoredIndex::createIn(const QString& schema) const
{
    return QString(definition)
        .replace(0, int(qstrlen("CREATE INDEX ")),
                 QStringLiteral("CREATE INDEX IF NOT EXISTS %1.").arg(quoted(schema)));
}

namespace Schema {

const TableDefinition& telefon()
{
    static const TableDefinition t = makeTelefon();
    return t;
}
const TableDefinition& familie()
{
    static const TableDefinition t = makeFamilie();
    return t;
}
const TableDefinition& postnr()
{
    static const TableDefinition t = makePostnr();
    return t;
}
const TableDefinition& nogleord()
{
    static const TableDefinition t = makeNogleord();
    return t;
}
const TableDefinition& regnr()
{
    static const TableDefinition t = makeRegnr();
    return t;
}
const TableDefinition& config()
{
    static const TableDefinition t = makeConfig();
    return t;
}

const std::vector<const TableDefinition*>& all()
{
    static const std::vector<const TableDefinition*> list = {&telefon(),  &familie(), &postnr(),
                                                             &nogleord(), &regnr(),   &config()};
    return list;
}

const TableDefinition* forFile(const QString& fileName)
{
    for (const auto* t : all())
        if (t->fileName.compare(fileName, Qt::CaseInsensitive) == 0)
            return t;
    return nullptr;
}

QString orderColumn(const IndexField& f)
{
    return quoted(f.collation == Collation::Binary ? f.field : sortKeyColumn(f.field));
}

QStringList orderColumns(const std::vector<IndexField>& fields)
{
    QStringList columns;
    for (const auto& f : fields)
        columns << orderColumn(f);
    for (const auto& f : fields)
        if (f.collation != Collation::Binary)
            columns << quoted(f.field);
    return columns;
}

QString sortKeyColumn(const QString& field)
{
    return field + QStringLiteral("_Sort");
}

QString sortSourceColumn(const QString& field)
{
    return field + QStringLiteral("_SortSource");
}

} // namespace Schema
