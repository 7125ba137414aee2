#include "bot/computer_player.h"

#include "protocol/messages.h"

#include <algorithm>
#include <random>
#include <utility>

namespace pyrandel {

namespace {

constexpr std::size_t ROOM_LIMIT = 64;

[[nodiscard]] std::uint64_t SeedOrRandom(std::uint64_t seed)
{
    if (seed != 0) {
        return seed;
    }
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

} // namespace

ComputerPlayer::ComputerPlayer(ComputerPlayerOptions options)
    : options(std::move(options)), engine(this->options.level, SeedOrRandom(this->options.seed)), board(*this),
      session(board, *this), commands([this](std::stop_token stop) { RunCommands(std::move(stop)); })
{
}

ComputerPlayer::~ComputerPlayer()
{
    session.Shutdown();
    {
        const std::lock_guard guard(lock);
        InterruptMove();
    }
    commands.request_stop();
    commands.join();
}

// Connection

bool ComputerPlayer::Connect(std::string_view host, int port)
{
    {
        const std::lock_guard guard(lock);
        if (used) {
            return false;
        }
        used = true;
    }
    if (!session.Connect(host, port)) {
        const std::lock_guard guard(lock);
        end = ComputerEnding::CONNECT_FAILED;
        wake.notify_all();
        return false;
    }
    return true;
}

void ComputerPlayer::Leave()
{
    {
        const std::lock_guard guard(lock);
        left = true;
    }
    session.Close();
}

bool ComputerPlayer::Active() const
{
    const std::lock_guard guard(lock);
    return !left && end == ComputerEnding::RUNNING;
}

bool ComputerPlayer::WaitUntilEnded(std::chrono::milliseconds limit)
{
    std::unique_lock guard(lock);
    return wake.wait_for(guard, limit, [this] { return end != ComputerEnding::RUNNING; });
}

ComputerEnding ComputerPlayer::ending() const
{
    const std::lock_guard guard(lock);
    return end;
}

bool ComputerPlayer::InMatch() const
{
    const std::lock_guard guard(lock);
    return window_open;
}

int ComputerPlayer::moves_made() const
{
    const std::lock_guard guard(lock);
    return moves;
}

int ComputerPlayer::matches_started() const
{
    const std::lock_guard guard(lock);
    return matches;
}

std::vector<int> ComputerPlayer::turn_order() const
{
    const std::lock_guard guard(lock);
    return order;
}

std::string ComputerPlayer::Status() const
{
    const std::lock_guard guard(lock);
    return status;
}

// ClientView

std::string ComputerPlayer::PlayerName()
{
    return options.name;
}

void ComputerPlayer::AppendChat(std::string_view text)
{
    // The host announces each player's colour, in turn order, before it sends the start. Nothing else tells a
    // player who plays after whom, and the engine plays better for knowing it.
    if (const auto announcement = protocol::ReadColourAnnouncement(text)) {
        const std::lock_guard guard(lock);
        announced.push_back(announcement->colour);
    }
}

// Who is present does not change how it plays; its owner may want to know.
void ComputerPlayer::AddParticipant(std::string_view, int id)
{
    {
        const std::lock_guard guard(lock);
        // A participant repeating its NEW_C is listed again each time; the list stays bounded all the same.
        if (present.present.size() >= ROOM_LIMIT) {
            return;
        }
        present.present.push_back(id);
        // The host greets with the ID line before any ADD, so the own id is known when the own entry comes.
        if (!present.own_id && id == session.my_id()) {
            present.own_id = id;
        }
    }
    if (room_handler) {
        room_handler();
    }
}

void ComputerPlayer::RemoveParticipant(int id)
{
    {
        const std::lock_guard guard(lock);
        const auto found = std::find(present.present.begin(), present.present.end(), id);
        if (found == present.present.end()) {
            return;
        }
        present.present.erase(found);
    }
    if (room_handler) {
        room_handler();
    }
}

void ComputerPlayer::ClearParticipants()
{
    {
        const std::lock_guard guard(lock);
        present.present.clear();
    }
    if (room_handler) {
        room_handler();
    }
}

ComputerPlayer::Room ComputerPlayer::room() const
{
    const std::lock_guard guard(lock);
    return present;
}

void ComputerPlayer::ResetMatchButtons()
{
}

void ComputerPlayer::ShowStatus(std::string_view text)
{
    const std::lock_guard guard(lock);
    status = std::string(text);
}

void ComputerPlayer::Connected()
{
    const std::lock_guard guard(lock);
    connected = true;
}

void ComputerPlayer::ConnectionEnded(ConnectionEnd)
{
    // However it ended, a person could press "connect" again; a computer player is done.
    const std::lock_guard guard(lock);
    end = connected ? ComputerEnding::DISCONNECTED : ComputerEnding::CONNECT_FAILED;
    InterruptMove();
    wake.notify_all();
}

void ComputerPlayer::PostCommand(int command, int param)
{
    std::unique_lock guard(lock);
    if (command == CMD_START_MATCH) {
        // The announcements of this match came in just before its start, on the same connection.
        std::vector<int> heard = std::exchange(announced, {});
        ++match_epoch;
        InterruptMove();
        const std::uint64_t ticket = ++starts_posted;
        queue.push_back([this, param, heard = std::move(heard), ticket](std::stop_token) {
            {
                const std::lock_guard inner(lock);
                order = heard;
                ++matches;
            }
            (void)session.HandleCommand(CMD_START_MATCH, param);
            const std::lock_guard inner(lock);
            starts_handled = ticket;
            wake.notify_all();
        });
        wake.notify_all();
        // The next lines may be the first balls of this match, put on the board by this thread: they must not
        // land before the start has emptied it. The command thread never waits for this one, and its own work
        // is short once the move in hand has been interrupted, so this wait is brief and cannot deadlock.
        wake.wait(guard, [&] { return starts_handled >= ticket || commands_done; });
        return;
    }
    if (command == CMD_YOUR_TURN) {
        // The turn belongs to the match open now; if that one ends before the turn is handled, no move is made.
        const std::uint64_t match = match_epoch;
        guard.unlock();
        Enqueue([this, match](std::stop_token stop) {
            (void)session.HandleCommand(CMD_YOUR_TURN, 0);
            // The session grants no turn of a match that has ended, and then there is nothing to think about.
            if (board.may_place()) {
                Play(match, stop);
            }
        });
        return;
    }
    guard.unlock();
    Enqueue([this, command, param](std::stop_token) { (void)session.HandleCommand(command, param); });
}

void ComputerPlayer::OpenBattleWindow(int, BattleEvents& events)
{
    const std::lock_guard guard(lock);
    window_open = true;
    window_events = &events;
    ++window_number;
}

bool ComputerPlayer::IsBattleWindowOpen()
{
    const std::lock_guard guard(lock);
    return window_open;
}

void ComputerPlayer::CloseBattleWindow()
{
    std::uint64_t window = 0;
    {
        const std::lock_guard guard(lock);
        if (!window_open) {
            return;
        }
        ++match_epoch;
        InterruptMove();
        window = window_number;
    }
    // Handled on the command thread in order with the commands, as a posted close is by a window; a request
    // left over from an earlier window never closes a later one.
    Enqueue([this, window](std::stop_token) {
        BattleEvents* events = nullptr;
        {
            const std::lock_guard guard(lock);
            if (!window_open || window_number != window) {
                return;
            }
            events = std::exchange(window_events, nullptr);
            window_open = false;
        }
        events->CloseRequested(BattleClose::PROGRAM);
    });
}

void ComputerPlayer::RepaintBattleWindow()
{
}

void ComputerPlayer::SetBattleIcon(int)
{
}

void ComputerPlayer::DrawCell(int, int)
{
}

void ComputerPlayer::DrawMarker(int, int)
{
}

// Nobody is there to dismiss a box; a held connection thread would stall the whole game.
void ComputerPlayer::ShowMessageBox(std::string_view)
{
}

// Command thread

void ComputerPlayer::Enqueue(Work work)
{
    const std::lock_guard guard(lock);
    queue.push_back(std::move(work));
    wake.notify_all();
}

void ComputerPlayer::RunCommands(std::stop_token stop)
{
    for (;;) {
        Work work;
        {
            std::unique_lock guard(lock);
            if (!wake.wait(guard, stop, [this] { return !queue.empty() || end != ComputerEnding::RUNNING; }) ||
                queue.empty()) {
                // Stopped, or the connection has ended and nothing is left to do.
                commands_done = true;
                wake.notify_all();
                return;
            }
            work = std::move(queue.front());
            queue.pop_front();
        }
        work(stop);
    }
}

void ComputerPlayer::InterruptMove()
{
    move_stop.request_stop();
    wake.notify_all();
}

bool ComputerPlayer::MatchStillOn(std::uint64_t match) const
{
    return match_epoch == match && window_open && end == ComputerEnding::RUNNING;
}

void ComputerPlayer::Play(std::uint64_t match, std::stop_token stop)
{
    std::stop_token thinking;
    {
        std::unique_lock guard(lock);
        move_stop = std::stop_source();
        thinking = move_stop.get_token();
        // A person takes a moment too; the wait ends early when the move no longer counts.
        wake.wait_for(guard, stop, options.pause, [&] { return !MatchStillOn(match); });
        if (stop.stop_requested() || !MatchStillOn(match)) {
            return;
        }
    }
    const std::stop_callback shutdown(stop, [this] {
        const std::lock_guard guard(lock);
        InterruptMove();
    });
    const Seating seating{board.own_colour(), turn_order()};
    const std::optional<int> lane = engine.ChooseLane(board.Snapshot(), seating, thinking);
    BattleEvents* events = nullptr;
    {
        const std::lock_guard guard(lock);
        if (!MatchStillOn(match)) {
            return; // a move for a match that is over would be taken as one in the next
        }
        if (!lane) {
            // No lane takes a ball: a person would give up and close the window, which tells the host.
            events = std::exchange(window_events, nullptr);
            window_open = false;
            ++match_epoch;
        }
    }
    if (!lane) {
        events->CloseRequested(BattleClose::CLOSE_BOX);
        return;
    }
    // The same two calls as a person's pointer and click: the Board applies the support rule to the drop.
    session.PointAt(lane);
    session.Drop(lane);
    // Counted once the move is on its way to the host.
    const std::lock_guard guard(lock);
    ++moves;
}

} // namespace pyrandel
