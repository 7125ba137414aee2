// The lobby's commands, modes and quitting, on an in-memory view with a window thread of its own.

#include "support/page_client.h"
#include "support/scripted_host.h"
#include "support/test_player.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace pyrandel::test {
namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

const std::string EXAMPLE =
    Bytes({0x02, 0x00, 0x61, 0x62, 0x00, 0x09, 0x00, 0x6C, 0x6F, 0x63, 0x61, 0x6C, 0x68, 0x6F, 0x73, 0x74, 0x00});

std::string SavedFile(const TestPlayer& player)
{
    std::ifstream file(player.settings.path() / "kq.ini", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(Lobby, Init_LoadsSettingsAndLimitsTheFields)
{
    TestPlayer player(0, EXAMPLE);
    FakeLobbyView& view = player.view;
    ASSERT_TRUE(view.RunOnWindowThread([] {}));
    EXPECT_EQ(view.Field(CONTROL_NAME), "ab");
    EXPECT_EQ(view.Field(CONTROL_ADDRESS), "localhost");
    for (const int id : {CONTROL_CHAT_INPUT, CONTROL_ADDRESS, CONTROL_NAME}) {
        EXPECT_EQ(view.Limit(id), 80) << id;
    }
    EXPECT_EQ(view.Status(), texts::STATUS_WAITING);
}

TEST(Lobby, Quit_WritesBackALoadedFileUnchanged)
{
    TestPlayer player(0, EXAMPLE);
    ASSERT_TRUE(player.Quit());
    EXPECT_EQ(SavedFile(player), EXAMPLE);
}

TEST(Lobby, Quit_SavesTheFieldsAsTyped)
{
    TestPlayer player;
    player.view.Type(CONTROL_NAME, "ab");
    player.view.Type(CONTROL_ADDRESS, "localhost");
    ASSERT_TRUE(player.Quit());
    EXPECT_EQ(SavedFile(player), EXAMPLE);
}

TEST(Lobby, Quit_WithNothingGoingOnStillLeavesTheMatchAndSavesEmptyTexts)
{
    TestPlayer player;
    ASSERT_TRUE(player.Quit());
    EXPECT_EQ(SavedFile(player), Bytes({0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(player.view.ChatHas(texts::CHAT_GAME_ENDED));
}

struct QuitCommandCase {
    const char* what;
    int command;
    bool enter_held;
    bool escape_held;
    bool quits;
};

TEST(Lobby, QuitCommands_AreIgnoredWhileTheirKeyIsHeld)
{
    const std::vector<QuitCommandCase> cases = {
        {"quit button", COMMAND_CANCEL, false, false, true},     {"escape key", COMMAND_CANCEL, false, true, false},
        {"ok without enter", COMMAND_OK, false, false, true},    {"enter key", COMMAND_OK, true, false, false},
        {"ok with escape held", COMMAND_OK, false, true, false},
    };
    for (const QuitCommandCase& c : cases) {
        TestPlayer player;
        player.view.HoldKey(HeldKey::ENTER, c.enter_held);
        player.view.HoldKey(HeldKey::ESCAPE, c.escape_held);
        player.view.PostCommand(c.command, 0);
        if (c.quits) {
            EXPECT_TRUE(player.view.WaitUntil([&] { return player.view.LobbyEnded(); })) << c.what;
        } else {
            ASSERT_TRUE(player.view.RunOnWindowThread([] {})) << c.what;
            EXPECT_FALSE(player.view.LobbyEnded()) << c.what;
        }
    }
}

TEST(Lobby, Say_WithoutConnectionStillEchoesTheLine)
{
    TestPlayer player;
    player.view.Type(CONTROL_NAME, "A");
    player.view.Type(CONTROL_CHAT_INPUT, "alone");
    player.view.Press(CONTROL_SAY);
    player.view.Press(CONTROL_START); // nothing to send it to; nothing happens
    ASSERT_TRUE(player.view.RunOnWindowThread([] {}));
    EXPECT_TRUE(player.view.ChatHas("A : alone"));
}

TEST(Lobby, QuitWhileConnected_TheHostHearsTheEndOfTheMatchEveryTime)
{
    // The quit sends END_VS and closes the connection right behind it: the line is never lost to the close.
    constexpr int ROUNDS = 15;
    ScriptedHost host;
    for (int round = 0; round < ROUNDS; ++round) {
        TestPlayer player(host.Port());
        FakeLobbyView& view = player.view;
        view.Type(CONTROL_ADDRESS, "127.0.0.1");
        view.Press(CONTROL_CONNECT);
        ASSERT_TRUE(host.Accept());
        ASSERT_TRUE(host.ReadLine());
        ASSERT_TRUE(host.Send("ID\t2"));
        ASSERT_TRUE(host.Send("MSG\tid given"));
        ASSERT_TRUE(view.WaitUntil([&] { return view.ChatHas("id given"); }));
        ASSERT_TRUE(player.Quit());
        EXPECT_EQ(host.ReadLine(), "END_VS\t2") << "round " << round;
        EXPECT_EQ(host.ReadLine(), std::nullopt) << "round " << round;
    }
}

TEST(Lobby, Joining_LocksTheOtherControlsUntilReleased)
{
    ScriptedHost host;
    TestPlayer player(host.Port());
    FakeLobbyView& view = player.view;
    view.Type(CONTROL_ADDRESS, "127.0.0.1");
    view.Press(CONTROL_CONNECT);
    ASSERT_TRUE(host.Accept());
    EXPECT_EQ(host.ReadLine(), "NEW_C\t" + std::string(texts::NAMELESS)); // the empty name became nameless
    EXPECT_EQ(view.Field(CONTROL_NAME), texts::NAMELESS);
    for (const int id : {CONTROL_HOST, CONTROL_ADDRESS, CONTROL_NAME}) {
        EXPECT_FALSE(view.Enabled(id)) << id;
    }
    EXPECT_TRUE(view.Enabled(CONTROL_CONNECT));
    view.Press(CONTROL_CONNECT); // release: disconnects
    EXPECT_EQ(host.ReadLine(), std::nullopt);
    ASSERT_TRUE(view.WaitUntil([&] { return view.Status() == texts::STATUS_NOT_CONNECTED; }));
    for (const int id : {CONTROL_CONNECT, CONTROL_HOST, CONTROL_ADDRESS, CONTROL_NAME}) {
        EXPECT_TRUE(view.Enabled(id)) << id;
    }
}

TEST(Lobby, ConnectionThatCannotStart_SaysSoAndReleasesTheToggles)
{
    ScriptedHost host;
    TestPlayer player(host.Port());
    FakeLobbyView& view = player.view;
    view.Type(CONTROL_ADDRESS, "127.0.0.1");
    view.Press(CONTROL_CONNECT);
    ASSERT_TRUE(host.Accept());
    ASSERT_TRUE(host.ReadLine());
    // The session is busy with the standing connection, so this attempt cannot start.
    ASSERT_TRUE(view.RunOnWindowThread([&] { player.program.lobby().ConnectToHost(); }));
    EXPECT_TRUE(view.ChatHas(texts::CHAT_CONNECT_FAILED));
    EXPECT_FALSE(view.Toggled(CONTROL_CONNECT));
    EXPECT_TRUE(view.Enabled(CONTROL_NAME));
}

TEST(Lobby, Hosting_ListensAndJoinsOwnGameThroughLocalhost)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Boss"));
    EXPECT_EQ(host.view.Field(CONTROL_ADDRESS), "localhost");
    // The others' way in is told to the host alone, in its own chat log.
    std::string addresses(texts::CHAT_HOST_ADDRESSES);
    EXPECT_TRUE(host.view.ChatHas(addresses.append("192.0.2.7, 2001:db8::7")));
    EXPECT_EQ(host.view.Participants(), std::vector<std::string>{"Boss"});
    for (const int id : {CONTROL_CONNECT, CONTROL_ADDRESS, CONTROL_NAME}) {
        EXPECT_FALSE(host.view.Enabled(id)) << id;
    }
    EXPECT_TRUE(host.program.server().IsListening());

    host.view.Press(CONTROL_HOST); // release: stops the host and the own connection
    ASSERT_TRUE(host.view.WaitUntil([&] { return host.view.ChatHas(texts::CHAT_SERVER_CLOSED); }));
    ASSERT_TRUE(host.view.WaitUntil([&] { return host.view.ChatHas(texts::CHAT_CONNECTION_CLOSED); }));
    ASSERT_TRUE(host.view.WaitUntil([&] { return host.view.Participants().empty(); }));
    EXPECT_FALSE(host.program.server().IsListening());
    EXPECT_FALSE(host.view.Toggled(CONTROL_HOST));
}

TEST(Lobby, HostingWithWeb_ListsThePageLinkAndSeatsABrowserInTheRoom)
{
    TestPlayer host(0, std::nullopt, WebAddress{"127.0.0.1", 0});
    ASSERT_TRUE(host.Host("Boss"));
    const std::string prefix = std::string(texts::CHAT_HOST_ADDRESSES) + "192.0.2.7, 2001:db8::7, http://127.0.0.1:";
    std::optional<int> web_port;
    ASSERT_TRUE(host.view.WaitUntil([&] {
        for (const std::string& line : host.view.ChatLines()) {
            if (line.rfind(prefix, 0) == 0) {
                web_port = std::stoi(line.substr(prefix.size()));
            }
        }
        return web_port.has_value();
    }));
    test::PageClient page(*web_port);
    page.Intent("join", {{"name", "Phone"}});
    ASSERT_TRUE(host.WaitForParticipants(2));
    host.view.Press(CONTROL_HOST); // hosting stops, and with it the page
    const auto closed = page.WaitClosed();
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->first, 1001);
}

TEST(Lobby, LocalAddresses_LeaveOutLoopbackAndLinkLocal)
{
    for (const std::string& address : LocalAddresses()) {
        EXPECT_NE(address.rfind("127.", 0), 0u) << address;
        EXPECT_NE(address, "::1");
        EXPECT_NE(address.rfind("fe80:", 0), 0u) << address;
    }
}

TEST(Lobby, QuitWhileHosting_SavesLocalhostAsTheAddress)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("ab"));
    ASSERT_TRUE(host.Quit());
    EXPECT_EQ(SavedFile(host), EXAMPLE);
}

TEST(Lobby, HostingOnATakenPort_SaysSoConnectsNowhereAndReleasesTheToggle)
{
    ScriptedHost squatter; // holds the port the host wants
    {
        TestPlayer host(squatter.Port());
        host.view.Type(CONTROL_NAME, "Boss");
        host.view.Press(CONTROL_HOST);
        const std::string in_use = std::string(texts::CHAT_PORT_PREFIX) + std::to_string(squatter.Port()) +
                                   std::string(texts::CHAT_PORT_IN_USE_SUFFIX);
        ASSERT_TRUE(host.view.WaitUntil([&] { return host.view.ChatHas(in_use); }));
        ASSERT_TRUE(host.view.WaitUntil([&] { return !host.view.Toggled(CONTROL_HOST); }));
        for (const int id : {CONTROL_CONNECT, CONTROL_ADDRESS, CONTROL_NAME}) {
            EXPECT_TRUE(host.view.Enabled(id)) << id;
        }
        EXPECT_FALSE(host.program.server().IsListening());
    }
    // The player did not join the other program: with its program ended, a connection it made would be waiting.
    EXPECT_FALSE(squatter.Accept(std::chrono::milliseconds(0)));
}

} // namespace
} // namespace pyrandel::test
