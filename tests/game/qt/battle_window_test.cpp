#include "game/qt/battle_window.h"

#include "game/qt/board_geometry.h"
#include "game/qt/board_icons.h"
#include "game/qt/dialog_units.h"
#include "game/qt/recording_battle_events.h"
#include "protocol/text_codec.h"
#include "protocol/texts.h"
#include "support/qt/view_test_support.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace pyrandel {
namespace {

using test::RecordingBattleEvents;
using test::SendKey;
using test::SendMouse;

[[nodiscard]] QString FromCp932(std::string_view text) { return QString::fromStdString(Cp932ToUtf8(text)); }

// The colour a grab of the window shows at the middle of cell (col, row).
[[nodiscard]] QColor CentreOf(QWidget& window, int col, int row)
{
    const QImage shot = window.grab().toImage();
    const PixelPoint origin = CellOrigin(col, row);
    return shot.pixelColor(origin.x + CELL_PIXELS / 2, origin.y + CELL_PIXELS / 2);
}

class BattleWindowTest : public ::testing::Test {
protected:
    BoardIcons icons;
    RecordingBattleEvents events;
    BattleWindow window{events, icons};
};

TEST_F(BattleWindowTest, IconsAreAllInTheResources) { EXPECT_TRUE(icons.complete()); }

struct PointerCase {
    int x;
    std::optional<int> lane;
};

TEST_F(BattleWindowTest, PointerPicksTheLaneByXAlone)
{
    const PointerCase cases[] = {{0, std::nullopt}, {23, std::nullopt}, {24, 0}, {39, 0}, {40, 1},
                                 {535, 31},         {536, std::nullopt}};
    for (const PointerCase& test : cases) {
        for (const int y : {5, 48, 200}) {
            events.pointed.clear();
            SendMouse(window, QEvent::MouseMove, QPoint(test.x, y));
            ASSERT_EQ(events.pointed.size(), 1u) << "x " << test.x << " y " << y;
            EXPECT_EQ(events.pointed.front(), test.lane) << "x " << test.x << " y " << y;
        }
    }
}

struct ClickCase {
    QPoint at;
    Qt::MouseButton button;
    std::vector<std::optional<int>> dropped;
};

TEST_F(BattleWindowTest, ClicksAtTheTopEdgeOrAboveAreIgnored)
{
    const ClickCase cases[] = {
        {{24, 48}, Qt::LeftButton, {}},
        {{24, 0}, Qt::LeftButton, {}},
        {{24, 49}, Qt::LeftButton, {0}},
        {{535, 300}, Qt::LeftButton, {31}},
        {{536, 300}, Qt::LeftButton, {std::nullopt}}, // no lane: the logic may still use the marker
        {{24, 200}, Qt::RightButton, {}},
    };
    for (const ClickCase& test : cases) {
        events.dropped.clear();
        SendMouse(window, QEvent::MouseButtonPress, test.at, test.button);
        SendMouse(window, QEvent::MouseButtonRelease, test.at, test.button);
        EXPECT_EQ(events.dropped, test.dropped) << test.at.x() << "," << test.at.y();
    }
}

TEST_F(BattleWindowTest, EveryWayOfClosingTellsTheLogicOnceAndHow)
{
    struct CloseCase {
        const char* name;
        void (*close)(BattleWindow&);
        BattleClose how;
    };
    const CloseCase cases[] = {
        {"Enter", [](BattleWindow& w) { SendKey(w, Qt::Key_Return); }, BattleClose::ENTER},
        {"keypad Enter", [](BattleWindow& w) { SendKey(w, Qt::Key_Enter); }, BattleClose::ENTER},
        {"Escape", [](BattleWindow& w) { SendKey(w, Qt::Key_Escape); }, BattleClose::ESCAPE},
        {"close box", [](BattleWindow& w) { w.close(); }, BattleClose::CLOSE_BOX},
        {"program", [](BattleWindow& w) { w.Close(BattleClose::PROGRAM); }, BattleClose::PROGRAM},
    };
    for (const CloseCase& test : cases) {
        RecordingBattleEvents own;
        BattleWindow closing(own, icons);
        closing.show();
        QSignalSpy closed(&closing, &BattleWindow::Closed);
        test.close(closing);
        EXPECT_EQ(own.closes, std::vector<BattleClose>{test.how}) << test.name;
        EXPECT_EQ(closed.count(), 1) << test.name;
        EXPECT_TRUE(closing.closed()) << test.name;
        EXPECT_FALSE(closing.isVisible()) << test.name;

        // A closed window never calls the logic again, whatever arrives.
        closing.Close(BattleClose::PROGRAM);
        SendKey(closing, Qt::Key_Escape);
        SendMouse(closing, QEvent::MouseMove, QPoint(100, 100));
        SendMouse(closing, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
        EXPECT_EQ(own.closes.size(), 1u) << test.name;
        EXPECT_TRUE(own.pointed.empty()) << test.name;
        EXPECT_TRUE(own.dropped.empty()) << test.name;
        EXPECT_EQ(closed.count(), 1) << test.name;
    }
}

TEST_F(BattleWindowTest, MarkerShowsUntilItsCellIsRedrawnOrTheWindowRepainted)
{
    window.DrawMarker(3, 0);
    EXPECT_EQ(CentreOf(window, 3, 0), QColor(Qt::white));

    window.DrawCell(3, 0);
    EXPECT_EQ(CentreOf(window, 3, 0), QColor(Qt::black));

    window.DrawMarker(5, 2);
    window.DrawCell(4, 0); // another cell leaves the marker alone
    EXPECT_EQ(CentreOf(window, 5, 2), QColor(Qt::white));

    window.Repaint();
    EXPECT_EQ(CentreOf(window, 5, 2), QColor(Qt::black));
    EXPECT_FALSE(window.marker().has_value());
}

TEST_F(BattleWindowTest, BallsAreDrawnAtTheirCells)
{
    events.Put(1, 15, 11); // red, top right
    events.Put(0, 0, 0);   // blue, bottom left
    events.Put(3, 7, 5);   // green
    window.Repaint();

    const QColor red = CentreOf(window, 15, 11);
    EXPECT_GT(red.red(), 2 * red.blue());
    const QColor blue = CentreOf(window, 0, 0);
    EXPECT_GT(blue.blue(), 2 * blue.red());
    const QColor green = CentreOf(window, 7, 5);
    EXPECT_GT(green.green(), 2 * green.red());
    EXPECT_EQ(CentreOf(window, 8, 5), QColor(Qt::black));

    // Left of row 0's first cell there is no board.
    const QImage shot = window.grab().toImage();
    EXPECT_NE(shot.pixelColor(8, 317), QColor(Qt::black));
    EXPECT_NE(shot.pixelColor(BOARD_RIGHT + 2, 60), QColor(Qt::black));
}

struct KeyCase {
    const char* name;
    std::optional<Cell> marker;
    int key;
    std::vector<std::optional<int>> pointed;
    std::vector<std::optional<int>> dropped;
};

TEST_F(BattleWindowTest, KeyboardMovesTheMarkerToTheNearestLaneWithALandingSpotAndDrops)
{
    // With (0, 0) and (1, 0) taken, lane 1 lands on them at (0, 1); lanes 0, 2 and 3 are blocked or half
    // supported; lane 4 and the even lanes after it land on the floor; odd lanes over an empty floor never
    // land.
    events.Put(0, 0, 0);
    events.Put(1, 1, 0);
    const KeyCase cases[] = {
        {"Right without a marker starts at the left", std::nullopt, Qt::Key_Right, {1}, {}},
        {"Left without a marker starts at the right", std::nullopt, Qt::Key_Left, {30}, {}},
        {"Right from lane 1 skips lanes 2 and 3", Cell{0, 1}, Qt::Key_Right, {4}, {}},
        {"Left from lane 4 skips lanes 3 and 2", Cell{2, 0}, Qt::Key_Left, {1}, {}},
        {"Left from the left-most landing lane stays", Cell{0, 1}, Qt::Key_Left, {}, {}},
        {"Right from the right-most landing lane stays", Cell{15, 0}, Qt::Key_Right, {}, {}},
        {"Space drops on the marker's lane", Cell{2, 0}, Qt::Key_Space, {}, {4}},
        {"Down drops on the marker's lane", Cell{0, 1}, Qt::Key_Down, {}, {1}},
        {"Space without a marker leaves the spot to the logic",
         std::nullopt,
         Qt::Key_Space,
         {},
         {std::nullopt}},
    };
    for (const KeyCase& test : cases) {
        events.pointed.clear();
        events.dropped.clear();
        window.Repaint();
        if (test.marker) {
            window.DrawMarker(test.marker->col, test.marker->row);
        }
        SendKey(window, test.key);
        EXPECT_EQ(events.pointed, test.pointed) << test.name;
        EXPECT_EQ(events.dropped, test.dropped) << test.name;
    }
}

TEST_F(BattleWindowTest, HKeyAsksForAHintAndNothingElse)
{
    SendKey(window, Qt::Key_H, Qt::NoModifier, QStringLiteral("h"));
    EXPECT_EQ(events.hints, 1);
    EXPECT_TRUE(events.pointed.empty());
    EXPECT_TRUE(events.dropped.empty());
    EXPECT_TRUE(events.closes.empty());
    window.Close(BattleClose::PROGRAM);
    SendKey(window, Qt::Key_H, Qt::NoModifier, QStringLiteral("h")); // a closed window asks nothing
    EXPECT_EQ(events.hints, 1);
}

TEST_F(BattleWindowTest, WindowFitsTheBoardAndTheTemplate)
{
    const QSize size = BattleWindow::ClientSize(window.font());
    const QSize dialog = DialogUnits(window.font()).ToPixels(318, 233);
    EXPECT_GE(size.width(), BOARD_RIGHT);
    EXPECT_GE(size.height(), BOARD_BOTTOM);
    EXPECT_GE(size.width(), dialog.width());
    EXPECT_GE(size.height(), dialog.height());
    EXPECT_EQ(window.size(), size);
}

TEST_F(BattleWindowTest, ShowsTheTemplateTextsAndTheStatusLine)
{
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8(u8"Pyrandel 対戦画面"));
    EXPECT_EQ(window.status(), QString::fromUtf8(u8"現在、待っています"));
    auto* rules = window.findChild<QLabel*>(QStringLiteral("static0"));
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->text(), FromCp932(texts::LABEL_BATTLE_RULES));
    auto* status = window.findChild<QLabel*>(QStringLiteral("ctl1020"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->geometry(), DialogUnits(window.font()).ToPixels(DialogRect{4, 1, 93, 8}));

    window.ShowStatus(FromCp932(texts::STATUS_YOUR_TURN));
    EXPECT_EQ(window.status(), QString::fromUtf8(u8"あなたの番です"));
}

} // namespace
} // namespace pyrandel
