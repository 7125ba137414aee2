#include "client/client_session.h"

#include "protocol/field_list.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <string>
#include <variant>

namespace pyrandel {

namespace {

[[nodiscard]] std::string ShownChatLine(std::string_view name, std::string_view text)
{
    std::string line;
    line.reserve(name.size() + texts::CHAT_NAME_SEPARATOR.size() + text.size());
    line.append(name).append(texts::CHAT_NAME_SEPARATOR).append(text);
    return line;
}

[[nodiscard]] bool IsColour(int colour)
{
    return colour >= 0 && colour < COLOURS;
}

} // namespace

ClientSession::ClientSession(Board& board, ClientView& view) : board(board), view(view)
{
}

ClientSession::~ClientSession()
{
    Shutdown();
}

// Sending

void ClientSession::SendChat(std::string_view text)
{
    const std::string name = view.PlayerName();
    view.AppendChat(ShownChatLine(Cp932Prefix(name, FIELD_READ_BYTES), text));
    SendLine(protocol::Chat(text));
}

void ClientSession::SendStart(int count)
{
    SendLine(protocol::StartMatch(count));
}

void ClientSession::SendPlot(int colour, int col, int row, int win, int left)
{
    SendLine(protocol::Plot(colour, col, row, win, left));
}

// Match flow

void ClientSession::LeaveMatch(TellHost tell)
{
    EndMatchesThrough(match_shown);
    Leave(tell);
}

void ClientSession::MatchEndedByHost()
{
    EndMatchesThrough(matches_begun.load(std::memory_order_acquire));
    Leave(TellHost::NO);
    // Behind any start of the ended match that the window thread has yet to run, or is running now.
    view.PostCommand(CMD_MATCH_OVER, 0);
}

void ClientSession::EndMatchesThrough(int match)
{
    int ended = matches_ended.load(std::memory_order_acquire);
    while (ended < match && !matches_ended.compare_exchange_weak(ended, match, std::memory_order_acq_rel)) {
    }
}

void ClientSession::Leave(TellHost tell)
{
    view.ResetMatchButtons();
    if (tell == TellHost::YES) {
        SendLine(protocol::EndMatch(my_id()));
    }
    view.CloseBattleWindow();
    board.Reset();
    view.AppendChat(texts::CHAT_GAME_ENDED);
    view.ShowStatus(texts::STATUS_WAITING_FOR_MATCH);
}

void ClientSession::ApplyRemotePlot(int colour, int col, int row)
{
    if (colour == board.own_colour()) {
        return;
    }
    if (board.Place(colour, col, row, &view) == PLACE_WON) {
        view.ShowStatus(texts::STATUS_DECIDED);
        // Holds this connection thread until the player has seen it; the host's next lines wait in the socket.
        view.ShowMessageBox(texts::STATUS_DECIDED);
    }
}

void ClientSession::StartMatch(int colour)
{
    board.BeginMatch(colour);
    view.AppendChat(texts::CHAT_GAME_STARTED);
    std::string colour_line(texts::ColourName(colour));
    colour_line.append(texts::CHAT_COLOUR_SUFFIX);
    view.AppendChat(colour_line);
    if (view.IsBattleWindowOpen()) {
        view.RepaintBattleWindow();
        view.SetBattleIcon(colour);
    } else {
        view.OpenBattleWindow(colour, *this);
    }
}

bool ClientSession::HandleCommand(int command, int param)
{
    switch (command) {
    case CMD_START_MATCH:
        // Starts come back in the order they were posted, one for every STARTVS, so this is the match's number.
        ++match_shown;
        // A match that is over already must not open a window: nobody would ever close it, and its turn would
        // let the player put a ball into a match the host has ended.
        if (IsOver(match_shown)) {
            return true;
        }
        // A colour outside 0..3 would index the colour names and the ball icons out of range; such a start
        // cannot be played, so it is ignored as a whole.
        if (!IsColour(param)) {
            return true;
        }
        // The board was emptied when the start arrived.
        view.RepaintBattleWindow();
        StartMatch(param);
        return true;
    case CMD_YOUR_TURN:
        // The turn belongs to the match of the latest start, which was posted before it.
        if (IsOver(match_shown)) {
            return true;
        }
        board.GrantTurn();
        view.ShowStatus(texts::STATUS_YOUR_TURN);
        view.Announce(BattleAnnouncement::YOUR_TURN);
        return true;
    case CMD_MATCH_OVER:
        // A start that passed its test just before the end was marked opened its window after the end's close
        // had found none.
        if (IsOver(match_shown) && view.IsBattleWindowOpen()) {
            view.CloseBattleWindow();
        }
        return true;
    default:
        return false;
    }
}

// Battle window events

void ClientSession::PointAt(std::optional<int> lane)
{
    if (const auto move = board.PointAt(lane)) {
        if (move->previous) {
            view.DrawCell(move->previous->col, move->previous->row);
        }
        view.DrawMarker(move->spot.col, move->spot.row);
    }
}

void ClientSession::Drop(std::optional<int> lane)
{
    const auto move = board.DropOwnBall(lane, &view);
    if (!move) {
        return;
    }
    // The move goes out before the win is announced here, so the others learn of it without waiting for the box.
    SendPlot(move->colour, move->cell.col, move->cell.row, move->win ? 1 : 0, move->balls_left);
    if (move->win) {
        view.ShowStatus(texts::STATUS_YOU_WIN);
        view.Announce(BattleAnnouncement::YOU_WIN);
        view.ShowMessageBox(texts::STATUS_YOU_WIN);
    }
}

void ClientSession::CloseRequested(BattleClose how)
{
    LeaveMatch(how == BattleClose::PROGRAM ? TellHost::NO : TellHost::YES);
}

Grid ClientSession::Cells() const
{
    return board.Snapshot();
}

BoardMarks ClientSession::Marks() const
{
    BoardMarks marks = board.Marks();
    const int own = board.own_colour();
    if (own >= 0 && own < COLOURS) {
        marks.last_balls[static_cast<std::size_t>(own)].reset();
    }
    return marks;
}

void ClientSession::Hint()
{
    if (!hint_source || !board.may_place()) {
        return;
    }
    if (const auto lane = hint_source(board.Snapshot(), board.own_colour())) {
        PointAt(*lane);
    }
}

// Callbacks of ConnectClient

void ClientSession::OnConnect()
{
    view.ShowStatus(texts::STATUS_CONNECTED);
    view.Connected();
    const std::string name = view.PlayerName();
    SendLine(protocol::NewClient(Cp932Prefix(name, FIELD_READ_BYTES)));
}

void ClientSession::OnLine(const char* line)
{
    // The rest of a line longer than a line may be is never a message of its own. Else a chat text that a host
    // relays whole behind the speaker's id and name would go on as a line of the speaker's choosing here: a
    // "CAN_PUT", an "ID", a "PLOT".
    if (LineContinues()) {
        return;
    }
    const FieldList fields(line);
    if (const std::optional<protocol::FromHost> message = protocol::ReadFromHost(fields)) {
        std::visit([this](const auto& read) { Handle(read); }, *message);
    }
}

void ClientSession::Handle(const protocol::IdLine& message)
{
    my_id_.store(message.id, std::memory_order_release);
}

void ClientSession::Handle(const protocol::AddLine& message)
{
    view.AddParticipant(message.name, message.id);
}

void ClientSession::Handle(const protocol::DelLine& message)
{
    view.RemoveParticipant(message.id);
}

void ClientSession::Handle(const protocol::MsgLine& message)
{
    view.AppendChat(message.text);
}

void ClientSession::Handle(const protocol::ChatRelayLine& message)
{
    // The own line was shown when it was sent.
    if (message.id != my_id()) {
        view.AppendChat(ShownChatLine(message.name, message.text));
    }
}

void ClientSession::Handle(const protocol::MatchStartLine& message)
{
    if (IsColour(message.colour)) {
        // Emptied here, in line order, so another player's first ball of the new match (which may come right
        // behind) lands on the new board and is never wiped by a start the window thread runs later.
        board.Reset();
        board.BeginMatch(message.colour);
    }
    matches_begun.fetch_add(1, std::memory_order_acq_rel);
    view.PostCommand(CMD_START_MATCH, message.colour);
}

void ClientSession::Handle(const protocol::CanPutLine&)
{
    view.PostCommand(CMD_YOUR_TURN, 0);
}

void ClientSession::Handle(const protocol::PlotLine& move)
{
    ApplyRemotePlot(move.colour.value, move.col.value, move.row.value);
}

void ClientSession::Handle(const protocol::EndMatchLine&)
{
    MatchEndedByHost();
}

// Connecting

bool ClientSession::Connect(std::string_view host, int port)
{
    attempts_started.fetch_add(1);
    if (ConnectClient::Connect(host, port)) {
        return true;
    }
    attempts_started.fetch_sub(1);
    return false;
}

void ClientSession::Disconnect()
{
    attempt_closed.store(attempts_started.load());
    Close();
}

bool ClientSession::EndingAttemptWasClosed()
{
    // Attempts end in the order they were started, each with exactly one OnDisconnect or OnConnectFailed.
    const int ending = ++attempts_ended;
    return attempt_closed.load() >= ending;
}

void ClientSession::OnDisconnect()
{
    // The transport has closed the socket already; closing it here again could close a connection the player
    // asked for meanwhile.
    const ConnectionEnd how = EndingAttemptWasClosed() ? ConnectionEnd::CLOSED : ConnectionEnd::LOST;
    MatchEndedByHost();
    view.ShowStatus(texts::STATUS_NOT_CONNECTED);
    view.ClearParticipants();
    // A connection the player did not end was ended by the host or lost on the way; either way it is gone.
    view.AppendChat(how == ConnectionEnd::CLOSED ? texts::CHAT_CONNECTION_CLOSED : texts::CHAT_CONNECTION_LOST);
    view.ConnectionEnded(how);
}

void ClientSession::OnConnectFailed(ConnectFailure reason)
{
    const bool closed_by_player = EndingAttemptWasClosed(); // counts every ending attempt, so asked first
    if (closed_by_player || reason == ConnectFailure::CANCELLED) {
        view.ShowStatus(texts::STATUS_NOT_CONNECTED); // the attempt was called off: nothing failed
        view.ConnectionEnded(ConnectionEnd::CLOSED);
        return;
    }
    // Without a word the player would be left with a pressed toggle and "connecting..." for good.
    view.AppendChat(ConnectFailureText(reason));
    view.ShowStatus(texts::STATUS_NOT_CONNECTED);
    view.ConnectionEnded(ConnectionEnd::FAILED);
}

std::string_view ConnectFailureText(ConnectFailure reason)
{
    switch (reason) {
    case ConnectFailure::NAME_NOT_FOUND:
        return texts::CHAT_CONNECT_FAILED_NO_NAME;
    case ConnectFailure::REFUSED:
        return texts::CHAT_CONNECT_FAILED_REFUSED;
    case ConnectFailure::UNREACHABLE:
        return texts::CHAT_CONNECT_FAILED_NO_ANSWER;
    case ConnectFailure::CANCELLED:
        return {};
    case ConnectFailure::FAILED:
        break;
    }
    return texts::CHAT_CONNECT_FAILED;
}

} // namespace pyrandel
