#include "web/page_socket.h"

#include "text/text_codec.h"
#include "text/texts.h"

#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http/field.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace pyrandel {

namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using ErrorCode = beast::error_code;

PageSocket::PageSocket(beast::tcp_stream stream, std::string address, const WebLimits& limits, PageSocketEvents& events,
                       Ended ended)
    : ws(std::move(stream)), ping_timer(ws.get_executor()), peer(std::move(address)), limits(limits), events(events),
      ended(std::move(ended))
{
}

PageSocket::~PageSocket() = default;

void PageSocket::Start(HttpRequest request, std::optional<std::pair<CloseCode, std::string>> refusal)
{
    // The stream's own timer watches the handshake and the close; pings and silence are this object's.
    beast::get_lowest_layer(ws).expires_never();
    ws.set_option(websocket::stream_base::timeout{limits.handshake, websocket::stream_base::none(), false});
    // The limit is this object's (Read); the stream's own stays far above it.
    ws.read_message_max(std::uint64_t{1} << 40);
    ws.auto_fragment(false);
    // permessage-deflate stays off (it is never offered in the answer): a page's messages are small, and
    // compression would let a tiny frame grow into a large message.
    ws.set_option(websocket::permessage_deflate{});
    ws.set_option(websocket::stream_base::decorator([](websocket::response_type& response) {
        response.set(beast::http::field::sec_websocket_protocol, PAGE_SUBPROTOCOL);
        response.set(beast::http::field::server, "pyrandel");
    }));
    ws.control_callback([this](websocket::frame_type, beast::string_view) { last_heard = Clock::now(); });
    last_heard = Clock::now();
    ws.async_accept(request, [self = shared_from_this(), refusal = std::move(refusal)](ErrorCode error) mutable {
        if (error) {
            self->End();
            return;
        }
        self->stage = Stage::OPEN;
        if (refusal) {
            self->BeginClose(refusal->first, std::move(refusal->second));
            self->Read();
            return;
        }
        self->opened = true;
        self->events.Opened(self);
        if (self->stage == Stage::OPEN || self->stage == Stage::CLOSING) {
            self->ArmPing();
            self->Read();
        }
    });
}

void PageSocket::Read()
{
    // A message is read a little at a time, never more than the limit and one byte at once: one over the limit
    // is answered with 1009 by a close handshake of this object's own, which reads (and drops) the rest while it
    // waits for the page's close frame. The stream's own check would close the socket with the rest unread, and
    // the reset that follows would cost the page the close frame and its reason.
    const std::size_t room = limits.message_bytes + 1 - std::min(buffer.size(), limits.message_bytes);
    ws.async_read_some(buffer, room, [self = shared_from_this()](ErrorCode error, std::size_t) {
        if (error) {
            // The page's close, a reset, the end of the stream: nothing is left to answer.
            self->End();
            return;
        }
        self->last_heard = Clock::now();
        const bool whole = self->ws.is_message_done();
        if (self->stage != Stage::OPEN || self->dropping) {
            self->buffer.consume(self->buffer.size());
            self->dropping = self->dropping && !whole;
        } else if (self->buffer.size() > self->limits.message_bytes) {
            self->buffer.consume(self->buffer.size());
            self->dropping = !whole;
            self->BeginClose(CloseCode::TOO_BIG, Cp932ToUtf8(texts::CLOSE_TOO_BIG));
        } else if (!self->ws.got_text()) {
            self->buffer.consume(self->buffer.size());
            self->dropping = !whole;
            self->BeginClose(CloseCode::UNSUPPORTED_DATA, Cp932ToUtf8(texts::CLOSE_TEXT_ONLY));
        } else if (whole) {
            const std::string text = beast::buffers_to_string(self->buffer.data());
            self->buffer.consume(self->buffer.size());
            self->events.Received(self, text);
        }
        if (self->stage != Stage::ENDED) {
            self->Read();
        }
    });
}

void PageSocket::Send(std::string message)
{
    net::post(ws.get_executor(),
              [self = shared_from_this(), message = std::move(message)]() mutable { self->Queue(std::move(message)); });
}

void PageSocket::Close(CloseCode code, std::string_view reason)
{
    net::post(ws.get_executor(), [self = shared_from_this(), code, reason = std::string(reason)]() mutable {
        self->BeginClose(code, std::move(reason));
    });
}

void PageSocket::Queue(std::string message)
{
    if (stage != Stage::OPEN) {
        return;
    }
    outbox_bytes += message.size();
    outbox.push_back(std::move(message));
    if (outbox_bytes > limits.queued_bytes) {
        // The page does not read: no close frame would get through either.
        Abort();
        return;
    }
    WriteNext();
}

void PageSocket::BeginClose(CloseCode code, std::string reason)
{
    if (stage != Stage::OPEN) {
        return;
    }
    stage = Stage::CLOSING;
    // A close reason is at most 123 bytes (RFC 6455, 5.5); every reason of ours is far shorter.
    if (reason.size() > 123) {
        reason.clear();
    }
    close_due.emplace(code, std::move(reason));
    WriteNext();
}

void PageSocket::WriteNext()
{
    if (writing || stage == Stage::ENDED || stage == Stage::HANDSHAKE) {
        return;
    }
    auto self = shared_from_this();
    if (!outbox.empty()) {
        writing = true;
        ws.text(true);
        ws.async_write(net::buffer(outbox.front()), [self](ErrorCode error, std::size_t) {
            self->writing = false;
            if (self->stage == Stage::ENDED) {
                return; // the queue stays as it is until the object goes: nothing more is written
            }
            self->outbox_bytes -= self->outbox.front().size();
            self->outbox.pop_front();
            if (error) {
                self->Abort();
                return;
            }
            self->WriteNext();
        });
        return;
    }
    if (ping_due && stage == Stage::OPEN) {
        ping_due = false;
        writing = true;
        ws.async_ping({}, [self](ErrorCode error) {
            self->writing = false;
            if (error) {
                self->Abort();
                return;
            }
            self->WriteNext();
        });
        return;
    }
    if (close_due) {
        const websocket::close_reason reason(static_cast<websocket::close_code>(close_due->first), close_due->second);
        close_due.reset();
        writing = true;
        // The stream reads on until the page's close frame arrives (or the handshake limit passes), and the
        // pending read then ends the socket.
        ws.async_close(reason, [self](ErrorCode) {
            self->writing = false;
            self->End();
        });
    }
}

void PageSocket::ArmPing()
{
    ping_timer.expires_after(limits.ping_interval);
    ping_timer.async_wait([self = shared_from_this()](ErrorCode error) {
        if (error || self->stage != Stage::OPEN) {
            return;
        }
        if (Clock::now() - self->last_heard >= self->limits.silence) {
            self->BeginClose(CloseCode::NO_ANSWER, Cp932ToUtf8(texts::CLOSE_NO_ANSWER));
            return;
        }
        self->ping_due = true;
        self->WriteNext();
        self->ArmPing();
    });
}

void PageSocket::Abort()
{
    if (stage == Stage::ENDED) {
        return;
    }
    ErrorCode ignored;
    beast::get_lowest_layer(ws).socket().shutdown(net::ip::tcp::socket::shutdown_both, ignored);
    beast::get_lowest_layer(ws).socket().close(ignored);
    End();
}

void PageSocket::End()
{
    if (stage == Stage::ENDED) {
        return;
    }
    stage = Stage::ENDED;
    ping_timer.cancel();
    if (opened) {
        events.Closed(shared_from_this());
    }
    if (ended) {
        std::exchange(ended, nullptr)();
    }
}

} // namespace pyrandel
