#pragma once
// Games between engines on the rules of the game, for measuring them (pyrandel-arena runs this): seats rotate
// from game to game, every seat's wins are counted with a confidence interval, and the time of every move is
// taken. A game is drawn when no lane is left with a landing spot; a game in which an engine chooses no legal
// lane ends there as a fault (never expected; the arena reports it).

#include "ai/engine.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

// Which engine sits in a seat: "5" is the standard engine of level 5, "5p" the reference engine of level 5, "h3"
// the stand-in for a person that looks three moves ahead.
struct EngineChoice {
    int level = Engine::MIN_LEVEL;
    EngineStyle style = EngineStyle::STANDARD;
    friend bool operator==(const EngineChoice&, const EngineChoice&) = default;
};

[[nodiscard]] std::optional<EngineChoice> ParseEngineChoice(std::string_view text);
[[nodiscard]] std::string EngineName(const EngineChoice& choice);

struct ArenaOptions {
    std::vector<EngineChoice> seats; // two to four
    int games = 200;
    std::uint64_t seed = 0;
    // Time per move for the looking-ahead levels, replacing their own: the hard limit, with the limit for
    // beginning a deeper search scaled alike.
    std::optional<std::chrono::milliseconds> move_time;
    int jobs = 1;
};

enum class GameEnd : std::uint8_t { WIN, DRAW, FAULT };

struct GameRecord {
    int game = 0;                // 0-based, in the order the games were dealt out
    std::vector<int> turn_order; // seats, from the one who starts
    GameEnd end = GameEnd::DRAW;
    int seat = -1; // the winner, or the seat that chose no legal lane
    int moves = 0;
};

struct SeatTally {
    int wins = 0;
    long moves = 0;
    double total_ms = 0;
    double max_ms = 0;
    // Processor time of the slowest move: on a busy machine the wall-clock times include waiting for a processor.
    double max_cpu_ms = 0;
};

struct ArenaSummary {
    std::vector<EngineChoice> seats;
    int games = 0; // games played so far
    int draws = 0;
    int faults = 0;
    std::vector<SeatTally> tallies; // per seat
    long moves = 0;
    double total_ms = 0;
    double max_ms = 0;
};

struct Interval {
    double low = 0;
    double high = 0;
};

// Statistics
// The Wilson score interval for a share of `successes` in `trials` at about 95% confidence; [0, 1] with no trial.
[[nodiscard]] Interval WilsonInterval(int successes, int trials);
// The turn order of a game: every seat starts once in every `seats` games, and the order of the others runs
// through all their permutations in turn, so no seat always follows the same one.
[[nodiscard]] std::vector<int> TurnOrderFor(int game, int seats);
// The summary as one line of JSON:
// {"games": N, "draws": D, "seats": [{"engine": "5", "wins": W, "share": S, "ci95": [L, H]}, ...],
//  "move_ms": {"mean": M, "max": X}}
[[nodiscard]] std::string SummaryJson(const ArenaSummary& summary);
// The limits an engine of `level` is given to think `move_time` per move.
[[nodiscard]] SearchLimits LimitsForMoveTime(int level, std::chrono::milliseconds move_time);

// Play
// Plays options.games games on options.jobs threads (at least one), each engine on the thread of its game.
// `on_game` is called after every game, one call at a time, with the game and the summary so far.
using GameObserver = std::function<void(const GameRecord&, const ArenaSummary&)>;
[[nodiscard]] ArenaSummary RunArena(const ArenaOptions& options, const GameObserver& on_game = {});

} // namespace pyrandel
