#include "core/search/SearchColumnCache.h"

#include "core/search/Matcher.h"
#include "core/store/Table.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr QChar Separator = u'\0';

// Cuts text to at most maxChars characters without splitting a surrogate pair.
QString leftChars(const QString& text, int maxChars)
{
    if (text.size() <= maxChars)
        return text;
    qsizetype end = maxChars;
    if (text[end - 1].isHighSurrogate() && text[end].isLowSurrogate())
        --end;
    return text.left(end);
}

// Cuts text where its UTF-8 form would exceed maxBytes, at a character boundary.
QString leftUtf8Bytes(const QString& text, int maxBytes)
{
    if (text.size() * 3 <= maxBytes)
        return text;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool pair =
            QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const int length = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + length > maxBytes)
            return text.left(i);
        bytes += length;
        if (pair)
            ++i;
    }
    return text;
}

} // namespace

QString SearchColumnCache::searchableText(const QString& value, FieldType type)
{
    if (type == FieldType::Memo)
        return leftUtf8Bytes(value, MaxMemoTextBytes);
    return leftChars(value, MaxFieldTextLength);
}

void SearchColumnCache::clear()
{
    m_table.clear();
    m_field = -1;
    m_buffer.clear();
    m_offsets.assign(1, 0);
}

void SearchColumnCache::refresh(TTable& table, int field, bool caseSensitive)
{
    if (m_table == &table && m_version == table.ViewVersion() && m_field == field &&
        m_caseSensitive == caseSensitive)
        return;
    clear();
    const FieldType type = table.Fields(field).DataType();
    std::vector<QString> column = table.ColumnInOrder(field);
    qsizetype total = 0;
    for (QString& value : column) {
        value = searchableText(value, type);
        total += value.size() + 1;
    }
    m_buffer.reserve(total);
    m_offsets.reserve(column.size() + 1);
    for (const QString& value : column) {
        m_buffer += value;
        m_buffer += Separator;
        m_offsets.push_back(m_buffer.size());
    }
    if (!caseSensitive)
        m_buffer = Matcher::upperCase(m_buffer);
    m_table = &table;
    m_version = table.ViewVersion();
    m_field = field;
    m_caseSensitive = caseSensitive;
}

QStringView SearchColumnCache::text(int record) const
{
    const qsizetype begin = m_offsets[size_t(record)];
    const qsizetype end = m_offsets[size_t(record) + 1] - 1;
    return QStringView(m_buffer).sliced(begin, end - begin);
}

int SearchColumnCache::recordAt(qsizetype unit) const
{
    const auto it = std::upper_bound(m_offsets.begin(), m_offsets.end(), unit);
    return int(it - m_offsets.begin()) - 1;
}

int SearchColumnCache::find(int from, const QString& searchText, bool wildcards) const
{
    if (from < 0 || from >= size())
        return -1;
    if (!wildcards) {
        if (searchText.isEmpty())
            return -1;
        if (!searchText.contains(Separator))
            return findSubstring(from, searchText);
    }
    for (int record = from; record < size(); ++record)
        if (Matcher::matchPrepared(text(record), searchText, wildcards))
            return record;
    return -1;
}

int SearchColumnCache::findPrefix(int from, const QString& prefix) const
{
    if (prefix.isEmpty() || from < 0)
        return -1;
    for (int record = from; record < size(); ++record)
        if (text(record).startsWith(prefix))
            return record;
    return -1;
}

// One pass of memmem over the whole buffer. A hit at an odd byte offset is
// not a hit in UTF-16; an aligned hit cannot span two records because the
// needle holds no separator.
int SearchColumnCache::findSubstring(int from, const QString& needle) const
{
    const char* base = reinterpret_cast<const char*>(m_buffer.utf16());
    const size_t needleBytes = size_t(needle.size()) * 2;
    const char* needleData = reinterpret_cast<const char*>(needle.utf16());
    size_t pos = size_t(m_offsets[size_t(from)]) * 2;
    const size_t end = size_t(m_buffer.size()) * 2;
    while (pos + needleBytes <= end) {
        const void* hit = memmem(base + pos, end - pos, needleData, needleBytes);
        if (!hit)
            return -1;
        const size_t at = size_t(static_cast<const char*>(hit) - base);
        if (at % 2 == 0)
            return recordAt(qsizetype(at / 2));
        pos = at + 1;
    }
    return -1;
}
