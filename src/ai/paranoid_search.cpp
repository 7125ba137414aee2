#include "ai/paranoid_search.h"

#include <algorithm>
#include <array>

namespace pyrandel {

namespace {

constexpr int INFINITE = ParanoidSearch::WIN + 1;
// Scores beyond this are wins or losses a number of plies away.
constexpr int DECIDED = ParanoidSearch::WIN - 1000;
// The clock is read once in this many nodes: often enough to stop within a millisecond or two.
constexpr std::uint64_t CLOCK_INTERVAL = 1024;

constexpr std::array<std::uint64_t, COLOURS> MOVER_KEYS = {0x6A09E667F3BCC908ull, 0xBB67AE8584CAA73Bull,
                                                           0x3C6EF372FE94F82Bull, 0xA54FF53A5F1D36F1ull};

[[nodiscard]] constexpr std::size_t Index(int value)
{
    return static_cast<std::size_t>(value);
}

// Decided scores are stored relative to the position so that they stay right wherever it recurs.
[[nodiscard]] constexpr int ToTable(int score, int ply)
{
    return score > DECIDED ? score + ply : score < -DECIDED ? score - ply : score;
}

[[nodiscard]] constexpr int FromTable(int score, int ply)
{
    return score > DECIDED ? score - ply : score < -DECIDED ? score + ply : score;
}

} // namespace

ParanoidSearch::ParanoidSearch(int table_bits) : table(table_bits)
{
}

bool ParanoidSearch::OutOfTime()
{
    if (aborted) {
        return true;
    }
    // The first node looks too, so a search asked to stop before it began ends at once.
    if (nodes % CLOCK_INTERVAL == 1 && (stop.stop_requested() || std::chrono::steady_clock::now() >= deadline)) {
        aborted = true;
    }
    return aborted;
}

int ParanoidSearch::Evaluate() const
{
    int value = board->OpenLines(order[0]);
    for (std::size_t i = 1; i < order.size(); ++i) {
        value -= board->OpenLines(order[i]);
    }
    return value;
}

void ParanoidSearch::Reward(int ply, int mover_index, const Move& move, int depth)
{
    auto& slot = killers[Index(ply)];
    if (slot[0] != move.lane) {
        slot[1] = slot[0];
        slot[0] = move.lane;
    }
    int& score = history[Index(order[Index(mover_index)])][Index(move.cell)];
    score = std::min(score + depth * depth, 1 << 20);
}

int ParanoidSearch::Node(int depth, int ply, int alpha, int beta, int mover_index)
{
    ++nodes;
    if (OutOfTime()) {
        return 0;
    }
    const int count = static_cast<int>(order.size());
    const int mover = order[Index(mover_index)];
    const bool maximizing = mover_index == 0;
    const int next_index = (mover_index + 1) % count;
    const int win_now = maximizing ? WIN - ply : -(WIN - ply);

    std::array<Move, LANES> moves;
    int move_count = 0;
    for (int lane = 0; lane < LANES; ++lane) {
        const int cell = board->Landing(lane);
        if (cell == SearchBoard::NO_SPOT) {
            continue;
        }
        if (board->Completes(cell, mover)) {
            return win_now;
        }
        moves[Index(move_count++)] = Move{lane, cell, 0};
    }
    if (move_count == 0) {
        return 0; // no legal move left: a draw
    }
    if (ply >= MAX_PLY) {
        return Evaluate();
    }

    // The next player's immediate wins, when that player is on the other side, must be blocked now.
    int forced = -1;
    if ((next_index == 0) != maximizing) {
        const int next = order[Index(next_index)];
        int threats = 0;
        for (int i = 0; i < move_count; ++i) {
            if (board->Completes(moves[Index(i)].cell, next)) {
                forced = i;
                ++threats;
            }
        }
        if (threats >= 2) {
            return maximizing ? -(WIN - ply - 1) : WIN - ply - 1;
        }
    }
    if (forced >= 0) {
        moves[0] = moves[Index(forced)];
        move_count = 1;
    } else if (depth <= 0) {
        return Evaluate();
    }

    const std::uint64_t key = board->Hash() ^ MOVER_KEYS[Index(mover_index)];
    int table_lane = -1;
    if (const auto entry = table.Find(key)) {
        table_lane = entry->best_lane;
        if (entry->depth >= depth) {
            const int score = FromTable(entry->score, ply);
            if (entry->bound == TranspositionTable::Bound::EXACT ||
                (entry->bound == TranspositionTable::Bound::LOWER && score >= beta) ||
                (entry->bound == TranspositionTable::Bound::UPPER && score <= alpha)) {
                return score;
            }
        }
    }

    const auto& killer = killers[Index(ply)];
    const auto& moves_history = history[Index(mover)];
    for (int i = 0; i < move_count; ++i) {
        Move& move = moves[Index(i)];
        move.key = move.lane == table_lane  ? 1 << 30
                   : move.lane == killer[0] ? 1 << 29
                   : move.lane == killer[1] ? 1 << 28
                                            : moves_history[Index(move.cell)];
    }
    std::sort(moves.begin(), moves.begin() + move_count, [](const Move& a, const Move& b) { return a.key > b.key; });

    // A forced move is searched without using up depth: it adds no choice to the tree.
    const int child_depth = forced >= 0 ? depth : depth - 1;
    const int original_alpha = alpha;
    const int original_beta = beta;
    int best = maximizing ? -INFINITE : INFINITE;
    int best_lane = moves[0].lane;
    for (int i = 0; i < move_count; ++i) {
        const Move& move = moves[Index(i)];
        board->Put(move.cell, mover);
        const int score = Node(child_depth, ply + 1, alpha, beta, next_index);
        board->Take(move.cell);
        if (aborted) {
            return 0;
        }
        if (maximizing ? score > best : score < best) {
            best = score;
            best_lane = move.lane;
        }
        if (maximizing) {
            alpha = std::max(alpha, score);
        } else {
            beta = std::min(beta, score);
        }
        if (alpha >= beta) {
            Reward(ply, mover_index, move, depth);
            break;
        }
    }

    const TranspositionTable::Bound bound = best <= original_alpha  ? TranspositionTable::Bound::UPPER
                                            : best >= original_beta ? TranspositionTable::Bound::LOWER
                                                                    : TranspositionTable::Bound::EXACT;
    table.Store(key, ToTable(best, ply), depth, best_lane, bound);
    return best;
}

SearchResult ParanoidSearch::Run(SearchBoard& search_board, std::span<const int> turn_order,
                                 std::span<const int> root_lanes, const SearchLimits& limits,
                                 std::stop_token stop_token)
{
    SearchResult result;
    if (root_lanes.empty() || turn_order.empty()) {
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    board = &search_board;
    order = turn_order;
    stop = std::move(stop_token);
    deadline = start + limits.hard_budget;
    nodes = 0;
    aborted = false;
    killers = {};
    for (auto& row : history) {
        row.fill(0);
    }
    table.NewSearch();

    std::array<int, LANES> lanes{};
    const int lane_count = static_cast<int>(std::min<std::size_t>(root_lanes.size(), LANES));
    std::copy_n(root_lanes.begin(), lane_count, lanes.begin());
    result.lane = lanes[0];
    for (int i = 0; i < lane_count; ++i) {
        const int cell = board->Landing(lanes[Index(i)]);
        if (cell != SearchBoard::NO_SPOT && board->Completes(cell, order[0])) {
            result.lane = lanes[Index(i)];
            result.score = WIN;
            board = nullptr;
            return result;
        }
    }
    if (lane_count == 1) {
        board = nullptr;
        return result;
    }

    const int next_index = 1 % static_cast<int>(order.size());
    const int max_depth = std::clamp(limits.max_depth, 1, MAX_PLY - 1);
    for (int depth = 1; depth <= max_depth; ++depth) {
        int alpha = -INFINITE;
        int best_index = -1;
        for (int i = 0; i < lane_count; ++i) {
            const int cell = board->Landing(lanes[Index(i)]);
            if (cell == SearchBoard::NO_SPOT) {
                continue;
            }
            board->Put(cell, order[0]);
            const int score = Node(depth - 1, 1, alpha, INFINITE, next_index);
            board->Take(cell);
            if (aborted) {
                break;
            }
            if (best_index < 0 || score > alpha) {
                alpha = score;
                best_index = i;
            }
        }
        // Even an unfinished depth has fully searched its first lane (the best so far) and anything that beat it.
        if (best_index >= 0) {
            result.lane = lanes[Index(best_index)];
            result.score = alpha;
            result.depth = depth;
            std::rotate(lanes.begin(), lanes.begin() + best_index, lanes.begin() + best_index + 1);
        }
        const bool decided = alpha > DECIDED || alpha < -DECIDED;
        if (aborted || decided || std::chrono::steady_clock::now() - start >= limits.start_budget) {
            break;
        }
    }
    result.nodes = nodes;
    board = nullptr;
    order = {};
    stop = {};
    return result;
}

} // namespace pyrandel
