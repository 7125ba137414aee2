#include "web/browser_seat.h"

#include "ai/engine.h"
#include "protocol/messages.h"
#include "protocol/player_name.h"
#include "server/server_session.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <algorithm>
#include <random>
#include <utility>

namespace pyrandel {

namespace {

// Quick enough to answer a key press at once, as the desktop's hint.
constexpr int HINT_LEVEL = 3;
// The desktop's chat log rule (app/chat_log.h): once it holds this many bytes, the next line replaces it all.
constexpr std::size_t CHAT_CAPACITY = 32000;
constexpr std::size_t PARTICIPANT_BOUND = 64;

[[nodiscard]] std::string Utf8(std::string_view cp932)
{
    return Cp932ToUtf8(cp932);
}

[[nodiscard]] std::string_view AnnouncementName(BattleAnnouncement what)
{
    return what == BattleAnnouncement::YOUR_TURN ? "your_turn" : "you_win";
}

[[nodiscard]] std::string_view AnnouncementText(BattleAnnouncement what)
{
    return what == BattleAnnouncement::YOUR_TURN ? texts::STATUS_YOUR_TURN : texts::STATUS_YOU_WIN;
}

[[nodiscard]] bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

} // namespace

BrowserSeat::BrowserSeat(std::string token, std::string name, SeatHooks hooks)
    : token_(std::move(token)), name(std::move(name)), hooks(std::move(hooks)), board(*this), session(board, *this),
      commands([this](std::stop_token stop) { RunCommands(std::move(stop)); })
{
    session.SetHintSource([this](const Grid& cells, int own_colour) -> std::optional<int> {
        if (!hint_engine) {
            hint_engine = std::make_unique<Engine>(HINT_LEVEL, std::random_device{}());
        }
        // A seat that is going away does not finish its search.
        return hint_engine->ChooseLane(cells, Seating{own_colour, {}}, commands.get_stop_token());
    });
}

BrowserSeat::~BrowserSeat()
{
    {
        const std::lock_guard guard(lock);
        leaving = true;
        page.reset();
        wake.notify_all();
    }
    session.Shutdown();
    commands.request_stop();
    commands.join();
}

// Connection

bool BrowserSeat::Connect(std::string_view host, int port)
{
    {
        const std::lock_guard guard(lock);
        status = std::string(texts::STATUS_CONNECTING);
        Emit(StatusEvent(Utf8(status)));
    }
    return session.Connect(host, port);
}

void BrowserSeat::Leave()
{
    {
        const std::lock_guard guard(lock);
        leaving = true;
        wake.notify_all(); // a held box lets go
    }
    session.Disconnect();
}

bool BrowserSeat::connected() const
{
    const std::lock_guard guard(lock);
    return connected_;
}

int BrowserSeat::listed() const
{
    const std::lock_guard guard(lock);
    return static_cast<int>(participants.size());
}

// Page

void BrowserSeat::Attach(std::shared_ptr<PageLink> link)
{
    const std::lock_guard guard(lock);
    page = std::move(link);
    SeatSnapshot snapshot;
    snapshot.token = token_;
    snapshot.name = Utf8(name);
    snapshot.connected = connected_;
    for (const RosterEntry& entry : participants) {
        snapshot.participants.push_back({entry.id, Utf8(entry.name)});
    }
    snapshot.chat = chat;
    snapshot.status = Utf8(status);
    snapshot.battle_open = window_open;
    snapshot.colour = window_colour;
    sent = CurrentBoard();
    snapshot.board = sent;
    snapshot.marker = marker;
    if (announced) {
        snapshot.announced = std::string(AnnouncementName(*announced));
    }
    snapshot.box = box;
    snapshot.may_add_computer = may_add_computer;
    Emit(SnapshotEvent(snapshot));
}

void BrowserSeat::Detach()
{
    const std::lock_guard guard(lock);
    page.reset();
}

void BrowserSeat::SetComputerAllowed(bool allowed)
{
    const std::lock_guard guard(lock);
    if (allowed != may_add_computer) {
        may_add_computer = allowed;
        Emit(ComputerEvent(allowed));
    }
}

// Intents

void BrowserSeat::Chat(std::string_view utf8)
{
    const std::lock_guard guard(lock);
    if (HasControlCharacter(utf8)) {
        NotifyLocked(texts::NOTICE_CONTROL_CHARACTER);
        return;
    }
    std::optional<std::string> cp932 = Utf8ToCp932Strict(utf8);
    if (!cp932) {
        // Nothing goes out: a "?" in place of what the person typed would say something else.
        NotifyLocked(texts::NOTICE_NOT_CP932);
        return;
    }
    if (!connected_) {
        NotifyLocked(texts::NOTICE_NOT_CONNECTED);
        return;
    }
    // The desktop's field holds more than a line takes; the logic reads its first FIELD_READ_BYTES.
    std::string line(Cp932Prefix(*cp932, FIELD_READ_BYTES));
    queue.push_back([this, line = std::move(line)](std::stop_token) { session.SendChat(line); });
    wake.notify_all();
}

void BrowserSeat::StartMatch()
{
    Enqueue([this](std::stop_token) {
        if (!session.SendLine(protocol::StartMatch())) {
            const std::lock_guard guard(lock);
            NotifyLocked(texts::NOTICE_NOT_CONNECTED);
        }
    });
}

void BrowserSeat::Drop(int lane)
{
    Enqueue([this, lane](std::stop_token) {
        {
            const std::lock_guard guard(lock);
            // Refused here, so nothing reaches the host: the Board would put a ball meant for a full lane on the
            // marker instead, and no ball goes out of turn.
            if (!window_open || !board.may_place()) {
                NotifyLocked(texts::NOTICE_NOT_YOUR_TURN);
                return;
            }
            if (!LandingSpot(board.Snapshot(), lane)) {
                NotifyLocked(texts::NOTICE_LANE_FULL);
                return;
            }
        }
        // The desktop's click over the lane: the Board applies the support rule to the drop. (The page showed the
        // marker itself; the lane has a spot, so the Board needs no remembered one.)
        session.Drop(lane);
    });
}

void BrowserSeat::Hint()
{
    Enqueue([this](std::stop_token) { session.Hint(); });
}

void BrowserSeat::CloseBattle()
{
    std::uint64_t window = 0;
    {
        const std::lock_guard guard(lock);
        if (!window_open) {
            NotifyLocked(texts::NOTICE_NO_MATCH);
            return;
        }
        window = window_number;
    }
    Enqueue([this, window](std::stop_token) { CloseWindow(window, BattleClose::CLOSE_BOX); });
}

void BrowserSeat::DismissBox()
{
    const std::lock_guard guard(lock);
    if (box) {
        box.reset();
        Emit(BoxEvent(std::nullopt));
        wake.notify_all();
    }
}

void BrowserSeat::Notify(std::string_view cp932)
{
    const std::lock_guard guard(lock);
    NotifyLocked(cp932);
}

// ClientView

std::string BrowserSeat::PlayerName()
{
    return name;
}

void BrowserSeat::AppendChat(std::string_view text)
{
    const std::lock_guard guard(lock);
    const bool replace = chat_bytes >= CHAT_CAPACITY;
    if (replace) {
        chat.clear();
        chat_bytes = 0;
    }
    chat.push_back(Utf8(text));
    chat_bytes += text.size() + 2;
    Emit(ChatEvent(chat.back(), replace));
}

void BrowserSeat::AddParticipant(std::string_view entry_name, int id)
{
    {
        const std::lock_guard guard(lock);
        if (participants.size() >= PARTICIPANT_BOUND) {
            return;
        }
        InsertInListOrder(participants, RosterEntry{id, std::string(entry_name)});
        std::vector<RosterEntry> shown;
        for (const RosterEntry& entry : participants) {
            shown.push_back({entry.id, Utf8(entry.name)});
        }
        Emit(ParticipantsEvent(shown));
    }
    hooks.room_changed();
}

void BrowserSeat::RemoveParticipant(int id)
{
    {
        const std::lock_guard guard(lock);
        const auto found = std::find_if(participants.begin(), participants.end(),
                                        [id](const RosterEntry& entry) { return entry.id == id; });
        if (found == participants.end()) {
            return;
        }
        participants.erase(found);
        std::vector<RosterEntry> shown;
        for (const RosterEntry& entry : participants) {
            shown.push_back({entry.id, Utf8(entry.name)});
        }
        Emit(ParticipantsEvent(shown));
    }
    hooks.room_changed();
}

void BrowserSeat::ClearParticipants()
{
    {
        const std::lock_guard guard(lock);
        participants.clear();
        Emit(ParticipantsEvent({}));
    }
    hooks.room_changed();
}

// The page has no hidden match buttons.
void BrowserSeat::ResetMatchButtons()
{
}

void BrowserSeat::ShowStatus(std::string_view text)
{
    const std::lock_guard guard(lock);
    status = std::string(text);
    Emit(StatusEvent(Utf8(status)));
    if (announced && text != AnnouncementText(*announced)) {
        announced.reset();
        Emit(AnnounceEvent(std::nullopt, {}));
    }
    SyncBoard();
}

void BrowserSeat::Connected()
{
    {
        const std::lock_guard guard(lock);
        connected_ = true;
        Emit(ConnectedEvent(true));
    }
    hooks.room_changed();
}

void BrowserSeat::ConnectionEnded(ConnectionEnd)
{
    {
        const std::lock_guard guard(lock);
        connected_ = false;
        ended = true;
        may_add_computer = false;
        Emit(ConnectedEvent(false));
        Emit(EndedEvent());
        wake.notify_all();
    }
    hooks.ended();
}

void BrowserSeat::PostCommand(int command, int param)
{
    Enqueue([this, command, param](std::stop_token) {
        (void)session.HandleCommand(command, param);
        const std::lock_guard guard(lock);
        SyncBoard();
    });
}

void BrowserSeat::OpenBattleWindow(int colour, BattleEvents& events)
{
    const std::lock_guard guard(lock);
    window_open = true;
    window_colour = colour;
    window_events = &events;
    ++window_number;
    marker.reset();
    Emit(BattleEvent(true, colour));
    SyncBoard();
}

bool BrowserSeat::IsBattleWindowOpen()
{
    const std::lock_guard guard(lock);
    return window_open;
}

void BrowserSeat::CloseBattleWindow()
{
    std::uint64_t window = 0;
    {
        const std::lock_guard guard(lock);
        if (!window_open) {
            return;
        }
        window = window_number;
    }
    // Handled on the command thread in order with the commands, as a posted close is by a window; a request
    // left over from an earlier window never closes a later one.
    Enqueue([this, window](std::stop_token) { CloseWindow(window, BattleClose::PROGRAM); });
}

void BrowserSeat::RepaintBattleWindow()
{
    const std::lock_guard guard(lock);
    if (marker) {
        marker.reset();
        Emit(MarkerEvent(std::nullopt));
    }
    SyncBoard();
}

void BrowserSeat::SetBattleIcon(int colour)
{
    const std::lock_guard guard(lock);
    window_colour = colour;
    Emit(BattleEvent(window_open, colour));
}

void BrowserSeat::DrawCell(int col, int row)
{
    const std::lock_guard guard(lock);
    if (marker == Cell{col, row}) {
        marker.reset();
        Emit(MarkerEvent(std::nullopt));
    }
    if (std::this_thread::get_id() == commands.get_id()) {
        // The own drop: its line goes to the host first, the page hears of the board once the work is done.
        board_changed = true;
        return;
    }
    SyncBoard();
}

void BrowserSeat::DrawMarker(int col, int row)
{
    const std::lock_guard guard(lock);
    marker = Cell{col, row};
    Emit(MarkerEvent(marker));
}

void BrowserSeat::Announce(BattleAnnouncement what)
{
    const std::lock_guard guard(lock);
    announced = what;
    Emit(AnnounceEvent(AnnouncementName(what), Utf8(AnnouncementText(what))));
}

void BrowserSeat::ShowMessageBox(std::string_view text)
{
    std::unique_lock guard(lock);
    box = Utf8(text);
    const std::uint64_t mine = ++boxes;
    Emit(BoxEvent(*box));
    if (std::this_thread::get_id() == commands.get_id()) {
        // The own win, shown from the seat's "window thread": it holds nothing, like the desktop's box, whose
        // loop goes on handling the lobby.
        return;
    }
    // Another player's win, on the connection thread: the host's next lines wait in the socket until the page
    // has seen it, or the seat is leaving.
    wake.wait(guard, [&] { return !box || boxes != mine || leaving || ended; });
}

// The lock is held

void BrowserSeat::Emit(std::string event)
{
    if (page) {
        page->Send(std::move(event));
    }
}

BoardView BrowserSeat::CurrentBoard() const
{
    BoardView view;
    view.cells = board.Snapshot();
    view.lanes = LandingSpots(view.cells);
    view.marks = session.Marks();
    view.may_place = board.may_place() && window_open;
    return view;
}

void BrowserSeat::SyncBoard()
{
    const BoardView now = CurrentBoard();
    std::vector<CellChange> changes;
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            const auto index = static_cast<std::size_t>(row * COLUMNS + col);
            if (now.cells[index] != sent.cells[index]) {
                changes.push_back({Cell{col, row}, now.cells[index]});
            }
        }
    }
    if (!changes.empty()) {
        Emit(CellsEvent(changes));
    }
    if (now.lanes != sent.lanes) {
        Emit(LanesEvent(now.lanes));
    }
    if (now.marks != sent.marks) {
        Emit(MarksEvent(now.marks));
    }
    if (now.may_place != sent.may_place) {
        Emit(TurnEvent(now.may_place));
    }
    sent = now;
}

void BrowserSeat::NotifyLocked(std::string_view cp932)
{
    Emit(NoticeEvent(Utf8(cp932)));
}

// Command thread

void BrowserSeat::Enqueue(Work work)
{
    const std::lock_guard guard(lock);
    queue.push_back(std::move(work));
    wake.notify_all();
}

void BrowserSeat::RunCommands(std::stop_token stop)
{
    for (;;) {
        Work work;
        {
            std::unique_lock guard(lock);
            if (!wake.wait(guard, stop, [this] { return !queue.empty(); })) {
                return;
            }
            work = std::move(queue.front());
            queue.pop_front();
        }
        work(stop);
        const std::lock_guard guard(lock);
        if (std::exchange(board_changed, false)) {
            SyncBoard();
        }
    }
}

void BrowserSeat::CloseWindow(std::uint64_t window, BattleClose how)
{
    BattleEvents* events = nullptr;
    {
        const std::lock_guard guard(lock);
        if (!window_open || window_number != window) {
            return;
        }
        events = std::exchange(window_events, nullptr);
        window_open = false;
        marker.reset();
        Emit(BattleEvent(false, window_colour));
        SyncBoard();
    }
    events->CloseRequested(how);
}

} // namespace pyrandel
