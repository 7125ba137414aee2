#pragma once
// The page server: one listening socket that answers HTTP with the embedded page (http_answers.h) and turns an
// upgrade at /ws into a PageSocket, within the limits (web_limits.h): WebSockets per address and in all, HTTP
// connections in all, the time a request or handshake may take, the size of a message.
//
// Threads: the server's own thread, the web thread, runs its io_context: every socket, every timer, and every
// PageSocketEvents call. Listen and Stop come from the owner's thread. Close may come from any thread and
// returns at once; the web thread then ends once nothing is left for it to do, and Stop (or the destructor)
// joins it. Nothing on the web thread ever waits for another thread.

#include "net/listen_server.h"
#include "web/page_socket.h"
#include "web/web_address.h"
#include "web/web_limits.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace pyrandel {

class HttpConnection;

class WebServer {
public:
    WebServer(const WebLimits& limits, PageSocketEvents& events);
    // Stop.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds (every address: IPv6 and IPv4 on one socket where the machine has IPv6) and starts the web thread.
    // Once only.
    [[nodiscard]] ListenError Listen(const WebAddress& where);
    // The port bound (the one asked for, or the system's choice for 0); 0 before Listen.
    [[nodiscard]] int Port() const { return port.load(); }

    // Stops listening and ends every connection without waiting (any thread).
    void Close();
    // Close, then joins the web thread. Never on the web thread.
    void Stop();

    // For the owner's timers and work on the web thread.
    [[nodiscard]] boost::asio::io_context& context() { return io; }
    [[nodiscard]] const WebLimits& limits() const { return limits_; }

    // Web thread, for the HTTP connections (web_server.cpp).
    void Upgrade(boost::beast::tcp_stream stream, std::string address, HttpRequest request);
    void HttpEnded();

private:
    void Accept();

    const WebLimits limits_;
    PageSocketEvents& events;
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor acceptor;
    std::atomic<int> port{0};

    // Web thread only
    int http_open = 0;                       // HTTP connections, and refused sockets until they have closed
    int sockets_open = 0;                    // page sockets counted against the limits
    std::map<std::string, int> sockets_from; // per peer address
    std::list<std::weak_ptr<PageSocket>> live_sockets;
    std::list<std::weak_ptr<HttpConnection>> live_connections;
    bool closed = false;

    std::thread thread;
};

} // namespace pyrandel
