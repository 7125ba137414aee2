#include "game/board.h"

#include "text/texts.h"

namespace pyrandel {

static_assert(texts::COLOUR_NAMES.size() == COLOURS, "every colour has its name in the texts");

namespace {

[[nodiscard]] constexpr bool IsColour(int colour)
{
    return colour >= 0 && colour < COLOURS;
}

[[nodiscard]] std::size_t IndexOf(Cell cell)
{
    return static_cast<std::size_t>(cell.row * COLUMNS + cell.col);
}

} // namespace

// The constructor does not show "now waiting": at program start no view listens yet, and the lobby resets the
// board (and so shows the text) when it opens.
Board::Board(StatusSink& status, int win_count) : status(status), win_count(win_count), cells(EmptyGrid())
{
}

void Board::Reset()
{
    {
        const std::scoped_lock guard(lock);
        may_place_ = false;
        cells = EmptyGrid();
        marks = {};
        // A spot remembered from an earlier match would let a later click put a ball where the emptied board
        // gives it no support.
        hover_spot.reset();
    }
    status.ShowStatus(texts::STATUS_WAITING);
}

int Board::CellAt(int col, int row) const
{
    const std::scoped_lock guard(lock);
    return pyrandel::CellAt(cells, col, row);
}

std::optional<Cell> Board::LandingSpot(int lane) const
{
    const std::scoped_lock guard(lock);
    return pyrandel::LandingSpot(cells, lane);
}

int Board::Place(int colour, int col, int row, BoardSurface* surface)
{
    int result = PLACE_REFUSED;
    {
        const std::scoped_lock guard(lock);
        // A colour outside 0..3 is refused: EMPTY would leave the cell empty yet count as a line of empty
        // cells, and any other value would stand as an invisible ball.
        if (!IsColour(colour) || pyrandel::CellAt(cells, col, row) != EMPTY) {
            return PLACE_REFUSED;
        }
        result = Store(colour, Cell{col, row}) ? PLACE_WON : PLACE_PUT;
    }
    if (surface != nullptr) {
        surface->DrawCell(col, row);
    }
    return result;
}

Grid Board::Snapshot() const
{
    const std::scoped_lock guard(lock);
    return cells;
}

BoardMarks Board::Marks() const
{
    const std::scoped_lock guard(lock);
    return marks;
}

bool Board::Store(int colour, Cell cell)
{
    cells[IndexOf(cell)] = colour;
    marks.last_balls[static_cast<std::size_t>(colour)] = cell;
    if (!CompletesLine(cells, cell.col, cell.row, colour, win_count)) {
        return false;
    }
    // The first line completed stays marked: the match is decided by it, whatever follows.
    if (marks.winning_line.empty()) {
        marks.winning_line = WinningLine(cells, cell.col, cell.row, colour, win_count);
    }
    return true;
}

void Board::BeginMatch(int colour)
{
    const std::scoped_lock guard(lock);
    own_colour_ = colour;
    balls_left_ = 0;
}

void Board::GrantTurn()
{
    const std::scoped_lock guard(lock);
    balls_left_ = -1;
    may_place_ = true;
}

int Board::own_colour() const
{
    const std::scoped_lock guard(lock);
    return own_colour_;
}

int Board::balls_left() const
{
    const std::scoped_lock guard(lock);
    return balls_left_;
}

bool Board::may_place() const
{
    const std::scoped_lock guard(lock);
    return may_place_;
}

std::optional<Cell> Board::hover() const
{
    const std::scoped_lock guard(lock);
    return hover_spot;
}

std::optional<Board::MarkerMove> Board::PointAt(std::optional<int> lane)
{
    const std::scoped_lock guard(lock);
    if (!may_place_ || !lane) {
        return std::nullopt;
    }
    const std::optional<Cell> spot = pyrandel::LandingSpot(cells, *lane);
    if (!spot) {
        return std::nullopt;
    }
    MarkerMove move{hover_spot, *spot};
    hover_spot = spot;
    return move;
}

std::optional<Board::OwnMove> Board::DropOwnBall(std::optional<int> lane, BoardSurface* surface)
{
    OwnMove move;
    bool turn_over = false;
    {
        const std::scoped_lock guard(lock);
        if (!may_place_ || !IsColour(own_colour_)) {
            return std::nullopt;
        }
        const std::optional<Cell> spot = OwnSpot(lane);
        if (!spot) {
            return std::nullopt;
        }
        const Cell cell = *spot;
        move.colour = own_colour_;
        move.cell = cell;
        move.win = Store(own_colour_, cell);
        if (balls_left_ >= 1) {
            --balls_left_;
        }
        move.balls_left = balls_left_;
        hover_spot.reset();
        if (balls_left_ <= 0) {
            may_place_ = false;
            turn_over = true;
        }
    }
    if (surface != nullptr) {
        surface->DrawCell(move.cell.col, move.cell.row);
    }
    if (turn_over) {
        status.ShowStatus(texts::STATUS_WAITING);
    }
    return move;
}

std::optional<Cell> Board::OwnSpot(std::optional<int> lane) const
{
    if (lane) {
        if (const std::optional<Cell> spot = pyrandel::LandingSpot(cells, *lane)) {
            return spot;
        }
    }
    // The marker is only a fallback while it still names the landing spot of its own lane; a ball that
    // arrived under it since would otherwise let the own ball float or overwrite a cell.
    if (hover_spot && pyrandel::LandingSpot(cells, LaneOf(hover_spot->col, hover_spot->row)) == hover_spot) {
        return hover_spot;
    }
    return std::nullopt;
}

} // namespace pyrandel
