#include "core/search/EasyFind.h"

#include "core/search/Matcher.h"
#include "core/store/DatabaseError.h"
#include "core/store/Table.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScopeGuard>

#include <algorithm>

namespace {

// The texts read, or indexed, in one turn of the event loop while preparing
// for the next search: a millisecond or two on a slow machine.
constexpr int PrepareSliceRows = 8192;

// The last search is compared with plain ASCII upper-casing, letters a to z.
QString asciiUpper(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return result;
}

// Switches the data set's controls off and shows the wait cursor for the
// duration of a walk. finish() switches them on again, which tells the
// controls once where the cursor now is; when an error ends the walk the
// destructor does it instead and keeps the first error.
class WalkScope
{
public:
    explicit WalkScope(TTable& table) : m_table(table)
    {
        m_table.DisableControls();
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            m_cursorSet = true;
        }
    }
    ~WalkScope()
    {
        if (m_open) {
            restoreCursor();
            try {
                m_table.EnableControls();
            } catch (...) {
            }
        }
    }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

    void finish()
    {
        m_open = false;
        restoreCursor();
        m_table.EnableControls();
    }

private:
    void restoreCursor()
    {
        if (m_cursorSet)
            QGuiApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }

    TTable& m_table;
    bool m_cursorSet = false;
    bool m_open = true;
};

} // namespace

TEasyFind::TEasyFind(QObject* owner, const QString& name)
    : QObject(owner), m_prepare(new QTimer(this))
{
    setObjectName(name);
    m_prepare->setSingleShot(true);
    connect(m_prepare, &QTimer::timeout, this, &TEasyFind::prepare);
}

TEasyFind::~TEasyFind() = default;

void TEasyFind::SetMultiCharPattern(const QString& pattern)
{
    m_multiCharPattern =
        pattern.isEmpty() ? QStringLiteral("%") : pattern.left(Matcher::MaxMultiCharWildcardLength);
}

void TEasyFind::SetSingleCharPattern(const QString& pattern)
{
    m_singleCharPattern = pattern.isEmpty() ? QChar(u'_') : pattern.front();
}

void TEasyFind::SetSearchKey(const QString& key)
{
    qsizetype length = std::min<qsizetype>(key.size(), MaxSearchKeyLength);
    if (length < key.size() && key[length - 1].isHighSurrogate())
        --length;
    m_searchKey = key.left(length);
}

void TEasyFind::FindFirst()
{
    m_findNext = false;
    walk();
}

void TEasyFind::FindNext()
{
    if (m_searchKey.isEmpty() || asciiUpper(m_searchKey) != m_lastSearchText ||
        asciiUpper(m_searchField) != m_lastSearchField)
        throw EDBSearchError();
    m_findNext = true;
    walk();
    m_findNext = false;
}

TTable& TEasyFind::dataSet() const
{
    TTable* table = m_dataSource ? m_dataSource->DataSet() : nullptr;
    if (!table)
        throw Exception(objectName().isEmpty()
                            ? QStringLiteral("DataSource not set")
                            : QStringLiteral("%1: DataSource not set").arg(objectName()));
    if (!table->Active())
        throw EDatabaseError(
            QStringLiteral("Cannot perform this operation on a closed dataset (%1)")
                .arg(table->objectName()));
    return *table;
}

int TEasyFind::searchFieldIndex(TTable& table) const
{
    const QString wanted = asciiUpper(m_searchField);
    for (int i = 0; i < table.FieldCount(); ++i)
        if (asciiUpper(table.Fields(i).DisplayLabel()) == wanted)
            return i;
    return 0;
}

// Walking the records one by one would read every record from the file on
// each keystroke. The walk instead scans the cached texts of the search field
// in the cursor's order and moves once, to the record found; the outcome is
// that of testing the records in turn from the start record on.
void TEasyFind::prepareAfterChanges(TTable& table, int field)
{
    m_preparedField = field;
    if (m_cache->indexPending())
        m_prepare->start(0);
    if (m_watched == &table)
        return;
    if (m_watched)
        disconnect(m_watched, &TTable::viewChanged, m_prepare, nullptr);
    m_watched = &table;
    // A notice: starting a timer throws nothing.
    connect(&table, &TTable::viewChanged, m_prepare, [this] { m_prepare->start(0); });
}

void TEasyFind::prepare()
{
    TTable* table = m_watched;
    if (!table || !table->Active() || m_preparedField < 0 || m_preparedField >= table->FieldCount())
        return;
    // One step per turn of the event loop, each short enough for a frame:
    // a slice of the texts at a time, then their index. A key that comes
    // meanwhile reads the rest of the texts itself.
    try {
        if (m_cache->isCurrent(*table, m_preparedField, m_caseSensitive)) {
            m_cache->buildIndexSome(PrepareSliceRows);
        } else {
            m_cache = SearchColumnCache::shared(*table, m_preparedField, m_caseSensitive);
            m_cache->refreshSome(*table, m_preparedField, m_caseSensitive, PrepareSliceRows);
        }
    } catch (const Exception&) {
        m_cache->clear(); // read again, with its error, at the next search
    }
    if (m_cache->isReading() || m_cache->indexPending())
        m_prepare->start(0);
}

void TEasyFind::useCache(TTable& table, int field)
{
    m_cache = SearchColumnCache::shared(table, field, m_caseSensitive);
    m_cache->refresh(table, field, m_caseSensitive);
}

void TEasyFind::walk()
{
    // Not found, or ended by an error: the next FindNext cannot continue.
    auto endSearch = qScopeGuard([this] { m_findNext = false; });
    {
        Matcher::setSingleCharWildcard(m_singleCharPattern);
        Matcher::setMultiCharWildcard(m_multiCharPattern);
        TTable& table = dataSet();
        if (table.FieldCount() == 0)
            throw EDBSearchPatternNotFound();
        const int field = searchFieldIndex(table);
        m_lastSearchText = asciiUpper(m_searchKey);
        m_lastSearchField = asciiUpper(m_searchField);

        WalkScope scope(table);
        // A pending edit is posted or dropped first, as any move would.
        table.CheckBrowseMode();
        useCache(table, field);
        prepareAfterChanges(table, field);
        int found = -1;
        if (m_cache->size() > 0) {
            // From the last record, "next" stays on it, and it is tested again.
            // Only "next" asks where the cursor is: after a post that steps the
            // order up to the record posted.
            const int current = m_findNext ? table.CurrentIndex() : -1;
            const int start = current >= 0 ? std::min(current + 1, m_cache->size() - 1) : 0;
            const QString searchText =
                m_caseSensitive ? m_searchKey : Matcher::upperCase(m_searchKey);
            found = m_cache->find(start, searchText, m_allowWildcards);
        }
        if (found >= 0)
            table.MoveToIndex(found);
        scope.finish();
        if (found >= 0)
            endSearch.dismiss();
    }
}
