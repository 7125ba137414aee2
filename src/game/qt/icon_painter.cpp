#include "game/qt/icon_painter.h"

#include "game/grid.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace pyrandel {

namespace {

struct BallColours {
    QColor light;
    QColor body;
    QColor shade;
};

// Colour order of the board: 0 blue, 1 red, 2 yellow, 3 green.
constexpr std::array<IconId, COLOURS> BALL_ICONS = {IconId::BALL_BLUE, IconId::BALL_RED, IconId::BALL_YELLOW,
                                                    IconId::BALL_GREEN};

const QColor RIM_COLOUR(0, 0, 128);

// By colour, plain and with the aid. The aid's colours were chosen by the colour distance (CIELAB)
// between the balls after a simulation of deuteranopia and protanopia: red darker, green lighter and bluer,
// yellow and blue a little brighter. The smallest distance between two balls rises from 12 to 45
// (deuteranopia) and from 23 to 52 (protanopia).
const std::array<std::array<BallColours, COLOURS>, 2> BALL_COLOURS = {{
    {{{QColor(200, 220, 255), QColor(30, 80, 240), QColor(0, 10, 110)},
      {QColor(255, 190, 190), QColor(225, 20, 20), QColor(110, 0, 0)},
      {QColor(255, 255, 210), QColor(250, 215, 0), QColor(140, 100, 0)},
      {QColor(200, 255, 200), QColor(20, 180, 40), QColor(0, 80, 10)}}},
    {{{QColor(200, 225, 255), QColor(20, 90, 255), QColor(0, 10, 120)},
      {QColor(240, 150, 150), QColor(160, 0, 10), QColor(70, 0, 0)},
      {QColor(255, 255, 215), QColor(255, 225, 30), QColor(150, 110, 0)},
      {QColor(215, 255, 235), QColor(70, 220, 140), QColor(0, 100, 50)}}},
}};

[[nodiscard]] int ColourOf(IconId id)
{
    const auto found = std::find(BALL_ICONS.begin(), BALL_ICONS.end(), id);
    return found == BALL_ICONS.end() ? 0 : static_cast<int>(found - BALL_ICONS.begin());
}

[[nodiscard]] const BallColours& ColoursOf(IconId id, BallStyle style = BallStyle::PLAIN)
{
    return BALL_COLOURS[style == BallStyle::SHAPED ? 1 : 0][static_cast<std::size_t>(ColourOf(id))];
}

// Pixel-exact tile, not an antialiased polygon: neighbouring cells must meet without a seam. A pixel belongs
// to the tile when its centre lies inside the hexagon, whose slanting edges rise two pixels sideways per
// pixel upwards; so the rows from size/4 to 3*size/4 - 1 are full width and the points end in the two middle
// pixels.
[[nodiscard]] bool InTile(int x, int y, int size)
{
    if (x < 0 || y < 0 || x >= size || y >= size) {
        return false;
    }
    const double to_point = std::min(y + 0.5, size - y - 0.5);
    return std::abs(x + 0.5 - size / 2.0) < 2.0 * to_point;
}

[[nodiscard]] bool InTileInterior(int x, int y, int size, int rim)
{
    for (int dy = -rim; dy <= rim; ++dy) {
        for (int dx = -rim; dx <= rim; ++dx) {
            if (!InTile(x + dx, y + dy, size)) {
                return false;
            }
        }
    }
    return true;
}

[[nodiscard]] QImage PaintTile(int size, QColor inside)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const int rim = std::max(1, size / 16);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (InTile(x, y, size)) {
                image.setPixelColor(x, y, InTileInterior(x, y, size, rim) ? inside : RIM_COLOUR);
            }
        }
    }
    return image;
}

// A shaded ball lit from the upper left, in the coordinates of the 32-pixel design.
void PaintBall(QPainter& painter, QPointF centre, qreal radius, const BallColours& colours)
{
    QRadialGradient gradient(centre, radius, centre - QPointF(radius * 0.35, radius * 0.4));
    gradient.setColorAt(0.0, colours.light);
    gradient.setColorAt(0.35, colours.body);
    gradient.setColorAt(1.0, colours.shade);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(centre, radius, radius);
}

// The aid's shape on a ball: white with a dark edge, so it shows on every colour.
void PaintShape(QPainter& painter, IconId id)
{
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1.2));
    painter.setBrush(Qt::white);
    const QPointF centre(16.0, 16.0);
    switch (id) {
    case IconId::BALL_RED: {
        const QPointF corners[] = {{16.0, 10.0}, {22.0, 20.5}, {10.0, 20.5}};
        painter.drawPolygon(corners, 3);
        break;
    }
    case IconId::BALL_YELLOW:
        painter.drawRect(QRectF(11.0, 11.0, 10.0, 10.0));
        break;
    case IconId::BALL_GREEN: {
        const QPointF arms[] = {{14.0, 10.0}, {18.0, 10.0}, {18.0, 14.0}, {22.0, 14.0}, {22.0, 18.0}, {18.0, 18.0},
                                {18.0, 22.0}, {14.0, 22.0}, {14.0, 18.0}, {10.0, 18.0}, {10.0, 14.0}, {14.0, 14.0}};
        painter.drawPolygon(arms, 12);
        break;
    }
    default: {
        // A ring: the white band between two circles.
        QPainterPath ring;
        ring.addEllipse(centre, 5.5, 5.5);
        ring.addEllipse(centre, 3.0, 3.0);
        painter.drawPath(ring);
        break;
    }
    }
}

[[nodiscard]] QImage PaintBalls(int size, IconId id, BallStyle style)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    if (id == IconId::PROGRAM) {
        PaintBall(painter, QPointF(10.5, 10.5), 9.0, ColoursOf(IconId::BALL_GREEN));
        PaintBall(painter, QPointF(21.5, 11.0), 9.0, ColoursOf(IconId::BALL_YELLOW));
        PaintBall(painter, QPointF(14.0, 21.5), 9.0, ColoursOf(IconId::BALL_RED));
        PaintBall(painter, QPointF(25.0, 25.0), 5.5, ColoursOf(IconId::BALL_BLUE));
    } else {
        PaintBall(painter, QPointF(16.0, 16.0), 11.0, ColoursOf(id, style));
        if (style == BallStyle::SHAPED) {
            PaintShape(painter, id);
        }
    }
    painter.end();
    return image;
}

} // namespace

QColor BallColour(int colour, BallStyle style)
{
    return ColoursOf(BallIcon(colour), style).body;
}

IconId BallIcon(int colour)
{
    return BALL_ICONS[static_cast<std::size_t>(std::clamp(colour, 0, COLOURS - 1))];
}

QString IconFileName(IconId id)
{
    switch (id) {
    case IconId::PROGRAM:
        return QStringLiteral("program");
    case IconId::MARKER:
        return QStringLiteral("marker");
    case IconId::HOLE:
        return QStringLiteral("hole");
    case IconId::BALL_RED:
        return QStringLiteral("ball_red");
    case IconId::BALL_BLUE:
        return QStringLiteral("ball_blue");
    case IconId::BALL_YELLOW:
        return QStringLiteral("ball_yellow");
    case IconId::BALL_GREEN:
        return QStringLiteral("ball_green");
    }
    return {};
}

QImage IconPainter::Paint(IconId id, int size, BallStyle style)
{
    switch (id) {
    case IconId::HOLE:
        return PaintTile(size, Qt::black);
    case IconId::MARKER:
        return PaintTile(size, Qt::white);
    default:
        return PaintBalls(size, id, style);
    }
}

} // namespace pyrandel
