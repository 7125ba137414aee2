#pragma once
// Every line of five cells on the board, across and along both slanting directions, and for every cell the lines
// that pass through it. Built at compile time by walking the winning rule's lines (LINE_DIRECTIONS) forward from
// every cell, so the table counts the lines the Board counts.
// A ball completes a line of five exactly when one of the lines through its cell holds five balls of its colour.

#include "game/grid.h"

#include <array>
#include <cstdint>

namespace pyrandel {

struct LineTable {
    // 12 rows x 12 across, and 8 starting rows x 14 starting columns for each slanting direction.
    static constexpr int LINES = ROWS * (COLUMNS - 4) + 2 * (ROWS - 4) * (COLUMNS - 2);
    static constexpr int MAX_PER_CELL = 3 * WIN_COUNT;

    std::array<std::array<std::uint8_t, WIN_COUNT>, LINES> cells{};
    std::array<std::array<std::uint16_t, MAX_PER_CELL>, ROWS * COLUMNS> lines_of{};
    std::array<std::uint8_t, ROWS * COLUMNS> line_count{};
};

namespace line_table_detail {

[[nodiscard]] constexpr LineTable Build()
{
    LineTable table;
    int line = 0;
    for (const LineDirection direction : LINE_DIRECTIONS) {
        for (int row = 0; row < ROWS; ++row) {
            for (int col = 0; col < COLUMNS; ++col) {
                std::array<Cell, WIN_COUNT> run{};
                run[0] = {col, row};
                bool inside = true;
                for (int i = 1; i < WIN_COUNT; ++i) {
                    run[static_cast<std::size_t>(i)] =
                        NeighbourOf(run[static_cast<std::size_t>(i - 1)], direction.forward);
                    const Cell c = run[static_cast<std::size_t>(i)];
                    inside = inside && c.col >= 0 && c.col < COLUMNS && c.row < ROWS;
                }
                if (!inside) {
                    continue;
                }
                for (int i = 0; i < WIN_COUNT; ++i) {
                    const Cell c = run[static_cast<std::size_t>(i)];
                    const auto index = static_cast<std::size_t>(c.row * COLUMNS + c.col);
                    table.cells[static_cast<std::size_t>(line)][static_cast<std::size_t>(i)] =
                        static_cast<std::uint8_t>(index);
                    table.lines_of[index][table.line_count[index]++] = static_cast<std::uint16_t>(line);
                }
                ++line;
            }
        }
    }
    return table;
}

// Too many lines would already fail to compile (an index past the table); too few fail here.
[[nodiscard]] constexpr int CellLineEntries(const LineTable& table)
{
    int entries = 0;
    for (const auto count : table.line_count) {
        entries += count;
    }
    return entries;
}

} // namespace line_table_detail

inline constexpr LineTable LINE_TABLE = line_table_detail::Build();
static_assert(line_table_detail::CellLineEntries(LINE_TABLE) == LineTable::LINES * WIN_COUNT);

} // namespace pyrandel
