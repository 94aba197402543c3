#include "core/store/Table.h"

#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/store/DataLink.h"
#include "core/store/DataSource.h"
#include "core/store/SortKeys.h"
#include "core/store/Transaction.h"
#include "core/util/RestoreOnError.h"
#include "core/util/TellEach.h"

#include <QDate>
#include <QScopeGuard>

#include <algorithm>
#include <exception>

namespace {

using Schema::quoted;

} // namespace

// A detail table follows its master's moves through a link of its own, so
// that a detail record that cannot be saved when the master moves stops the
// move with its error.
class TTable::MasterLink : public TDataLink
{
public:
    explicit MasterLink(TTable& detail) : m_detail(detail) {}

protected:
    void DataChange(TField* field) override { m_detail.onMasterChange(field); }
    // The owner may destroy the master source before this table.
    void SourceDestroyed() override { m_detail.m_masterSource = nullptr; }

private:
    TTable& m_detail;
};

// Another cursor on the same file wrote: called directly, like the links.
class TTable::FileWatch : public ConnectionWatcher
{
public:
    explicit FileWatch(TTable& table) : m_table(table) {}
    void ConnectionChanged() override { m_table.onConnectionChanged(); }

private:
    TTable& m_table;
};

TTable::TTable(QObject* owner, const QString& name)
    : QObject(owner), m_view([this](QVariantList& params) { return whereClause(params); })
{
    setObjectName(name);
}

TTable::~TTable()
{
    if (m_connection)
        m_connection->unwatch(m_fileWatch.get());
    for (auto* source : m_sources)
        source->m_dataSet = nullptr;
}

// --- configuration ------------------------------------------------------------

void TTable::SetMasterSource(TDataSource* master)
{
    if (m_masterSource == master)
        return;
    if (!m_masterLink)
        m_masterLink = std::make_unique<MasterLink>(*this);
    m_masterSource = master;
    m_masterLink->LinkTo(master);
}

void TTable::SetMasterFields(const QString& fields)
{
    m_masterFields = fields.split(u';', Qt::SkipEmptyParts);
}

void TTable::SetIndexFieldNames(const QString& fields)
{
    m_indexFieldNames = fields.split(u';', Qt::SkipEmptyParts);
}

// --- opening ------------------------------------------------------------------

void TTable::Open()
{
    if (Active())
        return;
    if (!m_definition)
        m_definition = Schema::forFile(m_tableName);
    if (!m_definition)
        throw EDatabaseError(QStringLiteral("No table is known by the name %1").arg(m_tableName));

    const QString path = DataFolder::resolve(m_databaseName, m_tableName);
    auto connection = Connection::open(path, m_definition);

    // The file must hold the table with every field the program uses.
    try {
        m_view.open(*connection, *m_definition);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(
            QStringLiteral("Table file %1 does not hold the table %2 as expected: %3")
                .arg(connection->path(), m_definition->name, e.message()));
    }

    m_connection = std::move(connection);
    m_fields.clear();
    for (size_t i = 0; i < m_definition->fields.size(); ++i)
        m_fields.push_back(std::make_unique<TField>(this, int(i)));
    m_buffer.assign(m_fields.size(), QVariant());
    if (!m_fileWatch)
        m_fileWatch = std::make_unique<FileWatch>(*this);
    m_connection->watch(m_fileWatch.get());

    if (!m_indexFieldNames.isEmpty()) {
        std::vector<IndexField> order;
        for (const auto& name : m_indexFieldNames)
            for (const auto& f : m_definition->indexes.front().fields)
                if (f.field.compare(name, Qt::CaseInsensitive) == 0)
                    order.push_back(f);
        // The rest of the primary order keeps records with equal link fields stable.
        for (const auto& f : m_definition->indexes.front().fields)
            if (!m_indexFieldNames.contains(f.field, Qt::CaseInsensitive))
                order.push_back(f);
        m_view.setOrder(order);
    } else {
        m_view.setOrder(m_definition->index(m_indexName) ? m_definition->index(m_indexName)->fields
                                                         : m_definition->indexes.front().fields);
    }
    m_masterValues = currentMasterValues();
    if (m_masterSource)
        m_masterValues << masterHasRecord();
    m_state = DataSetState::Browse;
    m_modified = false;
    m_view.rebuild();
    if (m_view.ensureRow(0))
        loadAt(0);
    else
        setEmpty();
    m_bof = true;
    notifyState();
    notifyDataChange(nullptr);
    if (AfterOpen)
        AfterOpen(*this);
}

void TTable::Close()
{
    if (!Active())
        return;
    m_state = DataSetState::Inactive;
    m_view.close();
    m_insertRow.reset();
    m_updateRow.reset();
    m_deleteRow.reset();
    if (m_connection)
        m_connection->unwatch(m_fileWatch.get());
    m_connection.reset();
    m_rowid = -1;
    m_recNo = -1;
    m_eof = m_bof = true;
    notifyState();
    notifyDataChange(nullptr);
    notifyViewChanged();
}

void TTable::requireActive() const
{
    if (!Active())
        throw EDatabaseError(
            QStringLiteral("Cannot perform this operation on a closed dataset (%1)")
                .arg(objectName().isEmpty() ? m_tableName : objectName()));
}

void TTable::requireEditing() const
{
    requireActive();
    if (!IsEditing())
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
}

// --- fields -------------------------------------------------------------------

TField* TTable::FindField(const QString& name)
{
    if (!m_definition)
        return nullptr;
    const int i = m_definition->fieldIndex(name);
    if (i < 0 || size_t(i) >= m_fields.size())
        return nullptr;
    return m_fields[size_t(i)].get();
}

TField& TTable::FieldByName(const QString& name)
{
    requireActive();
    if (TField* f = FindField(name))
        return *f;
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

void TTable::SetBufferValue(int field, const QVariant& value)
{
    requireEditing();
    m_buffer.at(size_t(field)) = value;
    m_modified = true;
    notifyDataChange(m_fields.at(size_t(field)).get());
}

QString TTable::DisplayText(FieldType type, const QVariant& stored)
{
    if (stored.isNull())
        return QString();
    if (type == FieldType::Date) {
        const QDate d = QDate::fromString(stored.toString(), Qt::ISODate);
        return d.isValid() ? d.toString(QStringLiteral("dd-MM-yyyy")) : stored.toString();
    }
    return stored.toString();
}

// --- the filter and the link -------------------------------------------------

QVariantList TTable::currentMasterValues() const
{
    QVariantList values;
    if (!m_masterSource || m_masterFields.isEmpty())
        return values;
    TTable* master = m_masterSource->DataSet();
    for (const auto& name : m_masterFields) {
        TField* f = master && master->Active() ? master->FindField(name) : nullptr;
        values << (f ? QVariant(f->AsString()) : QVariant(QString()));
    }
    return values;
}

bool TTable::masterHasRecord() const
{
    const TTable* master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    return master && master->Active() &&
           (master->m_rowid >= 0 || master->State() == DataSetState::Insert);
}

QString TTable::whereClause(QVariantList& params) const
{
    QStringList parts;
    if (m_filtered && !m_filter.isEmpty())
        parts << m_filter.toSql(params);
    if (m_masterSource && !m_masterFields.isEmpty()) {
        if (!masterHasRecord()) {
            parts << QStringLiteral("0"); // no master record: no detail records
        } else {
            // A plain comparison where the value is not empty, so that the
            // link is a look-up in the file's key and not a pass over it.
            // A key field is never null, so an empty value (a contact being
            // inserted) is a look-up too, not a pass over every record.
            for (int i = 0; i < m_masterFields.size() && i < m_masterValues.size(); ++i) {
                const QVariant& value = m_masterValues[i];
                const bool empty = value.isNull() || value.toString().isEmpty();
                const bool key = m_definition && m_definition->primaryKey.contains(
                                                     m_masterFields[i], Qt::CaseInsensitive);
                if (empty && key) {
                    parts << QStringLiteral("%1 = ''").arg(quoted(m_masterFields[i]));
                    continue;
                }
                parts << (empty ? QStringLiteral("ifnull(%1,'') = ?") : QStringLiteral("%1 = ?"))
                             .arg(quoted(m_masterFields[i]));
                params << value;
            }
        }
    }
    return parts.isEmpty() ? QStringLiteral("1") : parts.join(QStringLiteral(" AND "));
}

void TTable::invalidateView()
{
    m_view.invalidate();
    if (m_rowid >= 0)
        m_recNo = PositionUnknown;
}

// --- the current record -------------------------------------------------------

QVariant TTable::BufferValue(int field) const
{
    if (m_bufferPartial &&
        std::find(m_partialFields.begin(), m_partialFields.end(), field) == m_partialFields.end())
        completeBuffer();
    return m_buffer.at(size_t(field));
}

void TTable::completeBuffer() const
{
    if (!m_bufferPartial)
        return;
    m_buffer = m_view.readRow(m_rowid);
    m_bufferPartial = false;
}

void TTable::loadRowid(qint64 rowid)
{
    m_buffer = m_view.readRow(rowid);
    m_bufferPartial = false;
    m_rowid = rowid;
    m_modified = false;
}

void TTable::loadAt(int index)
{
    m_recNo = index;
    m_fallbackIndex = index;
    m_eof = m_bof = false;
    if (!m_view.scanSitsOn(index)) {
        loadRowid(m_view.rowidAt(index));
        return;
    }
    // The scan sits on this record: its order fields are at hand.
    m_buffer.assign(m_fields.size(), QVariant());
    m_partialFields = m_view.scanFields();
    for (size_t k = 0; k < m_partialFields.size(); ++k)
        m_buffer[size_t(m_partialFields[k])] = m_view.scanValue(k);
    m_bufferPartial = true;
    m_rowid = m_view.rowidAt(index);
    m_modified = false;
}

// The last record of the view becomes current, or none when it is empty.
void TTable::loadLast()
{
    const int last = m_view.lastIndex();
    if (last >= 0)
        loadAt(last);
    else
        setEmpty();
}

void TTable::clearBuffer()
{
    m_buffer.assign(m_fields.size(), QVariant());
    m_bufferPartial = false;
}

void TTable::setEmpty()
{
    m_recNo = -1;
    m_rowid = -1;
    clearBuffer();
    m_eof = m_bof = true;
}

bool TTable::moveToRowid(qint64 rowid)
{
    if (rowid < 0 || !m_view.passes(rowid))
        return false;
    positionOn(rowid);
    return true;
}

// Makes a record of the view current without stepping the view to it.
void TTable::positionOn(qint64 rowid)
{
    loadRowid(rowid);
    m_recNo = PositionUnknown;
    m_eof = m_bof = false;
}

int TTable::resolvedIndex()
{
    if (m_recNo != PositionUnknown)
        return m_recNo;
    const int index = m_view.findIndex(m_rowid);
    if (index >= 0) {
        m_recNo = index;
        m_fallbackIndex = index;
        return index;
    }
    // A record being edited stays current, in the view or not.
    if (IsEditing())
        return -1;
    // The record left the view: the one now at its place becomes current.
    const bool eof = m_eof;
    refreshAndFind(-1, m_fallbackIndex);
    m_eof = m_eof || eof;
    return m_recNo;
}

// After this cursor wrote the current record: the view is read again when
// it is next needed, and the record stays current where it still passes.
void TTable::settleAfterWrite(bool inserted)
{
    if (!m_view.passes(m_rowid)) {
        refreshAndFind(-1, m_fallbackIndex);
        return;
    }
    m_view.invalidateKeepingCount(inserted ? 1 : 0);
    positionOn(m_rowid);
}

Statement& TTable::cached(std::unique_ptr<Statement>& slot, const QString& sql)
{
    if (!slot)
        slot = std::make_unique<Statement>(*m_connection, sql);
    slot->reset();
    return *slot;
}

void TTable::refreshAndFind(qint64 rowid, int fallbackIndex)
{
    m_view.rebuild();
    if (moveToRowid(rowid))
        return;
    if (fallbackIndex < 0)
        fallbackIndex = 0;
    if (m_view.ensureRow(fallbackIndex))
        loadAt(fallbackIndex);
    else
        loadLast();
}

// --- moving -------------------------------------------------------------------

void TTable::First()
{
    requireActive();
    CheckBrowseMode();
    if (m_view.ensureRow(0))
        loadAt(0);
    else
        setEmpty();
    m_bof = true;
    notifyDataChange(nullptr);
}

void TTable::Next()
{
    requireActive();
    CheckBrowseMode();
    resolvedIndex();
    if (m_recNo >= 0 && m_view.ensureRow(m_recNo + 1)) {
        loadAt(m_recNo + 1);
        notifyDataChange(nullptr);
    } else {
        m_eof = true;
    }
}

void TTable::Prior()
{
    requireActive();
    CheckBrowseMode();
    if (resolvedIndex() > 0) {
        loadAt(m_recNo - 1);
        notifyDataChange(nullptr);
    } else {
        m_bof = true;
    }
}

void TTable::Last()
{
    requireActive();
    CheckBrowseMode();
    if (m_view.isComplete()) {
        loadLast();
    } else if (const qint64 rowid = m_view.lastRowid(); rowid >= 0) {
        // Read from the end of the order, not by stepping through every
        // record before it: the record-number counter goes to its last
        // record at every new contact. Its place is found when it is asked for.
        positionOn(rowid);
    } else {
        setEmpty();
    }
    m_eof = true;
    notifyDataChange(nullptr);
}

void TTable::MoveBy(int distance)
{
    requireActive();
    CheckBrowseMode();
    if (resolvedIndex() < 0 || distance == 0)
        return;
    const int wanted = m_recNo + distance;
    if (m_view.ensureRow(std::max(wanted, 0))) {
        loadAt(std::max(wanted, 0));
        m_bof = wanted < 0; // asked to go before the first record
    } else {
        loadLast();
        m_eof = true;
    }
    notifyDataChange(nullptr);
}

void TTable::MoveToIndex(int index)
{
    requireActive();
    if (index == resolvedIndex() && m_state == DataSetState::Browse)
        return;
    CheckBrowseMode();
    if (!m_view.ensureRow(index))
        return;
    loadAt(index);
    notifyDataChange(nullptr);
}

bool TTable::IsEmpty()
{
    requireActive();
    return !m_view.ensureRow(0) && m_state != DataSetState::Insert;
}

// A record of unknown place (reached by a search, kept through a change of
// order) that is in the view is first or last when it is the view's first
// or last record, which the order's index gives at once; a look-up of its
// neighbours compares every record of the view before it.
bool TTable::IsFirst()
{
    requireActive();
    if (m_rowid < 0 || IsEmpty())
        return true;
    if (m_recNo >= 0)
        return m_recNo == 0;
    if (m_view.ensureRow(0) && m_view.rowidAt(0) == m_rowid)
        return true;
    return !m_view.passes(m_rowid) && !m_view.hasNeighbour(m_rowid, false);
}

bool TTable::IsLast()
{
    requireActive();
    if (m_rowid < 0 || IsEmpty())
        return true;
    if (m_recNo >= 0)
        return !m_view.ensureRow(m_recNo + 1);
    if (m_view.passes(m_rowid))
        return m_view.lastRowid() == m_rowid;
    return !m_view.hasNeighbour(m_rowid, true);
}

int TTable::RecordCount()
{
    requireActive();
    return int(m_view.count());
}

// --- editing ------------------------------------------------------------------

void TTable::CheckBrowseMode()
{
    requireActive();
    if (!IsEditing())
        return;
    notifyUpdateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TTable::Edit()
{
    requireActive();
    if (IsEditing())
        return;
    if (m_rowid < 0) {
        Insert();
        return;
    }
    if (BeforeEdit)
        BeforeEdit(*this);
    completeBuffer();
    m_state = DataSetState::Edit;
    m_modified = false;
    notifyState();
    if (AfterEdit)
        AfterEdit(*this);
}

void TTable::Insert()
{
    requireActive();
    CheckBrowseMode();
    // A detail record belongs to a master record; without one it would be
    // stored under empty link values and never be seen again.
    if (m_masterSource && !m_masterFields.isEmpty() && !masterHasRecord())
        throw EDatabaseError(QStringLiteral("Cannot add a record to %1 without a master record")
                                 .arg(objectName().isEmpty() ? m_tableName : objectName()));
    if (BeforeInsert)
        BeforeInsert(*this);
    m_rowidBeforeInsert = m_rowid;
    m_state = DataSetState::Insert;
    clearBuffer();
    const QVariantList link = currentMasterValues();
    for (int i = 0; i < m_masterFields.size() && i < link.size(); ++i)
        if (TField* f = FindField(m_masterFields[i]))
            m_buffer[size_t(f->Index())] = link[i];
    m_eof = m_bof = false;
    // What the rules write into a new record (defaults, its number) is not
    // the user's: a record nobody typed into is dropped, not stored, when
    // the cursor moves or the window closes.
    auto untouched = qScopeGuard([this] { m_modified = false; });
    notifyState();
    notifyDataChange(nullptr);
    if (AfterInsert)
        AfterInsert(*this);
}

void TTable::writeRecord()
{
    completeBuffer();
    const auto& fields = m_definition->fields;
    const bool inserting = m_state == DataSetState::Insert;
    Statement& statement =
        inserting ? cached(m_insertRow, insertSql()) : cached(m_updateRow, updateSql());
    for (size_t i = 0; i < fields.size(); ++i) {
        QVariant v = m_buffer[i];
        if (v.isNull() && m_definition->primaryKey.contains(fields[i].name) &&
            fields[i].type != FieldType::Integer)
            v = QString(QLatin1String(""));
        statement.bind(int(i) + 1, v);
    }
    if (!inserting)
        statement.bind(int(fields.size()) + 1, QVariant(m_rowid));
    statement.step();
    statement.reset();
    if (inserting) {
        m_rowid = sqlite3_last_insert_rowid(m_connection->handle());
    } else if (sqlite3_changes(m_connection->handle()) == 0) {
        throw EDBEngineError(QStringLiteral("The record was deleted by another program (%1)")
                                 .arg(m_connection->fileName()),
                             {8708});
    }
}

// The columns a post writes and the values it writes into them: every field
// from its parameter (?1 for the first field), the sort keys made from the
// parameters of their fields.
std::vector<std::pair<QString, QString>> TTable::writtenColumns() const
{
    std::vector<std::pair<QString, QString>> columns;
    const auto parameter = [](int field) { return QStringLiteral("?%1").arg(field + 1); };
    for (size_t i = 0; i < m_definition->fields.size(); ++i)
        columns.emplace_back(quoted(m_definition->fields[i].name), parameter(int(i)));
    for (const auto& f : m_definition->sortedFields()) {
        const QString value = parameter(m_definition->fieldIndex(f.field));
        columns.emplace_back(quoted(Schema::sortKeyColumn(f.field)),
                             SortKeys::keyOf(f.collation, value));
        columns.emplace_back(quoted(Schema::sortSourceColumn(f.field)), value);
    }
    return columns;
}

QString TTable::insertSql() const
{
    QStringList names, values;
    for (const auto& [name, value] : writtenColumns()) {
        names << name;
        values << value;
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(m_connection->qualified(m_definition->name), names.join(u','), values.join(u','));
}

QString TTable::updateSql() const
{
    QStringList sets;
    for (const auto& [name, value] : writtenColumns())
        sets << name + QStringLiteral(" = ") + value;
    return QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
        .arg(m_connection->qualified(m_definition->name), sets.join(u','))
        .arg(m_definition->fields.size() + 1);
}

void TTable::writeWith(const std::function<void()>& write, const WrittenEvent& within,
                       const std::vector<QVariant>& record)
{
    if (!within) {
        write(); // a transaction of its own
        return;
    }
    Transaction transaction(*this);
    write();
    within(*this, record);
    transaction.Commit();
}

void TTable::Post()
{
    requireActive();
    if (!IsEditing())
        return;
    notifyUpdateRecord();
    if (BeforePost)
        BeforePost(*this);
    const qint64 rowidBefore = m_rowid;
    auto restore = qScopeGuard([&] { m_rowid = rowidBefore; });
    try {
        const bool inserting = m_state == DataSetState::Insert;
        writeWith([this] { writeRecord(); }, WithinPost,
                  WithinPost && !inserting ? m_view.readRow(m_rowid) : std::vector<QVariant>());
    } catch (EDatabaseError& error) {
        DataAction action = DataAction::Fail;
        if (OnPostError)
            OnPostError(*this, error, action);
        if (action == DataAction::Abort)
            throw EAbort();
        throw;
    }
    restore.dismiss();
    const bool inserted = m_state == DataSetState::Insert;
    m_state = DataSetState::Browse;
    m_modified = false;
    const std::exception_ptr othersFailed = tellOtherCursors();
    settleAfterWrite(inserted);
    notifyState();
    notifyViewChanged();
    notifyDataChange(nullptr);
    if (AfterPost)
        AfterPost(*this);
    if (othersFailed)
        std::rethrow_exception(othersFailed);
}

void TTable::Cancel()
{
    requireActive();
    if (!IsEditing())
        return;
    if (BeforeCancel)
        BeforeCancel(*this);
    m_state = DataSetState::Browse;
    m_modified = false;
    // Back to the record that was current before, read as it is stored now.
    if (m_rowid >= 0 && m_view.passes(m_rowid)) {
        loadRowid(m_rowid);
        m_eof = m_bof = false;
    } else {
        refreshAndFind(-1, m_fallbackIndex);
    }
    notifyState();
    notifyDataChange(nullptr);
    if (AfterCancel)
        AfterCancel(*this);
}

void TTable::Delete()
{
    requireActive();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_state == DataSetState::Edit)
        Cancel();
    if (m_rowid < 0)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (BeforeDelete)
        BeforeDelete(*this);
    const int place = std::max(resolvedIndex(), 0);
    completeBuffer();
    writeWith(
        [this] {
            Statement& statement =
                cached(m_deleteRow, QStringLiteral("DELETE FROM %1 WHERE rowid = ?")
                                        .arg(m_connection->qualified(m_definition->name)));
            statement.bind(1, QVariant(m_rowid));
            statement.step();
            statement.reset();
        },
        WithinDelete, m_buffer);
    const std::exception_ptr othersFailed = tellOtherCursors();
    // The record that followed the deleted one takes its place.
    refreshAndFind(-1, place);
    notifyViewChanged();
    notifyDataChange(nullptr);
    if (AfterDelete)
        AfterDelete(*this);
    if (othersFailed)
        std::rethrow_exception(othersFailed);
}

// --- filter, order, search ----------------------------------------------------

void TTable::SetFilter(const QString& text)
{
    m_filterText = text;
    m_filterError.clear();
    const TableDefinition* def = m_definition ? m_definition : Schema::forFile(m_tableName);
    try {
        m_filter = def ? FilterExpression::parse(text, *def) : FilterExpression();
    } catch (const EDatabaseError& e) {
        m_filter = FilterExpression();
        m_filterError = e.message();
    }
    if (Active() && m_filtered) {
        CheckBrowseMode();
        if (!m_filterError.isEmpty()) {
            m_filtered = false;
            refreshAndFind(m_rowid, 0);
            notifyViewChanged();
            notifyDataChange(nullptr);
            throw EDatabaseError(m_filterError);
        }
        m_view.rebuild();
        notifyViewChanged();
        First();
    }
}

void TTable::SetFiltered(bool on)
{
    if (!Active()) {
        m_filtered = on;
        return;
    }
    CheckBrowseMode();
    if (on && !m_filterError.isEmpty())
        throw EDatabaseError(m_filterError);
    if (on != m_filtered) {
        m_filtered = on;
        m_view.rebuild();
        notifyViewChanged();
    }
    First();
}

void TTable::SetIndexName(const QString& name)
{
    const TableDefinition* def = m_definition ? m_definition : Schema::forFile(m_tableName);
    const IndexDefinition* index = def ? def->index(name) : nullptr;
    if (def && !index)
        throw EDatabaseError(QStringLiteral("Index %1 not found").arg(name));
    // The order in force already (a second birthday search): nothing changes.
    const auto inForce = [&] {
        const std::vector<IndexField>& order = m_view.order();
        return std::equal(order.begin(), order.end(), index->fields.begin(), index->fields.end(),
                          [](const IndexField& a, const IndexField& b) {
                              return a.field == b.field && a.collation == b.collation;
                          });
    };
    if (Active() && index && m_indexFieldNames.isEmpty() && inForce()) {
        CheckBrowseMode();
        m_indexName = name;
        return;
    }
    m_indexName = name;
    m_indexFieldNames.clear();
    if (!Active()) {
        if (index)
            m_view.setOrder(index->fields);
        return;
    }
    CheckBrowseMode();
    m_view.setOrder(index->fields);
    // Same records, another order: their count and the current one stay,
    // its place is found when needed.
    m_view.invalidateKeepingCount(0);
    if (m_rowid >= 0)
        m_recNo = PositionUnknown;
    m_fallbackIndex = 0;
    notifyViewChanged();
    notifyDataChange(nullptr);
}

bool TTable::FindKey(const QVariant& value)
{
    requireActive();
    CheckBrowseMode();
    if (m_view.order().empty())
        throw EDatabaseError(QStringLiteral("The table has no index to search"));
    const IndexField& key = m_view.order().front();
    const TField* field = FindField(key.field);
    const bool isText = field && field->DataType() != FieldType::Integer;
    const QString column =
        isText ? QStringLiteral("ifnull(%1,'')").arg(quoted(key.field)) : quoted(key.field);
    // Found exactly, also in a Danish order: it ties no two texts that differ.
    const QString condition =
        key.collation == Collation::DanishNoCase
            ? QStringLiteral("%1 = %2").arg(Schema::orderColumn(key),
                                            SortKeys::keyOf(key.collation, QStringLiteral("?")))
            : column + QStringLiteral(" = ?");
    const qint64 rowid =
        m_view.firstMatch(condition, {isText ? QVariant(value.toString()) : value});
    if (rowid < 0 || !moveToRowid(rowid))
        return false;
    notifyDataChange(nullptr);
    return true;
}

bool TTable::Locate(const QString& fieldName, const QVariant& value, LocateOptions options)
{
    requireActive();
    CheckBrowseMode();
    TField& field = FieldByName(fieldName);
    QString text = value.toString();
    if (field.DataType() == FieldType::Date && !options.partialKey) {
        const QDate d = QDate::fromString(text, QStringLiteral("dd-MM-yyyy"));
        if (d.isValid())
            text = d.toString(Qt::ISODate);
    }
    QString column = QStringLiteral("ifnull(CAST(%1 AS TEXT),'')").arg(quoted(field.FieldName()));
    QString probe = QStringLiteral("?");
    if (options.caseInsensitive) {
        column = QStringLiteral("kv_fold(%1)").arg(column);
        probe = QStringLiteral("kv_fold(?)");
    }
    QString condition;
    QVariantList params;
    if (options.partialKey) {
        condition = QStringLiteral("substr(%1, 1, length(%2)) = %2").arg(column, probe);
        params << text << text;
        // The beginning of the first key of a binary order is a range of its
        // index, found without passing the records before it. Letter case
        // plays no part when the text has no letters with a case.
        const std::vector<IndexField>& order = m_view.order();
        const bool leadsOrder = !order.empty() && order.front().field == field.FieldName() &&
                                order.front().collation == Collation::Binary;
        const bool caseless = text.toUpper() == text && text.toLower() == text;
        if (leadsOrder && !text.isEmpty() && (!options.caseInsensitive || caseless)) {
            condition += QStringLiteral(" AND %1 >= ? AND %1 < ? || char(1114111)")
                             .arg(quoted(field.FieldName()));
            params << text << text;
        }
    } else if (field.DataType() == FieldType::Text && !options.caseInsensitive && !text.isEmpty()) {
        // A text column holds texts or nothing, and nothing is no match for
        // a text that is not empty: the column itself is compared, so that
        // an index that leads with it finds the record (the restore of the
        // stored contact at start-up, by its phone number).
        condition = QStringLiteral("%1 = ?").arg(quoted(field.FieldName()));
        params << text;
    } else {
        condition = QStringLiteral("%1 = %2").arg(column, probe);
        params << text;
    }
    const qint64 rowid = m_view.firstMatch(condition, params);
    if (rowid < 0 || !moveToRowid(rowid))
        return false;
    notifyDataChange(nullptr);
    return true;
}

TBookmark TTable::GetBookmark() const
{
    if (!Active() || m_rowid < 0)
        return std::nullopt;
    return m_rowid;
}

bool TTable::BookmarkValid(const TBookmark& bookmark)
{
    if (!bookmark || !Active())
        return false;
    return m_view.firstMatch(QStringLiteral("rowid = ?"), {QVariant(*bookmark)}) >= 0;
}

void TTable::GotoBookmark(const TBookmark& bookmark)
{
    requireActive();
    CheckBrowseMode();
    if (!bookmark || !moveToRowid(*bookmark))
        throw EDatabaseError(QStringLiteral("Record not found"));
    notifyDataChange(nullptr);
}

void TTable::EnableControls()
{
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    if (std::exchange(m_viewChangeHeld, false))
        notifyViewChanged();
    // A search that found nothing leaves every control as it was: telling
    // them anyway would have each read its field again on every key.
    if (std::exchange(m_dataChangeHeld, false))
        notifyDataChange(nullptr);
}

void TTable::ChangeAsOne(const std::function<void()>& changes)
{
    DisableControls();
    auto enable = restoreOnError([this] { EnableControls(); });
    changes();
    enable.dismiss();
    EnableControls();
}

// --- reading without moving ---------------------------------------------------

QVariant TTable::ValueAt(int index, int field)
{
    if (!Active() || field < 0 || size_t(field) >= m_fields.size())
        return {};
    if (m_state == DataSetState::Edit && index == resolvedIndex())
        return m_buffer[size_t(field)];
    return m_view.valueAt(index, field);
}

QString TTable::DisplayTextAt(int index, int field)
{
    if (field < 0 || size_t(field) >= m_fields.size())
        return {};
    return DisplayText(m_fields[size_t(field)]->DataType(), ValueAt(index, field));
}

std::vector<QString> TTable::ColumnInOrder(int field)
{
    requireActive();
    std::vector<QString> values;
    if (field < 0 || size_t(field) >= m_fields.size())
        return values;
    const FieldType type = m_fields[size_t(field)]->DataType();
    TextsInOrder({field}, [&](const QString* texts) {
        values.push_back(type == FieldType::Date ? DisplayText(type, texts[0]) : texts[0]);
    });
    return values;
}

void TTable::requireFields(const std::vector<int>& fields) const
{
    requireActive();
    for (int field : fields)
        if (field < 0 || size_t(field) >= m_fields.size())
            throw EDatabaseError(QStringLiteral("Field number %1 not found").arg(field));
}

void TTable::TextsInOrder(const std::vector<int>& fields,
                          const std::function<void(const QString*)>& row)
{
    requireFields(fields);
    m_view.texts(fields, row);
}

bool TTable::TextsInOrderSlice(const std::vector<int>& fields, TextsRead& read, int rows,
                               const std::function<void(const QByteArrayView*)>& row,
                               const std::function<void()>& restart)
{
    requireFields(fields);
    return m_view.textsSlice(fields, read, rows, row, restart);
}

// --- notifications ------------------------------------------------------------

void TTable::AddDataSource(TDataSource* source)
{
    if (std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end())
        m_sources.push_back(source);
}

void TTable::RemoveDataSource(TDataSource* source)
{
    m_sources.erase(std::remove(m_sources.begin(), m_sources.end(), source), m_sources.end());
}

void TTable::notifyDataChange(TField* field)
{
    if (m_disableCount > 0) {
        m_dataChangeHeld = true;
        return;
    }
    Listeners::tellEach(m_sources, [field](TDataSource& s) { s.notifyDataChange(field); });
}

void TTable::notifyState()
{
    Listeners::tellEach(m_sources, [](TDataSource& s) { s.notifyStateChange(); });
}

void TTable::notifyUpdateRecord()
{
    Listeners::tellEach(m_sources, [](TDataSource& s) { s.notifyUpdateRecord(); });
}

// The record is written: the other cursors on the file read it now. What
// they (or their links) throw is thrown only once this cursor has settled
// on what it wrote, so that it never stays in edit over a stored record.
std::exception_ptr TTable::tellOtherCursors()
{
    m_writing = true;
    const auto written = qScopeGuard([this] { m_writing = false; });
    try {
        m_connection->noteChanged();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void TTable::notifyViewChanged()
{
    if (m_disableCount > 0) {
        m_viewChangeHeld = true;
        return;
    }
    Listeners::tellEach(
        m_sources, [](TDataSource& s) { s.notifyViewChange(); }, [this] { emit viewChanged(); });
}

void TTable::onMasterChange(TField* field)
{
    if (!Active())
        return;
    if (field && !m_masterFields.contains(field->FieldName(), Qt::CaseInsensitive))
        return;
    QVariantList values = currentMasterValues();
    values << masterHasRecord();
    if (values == m_masterValues)
        return;
    CheckBrowseMode();
    m_masterValues = values;
    m_view.rebuild();
    if (m_view.ensureRow(0))
        loadAt(0);
    else
        setEmpty();
    m_bof = true;
    notifyViewChanged();
    notifyDataChange(nullptr);
}

void TTable::onConnectionChanged()
{
    if (m_writing || !Active())
        return;
    // Another cursor on the same file wrote: the view is read again when it
    // is next needed. The current record stays where it still passes, read
    // as it is stored now; a record being edited keeps what the user typed.
    if (m_state == DataSetState::Browse) {
        if (m_rowid >= 0 && m_view.passes(m_rowid)) {
            invalidateView();
            positionOn(m_rowid);
        } else {
            refreshAndFind(-1, m_recNo >= 0 ? m_recNo : m_fallbackIndex);
        }
        notifyDataChange(nullptr);
    } else {
        invalidateView();
    }
    notifyViewChanged();
}
