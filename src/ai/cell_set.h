#pragma once
// A set of board cells as a bit set: the threat board keeps its threat cells, landing cells and filled cells in
// these, so the evaluation asks questions such as "which threats can be played now" with a few word operations.

#include "game/grid.h"

#include <array>
#include <bit>
#include <cstdint>

namespace pyrandel {

class CellSet {
public:
    static constexpr int WORDS = (ROWS * COLUMNS + 63) / 64;

    [[nodiscard]] static constexpr CellSet Of(int cell)
    {
        CellSet set;
        set.Add(cell);
        return set;
    }

    [[nodiscard]] constexpr bool Has(int cell) const { return (words[Word(cell)] & Bit(cell)) != 0; }
    constexpr void Add(int cell) { words[Word(cell)] |= Bit(cell); }
    constexpr void Remove(int cell) { words[Word(cell)] &= ~Bit(cell); }

    [[nodiscard]] constexpr int Count() const
    {
        int count = 0;
        for (const std::uint64_t word : words) {
            count += std::popcount(word);
        }
        return count;
    }
    [[nodiscard]] constexpr bool Empty() const { return (words[0] | words[1] | words[2]) == 0; }

    [[nodiscard]] constexpr CellSet operator&(const CellSet& other) const
    {
        return Combine(other, [](std::uint64_t a, std::uint64_t b) { return a & b; });
    }
    [[nodiscard]] constexpr CellSet operator|(const CellSet& other) const
    {
        return Combine(other, [](std::uint64_t a, std::uint64_t b) { return a | b; });
    }
    // The cells of this set that are not in `other`.
    [[nodiscard]] constexpr CellSet Without(const CellSet& other) const
    {
        return Combine(other, [](std::uint64_t a, std::uint64_t b) { return a & ~b; });
    }

    // Calls `visit(cell)` for every cell, in increasing order.
    template <typename Visit>
    constexpr void ForEach(Visit visit) const
    {
        for (int w = 0; w < WORDS; ++w) {
            for (std::uint64_t word = words[static_cast<std::size_t>(w)]; word != 0; word &= word - 1) {
                visit(w * 64 + std::countr_zero(word));
            }
        }
    }

    friend constexpr bool operator==(const CellSet&, const CellSet&) = default;

private:
    static_assert(ROWS * COLUMNS == WORDS * 64, "the sets below assume whole words");

    [[nodiscard]] static constexpr std::size_t Word(int cell) { return static_cast<std::size_t>(cell) / 64; }
    [[nodiscard]] static constexpr std::uint64_t Bit(int cell) { return std::uint64_t{1} << (cell % 64); }

    template <typename Op>
    [[nodiscard]] constexpr CellSet Combine(const CellSet& other, Op op) const
    {
        CellSet result;
        for (std::size_t w = 0; w < WORDS; ++w) {
            result.words[w] = op(words[w], other.words[w]);
        }
        return result;
    }

    std::array<std::uint64_t, WORDS> words{};
};

} // namespace pyrandel
