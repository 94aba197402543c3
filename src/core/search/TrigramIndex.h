#pragma once

#include <QStringView>

#include <cstdint>
#include <span>
#include <vector>

// For a list of texts, the texts that hold each trigram (three UTF-16 units),
// so that a search for a literal of three or more units looks only at the
// texts holding its rarest trigrams instead of at every text. The trigrams are
// hashed into buckets: a bucket lists, in ascending order and once each, the
// texts holding any trigram that falls into it. A listed text is therefore a
// candidate only; the caller compares it. A text that holds the literal is
// always listed, since it holds every trigram of it.
//
// The buckets are one flat array of text positions, counted first and filled
// after, with no container per trigram.
class TrigramIndex
{
public:
    static constexpr int Length = 3;

    // The texts lie one after another in buffer, text i from offsets[i] up to
    // one unit before offsets[i + 1] (the unit between two texts is never part
    // of a trigram). Builds nothing for texts without a single trigram or when
    // the index would be too large to pay off.
    void build(QStringView buffer, const std::vector<qsizetype>& offsets);
    // The same build in steps of up to `texts` texts each, so that a large
    // book's index can share the event loop's turns; true once it is built.
    // The texts must stay as they are until then; the index is empty until
    // the last step.
    bool buildSome(QStringView buffer, const std::vector<qsizetype>& offsets, int texts);
    void clear();
    bool isEmpty() const { return !m_built; }
    // Bytes held, for the memory figures.
    size_t memoryBytes() const;

    // The texts from `from` on that may hold literal, in ascending order.
    class Candidates
    {
    public:
        // The next candidate, -1 after the last.
        int next();

    private:
        friend class TrigramIndex;
        std::span<const uint32_t> m_rarest;
        std::span<const uint32_t> m_other;
        bool m_hasOther = false; // a literal of one trigram has one list
        size_t m_at = 0;
        size_t m_otherAt = 0;
    };
    // literal must have at least Length units and the index must not be empty.
    Candidates candidates(int from, QStringView literal) const;

private:
    uint32_t bucket(uint64_t trigram) const;
    std::span<const uint32_t> bucketTexts(uint32_t bucket) const;
    // Sizes the buckets for the texts; false when no index pays off.
    bool begin(const std::vector<qsizetype>& offsets);
    template <typename Visit>
    void forEachBucket(QStringView buffer, const std::vector<qsizetype>& offsets, size_t first,
                       size_t end, Visit visit) const;

    // A build under way: counting the lists, then filling them, from a text on.
    enum class Phase
    {
        Idle,
        Counting,
        Filling
    };
    Phase m_phase = Phase::Idle;
    size_t m_nextText = 0;
    // The last text counted per bucket, then the end of each list while filling.
    std::vector<uint32_t> m_last;
    bool m_built = false;

    int m_shift = 64;
    std::vector<uint32_t> m_starts; // bucket b lists m_texts[m_starts[b] .. m_starts[b + 1])
    std::vector<uint32_t> m_texts;  // the lists of every bucket, one after another
};
