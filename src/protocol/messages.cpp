#include "protocol/messages.h"

#include "net/tcp_socket.h"
#include "protocol/field_list.h"
#include "text/texts.h"

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

// Reading

[[nodiscard]] NumberField NumberAt(const FieldList& fields, int index)
{
    return NumberField{fields.Number(index), fields.Get(index), index < fields.Count()};
}

[[nodiscard]] PlotLine ReadPlot(const FieldList& fields)
{
    return PlotLine{NumberAt(fields, 1), NumberAt(fields, 2), NumberAt(fields, 3), NumberAt(fields, 4),
                    NumberAt(fields, 5)};
}

[[nodiscard]] EndMatchLine ReadEndMatch(const FieldList& fields)
{
    return EndMatchLine{fields.Number(1), fields.Get(2)};
}

// One row per command word of a direction: the word and how its fields read.
template <typename Message>
struct Reader {
    std::string_view word;
    Message (*read)(const FieldList& fields);
};

constexpr std::array<Reader<FromPlayer>, 5> FROM_PLAYER = {{
    {NEW_C, [](const FieldList& f) -> FromPlayer { return NewClientLine{f.Get(1)}; }},
    {CHAT, [](const FieldList& f) -> FromPlayer { return ChatLine{f.Get(1)}; }},
    {STARTVS, [](const FieldList& f) -> FromPlayer { return StartMatchLine{f.Number(1)}; }},
    {PLOT, [](const FieldList& f) -> FromPlayer { return ReadPlot(f); }},
    {END_VS, [](const FieldList& f) -> FromPlayer { return ReadEndMatch(f); }},
}};

constexpr std::array<Reader<FromHost>, 9> FROM_HOST = {{
    {ID, [](const FieldList& f) -> FromHost { return IdLine{f.Number(1)}; }},
    {ADD,
     [](const FieldList& f) -> FromHost {
         return AddLine{f.Number(1), f.Get(2)};
     }},
    {DEL, [](const FieldList& f) -> FromHost { return DelLine{f.Number(1)}; }},
    {MSG, [](const FieldList& f) -> FromHost { return MsgLine{f.Get(1)}; }},
    {CHAT,
     [](const FieldList& f) -> FromHost {
         return ChatRelayLine{f.Number(1), f.Get(2), f.Get(3)};
     }},
    {STARTVS,
     [](const FieldList& f) -> FromHost {
         return MatchStartLine{f.Number(1), f.Number(2)};
     }},
    {CAN_PUT, [](const FieldList&) -> FromHost { return CanPutLine{}; }},
    {PLOT, [](const FieldList& f) -> FromHost { return ReadPlot(f); }},
    {END_VS, [](const FieldList& f) -> FromHost { return ReadEndMatch(f); }},
}};

template <typename Message, std::size_t size>
[[nodiscard]] std::optional<Message> Read(const std::array<Reader<Message>, size>& readers, const FieldList& fields)
{
    for (const Reader<Message>& reader : readers) {
        if (fields.Is(reader.word)) {
            return reader.read(fields);
        }
    }
    return std::nullopt;
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

std::string PlotRelay(const PlotLine& move)
{
    return Line(PLOT, move.colour.text, move.col.text, move.row.text, move.win.text);
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

// Reading

std::optional<FromPlayer> ReadFromPlayer(const FieldList& fields)
{
    return Read(FROM_PLAYER, fields);
}

std::optional<FromHost> ReadFromHost(const FieldList& fields)
{
    return Read(FROM_HOST, fields);
}

std::optional<ColourAnnouncement> ReadColourAnnouncement(std::string_view text)
{
    if (!text.ends_with(texts::MSG_COLOUR_SUFFIX)) {
        return std::nullopt;
    }
    text.remove_suffix(texts::MSG_COLOUR_SUFFIX.size());
    for (int colour = 0; colour < static_cast<int>(texts::COLOUR_NAMES.size()); ++colour) {
        const std::string_view name = texts::ColourName(colour);
        if (!text.ends_with(name)) {
            continue;
        }
        const std::string_view before = text.substr(0, text.size() - name.size());
        if (before.ends_with(texts::MSG_COLOUR_INFIX)) {
            return ColourAnnouncement{before.substr(0, before.size() - texts::MSG_COLOUR_INFIX.size()), colour};
        }
    }
    return std::nullopt;
}

} // namespace pyrandel::protocol
