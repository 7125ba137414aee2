#include "ai/best_reply_search.h"

#include <algorithm>
#include <optional>

namespace pyrandel {

namespace {

constexpr int INFINITE = BestReplySearch::WIN + 1;
// Scores beyond this are wins or losses a number of plies away.
constexpr int DECIDED = BestReplySearch::WIN - 1000;
// The clock is read once in this many nodes: often enough to stop well within a millisecond.
constexpr std::uint64_t CLOCK_INTERVAL = 256;
// A remembered best reply names the opponent's seat and the lane in one number.
constexpr int SEAT_STRIDE = LANES;

// Weights of the evaluation, beside those of the lines (ThreatBoard::OpenLines). A threat cell is worth far more
// than a line of three, because it cannot be blocked before it can be played, and the player who has to make it
// playable loses. One that holds up another of the same colour is nearly a win: the ball that blocks the lower
// one makes the upper one playable.
constexpr int THREAT = 600;
constexpr int STACKED = 1500;

// Keys for whose turn it is: the searching player, seat 0, or an opponent.
constexpr std::array<std::uint64_t, COLOURS> SEAT_KEYS = {0x510E527FADE682D1ull, 0x9B05688C2B3E6C1Full,
                                                          0x1F83D9ABFB41BD6Bull, 0x5BE0CD19137E2179ull};

[[nodiscard]] constexpr std::size_t Index(int value)
{
    return static_cast<std::size_t>(value);
}

[[nodiscard]] constexpr int ToTable(int score, int ply)
{
    return score > DECIDED ? score + ply : score < -DECIDED ? score - ply : score;
}

[[nodiscard]] constexpr int FromTable(int score, int ply)
{
    return score > DECIDED ? score - ply : score < -DECIDED ? score + ply : score;
}

// The stored score when it settles this node's window at `depth`; `hint` takes the stored best lane either way.
[[nodiscard]] std::optional<int> Settled(const TranspositionTable& table, std::uint64_t key, int depth, int ply,
                                         int alpha, int beta, int& hint)
{
    const auto entry = table.Recall(key);
    if (!entry) {
        return std::nullopt;
    }
    hint = entry->best_lane;
    if (entry->depth < depth) {
        return std::nullopt;
    }
    const int score = FromTable(entry->score, ply);
    if (entry->bound == TranspositionTable::Bound::EXACT ||
        (entry->bound == TranspositionTable::Bound::LOWER && score >= beta) ||
        (entry->bound == TranspositionTable::Bound::UPPER && score <= alpha)) {
        return score;
    }
    return std::nullopt;
}

// A key for the turn order: the same board means something else to another searching player.
[[nodiscard]] std::uint64_t OrderKey(std::span<const int> order)
{
    std::uint64_t key = 0xCBF29CE484222325ull;
    for (const int colour : order) {
        key = (key ^ static_cast<std::uint64_t>(colour + 1)) * 0x100000001B3ull;
        key ^= key >> 29;
    }
    return key;
}

[[nodiscard]] int FirstCell(const CellSet& cells)
{
    int first = -1;
    cells.ForEach([&](int cell) {
        if (first < 0) {
            first = cell;
        }
    });
    return first;
}

// One colour's prospects: its open lines and its open threat cells.
[[nodiscard]] int Prospects(const ThreatBoard& board, int colour, const CellSet& empty)
{
    const CellSet threats = board.Threats(colour) & empty;
    int value = board.OpenLines(colour) + THREAT * threats.Count();
    threats.ForEach([&](int cell) {
        if (!(ThreatBoard::Above(cell) & threats).Empty()) {
            value += STACKED;
        }
    });
    return value;
}

} // namespace

BestReplySearch::BestReplySearch(int table_bits) : table(table_bits)
{
}

int BestReplySearch::Evaluate(const ThreatBoard& board, std::span<const int> order)
{
    const CellSet empty = board.EmptyCells();
    int value = Prospects(board, order[0], empty);
    for (std::size_t i = 1; i < order.size(); ++i) {
        value -= Prospects(board, order[i], empty);
    }
    return value;
}

// OpponentMoves from `seat` on, after a move of `side`. Two players: a later move of a node is first only tested
// against the best so far with a window of one point (at alpha for the own side, at beta for the opponents'),
// which is cheap, and searched in full only when it beats it. With more players the opponents' layers of passes
// and replies do not gain from it, so every move is searched in full.
int BestReplySearch::Searched(int seat, bool replied, int depth, int ply, int alpha, int beta, Side side, int& reply)
{
    if (side != Side::NONE && seats == 2 && beta - alpha > 1) {
        const int score = side == Side::OWN ? OpponentMoves(seat, replied, depth, ply, alpha, alpha + 1, reply)
                                            : OpponentMoves(seat, replied, depth, ply, beta - 1, beta, reply);
        if (score <= alpha || score >= beta || aborted) {
            return score;
        }
    }
    return OpponentMoves(seat, replied, depth, ply, alpha, beta, reply);
}

bool BestReplySearch::OutOfTime()
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

void BestReplySearch::Reward(int ply, int colour, const Move& move, int depth)
{
    auto& slot = killers[Index(ply)];
    if (slot[0] != move.lane) {
        slot[1] = slot[0];
        slot[0] = move.lane;
    }
    int& score = history[Index(colour)][Index(move.cell)];
    score = std::min(score + depth * depth + 1, 1 << 20);
}

// Fills `moves` with every playable cell, the best first; returns their number.
int BestReplySearch::SortMoves(std::array<Move, LANES>& moves, int colour, int ply, int first_lane) const
{
    const auto& killer = killers[Index(ply)];
    const auto& moves_history = history[Index(colour)];
    int count = 0;
    board->Playable().ForEach([&](int cell) {
        const int lane = LaneOf(cell % COLUMNS, cell / COLUMNS);
        const int key = lane == first_lane  ? 1 << 30
                        : lane == killer[0] ? 1 << 29
                        : lane == killer[1]
                            ? 1 << 28
                            : board->MoveGain(cell, colour) * 4096 + std::min(moves_history[Index(cell)], 4095);
        moves[Index(count++)] = Move{lane, cell, key};
    });
    std::sort(moves.begin(), moves.begin() + count, [](const Move& a, const Move& b) { return a.key > b.key; });
    return count;
}

// The winning cells the searching player must block: those of the next player, or else those of the first
// opponent in turn order that has any. A later opponent's would be blocked by a player in between otherwise, but
// not every player sees every threat. More than one cell of the next player cannot all be blocked.
CellSet BestReplySearch::WinsToBlock(const CellSet& playable) const
{
    for (int seat = 1; seat < seats; ++seat) {
        const CellSet wins = playable & board->Threats(order[Index(seat)]);
        if (!wins.Empty()) {
            return seat == 1 ? wins : CellSet::Of(FirstCell(wins));
        }
    }
    return {};
}

int BestReplySearch::OwnTurn(int depth, int ply, int alpha, int beta)
{
    ++nodes;
    if (OutOfTime()) {
        return 0;
    }
    const CellSet& playable = board->Playable();
    if (playable.Empty()) {
        return 0; // no legal move left: a draw
    }
    const int own = order[0];
    if (!(playable & board->Threats(own)).Empty()) {
        return WIN - ply;
    }
    if (ply >= MAX_PLY) {
        return Evaluate(*board, order);
    }
    const CellSet next_wins = WinsToBlock(playable);
    if (next_wins.Count() >= 2) {
        return -(WIN - ply - 1);
    }
    const bool forced = !next_wins.Empty();
    if (!forced && depth <= 0) {
        return Evaluate(*board, order);
    }

    const std::uint64_t key = board->Hash() ^ order_key ^ SEAT_KEYS[0];
    int table_lane = -1;
    if (const auto score = Settled(table, key, depth, ply, alpha, beta, table_lane)) {
        return *score;
    }

    std::array<Move, LANES> moves;
    int move_count = 0;
    if (forced) {
        const int cell = FirstCell(next_wins);
        moves[0] = Move{LaneOf(cell % COLUMNS, cell / COLUMNS), cell, 0};
        move_count = 1;
    } else {
        move_count = SortMoves(moves, own, ply, table_lane);
    }

    // A forced move is searched without using up depth: it adds no choice to the tree.
    const int child_depth = forced ? depth : depth - 1;
    const int original_alpha = alpha;
    int best = -INFINITE;
    int best_lane = moves[0].lane;
    for (int i = 0; i < move_count; ++i) {
        const Move& move = moves[Index(i)];
        board->Put(move.cell, own);
        int reply = -1;
        const int score = Searched(1, false, child_depth, ply + 1, alpha, beta, i > 0 ? Side::OWN : Side::NONE, reply);
        board->Take(move.cell);
        if (aborted) {
            return 0;
        }
        if (score > best) {
            best = score;
            best_lane = move.lane;
        }
        alpha = std::max(alpha, score);
        if (alpha >= beta) {
            Reward(ply, own, move, depth);
            break;
        }
    }
    const auto bound = best <= original_alpha ? TranspositionTable::Bound::UPPER
                       : best >= beta         ? TranspositionTable::Bound::LOWER
                                              : TranspositionTable::Bound::EXACT;
    table.Store(key, ToTable(best, ply), depth, best_lane, bound);
    return best;
}

// Whether the opponent in `seat`, putting a ball on `cell`, would hand the player after it a winning cell.
bool BestReplySearch::HandsOverWin(int seat, int cell)
{
    const int next = order[Index(seat + 1)];
    if ((ThreatBoard::Above(cell) & board->Threats(next)).Empty()) {
        return false; // only the cells it holds up can become playable
    }
    board->Put(cell, order[Index(seat)]);
    const bool hands_over = !(board->Playable() & board->Threats(next)).Empty();
    board->Take(cell);
    return hands_over;
}

// The opponent in `seat` and those after it, up to the searching player's next turn. `replied` says whether an
// opponent before has already made the searched reply of a best-reply layer; `best_reply` receives the reply
// of the best line.
int BestReplySearch::OpponentMoves(int seat, bool replied, int depth, int ply, int alpha, int beta, int& best_reply)
{
    if (seat == seats) {
        return OwnTurn(depth, ply, alpha, beta);
    }
    ++nodes;
    if (OutOfTime()) {
        return 0;
    }
    const CellSet& playable = board->Playable();
    if (playable.Empty()) {
        return 0;
    }
    const int colour = order[Index(seat)];
    if (!(playable & board->Threats(colour)).Empty()) {
        return -(WIN - ply);
    }

    // A winning cell of someone else is blocked, that of the player who moves soonest first.
    for (int step = 1; step < seats; ++step) {
        const int other_seat = (seat + step) % seats;
        const CellSet wins = playable & board->Threats(order[Index(other_seat)]);
        if (wins.Empty()) {
            continue;
        }
        if (step == 1 && wins.Count() >= 2) {
            return other_seat == 0 ? WIN - ply - 1 : -(WIN - ply - 1);
        }
        const int cell = FirstCell(wins);
        board->Put(cell, colour);
        const int score = OpponentMoves(seat + 1, replied, depth, ply + 1, alpha, beta, best_reply);
        board->Take(cell);
        return score;
    }

    // Beyond the horizon, and once the one reply of a best-reply layer is made, the others pass.
    if (depth <= 0 || replied) {
        return OpponentMoves(seat + 1, replied, depth, ply, alpha, beta, best_reply);
    }

    const std::uint64_t key = board->Hash() ^ order_key ^ SEAT_KEYS[Index(seat)];
    int hint = -1;
    if (const auto score = Settled(table, key, depth, ply, alpha, beta, hint)) {
        return *score;
    }
    const int hint_seat = hint >= 0 ? hint / SEAT_STRIDE : -1;
    std::array<Move, LANES> moves;
    const int move_count = SortMoves(moves, colour, ply, hint_seat == seat ? hint % SEAT_STRIDE : -1);
    // In a best-reply layer a later opponent may make the reply instead; the last one must.
    const bool may_pass = seat < seats - 1;
    const bool pass_first = may_pass && hint_seat > seat;
    const bool next_is_opponent = seat < seats - 1;
    const int original_alpha = alpha;
    const int original_beta = beta;
    int best = INFINITE;
    int reply_of_best = -1;
    const auto consider = [&](int score, int reply) {
        if (score < best) {
            best = score;
            reply_of_best = reply;
        }
        beta = std::min(beta, score);
    };
    const auto pass = [&] {
        int reply = -1;
        const int score = OpponentMoves(seat + 1, false, depth, ply, alpha, beta, reply);
        if (!aborted) {
            consider(score, reply);
        }
    };
    if (pass_first) {
        pass();
    }
    int searched = 0;
    for (int i = 0; i < move_count && !aborted && best > alpha; ++i) {
        const Move& move = moves[Index(i)];
        // Nobody hands the player after it a win while it has another move.
        if (next_is_opponent && HandsOverWin(seat, move.cell)) {
            continue;
        }
        ++searched;
        board->Put(move.cell, colour);
        int reply = -1;
        const int score = Searched(seat + 1, true, depth - 1, ply + 1, alpha, beta,
                                   searched > 1 ? Side::OPPONENTS : Side::NONE, reply);
        board->Take(move.cell);
        if (aborted) {
            break;
        }
        consider(score, seat * SEAT_STRIDE + move.lane);
        if (best <= alpha) {
            Reward(ply, colour, move, depth);
        }
    }
    if (!pass_first && may_pass && !aborted && best > alpha) {
        pass();
    }
    if (aborted) {
        return 0;
    }
    if (searched == 0 && !may_pass && !pass_first) {
        // Every move hands the next opponent a win.
        best = -(WIN - ply - 1);
    }
    best_reply = reply_of_best;
    const auto bound = best <= original_alpha  ? TranspositionTable::Bound::UPPER
                       : best >= original_beta ? TranspositionTable::Bound::LOWER
                                               : TranspositionTable::Bound::EXACT;
    table.Store(key, ToTable(best, ply), depth, reply_of_best, bound);
    return best;
}

SearchResult BestReplySearch::Run(ThreatBoard& search_board, std::span<const int> turn_order,
                                  std::span<const int> root_lanes, const SearchLimits& limits,
                                  std::stop_token stop_token)
{
    SearchResult result;
    if (root_lanes.empty() || turn_order.size() < 2) {
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    board = &search_board;
    order = turn_order;
    seats = static_cast<int>(order.size());
    order_key = OrderKey(order);
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
    const auto finish = [&] {
        result.nodes = nodes;
        board = nullptr;
        order = {};
        stop = {};
        return result;
    };
    for (int i = 0; i < lane_count; ++i) {
        const int cell = board->Landing(lanes[Index(i)]);
        if (cell != ThreatBoard::NO_SPOT && board->Completes(cell, order[0])) {
            result.lane = lanes[Index(i)];
            result.score = WIN;
            return finish();
        }
    }
    if (lane_count == 1) {
        return finish();
    }
    // A forced block needs no search.
    if (const CellSet block = WinsToBlock(board->Playable()); block.Count() == 1) {
        const int cell = FirstCell(block);
        result.lane = LaneOf(cell % COLUMNS, cell / COLUMNS);
        return finish();
    }

    const int max_depth = std::clamp(limits.max_depth, 1, MAX_PLY - 1);
    for (int depth = 1; depth <= max_depth; ++depth) {
        int alpha = -INFINITE;
        int best_index = -1;
        for (int i = 0; i < lane_count; ++i) {
            const int cell = board->Landing(lanes[Index(i)]);
            if (cell == ThreatBoard::NO_SPOT) {
                continue;
            }
            board->Put(cell, order[0]);
            int reply = -1;
            const int score =
                Searched(1, false, depth - 1, 1, alpha, INFINITE, best_index >= 0 ? Side::OWN : Side::NONE, reply);
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
        // Since an unfinished depth still counts, a deeper search is begun whenever time is left: the whole time
        // per move goes into the search, and the hard budget ends it.
        const bool decided = alpha > DECIDED || alpha < -DECIDED;
        if (aborted || decided) {
            break;
        }
    }
    return finish();
}

} // namespace pyrandel
