#include "game/qt/icon_painter.h"

#include <QDir>
#include <QImage>

#include <cstdlib>

#include <gtest/gtest.h>

namespace pyrandel {
namespace {

[[nodiscard]] bool Opaque(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).alpha() == 255;
}

// The opaque pixels of one row, counted.
[[nodiscard]] int OpaqueWidth(const QImage& image, int y)
{
    int width = 0;
    for (int x = 0; x < image.width(); ++x) {
        width += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
    }
    return width;
}

// Compared colour by colour, whatever the two images' pixel formats. Channels are compared premultiplied
// and may differ by the rounding of one conversion to and from premultiplied form (the PNG file's).
[[nodiscard]] bool SamePixels(const QImage& left, const QImage& right)
{
    if (left.size() != right.size()) {
        return false;
    }
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb a = qPremultiply(left.pixelColor(x, y).rgba());
            const QRgb b = qPremultiply(right.pixelColor(x, y).rgba());
            if (!near(qAlpha(a), qAlpha(b)) || !near(qRed(a), qRed(b)) || !near(qGreen(a), qGreen(b)) ||
                !near(qBlue(a), qBlue(b))) {
                return false;
            }
        }
    }
    return true;
}

TEST(IconPainterTest, TileHasPointsInTheMiddleAndSidesFromRowEightToTwentyThree)
{
    for (const IconId id : {IconId::HOLE, IconId::MARKER}) {
        const QImage tile = IconPainter::Paint(id, 32);
        // Points: the two middle pixels of the top and bottom rows.
        EXPECT_EQ(OpaqueWidth(tile, 0), 2);
        EXPECT_TRUE(Opaque(tile, 15, 0) && Opaque(tile, 16, 0));
        EXPECT_EQ(OpaqueWidth(tile, 31), 2);
        // Vertical sides: full rows 8 to 23 only.
        EXPECT_EQ(OpaqueWidth(tile, 7), 30);
        for (int y = 8; y <= 23; ++y) {
            EXPECT_EQ(OpaqueWidth(tile, y), 32) << y;
        }
        EXPECT_EQ(OpaqueWidth(tile, 24), 30);
    }
    // Hole: black inside a dark blue rim; marker: white inside.
    const QImage hole = IconPainter::Paint(IconId::HOLE, 32);
    EXPECT_EQ(hole.pixelColor(16, 16), QColor(Qt::black));
    EXPECT_EQ(hole.pixelColor(0, 16), QColor(0, 0, 128));
    EXPECT_EQ(IconPainter::Paint(IconId::MARKER, 32).pixelColor(16, 16), QColor(Qt::white));
}

TEST(IconPainterTest, TilesOfNeighbouringRowsLeaveNoGap)
{
    // Rows are 23 pixels apart and half a cell aside: below a tile's bottom point (its rows 23..31) lie the
    // upper points of the two tiles one row down (their rows 0..8). Every pixel there must belong to one of
    // the three.
    const QImage tile = IconPainter::Paint(IconId::HOLE, 32);
    for (int y = 23; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const int below_y = y - 23;
            const bool covered = Opaque(tile, x, y) || (x >= 16 && Opaque(tile, x - 16, below_y)) ||
                                 (x < 16 && Opaque(tile, x + 16, below_y));
            EXPECT_TRUE(covered) << x << "," << y;
        }
    }
}

TEST(IconPainterTest, BallsAreAboutTwentyTwoPixelsAcrossAndCentred)
{
    for (const IconId id : {IconId::BALL_BLUE, IconId::BALL_RED, IconId::BALL_YELLOW, IconId::BALL_GREEN}) {
        const QImage ball = IconPainter::Paint(id, 32);
        EXPECT_NEAR(OpaqueWidth(ball, 16), 22, 1);
        EXPECT_FALSE(Opaque(ball, 0, 0));
        EXPECT_FALSE(Opaque(ball, 31, 31));
        EXPECT_TRUE(Opaque(ball, 16, 16));
        const QImage large = IconPainter::Paint(id, 64);
        EXPECT_NEAR(OpaqueWidth(large, 32), 44, 2);
    }
}

TEST(IconPainterTest, CommittedPicturesMatchThePainter)
{
    const QDir icons(QStringLiteral(PYRANDEL_RES_DIR "/icons"));
    for (const IconId id : ALL_ICONS) {
        for (const auto& [size, suffix] : {std::pair{32, ".png"}, std::pair{64, "@2x.png"}}) {
            const QString file = icons.filePath(IconFileName(id) + QLatin1String(suffix));
            const QImage committed(file);
            ASSERT_FALSE(committed.isNull()) << file.toStdString();
            EXPECT_TRUE(SamePixels(committed, IconPainter::Paint(id, size)))
                << file.toStdString() << ": run the `icons` target and commit the pictures";
        }
    }
}

} // namespace
} // namespace pyrandel
