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

// Calls visit(bucket, text) for every trigram of the texts first to end,
// text by text.
template <typename Visit>
void TrigramIndex::forEachBucket(QStringView buffer, const std::vector<qsizetype>& offsets,
                                 size_t first, size_t end, Visit visit) const
{
    for (size_t text = first; text < end; ++text) {
        const qsizetype stop = offsets[text + 1] - 1;
        qsizetype at = offsets[text];
        if (stop - at < Length)
            continue;
        uint64_t trigram = shifted(shifted(0, buffer[at]), buffer[at + 1]);
        for (at += Length - 1; at < stop; ++at) {
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
    m_last.clear();
    m_shift = 64;
    m_phase = Phase::Idle;
    m_nextText = 0;
    m_built = false;
}

void TrigramIndex::build(QStringView buffer, const std::vector<qsizetype>& offsets)
{
    clear();
    while (!buildSome(buffer, offsets, std::numeric_limits<int>::max())) {
    }
}

bool TrigramIndex::begin(const std::vector<qsizetype>& offsets)
{
    clear();
    if (offsets.size() < 2 || offsets.size() - 1 > std::numeric_limits<uint32_t>::max())
        return false;
    size_t positions = 0;
    for (size_t text = 0; text + 1 < offsets.size(); ++text)
        positions +=
            size_t(std::max<qsizetype>(offsets[text + 1] - 1 - offsets[text] - (Length - 1), 0));
    if (positions == 0 || positions > MaxPositions)
        return false;
    const int bits = std::clamp(int(std::bit_width(positions)) - 5, MinBucketBits, MaxBucketBits);
    m_shift = 64 - bits;
    const size_t buckets = size_t(1) << bits;
    m_last.assign(buckets, std::numeric_limits<uint32_t>::max());
    m_starts.assign(buckets + 1, 0);
    m_phase = Phase::Counting;
    return true;
}

// Counts what each bucket lists, a text once however often it holds the
// bucket's trigrams, then fills the lists.
bool TrigramIndex::buildSome(QStringView buffer, const std::vector<qsizetype>& offsets, int texts)
{
    if (m_built)
        return true;
    if (m_phase == Phase::Idle && !begin(offsets))
        return true; // nothing to build: searches scan
    const size_t count = offsets.size() - 1;
    const size_t end = std::min(count, m_nextText + size_t(std::max(texts, 1)));
    const size_t buckets = m_starts.size() - 1;
    if (m_phase == Phase::Counting) {
        forEachBucket(buffer, offsets, m_nextText, end, [&](uint32_t b, uint32_t text) {
            if (m_last[b] != text) {
                m_last[b] = text;
                ++m_starts[b + 1];
            }
        });
        m_nextText = end;
        if (end < count)
            return false;
        for (size_t b = 0; b < buckets; ++b)
            m_starts[b + 1] += m_starts[b];
        // Room to spare: the next build after a post needs a few more, and
        // fresh memory of this size costs a page fault per page, here more
        // than the whole build.
        if (m_texts.capacity() < m_starts[buckets])
            m_texts.reserve(m_starts[buckets] + m_starts[buckets] / 8);
        m_texts.resize(m_starts[buckets]);
        std::copy(m_starts.begin(), m_starts.end() - 1, m_last.begin());
        m_phase = Phase::Filling;
        m_nextText = 0;
        return false;
    }
    forEachBucket(buffer, offsets, m_nextText, end, [&](uint32_t b, uint32_t text) {
        if (m_last[b] == m_starts[b] || m_texts[m_last[b] - 1] != text)
            m_texts[m_last[b]++] = text;
    });
    m_nextText = end;
    if (end < count)
        return false;
    m_phase = Phase::Idle;
    m_built = true;
    std::vector<uint32_t>().swap(m_last);
    return true;
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
