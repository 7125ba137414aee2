#pragma once
// The look-ahead of levels 3 to 5: best-reply search (Schadd and Winands), iterative deepening alpha-beta in which
// the searching player's moves alternate with one layer for all the opponents together, where only the single
// strongest reply of any one opponent is searched and the other opponents pass. With two players it is plain
// alpha-beta. Scores are always seen by the searching player.
//
// Passing opponents are not idle when a line is about to be completed, because on this board nobody lets another
// player complete one: within the opponents' layer every opponent, in turn order, takes a winning cell of its own
// if it has one, and otherwise blocks the winning cell of the player who moves soonest after it. So the search
// knows that a threat of a far opponent will be blocked by a nearer one (the searching player blocks only the
// next player's), and that two threats of its own are both blocked when two opponents move before it again.
// These blocks cost no depth, so threats are followed to their end.
//
// Positions are remembered across moves (the key includes the turn order, which decides what a score means), and
// moves are tried in the order of the remembered best move, two killer moves a ply, then a history of cut-offs.

#include "ai/search_limits.h"
#include "ai/threat_board.h"
#include "ai/transposition_table.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <stop_token>

namespace pyrandel {

class BestReplySearch {
public:
    static constexpr int WIN = 1'000'000;
    static constexpr int MAX_PLY = 64;

    explicit BestReplySearch(int table_bits);

    // Chooses among `root_lanes` (lanes with a landing spot on `board`, tried first in the order given) for the
    // colour order[0]; `order` lists the colours in play in turn order from there. Stops early, with the best
    // lane found so far, when `stop` is requested or a budget runs out. The board is left as it was given.
    [[nodiscard]] SearchResult Run(ThreatBoard& board, std::span<const int> order, std::span<const int> root_lanes,
                                   const SearchLimits& limits, std::stop_token stop);

    // The searching player's view of the board with order[0] to move, as the search weighs its leaves.
    [[nodiscard]] static int Evaluate(const ThreatBoard& board, std::span<const int> order);

private:
    struct Move {
        int lane = 0;
        int cell = 0;
        int key = 0;
    };

    [[nodiscard]] int OwnTurn(int depth, int ply, int alpha, int beta);
    [[nodiscard]] int OpponentMoves(int seat, bool replied, int depth, int ply, int alpha, int beta, int& best_reply);
    [[nodiscard]] bool HandsOverWin(int seat, int cell);
    [[nodiscard]] CellSet WinsToBlock(const CellSet& playable) const;
    [[nodiscard]] int SortMoves(std::array<Move, LANES>& moves, int colour, int ply, int first_lane) const;
    // Whose later move of a node is searched, or NONE for the first move, which is always searched in full.
    enum class Side : std::uint8_t { NONE, OWN, OPPONENTS };
    [[nodiscard]] int Searched(int seat, bool replied, int depth, int ply, int alpha, int beta, Side side, int& reply);
    [[nodiscard]] bool OutOfTime();
    void Reward(int ply, int colour, const Move& move, int depth);

    TranspositionTable table;
    // State of the running search.
    ThreatBoard* board = nullptr;
    std::span<const int> order;
    int seats = 0;
    std::uint64_t order_key = 0;
    std::stop_token stop;
    std::chrono::steady_clock::time_point deadline;
    std::uint64_t nodes = 0;
    bool aborted = false;
    std::array<std::array<int, 2>, MAX_PLY + 1> killers{};
    std::array<std::array<int, ThreatBoard::CELLS>, COLOURS> history{};
};

} // namespace pyrandel
