#pragma once
// The protocol as data: every command word and one builder for every message, in both directions. No other
// code assembles a protocol line by hand. A built line carries no CR LF; SendLine adds it.
//
// Player -> host:  NEW_C name | CHAT text | STARTVS | PLOT colour col row win left | END_VS id
// Host -> player:  ID id | ADD id name | DEL id | MSG text | CHAT id name text | STARTVS colour count | CAN_PUT
//                  | PLOT colour col row win | END_VS | END_VS id field2
// Numbers the sender formats itself are written with "%d"; relayed fields are copied as received text.

#include <string>
#include <string_view>

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
// Relays colour, col, row and win exactly as received (an absent field is the empty text).
[[nodiscard]] std::string PlotRelay(std::string_view colour, std::string_view col, std::string_view row,
                                    std::string_view win);
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

} // namespace pyrandel::protocol
