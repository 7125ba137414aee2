// The player's program against a scripted host: what the player sends, byte for byte, and what every line from
// the host does to the lobby and the battle window.

#include "support/player_round_trip.h"
#include "support/scripted_host.h"
#include "support/test_player.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pyrandel::test {
namespace {

using namespace std::string_literals;

std::string ColourLine(std::string_view colour_name)
{
    return std::string(colour_name) + std::string(texts::CHAT_COLOUR_SUFFIX);
}

// Holds the window thread with a piece of work that waits until Release, as a loaded machine holds it.
class WindowThreadHold {
public:
    explicit WindowThreadHold(FakeLobbyView& view)
        : view(view), released(release.get_future().share()), busy([this] {
              (void)this->view.RunOnWindowThread([this] {
                  holding = true;
                  released.wait();
              });
          })
    {
    }
    ~WindowThreadHold() { Release(); }
    WindowThreadHold(const WindowThreadHold&) = delete;
    WindowThreadHold& operator=(const WindowThreadHold&) = delete;

    [[nodiscard]] bool Holding()
    {
        return view.WaitUntil([this] { return holding.load(); });
    }
    // Lets the window thread go and waits until it has run everything queued so far.
    void Release()
    {
        if (busy.joinable()) {
            release.set_value();
            busy.join();
            (void)view.RunOnWindowThread([] {});
        }
    }

private:
    FakeLobbyView& view;
    std::promise<void> release;
    std::shared_future<void> released;
    std::atomic<bool> holding{false};
    std::thread busy;
};

class PlayerAgainstScriptedHost : public ::testing::Test {
protected:
    void Connect(const std::string& name = "Taro", int id = 2)
    {
        view.Type(CONTROL_NAME, name);
        view.Type(CONTROL_ADDRESS, "127.0.0.1");
        view.Press(CONTROL_CONNECT);
        ASSERT_TRUE(host.Accept());
        ASSERT_EQ(host.ReadLine(), "NEW_C\t" + name);
        ASSERT_TRUE(host.Send("ID\t" + std::to_string(id)));
        Sync();
        ASSERT_EQ(view.Status(), texts::STATUS_CONNECTED);
    }

    // Lines from the host are handled in order, so once a marker line shows, every line before it is done.
    void Sync()
    {
        const std::string marker = "sync " + std::to_string(++syncs);
        ASSERT_TRUE(host.Send("MSG\t" + marker));
        ASSERT_TRUE(view.WaitUntil([&] { return view.ChatHas(marker); }));
        synced_lines = view.ChatLines().size();
    }

    // Chat lines added since the last Sync, the sync markers left out.
    std::vector<std::string> NewChat() const
    {
        std::vector<std::string> lines = view.ChatLines();
        std::vector<std::string> fresh;
        for (std::size_t i = synced_lines; i < lines.size(); ++i) {
            if (lines[i].rfind("sync ", 0) != 0) {
                fresh.push_back(lines[i]);
            }
        }
        return fresh;
    }

    void StartMatch(int colour)
    {
        ASSERT_TRUE(host.Send("STARTVS\t" + std::to_string(colour) + "\t3"));
        ASSERT_TRUE(view.WaitUntil([&] { return view.BattleOpen() && view.BattleIcon() == colour; }));
    }

    void GrantTurn()
    {
        ASSERT_TRUE(host.Send("CAN_PUT"));
        ASSERT_TRUE(view.WaitUntil([&] { return view.Status() == texts::STATUS_YOUR_TURN; }));
    }

    int CellAt(int col, int row)
    {
        const auto cells = view.BattleCells();
        return cells ? pyrandel::CellAt(*cells, col, row) : OUTSIDE;
    }

    ScriptedHost host;
    TestPlayer player{host.Port()};
    FakeLobbyView& view = player.view;
    int syncs = 0;
    std::size_t synced_lines = 0;
};

TEST_F(PlayerAgainstScriptedHost, Connect_NameIsCutTo78BytesWithoutSplittingACharacter)
{
    // 77 letters and one double-byte character make 79 bytes; the character does not fit whole and is left out.
    const std::string name = std::string(77, 'a') + std::string(texts::COLOUR_RED);
    view.Type(CONTROL_NAME, name);
    view.Type(CONTROL_ADDRESS, "127.0.0.1");
    view.Press(CONTROL_CONNECT);
    ASSERT_TRUE(host.Accept());
    EXPECT_EQ(host.ReadLine(), "NEW_C\t" + std::string(77, 'a'));
}

TEST_F(PlayerAgainstScriptedHost, Connect_EmptyNameIsSentAsNameless)
{
    view.Type(CONTROL_ADDRESS, "127.0.0.1");
    view.Press(CONTROL_CONNECT);
    ASSERT_TRUE(host.Accept());
    EXPECT_EQ(host.ReadLine(), "NEW_C\t" + std::string(texts::NAMELESS));
}

struct DispatchCase {
    const char* what;
    std::string line;
    std::vector<std::string> chat;
};

TEST_F(PlayerAgainstScriptedHost, ReceivedLines_ReachTheChatLogAsTheirCommandSays)
{
    Connect("Taro", 2);
    const std::vector<DispatchCase> cases = {
        {"chat from another", "CHAT\t3\tB\thi", {"B : hi"}},
        {"own chat relayed back", "CHAT\t2\tTaro\thi", {}},
        {"message", "MSG\tabc", {"abc"}},
        {"message without text", "MSG", {""}},
        {"longer command word", "CHATX\t3\tB\thi", {}},
        {"lower-case command word", "chat\t3\tB\thi", {}},
        {"unknown command", "HELLO\tx", {}},
        {"empty line", "", {}},
        {"chat without fields", "CHAT", {" : "}},
    };
    for (const DispatchCase& c : cases) {
        ASSERT_TRUE(host.Send(c.line));
        Sync();
        // Sync() has moved the mark past the marker; the case's lines stand just before it.
        const std::vector<std::string> lines = view.ChatLines();
        std::vector<std::string> shown(lines.end() - 1 - static_cast<long>(c.chat.size()), lines.end() - 1);
        EXPECT_EQ(shown, c.chat) << c.what;
        if (lines.size() >= c.chat.size() + 2) {
            EXPECT_EQ(lines[lines.size() - c.chat.size() - 2].rfind("sync ", 0), 0u) << c.what << ": extra lines";
        }
    }
}

TEST_F(PlayerAgainstScriptedHost, AddAndDel_KeepTheParticipantList)
{
    Connect("Taro", 0);
    for (const char* line : {"ADD\t0\tTaro", "ADD\t2\tC", "ADD\t3\tC", "ADD\t1\tbob", "DEL\t2", "DEL\t7"}) {
        ASSERT_TRUE(host.Send(line));
    }
    Sync();
    EXPECT_EQ(view.Participants(), (std::vector<std::string>{"bob", "C", "Taro"}));
    EXPECT_EQ(player.program.participants().Snapshot().at(1).id, 3);
}

TEST_F(PlayerAgainstScriptedHost, Id_WithoutNumberReadsZero)
{
    Connect("Taro", 2);
    ASSERT_TRUE(host.Send("ID"));
    Sync();
    EXPECT_EQ(player.program.client().my_id(), 0);
}

TEST_F(PlayerAgainstScriptedHost, Say_ShowsOwnLineAtOnceAndSendsText)
{
    Connect("A");
    view.Type(CONTROL_CHAT_INPUT, "hello");
    view.Press(CONTROL_SAY);
    EXPECT_EQ(host.ReadLine(), "CHAT\thello");
    EXPECT_TRUE(view.ChatHas("A : hello"));
    EXPECT_TRUE(view.WaitUntil([&] { return view.Field(CONTROL_CHAT_INPUT).empty(); }));
}

TEST_F(PlayerAgainstScriptedHost, EnterInChatInput_SendsOnEveryKeyDownAndNeverReachesTheInput)
{
    Connect("A");
    view.Type(CONTROL_CHAT_INPUT, "one");
    view.ChatKey(KeyMessage::KEY_DOWN, 13);
    view.ChatKey(KeyMessage::CHARACTER, 13);
    view.ChatKey(KeyMessage::KEY_DOWN, 13); // key repeat: an empty input still sends a line
    view.ChatKey(KeyMessage::KEY_UP, 13);
    view.ChatKey(KeyMessage::KEY_DOWN, 'a');
    EXPECT_EQ(host.ReadLine(), "CHAT\tone");
    EXPECT_EQ(host.ReadLine(), "CHAT\t");
    ASSERT_TRUE(view.WaitUntil([&] { return view.ChatKeyResults().size() == 5; }));
    EXPECT_EQ(view.ChatKeyResults(),
              (std::vector<InputResult>{InputResult::CONSUMED, InputResult::CONSUMED, InputResult::CONSUMED,
                                        InputResult::CONSUMED, InputResult::FORWARD}));
    EXPECT_TRUE(SentNothingMore(host, player));
}

TEST_F(PlayerAgainstScriptedHost, StartButton_SendsBareStartAndHiddenButtonSendsCount)
{
    Connect();
    view.Press(CONTROL_START);
    EXPECT_EQ(host.ReadLine(), "STARTVS");
    view.Press(CONTROL_MATCH);
    EXPECT_EQ(host.ReadLine(), "STARTVS\t0");
}

TEST_F(PlayerAgainstScriptedHost, MatchStart_OpensBattleWindowWithColourAndTexts)
{
    Connect();
    StartMatch(2);
    Sync();
    EXPECT_EQ(view.BattleOpenings(), 1);
    EXPECT_EQ(view.Status(), texts::STATUS_WAITING);
    const std::vector<std::string> lines = view.ChatLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], texts::CHAT_GAME_STARTED);
    EXPECT_EQ(lines[lines.size() - 2], ColourLine(texts::COLOUR_YELLOW));
    // No turn yet: a click puts nothing.
    view.Drop(4);
    EXPECT_TRUE(SentNothingMore(host, player));
    EXPECT_EQ(CellAt(2, 0), EMPTY);
}

TEST_F(PlayerAgainstScriptedHost, MatchStart_ColourOutsideZeroToThreeIsIgnored)
{
    Connect();
    for (const char* line : {"STARTVS\t4\t2", "STARTVS\t-1\t2", "STARTVS\t99999999999\t2"}) {
        ASSERT_TRUE(host.Send(line));
        Sync();
        EXPECT_TRUE(NewChat().empty()) << line;
        EXPECT_FALSE(view.BattleOpen()) << line;
    }
    EXPECT_EQ(view.BattleOpenings(), 0);
}

TEST_F(PlayerAgainstScriptedHost, Turn_MarkerFollowsPointerAndClickSendsThePlot)
{
    Connect();
    StartMatch(1);
    GrantTurn();
    view.PointAt(4);
    ASSERT_TRUE(view.WaitUntil([&] { return view.Marker() == Cell{2, 0}; }));
    view.PointAt(std::nullopt); // off the lanes: the marker stays
    view.Drop(std::nullopt);    // a click with no lane puts the ball at the marker
    EXPECT_EQ(host.ReadLine(), "PLOT\t1\t2\t0\t0\t-1");
    ASSERT_TRUE(view.WaitUntil([&] { return view.Status() == texts::STATUS_WAITING; }));
    EXPECT_EQ(CellAt(2, 0), 1);
    EXPECT_EQ(view.Marker(), std::nullopt);
    // The turn is over: neither the pointer nor a click does anything until the next grant.
    view.PointAt(6);
    view.Drop(6);
    EXPECT_TRUE(SentNothingMore(host, player));
    EXPECT_EQ(CellAt(3, 0), EMPTY);
}

TEST_F(PlayerAgainstScriptedHost, RemotePlot_PutsOtherColoursOnlyAndNeverTheOwn)
{
    Connect();
    StartMatch(1);
    ASSERT_TRUE(host.Send("PLOT\t1\t5\t0\t0")); // own colour: the own balls are on the board already
    ASSERT_TRUE(host.Send("PLOT\t3\t6\t0\t0"));
    ASSERT_TRUE(host.Send("PLOT\t0\t6\t0\t0"));  // taken cell
    ASSERT_TRUE(host.Send("PLOT\t0\t40\t0\t0")); // off the board
    ASSERT_TRUE(host.Send("PLOT\t0\t9\t7\t0"));  // floating: peers are trusted
    Sync();
    EXPECT_EQ(CellAt(5, 0), EMPTY);
    EXPECT_EQ(CellAt(6, 0), 3);
    EXPECT_EQ(CellAt(9, 7), 0);
    EXPECT_TRUE(view.MessageBoxHistory().empty());
}

TEST_F(PlayerAgainstScriptedHost, RemoteWin_ShowsDecidedAndHoldsFurtherLinesUntilDismissed)
{
    Connect();
    StartMatch(1);
    for (int col = 0; col < 5; ++col) {
        ASSERT_TRUE(host.Send("PLOT\t3\t" + std::to_string(col) + "\t0\t" + (col == 4 ? "1" : "0")));
    }
    ASSERT_TRUE(host.Send("MSG\tafter the win"));
    ASSERT_TRUE(view.WaitUntil([&] { return view.OpenMessageBoxes().size() == 1; }));
    EXPECT_EQ(view.OpenMessageBoxes().front(), texts::STATUS_DECIDED);
    EXPECT_EQ(view.Status(), texts::STATUS_DECIDED);
    EXPECT_FALSE(view.ChatHas("after the win"));
    ASSERT_TRUE(view.DismissMessageBox());
    EXPECT_TRUE(view.WaitUntil([&] { return view.ChatHas("after the win"); }));
    EXPECT_TRUE(view.BattleOpen()); // the final board stays on screen
}

TEST_F(PlayerAgainstScriptedHost, LocalWin_SendsWinningPlotThenShowsYouWin)
{
    Connect();
    StartMatch(0);
    for (int col = 0; col < 5; ++col) {
        GrantTurn();
        view.Drop(col * 2);
        const std::string win = col == 4 ? "1" : "0";
        EXPECT_EQ(host.ReadLine(), "PLOT\t0\t" + std::to_string(col) + "\t0\t" + win + "\t-1");
        if (col < 4) {
            ASSERT_TRUE(view.WaitUntil([&] { return view.Status() == texts::STATUS_WAITING; }));
        }
    }
    ASSERT_TRUE(view.WaitUntil([&] { return view.OpenMessageBoxes().size() == 1; }));
    EXPECT_EQ(view.OpenMessageBoxes().front(), texts::STATUS_YOU_WIN);
    EXPECT_EQ(view.Status(), texts::STATUS_YOU_WIN);
    // The window thread goes on serving posted commands while the box is up.
    GrantTurn();
    ASSERT_TRUE(view.DismissMessageBox());
}

TEST_F(PlayerAgainstScriptedHost, EndFromHost_ClosesBattleWindowWithoutTellingTheHost)
{
    Connect();
    StartMatch(2);
    ASSERT_TRUE(host.Send("PLOT\t3\t6\t0\t0"));
    ASSERT_TRUE(host.Send("END_VS"));
    ASSERT_TRUE(view.WaitUntil([&] { return !view.BattleOpen(); }));
    EXPECT_EQ(view.BattleCloses(), std::vector<BattleClose>{BattleClose::PROGRAM});
    EXPECT_TRUE(SentNothingMore(host, player));
    Sync();
    EXPECT_EQ(view.Status(), texts::STATUS_WAITING_FOR_MATCH);
    EXPECT_EQ(player.program.board().CellAt(6, 0), EMPTY);
    EXPECT_TRUE(view.ChatHas(texts::CHAT_GAME_ENDED));
}

TEST_F(PlayerAgainstScriptedHost, ClosingBattleWindowByHand_TellsTheHostWithOwnId)
{
    Connect("Taro", 3);
    for (const BattleClose how : {BattleClose::ENTER, BattleClose::ESCAPE, BattleClose::CLOSE_BOX}) {
        StartMatch(1);
        view.CloseBattle(how);
        EXPECT_EQ(host.ReadLine(), "END_VS\t3");
        ASSERT_TRUE(view.WaitUntil([&] { return !view.BattleOpen(); }));
        EXPECT_EQ(view.BattleCloses().back(), how);
        // The program's own close request queued while closing finds no window and closes nothing later.
        EXPECT_TRUE(SentNothingMore(host, player));
    }
    EXPECT_EQ(view.Status(), texts::STATUS_WAITING_FOR_MATCH);
}

TEST_F(PlayerAgainstScriptedHost, SecondStart_ReusesTheOpenWindowWithTheNewColour)
{
    Connect();
    StartMatch(0);
    GrantTurn();
    view.Drop(0);
    EXPECT_EQ(host.ReadLine(), "PLOT\t0\t0\t0\t0\t-1");
    StartMatch(3);
    Sync();
    EXPECT_EQ(view.BattleOpenings(), 1);
    EXPECT_GE(view.BattleRepaints(), 1);
    EXPECT_EQ(CellAt(0, 0), EMPTY);
    EXPECT_EQ(player.program.board().own_colour(), 3);
}

TEST_F(PlayerAgainstScriptedHost, MarkerOfAnEarlierMatchIsForgotten)
{
    Connect();
    StartMatch(1);
    GrantTurn();
    view.PointAt(4);
    ASSERT_TRUE(view.WaitUntil([&] { return view.Marker() == Cell{2, 0}; }));
    ASSERT_TRUE(host.Send("PLOT\t2\t2\t0\t0"));
    Sync();
    // The marked spot is taken now; a click off the lanes must not put the own ball anywhere.
    view.Drop(std::nullopt);
    EXPECT_TRUE(SentNothingMore(host, player));
    ASSERT_TRUE(host.Send("END_VS"));
    ASSERT_TRUE(view.WaitUntil([&] { return !view.BattleOpen(); }));
    StartMatch(1);
    GrantTurn();
    view.Drop(std::nullopt);
    EXPECT_TRUE(SentNothingMore(host, player));
    EXPECT_EQ(CellAt(2, 0), EMPTY);
}

TEST_F(PlayerAgainstScriptedHost, LostConnection_ResetsLobbyToUnconnected)
{
    Connect("Taro", 0);
    ASSERT_TRUE(host.Send("ADD\t0\tTaro"));
    Sync();
    host.Drop();
    ASSERT_TRUE(view.WaitUntil([&] { return view.Status() == texts::STATUS_NOT_CONNECTED; }));
    ASSERT_TRUE(view.WaitUntil([&] { return view.ChatLines().back() == texts::CHAT_CONNECTION_LOST; }));
    const std::vector<std::string> lines = view.ChatLines();
    EXPECT_EQ(lines[lines.size() - 2], texts::CHAT_GAME_ENDED);
    EXPECT_TRUE(view.Participants().empty());
    // The controls come back last of all.
    ASSERT_TRUE(view.WaitUntil([&] { return !view.Toggled(CONTROL_CONNECT); }));
    for (const int id : {CONTROL_HOST, CONTROL_ADDRESS, CONTROL_NAME}) {
        EXPECT_TRUE(view.Enabled(id)) << id;
    }
}

TEST_F(PlayerAgainstScriptedHost, LostConnectionDuringMatch_ClosesBattleWindowAndEmptiesBoard)
{
    Connect();
    StartMatch(2);
    ASSERT_TRUE(host.Send("PLOT\t3\t6\t0\t0"));
    Sync();
    host.Drop();
    ASSERT_TRUE(view.WaitUntil([&] { return !view.BattleOpen(); }));
    ASSERT_TRUE(view.WaitUntil([&] { return view.ChatHas(texts::CHAT_CONNECTION_LOST); }));
    EXPECT_EQ(player.program.board().CellAt(6, 0), EMPTY);
}

TEST_F(PlayerAgainstScriptedHost, ABallRightBehindTheStartLandsOnTheNewBoard)
{
    Connect();
    StartMatch(2);
    ASSERT_TRUE(host.Send("PLOT\t1\t5\t0\t0"));
    Sync();
    // The window thread is busy while a restart and another player's first ball of it arrive.
    WindowThreadHold hold(view);
    ASSERT_TRUE(hold.Holding());
    ASSERT_TRUE(host.Send("STARTVS\t0\t2"));
    ASSERT_TRUE(host.Send("PLOT\t3\t6\t0\t0"));
    ASSERT_TRUE(view.WaitUntil([&] { return player.program.board().CellAt(6, 0) == 3; }));
    hold.Release();
    ASSERT_TRUE(view.WaitUntil([&] { return view.BattleIcon() == 0; }));
    EXPECT_EQ(player.program.board().CellAt(6, 0), 3);
    EXPECT_EQ(player.program.board().CellAt(5, 0), EMPTY) << "the last match's ball is gone";
}

struct EndedWhileHeldCase {
    const char* what;
    std::vector<std::string> lines; // from the host while the window thread is held
    std::optional<int> open_colour; // the battle window open afterwards, in this colour
};

TEST_F(PlayerAgainstScriptedHost, StartAndTurnOfAMatchThatEndedWhileTheyWaited_AreDropped)
{
    const std::vector<EndedWhileHeldCase> cases = {
        {"a player left right after the start", {"STARTVS\t2\t3", "CAN_PUT", "DEL\t1", "MSG\tgone", "END_VS"}, {}},
        {"a player closed the window at once", {"STARTVS\t2\t3", "CAN_PUT", "END_VS\t1\t"}, {}},
        {"a turn behind the end", {"STARTVS\t2\t3", "END_VS", "CAN_PUT"}, {}},
        {"two ended matches", {"STARTVS\t2\t3", "END_VS", "STARTVS\t3\t3", "CAN_PUT", "END_VS"}, {}},
        // The next match's start is played; the ended one's turn is not taken as a turn in it.
        {"a new match behind the end", {"STARTVS\t2\t3", "CAN_PUT", "END_VS", "STARTVS\t1\t3"}, 1},
    };
    const auto starts_shown = [&] {
        const std::vector<std::string> chat = view.ChatLines();
        return std::count(chat.begin(), chat.end(), std::string(texts::CHAT_GAME_STARTED));
    };
    Connect("Taro", 2);
    int openings = 0;
    for (const EndedWhileHeldCase& c : cases) {
        const auto started_before = starts_shown();
        {
            WindowThreadHold hold(view);
            ASSERT_TRUE(hold.Holding()) << c.what;
            for (const std::string& line : c.lines) {
                ASSERT_TRUE(host.Send(line)) << c.what;
            }
            Sync(); // every line has been handled on the connection thread; the posted commands wait
        }
        EXPECT_EQ(starts_shown(), started_before + (c.open_colour ? 1 : 0)) << c.what;
        EXPECT_EQ(view.BattleOpen(), c.open_colour.has_value()) << c.what;
        openings += c.open_colour ? 1 : 0;
        EXPECT_EQ(view.BattleOpenings(), openings) << c.what;
        EXPECT_FALSE(player.program.board().may_place()) << c.what;
        EXPECT_NE(view.Status(), texts::STATUS_YOUR_TURN) << c.what;
        view.Drop(4);
        EXPECT_TRUE(SentNothingMore(host, player)) << c.what;

        // Nothing is left over: the next turn (of the match open, or of a fresh one) is played as usual.
        const int colour = c.open_colour.value_or(0);
        if (!c.open_colour) {
            StartMatch(colour);
            ++openings;
        }
        GrantTurn();
        view.Drop(4);
        EXPECT_EQ(host.ReadLine(), "PLOT\t" + std::to_string(colour) + "\t2\t0\t0\t-1") << c.what;
        ASSERT_TRUE(host.Send("END_VS"));
        ASSERT_TRUE(view.WaitUntil([&] { return !view.BattleOpen(); })) << c.what;
    }

    // The connection ends while the start and the turn wait.
    {
        WindowThreadHold hold(view);
        ASSERT_TRUE(hold.Holding());
        ASSERT_TRUE(host.Send("STARTVS\t2\t3"));
        ASSERT_TRUE(host.Send("CAN_PUT"));
        host.Drop();
        ASSERT_TRUE(view.WaitUntil([&] { return view.ChatHas(texts::CHAT_CONNECTION_LOST); }));
    }
    EXPECT_FALSE(view.BattleOpen());
    EXPECT_EQ(view.BattleOpenings(), openings);
    EXPECT_FALSE(player.program.board().may_place());
}

TEST_F(PlayerAgainstScriptedHost, FailedConnection_SaysWhyAndReleasesTheToggle)
{
    host.StopListening();
    view.Type(CONTROL_NAME, "Taro");
    view.Type(CONTROL_ADDRESS, "127.0.0.1");
    view.Press(CONTROL_CONNECT);
    ASSERT_TRUE(view.WaitUntil([&] { return view.ChatHas(texts::CHAT_CONNECT_FAILED_REFUSED); }));
    ASSERT_TRUE(view.WaitUntil([&] { return !view.Toggled(CONTROL_CONNECT); }));
    EXPECT_EQ(view.Status(), texts::STATUS_NOT_CONNECTED);
    EXPECT_TRUE(view.Enabled(CONTROL_ADDRESS));
    EXPECT_TRUE(view.Enabled(CONTROL_NAME));
}

struct FailureTextCase {
    ConnectFailure reason;
    std::string_view text;
};

class FailureTextTest : public testing::TestWithParam<FailureTextCase> {};

TEST_P(FailureTextTest, EachReasonHasItsOwnLineThatStartsWithTheCommonText)
{
    const std::string_view text = ConnectFailureText(GetParam().reason);
    EXPECT_EQ(text, GetParam().text);
    if (GetParam().reason != ConnectFailure::CANCELLED) {
        EXPECT_TRUE(text.starts_with(texts::CHAT_CONNECT_FAILED));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, FailureTextTest,
    testing::Values(FailureTextCase{ConnectFailure::NAME_NOT_FOUND, texts::CHAT_CONNECT_FAILED_NO_NAME},
                    FailureTextCase{ConnectFailure::REFUSED, texts::CHAT_CONNECT_FAILED_REFUSED},
                    FailureTextCase{ConnectFailure::UNREACHABLE, texts::CHAT_CONNECT_FAILED_NO_ANSWER},
                    FailureTextCase{ConnectFailure::FAILED, texts::CHAT_CONNECT_FAILED},
                    FailureTextCase{ConnectFailure::CANCELLED, {}}));

TEST_F(PlayerAgainstScriptedHost, ReconnectAfterLoss_UsesTheSameSession)
{
    Connect("Taro", 1);
    host.Drop();
    ASSERT_TRUE(view.WaitUntil([&] { return !view.Toggled(CONTROL_CONNECT); }));
    Connect("Taro", 2);
    EXPECT_EQ(player.program.client().my_id(), 2);
}

TEST_F(PlayerAgainstScriptedHost, RestOfALongLine_IsNeverTakenAsAMessageOfItsOwn)
{
    Connect("Taro", 2);
    StartMatch(1);
    // A host that relays a chat whole lets the speaker choose what follows the cut after 79 bytes.
    const std::string head = "CHAT\t1\t" + std::string(72, 'n');
    ASSERT_TRUE(host.Send(head + "CAN_PUT"));
    ASSERT_TRUE(host.Send("MSG\t" + std::string(75, 'x') + "ID\t3"));
    ASSERT_TRUE(host.Send(head + std::string(LINE_LIMIT, 'm') + "END_VS"));
    Sync();
    EXPECT_FALSE(player.program.board().may_place());
    EXPECT_NE(view.Status(), texts::STATUS_YOUR_TURN);
    EXPECT_EQ(player.program.client().my_id(), 2);
    EXPECT_TRUE(view.BattleOpen());
    // The first piece is still a line: what fits is shown.
    EXPECT_TRUE(view.ChatHas(std::string(75, 'x')));
}

} // namespace
} // namespace pyrandel::test
