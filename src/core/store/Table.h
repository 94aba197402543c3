#pragma once

#include "core/store/DatabaseError.h"
#include "core/store/Field.h"
#include "core/store/FilterExpression.h"
#include "core/store/OrderedView.h"
#include "core/store/Schema.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Connection;
class Statement;
class TDataSource;

enum class DataSetState
{
    Inactive,
    Browse,
    Edit,
    Insert
};

// What a post-error handler decides: let the error go on to the user, or end
// the post silently and leave the record as it is.
enum class DataAction
{
    Fail,
    Abort
};

struct LocateOptions
{
    bool caseInsensitive = false;
    bool partialKey = false;
};

// A saved position: the record it names, found again by GotoBookmark.
using TBookmark = std::optional<qint64>;

// A cursor on one table file: the current record with its browse, edit or
// insert state, moves in the order of the chosen index under the filter and
// the master-detail link, posts that are on disk when they return, and the
// events the record rules hang on.
//
// Records are read lazily: opening reads the first record only, and the
// order is stepped through as far as the moves and the grids need it.
class TTable : public QObject
{
    Q_OBJECT
public:
    explicit TTable(QObject* owner = nullptr, const QString& name = QString());
    ~TTable() override;
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    // --- configuration, while closed
    void SetDatabaseName(const QString& folder) { m_databaseName = folder; }
    const QString& DatabaseName() const { return m_databaseName; }
    void SetTableName(const QString& fileName) { m_tableName = fileName; }
    const QString& TableName() const { return m_tableName; }
    // The table's fields and indexes; by default found from the file name.
    void SetDefinition(const TableDefinition* definition) { m_definition = definition; }
    const TableDefinition* Definition() const { return m_definition; }

    // Master-detail link: only records whose link fields equal the master's
    // current values pass, and a new record gets those values.
    void SetMasterSource(TDataSource* master);
    TDataSource* MasterSource() const { return m_masterSource; }
    void SetMasterFields(const QString& fields); // "Navn;Telefon"
    void SetIndexFieldNames(const QString& fields);

    // --- opening
    void Open();
    void Close();
    bool Active() const { return m_state != DataSetState::Inactive; }
    DataSetState State() const { return m_state; }
    bool IsEditing() const
    {
        return m_state == DataSetState::Edit || m_state == DataSetState::Insert;
    }

    // --- fields of the current record
    int FieldCount() const { return int(m_fields.size()); }
    TField& Fields(int i) { return *m_fields.at(size_t(i)); }
    TField* FindField(const QString& name);
    TField& FieldByName(const QString& name); // throws when there is no such field

    // --- moving
    void First();
    void Next();
    void Prior();
    void Last();
    void MoveBy(int distance);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty();
    int RecordCount(); // records that pass the filter and the link
    // Whether the current record is the first (the last) in the order, or
    // there is none: found without finding its place.
    bool IsFirst();
    bool IsLast();
    // 0-based place in the order, -1 if none. The place of a record reached
    // by a search or a post is found only when it is asked for.
    int CurrentIndex() const { return const_cast<TTable*>(this)->resolvedIndex(); }
    void MoveToIndex(int index);

    // --- editing
    void Edit();
    void Insert();
    void Post();
    void Cancel();
    void Delete();
    // Whether the record holds changes of the user's: for a new record, not
    // what the insert events wrote into it.
    bool Modified() const { return m_modified; }
    // Posts a pending edit that holds changes and drops one that holds none.
    void CheckBrowseMode();

    // --- filter, order and searching
    const QString& Filter() const { return m_filterText; }
    void SetFilter(const QString& text);
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool on);
    const QString& IndexName() const { return m_indexName; }
    void SetIndexName(const QString& name);
    bool FindKey(const QVariant& value);
    bool Locate(const QString& field, const QVariant& value, LocateOptions options = {});

    // Posted records are committed with a full sync before Post returns, so
    // there is nothing left to write here; kept for the rules that ask for it.
    void FlushBuffers() {}

    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark);

    // While disabled, the data sources tell their controls nothing; enabling
    // again tells them once of the view and of the record, each if it changed.
    void DisableControls() { ++m_disableCount; }
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }
    // Runs changes of the filter, the order and the position as one: the
    // controls read the view and the record once, when the changes are
    // done, also when one of them throws.
    void ChangeAsOne(const std::function<void()>& changes);

    // --- reading without moving (grids, search)
    QVariant ValueAt(int index, int field);        // raw stored value
    QString DisplayTextAt(int index, int field);   // as a control shows it
    std::vector<QString> ColumnInOrder(int field); // display texts of every record in order
    // The stored texts of the fields (dates as "yyyy-MM-dd", null as a null
    // text) of every record in order, one record at a time, read in one pass.
    void TextsInOrder(const std::vector<int>& fields,
                      const std::function<void(const QString*)>& row);
    // TextsInOrder spread over calls of at most rows records each, so that
    // reading a large book can share the event loop's turns; true once the
    // last record has been handed on. The texts come as stored, in UTF-8,
    // valid during the call. Begin with a default read. When the read cannot
    // go on where it stopped (the view changed meanwhile), it begins again
    // from the first record and calls restart first.
    using TextsRead = OrderedView::TextsRead;
    bool TextsInOrderSlice(const std::vector<int>& fields, TextsRead& read, int rows,
                           const std::function<void(const QByteArrayView*)>& row,
                           const std::function<void()>& restart);
    // Changes whenever the order, the filter, the link or the stored data change.
    quint64 ViewVersion() const { return m_view.version(); }

    // --- events
    std::function<void(TTable&)> BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost,
        AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, AfterOpen;
    std::function<void(TTable&, EDatabaseError&, DataAction&)> OnPostError;
    // Run within the transaction of a post or a delete, once the record is
    // written or deleted and before that is committed: what they write to
    // any table of the data folder is on disk with the record or not at all
    // (a contact renamed or deleted with its family members). The record is
    // as it was stored before the post (empty for an insert) or the one
    // deleted. When one throws, nothing is written: a post fails as a post
    // refused by the engine does, and a delete leaves the record.
    using WrittenEvent = std::function<void(TTable&, const std::vector<QVariant>& record)>;
    WrittenEvent WithinPost, WithinDelete;

    // The open table file, shared by the cursors on it; null while closed.
    const std::shared_ptr<Connection>& FileConnection() const { return m_connection; }

    // --- for TField and TDataSource
    QVariant BufferValue(int field) const;
    void SetBufferValue(int field, const QVariant& value);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);

    static QString DisplayText(FieldType type, const QVariant& stored);

signals:
    // The set or order of records changed. A notice, sent after the data
    // sources' links have been told; its slots must never throw.
    void viewChanged();

private:
    void requireActive() const;
    void requireFields(const std::vector<int>& fields) const; // active, and each field there
    void requireEditing() const;
    QString whereClause(QVariantList& params) const;
    void invalidateView();
    int resolvedIndex();
    void settleAfterWrite(bool inserted);
    void positionOn(qint64 rowid);
    bool masterHasRecord() const;
    Statement& cached(std::unique_ptr<Statement>& slot, const QString& sql);
    void loadAt(int index);
    void loadLast();
    void loadRowid(qint64 rowid);
    void clearBuffer();
    void setEmpty();
    void refreshAndFind(qint64 rowid, int fallbackIndex);
    bool moveToRowid(qint64 rowid);
    void completeBuffer() const;
    void writeRecord();
    void writeWith(const std::function<void()>& write, const WrittenEvent& within,
                   const std::vector<QVariant>& record);
    std::vector<std::pair<QString, QString>> writtenColumns() const;
    QString insertSql() const;
    QString updateSql() const;
    QVariantList currentMasterValues() const;
    void onMasterChange(TField* field);
    void onConnectionChanged();
    // The data sources and their links are called directly: what a link
    // throws reaches the caller. viewChanged is a notice sent after them.
    void notifyDataChange(TField* field);
    void notifyState();
    void notifyUpdateRecord();
    void notifyViewChanged();
    std::exception_ptr tellOtherCursors();

    QString m_databaseName;
    QString m_tableName;
    const TableDefinition* m_definition = nullptr;
    std::shared_ptr<Connection> m_connection;
    DataSetState m_state = DataSetState::Inactive;
    std::vector<std::unique_ptr<TField>> m_fields;
    // A record reached by stepping the view holds at first only the fields
    // of the order, which the view's scan reads from the index; the rest is
    // read when a field outside them is asked for.
    mutable std::vector<QVariant> m_buffer;
    mutable bool m_bufferPartial = false;
    std::vector<int> m_partialFields; // the fields a partial buffer holds
    // The place of the current record in the view is not known yet; it is
    // found by stepping the view when a move or a grid needs it.
    static constexpr int PositionUnknown = -2;
    qint64 m_rowid = -1;
    int m_fallbackIndex = 0; // where to go when the current record leaves the view
    qint64 m_rowidBeforeInsert = -1;
    bool m_modified = false;
    int m_recNo = -1;
    bool m_eof = true;
    bool m_bof = true;

    QString m_filterText;
    FilterExpression m_filter;
    QString m_filterError;
    bool m_filtered = false;
    QString m_indexName;

    class MasterLink;
    std::unique_ptr<MasterLink> m_masterLink;
    class FileWatch;
    std::unique_ptr<FileWatch> m_fileWatch;
    TDataSource* m_masterSource = nullptr;
    QStringList m_masterFields;
    QStringList m_indexFieldNames;
    QVariantList m_masterValues;

    // The records that pass the filter and the link, in the chosen order.
    OrderedView m_view;
    std::unique_ptr<Statement> m_insertRow, m_updateRow, m_deleteRow;

    std::vector<TDataSource*> m_sources;
    int m_disableCount = 0;
    bool m_viewChangeHeld = false; // a view change not yet told, while disabled
    bool m_dataChangeHeld = false; // a record change not yet told, while disabled
    bool m_writing = false;
};
