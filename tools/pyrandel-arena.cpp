// pyrandel-arena: plays computer players of given levels against each other on the rules of the game and prints
// how often each won, and how long each took per move. A measuring tool, run by hand.
//
// Seats rotate from game to game, so every level starts equally often. A game is drawn when no lane is left
// with a landing spot.

#include "ai/engine.h"
#include "game/grid.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using pyrandel::Engine;
using pyrandel::Grid;

constexpr std::string_view USAGE =
    "usage: pyrandel-arena [--games N] [--levels A,B[,C[,D]]] [--seed S] [--verbose]\n"
    "\n"
    "Plays N games (default 200) between computer players of the given levels (1 to 5, two to four of them,\n"
    "default 2,1), rotating who starts, and prints wins, draws and losses per player and the mean and maximum\n"
    "time per move.\n"
    "  --games N     number of games, 1 or more\n"
    "  --levels L    comma-separated levels, one per player, in seat order\n"
    "  --seed S      seed for the players' random choices (default: a fresh one, printed)\n"
    "  --verbose     one line per game\n"
    "  --help        this text\n";

struct Options {
    int games = 200;
    std::vector<int> levels = {2, 1};
    std::uint64_t seed = 0;
    bool seeded = false;
    bool verbose = false;
    bool help = false;
};

template <typename Number> [[nodiscard]] std::optional<Number> ParseNumber(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

[[nodiscard]] std::optional<std::vector<int>> ParseLevels(std::string_view text)
{
    std::vector<int> levels;
    while (true) {
        const auto comma = text.find(',');
        const auto level = ParseNumber<int>(text.substr(0, comma));
        if (!level || *level < Engine::MIN_LEVEL || *level > Engine::MAX_LEVEL) {
            return std::nullopt;
        }
        levels.push_back(*level);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (levels.size() < 2 || levels.size() > static_cast<std::size_t>(pyrandel::COLOURS)) {
        return std::nullopt;
    }
    return levels;
}

// Reads the command line; on a mistake, names it and returns nothing.
[[nodiscard]] std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "pyrandel-arena: %s needs a value\n", argv[i]);
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--games") {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            const auto games = ParseNumber<int>(*text);
            if (!games || *games < 1) {
                std::fprintf(stderr, "pyrandel-arena: --games wants a whole number of 1 or more, not '%.*s'\n",
                             static_cast<int>(text->size()), text->data());
                return std::nullopt;
            }
            options.games = *games;
        } else if (argument == "--levels") {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            auto levels = ParseLevels(*text);
            if (!levels) {
                std::fprintf(stderr,
                             "pyrandel-arena: --levels wants two to four levels from 1 to 5 separated by commas, "
                             "not '%.*s'\n",
                             static_cast<int>(text->size()), text->data());
                return std::nullopt;
            }
            options.levels = std::move(*levels);
        } else if (argument == "--seed") {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            const auto seed = ParseNumber<std::uint64_t>(*text);
            if (!seed) {
                std::fprintf(stderr, "pyrandel-arena: --seed wants a whole number, not '%.*s'\n",
                             static_cast<int>(text->size()), text->data());
                return std::nullopt;
            }
            options.seed = *seed;
            options.seeded = true;
        } else {
            std::fprintf(stderr, "pyrandel-arena: unknown argument '%s'\n", argv[i]);
            return std::nullopt;
        }
    }
    return options;
}

struct Tally {
    int wins = 0;
    int draws = 0;
    int losses = 0;
    long moves = 0;
    double total_ms = 0;
    double max_ms = 0;
    int over_second = 0; // moves that took longer than a second
    // Processor time of the slowest move: on a busy machine the wall-clock times above include waiting for it.
    double max_cpu_ms = 0;
};

[[nodiscard]] double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

enum class Outcome { WIN, DRAW, FAULT };

struct GameResult {
    Outcome outcome = Outcome::DRAW;
    int winner = -1; // player index: the winner, or the player who chose an illegal lane
    int moves = 0;
};

// One game; player p plays colour p, and turn_order lists player indices from the one who starts.
[[nodiscard]] GameResult PlayGame(std::vector<Engine>& engines, const std::vector<int>& turn_order,
                                  std::vector<Tally>& tallies)
{
    Grid grid = pyrandel::EmptyGrid();
    pyrandel::Seating seating;
    seating.turn_order = turn_order; // colour = player index
    GameResult result;
    for (int turn = 0;; ++turn) {
        const int player = turn_order[static_cast<std::size_t>(turn) % turn_order.size()];
        bool any_lane = false;
        for (int lane = 0; lane < pyrandel::LANES && !any_lane; ++lane) {
            any_lane = pyrandel::LandingSpot(grid, lane).has_value();
        }
        if (!any_lane) {
            return result;
        }
        seating.own_colour = player;
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = ThreadCpuMs();
        const auto lane = engines[static_cast<std::size_t>(player)].ChooseLane(grid, seating);
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        Tally& tally = tallies[static_cast<std::size_t>(player)];
        ++tally.moves;
        tally.total_ms += spent.count();
        tally.max_ms = std::max(tally.max_ms, spent.count());
        tally.over_second += spent.count() > 1000.0 ? 1 : 0;
        tally.max_cpu_ms = std::max(tally.max_cpu_ms, ThreadCpuMs() - cpu_start);
        const auto spot = lane ? pyrandel::LandingSpot(grid, *lane) : std::nullopt;
        if (!spot) {
            std::fprintf(stderr, "pyrandel-arena: player %d chose no legal lane on move %d\n", player + 1, turn);
            result.outcome = Outcome::FAULT;
            result.winner = player;
            return result;
        }
        grid[static_cast<std::size_t>(spot->row * pyrandel::COLUMNS + spot->col)] = player;
        ++result.moves;
        if (pyrandel::CompletesLine(grid, spot->col, spot->row, player)) {
            result.outcome = Outcome::WIN;
            result.winner = player;
            return result;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs("pyrandel-arena: try --help\n", stderr);
        return 2;
    }
    if (options->help) {
        std::fwrite(USAGE.data(), 1, USAGE.size(), stdout);
        return 0;
    }
    const std::uint64_t seed = options->seeded ? options->seed : std::random_device{}();
    const int players = static_cast<int>(options->levels.size());
    std::vector<Engine> engines;
    for (int p = 0; p < players; ++p) {
        engines.emplace_back(options->levels[static_cast<std::size_t>(p)], seed + static_cast<std::uint64_t>(p));
    }
    std::vector<Tally> tallies(static_cast<std::size_t>(players));
    int faults = 0;
    long total_moves = 0;
    for (int game = 0; game < options->games; ++game) {
        std::vector<int> turn_order;
        for (int p = 0; p < players; ++p) {
            turn_order.push_back((game + p) % players);
        }
        const GameResult result = PlayGame(engines, turn_order, tallies);
        total_moves += result.moves;
        for (int p = 0; p < players; ++p) {
            Tally& tally = tallies[static_cast<std::size_t>(p)];
            // A player who chose an illegal lane loses; the game then counts as a draw for everybody else.
            if (result.outcome == Outcome::WIN) {
                ++(p == result.winner ? tally.wins : tally.losses);
            } else if (result.outcome == Outcome::FAULT && p == result.winner) {
                ++tally.losses;
            } else {
                ++tally.draws;
            }
        }
        if (result.outcome == Outcome::FAULT) {
            ++faults;
        }
        if (options->verbose) {
            std::printf("game %d: starts player %d, %s after %d moves\n", game + 1, turn_order[0] + 1,
                        result.outcome == Outcome::DRAW    ? "draw"
                        : result.outcome == Outcome::FAULT ? "illegal move"
                        : result.winner == 0               ? "player 1 wins"
                        : result.winner == 1               ? "player 2 wins"
                        : result.winner == 2               ? "player 3 wins"
                                                           : "player 4 wins",
                        result.moves);
            std::fflush(stdout);
        }
    }

    std::printf("%d games, seed %llu, mean %.1f moves a game\n", options->games,
                static_cast<unsigned long long>(seed), static_cast<double>(total_moves) / options->games);
    std::printf("player level   wins  draws losses   win%%   mean ms    max ms  moves  over 1 s  max cpu ms\n");
    for (int p = 0; p < players; ++p) {
        const Tally& tally = tallies[static_cast<std::size_t>(p)];
        std::printf("%6d %5d %6d %6d %6d %6.1f %9.2f %9.2f %6ld %9d %11.2f\n", p + 1,
                    options->levels[static_cast<std::size_t>(p)], tally.wins, tally.draws, tally.losses,
                    100.0 * tally.wins / options->games,
                    tally.moves > 0 ? tally.total_ms / static_cast<double>(tally.moves) : 0.0, tally.max_ms,
                    tally.moves, tally.over_second, tally.max_cpu_ms);
    }
    if (faults > 0) {
        std::printf("%d games ended by an illegal move\n", faults);
        return 1;
    }
    return 0;
}
