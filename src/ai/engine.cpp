#include "ai/engine.h"

#include <algorithm>
#include <limits>

namespace pyrandel {

namespace {

using namespace std::chrono_literals;

[[nodiscard]] constexpr std::size_t Index(int value)
{
    return static_cast<std::size_t>(value);
}

[[nodiscard]] bool ValidColour(int colour)
{
    return colour >= 0 && colour < COLOURS;
}

// The colours in turn order starting with the own one, each once; see Seating.
[[nodiscard]] std::vector<int> TurnOrderFrom(const Grid& grid, const Seating& seating)
{
    const int own = ValidColour(seating.own_colour) ? seating.own_colour : 0;
    std::vector<int> order;
    for (const int colour : seating.turn_order) {
        if (ValidColour(colour) && std::find(order.begin(), order.end(), colour) == order.end()) {
            order.push_back(colour);
        }
    }
    const auto own_place = std::find(order.begin(), order.end(), own);
    if (own_place == order.end()) {
        order.insert(order.begin(), own);
    } else {
        std::rotate(order.begin(), own_place, order.end());
    }
    if (order.size() == 1) {
        for (int colour = 0; colour < COLOURS; ++colour) {
            if (colour != own && std::find(grid.begin(), grid.end(), colour) != grid.end()) {
                order.push_back(colour);
            }
        }
    }
    if (order.size() == 1) {
        order.push_back((own + 1) % COLOURS);
    }
    return order;
}

// Table sizes: the look-ahead of level 5 visits far more positions than the quicker levels.
[[nodiscard]] int TableBitsFor(int level)
{
    return level >= 5 ? 20 : level >= 3 ? 17 : 8;
}

// Only the search the engine runs gets a table.
[[nodiscard]] std::variant<BestReplySearch, ParanoidSearch> SearchFor(EngineStyle style, int level)
{
    if (style == EngineStyle::STAND_IN) {
        // A shallow search of its own depth: the table of the quicker levels is plenty.
        return std::variant<BestReplySearch, ParanoidSearch>(std::in_place_type<ParanoidSearch>, TableBitsFor(3));
    }
    if (style == EngineStyle::REFERENCE) {
        return std::variant<BestReplySearch, ParanoidSearch>(std::in_place_type<ParanoidSearch>, TableBitsFor(level));
    }
    return std::variant<BestReplySearch, ParanoidSearch>(std::in_place_type<BestReplySearch>, TableBitsFor(level));
}

[[nodiscard]] RoomAttention AttentionFor(EngineStyle style, int level)
{
    if (style == EngineStyle::STAND_IN) {
        return {STAND_IN_ATTENTION, STAND_IN_ATTENTION};
    }
    return style == EngineStyle::STANDARD ? LEVEL_ATTENTION[Index(level - Engine::MIN_LEVEL)] : FULL_ATTENTION;
}

// Stands for an overlooked ball in the engine's view of the board: neither empty nor a colour, so the search
// boards take it as a ball that supports others and belongs to no line.
constexpr int OVERLOOKED = COLOURS;

} // namespace

Engine::Engine(int level, std::uint64_t seed, EngineStyle style)
    : level_number(std::clamp(level, MIN_LEVEL, MAX_LEVEL)), engine_style(style), random(seed),
      search_limits(LimitsFor(level_number, style)), attention_in_company(AttentionFor(style, level_number)),
      search(SearchFor(style, level_number))
{
}

SearchLimits Engine::LimitsFor(int level, EngineStyle style)
{
    if (style == EngineStyle::STAND_IN) {
        // Its depth alone decides; the time limit only keeps the one-second promise on a stalled machine.
        return {750ms, 750ms, std::clamp(level, MIN_LEVEL, MAX_LEVEL)};
    }
    return LimitsFor(level);
}

SearchLimits Engine::LimitsFor(int level)
{
    switch (std::clamp(level, MIN_LEVEL, MAX_LEVEL)) {
    case 3:
        return {20ms, 60ms, 4};
    case 4:
        return {80ms, 250ms, 8};
    case 5:
        // A new depth takes a few times as long as the last one, so the reference search begins none after
        // 0.35 s; the hard stop leaves a quarter of a second below the one-second promise for a busy machine.
        return {350ms, 750ms, ParanoidSearch::MAX_PLY - 1};
    default:
        return {0ms, 0ms, 0};
    }
}

std::optional<int> Engine::ChooseLane(const Grid& grid, const Seating& seating, std::stop_token stop)
{
    // The lanes are taken from the rules themselves; the search board only ever chooses among them.
    std::vector<int> lanes;
    for (int lane = 0; lane < LANES; ++lane) {
        if (LandingSpot(grid, lane)) {
            lanes.push_back(lane);
        }
    }
    if (lanes.empty()) {
        return std::nullopt;
    }
    std::shuffle(lanes.begin(), lanes.end(), random);
    if (level_number == 1 && engine_style != EngineStyle::STAND_IN) {
        return lanes.front();
    }

    const std::vector<int> order = TurnOrderFrom(grid, seating);
    SearchBoard board(grid, order);
    std::vector<int> known;
    for (const int lane : lanes) {
        if (board.Landing(lane) != SearchBoard::NO_SPOT) {
            known.push_back(lane);
        }
    }
    if (known.empty()) {
        return lanes.front();
    }
    // The board as the engine sees it this move: an overlooked ball still holds up others, so every lane lands
    // where it does, but no line runs through it.
    Grid seen = grid;
    const bool in_company = order.size() > 2 || engine_style == EngineStyle::STAND_IN;
    const Attention& attention = order.size() > 3 ? attention_in_company.of_four : attention_in_company.of_three;
    if (in_company && attention != Attention{}) {
        Overlook(attention, order, seen);
        board = SearchBoard(seen, order);
    }
    if (level_number == 2 && engine_style != EngineStyle::STAND_IN) {
        return Greedy(board, order, known);
    }
    if (auto* reference = std::get_if<ParanoidSearch>(&search)) {
        last_result = reference->Run(board, order, known, search_limits, std::move(stop));
    } else {
        ThreatBoard threat_board(seen, order);
        last_result = std::get<BestReplySearch>(search).Run(threat_board, order, known, search_limits, std::move(stop));
    }
    if (last_result.lane && std::find(lanes.begin(), lanes.end(), *last_result.lane) != lanes.end()) {
        return last_result.lane;
    }
    return lanes.front();
}

void Engine::Overlook(const Attention& attention, const std::vector<int>& order, Grid& seen)
{
    std::bernoulli_distribution sees_theirs(attention.threats);
    std::bernoulli_distribution sees_own(attention.chances);
    for (int& value : seen) {
        const auto seat = std::find(order.begin(), order.end(), value);
        if (seat == order.end()) {
            continue;
        }
        const bool noticed = seat == order.begin() ? sees_own(random) : sees_theirs(random);
        if (!noticed) {
            value = OVERLOOKED;
        }
    }
}

std::optional<int> Engine::Greedy(SearchBoard& board, const std::vector<int>& order,
                                  const std::vector<int>& lanes) const
{
    const int own = order.front();
    for (const int lane : lanes) {
        if (board.Completes(board.Landing(lane), own)) {
            return lane;
        }
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        for (const int lane : lanes) {
            if (board.Completes(board.Landing(lane), order[i])) {
                return lane;
            }
        }
    }

    const auto value = [&] {
        int sum = board.OpenLines(own);
        for (std::size_t i = 1; i < order.size(); ++i) {
            sum -= board.OpenLines(order[i]);
        }
        return sum;
    };
    // A drop that opens a winning spot for the next player (usually the cell it makes room for) loses at once.
    const auto hands_over_win = [&] {
        for (int lane = 0; lane < LANES; ++lane) {
            const int cell = board.Landing(lane);
            if (cell != SearchBoard::NO_SPOT && board.Completes(cell, order[1])) {
                return true;
            }
        }
        return false;
    };
    int best_lane = lanes.front();
    int best_value = std::numeric_limits<int>::min();
    for (const int lane : lanes) {
        const int cell = board.Landing(lane);
        board.Put(cell, own);
        const int score = hands_over_win() ? -ParanoidSearch::WIN : value();
        board.Take(cell);
        if (score > best_value) {
            best_value = score;
            best_lane = lane;
        }
    }
    return best_lane;
}

} // namespace pyrandel
