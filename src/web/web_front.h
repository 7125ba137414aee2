#pragma once
// A web front: the page server (web_server.h) and the browser seats it gives the pages in one room, the room of
// the host it was told of and of no other (a page never names an address). The seats join that host over TCP like
// any player's program; "CPU参加" seats a computer player there as well.
//
// A page's socket and its seat are apart: a page joins (a new seat, with a token), or resumes a seat with the
// token it was given; a second page that resumes the same seat takes it over and the first is told so. A seat
// whose page has gone stays in the room for the grace time, then leaves as a closed program would. The computer
// players the front seated leave once no person is left in the room.
//
// Threads: the web thread (the server's) does every bit of the front's own work, so the seats and sockets it
// keeps need no lock; the seats' and computer players' threads reach it only by posting to it. Start and the
// destructor come from the owner's thread; Close from any thread.

#include "bot/computer_player.h"
#include "protocol/messages.h"
#include "web/browser_seat.h"
#include "web/page_socket.h"
#include "web/token_bucket.h"
#include "web/web_address.h"
#include "web/web_limits.h"
#include "web/web_server.h"

#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <list>
#include <map>
#include <memory>
#include <string>

namespace pyrandel {

struct WebFrontOptions {
    WebAddress listen;
    // The room the seats join.
    std::string host = "localhost";
    int port = protocol::GAME_PORT;
    WebLimits limits;
    std::chrono::milliseconds computer_pause = HUMAN_PAUSE;
};

class WebFront final : private PageSocketEvents {
public:
    explicit WebFront(WebFrontOptions options);
    // Every seat and computer player leaves its room, every socket closes, and every thread is joined.
    ~WebFront();
    WebFront(const WebFront&) = delete;
    WebFront& operator=(const WebFront&) = delete;

    // Serves the page from now on.
    [[nodiscard]] ListenError Start();
    // The port the page is served on, once started.
    [[nodiscard]] int Port() const { return server.Port(); }
    // Stops serving and lets every seat and computer player leave, without waiting (any thread).
    void Close();

private:
    struct Page {
        std::string token; // the seat this page holds, or empty
        TokenBucket intents;
        TokenBucket chat;
    };
    struct Seat {
        std::unique_ptr<BrowserSeat> seat;
        std::shared_ptr<PageSocket> page; // none while the seat waits for its page
        boost::asio::steady_timer grace;
    };

    // PageSocketEvents (web thread)
    void Opened(const std::shared_ptr<PageSocket>& socket) override;
    void Received(const std::shared_ptr<PageSocket>& socket, std::string_view text) override;
    void Closed(const std::shared_ptr<PageSocket>& socket) override;

    // Web thread
    void Join(const std::shared_ptr<PageSocket>& socket, Page& page, std::string_view name);
    void Resume(const std::shared_ptr<PageSocket>& socket, Page& page, const std::string& token);
    void AddComputer(Seat& asking, int level);
    // `socket` no longer holds seat `token`: the seat waits for its page for the grace time, then leaves.
    void LetGo(const std::string& token, const PageSocket& socket);
    void SeatEnded(const std::string& token);
    // Lets the computer players go when no person is left, and tells every seat whether "CPU参加" may add one.
    void CheckRoom();
    [[nodiscard]] int ActiveComputers() const;
    void Notice(const std::shared_ptr<PageSocket>& socket, std::string_view cp932);
    // Runs `work` on the web thread (from a seat's or computer player's thread).
    void Post(std::function<void()> work);

    const WebFrontOptions options;
    // Declared first, so the seats, sockets and timers below go before its io_context does.
    WebServer server;
    bool closing = false;                // web thread
    std::map<PageSocket*, Page> pages;   // web thread
    std::map<std::string, Seat> seats;   // by token; web thread
    std::list<ComputerPlayer> computers; // web thread
};

} // namespace pyrandel
