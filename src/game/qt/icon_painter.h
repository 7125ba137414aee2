#pragma once
// Paints the program's seven icons from geometry, so the pictures in res/icons can be made again at any size.
// The program loads the committed PNGs for device pixel ratios 1 and 2 and paints every other size, and the
// colour-blind aid's balls, with it at run time.
//
// The cell shape is the board's tile: a hexagon with its points at the middle of the top and bottom edges and
// its vertical sides along the left and right edges from 1/4 to 3/4 of the height, so that rows 23 pixels
// apart (at 32 pixels) interlock without a gap.

#include <QColor>
#include <QImage>
#include <QString>

#include <array>

namespace pyrandel {

enum class IconId {
    PROGRAM = 102,
    MARKER = 106,
    HOLE = 107,
    BALL_RED = 108,
    BALL_BLUE = 109,
    BALL_YELLOW = 110,
    BALL_GREEN = 111,
};

inline constexpr std::array<IconId, 7> ALL_ICONS = {IconId::PROGRAM,   IconId::MARKER,    IconId::HOLE,
                                                    IconId::BALL_RED,  IconId::BALL_BLUE, IconId::BALL_YELLOW,
                                                    IconId::BALL_GREEN};

// The ball icon of a board colour 0..3 (blue, red, yellow, green).
[[nodiscard]] IconId BallIcon(int colour);

// The file name of an icon in res/icons and in the resource bundle, without the size suffix ("hole").
[[nodiscard]] QString IconFileName(IconId id);

// How the balls are drawn. With the colour-blind aid each colour's ball carries a shape of its own (blue a
// ring, red a triangle, yellow a square, green a cross) and the colours stand further apart for red-green
// colour blindness while still reading as blue, red, yellow and green.
enum class BallStyle { PLAIN, SHAPED };

// The body colour of the ball of `colour` (0..3) in a style, as the balls are painted.
[[nodiscard]] QColor BallColour(int colour, BallStyle style);

class IconPainter {
public:
    // A square image of `size` pixels (32 for the design; any size from 16 up), transparent outside the
    // picture. The style changes only the four balls.
    [[nodiscard]] static QImage Paint(IconId id, int size, BallStyle style = BallStyle::PLAIN);
};

} // namespace pyrandel
