#include "app/lobby.h"

#include "protocol/messages.h"
#include "text/texts.h"
#include "web/web_front.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

namespace pyrandel {

namespace {
constexpr int ENTER_CODE = 13;
} // namespace

std::string HostingFailureText(ListenError error, int port)
{
    switch (error) {
    case ListenError::PORT_IN_USE:
        return std::string(texts::CHAT_PORT_PREFIX).append(std::to_string(port)).append(texts::CHAT_PORT_IN_USE_SUFFIX);
    case ListenError::NOT_PERMITTED:
        return std::string(texts::CHAT_PORT_PREFIX)
            .append(std::to_string(port))
            .append(texts::CHAT_PORT_NOT_PERMITTED_SUFFIX);
    case ListenError::ADDRESS_NOT_AVAILABLE:
        return std::string(texts::CHAT_HOSTING_FAILED_NO_ADDRESS);
    case ListenError::NONE:
    case ListenError::ALREADY_LISTENING:
    case ListenError::FAILED:
        break;
    }
    return std::string(texts::CHAT_HOSTING_FAILED);
}

Lobby::Lobby(LobbyView& view, LobbyControls& controls, Board& board, ServerSession& server, ClientSession& client,
             LobbyOptions options)
    : view(view), controls(controls), board(board), server(server), client(client), options(std::move(options))
{
    server.SetStoppedHandler([this] { HostStopped(); });
    controls.SetParticipantsShownHandler([this](int count) { ParticipantsShown(count); });
}

Lobby::~Lobby()
{
    controls.SetParticipantsShownHandler({});
    // The browser seats leave the room first, as players closing their programs.
    TakeWebFront().reset();
    client.Shutdown();
    server.Shutdown();
    server.SetStoppedHandler({});
    // The host is gone, so the computer players' connections have ended; this joins their threads.
    const std::lock_guard guard(computer_lock);
    computers.clear();
}

int Lobby::Run()
{
    return view.RunLobby(*this);
}

// LobbyEvents

void Lobby::OnInit()
{
    board.Reset();
    view.LimitField(CONTROL_CHAT_INPUT, FIELD_LIMIT);
    view.LimitField(CONTROL_ADDRESS, FIELD_LIMIT);
    view.LimitField(CONTROL_NAME, FIELD_LIMIT);
    controls.AttachParticipants();
    LoadSettings();
    const std::lock_guard guard(computer_lock);
    UpdateComputerButton();
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
    case CMD_MATCH_OVER:
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
            host_stop_requested.store(true);
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
    case CONTROL_ADD_COMPUTER:
        (void)AddComputerPlayer();
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

void Lobby::ConnectToHost()
{
    ConnectTo(options.port);
}

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
    const ListenResult listening = server.Listen(options.port, LISTEN_BACKLOG, options.listen_address);
    // Listen has waited for the end of a previous run, so no stop of it is still to come.
    host_stop_requested.store(false);
    switch (listening.error) {
    case ListenError::NONE:
        break;
    case ListenError::ALREADY_LISTENING:
        return false; // the host still runs; releasing the toggle stops it
    case ListenError::PORT_IN_USE:
    case ListenError::NOT_PERMITTED:
    case ListenError::ADDRESS_NOT_AVAILABLE:
    case ListenError::FAILED:
        // The player must not join whatever else answers on the port: say why, and stand as before the press.
        controls.AppendChat(HostingFailureText(listening.error, options.port));
        controls.SetConnectControls(ControlState::ENABLED, ConnectMode::HOST);
        return false;
    }
    controls.WriteField(CONTROL_ADDRESS, LOOPBACK_HOST);
    // With port 0 the host's own player must follow the port the host was given.
    const int bound = server.Port();
    const std::vector<std::string> links = StartWebFront(bound != 0 ? bound : options.port);
    // The field keeps "localhost" for the own player; the others need an address they can reach.
    const std::vector<std::string> addresses =
        options.host_addresses ? options.host_addresses() : std::vector<std::string>{};
    if (const std::string line = HostAddressLine(addresses, links); !line.empty()) {
        controls.AppendChat(line);
    }
    ConnectTo(bound != 0 ? bound : options.port);
    SetHosting(Hosting::ON);
    return true;
}

std::vector<std::string> Lobby::StartWebFront(int port)
{
    // The front of an earlier run was told to end when that run stopped; its threads are ending or gone.
    TakeWebFront().reset();
    if (!options.web) {
        return {};
    }
    WebFrontOptions settings;
    settings.listen = *options.web;
    settings.host = std::string(LOOPBACK_HOST);
    settings.port = port;
    settings.computer_pause = options.computer_pause;
    auto front = std::make_unique<WebFront>(std::move(settings));
    if (const ListenError error = front->Start(); error != ListenError::NONE) {
        controls.AppendChat(HostingFailureText(error, options.web->port));
        return {};
    }
    std::vector<std::string> links = PageUrls(options.web->address, front->Port(), options.host_addresses);
    const std::lock_guard guard(web_lock);
    web_front = std::move(front);
    return links;
}

std::unique_ptr<WebFront> Lobby::TakeWebFront()
{
    const std::lock_guard guard(web_lock);
    return std::move(web_front);
}

void Lobby::StopHosting()
{
    {
        const std::lock_guard guard(web_lock);
        if (web_front) {
            web_front->Close();
        }
    }
    SetHosting(Hosting::OFF);
    StopComputerPlayers();
    Disconnect();
    server.Close();
}

void Lobby::Disconnect()
{
    client.Disconnect();
}

void Lobby::HostStopped()
{
    if (host_stop_requested.exchange(false)) {
        // The lobby already stands as the player left it (and may be hosting anew).
        controls.AppendChat(texts::CHAT_SERVER_CLOSED);
        return;
    }
    StopHosting();
    controls.AppendChat(texts::CHAT_SERVER_CLOSED);
    controls.SetConnectControls(ControlState::ENABLED, ConnectMode::CLIENT);
}

void Lobby::QuitLobby()
{
    StopComputerPlayers();
    client.LeaveMatch(TellHost::YES);
    host_stop_requested.store(true);
    server.Close();
    client.Disconnect();
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
    if (!options.settings.Save(controls.ReadField(CONTROL_NAME), controls.ReadField(CONTROL_ADDRESS))) {
        // The lobby is closing, so a chat line would not be read: the terminal or the session's log hears of it.
        std::fprintf(stderr, "pyrandel: cannot save the settings to %s\n", options.settings.Path().c_str());
    }
}

// Computer players

bool Lobby::AddComputerPlayer()
{
    const int level = controls.ComputerLevel();
    std::list<ComputerPlayer> finished;
    {
        const std::lock_guard guard(computer_lock);
        // Those whose connection has ended are let go here, on the window thread, where joining them is quick.
        for (auto it = computers.begin(); it != computers.end();) {
            const auto next = std::next(it);
            if (it->ending() != ComputerEnding::RUNNING) {
                finished.splice(finished.end(), computers, it);
            }
            it = next;
        }
        if (!MayAddComputer()) {
            UpdateComputerButton();
            return false;
        }
        ComputerPlayerOptions player;
        for (int number = 1; number <= MAX_COMPUTER_PLAYERS; ++number) {
            player.name = "CPU" + std::to_string(number);
            if (std::none_of(computers.begin(), computers.end(), [&](const ComputerPlayer& running) {
                    return running.Active() && running.name() == player.name;
                })) {
                break;
            }
        }
        player.level = level;
        player.pause = options.computer_pause;
        ComputerPlayer& added = computers.emplace_back(std::move(player));
        const int bound = server.Port();
        if (!added.Connect(LOOPBACK_HOST, bound != 0 ? bound : options.port)) {
            finished.splice(finished.end(), computers, std::prev(computers.end()));
            UpdateComputerButton();
            return false;
        }
        UpdateComputerButton();
    }
    return true;
}

void Lobby::StopComputerPlayers()
{
    const std::lock_guard guard(computer_lock);
    for (ComputerPlayer& player : computers) {
        player.Leave();
    }
    UpdateComputerButton();
}

void Lobby::ParticipantsShown(int count)
{
    const std::lock_guard guard(computer_lock);
    listed = count;
    UpdateComputerButton();
}

void Lobby::SetHosting(Hosting now)
{
    const std::lock_guard guard(computer_lock);
    hosting = now;
    UpdateComputerButton();
}

bool Lobby::MayAddComputer() const
{
    const auto active =
        std::count_if(computers.begin(), computers.end(), [](const ComputerPlayer& player) { return player.Active(); });
    return hosting == Hosting::ON && listed < PLAYER_SLOTS && active < MAX_COMPUTER_PLAYERS;
}

void Lobby::UpdateComputerButton()
{
    view.EnableControl(CONTROL_ADD_COMPUTER, MayAddComputer() ? ControlState::ENABLED : ControlState::DISABLED);
}

} // namespace pyrandel
