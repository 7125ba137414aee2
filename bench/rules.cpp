// The rules and the field splitter run on every pointer move, every ball and every received line, and the
// computer player calls the rules in tight loops: each call should stay well under 100 ns.

#include "game/board.h"
#include "game/grid.h"
#include "net/tcp_socket.h"
#include "protocol/field_list.h"
#include "text/texts.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace pyrandel {
namespace {

class SilentStatus : public StatusSink {
public:
    void ShowStatus(std::string_view) override {}
};

// About forty balls dropped by the support rule in four colours: lanes of every kind, blocked, open and bare.
Grid MidGameGrid()
{
    Grid grid = EmptyGrid();
    std::mt19937 random(1224);
    int placed = 0;
    for (int attempt = 0; placed < 40 && attempt < 1000; ++attempt) {
        const int lane = static_cast<int>(random() % LANES);
        if (const auto spot = LandingSpot(grid, lane)) {
            grid[static_cast<std::size_t>(spot->row * COLUMNS + spot->col)] = placed % COLOURS;
            ++placed;
        }
    }
    return grid;
}

void PerCall(benchmark::State& state, int calls_per_iteration)
{
    state.counters["per_call"] = benchmark::Counter(static_cast<double>(state.iterations()) * calls_per_iteration,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LandingSpotAllLanes(benchmark::State& state)
{
    const Grid grid = MidGameGrid();
    for (auto _ : state) {
        for (int lane = 0; lane < LANES; ++lane) {
            benchmark::DoNotOptimize(LandingSpot(grid, lane));
        }
    }
    PerCall(state, LANES);
}
BENCHMARK(BM_LandingSpotAllLanes);

void BM_CompletesLine(benchmark::State& state)
{
    const Grid grid = MidGameGrid();
    for (auto _ : state) {
        for (int row = 0; row < ROWS; row += 3) {
            for (int col = 0; col < COLUMNS; col += 2) {
                benchmark::DoNotOptimize(CompletesLine(grid, col, row, (col + row) % COLOURS));
            }
        }
    }
    PerCall(state, (ROWS / 3) * (COLUMNS / 2));
}
BENCHMARK(BM_CompletesLine);

// Board::Place with its lock and win test, filling a whole board in a pattern that rarely wins, then emptying
// it; the Reset is spread over the 192 calls.
void BM_BoardPlaceWithWinTest(benchmark::State& state)
{
    SilentStatus status;
    Board board(status);
    for (auto _ : state) {
        for (int row = 0; row < ROWS; ++row) {
            for (int col = 0; col < COLUMNS; ++col) {
                benchmark::DoNotOptimize(board.Place((col / 2 + row) % COLOURS, col, row));
            }
        }
        board.Reset();
    }
    PerCall(state, ROWS * COLUMNS);
}
BENCHMARK(BM_BoardPlaceWithWinTest);

void BM_SplitLongestLine(benchmark::State& state)
{
    std::string line = "CHAT\t3\t";
    line += texts::NAMELESS;
    line += '\t';
    constexpr auto LIMIT = static_cast<std::size_t>(LINE_LIMIT);
    while (line.size() < LIMIT) {
        line += line.size() + 2 <= LIMIT ? std::string(texts::COLOUR_GREEN) : std::string("!");
    }
    FieldList fields;
    for (auto _ : state) {
        fields.Split(line);
        benchmark::DoNotOptimize(fields.Get(3));
    }
    state.counters["bytes"] = static_cast<double>(line.size());
    PerCall(state, 1);
}
BENCHMARK(BM_SplitLongestLine);

void BM_SplitManyFields(benchmark::State& state)
{
    std::string line = "PLOT";
    while (line.size() + 2 <= static_cast<std::size_t>(LINE_LIMIT)) {
        line += "\t7";
    }
    FieldList fields;
    for (auto _ : state) {
        fields.Split(line);
        benchmark::DoNotOptimize(fields.Number(14));
    }
    PerCall(state, 1);
}
BENCHMARK(BM_SplitManyFields);

} // namespace
} // namespace pyrandel

BENCHMARK_MAIN();
