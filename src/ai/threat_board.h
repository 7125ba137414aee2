#pragma once
// The board of the best-reply search. Like SearchBoard it keeps every lane's landing spot, the state of every line
// of five and a hash as balls are put and taken back; besides, it keeps for every colour its threat cells: the
// cells that would complete a line of five of that colour. Whether a move wins is then one look-up, and the
// evaluation can ask which threats can be played now, which wait for support, and which stand on one another.
//
// A threat cell is kept as such while the four other cells of its line hold the colour and it holds anything but
// that colour; callers that want open threats intersect with EmptyCells() or Playable().
//
// Values that are neither EMPTY nor a colour in play are kept as BLOCKING, as SearchBoard does.

#include "ai/cell_set.h"
#include "ai/line_table.h"
#include "game/grid.h"

#include <array>
#include <cstdint>
#include <span>

namespace pyrandel {

namespace threat_board_detail {

[[nodiscard]] constexpr CellSet AllCells()
{
    CellSet all;
    for (int cell = 0; cell < ROWS * COLUMNS; ++cell) {
        all.Add(cell);
    }
    return all;
}

// For every cell, the cells above it that it is a support of: (c-1, r+1) and (c, r+1) above an even row,
// (c, r+1) and (c+1, r+1) above an odd one.
[[nodiscard]] constexpr std::array<CellSet, ROWS * COLUMNS> AboveCells()
{
    std::array<CellSet, ROWS * COLUMNS> above{};
    for (int row = 0; row + 1 < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            const int first = (row & 1) != 0 ? col : col - 1;
            for (int c = first; c <= first + 1; ++c) {
                if (c >= 0 && c < COLUMNS) {
                    above[static_cast<std::size_t>(row * COLUMNS + col)].Add((row + 1) * COLUMNS + c);
                }
            }
        }
    }
    return above;
}

inline constexpr CellSet ALL_CELLS = AllCells();
inline constexpr std::array<CellSet, ROWS* COLUMNS> ABOVE = AboveCells();

} // namespace threat_board_detail

class ThreatBoard {
public:
    static constexpr int CELLS = ROWS * COLUMNS;
    static constexpr int NO_SPOT = -1;
    static constexpr int BLOCKING = COLOURS;

    ThreatBoard(const Grid& grid, std::span<const int> colours_in_play);

    // Rules
    [[nodiscard]] int Landing(int lane) const { return landing[static_cast<std::size_t>(lane)]; }
    // Whether a ball of `colour` put on the empty `cell` would complete a line of five.
    [[nodiscard]] bool Completes(int cell, int colour) const { return threats[Index(colour)].Has(cell); }
    void Put(int cell, int colour);
    void Take(int cell);
    [[nodiscard]] int ValueAt(int cell) const { return cells[Index(cell)]; }

    // Evaluation
    // The worth of `colour`'s open lines of one to three balls (lines of four are its threats).
    [[nodiscard]] int OpenLines(int colour) const;
    [[nodiscard]] const CellSet& Threats(int colour) const { return threats[Index(colour)]; }
    // A quick guess at how much a ball of `colour` on the empty `cell` does, for trying likely moves first: the
    // lines it lengthens and the lines of others it breaks.
    [[nodiscard]] int MoveGain(int cell, int colour) const;
    // The landing cells of all lanes: the cells a ball can be put on now.
    [[nodiscard]] const CellSet& Playable() const { return playable; }
    [[nodiscard]] CellSet EmptyCells() const { return threat_board_detail::ALL_CELLS.Without(filled); }
    // The cells a ball on `cell` helps to hold up (one or two).
    [[nodiscard]] static const CellSet& Above(int cell) { return threat_board_detail::ABOVE[Index(cell)]; }
    [[nodiscard]] std::uint64_t Hash() const { return hash; }

private:
    struct LineState {
        std::uint8_t total = 0; // balls in the line, a blocking cell counting as BLOCKED
        std::array<std::uint8_t, COLOURS> count{};
    };

    [[nodiscard]] static constexpr std::size_t Index(int value) { return static_cast<std::size_t>(value); }
    [[nodiscard]] int At(int col, int row) const;
    [[nodiscard]] int OtherCell(int line, int colour, int except) const;
    void AddThreat(int cell, int colour);
    void RemoveThreat(int cell, int colour);
    void RefreshLanes(int cell);

    std::array<std::int8_t, CELLS> cells{};
    std::array<std::int16_t, LANES> landing{};
    std::array<LineState, LineTable::LINES> lines{};
    std::array<std::array<std::uint8_t, COLOURS>, CELLS> threat_lines{}; // lines that make a cell a threat cell
    std::array<CellSet, COLOURS> threats{};
    CellSet playable;
    CellSet filled;
    std::array<std::array<int, WIN_COUNT + 1>, COLOURS> pure{}; // lines of one colour by their number of balls
    std::uint64_t hash = 0;
};

} // namespace pyrandel
