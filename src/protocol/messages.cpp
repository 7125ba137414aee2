#include "protocol/messages.h"

#include "net/tcp_socket.h"
#include "protocol/field_list.h"
#include "protocol/texts.h"

namespace pyrandel::protocol {

namespace {

[[nodiscard]] std::string Line(std::string_view word)
{
    return std::string(word);
}

template <typename... Fields>
[[nodiscard]] std::string Line(std::string_view word, const Fields&... fields)
{
    std::string line(word);
    (AppendField(line, fields), ...);
    return line;
}

[[nodiscard]] std::string Join(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (const std::string_view part : parts) {
        text += part;
    }
    return text;
}

} // namespace

std::string NewClient(std::string_view name)
{
    return Line(NEW_C, name);
}
std::string Chat(std::string_view text)
{
    return Line(CHAT, text);
}
std::string StartMatch()
{
    return Line(STARTVS);
}
std::string StartMatch(int count)
{
    return Line(STARTVS, count);
}

std::string Plot(int colour, int col, int row, int win, int left)
{
    return Line(PLOT, colour, col, row, win, left);
}

std::string EndMatch(int own_id)
{
    return Line(END_VS, own_id);
}

std::string Id(int id)
{
    return Line(ID, id);
}
std::string Add(int id, std::string_view name)
{
    return Line(ADD, id, name);
}
std::string Del(int id)
{
    return Line(DEL, id);
}
std::string Msg(std::string_view text)
{
    return Line(MSG, text);
}

std::string ChatRelay(int id, std::string_view name, std::string_view text)
{
    // The relay puts the speaker's id and name in front of a text that already filled a line, so it can be longer
    // than a receiver reads. The receiver would take the rest as a line of its own, a line whose start the
    // speaker chose: "CAN_PUT", "ID\t3" or "PLOT..." at every other player. Cut where the receiver cuts, the line
    // shows the players exactly what they saw before and nothing more.
    std::string line = Line(CHAT, id, name, text);
    if (line.size() > static_cast<std::size_t>(LINE_LIMIT)) {
        line.resize(static_cast<std::size_t>(LINE_LIMIT));
    }
    return line;
}

std::string MatchStart(int colour, int count)
{
    return Line(STARTVS, colour, count);
}
std::string CanPut()
{
    return Line(CAN_PUT);
}

std::string PlotRelay(std::string_view colour, std::string_view col, std::string_view row, std::string_view win)
{
    return Line(PLOT, colour, col, row, win);
}

std::string EndMatchLost()
{
    return Line(END_VS);
}
std::string EndMatchRelay(int id, std::string_view field2)
{
    return Line(END_VS, id, field2);
}

std::string MsgServerFull()
{
    return Msg(texts::MSG_SERVER_FULL);
}
std::string MsgMatchRunning()
{
    return Msg(texts::MSG_MATCH_RUNNING);
}
std::string MsgArrived(std::string_view name)
{
    return Msg(Join({name, texts::MSG_ARRIVED_SUFFIX}));
}
std::string MsgGone(std::string_view name)
{
    return Msg(Join({name, texts::MSG_GONE_SUFFIX}));
}

std::string MsgColour(std::string_view name, int colour)
{
    return Msg(Join({name, texts::MSG_COLOUR_INFIX, texts::ColourName(colour), texts::MSG_COLOUR_SUFFIX}));
}

std::string MsgWin(std::string_view name, int colour)
{
    return Msg(Join({name, texts::MSG_WIN_INFIX, texts::ColourName(colour), texts::MSG_WIN_SUFFIX}));
}

} // namespace pyrandel::protocol
