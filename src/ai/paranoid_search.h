#pragma once
// The look-ahead of levels 3 to 5: iterative deepening alpha-beta. With two players it is plain minimax; with
// three or four it is the paranoid search: every opponent is taken to play against the searching player alone,
// as if all of them were one side. Scores are always seen by the searching player.
//
// Refinements that matter on this board: a player who can complete a line on the move is a won position without
// searching further; a player facing one immediate win of the other side must take that cell, and faces a lost
// position with two (that move is searched without using up depth, so threats are seen through to their end);
// moves are tried in the order of the best move remembered for the position, two killer moves a ply, then a
// history of moves that cut off the search before.

#include "ai/search_board.h"
#include "ai/search_limits.h"
#include "ai/transposition_table.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <stop_token>

namespace pyrandel {

class ParanoidSearch {
public:
    static constexpr int WIN = 1'000'000;
    static constexpr int MAX_PLY = 64;

    explicit ParanoidSearch(int table_bits);

    // Chooses among `root_lanes` (lanes with a landing spot on `board`, tried first in the order given) for the
    // colour order[0]; `order` lists the colours in play in turn order from there. Stops early, with the best
    // lane found so far, when `stop` is requested or a budget runs out. The board is left as it was given.
    [[nodiscard]] SearchResult Run(SearchBoard& board, std::span<const int> order, std::span<const int> root_lanes,
                                   const SearchLimits& limits, std::stop_token stop);

private:
    struct Move {
        int lane = 0;
        int cell = 0;
        int key = 0;
    };

    [[nodiscard]] int Node(int depth, int ply, int alpha, int beta, int mover_index);
    [[nodiscard]] int Evaluate() const;
    [[nodiscard]] bool OutOfTime();
    void Reward(int ply, int mover_index, const Move& move, int depth);

    TranspositionTable table;
    // State of the running search.
    SearchBoard* board = nullptr;
    std::span<const int> order;
    std::stop_token stop;
    std::chrono::steady_clock::time_point deadline;
    std::uint64_t nodes = 0;
    bool aborted = false;
    std::array<std::array<int, 2>, MAX_PLY + 1> killers{};
    std::array<std::array<int, SearchBoard::CELLS>, COLOURS> history{};
};

} // namespace pyrandel
