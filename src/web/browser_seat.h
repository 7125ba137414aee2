#pragma once
// A browser's seat in a room: a player's program that runs inside the host, like a computer player (its own
// Board, ClientSession and ClientView), with the person at a page instead of the engine. As the view, it turns the
// session's calls into events for the page (page_messages.h) and keeps what the page needs to draw itself from
// nothing, so a page that comes (back) gets a snapshot and then only changes. The page's intents become the calls
// a lobby and a battle window make. The rules, the texts and code page 932 stay here: the page applies none.
//
// A seat outlives its page: while none is attached the session goes on applying the host's lines, and the owner
// lets the seat leave after its grace time (web_front.h). The "勝負あり！" box holds the host's further lines, as
// the desktop program's does, until the page dismisses it or the seat leaves.
//
// Threads. The session's connection thread calls the view; the two posted commands, the battle window's close
// and every intent that plays run on the seat's own command thread, in order, as a person's window thread would
// run them. Intents arrive on the web thread and only queue work (the box's dismissal aside, which must reach a
// held connection thread). One lock guards the seat's state; it is held while an event is handed to the page,
// which only queues it, so events reach the page in the order the state changed. The destructor joins every
// thread of the seat.

#include "client/client_session.h"
#include "client/client_view.h"
#include "game/board.h"
#include "web/page_link.h"
#include "web/page_messages.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pyrandel {

class Engine;

// What a seat tells its owner; both are called on a thread of the seat and must not wait for another thread.
struct SeatHooks {
    std::function<void()> ended;        // the connection is over (once); the seat has nothing more to do
    std::function<void()> room_changed; // the participant list changed, or the seat connected
};

class BrowserSeat final : public ClientView {
public:
    // `name` is code page 932, checked for the wire.
    BrowserSeat(std::string token, std::string name, SeatHooks hooks);
    // Leaves the host, releases a held box, and joins the seat's threads.
    ~BrowserSeat();
    BrowserSeat(const BrowserSeat&) = delete;
    BrowserSeat& operator=(const BrowserSeat&) = delete;

    // Connection
    // Starts joining the host; false when it could not even start.
    [[nodiscard]] bool Connect(std::string_view host, int port);
    // Closes the connection without waiting (any thread); the seat then ends.
    void Leave();
    [[nodiscard]] const std::string& token() const { return token_; }
    [[nodiscard]] bool connected() const;
    [[nodiscard]] int listed() const;

    // Page (web thread)
    // From now on events go to `link`, starting with the whole snapshot.
    void Attach(std::shared_ptr<PageLink> link);
    // No page is there any more; events until the next Attach are not sent.
    void Detach();
    // Whether "CPU参加" may seat a computer player now, as the owner works it out.
    void SetComputerAllowed(bool allowed);

    // Intents (web thread): each plays as the desktop's control would, or is refused with a notice
    void Chat(std::string_view utf8);
    void StartMatch();
    void Drop(int lane);
    void Hint();
    void CloseBattle();
    void DismissBox();
    // A notice to the page (the owner's refusals).
    void Notify(std::string_view cp932);

    // What it shows (tests)
    [[nodiscard]] Grid Cells() const { return board.Snapshot(); }

private:
    using Work = std::function<void(std::stop_token)>;

    // ClientView
    [[nodiscard]] std::string PlayerName() override;
    void AppendChat(std::string_view text) override;
    void AddParticipant(std::string_view name, int id) override;
    void RemoveParticipant(int id) override;
    void ClearParticipants() override;
    void ResetMatchButtons() override;
    void ShowStatus(std::string_view text) override;
    void Connected() override;
    void ConnectionEnded(ConnectionEnd how) override;
    void PostCommand(int command, int param) override;
    void OpenBattleWindow(int colour, BattleEvents& events) override;
    [[nodiscard]] bool IsBattleWindowOpen() override;
    void CloseBattleWindow() override;
    void RepaintBattleWindow() override;
    void SetBattleIcon(int colour) override;
    void DrawCell(int col, int row) override;
    void DrawMarker(int col, int row) override;
    void Announce(BattleAnnouncement what) override;
    void ShowMessageBox(std::string_view text) override;

    // The lock is held for these
    void Emit(std::string event);
    // Sends what changed on the board since it was last sent.
    void SyncBoard();
    [[nodiscard]] BoardView CurrentBoard() const;
    void NotifyLocked(std::string_view cp932);

    // Command thread
    void Enqueue(Work work);
    void RunCommands(std::stop_token stop);
    // The battle window closes as `how` says, if window `window` is still the one open.
    void CloseWindow(std::uint64_t window, BattleClose how);

    const std::string token_;
    const std::string name;
    const SeatHooks hooks;

    mutable std::mutex lock; // guards every member below up to `board`
    std::condition_variable_any wake;
    std::shared_ptr<PageLink> page;
    std::deque<Work> queue;
    bool leaving = false;
    bool connected_ = false;
    bool ended = false;
    std::vector<RosterEntry> participants; // code page 932 names, in list order
    std::deque<std::string> chat;          // UTF-8 lines
    std::size_t chat_bytes = 0;            // as the desktop's log counts them: code page 932, CR LF each
    std::string status;                    // code page 932
    bool window_open = false;
    int window_colour = 0;
    std::uint64_t window_number = 0;
    BattleEvents* window_events = nullptr;
    std::optional<Cell> marker;
    std::optional<BattleAnnouncement> announced;
    std::optional<std::string> box; // UTF-8, while shown
    std::uint64_t boxes = 0;        // counts the boxes shown
    bool may_add_computer = false;
    BoardView sent;             // the board as the page was last told it
    bool board_changed = false; // by the command thread's work in hand, told when it is done

    std::unique_ptr<Engine> hint_engine; // command thread only, made at the first hint
    Board board;
    ClientSession session;
    std::jthread commands;
};

} // namespace pyrandel
