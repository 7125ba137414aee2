#pragma once
// A computer player: a whole player's side of the protocol (its own Board and ClientSession) over a headless
// view, with the engine taking the place of the person at the battle window. It joins a host exactly as a
// person's program does and plays through the same calls a click makes, so the support rule is applied to its
// drops by the Board and every line it sends is one the desktop program could have sent.
//
// Threads. The session's connection thread calls the view; the posted commands and the battle window's close
// run on the player's own command thread, in posting order, as a person's window thread would run them.
// The pause before a move and the search both run on the command thread and end early when the match they
// were for is over (a new start, the window closing) or the player is shutting down. One wait crosses threads:
// the connection thread holds a match start until the command thread has emptied the board for it, so the
// first balls of the match cannot land before that and be wiped. The destructor joins both threads.
//
// It never reconnects: once its connection has ended (the host went away, refused it, or Leave), it is done.

#include "ai/engine.h"
#include "client/client_session.h"
#include "client/client_view.h"
#include "game/board.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pyrandel {

inline constexpr std::chrono::milliseconds HUMAN_PAUSE{500};
// The engine level a computer player plays at unless told otherwise (Engine::MIN_LEVEL to MAX_LEVEL).
inline constexpr int DEFAULT_COMPUTER_LEVEL = 3;

struct ComputerPlayerOptions {
    std::string name = "CPU1";                     // code page 932 bytes, at most FIELD_READ_BYTES used
    int level = DEFAULT_COMPUTER_LEVEL;            // see Engine
    std::chrono::milliseconds pause = HUMAN_PAUSE; // before each move, so people can follow the game
    std::uint64_t seed = 0;                        // 0: a seed of the system's choosing
};

// How a computer player's connection went.
enum class ComputerEnding { RUNNING, CONNECT_FAILED, DISCONNECTED };

class ComputerPlayer final : public ClientView {
public:
    explicit ComputerPlayer(ComputerPlayerOptions options);
    // Leaves the host, stops any pause or search, and joins its threads; never hangs.
    ~ComputerPlayer();
    ComputerPlayer(const ComputerPlayer&) = delete;
    ComputerPlayer& operator=(const ComputerPlayer&) = delete;

    // Connection
    // Starts joining the host; false when it could not even start, or when this player has connected before.
    [[nodiscard]] bool Connect(std::string_view host, int port);
    // Closes the connection from any thread without waiting; the player then ends.
    void Leave();
    // True once the connection has ended (or failed), waiting at most `limit`.
    [[nodiscard]] bool WaitUntilEnded(std::chrono::milliseconds limit);
    [[nodiscard]] ComputerEnding ending() const;
    // Neither told to leave nor ended.
    [[nodiscard]] bool Active() const;

    // What it sees (status and tests)
    [[nodiscard]] const std::string& name() const { return options.name; }
    [[nodiscard]] int level() const { return options.level; }
    [[nodiscard]] Grid Cells() const { return board.Snapshot(); }
    [[nodiscard]] int own_colour() const { return board.own_colour(); }
    [[nodiscard]] bool InMatch() const;
    [[nodiscard]] int moves_made() const;
    [[nodiscard]] int matches_started() const;
    // The colours of the current match in turn order, as the host announced them (empty when not heard).
    [[nodiscard]] std::vector<int> turn_order() const;
    [[nodiscard]] std::string Status() const;

    // Who is present
    // The ids of the room as this player has been told them, and its own id once the host has listed it.
    struct Room {
        std::vector<int> present;
        std::optional<int> own_id;
    };
    [[nodiscard]] Room room() const;
    // Called on the connection thread after each change of the room; set before Connect. It must not wait for
    // another thread. An owner uses it to let its computer players go when no person is left.
    void SetRoomHandler(std::function<void()> handler) { room_handler = std::move(handler); }

private:
    using Work = std::function<void(std::stop_token)>;

    // ClientView, called by the session from its connection thread or the command thread
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
    void ShowMessageBox(std::string_view text) override;

    // Command thread
    void Enqueue(Work work);
    void RunCommands(std::stop_token stop);
    // The turn granted while match `match` was open: pause, choose a lane, drop, unless the match is over.
    void Play(std::uint64_t match, std::stop_token stop);
    // Ends the pause and the search of a move that no longer counts; the lock is held.
    void InterruptMove();
    [[nodiscard]] bool MatchStillOn(std::uint64_t match) const; // the lock is held

    const ComputerPlayerOptions options;

    mutable std::mutex lock; // guards every member below up to `engine`
    std::condition_variable_any wake;
    std::deque<Work> queue;
    std::uint64_t match_epoch = 0; // changes whenever a match starts or its window closes
    std::uint64_t starts_posted = 0;
    std::uint64_t starts_handled = 0;
    bool commands_done = false; // the command thread has ended
    std::stop_source move_stop; // the move being thought about
    bool window_open = false;
    std::uint64_t window_number = 0; // counts the battle windows opened
    BattleEvents* window_events = nullptr;
    std::vector<int> announced; // colours announced since the last start, in turn order
    std::vector<int> order;     // the current match's turn order
    std::string status;
    Room present;
    int moves = 0;
    int matches = 0;
    bool used = false;
    bool left = false;
    bool connected = false;
    ComputerEnding end = ComputerEnding::RUNNING;

    std::function<void()> room_handler; // set before Connect, called on the connection thread
    Engine engine;                      // command thread only
    Board board;
    ClientSession session;
    std::jthread commands;
};

} // namespace pyrandel
