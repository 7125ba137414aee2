#include "ai/transposition_table.h"

namespace pyrandel {

TranspositionTable::TranspositionTable(int size_bits)
    : entries(std::size_t{1} << size_bits), mask((std::uint64_t{1} << size_bits) - 1)
{
}

void TranspositionTable::NewSearch()
{
    ++generation;
    if (generation == 0) {
        // Generation numbers have wrapped: entries that old could pass for current ones, so clear them.
        for (Entry& entry : entries) {
            entry = Entry{};
        }
        generation = 1;
    }
}

std::optional<TranspositionTable::Entry> TranspositionTable::Find(std::uint64_t key) const
{
    const Entry& entry = entries[key & mask];
    if (entry.generation != generation || entry.key != key) {
        return std::nullopt;
    }
    return entry;
}

std::optional<TranspositionTable::Entry> TranspositionTable::Recall(std::uint64_t key) const
{
    const Entry& entry = entries[key & mask];
    if (entry.generation == 0 || entry.key != key) {
        return std::nullopt;
    }
    return entry;
}

void TranspositionTable::Store(std::uint64_t key, int score, int depth, int best_lane, Bound bound)
{
    Entry& entry = entries[key & mask];
    if (entry.generation == generation && entry.key != key && entry.depth > depth) {
        return;
    }
    entry = Entry{key, score, static_cast<std::int8_t>(depth), static_cast<std::int8_t>(best_lane), bound, generation};
}

} // namespace pyrandel
