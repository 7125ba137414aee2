#include "app/lobby_controls.h"

#include "bot/computer_player.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <charconv>
#include <utility>
#include <vector>

namespace pyrandel {

LobbyControls::LobbyControls(LobbyView& view, ParticipantList& participants)
    : view(view), participants(participants), chat(view)
{
}

LobbyControls::~LobbyControls()
{
    participants.SetChangeHandler({});
    participants.Detach();
}

void LobbyControls::AttachParticipants()
{
    participants.SetChangeHandler([this] { RefreshParticipants(); });
    participants.Attach();
}

void LobbyControls::RefreshParticipants()
{
    const std::lock_guard guard(refresh_lock);
    const std::vector<RosterEntry> entries = participants.Snapshot();
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const RosterEntry& entry : entries) {
        names.push_back(entry.name);
    }
    view.ShowParticipants(names);
    if (shown_handler) {
        shown_handler(static_cast<int>(names.size()));
    }
}

void LobbyControls::SetParticipantsShownHandler(std::function<void(int count)> handler)
{
    const std::lock_guard guard(refresh_lock);
    shown_handler = std::move(handler);
}

// Fields

std::string LobbyControls::ReadField(int id)
{
    const std::string text = view.FieldText(id);
    return std::string(Cp932Prefix(text, FIELD_READ_BYTES));
}

void LobbyControls::WriteField(int id, std::string_view text)
{
    view.WriteField(id, text);
}

int LobbyControls::ComputerLevel()
{
    const std::string text = view.FieldText(CONTROL_COMPUTER_LEVEL);
    int level = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (error != std::errc() || end != text.data() + text.size() || level < Engine::MIN_LEVEL ||
        level > Engine::MAX_LEVEL) {
        return DEFAULT_COMPUTER_LEVEL;
    }
    return level;
}

void LobbyControls::SetConnectControls(ControlState state, ConnectMode mode)
{
    view.EnableControl(mode == ConnectMode::CLIENT ? CONTROL_HOST : CONTROL_CONNECT, state);
    view.EnableControl(CONTROL_ADDRESS, state);
    if (view.FieldText(CONTROL_NAME).empty()) {
        view.WriteField(CONTROL_NAME, texts::NAMELESS);
    }
    view.EnableControl(CONTROL_NAME, state);
    if (state == ControlState::ENABLED) {
        view.ReleaseToggle(CONTROL_HOST);
        view.ReleaseToggle(CONTROL_CONNECT);
    }
}

// ClientView

std::string LobbyControls::PlayerName()
{
    return ReadField(CONTROL_NAME);
}

void LobbyControls::AppendChat(std::string_view text)
{
    chat.Append(text);
}

void LobbyControls::AddParticipant(std::string_view name, int id)
{
    participants.Add(name, id);
}

void LobbyControls::RemoveParticipant(int id)
{
    participants.Remove(id);
}

void LobbyControls::ClearParticipants()
{
    participants.Clear();
}

void LobbyControls::ResetMatchButtons()
{
    view.EnableControl(CONTROL_MATCH, ControlState::ENABLED);
    view.EnableControl(CONTROL_END_MATCH, ControlState::DISABLED);
}

void LobbyControls::ShowStatus(std::string_view text)
{
    view.ShowStatus(text);
}

// The status line says so already; the lobby's controls stay as the player set them.
void LobbyControls::Connected()
{
}

void LobbyControls::ConnectionEnded(ConnectionEnd how)
{
    // A lobby that closed the connection itself has set its controls already, and may stand in a new mode by now.
    if (how != ConnectionEnd::CLOSED) {
        SetConnectControls(ControlState::ENABLED, ConnectMode::CLIENT);
    }
}

void LobbyControls::PostCommand(int command, int param)
{
    view.PostCommand(command, param);
}

void LobbyControls::OpenBattleWindow(int colour, BattleEvents& events)
{
    view.OpenBattleWindow(colour, events);
}

bool LobbyControls::IsBattleWindowOpen()
{
    return view.IsBattleWindowOpen();
}

void LobbyControls::CloseBattleWindow()
{
    view.CloseBattleWindow();
}

void LobbyControls::RepaintBattleWindow()
{
    view.RepaintBattleWindow();
}

void LobbyControls::SetBattleIcon(int colour)
{
    view.SetBattleIcon(colour);
}

void LobbyControls::DrawCell(int col, int row)
{
    view.DrawBattleCell(col, row);
}

void LobbyControls::DrawMarker(int col, int row)
{
    view.DrawBattleMarker(col, row);
}

void LobbyControls::Announce(BattleAnnouncement what)
{
    view.AnnounceBattle(what);
}

void LobbyControls::ShowMessageBox(std::string_view text)
{
    view.ShowMessageBox(text);
}

} // namespace pyrandel
