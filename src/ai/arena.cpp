#include "ai/arena.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <numeric>
#include <thread>

namespace pyrandel {

namespace {

[[nodiscard]] constexpr std::size_t Index(int value)
{
    return static_cast<std::size_t>(value);
}

// Every engine of every game gets a seed of its own, from the arena's seed, the game and the seat.
[[nodiscard]] std::uint64_t EngineSeed(std::uint64_t seed, int game, int seat)
{
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(game) * COLOURS + Index(seat) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

[[nodiscard]] double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// One game; the engine of seat s plays colour s.
[[nodiscard]] GameRecord PlayGame(const ArenaOptions& options, int game, std::vector<SeatTally>& times)
{
    const int seats = static_cast<int>(options.seats.size());
    GameRecord record;
    record.game = game;
    record.turn_order = TurnOrderFor(game, seats);
    std::vector<Engine> engines;
    for (int seat = 0; seat < seats; ++seat) {
        const EngineChoice& choice = options.seats[Index(seat)];
        engines.emplace_back(choice.level, EngineSeed(options.seed, game, seat), choice.style);
        if (options.move_time && choice.level >= 3 && choice.style != EngineStyle::STAND_IN) {
            engines.back().SetLimits(LimitsForMoveTime(choice.level, *options.move_time));
        }
    }
    Grid grid = EmptyGrid();
    Seating seating;
    seating.turn_order = record.turn_order;
    for (int turn = 0;; ++turn) {
        const int seat = record.turn_order[Index(turn % seats)];
        bool any_lane = false;
        for (int lane = 0; lane < LANES && !any_lane; ++lane) {
            any_lane = LandingSpot(grid, lane).has_value();
        }
        if (!any_lane) {
            record.end = GameEnd::DRAW;
            return record;
        }
        seating.own_colour = seat;
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = ThreadCpuMs();
        const auto lane = engines[Index(seat)].ChooseLane(grid, seating);
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        SeatTally& tally = times[Index(seat)];
        ++tally.moves;
        tally.total_ms += spent.count();
        tally.max_ms = std::max(tally.max_ms, spent.count());
        tally.max_cpu_ms = std::max(tally.max_cpu_ms, ThreadCpuMs() - cpu_start);
        const auto spot = lane ? LandingSpot(grid, *lane) : std::nullopt;
        if (!spot) {
            record.end = GameEnd::FAULT;
            record.seat = seat;
            return record;
        }
        grid[Index(spot->row * COLUMNS + spot->col)] = seat;
        ++record.moves;
        if (CompletesLine(grid, spot->col, spot->row, seat)) {
            record.end = GameEnd::WIN;
            record.seat = seat;
            return record;
        }
    }
}

void AddGame(ArenaSummary& summary, const GameRecord& record, const std::vector<SeatTally>& times)
{
    ++summary.games;
    summary.draws += record.end == GameEnd::DRAW ? 1 : 0;
    summary.faults += record.end == GameEnd::FAULT ? 1 : 0;
    if (record.end == GameEnd::WIN) {
        ++summary.tallies[Index(record.seat)].wins;
    }
    for (std::size_t seat = 0; seat < times.size(); ++seat) {
        SeatTally& tally = summary.tallies[seat];
        tally.moves += times[seat].moves;
        tally.total_ms += times[seat].total_ms;
        tally.max_ms = std::max(tally.max_ms, times[seat].max_ms);
        tally.max_cpu_ms = std::max(tally.max_cpu_ms, times[seat].max_cpu_ms);
        summary.moves += times[seat].moves;
        summary.total_ms += times[seat].total_ms;
        summary.max_ms = std::max(summary.max_ms, times[seat].max_ms);
    }
}

[[nodiscard]] std::string Number(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::optional<EngineChoice> ParseEngineChoice(std::string_view text)
{
    EngineChoice choice;
    if (!text.empty() && text.front() == 'h') {
        choice.style = EngineStyle::STAND_IN;
        text.remove_prefix(1);
    } else if (!text.empty() && text.back() == 'p') {
        choice.style = EngineStyle::REFERENCE;
        text.remove_suffix(1);
    }
    if (text.size() != 1 || text[0] < '0' + Engine::MIN_LEVEL || text[0] > '0' + Engine::MAX_LEVEL) {
        return std::nullopt;
    }
    choice.level = text[0] - '0';
    return choice;
}

std::string EngineName(const EngineChoice& choice)
{
    switch (choice.style) {
    case EngineStyle::REFERENCE:
        return std::to_string(choice.level) + "p";
    case EngineStyle::STAND_IN:
        return "h" + std::to_string(choice.level);
    case EngineStyle::STANDARD:
        break;
    }
    return std::to_string(choice.level);
}

Interval WilsonInterval(int successes, int trials)
{
    if (trials <= 0) {
        return {0.0, 1.0};
    }
    constexpr double Z = 1.959963984540054; // the 97.5% point of the normal distribution
    const double n = trials;
    const double p = successes / n;
    const double centre = (p + Z * Z / (2 * n)) / (1 + Z * Z / n);
    const double half = Z / (1 + Z * Z / n) * std::sqrt(p * (1 - p) / n + Z * Z / (4 * n * n));
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

std::vector<int> TurnOrderFor(int game, int seats)
{
    const int first = game % seats;
    // The others as steps after the first seat, in the permutation this round of games is at.
    std::vector<int> steps(Index(seats - 1));
    std::iota(steps.begin(), steps.end(), 1);
    int permutations = 1;
    for (int k = 2; k < seats; ++k) {
        permutations *= k;
    }
    for (int round = (game / seats) % permutations; round > 0; --round) {
        std::next_permutation(steps.begin(), steps.end());
    }
    std::vector<int> order = {first};
    for (const int step : steps) {
        order.push_back((first + step) % seats);
    }
    return order;
}

SearchLimits LimitsForMoveTime(int level, std::chrono::milliseconds move_time)
{
    SearchLimits limits = Engine::LimitsFor(level);
    if (limits.hard_budget.count() > 0) {
        limits.start_budget = limits.start_budget * move_time.count() / limits.hard_budget.count();
        limits.hard_budget = move_time;
    }
    return limits;
}

std::string SummaryJson(const ArenaSummary& summary)
{
    std::string json = "{\"games\": " + std::to_string(summary.games) +
                       ", \"draws\": " + std::to_string(summary.draws) + ", \"seats\": [";
    for (std::size_t seat = 0; seat < summary.seats.size(); ++seat) {
        const int wins = seat < summary.tallies.size() ? summary.tallies[seat].wins : 0;
        const Interval ci = WilsonInterval(wins, summary.games);
        const double share = summary.games > 0 ? static_cast<double>(wins) / summary.games : 0.0;
        json += (seat > 0 ? ", " : "") + std::string("{\"engine\": \"") + EngineName(summary.seats[seat]) +
                "\", \"wins\": " + std::to_string(wins) + ", \"share\": " + Number("%.4f", share) + ", \"ci95\": [" +
                Number("%.4f", ci.low) + ", " + Number("%.4f", ci.high) + "]}";
    }
    const double mean = summary.moves > 0 ? summary.total_ms / static_cast<double>(summary.moves) : 0.0;
    json +=
        "], \"move_ms\": {\"mean\": " + Number("%.2f", mean) + ", \"max\": " + Number("%.2f", summary.max_ms) + "}}";
    return json;
}

ArenaSummary RunArena(const ArenaOptions& options, const GameObserver& on_game)
{
    ArenaSummary summary;
    summary.seats = options.seats;
    summary.tallies.resize(options.seats.size());
    if (options.seats.size() < 2 || options.seats.size() > static_cast<std::size_t>(COLOURS) || options.games < 1) {
        return summary;
    }
    struct Finished {
        GameRecord record;
        std::vector<SeatTally> times;
    };
    // The workers play; this thread alone adds up their games and reports them, holding no lock meanwhile.
    std::atomic<int> next_game{0};
    std::mutex lock; // guards finished
    std::condition_variable done;
    std::vector<Finished> finished;
    const auto work = [&] {
        for (int game = next_game++; game < options.games; game = next_game++) {
            std::vector<SeatTally> times(options.seats.size());
            GameRecord record = PlayGame(options, game, times);
            {
                const std::lock_guard guard(lock);
                finished.push_back({std::move(record), std::move(times)});
            }
            done.notify_one();
        }
    };
    std::vector<std::jthread> workers;
    for (int job = 0; job < std::clamp(options.jobs, 1, options.games); ++job) {
        workers.emplace_back(work);
    }
    while (summary.games < options.games) {
        std::vector<Finished> batch;
        {
            std::unique_lock guard(lock);
            done.wait(guard, [&] { return !finished.empty(); });
            batch.swap(finished);
        }
        for (const Finished& game : batch) {
            AddGame(summary, game.record, game.times);
            if (on_game) {
                on_game(game.record, summary);
            }
        }
    }
    return summary;
}

} // namespace pyrandel
