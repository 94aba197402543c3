#include "core/search/TrigramIndex.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace {

// Beyond this many trigram positions (a book of long memos) the index would
// take more memory than the texts gain from it; such a book is scanned.
constexpr size_t MaxPositions = size_t(1) << 26;

// About thirty positions per bucket: a book's distinct trigrams are far fewer
// than its positions, so a rare trigram still seldom shares its bucket with a
// common one, and the bucket starts stay small against the lists.
constexpr int MinBucketBits = 10;
constexpr int MaxBucketBits = 18;

constexpr uint64_t TrigramMask = (uint64_t(1) << 48) - 1;

uint64_t shifted(uint64_t trigram, QChar c)
{
    return ((trigram << 16) | c.unicode()) & TrigramMask;
}

} // namespace

uint32_t TrigramIndex::bucket(uint64_t trigram) const
{
    return uint32_t((trigram * 0x9E3779B97F4A7C15ull) >> m_shift);
}

std::span<const uint32_t> TrigramIndex::bucketTexts(uint32_t bucket) const
{
    return std::span<const uint32_t>(m_texts).subspan(m_starts[bucket],
                                                      m_starts[bucket + 1] - m_starts[bucket]);
}

// Calls visit(bucket, text) for every trigram of every text, text by text.
template <typename Visit>
void TrigramIndex::forEachBucket(QStringView buffer, const std::vector<qsizetype>& offsets,
                                 Visit visit) const
{
    for (size_t text = 0; text + 1 < offsets.size(); ++text) {
        const qsizetype end = offsets[text + 1] - 1;
        qsizetype at = offsets[text];
        if (end - at < Length)
            continue;
        uint64_t trigram = shifted(shifted(0, buffer[at]), buffer[at + 1]);
        for (at += Length - 1; at < end; ++at) {
            trigram = shifted(trigram, buffer[at]);
            visit(bucket(trigram), uint32_t(text));
        }
    }
}

// The memory is kept for the next build: a fresh block of this size costs a
// page fault per page again, as much as the build itself.
void TrigramIndex::clear()
{
    m_starts.clear();
    m_texts.clear();
    m_shift = 64;
}

void TrigramIndex::build(QStringView buffer, const std::vector<qsizetype>& offsets)
{
    clear();
    if (offsets.size() < 2 || offsets.size() - 1 > std::numeric_limits<uint32_t>::max())
        return;
    size_t positions = 0;
    for (size_t text = 0; text + 1 < offsets.size(); ++text)
        positions +=
            size_t(std::max<qsizetype>(offsets[text + 1] - 1 - offsets[text] - (Length - 1), 0));
    if (positions == 0 || positions > MaxPositions)
        return;
    const int bits = std::clamp(int(std::bit_width(positions)) - 5, MinBucketBits, MaxBucketBits);
    m_shift = 64 - bits;
    const size_t buckets = size_t(1) << bits;

    // Count what each bucket lists, a text once however often it holds the
    // bucket's trigrams, then fill the lists. `last` is the last text counted
    // per bucket, then the end of each list while filling.
    std::vector<uint32_t> last(buckets, std::numeric_limits<uint32_t>::max());
    m_starts.assign(buckets + 1, 0);
    forEachBucket(buffer, offsets, [&](uint32_t b, uint32_t text) {
        if (last[b] != text) {
            last[b] = text;
            ++m_starts[b + 1];
        }
    });
    for (size_t b = 0; b < buckets; ++b)
        m_starts[b + 1] += m_starts[b];
    m_texts.resize(m_starts[buckets]);
    std::copy(m_starts.begin(), m_starts.end() - 1, last.begin());
    forEachBucket(buffer, offsets, [&](uint32_t b, uint32_t text) {
        if (last[b] == m_starts[b] || m_texts[last[b] - 1] != text)
            m_texts[last[b]++] = text;
    });
}

size_t TrigramIndex::memoryBytes() const
{
    return (m_starts.capacity() + m_texts.capacity()) * sizeof(uint32_t);
}

// The rarest two of the literal's buckets: a text must be in both.
TrigramIndex::Candidates TrigramIndex::candidates(int from, QStringView literal) const
{
    constexpr uint32_t None = std::numeric_limits<uint32_t>::max();
    uint32_t rarest = None, second = None;
    const auto size = [this](uint32_t b) { return m_starts[b + 1] - m_starts[b]; };
    uint64_t trigram = shifted(shifted(0, literal[0]), literal[1]);
    for (qsizetype at = Length - 1; at < literal.size(); ++at) {
        trigram = shifted(trigram, literal[at]);
        const uint32_t b = bucket(trigram);
        if (b == rarest || b == second)
            continue;
        if (rarest == None || size(b) < size(rarest)) {
            second = rarest;
            rarest = b;
        } else if (second == None || size(b) < size(second)) {
            second = b;
        }
    }
    const auto start = [from](std::span<const uint32_t> texts) {
        return size_t(std::lower_bound(texts.begin(), texts.end(), uint32_t(std::max(from, 0))) -
                      texts.begin());
    };
    Candidates result;
    result.m_rarest = bucketTexts(rarest);
    result.m_at = start(result.m_rarest);
    if (second != None) {
        result.m_hasOther = true;
        result.m_other = bucketTexts(second);
        result.m_otherAt = start(result.m_other);
    }
    return result;
}

int TrigramIndex::Candidates::next()
{
    while (m_at < m_rarest.size()) {
        const uint32_t text = m_rarest[m_at++];
        if (!m_hasOther)
            return int(text);
        // Both lists ascend: the other one is walked along, never back.
        const auto rest = m_other.subspan(m_otherAt);
        m_otherAt += size_t(std::lower_bound(rest.begin(), rest.end(), text) - rest.begin());
        if (m_otherAt == m_other.size())
            break;
        if (m_other[m_otherAt] == text)
            return int(text);
    }
    m_at = m_rarest.size();
    return -1;
}
