// Speed of the computer player: the search boards' put-and-take and a fixed-depth look-ahead from a middle-game
// position, for the standard engine (best-reply search on the threat board) and the reference engine (paranoid
// search), with two and three players. The level limits in engine.cpp assume about these figures.

#include "ai/engine.h"
#include "ai/search_board.h"
#include "ai/threat_board.h"
#include "game/grid.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <random>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A position after 30 drops of two level-2 players in which neither side can win at once, so the search runs.
pyrandel::Grid MiddleGame()
{
    constexpr std::array<int, 2> colours = {0, 1};
    for (std::uint64_t seed = 1;; ++seed) {
        std::array<pyrandel::Engine, 2> players = {pyrandel::Engine(2, seed), pyrandel::Engine(2, seed + 100)};
        pyrandel::Grid grid = pyrandel::EmptyGrid();
        bool over = false;
        for (int turn = 0; turn < 30 && !over; ++turn) {
            const int colour = turn % 2;
            const auto lane = players[static_cast<std::size_t>(colour)].ChooseLane(grid, {colour, {0, 1}});
            const auto spot = lane ? pyrandel::LandingSpot(grid, *lane) : std::nullopt;
            if (!spot) {
                over = true;
                break;
            }
            grid[static_cast<std::size_t>(spot->row * pyrandel::COLUMNS + spot->col)] = colour;
            over = pyrandel::CompletesLine(grid, spot->col, spot->row, colour);
        }
        const pyrandel::SearchBoard board(grid, colours);
        for (int lane = 0; lane < pyrandel::LANES && !over; ++lane) {
            const int cell = board.Landing(lane);
            over = cell != pyrandel::SearchBoard::NO_SPOT && (board.Completes(cell, 0) || board.Completes(cell, 1));
        }
        if (!over) {
            return grid;
        }
    }
}

template <typename Board>
void BM_PutAndTake(benchmark::State& state)
{
    constexpr std::array<int, 2> colours = {0, 1};
    Board board(MiddleGame(), colours);
    int lane = 0;
    for (auto _ : state) {
        const int cell = board.Landing(lane);
        if (cell != Board::NO_SPOT) {
            board.Put(cell, 0);
            benchmark::DoNotOptimize(board.OpenLines(0));
            board.Take(cell);
        }
        lane = (lane + 1) % pyrandel::LANES;
    }
}
BENCHMARK(BM_PutAndTake<pyrandel::SearchBoard>)->Name("BM_PutAndTake/Reference");
BENCHMARK(BM_PutAndTake<pyrandel::ThreatBoard>)->Name("BM_PutAndTake/Standard");

// Arguments: depth, players (the middle game's two colours and, with three, a third that has no ball yet), and
// 1 for the reference engine. A fresh engine each time, so the table of one search does not serve the next.
void BM_SearchToDepth(benchmark::State& state)
{
    const pyrandel::Grid grid = MiddleGame();
    const auto style = state.range(2) != 0 ? pyrandel::EngineStyle::REFERENCE : pyrandel::EngineStyle::STANDARD;
    const pyrandel::Seating seating{0, state.range(1) == 3 ? std::vector<int>{0, 1, 2} : std::vector<int>{0, 1}};
    std::uint64_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pyrandel::Engine engine(5, 1, style);
        engine.SetLimits({10min, 10min, static_cast<int>(state.range(0))});
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine.ChooseLane(grid, seating));
        nodes += engine.last_search().nodes;
    }
    state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchToDepth)
    ->ArgNames({"depth", "players", "reference"})
    ->Args({6, 2, 0})
    ->Args({6, 2, 1})
    ->Args({8, 2, 0})
    ->Args({8, 2, 1})
    ->Args({6, 3, 0})
    ->Args({6, 3, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
