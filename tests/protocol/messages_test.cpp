#include "protocol/messages.h"

#include "iconv_reference.h"
#include "protocol/field_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pyrandel::protocol {
namespace {

using test::Cp932;

struct Built {
    std::string name;
    std::string line;
    std::string expected;
};

void PrintTo(const Built& c, std::ostream* out)
{
    *out << c.name;
}

class MessageTest : public testing::TestWithParam<Built> {};

TEST_P(MessageTest, IsByteExact)
{
    EXPECT_EQ(GetParam().line, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(PlayerToHost, MessageTest,
                         testing::Values(Built{"NewClient", NewClient("taro"), "NEW_C\ttaro"},
                                         Built{"NewClientNameless", NewClient(""), "NEW_C\t"},
                                         Built{"Chat", Chat("hello there"), "CHAT\thello there"},
                                         Built{"StartButton", StartMatch(), "STARTVS"},
                                         Built{"StartWithCount", StartMatch(3), "STARTVS\t3"},
                                         Built{"Plot", Plot(2, 15, 11, 0, -1), "PLOT\t2\t15\t11\t0\t-1"},
                                         Built{"PlotWin", Plot(0, 7, 0, 1, -1), "PLOT\t0\t7\t0\t1\t-1"},
                                         Built{"EndMatch", EndMatch(3), "END_VS\t3"}),
                         [](const testing::TestParamInfo<Built>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    HostToPlayer, MessageTest,
    testing::Values(
        Built{"Id", Id(0), "ID\t0"}, Built{"Add", Add(2, "hanako"), "ADD\t2\thanako"},
        Built{"AddNameless", Add(0, ""), "ADD\t0\t"}, Built{"Del", Del(3), "DEL\t3"},
        Built{"Msg", Msg("x y"), "MSG\tx y"}, Built{"ChatRelay", ChatRelay(1, "a", "b c"), "CHAT\t1\ta\tb c"},
        Built{"ChatRelayEmpty", ChatRelay(0, "", ""), "CHAT\t0\t\t"},
        // What the receiver would have cut off as a line of the speaker's choosing is never sent.
        Built{"ChatRelayCutWhereTheReceiverCuts", ChatRelay(1, "?", std::string(70, 't') + "ID\t3"),
              "CHAT\t1\t?\t" + std::string(70, 't')},
        Built{"ChatRelayLongNameCut", ChatRelay(3, std::string(72, 'n') + "ID", "CAN_PUT"),
              "CHAT\t3\t" + std::string(72, 'n')},
        Built{"ChatRelayFillsTheLine", ChatRelay(2, "n", std::string(70, 't')), "CHAT\t2\tn\t" + std::string(70, 't')},
        Built{"MatchStart", MatchStart(1, 3), "STARTVS\t1\t3"}, Built{"CanPut", CanPut(), "CAN_PUT"},
        Built{"PlotRelay", PlotRelay("1", "4", "2", "0"), "PLOT\t1\t4\t2\t0"},
        // Relayed fields are copied, never re-read as numbers.
        Built{"PlotRelayVerbatim", PlotRelay("01", " 4", "2x", "-0"), "PLOT\t01\t 4\t2x\t-0"},
        Built{"PlotRelayAbsentFields", PlotRelay("3", "5", "", ""), "PLOT\t3\t5\t\t"},
        Built{"EndMatchLost", EndMatchLost(), "END_VS"}, Built{"EndMatchRelay", EndMatchRelay(2, ""), "END_VS\t2\t"},
        Built{"EndMatchRelayField", EndMatchRelay(1, "zz"), "END_VS\t1\tzz"}),
    [](const testing::TestParamInfo<Built>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Announcements, MessageTest,
    testing::Values(
        Built{"ServerFull", MsgServerFull(), "MSG\t" + Cp932(u8"申し訳ありません。現在、このサーバーは満席です")},
        Built{"MatchRunning", MsgMatchRunning(), "MSG\t" + Cp932(u8"現在、対戦中です。もうすこし、お待ちください")},
        Built{"Arrived", MsgArrived("taro"), "MSG\ttaro" + Cp932(u8"さんの登場です")},
        Built{"ArrivedNameless", MsgArrived(""), "MSG\t" + Cp932(u8"さんの登場です")},
        Built{"ArrivedJapaneseName", MsgArrived(Cp932(u8"太郎")), "MSG\t" + Cp932(u8"太郎さんの登場です")},
        Built{"Gone", MsgGone("taro"), "MSG\ttaro" + Cp932(u8"さんが、いなくなりました")},
        Built{"ColourBlue", MsgColour("a", 0), "MSG\ta" + Cp932(u8"さんは、青色です")},
        Built{"ColourRed", MsgColour("a", 1), "MSG\ta" + Cp932(u8"さんは、赤色です")},
        Built{"ColourYellow", MsgColour("a", 2), "MSG\ta" + Cp932(u8"さんは、黄色です")},
        Built{"ColourGreen", MsgColour("a", 3), "MSG\ta" + Cp932(u8"さんは、緑色です")},
        Built{"WinGreen", MsgWin("b", 3), "MSG\tb" + Cp932(u8"さん(緑色)の勝利です")},
        Built{"WinBlue", MsgWin("b", 0), "MSG\tb" + Cp932(u8"さん(青色)の勝利です")},
        Built{"WinColour7LeavesTheNameOut", MsgWin("b", 7), "MSG\tb" + Cp932(u8"さん(色)の勝利です")},
        Built{"WinColourMinus1LeavesTheNameOut", MsgWin("b", -1), "MSG\tb" + Cp932(u8"さん(色)の勝利です")},
        Built{"WinColour4LeavesTheNameOut", MsgWin("b", 4), "MSG\tb" + Cp932(u8"さん(色)の勝利です")}),
    [](const testing::TestParamInfo<Built>& info) { return info.param.name; });

TEST(Messages, ReadBackThroughFieldList)
{
    const FieldList plot(Plot(3, 12, 7, 1, -1));
    EXPECT_TRUE(plot.Is(PLOT));
    EXPECT_EQ(plot.Count(), 6);
    EXPECT_EQ((std::vector<int>{plot.Number(1), plot.Number(2), plot.Number(3), plot.Number(4), plot.Number(5)}),
              (std::vector<int>{3, 12, 7, 1, -1}));

    const FieldList chat(ChatRelay(2, "name", "text"));
    EXPECT_TRUE(chat.Is(CHAT));
    EXPECT_EQ(chat.Number(1), 2);
    EXPECT_EQ(chat.Get(2), "name");
    EXPECT_EQ(chat.Get(3), "text");
}

TEST(Messages, UserTextCannotForgeFieldsOrLines)
{
    // A pasted chat text must stay one field of one line, whatever it holds.
    const std::string line = Chat("hi\r\nPLOT\t0\t5\t0\t1\t-1");
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    const FieldList fields(line);
    EXPECT_EQ(fields.Count(), 2);
    EXPECT_TRUE(fields.Is(CHAT));

    const FieldList add(Add(1, "a\tb"));
    EXPECT_EQ(add.Count(), 3);
    EXPECT_EQ(add.Get(2), "a b");
}

} // namespace
} // namespace pyrandel::protocol
