// pyrandel-arena: plays computer players against each other on the rules of the game and prints how often each
// seat won, with a 95% confidence interval, the draws, and the time taken per move. A measuring tool, run by hand.
//
// Seats rotate from game to game (see TurnOrderFor), so every seat starts equally often.

#include "ai/arena.h"
#include "version.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using pyrandel::ArenaOptions;
using pyrandel::ArenaSummary;
using pyrandel::EngineChoice;
using pyrandel::GameEnd;
using pyrandel::GameRecord;

constexpr std::string_view USAGE =
    "usage: pyrandel-arena [--games N] [--levels A,B[,C[,D]]] [--move-ms N] [--jobs N] [--seed S] [--json]\n"
    "                      [--verbose]\n"
    "\n"
    "Plays N games between computer players, one per seat, rotating who starts and who follows whom, and prints\n"
    "each seat's wins with a 95% confidence interval, the draws, and the mean and maximum time per move.\n"
    "  --games N     number of games, 1 or more (default 200)\n"
    "  --levels L    comma-separated engines in seat order, two to four: a level 1 to 5 for the standard engine,\n"
    "                with a 'p' (5p) for the reference engine of that level (default 2,1)\n"
    "  --move-ms N   time per move in milliseconds for levels 3 to 5, instead of their own (default: their own)\n"
    "  --jobs N      games played at once, each on a thread of its own (default 1)\n"
    "  --seed S      seed for the players' random choices (default: a fresh one, printed)\n"
    "  --json        print the summary as one JSON object instead\n"
    "  --verbose     one line per game (on stderr with --json)\n"
    "  --help        this text\n"
    "  --version     the program's name and version\n"
    "A progress line is shown on stderr while the games run.\n";

struct Options {
    ArenaOptions arena;
    bool seeded = false;
    bool json = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

template <typename Number>
[[nodiscard]] std::optional<Number> ParseNumber(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

[[nodiscard]] std::optional<std::vector<EngineChoice>> ParseLevels(std::string_view text)
{
    std::vector<EngineChoice> seats;
    while (true) {
        const auto comma = text.find(',');
        const auto choice = pyrandel::ParseEngineChoice(text.substr(0, comma));
        if (!choice) {
            return std::nullopt;
        }
        seats.push_back(*choice);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (seats.size() < 2 || seats.size() > static_cast<std::size_t>(pyrandel::COLOURS)) {
        return std::nullopt;
    }
    return seats;
}

void Complain(const char* option, const char* wants, std::string_view text)
{
    std::fprintf(stderr, "pyrandel-arena: %s wants %s, not '%.*s'\n", option, wants, static_cast<int>(text.size()),
                 text.data());
}

// Reads the command line; on a mistake, names it and returns nothing.
[[nodiscard]] std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    options.arena.seats = {{2, pyrandel::EngineStyle::STANDARD}, {1, pyrandel::EngineStyle::STANDARD}};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--version") {
            options.version = true;
            continue;
        }
        if (argument == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (argument == "--json") {
            options.json = true;
            continue;
        }
        const bool takes_value = argument == "--games" || argument == "--levels" || argument == "--move-ms" ||
                                 argument == "--jobs" || argument == "--seed";
        if (!takes_value) {
            std::fprintf(stderr, "pyrandel-arena: unknown argument '%s'\n", argv[i]);
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "pyrandel-arena: %s needs a value\n", argv[i]);
            return std::nullopt;
        }
        const std::string_view text = argv[++i];
        if (argument == "--levels") {
            auto seats = ParseLevels(text);
            if (!seats) {
                Complain("--levels", "two to four levels from 1 to 5, each maybe with a 'p', separated by commas",
                         text);
                return std::nullopt;
            }
            options.arena.seats = std::move(*seats);
        } else if (argument == "--seed") {
            const auto seed = ParseNumber<std::uint64_t>(text);
            if (!seed) {
                Complain("--seed", "a whole number", text);
                return std::nullopt;
            }
            options.arena.seed = *seed;
            options.seeded = true;
        } else {
            const auto number = ParseNumber<int>(text);
            if (!number || *number < 1) {
                Complain(argv[i - 1], "a whole number of 1 or more", text);
                return std::nullopt;
            }
            if (argument == "--games") {
                options.arena.games = *number;
            } else if (argument == "--jobs") {
                options.arena.jobs = *number;
            } else {
                options.arena.move_time = std::chrono::milliseconds(*number);
            }
        }
    }
    return options;
}

[[nodiscard]] std::string Describe(const GameRecord& record, const ArenaSummary& summary)
{
    std::string order;
    for (const int seat : record.turn_order) {
        order += order.empty() ? "" : ",";
        order += std::to_string(seat + 1);
    }
    std::string text = "game " + std::to_string(record.game + 1) + ": order " + order + ", ";
    const std::string who = record.seat >= 0
                                ? "seat " + std::to_string(record.seat + 1) + " (" +
                                      pyrandel::EngineName(summary.seats[static_cast<std::size_t>(record.seat)]) + ")"
                                : "";
    switch (record.end) {
    case GameEnd::WIN:
        text += who + " wins";
        break;
    case GameEnd::DRAW:
        text += "draw";
        break;
    case GameEnd::FAULT:
        text += who + " chose no legal lane";
        break;
    }
    return text + " after " + std::to_string(record.moves) + " moves\n";
}

void ShowProgress(const ArenaSummary& summary, int games, std::chrono::steady_clock::time_point start)
{
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    // Appended piece by piece: GCC 12 warns wrongly about a literal added to a temporary string.
    std::string line = "\r";
    line += std::to_string(summary.games) + "/" + std::to_string(games) + " games:";
    for (std::size_t seat = 0; seat < summary.seats.size(); ++seat) {
        line += ' ';
        line += pyrandel::EngineName(summary.seats[seat]) + ":" + std::to_string(summary.tallies[seat].wins);
    }
    line += ", draws " + std::to_string(summary.draws) + " (" + std::to_string(seconds / 60) + "m" +
            std::to_string(seconds % 60) + "s) ";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void PrintTable(const ArenaSummary& summary, const Options& options)
{
    const int players = static_cast<int>(summary.seats.size());
    std::printf("%d games, %d players, seed %llu, ", summary.games, players,
                static_cast<unsigned long long>(options.arena.seed));
    if (options.arena.move_time) {
        std::printf("%lld ms a move", static_cast<long long>(options.arena.move_time->count()));
    } else {
        std::printf("each level's own time");
    }
    std::printf(", %d jobs, mean %.1f moves a game\n", options.arena.jobs,
                summary.games > 0 ? static_cast<double>(summary.moves) / summary.games : 0.0);
    std::printf("seat engine   wins   share   95%% interval     mean ms    max ms  max cpu ms\n");
    for (int seat = 0; seat < players; ++seat) {
        const auto& tally = summary.tallies[static_cast<std::size_t>(seat)];
        const auto ci = pyrandel::WilsonInterval(tally.wins, summary.games);
        std::printf("%4d %6s %6d  %5.1f%%  [%5.1f%%, %5.1f%%] %9.2f %9.2f %11.2f\n", seat + 1,
                    pyrandel::EngineName(summary.seats[static_cast<std::size_t>(seat)]).c_str(), tally.wins,
                    summary.games > 0 ? 100.0 * tally.wins / summary.games : 0.0, 100.0 * ci.low, 100.0 * ci.high,
                    tally.moves > 0 ? tally.total_ms / static_cast<double>(tally.moves) : 0.0, tally.max_ms,
                    tally.max_cpu_ms);
    }
    std::printf("draws %d (%.1f%%); every move: mean %.2f ms, max %.2f ms\n", summary.draws,
                summary.games > 0 ? 100.0 * summary.draws / summary.games : 0.0,
                summary.moves > 0 ? summary.total_ms / static_cast<double>(summary.moves) : 0.0, summary.max_ms);
}

} // namespace

int main(int argc, char** argv)
{
    auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fwrite(USAGE.data(), 1, USAGE.size(), stderr);
        return 2;
    }
    if (options->help) {
        std::fwrite(USAGE.data(), 1, USAGE.size(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("pyrandel-arena %s\n", pyrandel::VERSION);
        return 0;
    }
    if (!options->seeded) {
        options->arena.seed = std::random_device{}();
    }
    const auto start = std::chrono::steady_clock::now();
    const ArenaSummary summary =
        pyrandel::RunArena(options->arena, [&](const GameRecord& record, const ArenaSummary& so_far) {
            if (options->verbose) {
                const std::string line = Describe(record, so_far);
                std::fputs(line.c_str(), options->json ? stderr : stdout);
                std::fflush(options->json ? stderr : stdout);
            }
            ShowProgress(so_far, options->arena.games, start);
        });
    std::fputs("\n", stderr);
    if (options->json) {
        std::printf("%s\n", pyrandel::SummaryJson(summary).c_str());
    } else {
        PrintTable(summary, *options);
    }
    if (summary.faults > 0) {
        std::fprintf(stderr, "pyrandel-arena: %d games ended by an illegal move\n", summary.faults);
        return 1;
    }
    return 0;
}
