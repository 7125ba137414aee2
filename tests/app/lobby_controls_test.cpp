// The lobby controls shared with the network side: the connection controls of each mode, the 78-byte reading of
// a field and the participant list as the view shows it.

#include "app/lobby_controls.h"
#include "bot/computer_player.h"
#include "support/fake_lobby_view.h"
#include "text/texts.h"

#include <gtest/gtest.h>

namespace pyrandel::test {
namespace {

struct ConnectControlsCase {
    const char* what;
    ControlState state;
    ConnectMode mode;
    int other_toggle;
};

TEST(LobbyControls, SetConnectControls_SwitchesTheOtherModeAddressAndNameButNeverTheOwnToggle)
{
    const std::vector<ConnectControlsCase> cases = {
        {"joining", ControlState::DISABLED, ConnectMode::CLIENT, CONTROL_HOST},
        {"hosting", ControlState::DISABLED, ConnectMode::HOST, CONTROL_CONNECT},
        {"join released", ControlState::ENABLED, ConnectMode::CLIENT, CONTROL_HOST},
        {"host released", ControlState::ENABLED, ConnectMode::HOST, CONTROL_CONNECT},
    };
    for (const ConnectControlsCase& c : cases) {
        FakeLobbyView view;
        ParticipantList participants;
        LobbyControls controls(view, participants);
        const int own_toggle = c.other_toggle == CONTROL_HOST ? CONTROL_CONNECT : CONTROL_HOST;
        // Start from the opposite arrangement, with both toggles pressed.
        for (const int id : {CONTROL_CONNECT, CONTROL_HOST, CONTROL_ADDRESS, CONTROL_NAME}) {
            view.EnableControl(id, c.state == ControlState::ENABLED ? ControlState::DISABLED : ControlState::ENABLED);
        }
        const bool enabling = c.state == ControlState::ENABLED;
        controls.SetConnectControls(c.state, c.mode);
        EXPECT_EQ(view.Enabled(c.other_toggle), enabling) << c.what;
        EXPECT_EQ(view.Enabled(CONTROL_ADDRESS), enabling) << c.what;
        EXPECT_EQ(view.Enabled(CONTROL_NAME), enabling) << c.what;
        EXPECT_EQ(view.Enabled(own_toggle), !enabling) << c.what << ": own toggle untouched";
        EXPECT_EQ(view.Field(CONTROL_NAME), texts::NAMELESS) << c.what;
    }
}

TEST(LobbyControls, SetConnectControls_EnablingReleasesBothTogglesAndKeepsAGivenName)
{
    FakeLobbyView view;
    ParticipantList participants;
    LobbyControls controls(view, participants);
    view.WriteField(CONTROL_NAME, "Taro");
    view.SetToggled(CONTROL_HOST, true);
    view.SetToggled(CONTROL_CONNECT, true);
    controls.SetConnectControls(ControlState::DISABLED, ConnectMode::HOST);
    EXPECT_EQ(view.Field(CONTROL_NAME), "Taro");
    EXPECT_TRUE(view.Toggled(CONTROL_HOST)) << "disabling releases nothing";
    controls.SetConnectControls(ControlState::ENABLED, ConnectMode::CLIENT);
    EXPECT_FALSE(view.Toggled(CONTROL_HOST));
    EXPECT_FALSE(view.Toggled(CONTROL_CONNECT));
    // Client mode does not enable the join toggle: it stays as hosting left it.
    EXPECT_FALSE(view.Enabled(CONTROL_CONNECT));
}

struct ReadFieldCase {
    const char* what;
    std::string text;
    std::string read;
};

TEST(LobbyControls, ReadField_TakesAtMost78BytesAndNeverHalfACharacter)
{
    const std::string kana = "\x82\xA0";   // one double-byte character
    const std::string half_width = "\xB1"; // one single-byte katakana
    const std::vector<ReadFieldCase> cases = {
        {"short", "abc", "abc"},
        {"exactly the limit", std::string(FIELD_READ_BYTES, 'a'), std::string(FIELD_READ_BYTES, 'a')},
        {"as many letters as may be typed", std::string(FIELD_LIMIT, 'a'), std::string(FIELD_READ_BYTES, 'a')},
        {"character across the cut", std::string(77, 'a') + kana, std::string(77, 'a')},
        {"character ending at the cut", std::string(76, 'a') + kana + "b", std::string(76, 'a') + kana},
        {"39 characters",
         [&] {
             std::string s;
             for (int i = 0; i < 40; ++i)
                 s += kana;
             return s;
         }(),
         [&] {
             std::string s;
             for (int i = 0; i < 39; ++i)
                 s += kana;
             return s;
         }()},
        {"single-byte katakana", std::string(77, 'a') + half_width + half_width, std::string(77, 'a') + half_width},
    };
    FakeLobbyView view;
    ParticipantList participants;
    LobbyControls controls(view, participants);
    for (const ReadFieldCase& c : cases) {
        view.WriteField(CONTROL_NAME, c.text);
        EXPECT_EQ(controls.ReadField(CONTROL_NAME), c.read) << c.what;
        EXPECT_EQ(controls.PlayerName(), c.read) << c.what;
    }
}

TEST(LobbyControls, ConnectionEnded_RestoresTheControlsUnlessTheLobbyEndedIt)
{
    const std::vector<std::pair<ConnectionEnd, bool>> cases = {
        {ConnectionEnd::FAILED, true}, {ConnectionEnd::LOST, true}, {ConnectionEnd::CLOSED, false}};
    for (const auto& [how, restored] : cases) {
        FakeLobbyView view;
        ParticipantList participants;
        LobbyControls controls(view, participants);
        view.SetToggled(CONTROL_CONNECT, true);
        view.EnableControl(CONTROL_ADDRESS, ControlState::DISABLED);
        controls.Connected();
        controls.ConnectionEnded(how);
        EXPECT_EQ(view.Toggled(CONTROL_CONNECT), !restored) << static_cast<int>(how);
        EXPECT_EQ(view.Enabled(CONTROL_ADDRESS), restored) << static_cast<int>(how);
    }
}

TEST(LobbyControls, ComputerLevel_ReadsTheLevelListOrFallsBackToTheDefault)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"5", 5},
        {"1", 1},
        {"x", DEFAULT_COMPUTER_LEVEL},
        {"", DEFAULT_COMPUTER_LEVEL},
        {"0", DEFAULT_COMPUTER_LEVEL},
        {"6", DEFAULT_COMPUTER_LEVEL},
        {"4x", DEFAULT_COMPUTER_LEVEL},
    };
    FakeLobbyView view;
    ParticipantList participants;
    LobbyControls controls(view, participants);
    for (const auto& [shown, level] : cases) {
        view.WriteField(CONTROL_COMPUTER_LEVEL, shown);
        EXPECT_EQ(controls.ComputerLevel(), level) << '"' << shown << '"';
    }
}

TEST(LobbyControls, Participants_ShownSortedOnlyOnceAttached)
{
    FakeLobbyView view;
    ParticipantList participants;
    LobbyControls controls(view, participants);
    controls.AddParticipant("early", 0); // before the lobby attached the list: ignored
    controls.AttachParticipants();
    controls.AddParticipant("bob", 1);
    controls.AddParticipant("Alice", 2);
    controls.AddParticipant("bob", 3);
    EXPECT_EQ(view.Participants(), (std::vector<std::string>{"Alice", "bob", "bob"}));
    controls.RemoveParticipant(3);
    controls.RemoveParticipant(9);
    EXPECT_EQ(view.Participants(), (std::vector<std::string>{"Alice", "bob"}));
    EXPECT_EQ(participants.Snapshot().at(1).id, 1);
    controls.ClearParticipants();
    EXPECT_TRUE(view.Participants().empty());
}

} // namespace
} // namespace pyrandel::test
