#include "app/lobby.h"

#include "protocol/messages.h"
#include "protocol/texts.h"

#include <utility>

namespace pyrandel {

namespace {
constexpr int ENTER_CODE = 13;
} // namespace

Lobby::Lobby(LobbyView& view, LobbyControls& controls, Board& board, ServerSession& server, ClientSession& client,
             LobbyOptions options)
    : view(view), controls(controls), board(board), server(server), client(client), options(std::move(options))
{
    server.SetStoppedHandler([this] { HostStopped(); });
}

Lobby::~Lobby()
{
    client.Shutdown();
    server.Shutdown();
    server.SetStoppedHandler({});
}

int Lobby::Run() { return view.RunLobby(*this); }

// LobbyEvents

void Lobby::OnInit()
{
    board.Reset();
    view.LimitField(CONTROL_CHAT_INPUT, FIELD_LIMIT);
    view.LimitField(CONTROL_ADDRESS, FIELD_LIMIT);
    view.LimitField(CONTROL_NAME, FIELD_LIMIT);
    controls.AttachParticipants();
    LoadSettings();
}

CommandResult Lobby::OnCommand(int id, int param)
{
    switch (id) {
    case COMMAND_OK:
        // Enter typed in a field is not a request to quit.
        if (view.IsKeyHeld(HeldKey::ENTER)) {
            return CommandResult::NOT_HANDLED;
        }
        [[fallthrough]];
    case COMMAND_CANCEL:
        if (view.IsKeyHeld(HeldKey::ESCAPE)) {
            return CommandResult::NOT_HANDLED;
        }
        QuitLobby();
        return CommandResult::HANDLED;
    case CMD_START_MATCH:
    case CMD_YOUR_TURN:
        client.HandleCommand(id, param);
        return CommandResult::HANDLED;
    case CONTROL_CONNECT: {
        const bool pressed = view.IsToggled(CONTROL_CONNECT);
        controls.SetConnectControls(pressed ? ControlState::DISABLED : ControlState::ENABLED, ConnectMode::CLIENT);
        if (pressed) {
            ConnectToHost();
        } else {
            Disconnect();
        }
        return CommandResult::HANDLED;
    }
    case CONTROL_HOST: {
        const bool pressed = view.IsToggled(CONTROL_HOST);
        controls.SetConnectControls(pressed ? ControlState::DISABLED : ControlState::ENABLED, ConnectMode::HOST);
        if (pressed) {
            StartHosting();
        } else {
            StopHosting();
        }
        return CommandResult::HANDLED;
    }
    case CONTROL_MATCH:
        client.SendStart(0);
        return CommandResult::HANDLED;
    case CONTROL_END_MATCH:
        client.LeaveMatch(TellHost::YES);
        return CommandResult::HANDLED;
    case CONTROL_SAY: {
        const std::string text = controls.ReadField(CONTROL_CHAT_INPUT);
        client.SendChat(text);
        controls.WriteField(CONTROL_CHAT_INPUT, "");
        return CommandResult::HANDLED;
    }
    case CONTROL_START:
        client.SendLine(protocol::StartMatch());
        return CommandResult::HANDLED;
    default:
        return CommandResult::HANDLED;
    }
}

InputResult Lobby::FilterChatInput(KeyMessage message, int code)
{
    if (code != ENTER_CODE) {
        return InputResult::FORWARD;
    }
    if (message == KeyMessage::KEY_DOWN) {
        view.PostCommand(CONTROL_SAY, 0);
    }
    return InputResult::CONSUMED;
}

// Modes

void Lobby::ConnectToHost() { ConnectTo(options.port); }

void Lobby::ConnectTo(int port)
{
    controls.ShowStatus(texts::STATUS_CONNECTING);
    const std::string address = controls.ReadField(CONTROL_ADDRESS);
    if (!client.Connect(address, port)) {
        // Not even started (no socket, or the last connection is still ending): say so as for a failed attempt,
        // rather than leave a pressed toggle and "connecting..." for good.
        controls.AppendChat(texts::CHAT_CONNECT_FAILED);
        controls.ShowStatus(texts::STATUS_NOT_CONNECTED);
        controls.SetConnectControls(ControlState::ENABLED, ConnectMode::CLIENT);
    }
}

bool Lobby::StartHosting()
{
    if (!server.Listen(options.port, LISTEN_BACKLOG, options.listen_address)) {
        return false;
    }
    controls.WriteField(CONTROL_ADDRESS, LOOPBACK_HOST);
    // With port 0 the host's own player must follow the port the host was given.
    const int bound = server.Port();
    ConnectTo(bound != 0 ? bound : options.port);
    return true;
}

void Lobby::StopHosting()
{
    Disconnect();
    server.Close();
}

void Lobby::Disconnect() { client.Close(); }

void Lobby::HostStopped()
{
    StopHosting();
    controls.AppendChat(texts::CHAT_SERVER_CLOSED);
    controls.SetConnectControls(ControlState::ENABLED, ConnectMode::CLIENT);
}

void Lobby::QuitLobby()
{
    client.LeaveMatch(TellHost::YES);
    server.Close();
    client.Close();
    SaveSettings();
    view.EndLobby(0);
}

// Settings

void Lobby::LoadSettings()
{
    const Settings settings = options.settings.Load();
    if (settings.name) {
        controls.WriteField(CONTROL_NAME, *settings.name);
    }
    if (settings.address) {
        controls.WriteField(CONTROL_ADDRESS, *settings.address);
    }
}

void Lobby::SaveSettings()
{
    options.settings.Save(controls.ReadField(CONTROL_NAME), controls.ReadField(CONTROL_ADDRESS));
}

} // namespace pyrandel
