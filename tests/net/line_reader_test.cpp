#include "net/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

using namespace std::string_literals;

struct Piece {
    int result;
    std::string text;
    bool operator==(const Piece&) const = default;
};

void PrintTo(const Piece& piece, std::ostream* os)
{
    *os << "{" << piece.result << ", \"" << piece.text << "\"}";
}

// Feeds `chunks` to a reader exactly as cut (a receive never returns more than one chunk) and collects every
// ReadLine result up to and including the end of the stream.
std::vector<Piece> ReadAll(LineReader& reader, const std::vector<std::string>& chunks, int max = LINE_LIMIT)
{
    std::size_t next = 0;
    std::size_t offset = 0;
    auto refill = [&](char* destination, int capacity) {
        if (next == chunks.size()) {
            return 0;
        }
        const std::string& chunk = chunks[next];
        const std::size_t taken = std::min(chunk.size() - offset, static_cast<std::size_t>(capacity));
        std::memcpy(destination, chunk.data() + offset, taken);
        offset += taken;
        if (offset == chunk.size()) {
            ++next;
            offset = 0;
        }
        return static_cast<int>(taken);
    };
    std::vector<Piece> pieces;
    std::vector<char> out(static_cast<std::size_t>(max) + 1, '#');
    for (;;) {
        const int result = reader.ReadLine(out.data(), max, refill);
        pieces.push_back({result, out.data()});
        if (result == LINE_NONE) {
            return pieces;
        }
    }
}

struct FramingCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<Piece> expected;
};

class LineReaderFraming : public testing::TestWithParam<FramingCase> {};

TEST_P(LineReaderFraming, CutsTheStreamIntoLines)
{
    LineReader reader;
    EXPECT_EQ(ReadAll(reader, GetParam().chunks), GetParam().expected);
}

// Lines exactly as long as a received line may be.
const std::string A79(LINE_LIMIT, 'a');
const std::string B79(LINE_LIMIT, 'b');
// A Shift-JIS text ("勝負あり！"): bytes above 0x7F, one trail byte 0x5C, must pass untouched.
const std::string SJIS = "\x8F\x9F\x95\x89\x82\xA0\x82\xE8\x81\x49\x83\x5C"s;

INSTANTIATE_TEST_SUITE_P(
    Lines, LineReaderFraming,
    testing::Values(
        FramingCase{"CrLfAndLf", {"abc\r\ndef\n"}, {{1, "abc"}, {1, "def"}, {0, ""}}},
        FramingCase{"CrAtChunkEndJoinsLfAtNextStart", {"abc\r", "\ndef\r\n"}, {{1, "abc"}, {1, "def"}, {0, ""}}},
        FramingCase{"LfThenCrLfGivesAnEmptyLine", {"abc\n\r\n"}, {{1, "abc"}, {1, ""}, {0, ""}}},
        FramingCase{"CrCrLfGivesTwoEmptyLines", {"\r\r\n"}, {{1, ""}, {1, ""}, {0, ""}}},
        FramingCase{"LfCrIsTwoLineEnds", {"a\n\rb\n"}, {{1, "a"}, {1, ""}, {1, "b"}, {0, ""}}},
        FramingCase{"CrLfInOneByteChunks", {"h", "i", "\r", "\n", "x", "\n"}, {{1, "hi"}, {1, "x"}, {0, ""}}},
        FramingCase{"NulDropsOnlyItself", {"ab\0cd\r\n"s}, {{1, "abcd"}, {0, ""}}},
        FramingCase{"NulBetweenCrAndLf", {"ab\r", "\0\ncd\n"s}, {{1, "ab"}, {1, "cd"}, {0, ""}}},
        FramingCase{"NulChunkAlone", {"ab", "\0"s, "c\n"}, {{1, "abc"}, {0, ""}}},
        FramingCase{"UnfinishedLineIsNotALine", {"xyz"}, {{0, "xyz"}}},
        FramingCase{"LastLineEndedByCrOnly", {"abc\r"}, {{1, "abc"}, {0, ""}}},
        FramingCase{"Line79IsWhole", {A79 + "\r\n"}, {{1, A79}, {0, ""}}},
        FramingCase{"Line79WithEndInNextChunk", {A79, "\r\n"}, {{1, A79}, {0, ""}}},
        FramingCase{"Line80InPieces79And1", {A79 + "z\n"}, {{2, A79}, {1, "z"}, {0, ""}}},
        FramingCase{"Line158InTwoPieces", {A79 + B79 + "\r\n"}, {{2, A79}, {1, B79}, {0, ""}}},
        FramingCase{"LongLineAcrossChunks",
                    {A79.substr(0, 50), A79.substr(50) + B79.substr(0, 3), B79.substr(3) + "\n"},
                    {{2, A79}, {1, B79}, {0, ""}}},
        FramingCase{"ShiftJisPassesUntouched", {SJIS + "\t1\r\n"}, {{1, SJIS + "\t1"}, {0, ""}}}),
    [](const testing::TestParamInfo<FramingCase>& info) { return std::string(info.param.name); });

TEST(LineReader, ChunksLargerThanOneReceiveAreTakenInTurns)
{
    // 2,000 lines of 9 bytes plus CR LF: every receive is cut at 1023 bytes, so line ends fall across the cuts.
    std::string stream;
    for (int i = 0; i < 2000; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "line%05d\r\n", i);
        stream += line;
    }
    LineReader reader;
    const std::vector<Piece> pieces = ReadAll(reader, {stream});
    ASSERT_EQ(pieces.size(), 2001U);
    for (int i = 0; i < 2000; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "line%05d", i);
        ASSERT_EQ(pieces[static_cast<std::size_t>(i)], (Piece{1, line})) << i;
    }
}

TEST(LineReader, EveryByteButCrLfAndNulIsText)
{
    std::string all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n') {
            all += static_cast<char>(b);
        }
    }
    // Every value at every position of the 8-byte words the scan looks at.
    for (std::size_t shift = 0; shift < 8; ++shift) {
        std::vector<std::string> chunks = {std::string(shift, '.') + all + "\n"};
        std::vector<Piece> expected;
        const std::string line = std::string(shift, '.') + all;
        constexpr auto LIMIT = static_cast<std::size_t>(LINE_LIMIT);
        for (std::size_t at = 0; at < line.size(); at += LIMIT) {
            expected.push_back({at + LIMIT < line.size() ? 2 : 1, line.substr(at, LIMIT)});
        }
        expected.push_back({0, ""});
        LineReader reader;
        EXPECT_EQ(ReadAll(reader, chunks), expected) << "shift " << shift;
    }
}

TEST(LineReader, ALineEndIsFoundAtAnyOffset)
{
    for (int offset = 0; offset < 24; ++offset) {
        for (const char special : {'\r', '\n', '\0'}) {
            const std::string head(static_cast<std::size_t>(offset), '\x8D');
            std::string chunk = head;
            chunk += special;
            chunk += "\x8Ayz\n";
            const std::vector<Piece> expected = special == '\0' ? std::vector<Piece>{{1, head + "\x8Ayz"}, {0, ""}}
                                                                : std::vector<Piece>{{1, head}, {1, "\x8Ayz"}, {0, ""}};
            LineReader reader;
            EXPECT_EQ(ReadAll(reader, {chunk}), expected) << "offset " << offset << " byte " << int(special);
        }
    }
}

TEST(LineReader, ClearForgetsUnreadBytesAndAPendingCr)
{
    LineReader reader;
    std::vector<std::string> first = {"old\rleft over"};
    bool given = false;
    char out[80];
    auto once = [&](char* destination, int) {
        if (given) {
            return 0;
        }
        given = true;
        std::memcpy(destination, first[0].data(), first[0].size());
        return static_cast<int>(first[0].size());
    };
    ASSERT_EQ(reader.ReadLine(out, LINE_LIMIT, once), LINE_WHOLE);
    EXPECT_STREQ(out, "old");
    reader.Clear();
    // A LF opening the next connection is a line end of its own, not the rest of the old CR LF.
    EXPECT_EQ(ReadAll(reader, {"\nnew\n"}), (std::vector<Piece>{{1, ""}, {1, "new"}, {0, ""}}));
}

TEST(LineReader, NeverWritesBeyondMax)
{
    LineReader reader;
    char out[12];
    std::memset(out, '#', sizeof out);
    const std::string line(30, 'q');
    bool given = false;
    auto refill = [&](char* destination, int) {
        if (given) {
            return 0;
        }
        given = true;
        std::memcpy(destination, line.data(), line.size());
        return static_cast<int>(line.size());
    };
    EXPECT_EQ(reader.ReadLine(out + 1, 5, refill), LINE_PARTIAL);
    EXPECT_EQ(std::string(out, 8), "#qqqqq\0#"s);
}

} // namespace
} // namespace pyrandel
