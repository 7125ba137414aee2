#pragma once
// The byte-level line reader of a TcpSocket, kept apart from the socket so the framing rules can be exercised with
// chunks cut exactly where a test wants them.
//
// A line ends at CR, at LF or at the pair CR LF, even when CR closes one received chunk and LF opens the next.
// A NUL byte in the stream is dropped on its own; it neither ends a line nor hides the bytes after it.
// Owned by the one thread that reads the socket; it takes no lock.

#include "net/tcp_socket.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pyrandel {

class LineReader {
public:
    // Bytes one receive may bring at most.
    static constexpr int CHUNK_CAPACITY = 1023;

    // Hands out the next line into `out` (room for `max` bytes and a NUL); LINE_WHOLE, LINE_PARTIAL, or LINE_NONE
    // when `refill` reports the end of the stream (then `out` holds the bytes gathered so far). `refill(dst,
    // capacity)` stores up to `capacity` bytes at `dst` and returns how many, or 0 or less at the end.
    template <typename Refill>
    int ReadLine(char* out, int max, Refill&& refill);

    // Forgets unread bytes and a pending CR, as for a new connection.
    void Clear()
    {
        pos = 0;
        end = 0;
        after_cr = false;
    }

private:
    [[nodiscard]] static bool IsSpecial(char c) { return c == '\r' || c == '\n' || c == '\0'; }
    // The first CR, LF or NUL in [from, limit), or `limit`. Looks at eight bytes at a time: the scan is most of
    // the reader's work per line.
    [[nodiscard]] int FindSpecial(int from, int limit) const;

    std::array<char, CHUNK_CAPACITY> buffer{};
    int pos = 0;
    int end = 0;
    bool after_cr = false; // the last line handed out ended at CR: a LF coming next belongs to it
};

inline int LineReader::FindSpecial(int from, int limit) const
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ONES = 0x0101010101010101u;
        constexpr std::uint64_t HIGHS = 0x8080808080808080u;
        // Marks the high bit of each zero byte; the lowest mark is always exact, which is all that is used.
        auto zero_bytes = [](std::uint64_t v) { return (v - ONES) & ~v & HIGHS; };
        while (limit - from >= 8) {
            std::uint64_t word;
            std::memcpy(&word, buffer.data() + from, sizeof word);
            const std::uint64_t marks =
                zero_bytes(word) | zero_bytes(word ^ (ONES * '\r')) | zero_bytes(word ^ (ONES * '\n'));
            if (marks != 0) {
                return from + std::countr_zero(marks) / 8;
            }
            from += 8;
        }
    }
    while (from < limit && !IsSpecial(buffer[static_cast<std::size_t>(from)])) {
        ++from;
    }
    return from;
}

template <typename Refill>
int LineReader::ReadLine(char* out, int max, Refill&& refill)
{
    if (max < 0) {
        max = 0;
    }
    int count = 0;
    for (;;) {
        if (pos == end) {
            const int received = refill(buffer.data(), CHUNK_CAPACITY);
            if (received <= 0) {
                Clear();
                out[count] = '\0';
                return LINE_NONE;
            }
            pos = 0;
            end = received < CHUNK_CAPACITY ? received : CHUNK_CAPACITY;
            continue;
        }
        const char c = buffer[static_cast<std::size_t>(pos)];
        if (c == '\0') {
            ++pos;
            continue;
        }
        if (after_cr) {
            after_cr = false;
            if (c == '\n') {
                ++pos;
                continue;
            }
        }
        if (c == '\r' || c == '\n') {
            after_cr = c == '\r';
            ++pos;
            out[count] = '\0';
            return LINE_WHOLE;
        }
        if (count == max) {
            out[count] = '\0';
            return LINE_PARTIAL;
        }
        // Copy the run of ordinary bytes in one go; the limit keeps `out` within `max`.
        const int limit = end - pos < max - count ? end : pos + (max - count);
        const int start = pos;
        pos = FindSpecial(pos, limit);
        std::memcpy(out + count, buffer.data() + start, static_cast<std::size_t>(pos - start));
        count += pos - start;
    }
}

} // namespace pyrandel
