#pragma once
// The protocol as data: every command word, one builder for every message and one reader for every received
// line, in both directions. No other code assembles a protocol line by hand or reads a field by its number. A
// built line carries no CR LF; SendLine adds it.
//
// Player -> host:  NEW_C name | CHAT text | STARTVS [count] | PLOT colour col row win left | END_VS id
// Host -> player:  ID id | ADD id name | DEL id | MSG text | CHAT id name text | STARTVS colour count | CAN_PUT
//                  | PLOT colour col row win | END_VS | END_VS id field2
// Numbers the sender formats itself are written with "%d"; relayed fields are copied as received text.

#include "protocol/field_list.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace pyrandel::protocol {

// The TCP port a host listens on and its players connect to.
inline constexpr int GAME_PORT = 1224;

// Command words
inline constexpr std::string_view NEW_C = "NEW_C";
inline constexpr std::string_view CHAT = "CHAT";
inline constexpr std::string_view STARTVS = "STARTVS";
inline constexpr std::string_view PLOT = "PLOT";
inline constexpr std::string_view END_VS = "END_VS";
inline constexpr std::string_view ID = "ID";
inline constexpr std::string_view ADD = "ADD";
inline constexpr std::string_view DEL = "DEL";
inline constexpr std::string_view MSG = "MSG";
inline constexpr std::string_view CAN_PUT = "CAN_PUT";

// Player -> host
[[nodiscard]] std::string NewClient(std::string_view name);
[[nodiscard]] std::string Chat(std::string_view text);
[[nodiscard]] std::string StartMatch();          // the bare "STARTVS" of the start button
[[nodiscard]] std::string StartMatch(int count); // "STARTVS\t%d" of the hidden button
[[nodiscard]] std::string Plot(int colour, int col, int row, int win, int left);
[[nodiscard]] std::string EndMatch(int own_id);

// Host -> player
[[nodiscard]] std::string Id(int id);
[[nodiscard]] std::string Add(int id, std::string_view name);
[[nodiscard]] std::string Del(int id);
[[nodiscard]] std::string Msg(std::string_view text);
// Cut to LINE_LIMIT bytes, as a receiver reads a line: no part of a speaker's name or text ever reaches a
// player as a line of its own.
[[nodiscard]] std::string ChatRelay(int id, std::string_view name, std::string_view text);
[[nodiscard]] std::string MatchStart(int colour, int count);
[[nodiscard]] std::string CanPut();
struct PlotLine;
// Relays the move's colour, col, row and win exactly as they were written (an absent field is the empty text).
[[nodiscard]] std::string PlotRelay(const PlotLine& move);
[[nodiscard]] std::string EndMatchLost();                                 // a player of the match disconnected
[[nodiscard]] std::string EndMatchRelay(int id, std::string_view field2); // a player left the match

// Host announcements (MSG lines), texts in code page 932
[[nodiscard]] std::string MsgServerFull();
[[nodiscard]] std::string MsgMatchRunning();
[[nodiscard]] std::string MsgArrived(std::string_view name);
[[nodiscard]] std::string MsgGone(std::string_view name);
[[nodiscard]] std::string MsgColour(std::string_view name, int colour);
// The colour name is left out when `colour` is outside 0..3.
[[nodiscard]] std::string MsgWin(std::string_view name, int colour);

// Reading. The command word picks the message (compared whole, field_list.h); a field the line lacks reads as 0
// when it is a number and as the empty text when it is a text, as every program reads a short line, and a field
// beyond those a message has is ignored. Texts are views into the FieldList read: they live as long as it does.

// A number field as received: its value read as field_list.h reads a number, and the text it was read from, for
// a host that relays the text unchanged or checks how it was written.
struct NumberField {
    int value = 0;
    std::string_view text;
    bool present = false; // the line has this field, even if it is empty
    bool operator==(const NumberField&) const = default;
};

// Player -> host
struct NewClientLine {
    std::string_view name;
    bool operator==(const NewClientLine&) const = default;
};
struct ChatLine {
    std::string_view text;
    bool operator==(const ChatLine&) const = default;
};
struct StartMatchLine {
    int count = 0; // 0 for the bare start button
    bool operator==(const StartMatchLine&) const = default;
};
// PLOT both ways: a player's move, and the host's relay of its first four fields to the other players.
struct PlotLine {
    NumberField colour;
    NumberField col; // below 0: no ball
    NumberField row;
    NumberField win;  // 1: the ball completed a line
    NumberField left; // balls the mover still has in this turn; below 1 passes the turn (absent in a relay)
    bool operator==(const PlotLine&) const = default;
};
// END_VS both ways: a player leaving the match names itself; the host's relay adds the sender's field 2, which no
// player's program writes, and the host's own end (a player of the match gone) has no fields.
struct EndMatchLine {
    int id = 0;
    std::string_view field2;
    bool operator==(const EndMatchLine&) const = default;
};

// Host -> player
struct IdLine {
    int id = 0;
    bool operator==(const IdLine&) const = default;
};
struct AddLine {
    int id = 0;
    std::string_view name;
    bool operator==(const AddLine&) const = default;
};
struct DelLine {
    int id = 0;
    bool operator==(const DelLine&) const = default;
};
struct MsgLine {
    std::string_view text;
    bool operator==(const MsgLine&) const = default;
};
struct ChatRelayLine {
    int id = 0;
    std::string_view name;
    std::string_view text;
    bool operator==(const ChatRelayLine&) const = default;
};
struct MatchStartLine {
    int colour = 0; // not checked here: a receiver decides what a colour outside 0..3 means
    int count = 0;
    bool operator==(const MatchStartLine&) const = default;
};
struct CanPutLine {
    bool operator==(const CanPutLine&) const = default;
};

// Every message of one direction. A receiver visits all of them, so a message added here is handled by each
// receiver or the receiver does not build.
using FromPlayer = std::variant<NewClientLine, ChatLine, StartMatchLine, PlotLine, EndMatchLine>;
using FromHost =
    std::variant<IdLine, AddLine, DelLine, MsgLine, ChatRelayLine, MatchStartLine, CanPutLine, PlotLine, EndMatchLine>;

// The message a host reads from a player's line, or nothing when the word is none of them (the line is ignored).
[[nodiscard]] std::optional<FromPlayer> ReadFromPlayer(const FieldList& fields);
// The message a player reads from its host's line, or nothing when the word is none of them.
[[nodiscard]] std::optional<FromHost> ReadFromHost(const FieldList& fields);

// The text of a MsgColour announcement ("<name>さんは、<colour>色です"): who plays which colour, in turn order as
// the host sends them before a start. Nothing for any other text, a colour name outside the four included.
struct ColourAnnouncement {
    std::string_view name;
    int colour = 0;
    bool operator==(const ColourAnnouncement&) const = default;
};
[[nodiscard]] std::optional<ColourAnnouncement> ReadColourAnnouncement(std::string_view text);

} // namespace pyrandel::protocol
