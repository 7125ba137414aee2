#include "protocol/field_list.h"

#include "text/texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

using namespace std::string_literals;

std::vector<std::string> FieldsOf(const FieldList& list)
{
    std::vector<std::string> fields;
    for (int i = 0; i < list.Count(); ++i) {
        fields.emplace_back(list.Get(i));
    }
    return fields;
}

// Fields w, 1, 2, ... n joined by TABs: a line with n TABs.
std::string NumberedLine(int tabs)
{
    std::string line = "w";
    for (int i = 1; i <= tabs; ++i) {
        line += "\t" + std::to_string(i);
    }
    return line;
}

struct SplitCase {
    std::string name;
    std::string line;
    std::vector<std::string> expected;
};

void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << c.name;
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, CutsAtEveryTabUpToFifteenFields)
{
    const SplitCase& c = GetParam();
    const FieldList list(c.line);
    EXPECT_EQ(FieldsOf(list), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitTest,
    testing::Values(SplitCase{"EmptyFieldBetweenTabs", "A\t\tB", {"A", "", "B"}},
                    SplitCase{"TrailingTabLeavesEmptyField", "A\t", {"A", ""}},
                    SplitCase{"EmptyLineIsOneEmptyField", "", {""}}, SplitCase{"OnlyTabs", "\t\t", {"", "", ""}},
                    SplitCase{"NothingTrimmed", "CHAT \t a b ", {"CHAT ", " a b "}},
                    SplitCase{"FourteenTabsFifteenFields",
                              NumberedLine(14),
                              {"w", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14"}},
                    SplitCase{"TwentyTabsKeepTheRestInField14",
                              NumberedLine(20),
                              {"w", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13",
                               "14\t15\t16\t17\t18\t19\t20"}},
                    SplitCase{"FifteenthTabAtTheEnd",
                              NumberedLine(14) + "\t",
                              {"w", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14\t"}},
                    SplitCase{"EndsAtFirstNul", "PLOT\t1\0\t2\t3"s, {"PLOT", "1"}},
                    SplitCase{"NulFirst", "\0PLOT\t1"s, {""}},
                    SplitCase{"Cp932BytesUntouched",
                              "CHAT\t"s + std::string(texts::MSG_SERVER_FULL),
                              {"CHAT", std::string(texts::MSG_SERVER_FULL)}},
                    SplitCase{"HighBytesAndCrLfAreFieldBytes", "\xFF\r\n\t\x81\x40", {"\xFF\r\n", "\x81\x40"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(FieldList, GetOutsideTheFieldsIsEmpty)
{
    const FieldList plot("PLOT");
    ASSERT_EQ(plot.Count(), 1);
    for (const int index : {-1, 1, 2, 3, 4, 5, 14, 15, INT_MAX, INT_MIN}) {
        EXPECT_EQ(plot.Get(index), "") << index;
        EXPECT_EQ(plot.Number(index), 0) << index;
    }
}

TEST(FieldList, ClearLeavesNoField)
{
    FieldList list("ADD\t1\tname");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Get(0), "");
    EXPECT_FALSE(list.Is(""));
    EXPECT_FALSE(list.Is("ADD"));

    const FieldList never_split;
    EXPECT_EQ(never_split.Count(), 0);
    EXPECT_FALSE(never_split.Is(""));
}

TEST(FieldList, SplitReplacesTheWholeContents)
{
    FieldList list(NumberedLine(20));
    list.Split("DEL\t2");
    EXPECT_EQ(FieldsOf(list), (std::vector<std::string>{"DEL", "2"}));
    EXPECT_EQ(list.Get(2), "");
}

TEST(FieldList, CopiesAndMovesKeepTheirOwnFields)
{
    // Short lines live inside the string object itself, so a field that pointed into the source would dangle.
    FieldList source("ID\t3");
    const FieldList copy = source;
    FieldList moved = std::move(source);
    source.Split("X\tY");
    moved = FieldList("DEL\t1");
    EXPECT_EQ(FieldsOf(copy), (std::vector<std::string>{"ID", "3"}));
    EXPECT_EQ(FieldsOf(moved), (std::vector<std::string>{"DEL", "1"}));
    EXPECT_EQ(FieldsOf(source), (std::vector<std::string>{"X", "Y"}));
}

TEST(FieldList, CommandWordMatchesWholeAndCaseSensitive)
{
    struct Case {
        std::string line;
        bool is_plot;
    };
    const std::vector<Case> cases = {{"PLOT", true},      {"PLOT\t0\t1", true}, {"PLOTX\t0", false},
                                     {"PLOT \t0", false}, {"plot\t0", false},   {"PLO\tT", false},
                                     {" PLOT", false},    {"", false},          {"PLOT\0X"s, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(FieldList(c.line).Is("PLOT"), c.is_plot) << c.line;
    }
    EXPECT_TRUE(FieldList("").Is(""));
    EXPECT_FALSE(FieldList("CHAT \thello").Is("CHAT"));
}

TEST(FieldList, AnyBytesSplitBackIntoTheLine)
{
    std::mt19937 random(79);
    for (int round = 0; round < 5000; ++round) {
        std::string line(random() % 120, '\0');
        for (char& c : line) {
            // Mostly TABs and high bytes, so that both the field limit and the NUL cut are met often.
            const unsigned pick = random() % 8;
            c = pick < 3 ? '\t' : pick == 3 && random() % 8 == 0 ? '\0' : static_cast<char>(random() % 256);
        }
        const FieldList list(line);
        ASSERT_GE(list.Count(), 1);
        ASSERT_LE(list.Count(), MAX_FIELDS);
        std::string joined(list.Get(0));
        for (int i = 1; i < list.Count(); ++i) {
            joined += '\t';
            joined += list.Get(i);
        }
        ASSERT_EQ(joined, line.substr(0, line.find('\0')));
        for (int i = 0; i + 1 < list.Count(); ++i) {
            ASSERT_EQ(list.Get(i).find('\t'), std::string_view::npos);
        }
        (void)list.Number(round % 17 - 1);
    }
}

struct NumberCase {
    std::string text;
    int expected;
};

TEST(ReadNumber, ReadsLikeAtoiAndSaturates)
{
    const std::vector<NumberCase> cases = {
        {"-1", -1},
        {" 7", 7},
        {"7x", 7},
        {"x7", 0},
        {"", 0},
        {"+5", 5},
        {"\t\n\v\f\r 12", 12},
        {"-", 0},
        {"- 1", 0},
        {"--1", 0},
        {"00012", 12},
        {"-0", 0},
        {"1 2", 1},
        {"\xFF"
         "9",
         0},
        {"1\0"
         "2"s,
         1},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
        {"0000000000000000000000042", 42},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(ReadNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(AppendField, AddsOneTabAndTheText)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"name", "W\tname"},
        {"", "W\t"},
        {"a b", "W\ta b"},
        {std::string(texts::STATUS_WAITING), "W\t" + std::string(texts::STATUS_WAITING)},
        {"cut\0here"s, "W\tcut"},
        {"a\tb", "W\ta b"},
        {"line\r\nSTARTVS", "W\tline  STARTVS"},
    };
    for (const Case& c : cases) {
        std::string message = "W";
        AppendField(message, std::string_view(c.text));
        EXPECT_EQ(message, c.expected);
    }
}

TEST(AppendField, WritesNumbersLikePercentD)
{
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "W\t0"}, {-1, "W\t-1"}, {15, "W\t15"}, {INT_MAX, "W\t2147483647"}, {INT_MIN, "W\t-2147483648"}};
    for (const auto& [number, expected] : cases) {
        std::string message = "W";
        AppendField(message, number);
        EXPECT_EQ(message, expected);
        EXPECT_EQ(FieldList(message).Number(1), number);
    }
}

} // namespace
} // namespace pyrandel
