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

TEST(LobbyComputer, NotHosting_ButtonDisabledAndNothingStarts)
{
    TestPlayer player;
    ASSERT_TRUE(player.view.RunOnWindowThread([] {}));
    EXPECT_FALSE(ButtonEnabled(player.view));
    bool added = true;
    ASSERT_TRUE(player.view.RunOnWindowThread([&] { added = player.program.lobby().AddComputerPlayer(); }));
    EXPECT_FALSE(added);
}

TEST(LobbyComputer, Hosting_AddsCpu1ToCpu3UntilTheSeatsAreFull)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    ASSERT_TRUE(host.view.WaitUntil([&] { return ButtonEnabled(host.view); }));

    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(2));
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(3));
    EXPECT_TRUE(ButtonEnabled(host.view));
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(4));

    EXPECT_EQ(host.view.Participants(), (std::vector<std::string>{"CPU1", "CPU2", "CPU3", "Host"}));
    EXPECT_TRUE(host.view.WaitUntil([&] { return !ButtonEnabled(host.view); }));

    // A press that still gets through (a click racing the disabling) starts nobody.
    bool added = true;
    ASSERT_TRUE(host.view.RunOnWindowThread([&] { added = host.program.lobby().AddComputerPlayer(); }));
    EXPECT_FALSE(added);
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
    EXPECT_EQ(host.view.Participants(), (std::vector<std::string>{"CPU1", "CPU2", "Host", "P2"}));
}

TEST(LobbyComputer, StoppingToHost_SendsTheComputerPlayersAway)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    host.view.Press(CONTROL_ADD_COMPUTER);
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(3));

    host.view.Press(CONTROL_HOST); // release
    EXPECT_TRUE(host.view.WaitUntil([&] { return !ButtonEnabled(host.view); }));
    // Hosting again finds every seat free: the first computer player added is CPU1 again, and nobody else came.
    ASSERT_TRUE(host.view.WaitUntil([&] { return host.view.Participants().empty(); }));
    host.view.Press(CONTROL_HOST);
    ASSERT_TRUE(host.WaitForParticipants(1));
    ASSERT_TRUE(host.view.WaitUntil([&] { return ButtonEnabled(host.view); }));
    host.view.Press(CONTROL_ADD_COMPUTER);
    ASSERT_TRUE(host.WaitForParticipants(2));
    EXPECT_EQ(host.view.Participants(), (std::vector<std::string>{"CPU1", "Host"}));
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
    host.reset(); // joins every thread, the computer players' too
}

} // namespace
} // namespace pyrandel::test
