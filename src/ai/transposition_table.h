#pragma once
// Remembers searched positions by hash so the search need not search them twice: within one search (the same
// position reached by moves in another order) and from one depth of iterative deepening to the next (the best
// move found before is tried first). Entries of earlier searches are ignored, not cleared, so starting a search
// costs nothing; a search may still recall them, and they give way to any entry of the running search.

#include <cstdint>
#include <optional>
#include <vector>

namespace pyrandel {

class TranspositionTable {
public:
    enum class Bound : std::uint8_t { EXACT, LOWER, UPPER };

    struct Entry {
        std::uint64_t key = 0;
        int score = 0;
        std::int8_t depth = 0;
        std::int8_t best_lane = -1;
        Bound bound = Bound::EXACT;
        std::uint8_t generation = 0;
    };

    // 2^size_bits entries.
    explicit TranspositionTable(int size_bits);

    // Forgets every entry by moving on to a new generation.
    void NewSearch();
    [[nodiscard]] std::optional<Entry> Find(std::uint64_t key) const;
    // Also finds entries of earlier searches, for a search whose keys mean the same from one search to the next.
    [[nodiscard]] std::optional<Entry> Recall(std::uint64_t key) const;
    // Keeps the new entry unless the slot holds a deeper one of this search for another position.
    void Store(std::uint64_t key, int score, int depth, int best_lane, Bound bound);

private:
    std::vector<Entry> entries;
    std::uint64_t mask;
    std::uint8_t generation = 1;
};

} // namespace pyrandel
