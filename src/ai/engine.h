#pragma once
// The computer player's choice of move: given a board, its own colour and the colours in play, the lane to drop
// its next ball into. Always a lane with a landing spot under the support rule, or nothing when no lane has one.
//
// Levels:
//   1  a random lane;
//   2  completes a line when it can, else blocks any opponent's immediate win (the nearest in turn order first),
//      else the drop that best improves its own open lines against the others' without handing the next
//      player a win;
//   3-5 look ahead, deeper and longer per level: level 5 thinks at most 0.75 s a move.
// Lanes that look equally good are chosen among at random, so games between two engines differ. In rooms of three
// and four the levels below 5 also overlook balls on the board, so some of the others' lines and some of their
// own go unseen: the more the lower the level, and more in a room of four (ai/attention.h). In a room of two they
// see everything.
//
// Two styles of engine: the standard one looks ahead with BestReplySearch; the reference one is the engine as it
// first shipped (ParanoidSearch and its evaluation), kept unchanged so that every later engine is measured
// against the same opponent. Both share levels 1 and 2 and the time limits of every level; the standard engine
// goes on deepening until its limit, the reference one begins no new depth after a third to a half of it.
//
// A third style stands in for a person when engines are measured (the arena's "h" seats): the reference search
// to a fixed number of moves ahead, whatever the clock, with the careful but imperfect STAND_IN_ATTENTION in
// every room; its level is that number of moves.
//
// One engine serves one thread at a time. ChooseLane returns promptly, still with a legal lane, once the given
// stop token is requested, so a caller can end a search from another thread at shutdown.

#include "ai/attention.h"
#include "ai/best_reply_search.h"
#include "ai/paranoid_search.h"
#include "ai/search_limits.h"
#include "game/grid.h"

#include <cstdint>
#include <optional>
#include <random>
#include <stop_token>
#include <variant>
#include <vector>

namespace pyrandel {

// Who plays: the engine's colour and the colours in play in turn order. A turn order that leaves out the own
// colour, repeats colours or holds values outside 0..3 is mended, not refused; with no opponent known, the
// colours on the board (or else the next colour) stand in.
struct Seating {
    int own_colour = 0;
    std::vector<int> turn_order;
};

enum class EngineStyle : std::uint8_t { STANDARD, REFERENCE, STAND_IN };

class Engine {
public:
    static constexpr int MIN_LEVEL = 1;
    static constexpr int MAX_LEVEL = 5;

    // A level outside 1..5 is taken as the nearest one. Equal seeds make equal choices, time limits allowing.
    Engine(int level, std::uint64_t seed, EngineStyle style = EngineStyle::STANDARD);

    // Play
    [[nodiscard]] std::optional<int> ChooseLane(const Grid& grid, const Seating& seating, std::stop_token stop = {});

    // Settings
    [[nodiscard]] int level() const { return level_number; }
    [[nodiscard]] EngineStyle style() const { return engine_style; }
    [[nodiscard]] static SearchLimits LimitsFor(int level);
    [[nodiscard]] static SearchLimits LimitsFor(int level, EngineStyle style);
    // Replaces the look-ahead limits of levels 3 to 5 (tests and measurements fix the depth this way).
    void SetLimits(const SearchLimits& limits) { search_limits = limits; }
    // What the engine notices in rooms of three and four (and, for the stand-in, of two); see ai/attention.h.
    [[nodiscard]] const RoomAttention& attention() const { return attention_in_company; }
    void SetAttention(const RoomAttention& attention) { attention_in_company = attention; }
    // What the last look-ahead did; empty before the first one.
    [[nodiscard]] const SearchResult& last_search() const { return last_result; }

private:
    [[nodiscard]] std::optional<int> Greedy(SearchBoard& board, const std::vector<int>& order,
                                            const std::vector<int>& lanes) const;
    // Draws which balls in play the engine notices this move and marks the others in `seen` as belonging to
    // nobody.
    void Overlook(const Attention& attention, const std::vector<int>& order, Grid& seen);

    int level_number;
    EngineStyle engine_style;
    std::mt19937_64 random;
    SearchLimits search_limits;
    RoomAttention attention_in_company;
    std::variant<BestReplySearch, ParanoidSearch> search;
    SearchResult last_result;
};

} // namespace pyrandel
