// Any byte stream cut into any receive chunks: the reader must stay inside its buffers, always make progress,
// and hand out exactly the lines a plain model of the framing rules finds, whatever the cuts.
//
// Input: byte 0 picks the line limit; then records of one length byte and that many stream bytes, each record one
// receive (length 255 takes everything that is left, up to a full chunk).

#include "net/line_connection.h"
#include "net/line_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using pyrandel::LINE_NONE;
using pyrandel::LINE_PARTIAL;
using pyrandel::LINE_WHOLE;

struct Piece {
    int result;
    std::string text;
    friend bool operator==(const Piece&, const Piece&) = default;
};

// The framing rules written as plainly as possible: NUL bytes vanish; CR, LF and CR LF end a line; a line is
// handed out in pieces of `max` bytes, the last piece whole unless the stream ends inside the line.
std::vector<Piece> Model(std::string_view stream, int max)
{
    std::vector<Piece> pieces;
    std::string line;
    bool after_cr = false;
    auto flush = [&](int last_result) {
        std::size_t at = 0;
        while (line.size() - at > static_cast<std::size_t>(max)) {
            pieces.push_back({LINE_PARTIAL, line.substr(at, static_cast<std::size_t>(max))});
            at += static_cast<std::size_t>(max);
        }
        pieces.push_back({last_result, line.substr(at)});
        line.clear();
    };
    for (const char c : stream) {
        if (c == '\0') {
            continue;
        }
        if (after_cr) {
            after_cr = false;
            if (c == '\n') {
                continue;
            }
        }
        if (c == '\r' || c == '\n') {
            after_cr = c == '\r';
            flush(LINE_WHOLE);
        } else {
            line += c;
        }
    }
    flush(LINE_NONE);
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    // Mostly the limit the program uses; sometimes a small one, so pieces are cut often.
    const int max = data[0] < 128 ? pyrandel::LINE_LIMIT : 1 + data[0] % 16;
    std::vector<std::string> chunks;
    std::string stream;
    for (std::size_t at = 1; at < size;) {
        const std::size_t wanted = data[at++];
        const std::size_t available = size - at;
        std::size_t length = wanted == 255 ? available : std::min(wanted, available);
        length = std::min<std::size_t>(length, pyrandel::LineReader::CHUNK_CAPACITY);
        if (length == 0) {
            continue; // an empty receive would mean the end of the stream
        }
        chunks.emplace_back(reinterpret_cast<const char*>(data + at), length);
        stream.append(chunks.back());
        at += length;
    }

    auto reader = std::make_unique<pyrandel::LineReader>();
    std::size_t next_chunk = 0;
    auto refill = [&](char* destination, int capacity) {
        if (next_chunk == chunks.size()) {
            return 0;
        }
        const std::string& chunk = chunks[next_chunk++];
        if (chunk.size() > static_cast<std::size_t>(capacity)) {
            std::abort();
        }
        std::memcpy(destination, chunk.data(), chunk.size());
        return static_cast<int>(chunk.size());
    };

    const std::vector<Piece> expected = Model(stream, max);
    // On the heap and exactly as large as promised, so a write past `max` + 1 bytes is caught.
    auto out = std::make_unique<char[]>(static_cast<std::size_t>(max) + 1);
    std::vector<Piece> got;
    for (;;) {
        const int result = reader->ReadLine(out.get(), max, refill);
        const std::size_t length = ::strnlen(out.get(), static_cast<std::size_t>(max) + 1);
        if (length > static_cast<std::size_t>(max)) {
            std::abort(); // not terminated within the buffer
        }
        got.push_back({result, std::string(out.get(), length)});
        if (result == LINE_NONE) {
            break;
        }
        // Every call hands out a line end or bytes; more calls than pieces would mean a reader stuck in place.
        if (got.size() > expected.size()) {
            std::abort();
        }
    }
    if (got != expected) {
        std::abort();
    }
    return 0;
}
