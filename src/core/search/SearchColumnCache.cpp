#include "core/search/SearchColumnCache.h"

#include "core/search/Matcher.h"
#include "core/store/Table.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr QChar Separator = u'\0';

int g_indexedFrom = SearchColumnCache::DefaultIndexedFrom;

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

// The same cut of a text held in UTF-8: before the character that would
// not fit whole.
QByteArrayView leftUtf8Bytes(QByteArrayView text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = maxBytes;
    while (end > 0 && (uchar(text[end]) & 0xC0) == 0x80)
        --end;
    return text.first(end);
}

} // namespace

QString SearchColumnCache::searchableText(const QString& value, FieldType type)
{
    if (type == FieldType::Memo)
        return leftUtf8Bytes(value, MaxMemoTextBytes);
    return leftChars(value, MaxFieldTextLength);
}

void SearchColumnCache::setIndexedFrom(int records)
{
    g_indexedFrom = records;
}

int SearchColumnCache::indexedFrom()
{
    return g_indexedFrom;
}

std::shared_ptr<SearchColumnCache> SearchColumnCache::shared(TTable& table, int field,
                                                             bool caseSensitive)
{
    struct Held
    {
        const TTable* table;
        int field;
        bool caseSensitive;
        std::weak_ptr<SearchColumnCache> cache;
    };
    // Searches run on the user-interface thread alone.
    static std::vector<Held> held;
    std::erase_if(held, [](const Held& h) { return h.cache.expired(); });
    for (const Held& h : held)
        if (h.table == &table && h.field == field && h.caseSensitive == caseSensitive)
            return h.cache.lock();
    auto cache = std::make_shared<SearchColumnCache>();
    held.push_back({&table, field, caseSensitive, cache});
    return cache;
}

// Keeps the memory for the next read, as the index does.
void SearchColumnCache::clear()
{
    m_table.clear();
    m_reading.clear();
    m_read = {};
    m_field = -1;
    m_buffer.resize(0);
    m_offsets.assign(1, 0);
    m_index.clear();
    m_indexPending = false;
}

bool SearchColumnCache::isCurrent(const TTable& table, int field, bool caseSensitive) const
{
    return m_table == &table && m_version == table.ViewVersion() && m_field == field &&
           m_caseSensitive == caseSensitive;
}

void SearchColumnCache::refresh(TTable& table, int field, bool caseSensitive)
{
    refreshSome(table, field, caseSensitive, std::numeric_limits<int>::max());
}

bool SearchColumnCache::refreshSome(TTable& table, int field, bool caseSensitive, int rows)
{
    if (isCurrent(table, field, caseSensitive))
        return true;
    if (m_reading != &table || m_readingField != field || m_readingCaseSensitive != caseSensitive) {
        clear();
        m_reading = &table;
        m_readingField = field;
        m_readingCaseSensitive = caseSensitive;
    }
    const FieldType type = table.Fields(field).DataType();
    // Each text goes into the buffer as the table reads it, decoded in its
    // place there, without a string of its own on the way; dates as the
    // column shows them.
    const bool done = table.TextsInOrderSlice(
        {field}, m_read, rows,
        [&](const QByteArrayView* texts) {
            if (type == FieldType::Date)
                append(TTable::DisplayText(type, QString::fromUtf8(texts[0])), type);
            else
                appendUtf8(texts[0], type);
        },
        [this] {
            m_buffer.resize(0);
            m_offsets.assign(1, 0);
        });
    if (!done)
        return false;
    prepare(caseSensitive);
    m_table = &table;
    m_version = table.ViewVersion();
    m_field = field;
    m_reading.clear();
    m_read = {};
    return true;
}

void SearchColumnCache::assign(const std::vector<QString>& values, FieldType type,
                               bool caseSensitive)
{
    clear();
    for (const QString& value : values)
        append(value, type);
    prepare(caseSensitive);
}

void SearchColumnCache::appendUtf8(QByteArrayView stored, FieldType type)
{
    const bool memo = type == FieldType::Memo;
    if (memo)
        stored = leftUtf8Bytes(stored, MaxMemoTextBytes);
    const qsizetype start = m_buffer.size();
    // A UTF-8 text never has more UTF-16 units than bytes.
    m_buffer.resize(start + stored.size());
    QChar* const begin = m_buffer.data() + start;
    qsizetype length = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)
                           .appendToBuffer(begin, stored) -
                       begin;
    if (!memo && length > MaxFieldTextLength) {
        length = MaxFieldTextLength;
        if (begin[length - 1].isHighSurrogate() && begin[length].isLowSurrogate())
            --length;
    }
    m_buffer.resize(start + length);
    m_buffer += Separator;
    m_offsets.push_back(m_buffer.size());
}

void SearchColumnCache::append(const QString& value, FieldType type)
{
    m_buffer += searchableText(value, type);
    m_buffer += Separator;
    m_offsets.push_back(m_buffer.size());
}

void SearchColumnCache::prepare(bool caseSensitive)
{
    if (!caseSensitive)
        m_buffer = Matcher::upperCase(std::move(m_buffer));
    m_caseSensitive = caseSensitive;
    m_indexPending = size() >= g_indexedFrom;
}

void SearchColumnCache::buildIndex()
{
    if (m_indexPending)
        m_index.build(m_buffer, m_offsets);
    m_indexPending = false;
}

bool SearchColumnCache::buildIndexSome(int texts)
{
    if (m_indexPending && !m_index.buildSome(m_buffer, m_offsets, texts))
        return false;
    m_indexPending = false;
    return true;
}

size_t SearchColumnCache::memoryBytes() const
{
    return size_t(m_buffer.capacity()) * sizeof(QChar) + m_offsets.capacity() * sizeof(qsizetype) +
           m_index.memoryBytes();
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

bool SearchColumnCache::canIndex(QStringView literal) const
{
    return !m_index.isEmpty() && literal.size() >= TrigramIndex::Length;
}

template <typename Accept>
int SearchColumnCache::findIndexed(int from, QStringView literal, Accept accept) const
{
    TrigramIndex::Candidates candidates = m_index.candidates(from, literal);
    for (int record = candidates.next(); record >= 0; record = candidates.next())
        if (accept(text(record)))
            return record;
    return -1;
}

int SearchColumnCache::find(int from, const QString& searchText, bool wildcards) const
{
    if (from < 0 || from >= size())
        return -1;
    if (!wildcards) {
        if (searchText.isEmpty())
            return -1;
        if (canIndex(searchText))
            return findIndexed(from, searchText,
                               [&](QStringView text) { return text.contains(searchText); });
        if (!searchText.contains(Separator))
            return findSubstring(from, searchText);
    } else if (const QStringView literal = Matcher::requiredLiteral(searchText);
               canIndex(literal)) {
        return findIndexed(from, literal, [&](QStringView text) {
            return Matcher::matchPattern(text, searchText);
        });
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
    if (canIndex(prefix))
        return findIndexed(from, prefix, [&](QStringView text) { return text.startsWith(prefix); });
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
