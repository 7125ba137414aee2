#pragma once
// The player's side of the protocol: one connection to a host, reused for every connection of the run. It
// announces the player's name, keeps the lobby's participant list and chat log up to date from the host's lines,
// sends chat and moves, and runs the player's side of a match on the Board through the battle window.
//
// Threads: OnConnect, OnLine and OnDisconnect (or OnConnectFailed) run on the connection thread; the start of a
// match and the turn grant are posted to the window thread (HandleCommand) so that the modal battle window and
// the permission to place are only ever touched there. Other players' balls and the end of a match are handled
// on the connection thread directly; the Board takes its own lock. Lines go out from both threads.
//
// Ended matches stay ended. A posted start or turn may still wait for the window thread when the host ends its
// match (a player left a moment after the start), and the end's close then finds no window to close. So the
// session numbers the matches: the connection thread counts every start and marks the matches that are over (the
// host's END_VS, with or without fields, and the end of the connection), the window thread marks the match it
// shows as over when the player leaves it, and HandleCommand drops a start or a turn whose match is over. A start
// that slips past that test just as the end is handled opens a window the end could not see; the end therefore
// also posts CMD_MATCH_OVER, which reaches the window thread behind that start and closes such a window.

#include "client/client_view.h"
#include "game/battle_events.h"
#include "game/board.h"
#include "net/connect_client.h"
#include "protocol/messages.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

namespace pyrandel {

enum class TellHost { NO, YES };

// The chat line that tells the player why a connection could not be made; empty for one the player called off.
[[nodiscard]] std::string_view ConnectFailureText(ConnectFailure reason);

class ClientSession final : public ConnectClient, public BattleEvents {
public:
    ClientSession(Board& board, ClientView& view);
    ~ClientSession() override;

    // Connecting
    // Starts a connection (see ConnectClient::Connect).
    bool Connect(std::string_view host, int port);
    // The lobby ends the connection or the attempt; the view hears of its end as ConnectionEnd::CLOSED.
    void Disconnect();

    // Sending (window thread)
    // Shows "name : text" in the own chat log at once, then sends it; the host's relay of it is not shown.
    void SendChat(std::string_view text);
    void SendStart(int count);
    void SendPlot(int colour, int col, int row, int win, int left);

    // Match flow
    // The player leaves the match the window thread shows (window thread): closes the battle window, empties
    // the board, writes the end texts; a start or turn of that match still waiting is dropped.
    void LeaveMatch(TellHost tell);
    // Another player's ball (connection thread). Own-colour balls are on the board already and are dropped.
    void ApplyRemotePlot(int colour, int col, int row);
    // Window thread: the match begins with `colour` (0..3); opens the battle window, or refreshes the open one.
    void StartMatch(int colour);
    // Window thread: runs a command posted through ClientView::PostCommand. False for any other command.
    bool HandleCommand(int command, int param);

    // Hints
    // Suggests a lane for `own_colour` on `cells`, or nothing; runs on the window thread. Set at wiring, before
    // the session connects; without one, Hint does nothing.
    using HintSource = std::function<std::optional<int>(const Grid& cells, int own_colour)>;
    void SetHintSource(HintSource source) { hint_source = std::move(source); }

    // The id the host gave this player (0 before the first ID line; kept after the connection ends).
    [[nodiscard]] int my_id() const { return my_id_.load(std::memory_order_acquire); }

    // Battle window events (window thread)
    void PointAt(std::optional<int> lane) override;
    void Drop(std::optional<int> lane) override;
    void CloseRequested(BattleClose how) override;
    [[nodiscard]] Grid Cells() const override;
    // The own colour's latest ball is left unmarked: the player knows where it went.
    [[nodiscard]] BoardMarks Marks() const override;
    void Hint() override;

private:
    // Callbacks of ConnectClient (connection thread)
    void OnConnect() override;
    void OnLine(const char* line) override;
    void OnDisconnect() override;
    void OnConnectFailed(ConnectFailure reason) override;

    // The host's messages, one for each of protocol::FromHost (connection thread)
    void Handle(const protocol::IdLine& message);
    void Handle(const protocol::AddLine& message);
    void Handle(const protocol::DelLine& message);
    void Handle(const protocol::MsgLine& message);
    void Handle(const protocol::ChatRelayLine& message);
    void Handle(const protocol::MatchStartLine& message);
    void Handle(const protocol::CanPutLine& message);
    void Handle(const protocol::PlotLine& move);
    void Handle(const protocol::EndMatchLine& message);

    // Whether the attempt whose last callback runs now was ended through Disconnect (connection thread).
    [[nodiscard]] bool EndingAttemptWasClosed();

    // Matches
    // The host ended the match, or the connection did (connection thread): every match begun so far is over.
    void MatchEndedByHost();
    // The leave itself, from either thread, once the ended matches are marked.
    void Leave(TellHost tell);
    void EndMatchesThrough(int match);
    [[nodiscard]] bool IsOver(int match) const { return match <= matches_ended.load(std::memory_order_acquire); }

    Board& board;
    ClientView& view;
    std::atomic<int> my_id_{0};
    std::atomic<int> attempts_started{0};
    std::atomic<int> attempt_closed{0}; // the latest attempt started when Disconnect was last called
    int attempts_ended = 0;             // connection thread only
    std::atomic<int> matches_begun{0};  // STARTVS lines received; the connection thread counts them
    std::atomic<int> matches_ended{0};  // every match up to this number is over
    int match_shown = 0;                // window thread only: the match of the latest start handed back
    HintSource hint_source;
};

} // namespace pyrandel
