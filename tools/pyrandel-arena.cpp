// pyrandel-arena: plays computer players against each other on the rules of the game and prints how often each
// seat won, with a 95% confidence interval, the draws, and the time taken per move. A measuring tool, run by hand.
//
// Seats rotate from game to game (see TurnOrderFor), so every seat starts equally often.

#include "ai/arena.h"
#include "cli/tool_command_line.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <limits>
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

constexpr int MAX_COUNT = std::numeric_limits<int>::max();

struct Options {
    ArenaOptions arena;
    bool seeded = false;
    bool json = false;
    bool verbose = false;
};

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

[[nodiscard]] std::string Percent(double share)
{
    return std::to_string(static_cast<int>(share * 100 + 0.5)) + "%";
}

// Reads the command line in the tools' common style; nothing when the games should be played, else the exit code.
[[nodiscard]] std::optional<int> ParseOptions(int argc, const char* const* argv, Options& options)
{
    CLI::App app("Plays games between computer players, one per seat, rotating who starts and who follows whom, "
                 "and prints each seat's wins with a 95% confidence interval, the draws, and the mean and maximum "
                 "time per move. A progress line is shown on stderr while the games run.",
                 "pyrandel-arena");
    pyrandel::AddStandardOptions(app);
    options.arena.seats = {{2, pyrandel::EngineStyle::STANDARD}, {1, pyrandel::EngineStyle::STANDARD}};
    std::string games = std::to_string(options.arena.games);
    std::string levels = "2,1";
    std::string move_ms;
    std::string jobs = std::to_string(options.arena.jobs);
    std::string seed;
    app.add_option("--games", games, "Number of games, 1 or more (default " + games + ")")
        ->type_name("N")
        ->check(pyrandel::DecimalNumber(1, MAX_COUNT, "a number of games"));
    app.add_option("--levels", levels,
                   "Comma-separated engines in seat order, two to four: a level 1 to 5 for the standard engine, "
                   "with a 'p' (5p) for the reference engine of that level, or h1 to h5 for the stand-in for a "
                   "person, below (default " +
                       levels + ")")
        ->type_name("L")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return ParseLevels(text) ? ""
                                         : "wants two to four of 1 to 5, 1p to 5p or h1 to h5, separated by "
                                           "commas, not: " +
                                               text;
            },
            "", ""));
    app.add_option("--move-ms", move_ms,
                   "Time per move in milliseconds for levels 3 to 5, instead of their own (default: their own)")
        ->type_name("N")
        ->check(pyrandel::DecimalNumber(1, MAX_COUNT, "a number of milliseconds"));
    app.add_option("--jobs", jobs, "Games played at once, each on a thread of its own (default " + jobs + ")")
        ->type_name("N")
        ->check(pyrandel::DecimalNumber(1, MAX_COUNT, "a number of jobs"));
    app.add_option("--seed", seed, "Seed for the players' random choices (default: a fresh one, printed)")
        ->type_name("S")
        ->check(pyrandel::DecimalNumber(0, std::numeric_limits<std::uint64_t>::max(), "a number"));
    app.add_flag("--json", options.json, "Print the summary as one JSON object instead");
    app.add_flag("--verbose", options.verbose, "One line per game (on stderr with --json)");
    app.footer("\nThe stand-in for a person, hN, reads N moves ahead with the reference engine's search, to that "
               "depth whatever the clock, and in every room notices each of the others' balls with a chance of " +
               Percent(pyrandel::STAND_IN_ATTENTION.threats) + " and each of its own with " +
               Percent(pyrandel::STAND_IN_ATTENTION.chances) +
               ", on draws from its seed: careful but not perfect, as a person is, and none of the levels under "
               "test. The levels below 5 overlook balls too, in rooms of three and four (see the README).");
    if (const auto exit_code = pyrandel::ParseToolCommandLine(app, argc, argv, std::cout, std::cerr)) {
        return exit_code;
    }
    options.arena.games = static_cast<int>(pyrandel::DecimalValue(games));
    options.arena.seats = *ParseLevels(levels);
    if (!move_ms.empty()) {
        options.arena.move_time = std::chrono::milliseconds(pyrandel::DecimalValue(move_ms));
    }
    options.arena.jobs = static_cast<int>(pyrandel::DecimalValue(jobs));
    if (!seed.empty()) {
        options.arena.seed = pyrandel::DecimalValue(seed);
        options.seeded = true;
    }
    return std::nullopt;
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
    Options options;
    if (const auto exit_code = ParseOptions(argc, argv, options)) {
        return *exit_code;
    }
    if (!options.seeded) {
        options.arena.seed = std::random_device{}();
    }
    const auto start = std::chrono::steady_clock::now();
    const ArenaSummary summary =
        pyrandel::RunArena(options.arena, [&](const GameRecord& record, const ArenaSummary& so_far) {
            if (options.verbose) {
                const std::string line = Describe(record, so_far);
                std::fputs(line.c_str(), options.json ? stderr : stdout);
                std::fflush(options.json ? stderr : stdout);
            }
            ShowProgress(so_far, options.arena.games, start);
        });
    std::fputs("\n", stderr);
    if (options.json) {
        std::printf("%s\n", pyrandel::SummaryJson(summary).c_str());
    } else {
        PrintTable(summary, options);
    }
    if (summary.faults > 0) {
        std::fprintf(stderr, "pyrandel-arena: %d games ended by an illegal move\n", summary.faults);
        return 1;
    }
    return 0;
}
