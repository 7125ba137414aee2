#include "text/text_codec.h"

#include "iconv_reference.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

using namespace std::string_literals;
using test::IconvToCp932;

std::string Utf8(std::u8string_view text)
{
    return std::string(text.begin(), text.end());
}

const std::string REPLACEMENT = "\xEF\xBF\xBD";

// Whether `text` is well-formed UTF-8 (what a widget is given must be).
bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = byte < 0x80                    ? 1
                             : byte >= 0xC2 && byte <= 0xDF ? 2
                             : byte >= 0xE0 && byte <= 0xEF ? 3
                             : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

TEST(TextCatalogue, EveryEntryIsItsUtf8SpellingInCodePage932)
{
    std::set<std::string_view> names;
    for (const texts::CatalogueEntry& entry : texts::CATALOGUE) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        const std::optional<std::string> expected = IconvToCp932(entry.utf8);
        ASSERT_TRUE(expected) << entry.name;
        EXPECT_EQ(entry.cp932, *expected) << entry.name;
        // A catalogue text goes into fields and lines as it is, so it must hold no separator.
        EXPECT_EQ(entry.cp932.find_first_of("\t\r\n"s + '\0'), std::string_view::npos) << entry.name;
    }
}

TEST(TextCatalogue, ColourNamesFollowTheColourNumbers)
{
    EXPECT_EQ(texts::ColourName(0), IconvToCp932(u8"青"));
    EXPECT_EQ(texts::ColourName(1), IconvToCp932(u8"赤"));
    EXPECT_EQ(texts::ColourName(2), IconvToCp932(u8"黄"));
    EXPECT_EQ(texts::ColourName(3), IconvToCp932(u8"緑"));
    for (const int outside : {-1, 4, 7, 100, INT_MIN, INT_MAX}) {
        EXPECT_EQ(texts::ColourName(outside), "") << outside;
    }
}

TEST(TextCodec, CatalogueRoundTrips)
{
    for (const texts::CatalogueEntry& entry : texts::CATALOGUE) {
        EXPECT_EQ(Cp932ToUtf8(entry.cp932), Utf8(entry.utf8)) << entry.name;
        EXPECT_EQ(Utf8ToCp932(Utf8(entry.utf8)), entry.cp932) << entry.name;
    }
}

struct DecodeCase {
    std::string name;
    std::string cp932;
    std::string utf8;
};

TEST(TextCodec, BrokenCodePage932ShowsReplacementCharacters)
{
    const std::vector<DecodeCase> cases = {
        {"ascii", "abc 123", "abc 123"},
        {"empty", "", ""},
        {"half-width katakana", "\xB1", Utf8(u8"ｱ")},
        {"cut lead byte at the end", "A\x82", "A" + REPLACEMENT},
        {"cut after a whole character", "\x82\xA0\x82", Utf8(u8"あ") + REPLACEMENT},
        {"lone lead byte before ASCII", "\x82 x", REPLACEMENT + " x"},
        {"lone trail-range bytes", "\x80\xA0\xFD", REPLACEMENT + REPLACEMENT + REPLACEMENT},
        {"unassigned pair is one character", "\x85\x40Z", REPLACEMENT + "Z"},
        {"text goes on after a bad byte", "\xFF" + std::string(texts::COLOUR_RED), REPLACEMENT + Utf8(u8"赤")},
        {"NUL is kept", "a\0b"s, "a\0b"s},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.name;
    }
}

// The lenient direction puts "?" in place; the strict one refuses the whole text instead.
TEST(TextCodec, CharactersCodePage932LacksBecomeQuestionMarksOrAreRefused)
{
    const std::vector<DecodeCase> cases = {
        {"ascii", "abc", "abc"},
        {"japanese", *IconvToCp932(u8"お名前"), Utf8(u8"お名前")},
        {"half-width katakana", "\xB1", Utf8(u8"ｱ")},
        {"empty", "", ""},
        {"emoji", "A?B", Utf8(u8"A😀B")},
        {"hangul", "??", Utf8(u8"한글")},
        {"cut sequence at the end", "x?", "x\xE3\x81"},
        {"stray continuation byte", "?a",
         "\x80"
         "a"},
        {"invalid byte", "?", "\xFF"},
        {"overlong encoding", "??", "\xC0\xAF"},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.name;
        const bool taken_whole = c.cp932.find('?') == std::string::npos;
        EXPECT_EQ(Utf8ToCp932Strict(c.utf8), taken_whole ? std::optional(c.cp932) : std::nullopt) << c.name;
    }
}

TEST(Cp932Prefix, NeverEndsInsideADoubleByteCharacter)
{
    const std::string waiting(texts::STATUS_WAITING); // nine double-byte characters
    struct Case {
        std::string name;
        std::string text;
        std::size_t max_bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ascii", "abcdef", 3, "abc"},
        {"whole text fits", "abc", 79, "abc"},
        {"no bytes", "abc", 0, ""},
        {"even cut", waiting, 4, waiting.substr(0, 4)},
        {"odd cut backs off", waiting, 5, waiting.substr(0, 4)},
        {"one byte of a pair", waiting, 1, ""},
        {"mixed", "A" + waiting, 4, "A" + waiting.substr(0, 2)},
        {"half-width katakana is one byte", "\xB1\xB2\xB3", 2, "\xB1\xB2"},
        {"upper lead range", "\xE0\x40\xFC\x40", 3, "\xE0\x40"},
        {"lead byte cut off by the text", "A\x82", 79, "A"},
        {"trail byte that looks like a lead", "\x82\x81\x82\xA0", 3, "\x82\x81"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cp932Prefix(c.text, c.max_bytes), c.expected) << c.name;
    }
}

TEST(TextCodec, AnyBytesGiveWellFormedResults)
{
    std::mt19937 random(932);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(random() % 100, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 256);
        }
        const std::string utf8 = Cp932ToUtf8(bytes);
        ASSERT_TRUE(IsUtf8(utf8));
        const std::string back = Utf8ToCp932(bytes);
        ASSERT_EQ(Cp932ToUtf8(back).find(REPLACEMENT), std::string::npos);

        const std::size_t max = random() % 100;
        const std::string_view prefix = Cp932Prefix(bytes, max);
        ASSERT_LE(prefix.size(), max);
        ASSERT_EQ(bytes.compare(0, prefix.size(), prefix), 0);
        ASSERT_EQ(Cp932Prefix(prefix, max), prefix);
    }
}

} // namespace
} // namespace pyrandel
