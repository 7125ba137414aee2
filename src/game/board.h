#pragma once
// One player's view of a match: the cells, the local player's colour and turn, and the remembered landing spot
// under the pointer. There is one Board in the program; it is reused for every match and emptied by Reset.
//
// The window thread (painting, the player's drops) and the connection thread (other players' balls, the end of a
// match) both use it, so every operation takes the board's own lock. Drawing callbacks and the status text run
// after the lock is released, so a view may read the board from inside them.

#include "game/grid.h"

#include <array>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace pyrandel {

// Told about every cell that Place changes, so a view can draw it at once.
class BoardSurface {
public:
    virtual void DrawCell(int col, int row) = 0;

protected:
    ~BoardSurface() = default;
};

// Where Reset and the end of a turn put their status text (code page 932 bytes).
class StatusSink {
public:
    virtual void ShowStatus(std::string_view text) = 0;

protected:
    ~StatusSink() = default;
};

// What a view marks besides the balls: each colour's latest ball of the match and, once a ball has completed
// a line, every ball of that line.
struct BoardMarks {
    std::array<std::optional<Cell>, COLOURS> last_balls{};
    std::vector<Cell> winning_line;
    friend bool operator==(const BoardMarks&, const BoardMarks&) = default;
};

// Place results.
inline constexpr int PLACE_REFUSED = -1; // the cell is taken or off the board; nothing changed
inline constexpr int PLACE_PUT = 0;      // the ball stands and completes no line
inline constexpr int PLACE_WON = 1;      // the ball completes a line of win_count

class Board {
public:
    explicit Board(StatusSink& status, int win_count = WIN_COUNT);
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // Rules
    // Forbids placing, empties every cell, forgets the remembered landing spot and shows "now waiting".
    // Keeps own_colour and balls_left.
    void Reset();
    [[nodiscard]] int CellAt(int col, int row) const;
    [[nodiscard]] std::optional<Cell> LandingSpot(int lane) const;
    // Puts a ball without the support rule (other players' balls are taken where they are said to be) and
    // runs the win test. Draws the cell on `surface` when one is given. A colour outside 0..3 is refused like
    // a taken cell: it would stand as an invisible ball, or as EMPTY count a row of holes as a line.
    int Place(int colour, int col, int row, BoardSurface* surface = nullptr);
    [[nodiscard]] Grid Snapshot() const;
    [[nodiscard]] BoardMarks Marks() const;

    // The local player's match
    void BeginMatch(int colour); // own_colour := colour, balls_left := 0; placing stays forbidden
    void GrantTurn();            // balls_left := -1, may_place := true
    [[nodiscard]] int own_colour() const;
    [[nodiscard]] int balls_left() const;
    [[nodiscard]] bool may_place() const;
    [[nodiscard]] std::optional<Cell> hover() const;

    // The pointer is over `lane` (nothing for no lane). When it is the player's turn and the lane has a landing
    // spot, that spot becomes the marker: the result names it and the previous marker cell to redraw. Otherwise
    // nothing changes and a marker already shown stays.
    struct MarkerMove {
        std::optional<Cell> previous;
        Cell spot;
    };
    std::optional<MarkerMove> PointAt(std::optional<int> lane);

    // The player's click over `lane`: puts the own ball on the lane's landing spot, or on the marker when the
    // lane has none; nothing when it is not the player's turn or there is neither. Ends the turn when no balls
    // are left (showing "now waiting"). The caller sends the move; a win is announced after sending.
    struct OwnMove {
        int colour = 0;
        Cell cell;
        bool win = false;
        int balls_left = 0;
    };
    std::optional<OwnMove> DropOwnBall(std::optional<int> lane, BoardSurface* surface = nullptr);

private:
    // Where the own ball goes for a click over `lane`; the caller holds the lock.
    [[nodiscard]] std::optional<Cell> OwnSpot(std::optional<int> lane) const;
    // Stores a ball and runs the win test, keeping the marks; the caller holds the lock.
    [[nodiscard]] bool Store(int colour, Cell cell);

    StatusSink& status;
    const int win_count;
    mutable std::mutex lock;
    Grid cells;
    BoardMarks marks;
    std::optional<Cell> hover_spot;
    int balls_left_ = 0;
    int own_colour_ = 0;
    bool may_place_ = false;
};

} // namespace pyrandel
