#pragma once

#include "core/store/Schema.h"

#include <QPointer>
#include <QString>
#include <QStringView>

#include <vector>

class TTable;

// The searchable texts of one field of a table, for every record in the
// cursor's current order under its filter and link, upper-cased once when the
// search ignores case. A search per keystroke then scans memory instead of
// reading records. The texts are read again when the table's view changes
// (order, filter, link, stored data) or the field or letter case setting does.
class SearchColumnCache
{
public:
    static constexpr int MaxFieldTextLength = 255; // characters of a plain field
    static constexpr int MaxMemoTextBytes = 65280; // bytes of a memo, as stored

    // The part of a stored value that a search looks at.
    static QString searchableText(const QString& value, FieldType type);

    // Makes the cache hold the field's texts for the table as it is now.
    void refresh(TTable& table, int field, bool caseSensitive);
    void clear();

    int size() const { return int(m_offsets.size()) - 1; }
    QStringView text(int record) const;

    // The first record from `from` on whose text matches searchText, which
    // must already be upper-cased like the texts; -1 when none does.
    int find(int from, const QString& searchText, bool wildcards) const;
    // The first record from `from` on whose text begins with prefix, which
    // must be prepared like the texts; -1 when none does or prefix is empty.
    int findPrefix(int from, const QString& prefix) const;

private:
    int findSubstring(int from, const QString& needle) const;
    int recordAt(qsizetype unit) const;

    QPointer<TTable> m_table;
    quint64 m_version = 0;
    int m_field = -1;
    bool m_caseSensitive = false;
    // All texts one after another, each followed by a NUL, so that a search
    // for text without NUL never matches across two records.
    QString m_buffer;
    std::vector<qsizetype> m_offsets{0}; // start of each text, then the end
};
