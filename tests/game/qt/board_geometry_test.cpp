#include "game/qt/board_geometry.h"

#include <gtest/gtest.h>

namespace pyrandel {
namespace {

TEST(BoardGeometryTest, CellOriginsInterlockTheRows)
{
    struct Case {
        Cell cell;
        PixelPoint origin;
    };
    const Case cases[] = {
        {{0, 0}, {16, 301}},   {{1, 0}, {48, 301}}, {{0, 1}, {32, 278}},
        {{15, 1}, {512, 278}}, {{0, 11}, {32, 48}}, {{15, 10}, {496, 71}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(CellOrigin(test.cell.col, test.cell.row), test.origin) << test.cell.col << "," << test.cell.row;
    }
    // The board's extent: the right-most cell ends at 544, row 0 at 333.
    EXPECT_EQ(CellOrigin(15, 11).x + CELL_PIXELS, BOARD_RIGHT);
    EXPECT_EQ(CellOrigin(0, 0).y + CELL_PIXELS, BOARD_BOTTOM);
}

TEST(BoardGeometryTest, EachLaneAnswersToTheSixteenPixelsAroundItsCellsMiddle)
{
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            const int middle = CellOrigin(col, row).x + CELL_PIXELS / 2;
            EXPECT_EQ(LaneAtX(middle - 8), LaneOf(col, row));
            EXPECT_EQ(LaneAtX(middle + 7), LaneOf(col, row));
        }
    }
    EXPECT_EQ(LaneAtX(23), std::nullopt);
    EXPECT_EQ(LaneAtX(-1), std::nullopt);
    EXPECT_EQ(LaneAtX(536), std::nullopt);
    EXPECT_EQ(LaneAtX(60000), std::nullopt);
}

TEST(BoardGeometryTest, ClicksCountOnlyBelowTheTopEdge)
{
    EXPECT_FALSE(ClickCounts(0));
    EXPECT_FALSE(ClickCounts(48));
    EXPECT_TRUE(ClickCounts(49));
}

} // namespace
} // namespace pyrandel
