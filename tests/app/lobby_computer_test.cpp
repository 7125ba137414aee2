// The lobby's "CPU参加" button: when it may be pressed, the computer players it starts, and their leaving.

#include "support/test_player.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pyrandel::test {
namespace {

bool ButtonEnabled(const FakeLobbyView& view)
{
    return view.Enabled(CONTROL_ADD_COMPUTER);
}

std::vector<std::string> SeatNames(Lobby& lobby)
{
    std::vector<std::string> names;
    for (const ComputerSeat& seat : lobby.ComputerSeats()) {
        names.push_back(seat.name);
    }
    return names;
}

TEST(LobbyComputer, NotHosting_ButtonDisabledAndNothingStarts)
{
    TestPlayer player;
    ASSERT_TRUE(player.view.RunOnWindowThread([] {}));
    EXPECT_FALSE(ButtonEnabled(player.view));
    bool added = true;
    ASSERT_TRUE(player.view.RunOnWindowThread([&] { added = player.program.lobby().AddComputerPlayer(); }));
    EXPECT_FALSE(added);
    EXPECT_TRUE(player.program.lobby().ComputerSeats().empty());
}

TEST(LobbyComputer, Hosting_AddsCpu1ToCpu3UntilTheSeatsAreFull)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    ASSERT_TRUE(host.view.WaitUntil([&] { return ButtonEnabled(host.view); }));

    host.view.Type(CONTROL_COMPUTER_LEVEL, "5");
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(2));
    host.view.Type(CONTROL_COMPUTER_LEVEL, "x"); // unreadable: the default level
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(3));
    EXPECT_TRUE(ButtonEnabled(host.view));
    host.view.Type(CONTROL_COMPUTER_LEVEL, "1");
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(4));

    EXPECT_EQ(host.view.Participants(), (std::vector<std::string>{"CPU1", "CPU2", "CPU3", "Host"}));
    const std::vector<ComputerSeat> seats = host.program.lobby().ComputerSeats();
    ASSERT_EQ(seats.size(), 3u);
    EXPECT_EQ(seats[0].level, 5);
    EXPECT_EQ(seats[1].level, DEFAULT_COMPUTER_LEVEL);
    EXPECT_EQ(seats[2].level, 1);
    EXPECT_TRUE(host.view.WaitUntil([&] { return !ButtonEnabled(host.view); }));

    // A press that still gets through (a click racing the disabling) starts nobody.
    bool added = true;
    ASSERT_TRUE(host.view.RunOnWindowThread([&] { added = host.program.lobby().AddComputerPlayer(); }));
    EXPECT_FALSE(added);
    EXPECT_EQ(host.program.lobby().ComputerSeats().size(), 3u);
}

TEST(LobbyComputer, FourPeopleIncludingOthers_DisableTheButtonUntilOneLeaves)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(2));
    auto first = std::make_unique<TestPlayer>(host.Port());
    ASSERT_TRUE(first->Join("P1"));
    TestPlayer second(host.Port());
    ASSERT_TRUE(second.Join("P2"));
    ASSERT_TRUE(host.WaitForParticipants(4));
    EXPECT_TRUE(host.view.WaitUntil([&] { return !ButtonEnabled(host.view); }));

    ASSERT_TRUE(first->Quit());
    first.reset();
    ASSERT_TRUE(host.WaitForParticipants(3));
    EXPECT_TRUE(host.view.WaitUntil([&] { return ButtonEnabled(host.view); }));
    // The free number is taken again.
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(4));
    EXPECT_EQ(SeatNames(host.program.lobby()), (std::vector<std::string>{"CPU1", "CPU2"}));
}

TEST(LobbyComputer, StoppingToHost_SendsTheComputerPlayersAway)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    host.view.Press(CONTROL_ADD_COMPUTER);
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(3));
    Lobby& lobby = host.program.lobby();
    ASSERT_EQ(lobby.ComputerPlayersConnected(), 2);

    host.view.Press(CONTROL_HOST); // release
    EXPECT_TRUE(host.view.WaitUntil([&] { return lobby.ComputerPlayersConnected() == 0; }));
    EXPECT_TRUE(lobby.ComputerSeats().empty());
    EXPECT_TRUE(host.view.WaitUntil([&] { return !ButtonEnabled(host.view); }));
}

TEST(LobbyComputer, QuittingWhileComputerPlayersPlay_EndsEverything)
{
    auto host = std::make_unique<TestPlayer>();
    ASSERT_TRUE(host->Host("Host"));
    host->view.Press(CONTROL_ADD_COMPUTER);
    host->view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host->WaitForParticipants(3));
    host->view.Press(CONTROL_START);
    ASSERT_TRUE(host->view.WaitUntil([&] { return host->view.BattleOpen(); }));
    ASSERT_TRUE(host->Quit());
    EXPECT_TRUE(host->view.WaitUntil([&] { return host->program.lobby().ComputerPlayersConnected() == 0; }));
    host.reset(); // joins every thread
}

} // namespace
} // namespace pyrandel::test
