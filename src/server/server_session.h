#pragma once
// The game host: a ListenServer with four slots that admits participants, relays their chat, runs matches
// (draw of turn order and colours, relay of moves, turns, end) and announces everything in every player's
// chat.
//
// The host keeps each slot's recorded name and its own roster of who is present (from NEW_C and departures, in
// the order the players' lists show), which its greetings and draws read. As the desktop program's host it keeps
// no board and checks no move: peers are trusted to play by the rules. A refereeing host (pyrandel-host) lets a
// Referee judge every move, start and chat line first, and drops what it refuses (see referee.h).
//
// Threads: OnConnect, OnLine and OnDisconnect run on the slots' threads, OnRefuse and OnListenEnd on the
// accepting thread. One lock is held around the whole of each callback that touches the host's fields, so the
// lines of one callback leave in order and no two callbacks interleave. Sending only queues a line for each
// connection's own writer, so the lock is never held while a peer is waited for. The lock is never held while the
// stopped handler runs, so that handler may call Close().

#include "net/listen_server.h"
#include "protocol/messages.h"
#include "server/random_generator.h"
#include "server/referee.h"
#include "server/roster.h"
#include "server/server_observer.h"

#include <array>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace pyrandel {

inline constexpr int PLAYER_SLOTS = 4; // participants served at once, the host's own player included
inline constexpr int LISTEN_BACKLOG = 5;
// A player's program sends NEW_C as soon as it is greeted; a connection still without a name after this long
// only holds a seat, and is closed (and its departure announced) to free it.
inline constexpr std::chrono::milliseconds UNNAMED_SEAT_LIMIT = std::chrono::seconds(30);

// match_state
inline constexpr int MATCH_IDLE = 1;    // no match
inline constexpr int MATCH_RUNNING = 2; // a match is being played
inline constexpr int MATCH_DECIDED = 3; // a player has reported a win; no more turns are handed out

// Whether the host trusts its peers (the desktop program's host) or referees them (a room open to strangers).
enum class Refereeing { TRUSTING, REFEREED };

class ServerSession final : public ListenServer {
public:
    explicit ServerSession(RandomGenerator& random);
    ~ServerSession() override;

    // The lobby's reaction to the host having stopped (HostStopped). Called on the accepting thread after
    // every connection and the listening socket are closed; it must not wait for the server's threads, but
    // may call Close(). Not called for the stop that destruction causes.
    void SetStoppedHandler(std::function<void()> handler);
    // Where events are reported; set before listening. The observer must outlive the host's threads.
    void SetObserver(ServerObserver& events);
    // Set before listening; a host trusts its peers until told otherwise. `now` paces the chat of a refereed
    // room (the steady clock when not given).
    void SetRefereeing(Refereeing mode, Referee::Now now = {});

private:
    // Callbacks of ListenServer
    void OnConnect(int id) override;
    void OnLine(int id, const char* line) override;
    void OnDisconnect(int id, DisconnectReason reason) override;
    void OnRefuse(TcpSocket& incoming) override;
    void OnListenEnd() override;

    // A player's messages, one for each of protocol::FromPlayer
    void Handle(int id, const protocol::NewClientLine& message);
    void Handle(int id, const protocol::ChatLine& message);
    void Handle(int id, const protocol::StartMatchLine& message);
    void Handle(int id, const protocol::PlotLine& move);
    void Handle(int id, const protocol::EndMatchLine& message);

    // Match control
    [[nodiscard]] bool PlaysInMatch(int id) const;
    // The match ends without a winner.
    void EndMatch();

    // Refereeing: whether a line of `id` with this verdict goes on. A dropped line is reported, the first of
    // each kind in a run; a line that goes on ends the run, and the drops left unreported in it are counted.
    [[nodiscard]] bool Passes(int id, std::optional<Offence> verdict);

    // Sending, to greeted connections only: a connection's first line is its ID, so a line broadcast while a
    // newcomer sits in its slot but has not been greeted yet is not for it (its greeting lists who is there).
    void Deliver(int id, std::string_view text);
    void DeliverToAll(std::string_view text);
    void DeliverToAllExcept(int id, std::string_view text);
    [[nodiscard]] const std::string& NameOf(int id) const;

    RandomGenerator& random;

    mutable std::mutex lock;                     // guards every member below
    std::array<std::string, PLAYER_SLOTS> names; // per slot: empty when free, "?" until NEW_C, then the name
    Roster roster;                               // those who have sent NEW_C, in the players' list order
    ServerObserver* observer;                    // never null: a do-nothing observer until one is set
    std::array<bool, PLAYER_SLOTS> greeted{};    // per slot: the connection has had its greeting
    std::array<int, PLAYER_SLOTS> match_order{}; // ids of the current or last match in turn order
    int turn = 0;                                // index into match_order of who was last given the turn
    int player_count = 0;                        // valid entries of match_order
    int match_state = MATCH_IDLE;
    std::optional<Referee> referee; // only in a refereed room
    std::function<void()> stopped_handler;
};

} // namespace pyrandel
