#include "game/qt/battle_window.h"

#include "game/qt/board_geometry.h"
#include "game/qt/board_icons.h"
#include "game/qt/dialog_units.h"
#include "game/qt/preferences.h"
#include "game/qt/recording_battle_events.h"
#include "support/qt/view_test_support.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
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

[[nodiscard]] QString FromCp932(std::string_view text)
{
    return QString::fromStdString(Cp932ToUtf8(text));
}

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

TEST_F(BattleWindowTest, IconsAreAllInTheResources)
{
    EXPECT_TRUE(icons.complete());
}

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
        {"Space without a marker leaves the spot to the logic", std::nullopt, Qt::Key_Space, {}, {std::nullopt}},
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

TEST_F(BattleWindowTest, AGrantedTurnTitlesTheWindowAndAsksForAttentionUntilTheStatusMoves)
{
    const QString caption = QString::fromUtf8(u8"Pyrandel 対戦画面");
    struct AnnounceCase {
        BattleAnnouncement what;
        std::string_view status;
        const char8_t* title;
    };
    const AnnounceCase cases[] = {
        {BattleAnnouncement::YOUR_TURN, texts::STATUS_YOUR_TURN, u8"Pyrandel 対戦画面 - あなたの番です"},
        {BattleAnnouncement::YOU_WIN, texts::STATUS_YOU_WIN, u8"Pyrandel 対戦画面 - あなたの勝ちです"},
    };
    int requests = 0;
    for (const AnnounceCase& test : cases) {
        // As the logic sends them: the status first, then the announcement; the window is not the active one.
        window.ShowStatus(FromCp932(test.status));
        window.Announce(test.what);
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(test.title));
        EXPECT_EQ(window.attention_requests(), ++requests);
        window.ShowStatus(FromCp932(test.status)); // the same state again keeps the title
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(test.title));
        window.ShowStatus(FromCp932(texts::STATUS_WAITING));
        EXPECT_EQ(window.windowTitle(), caption);
    }
    window.Close(BattleClose::PROGRAM);
    window.Announce(BattleAnnouncement::YOUR_TURN); // a closed window announces nothing
    EXPECT_EQ(window.attention_requests(), requests);
}

// The pixel on a ball's edge, straight above its middle (the rings' radius), and the middle itself.
[[nodiscard]] QColor EdgeOf(const QImage& shot, int col, int row)
{
    const PixelPoint origin = CellOrigin(col, row);
    return shot.pixelColor(origin.x + CELL_PIXELS / 2, origin.y + CELL_PIXELS / 2 - 12);
}

[[nodiscard]] QColor MiddleOf(const QImage& shot, int col, int row)
{
    const PixelPoint origin = CellOrigin(col, row);
    return shot.pixelColor(origin.x + CELL_PIXELS / 2, origin.y + CELL_PIXELS / 2);
}

TEST_F(BattleWindowTest, LatestBallsAndTheWinningLineAreRingedAtTheEdgeLeavingTheMiddle)
{
    // Red's latest ball at (9, 0), a winning blue line on row 2, a plain green ball at (2, 0).
    events.Put(1, 9, 0);
    events.Put(3, 2, 0);
    for (int col = 3; col <= 7; ++col) {
        events.Put(0, col, 2);
    }
    window.Repaint();
    const QImage plain = window.grab().toImage();
    events.marks.last_balls[1] = Cell{9, 0};
    events.marks.winning_line = {{3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}};
    window.DrawCell(7, 2); // a ball arrives: the window takes the logic's new marks
    const QImage marked = window.grab().toImage();

    struct RingCase {
        Cell cell;
        bool ringed;
        bool white; // the winning outline; else the ball's own colour
    };
    const RingCase cases[] = {
        {{9, 0}, true, false}, {{3, 2}, true, true}, {{7, 2}, true, true}, {{2, 0}, false, false}};
    for (const RingCase& test : cases) {
        const Cell at = test.cell;
        EXPECT_EQ(MiddleOf(marked, at.col, at.row), MiddleOf(plain, at.col, at.row)) << at.col << "," << at.row;
        const QColor edge = EdgeOf(marked, at.col, at.row);
        if (!test.ringed) {
            EXPECT_EQ(edge, EdgeOf(plain, at.col, at.row)) << at.col << "," << at.row;
        } else if (test.white) {
            EXPECT_GT(std::min({edge.red(), edge.green(), edge.blue()}), 200) << at.col << "," << at.row;
        } else {
            EXPECT_GT(edge.red(), 180);
            EXPECT_LT(edge.green(), 80);
        }
    }
    // Everywhere away from the rings the board is as it was.
    EXPECT_EQ(marked.pixelColor(BOARD_LEFT + 8, BOARD_BOTTOM - 16),
              plain.pixelColor(BOARD_LEFT + 8, BOARD_BOTTOM - 16));

    // The next match starts without marks.
    events.marks = {};
    window.Repaint();
    EXPECT_EQ(window.grab().toImage(), plain);
}

TEST_F(BattleWindowTest, ColourAidDrawsEachColoursShapeOnTheBoard)
{
    for (int colour = 0; colour < COLOURS; ++colour) {
        events.Put(colour, 2 + 2 * colour, 0);
    }
    window.SetColourAid(true);
    const QImage shot = window.grab().toImage();
    window.SetColourAid(false);
    const QImage plain = window.grab().toImage();
    for (int colour = 0; colour < COLOURS; ++colour) {
        const Cell at{2 + 2 * colour, 0};
        // The shapes are white; blue's ring leaves its middle open, the others cover it.
        const PixelPoint origin = CellOrigin(at.col, at.row);
        const QPoint probe = colour == 0 ? QPoint(origin.x + 16, origin.y + 11) : QPoint(origin.x + 16, origin.y + 17);
        EXPECT_GT(shot.pixelColor(probe).lightness(), 200) << colour;
        EXPECT_NE(shot.pixelColor(probe), plain.pixelColor(probe)) << colour;
    }
}

struct ScaleCase {
    QSize size;
    int board_x; // a board pixel, mapped to the window for the click
    std::optional<int> lane;
};

TEST_F(BattleWindowTest, AScaledBoardTakesClicksAndPointerAtTheScaledLanes)
{
    const QSize first = window.size();
    EXPECT_TRUE(window.BoardTransform().isIdentity());
    const ScaleCase cases[] = {
        {first * 2, 24, 0},
        {first * 2, 535, 31},
        {first * 2, 23, std::nullopt},
        {QSize(first.width() * 3, first.height() * 3 / 2), 40, 1}, // wider: centred, scaled by the height
        {QSize(first.width() * 3 / 4, first.height() * 3 / 4), 300, (300 - 24) / 16},
    };
    for (const ScaleCase& test : cases) {
        window.resize(test.size);
        const QTransform transform = window.BoardTransform();
        const QPointF at = transform.map(QPointF(test.board_x + 0.5, 200.5));
        events.dropped.clear();
        events.pointed.clear();
        SendMouse(window, QEvent::MouseMove, at.toPoint());
        test::Click(window, at.toPoint());
        EXPECT_EQ(events.pointed, std::vector<std::optional<int>>{test.lane}) << test.size.width();
        EXPECT_EQ(events.dropped, std::vector<std::optional<int>>{test.lane}) << test.size.width();
        // The board keeps its proportions and stays inside the window.
        EXPECT_NEAR(transform.m11(), transform.m22(), 1e-9);
        const QRectF board = transform.mapRect(QRectF(0, 0, first.width(), first.height()));
        EXPECT_GE(board.left(), -0.5);
        EXPECT_LE(board.right(), test.size.width() + 0.5);
    }
    // A ball drawn at twice the size is twice as wide, not a blurred small one: its middle row holds about 44
    // coloured pixels.
    events.Put(1, 5, 0);
    window.resize(first * 2);
    const QImage shot = window.grab().toImage();
    const QPointF middle = window.BoardTransform().map(QPointF(CellOrigin(5, 0).x + 16, CellOrigin(5, 0).y + 16));
    int red = 0;
    for (int x = static_cast<int>(middle.x()) - 32; x < static_cast<int>(middle.x()) + 32; ++x) {
        const QColor pixel = shot.pixelColor(x, static_cast<int>(middle.y()));
        red += pixel.red() > 2 * pixel.blue() + 20 ? 1 : 0;
    }
    EXPECT_NEAR(red, 44, 3);
    window.resize(first);
    EXPECT_TRUE(window.BoardTransform().isIdentity());
}

TEST_F(BattleWindowTest, ScreenReadersHearTheStateTheColourAndTheMarkersLane)
{
    EXPECT_EQ(window.accessibleName(), QString::fromUtf8(u8"盤面"));
    EXPECT_FALSE(window.toolTip().isEmpty());
    window.SetBallIcon(2);
    window.ShowStatus(FromCp932(texts::STATUS_YOUR_TURN));
    window.DrawMarker(3, 1); // lane 7, told from 1
    EXPECT_EQ(window.accessibleDescription(), QString::fromUtf8(u8"あなたの番です。あなたの色：黄。マーカーの列：8"));
    window.DrawCell(3, 1);
    EXPECT_EQ(window.accessibleDescription(), QString::fromUtf8(u8"あなたの番です。あなたの色：黄。マーカーなし"));
}

TEST(PreferencesTest, KeptInTheUsersConfigFolderAndACorruptFileGivesTheDefaults)
{
    const QString path =
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("pyrandel"), QStringLiteral("pyrandel"))
            .fileName();
    // The tests' main points the config folder at a folder of the run's own.
    ASSERT_TRUE(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME"))) << path.toStdString();
    EXPECT_FALSE(path.endsWith(QStringLiteral("kq.ini")));
    QFile::remove(path);
    {
        Preferences fresh;
        EXPECT_FALSE(fresh.sound());
        EXPECT_FALSE(fresh.colour_aid());
        fresh.SetSound(true);
        fresh.SetColourAid(true);
    }
    {
        const Preferences again;
        EXPECT_TRUE(again.sound());
        EXPECT_TRUE(again.colour_aid());
    }
    QFile corrupt(path);
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly | QIODevice::Truncate));
    corrupt.write(QByteArray("\xff\xfe[[battle\n\0sound=perhaps\ncolour_aid=\x81\n", 40));
    corrupt.close();
    {
        Preferences unreadable;
        EXPECT_FALSE(unreadable.sound());
        EXPECT_FALSE(unreadable.colour_aid());
        EXPECT_TRUE(unreadable.battle_geometry().isEmpty());
        unreadable.SetColourAid(true);
    }
    const Preferences mended;
    EXPECT_TRUE(mended.colour_aid());
    EXPECT_FALSE(mended.sound());
    QFile::remove(path);
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
