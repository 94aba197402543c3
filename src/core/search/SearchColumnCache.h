#pragma once

#include "core/search/TrigramIndex.h"
#include "core/store/OrderedView.h"
#include "core/store/Schema.h"

#include <QPointer>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

class TTable;

// The searchable texts of one field of a table, for every record in the
// cursor's current order under its filter and link, upper-cased once when the
// search ignores case. A search per keystroke then scans memory instead of
// reading records. The texts are read again when the table's view changes
// (order, filter, link, stored data) or the field or letter case setting does.
//
// From a few thousand records on, a trigram index answers searches for
// literals of three or more characters, so that a search which matches
// nothing does not grow with the book; shorter ones scan, as they match early
// in a large book anyway. Both give the same record. The index is built apart
// from the read (buildIndex), so that neither keeps the window waiting for
// both: until it is built, a search scans.
class SearchColumnCache
{
public:
    static constexpr int MaxFieldTextLength = 255; // characters of a plain field
    static constexpr int MaxMemoTextBytes = 65280; // bytes of a memo, as stored

    // The part of a stored value that a search looks at.
    static QString searchableText(const QString& value, FieldType type);

    // The cache that every search on the field of the table with the same
    // letter case setting shares, so that one read after a change serves them
    // all; a new one when none is held. Refresh it before use.
    static std::shared_ptr<SearchColumnCache> shared(TTable& table, int field, bool caseSensitive);

    // Makes the cache hold the field's texts for the table as it is now; a
    // read begun by refreshSome goes on from where it stopped.
    void refresh(TTable& table, int field, bool caseSensitive);
    // Reads up to rows more of the field's texts; true once the cache holds
    // them all for the table as it is now. A large book is read this way
    // over several turns of the event loop, each short.
    bool refreshSome(TTable& table, int field, bool caseSensitive, int rows);
    // Whether refreshSome has a read under way.
    bool isReading() const { return !m_reading.isNull(); }
    bool isCurrent(const TTable& table, int field, bool caseSensitive) const;
    // Holds the given values, cut and prepared as refresh prepares a field's.
    void assign(const std::vector<QString>& values, FieldType type, bool caseSensitive);
    void clear();

    // Caches of this many records or more keep an index; below, a miss scans
    // a few hundred kilobytes at most and an index would only add to the
    // memory of a household's book. Settable for tests that compare the two.
    static constexpr int DefaultIndexedFrom = 4096;
    static void setIndexedFrom(int records);
    static int indexedFrom();
    bool isIndexed() const { return !m_index.isEmpty(); }
    // Whether the texts read last want an index not yet built.
    bool indexPending() const { return m_indexPending; }
    void buildIndex();
    // Builds up to `texts` texts further; true once the index is built (or
    // not wanted).
    bool buildIndexSome(int texts);
    size_t memoryBytes() const;

    int size() const { return int(m_offsets.size()) - 1; }
    QStringView text(int record) const;

    // The first record from `from` on whose text matches searchText, which
    // must already be upper-cased like the texts; -1 when none does.
    int find(int from, const QString& searchText, bool wildcards) const;
    // The first record from `from` on whose text begins with prefix, which
    // must be prepared like the texts; -1 when none does or prefix is empty.
    int findPrefix(int from, const QString& prefix) const;

private:
    void append(const QString& value, FieldType type);
    // The same for a text as stored (UTF-8), decoded in its place.
    void appendUtf8(QByteArrayView stored, FieldType type);
    // Upper-cases the texts unless caseSensitive, and marks the index as
    // wanted when there are enough of them (buildIndex builds it).
    void prepare(bool caseSensitive);
    int findSubstring(int from, const QString& needle) const;
    // Through the index, the first record from `from` on that holds literal
    // and passes accept; literal has TrigramIndex::Length units or more.
    template <typename Accept> int findIndexed(int from, QStringView literal, Accept accept) const;
    bool canIndex(QStringView literal) const;
    int recordAt(qsizetype unit) const;

    QPointer<TTable> m_table;
    quint64 m_version = 0;
    int m_field = -1;
    bool m_caseSensitive = false;
    // All texts one after another, each followed by a NUL, so that a search
    // for text without NUL never matches across two records.
    QString m_buffer;
    std::vector<qsizetype> m_offsets{0}; // start of each text, then the end
    TrigramIndex m_index;
    bool m_indexPending = false;
    // The read under way, and what it is for.
    QPointer<TTable> m_reading;
    int m_readingField = -1;
    bool m_readingCaseSensitive = false;
    OrderedView::TextsRead m_read;
};
