// The real lobby logic, player's session and host over the Qt view, on the loopback address with a free port:
// the paths a player takes through both windows.

#include "app/program.h"
#include "app/qt/desktop_command_line.h"
#include "app/qt/qt_lobby_view.h"
#include "game/qt/battle_window.h"
#include "game/qt/board_geometry.h"
#include "game/qt/board_icons.h"
#include "support/qt/view_test_support.h"
#include "support/scripted_host.h"
#include "text/texts.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

namespace pyrandel {
namespace {

using test::Click;
using test::Flush;
using test::SendKey;
using test::SendMouse;
using test::Soon;
using test::WaitUntil;

[[nodiscard]] QImage IconImage(const QIcon& icon)
{
    return icon.pixmap(QSize(32, 32)).toImage();
}

[[nodiscard]] std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class ProgramViewTest : public ::testing::Test {
protected:
    [[nodiscard]] LobbyOptions Options() const
    {
        LobbyOptions options;
        options.port = 0;
        options.listen_address = "127.0.0.1";
        options.settings = SettingsFile(directory.path().toStdString());
        return options;
    }
    template <typename Widget>
    [[nodiscard]] Widget& Control(int id)
    {
        return *qobject_cast<Widget*>(view.lobby_window().Control(id));
    }
    [[nodiscard]] QStringList ChatLines()
    {
        return Control<QPlainTextEdit>(CONTROL_CHAT_LOG).toPlainText().split(QLatin1Char('\n'));
    }
    void Quit() { Control<QPushButton>(CONTROL_QUIT).click(); }

    QTemporaryDir directory;
    QtLobbyView view;
    Program program{view, Options()};
};

TEST_F(ProgramViewTest, EnterInTheChatInputSendsTheLineAndEmptiesTheInput)
{
    Soon([this] {
        auto& input = Control<QLineEdit>(CONTROL_CHAT_INPUT);
        EXPECT_EQ(input.maxLength(), 80);
        EXPECT_EQ(Control<QLineEdit>(CONTROL_NAME).maxLength(), 80);
        EXPECT_EQ(Control<QLineEdit>(CONTROL_ADDRESS).maxLength(), 80);
        input.setFocus();
        input.insert(QStringLiteral("hello"));
        SendKey(input, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        EXPECT_TRUE(WaitUntil([&] { return input.text().isEmpty(); }));
        Flush();
        EXPECT_TRUE(ChatLines().last().endsWith(QStringLiteral(" : hello")));
        EXPECT_TRUE(view.lobby_window().isVisible()); // Enter did not quit
        Quit();
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_TRUE(std::filesystem::exists(directory.path().toStdString() + "/kq.ini"));
}

TEST_F(ProgramViewTest, HostingThenQuittingSavesTheNamelessNameAndLocalhost)
{
    Soon([this] {
        Control<QPushButton>(CONTROL_HOST).click();
        EXPECT_TRUE(WaitUntil([&] { return Control<QListWidget>(CONTROL_PARTICIPANTS).count() == 1; }));
        EXPECT_EQ(Control<QListWidget>(CONTROL_PARTICIPANTS).item(0)->text(), QString::fromUtf8(u8"名無し"));
        EXPECT_EQ(Control<QLineEdit>(CONTROL_ADDRESS).text(), QStringLiteral("localhost"));
        EXPECT_FALSE(Control<QLineEdit>(CONTROL_NAME).isEnabled());
        EXPECT_FALSE(Control<QPushButton>(CONTROL_CONNECT).isEnabled());
        Quit();
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_EQ(ReadFile(directory.path().toStdString() + "/kq.ini"),
              SettingsFile::Format(texts::NAMELESS, LOOPBACK_HOST));
}

// The command line's requests, done as the entry does them once the lobby is shown.
TEST_F(ProgramViewTest, CommandLineNameAndHostStartHostingUnderThatName)
{
    const DesktopParse parsed = ParseDesktopCommandLine({QStringLiteral("pyrandel"), QStringLiteral("--name"),
                                                         QString::fromUtf8(u8"テスト"), QStringLiteral("--host")});
    ASSERT_FALSE(parsed.exit_code) << parsed.err;
    Soon([&] {
        ApplyDesktopCommandLine(parsed.options, program, view.lobby_window());
        EXPECT_TRUE(WaitUntil([&] { return Control<QListWidget>(CONTROL_PARTICIPANTS).count() == 1; }));
        EXPECT_EQ(Control<QListWidget>(CONTROL_PARTICIPANTS).item(0)->text(), QString::fromUtf8(u8"テスト"));
        EXPECT_TRUE(Control<QPushButton>(CONTROL_HOST).isChecked());
        Quit();
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_EQ(ReadFile(directory.path().toStdString() + "/kq.ini"),
              SettingsFile::Format("\x83\x65\x83\x58\x83\x67", LOOPBACK_HOST));
}

TEST(ProgramCommandLineTest, JoinConnectsToTheAddressAtOnce)
{
    test::ScriptedHost host;
    QTemporaryDir directory;
    LobbyOptions options;
    options.port = host.Port();
    options.settings = SettingsFile(directory.path().toStdString());
    QtLobbyView view;
    Program program(view, std::move(options));
    const DesktopParse parsed =
        ParseDesktopCommandLine({QStringLiteral("pyrandel"), QStringLiteral("--join"), QStringLiteral("127.0.0.1"),
                                 QStringLiteral("--name"), QStringLiteral("guest")});
    ASSERT_FALSE(parsed.exit_code) << parsed.err;
    Soon([&] {
        ApplyDesktopCommandLine(parsed.options, program, view.lobby_window());
        // The player's thread reads the name field through this thread, so the wait keeps handling events.
        bool accepted = false;
        std::optional<std::string> line;
        EXPECT_TRUE(WaitUntil([&] {
            accepted = accepted || host.Accept(std::chrono::milliseconds(1));
            if (accepted) {
                line = host.ReadLine(std::chrono::milliseconds(10)); // whole milliseconds: 1 may round to 0
            }
            return line.has_value();
        }));
        EXPECT_EQ(line, "NEW_C\tguest");
        qobject_cast<QPushButton*>(view.lobby_window().Control(CONTROL_QUIT))->click();
    });
    EXPECT_EQ(program.Run(1), 0);
}

// The window thread is busy (a loaded machine) while the host starts a match, grants its turn and ends it again
// because a player left: the start and the turn still queued must not open a window for that ended match.
TEST(ProgramEndedMatchTest, StartAndTurnQueuedBehindTheEndOfTheirMatch_OpenNoWindow)
{
    test::ScriptedHost host;
    QTemporaryDir directory;
    LobbyOptions options;
    options.port = host.Port();
    options.settings = SettingsFile(directory.path().toStdString());
    QtLobbyView view;
    Program program(view, std::move(options));
    const DesktopParse parsed =
        ParseDesktopCommandLine({QStringLiteral("pyrandel"), QStringLiteral("--join"), QStringLiteral("127.0.0.1")});
    ASSERT_FALSE(parsed.exit_code) << parsed.err;
    bool opened_for_the_ended_match = false;
    bool turn_granted = false;
    std::function<void()> look;
    Soon([&] {
        ApplyDesktopCommandLine(parsed.options, program, view.lobby_window());
        bool accepted = false;
        ASSERT_TRUE(WaitUntil([&] {
            accepted = accepted || host.Accept(std::chrono::milliseconds(1));
            return accepted && host.ReadLine(std::chrono::milliseconds(10)).has_value();
        }));
        // This step holds the window thread: nothing queued for it runs until the step lets the loop go on.
        for (const char* line : {"ID\t1", "STARTVS\t2\t3", "CAN_PUT", "DEL\t2", "END_VS", "ID\t3"}) {
            ASSERT_TRUE(host.Send(line));
        }
        const QDeadlineTimer deadline(20000);
        while (program.client().my_id() != 3 && !deadline.hasExpired()) {
            QThread::msleep(1);
        }
        ASSERT_EQ(program.client().my_id(), 3) << "the connection thread did not handle the end";
        // Should the start open a window after all, its modal loop runs this, which records and closes it.
        Soon([&] {
            if (BattleWindow* battle = view.battle_window()) {
                opened_for_the_ended_match = true;
                turn_granted = program.board().may_place();
                battle->Close(BattleClose::PROGRAM);
            }
        });
        Flush();
        Flush();
        EXPECT_FALSE(view.IsBattleWindowOpen());
        EXPECT_FALSE(program.board().may_place());

        // The next match is played as usual. Its window's loop runs the look, which comes back until the turn
        // is there: a wait inside a step would itself run the window's loop, and never return from it.
        ASSERT_TRUE(host.Send("STARTVS\t1\t2"));
        ASSERT_TRUE(host.Send("CAN_PUT"));
        look = [&, deadline = QDeadlineTimer(20000)] {
            BattleWindow* battle = view.battle_window();
            if ((battle == nullptr || !program.board().may_place()) && !deadline.hasExpired()) {
                Soon(look);
                return;
            }
            EXPECT_NE(battle, nullptr);
            if (battle != nullptr) {
                EXPECT_EQ(program.board().own_colour(), 1);
                EXPECT_TRUE(program.board().may_place());
                battle->close();
            }
            qobject_cast<QPushButton*>(view.lobby_window().Control(CONTROL_QUIT))->click();
        };
        Soon(look);
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_FALSE(opened_for_the_ended_match);
    EXPECT_FALSE(turn_granted);
}

TEST_F(ProgramViewTest, TurnMarkerAndClickFollowThePixelGeometry)
{
    BattleWindow* battle = nullptr;
    Soon([&] {
        view.PostCommand(CMD_START_MATCH, 2);
        Soon([&] {
            battle = view.battle_window();
            ASSERT_NE(battle, nullptr);
            // Not the player's turn yet: the pointer shows no marker.
            SendMouse(*battle, QEvent::MouseMove, QPoint(24, 200));
            Flush();
            EXPECT_FALSE(battle->marker().has_value());

            view.PostCommand(CMD_YOUR_TURN, 0);
            Flush();
            EXPECT_EQ(battle->status(), QString::fromUtf8(u8"あなたの番です"));
            SendMouse(*battle, QEvent::MouseMove, QPoint(23, 200)); // no lane
            Flush();
            EXPECT_FALSE(battle->marker().has_value());
            SendMouse(*battle, QEvent::MouseMove, QPoint(24, 200));
            Flush();
            EXPECT_EQ(battle->marker(), (Cell{0, 0}));
            SendMouse(*battle, QEvent::MouseMove, QPoint(56, 200)); // lane 2: column 1, on the floor
            Flush();
            EXPECT_EQ(battle->marker(), (Cell{1, 0}));

            Click(*battle, QPoint(56, 48)); // the top edge: ignored
            Flush();
            EXPECT_EQ(program.board().CellAt(1, 0), EMPTY);
            Click(*battle, QPoint(40, 49)); // lane 1 has no spot: the ball goes where the marker is
            Flush();
            EXPECT_EQ(program.board().CellAt(1, 0), 2);
            EXPECT_FALSE(program.board().may_place());
            EXPECT_EQ(battle->status(), QString::fromUtf8(u8"現在、待っています"));

            Click(*battle, QPoint(24, 200)); // the turn is over
            Flush();
            EXPECT_EQ(program.board().CellAt(0, 0), EMPTY);
            SendKey(*battle, Qt::Key_Escape);
            Flush();
            EXPECT_FALSE(view.IsBattleWindowOpen());
            EXPECT_TRUE(ChatLines().contains(QString::fromUtf8(u8"ゲームが終わりました")));
            Quit();
        });
    });
    EXPECT_EQ(program.Run(1), 0);
}

TEST_F(ProgramViewTest, WinningClickAnnouncesTheWinInTheStatusLineAndAMessageBox)
{
    QString box_text;
    QString status_under_box;
    Soon([&] {
        view.PostCommand(CMD_START_MATCH, 2);
        Soon([&] {
            BattleWindow* battle = view.battle_window();
            ASSERT_NE(battle, nullptr);
            for (int col = 0; col < 4; ++col) {
                program.board().Place(2, col, 0);
            }
            view.PostCommand(CMD_YOUR_TURN, 0);
            Flush();
            // The box runs its own loop inside the click; this step runs from that loop and dismisses it.
            Soon([&] {
                Flush();
                auto* box = view.lobby_window().findChild<QMessageBox*>();
                ASSERT_NE(box, nullptr);
                box_text = box->text();
                status_under_box = battle->status();
                box->button(QMessageBox::Ok)->click();
            });
            Click(*battle, QPoint(24 + 8 * 16, 200)); // lane 8: (4, 0), the fifth in the row
            EXPECT_EQ(program.board().CellAt(4, 0), 2);
            battle->close();
            Quit();
        });
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_EQ(box_text, QString::fromUtf8(u8"あなたの勝ちです"));
    EXPECT_EQ(status_under_box, QString::fromUtf8(u8"あなたの勝ちです"));
}

TEST_F(ProgramViewTest, SecondMatchStartReusesTheOpenWindow)
{
    const BoardIcons icons;
    BattleWindow* first = nullptr;
    BattleWindow* second = nullptr;
    int windows_seen = 0;
    Soon([&] {
        view.PostCommand(CMD_START_MATCH, 2);
        Soon([&] {
            first = view.battle_window();
            ASSERT_NE(first, nullptr);
            ++windows_seen;
            EXPECT_EQ(IconImage(first->windowIcon()), IconImage(icons.BallIcon(2)));
            view.PostCommand(CMD_START_MATCH, 1);
            Flush();
            second = view.battle_window();
            EXPECT_EQ(IconImage(second->windowIcon()), IconImage(icons.BallIcon(1)));
            EXPECT_EQ(program.board().own_colour(), 1);
            second->close();
            Quit();
        });
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_EQ(first, second);
    EXPECT_EQ(windows_seen, 1);
    const QStringList lines = ChatLines();
    EXPECT_EQ(lines.count(QString::fromUtf8(u8"ゲームが開始されました")), 2);
    EXPECT_TRUE(lines.contains(QString::fromUtf8(u8"黄 色です")));
    EXPECT_TRUE(lines.contains(QString::fromUtf8(u8"赤 色です")));
}

TEST_F(ProgramViewTest, QuittingDuringAMatchClosesTheBattleWindowAndEnds)
{
    Soon([&] {
        view.PostCommand(CMD_START_MATCH, 0);
        Soon([&] {
            EXPECT_NE(view.battle_window(), nullptr);
            Quit();
        });
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_FALSE(view.IsBattleWindowOpen());
    EXPECT_TRUE(std::filesystem::exists(directory.path().toStdString() + "/kq.ini"));
}

} // namespace
} // namespace pyrandel
