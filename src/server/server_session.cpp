#include "server/server_session.h"

#include "game/grid.h"
#include "protocol/field_list.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <variant>
#include <vector>

namespace pyrandel {

namespace {

// Swaps of the draw; with the order of the random calls this fixes every host's draw for a given state.
inline constexpr int DRAW_ROUNDS = 16;

// Ids as the slots number them; anything else in a list entry cannot be a participant of this host.
[[nodiscard]] bool IsSlotId(int id)
{
    return id >= 0 && id < PLAYER_SLOTS;
}

const std::string NO_NAME;       // a free slot
const std::string UNNAMED = "?"; // connected, no NEW_C yet

// The desktop program's host reports to nobody.
class SilentObserver final : public ServerObserver {};
SilentObserver NO_OBSERVER;

} // namespace

ServerSession::ServerSession(RandomGenerator& generator)
    : ListenServer(PLAYER_SLOTS), random(generator), observer(&NO_OBSERVER)
{
    ConnectionLimits limits = GetConnectionLimits();
    limits.admission = UNNAMED_SEAT_LIMIT;
    SetConnectionLimits(limits);
}

ServerSession::~ServerSession()
{
    // The lobby that the handler reaches may already be gone when the host is destroyed with the program.
    {
        const std::lock_guard guard(lock);
        stopped_handler = nullptr;
    }
    Shutdown();
}

void ServerSession::SetStoppedHandler(std::function<void()> handler)
{
    const std::lock_guard guard(lock);
    stopped_handler = std::move(handler);
}

void ServerSession::SetObserver(ServerObserver& events)
{
    const std::lock_guard guard(lock);
    observer = &events;
}

void ServerSession::SetRefereeing(Refereeing mode, Referee::Now now)
{
    const std::lock_guard guard(lock);
    if (mode == Refereeing::REFEREED) {
        referee.emplace(PLAYER_SLOTS, std::move(now));
    } else {
        referee.reset();
    }
}

// Participants

void ServerSession::OnConnect(int id)
{
    const std::lock_guard guard(lock);
    if (!IsSlotId(id)) {
        return;
    }
    names[static_cast<std::size_t>(id)] = UNNAMED;
    greeted[static_cast<std::size_t>(id)] = true;
    SendTo(id, protocol::Id(id));
    // The newcomer is not listed yet, so it gets no ADD for itself here; its own NEW_C brings that.
    for (const RosterEntry& entry : roster.Entries()) {
        SendTo(id, protocol::Add(entry.id, entry.name));
    }
    if (match_state == MATCH_RUNNING) {
        SendTo(id, protocol::MsgMatchRunning());
    }
}

void ServerSession::OnLine(int id, const char* line)
{
    const FieldList fields(line != nullptr ? std::string_view(line) : std::string_view());
    const std::optional<protocol::FromPlayer> message = protocol::ReadFromPlayer(fields);
    if (!message) {
        return;
    }
    const std::lock_guard guard(lock);
    std::visit([this, id](const auto& read) { Handle(id, read); }, *message);
}

void ServerSession::Handle(int id, const protocol::NewClientLine& message)
{
    if (!IsSlotId(id)) {
        return;
    }
    // No test for a second NEW_C from the same slot: it is announced and listed again, as peers expect.
    Admit(id);
    DeliverToAll(protocol::MsgArrived(message.name));
    names[static_cast<std::size_t>(id)] = std::string(message.name);
    DeliverToAll(protocol::Add(id, message.name));
    roster.Name(id, message.name);
    observer->OnJoin(id, message.name);
}

void ServerSession::Handle(int id, const protocol::ChatLine& message)
{
    if (referee && !Passes(id, referee->JudgeChat(id))) {
        return;
    }
    DeliverToAllExcept(id, protocol::ChatRelay(id, NameOf(id), message.text));
}

void ServerSession::OnDisconnect(int id, DisconnectReason reason)
{
    const std::lock_guard guard(lock);
    if (IsSlotId(id)) {
        greeted[static_cast<std::size_t>(id)] = false;
    }
    DeliverToAll(protocol::Del(id));
    DeliverToAll(protocol::MsgGone(NameOf(id)));
    if (referee) {
        if (const int unreported = referee->Vacate(id); unreported > 0) {
            observer->OnDropsUnreported(id, NameOf(id), unreported);
        }
    }
    observer->OnLeave(id, NameOf(id), reason);
    if (IsSlotId(id)) {
        names[static_cast<std::size_t>(id)].clear();
        roster.Remove(id);
    }
    if (match_state == MATCH_RUNNING && PlaysInMatch(id)) {
        DeliverToAll(protocol::EndMatchLost());
        EndMatch();
    }
}

void ServerSession::OnRefuse(TcpSocket& incoming)
{
    // The socket is closed after this returns. The line is sent without the lock, as it may wait for the peer.
    incoming.SendLine(protocol::MsgServerFull());
    const std::lock_guard guard(lock);
    observer->OnRefuse();
}

void ServerSession::OnListenEnd()
{
    std::function<void()> handler;
    {
        const std::lock_guard guard(lock);
        handler = stopped_handler;
    }
    // Without the lock: the lobby's reaction closes the server and its own connection, which may need
    // callbacks of this host to finish.
    if (handler) {
        handler();
    }
}

// Match control

void ServerSession::Handle(int id, const protocol::StartMatchLine&)
{
    // The count of the hidden start button changes nothing: every listed participant plays.
    if (referee && !Passes(id, referee->JudgeStart(id))) {
        return;
    }
    // Each id is listed once, and there are no more ids than match_order holds.
    std::array<int, PLAYER_SLOTS> order{};
    int count = 0;
    for (const RosterEntry& entry : roster.Entries()) {
        order[static_cast<std::size_t>(count++)] = entry.id;
    }
    // Nobody listed: there is nobody to give the turn to, so no match starts and nothing changes.
    if (count == 0) {
        return;
    }

    std::array<int, COLOURS> colours{};
    std::iota(colours.begin(), colours.end(), 0);
    for (int round = 0; round < DRAW_ROUNDS; ++round) {
        const int e = random.Next(count);
        const int f = random.Next(count);
        std::swap(order[static_cast<std::size_t>(e)], order[static_cast<std::size_t>(f)]);
        const int i = random.Next(COLOURS);
        const int k = random.Next(COLOURS);
        std::swap(colours[static_cast<std::size_t>(i)], colours[static_cast<std::size_t>(k)]);
    }

    match_order = order;
    std::array<SeatColour, PLAYER_SLOTS> seats{};
    std::array<Referee::Seat, PLAYER_SLOTS> refereed{};
    for (int j = 0; j < count; ++j) {
        const auto at = static_cast<std::size_t>(j);
        DeliverToAll(protocol::MsgColour(NameOf(match_order[at]), colours[at]));
        seats[at] = SeatColour{match_order[at], NameOf(match_order[at]), colours[at]};
        refereed[at] = Referee::Seat{match_order[at], colours[at]};
    }
    for (int j = 0; j < count; ++j) {
        const auto at = static_cast<std::size_t>(j);
        Deliver(match_order[at], protocol::MatchStart(colours[at], count));
    }
    player_count = count;
    turn = 0;
    Deliver(match_order[0], protocol::CanPut());
    match_state = MATCH_RUNNING;
    if (referee) {
        referee->BeginMatch(std::span<const Referee::Seat>(refereed.data(), static_cast<std::size_t>(count)));
    }
    observer->OnMatchStart(std::span<const SeatColour>(seats.data(), static_cast<std::size_t>(count)));
    observer->OnTurn(match_order[0]);
}

void ServerSession::Handle(int id, const protocol::PlotLine& move)
{
    // A refereed room lets through only a legal move, which the referee has played on its board by now.
    if (referee && !Passes(id, referee->TakeMove(id, move))) {
        return;
    }
    // A trusting host checks nothing of the move; a column below 0 means "no ball" and is not passed on.
    if (move.col.value >= 0) {
        const std::string relay = protocol::PlotRelay(move);
        for (int k = 0; k < player_count; ++k) {
            const int player = match_order[static_cast<std::size_t>(k)];
            if (player != id) {
                Deliver(player, relay);
            }
        }
    }
    if (move.win.value == 1) {
        DeliverToAll(protocol::MsgWin(NameOf(id), move.colour.value));
        match_state = MATCH_DECIDED;
        observer->OnWin(id, NameOf(id), move.colour.value);
        return;
    }
    // A sender with balls left keeps the turn. Before the first match there is nobody to pass it to.
    if (move.left.value < 1 && player_count > 0) {
        turn = turn + 1 < player_count ? turn + 1 : 0;
        Deliver(match_order[static_cast<std::size_t>(turn)], protocol::CanPut());
        observer->OnTurn(match_order[static_cast<std::size_t>(turn)]);
    }
}

void ServerSession::Handle(int id, const protocol::EndMatchLine& message)
{
    if (match_state == MATCH_RUNNING && PlaysInMatch(id)) {
        DeliverToAllExcept(id, protocol::EndMatchRelay(id, message.field2));
        EndMatch();
    }
}

void ServerSession::EndMatch()
{
    match_state = MATCH_IDLE;
    if (referee) {
        referee->EndMatch();
    }
}

bool ServerSession::Passes(int id, std::optional<Offence> verdict)
{
    if (!verdict) {
        if (const int unreported = referee->EndRun(id); unreported > 0) {
            observer->OnDropsUnreported(id, NameOf(id), unreported);
        }
        return true;
    }
    if (referee->ReportDrop(id, *verdict)) {
        observer->OnDropped(id, NameOf(id), *verdict);
    }
    return false;
}

bool ServerSession::PlaysInMatch(int id) const
{
    const auto end = match_order.begin() + player_count;
    return std::find(match_order.begin(), end, id) != end;
}

const std::string& ServerSession::NameOf(int id) const
{
    return IsSlotId(id) ? names[static_cast<std::size_t>(id)] : NO_NAME;
}

// Sending

void ServerSession::Deliver(int id, std::string_view text)
{
    if (IsSlotId(id) && greeted[static_cast<std::size_t>(id)]) {
        SendTo(id, text);
    }
}

void ServerSession::DeliverToAll(std::string_view text)
{
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        Deliver(id, text);
    }
}

void ServerSession::DeliverToAllExcept(int except, std::string_view text)
{
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        if (id != except) {
            Deliver(id, text);
        }
    }
}

} // namespace pyrandel
