// Any bytes as a received line: splitting and number reading must stay in bounds and agree with each other, and
// the messages read from the line, in both directions, must say what its fields say.

#include "protocol/field_list.h"
#include "protocol/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

namespace {

using namespace pyrandel;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void RequireField(const protocol::NumberField& field, const FieldList& fields, int index)
{
    Require(field.value == fields.Number(index) && field.text == fields.Get(index) &&
            field.present == (index < fields.Count()));
}

void CheckPlot(const protocol::PlotLine& move, const FieldList& fields)
{
    RequireField(move.colour, fields, 1);
    RequireField(move.col, fields, 2);
    RequireField(move.row, fields, 3);
    RequireField(move.win, fields, 4);
    RequireField(move.left, fields, 5);
    // The host's relay reads back, at the other players, as the move it relays.
    const FieldList relay(protocol::PlotRelay(move));
    const auto relayed = protocol::ReadFromHost(relay);
    Require(relayed && std::holds_alternative<protocol::PlotLine>(*relayed));
    const auto& back = std::get<protocol::PlotLine>(*relayed);
    Require(back.colour.value == move.colour.value && back.col.value == move.col.value &&
            back.row.value == move.row.value && back.win.value == move.win.value && !back.left.present);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    FieldList fields(line);
    const std::string_view text = line.substr(0, line.find('\0'));
    if (fields.Count() < 1 || fields.Count() > MAX_FIELDS)
        std::abort();
    std::size_t total = 0;
    for (int i = -1; i <= MAX_FIELDS; ++i) {
        const std::string_view field = fields.Get(i);
        (void)fields.Number(i);
        if (i < 0 || i >= fields.Count()) {
            if (!field.empty())
                std::abort();
            continue;
        }
        total += field.size();
    }
    // Every byte of the line is either in a field or one of the separators between them.
    if (total + static_cast<std::size_t>(fields.Count() - 1) != text.size())
        std::abort();
    (void)ReadNumber(line);

    if (const auto message = protocol::ReadFromPlayer(fields)) {
        if (const auto* move = std::get_if<protocol::PlotLine>(&*message)) {
            CheckPlot(*move, fields);
        }
    }
    if (const auto message = protocol::ReadFromHost(fields)) {
        if (const auto* chat = std::get_if<protocol::ChatRelayLine>(&*message)) {
            Require(chat->id == fields.Number(1) && chat->name == fields.Get(2) && chat->text == fields.Get(3));
        }
    }
    // Whatever text reads as a colour announcement is what the host's builder writes for its name and colour.
    if (const auto announced = protocol::ReadColourAnnouncement(fields.Get(1))) {
        Require(protocol::MsgColour(announced->name, announced->colour) == protocol::Msg(fields.Get(1)));
    }
    return 0;
}
