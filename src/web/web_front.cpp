#include "web/web_front.h"

#include "ai/engine.h"
#include "protocol/player_name.h"
#include "server/server_session.h"
#include "text/text_codec.h"
#include "text/texts.h"
#include "web/page_messages.h"

#include <boost/asio/post.hpp>

#include <algorithm>
#include <array>
#include <iterator>
#include <random>
#include <utility>

namespace pyrandel {

namespace net = boost::asio;

namespace {

// With one person in the room, the computer players fill the other seats.
constexpr int MAX_COMPUTERS = PLAYER_SLOTS - 1;

// 128 bits from the system's random source, as 32 hex digits: a page that holds it holds the seat.
[[nodiscard]] std::string NewToken()
{
    std::random_device device;
    static constexpr std::string_view DIGITS = "0123456789abcdef";
    std::string token;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = device();
        for (int digit = 0; digit < 8; ++digit) {
            token += DIGITS[bits & 0xF];
            bits >>= 4;
        }
    }
    return token;
}

[[nodiscard]] bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

} // namespace

WebFront::WebFront(WebFrontOptions options) : options(std::move(options)), server(this->options.limits, *this)
{
}

WebFront::~WebFront()
{
    Close();
    server.Stop();
    // The web thread has ended: what is left is this thread's alone. Seats and computer players leave their
    // rooms as they go.
    for (auto& [token, entry] : seats) {
        entry.grace.cancel();
    }
    seats.clear();
    computers.clear();
    pages.clear();
}

ListenError WebFront::Start()
{
    return server.Listen(options.listen);
}

void WebFront::Close()
{
    Post([this] {
        if (closing) {
            return;
        }
        closing = true;
        for (auto& [token, entry] : seats) {
            entry.grace.cancel();
            entry.seat->Leave();
        }
        for (ComputerPlayer& computer : computers) {
            computer.Leave();
        }
    });
    server.Close();
}

void WebFront::Post(std::function<void()> work)
{
    net::post(server.context(), std::move(work));
}

// PageSocketEvents

void WebFront::Opened(const std::shared_ptr<PageSocket>& socket)
{
    const auto now = TokenBucket::Clock::now();
    pages.emplace(socket.get(),
                  Page{{}, TokenBucket(options.limits.intents, now), TokenBucket(options.limits.chat, now)});
    const auto grace = std::chrono::duration_cast<std::chrono::seconds>(options.limits.grace).count();
    socket->Send(WelcomeEvent(static_cast<int>(grace)));
}

void WebFront::Received(const std::shared_ptr<PageSocket>& socket, std::string_view text)
{
    const auto found_page = pages.find(socket.get());
    if (found_page == pages.end() || closing) {
        return;
    }
    Page& page = found_page->second;
    const auto now = TokenBucket::Clock::now();
    if (!page.intents.Take(now)) {
        Notice(socket, texts::NOTICE_TOO_FAST);
        return;
    }
    const std::optional<PageIntent> intent = ParseIntent(text);
    if (!intent) {
        Notice(socket, texts::NOTICE_BAD_MESSAGE);
        return;
    }
    if (intent->kind == IntentKind::JOIN) {
        Join(socket, page, intent->text);
        return;
    }
    if (intent->kind == IntentKind::RESUME) {
        Resume(socket, page, intent->text);
        return;
    }
    const auto found_seat = seats.find(page.token);
    if (found_seat == seats.end()) {
        Notice(socket, texts::NOTICE_NOT_CONNECTED);
        return;
    }
    Seat& entry = found_seat->second;
    BrowserSeat& seat = *entry.seat;
    switch (intent->kind) {
    case IntentKind::LEAVE:
        seat.Leave();
        break;
    case IntentKind::CHAT:
        if (!page.chat.Take(now)) {
            seat.Notify(texts::NOTICE_CHAT_TOO_FAST);
        } else {
            seat.Chat(intent->text);
        }
        break;
    case IntentKind::START:
        seat.StartMatch();
        break;
    case IntentKind::COMPUTER:
        AddComputer(entry, intent->number);
        break;
    case IntentKind::DROP:
        if (intent->number < 0 || intent->number >= LANES) {
            seat.Notify(texts::NOTICE_LANE_FULL);
        } else {
            seat.Drop(intent->number);
        }
        break;
    case IntentKind::HINT:
        seat.Hint();
        break;
    case IntentKind::CLOSE:
        seat.CloseBattle();
        break;
    case IntentKind::DISMISS:
        seat.DismissBox();
        break;
    case IntentKind::JOIN:
    case IntentKind::RESUME:
        break;
    }
}

void WebFront::Closed(const std::shared_ptr<PageSocket>& socket)
{
    const auto found_page = pages.find(socket.get());
    if (found_page == pages.end()) {
        return;
    }
    const std::string token = found_page->second.token;
    pages.erase(found_page);
    LetGo(token, *socket);
}

void WebFront::LetGo(const std::string& token, const PageSocket& socket)
{
    const auto found_seat = seats.find(token);
    if (found_seat == seats.end() || found_seat->second.page.get() != &socket) {
        return;
    }
    Seat& entry = found_seat->second;
    entry.page.reset();
    entry.seat->Detach();
    if (closing) {
        return;
    }
    // The seat keeps its place while the page may come back (a reload, a phone that switched apps).
    entry.grace.expires_after(options.limits.grace);
    entry.grace.async_wait([this, token](const boost::system::error_code& error) {
        if (error) {
            return;
        }
        const auto found = seats.find(token);
        if (found != seats.end() && !found->second.page) {
            found->second.seat->Leave();
        }
    });
}

// Web thread

void WebFront::Join(const std::shared_ptr<PageSocket>& socket, Page& page, std::string_view name)
{
    if (seats.contains(page.token)) {
        Notice(socket, texts::NOTICE_ALREADY_SEATED);
        return;
    }
    if (HasControlCharacter(name)) {
        Notice(socket, texts::NOTICE_CONTROL_CHARACTER);
        return;
    }
    std::optional<std::string> cp932 = Utf8ToCp932Strict(name);
    if (!cp932) {
        Notice(socket, texts::NOTICE_NOT_CP932);
        return;
    }
    if (static_cast<int>(seats.size()) >= options.limits.sockets_total) {
        Notice(socket, texts::NOTICE_SEATS_FULL);
        return;
    }
    // As the desktop's connect button does with an empty name field; and as its logic reads the field.
    std::string seat_name =
        cp932->empty() ? std::string(texts::NAMELESS) : std::string(Cp932Prefix(*cp932, FIELD_READ_BYTES));
    const std::string token = NewToken();
    SeatHooks hooks{
        [this, token] { Post([this, token] { SeatEnded(token); }); },
        [this] { Post([this] { CheckRoom(); }); },
    };
    auto seat = std::make_unique<BrowserSeat>(token, std::move(seat_name), std::move(hooks));
    BrowserSeat& joined = *seat;
    seats.emplace(token, Seat{std::move(seat), socket, net::steady_timer(server.context())});
    page.token = token;
    joined.Attach(socket);
    if (!joined.Connect(options.host, options.port)) {
        joined.Notify(texts::CHAT_CONNECT_FAILED);
        SeatEnded(token);
    }
}

void WebFront::Resume(const std::shared_ptr<PageSocket>& socket, Page& page, const std::string& token)
{
    const auto found = seats.find(token);
    if (found == seats.end() || page.token == token) {
        if (found == seats.end()) {
            socket->Send(EndedEvent());
        }
        return;
    }
    // A page that held another seat lets that one wait for its page, as if it had gone.
    if (!page.token.empty()) {
        LetGo(std::exchange(page.token, {}), *socket);
    }
    Seat& entry = found->second;
    if (entry.page) {
        // The page that held the seat hears why it no longer does.
        const auto old = pages.find(entry.page.get());
        if (old != pages.end()) {
            old->second.token.clear();
        }
        entry.page->Send(NoticeEvent(Cp932ToUtf8(texts::NOTICE_TAKEN_OVER)));
        entry.page->Close(CloseCode::TAKEN_OVER, Cp932ToUtf8(texts::NOTICE_TAKEN_OVER));
    }
    entry.grace.cancel();
    entry.page = socket;
    page.token = token;
    entry.seat->Attach(socket);
}

void WebFront::AddComputer(Seat& asking, int level)
{
    computers.remove_if([](const ComputerPlayer& computer) { return computer.ending() != ComputerEnding::RUNNING; });
    const bool may =
        asking.seat->connected() && asking.seat->listed() < PLAYER_SLOTS && ActiveComputers() < MAX_COMPUTERS;
    if (!may) {
        asking.seat->Notify(texts::NOTICE_NO_COMPUTER);
        return;
    }
    ComputerPlayerOptions player;
    for (int number = 1; number <= MAX_COMPUTERS; ++number) {
        player.name = "CPU" + std::to_string(number);
        if (std::none_of(computers.begin(), computers.end(), [&](const ComputerPlayer& running) {
                return running.Active() && running.name() == player.name;
            })) {
            break;
        }
    }
    player.level = std::clamp(level, Engine::MIN_LEVEL, Engine::MAX_LEVEL);
    player.pause = options.computer_pause;
    ComputerPlayer& added = computers.emplace_back(std::move(player));
    added.SetRoomHandler([this] { Post([this] { CheckRoom(); }); });
    if (!added.Connect(options.host, options.port)) {
        computers.pop_back();
        asking.seat->Notify(texts::NOTICE_NO_COMPUTER);
    }
    CheckRoom();
}

void WebFront::SeatEnded(const std::string& token)
{
    const auto found = seats.find(token);
    if (found == seats.end()) {
        return;
    }
    if (found->second.page) {
        const auto page = pages.find(found->second.page.get());
        if (page != pages.end()) {
            page->second.token.clear();
        }
    }
    found->second.grace.cancel();
    // The seat's last callback has run; its threads end at once, so letting it go here is quick.
    seats.erase(found);
    CheckRoom();
}

int WebFront::ActiveComputers() const
{
    return static_cast<int>(std::count_if(computers.begin(), computers.end(),
                                          [](const ComputerPlayer& computer) { return computer.Active(); }));
}

void WebFront::CheckRoom()
{
    computers.remove_if([](const ComputerPlayer& computer) { return computer.ending() != ComputerEnding::RUNNING; });
    std::vector<int> computer_ids;
    std::optional<ComputerPlayer::Room> seen;
    bool all_known = true;
    for (const ComputerPlayer& computer : computers) {
        if (!computer.Active()) {
            continue;
        }
        ComputerPlayer::Room room = computer.room();
        if (!room.own_id) {
            // Until each knows its own id, a newcomer's entry could be taken for a person or the other way round.
            all_known = false;
            break;
        }
        computer_ids.push_back(*room.own_id);
        if (!seen) {
            seen = std::move(room);
        }
    }
    if (all_known && seen) {
        const bool person_left = std::any_of(seen->present.begin(), seen->present.end(), [&](int id) {
            return std::find(computer_ids.begin(), computer_ids.end(), id) == computer_ids.end();
        });
        if (!person_left) {
            for (ComputerPlayer& computer : computers) {
                computer.Leave();
            }
        }
    }
    const int active = ActiveComputers();
    for (auto& [token, entry] : seats) {
        entry.seat->SetComputerAllowed(!closing && entry.seat->connected() && entry.seat->listed() < PLAYER_SLOTS &&
                                       active < MAX_COMPUTERS);
    }
}

void WebFront::Notice(const std::shared_ptr<PageSocket>& socket, std::string_view cp932)
{
    socket->Send(NoticeEvent(Cp932ToUtf8(cp932)));
}

} // namespace pyrandel
