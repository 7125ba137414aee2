#include "protocol/messages.h"

#include "iconv_reference.h"
#include "protocol/field_list.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pyrandel::protocol {
namespace {

using test::Cp932;

// The host's relay of a player's PLOT line.
std::string RelayOf(std::string_view plot)
{
    const FieldList fields(plot);
    return PlotRelay(std::get<PlotLine>(ReadFromPlayer(fields).value()));
}

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
        Built{"PlotRelay", RelayOf("PLOT\t1\t4\t2\t0\t-1"), "PLOT\t1\t4\t2\t0"},
        // Relayed fields are copied, never re-read as numbers.
        Built{"PlotRelayVerbatim", RelayOf("PLOT\t01\t 4\t2x\t-0\t-1"), "PLOT\t01\t 4\t2x\t-0"},
        Built{"PlotRelayAbsentFields", RelayOf("PLOT\t3\t5"), "PLOT\t3\t5\t\t"},
        Built{"PlotRelayNoFields", RelayOf("PLOT"), "PLOT\t\t\t\t"}, Built{"EndMatchLost", EndMatchLost(), "END_VS"},
        Built{"EndMatchRelay", EndMatchRelay(2, ""), "END_VS\t2\t"},
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

// Reading: a line of either direction and the message its receiver reads from it.
template <typename Message>
struct Read {
    std::string name;
    std::string line;
    std::optional<Message> expected;
};

template <typename Message>
void PrintTo(const Read<Message>& c, std::ostream* out)
{
    *out << c.name;
}

NumberField Number(int value, std::string_view text)
{
    return NumberField{value, text, true};
}
constexpr NumberField ABSENT{};

const std::string LONG_TEXT(70, 't');
const std::string JAPANESE_NAME = Cp932(u8"太郎");

class FromPlayerTest : public testing::TestWithParam<Read<FromPlayer>> {};

TEST_P(FromPlayerTest, ReadsWhatTheHostActsOn)
{
    const FieldList fields(GetParam().line);
    EXPECT_EQ(ReadFromPlayer(fields), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FromPlayerTest,
    testing::Values(
        Read<FromPlayer>{"NewClient", NewClient(JAPANESE_NAME), NewClientLine{JAPANESE_NAME}},
        Read<FromPlayer>{"NewClientWithoutName", "NEW_C", NewClientLine{""}},
        Read<FromPlayer>{"Chat", Chat("a b"), ChatLine{"a b"}}, Read<FromPlayer>{"ChatEmpty", Chat(""), ChatLine{""}},
        Read<FromPlayer>{"ChatExtraFieldIgnored", "CHAT	a	b", ChatLine{"a"}},
        Read<FromPlayer>{"StartButton", StartMatch(), StartMatchLine{0}},
        Read<FromPlayer>{"StartWithCount", StartMatch(3), StartMatchLine{3}},
        Read<FromPlayer>{
            "Plot", Plot(2, 15, 11, 0, -1),
            PlotLine{Number(2, "2"), Number(15, "15"), Number(11, "11"), Number(0, "0"), Number(-1, "-1")}},
        Read<FromPlayer>{"PlotWithoutFields", "PLOT", PlotLine{}},
        // Each field keeps its text beside the number it reads as: a relay copies the one, the host acts on the
        // other.
        Read<FromPlayer>{"PlotOddFields", "PLOT	01	x	 7	",
                         PlotLine{Number(1, "01"), Number(0, "x"), Number(7, " 7"), Number(0, ""), ABSENT}},
        Read<FromPlayer>{"PlotBeyondInt", "PLOT	99999999999",
                         PlotLine{Number(2147483647, "99999999999"), ABSENT, ABSENT, ABSENT, ABSENT}},
        Read<FromPlayer>{"EndMatch", EndMatch(3), EndMatchLine{3, ""}},
        Read<FromPlayer>{"EndMatchField2", "END_VS	1	zz", EndMatchLine{1, "zz"}},
        Read<FromPlayer>{"EndMatchWithoutFields", "END_VS", EndMatchLine{0, ""}},
        Read<FromPlayer>{"WordIsWhole", "PLOTX	1	2", std::nullopt},
        Read<FromPlayer>{"WordIsCaseSensitive", "plot	1", std::nullopt},
        Read<FromPlayer>{"EmptyLine", "", std::nullopt}, Read<FromPlayer>{"HostWord", CanPut(), std::nullopt},
        Read<FromPlayer>{"HostId", Id(1), std::nullopt}),
    [](const testing::TestParamInfo<Read<FromPlayer>>& info) { return info.param.name; });

class FromHostTest : public testing::TestWithParam<Read<FromHost>> {};

TEST_P(FromHostTest, ReadsWhatThePlayerActsOn)
{
    const FieldList fields(GetParam().line);
    EXPECT_EQ(ReadFromHost(fields), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FromHostTest,
    testing::Values(
        Read<FromHost>{"Id", Id(2), IdLine{2}}, Read<FromHost>{"IdWithoutField", "ID", IdLine{0}},
        Read<FromHost>{"Add", Add(1, JAPANESE_NAME), AddLine{1, JAPANESE_NAME}},
        Read<FromHost>{"AddWithoutName", "ADD	1", AddLine{1, ""}}, Read<FromHost>{"Del", Del(3), DelLine{3}},
        Read<FromHost>{"Msg", MsgArrived("a"), MsgLine{"a" + std::string(texts::MSG_ARRIVED_SUFFIX)}},
        Read<FromHost>{"MsgEmpty", "MSG", MsgLine{""}},
        Read<FromHost>{"ChatRelay", ChatRelay(1, "a", "b c"), ChatRelayLine{1, "a", "b c"}},
        Read<FromHost>{"ChatRelayEmpty", ChatRelay(0, "", ""), ChatRelayLine{0, "", ""}},
        // What the relay cut at the line limit reads as the text the players saw, and nothing of the rest.
        Read<FromHost>{"ChatRelayCut", ChatRelay(1, "?", LONG_TEXT + "ID	3"), ChatRelayLine{1, "?", LONG_TEXT}},
        Read<FromHost>{"ChatRelayWithoutText", "CHAT	2", ChatRelayLine{2, "", ""}},
        Read<FromHost>{"MatchStart", MatchStart(1, 3), MatchStartLine{1, 3}},
        Read<FromHost>{"MatchStartAnyColour", "STARTVS	9", MatchStartLine{9, 0}},
        Read<FromHost>{"MatchStartWithoutFields", StartMatch(), MatchStartLine{0, 0}},
        Read<FromHost>{"CanPut", CanPut(), CanPutLine{}},
        Read<FromHost>{"CanPutExtraField", "CAN_PUT	x", CanPutLine{}},
        Read<FromHost>{"PlotRelay", RelayOf("PLOT	1	4	2	0	-1"),
                       PlotLine{Number(1, "1"), Number(4, "4"), Number(2, "2"), Number(0, "0"), ABSENT}},
        Read<FromHost>{"PlotRelayAbsentFields", RelayOf("PLOT	3"),
                       PlotLine{Number(3, "3"), Number(0, ""), Number(0, ""), Number(0, ""), ABSENT}},
        Read<FromHost>{"EndMatchLost", EndMatchLost(), EndMatchLine{0, ""}},
        Read<FromHost>{"EndMatchRelay", EndMatchRelay(1, "zz"), EndMatchLine{1, "zz"}},
        Read<FromHost>{"PlayerWord", NewClient("x"), std::nullopt}, Read<FromHost>{"WordIsWhole", "ID2", std::nullopt}),
    [](const testing::TestParamInfo<Read<FromHost>>& info) { return info.param.name; });

class ColourAnnouncementTest : public testing::TestWithParam<Read<ColourAnnouncement>> {};

TEST_P(ColourAnnouncementTest, ReadsTheColourOfAnAnnouncementOnly)
{
    const FieldList fields(GetParam().line);
    const auto message = ReadFromHost(fields);
    ASSERT_TRUE(message && std::holds_alternative<MsgLine>(*message));
    EXPECT_EQ(ReadColourAnnouncement(std::get<MsgLine>(*message).text), GetParam().expected);
}

const std::string NAME_WITH_INFIX = "a" + std::string(texts::MSG_COLOUR_INFIX);

INSTANTIATE_TEST_SUITE_P(
    Texts, ColourAnnouncementTest,
    testing::Values(Read<ColourAnnouncement>{"Blue", MsgColour("taro", 0), ColourAnnouncement{"taro", 0}},
                    Read<ColourAnnouncement>{"Red", MsgColour("taro", 1), ColourAnnouncement{"taro", 1}},
                    Read<ColourAnnouncement>{"Yellow", MsgColour("taro", 2), ColourAnnouncement{"taro", 2}},
                    Read<ColourAnnouncement>{"Green", MsgColour(JAPANESE_NAME, 3),
                                             ColourAnnouncement{JAPANESE_NAME, 3}},
                    Read<ColourAnnouncement>{"Nameless", MsgColour("", 1), ColourAnnouncement{"", 1}},
                    Read<ColourAnnouncement>{"NameHoldsTheInfix", MsgColour(NAME_WITH_INFIX, 2),
                                             ColourAnnouncement{NAME_WITH_INFIX, 2}},
                    Read<ColourAnnouncement>{"NoColourName", MsgColour("a", 7), std::nullopt},
                    Read<ColourAnnouncement>{"NoInfix", Msg(Cp932(u8"a青色です")), std::nullopt},
                    Read<ColourAnnouncement>{"Win", MsgWin("a", 0), std::nullopt},
                    Read<ColourAnnouncement>{"Arrival", MsgArrived("a"), std::nullopt},
                    Read<ColourAnnouncement>{"Empty", Msg(""), std::nullopt}),
    [](const testing::TestParamInfo<Read<ColourAnnouncement>>& info) { return info.param.name; });

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
