// Pictures of both windows as a player sees them, for looking at: with PYRANDEL_SCREENSHOT_DIR set, the grabs
// are written there as lobby.png and battle.png. Without it the test still checks that nothing drawn is cut
// off.

#include "app/qt/qt_lobby_view.h"
#include "game/qt/battle_window.h"
#include "game/qt/recording_battle_events.h"
#include "support/qt/view_test_support.h"
#include "text/texts.h"

#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace pyrandel {
namespace {

using test::Flush;
using test::RecordingBattleEvents;
using test::Soon;

class NoLobbyEvents final : public LobbyEvents {
public:
    void OnInit() override {}
    CommandResult OnCommand(int, int) override { return CommandResult::HANDLED; }
    InputResult FilterChatInput(KeyMessage, int) override { return InputResult::FORWARD; }
};

void Save(QWidget& window, const char* name)
{
    const QByteArray directory = qgetenv("PYRANDEL_SCREENSHOT_DIR");
    if (!directory.isEmpty()) {
        EXPECT_TRUE(window.grab().save(QDir(QString::fromLocal8Bit(directory)).filePath(QLatin1String(name))));
    }
}

// Every visible text of `window` fits its control: wrapped labels need no more height than they have, and
// button texts no more width.
void ExpectNothingCutOff(QWidget& window)
{
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty()) {
            continue;
        }
        const QFontMetrics metrics(label->font());
        const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 10000), flags, label->text());
        EXPECT_LE(needed.height(), label->height()) << label->text().toStdString();
        EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
    }
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->isVisibleTo(&window)) {
            EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()), button->width())
                << button->text().toStdString();
        }
    }
}

TEST(ScreenshotTest, BothWindowsShowEveryTextInFull)
{
    QtLobbyView view;
    NoLobbyEvents lobby;
    RecordingBattleEvents battle;
    // A match under way: every colour on the board, a marker at a landing spot.
    const int balls[][3] = {{0, 3, 0}, {1, 4, 0}, {2, 5, 0}, {3, 6, 0}, {0, 3, 1},  {1, 4, 1}, {2, 5, 1},
                            {3, 3, 2}, {0, 4, 2}, {1, 7, 0}, {2, 8, 0}, {3, 15, 0}, {0, 0, 0}};
    for (const auto& ball : balls) {
        battle.Put(ball[0], ball[1], ball[2]);
    }
    Soon([&] {
        view.WriteField(CONTROL_NAME, texts::NAMELESS);
        view.WriteField(CONTROL_ADDRESS, "localhost");
        view.ShowParticipants({std::string(texts::NAMELESS), "Player2"});
        for (const std::string_view line : {texts::CHAT_GAME_STARTED, texts::COLOUR_YELLOW, texts::MSG_MATCH_RUNNING}) {
            view.AppendChatLine(line);
        }
        Flush();
        ExpectNothingCutOff(view.lobby_window());
        Save(view.lobby_window(), "lobby.png");
        Soon([&] {
            BattleWindow* open = view.battle_window();
            ASSERT_NE(open, nullptr);
            view.ShowStatus(texts::STATUS_YOUR_TURN);
            view.DrawBattleMarker(9, 0);
            Flush();
            ExpectNothingCutOff(*open);
            Save(*open, "battle.png");
            view.EndLobby(0);
        });
        view.OpenBattleWindow(2, battle);
    });
    view.RunLobby(lobby);
}

} // namespace
} // namespace pyrandel
