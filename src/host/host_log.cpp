#include "host/host_log.h"

#include "game/grid.h"
#include "server/server_session.h"
#include "text/text_codec.h"

#include <array>
#include <ctime>

namespace pyrandel {

namespace {

constexpr std::array<std::string_view, COLOURS> COLOUR_WORDS = {"blue", "red", "yellow", "green"};

[[nodiscard]] std::string ColourWord(int colour)
{
    if (colour < 0 || colour >= static_cast<int>(COLOUR_WORDS.size())) {
        return "colour " + std::to_string(colour);
    }
    return std::string(COLOUR_WORDS[static_cast<std::size_t>(colour)]);
}

[[nodiscard]] std::string Player(int id, std::string_view name)
{
    return "player " + std::to_string(id) + " (" + LogName(name) + ")";
}

[[nodiscard]] std::string Seconds(std::chrono::milliseconds limit)
{
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) + " s";
}

// Why a player left, as the leave line gives it in brackets. The dedicated host keeps the default limits.
[[nodiscard]] std::string LeaveReason(DisconnectReason reason)
{
    switch (reason) {
    case DisconnectReason::PEER_CLOSED:
        return "closed by the player";
    case DisconnectReason::BROKEN:
        return "connection broken";
    case DisconnectReason::READ_DEADLINE:
        return "sent no name within " + Seconds(UNNAMED_SEAT_LIMIT);
    case DisconnectReason::SEND_STALLED:
        return "took no byte for " + Seconds(SEND_STALL_LIMIT);
    case DisconnectReason::SEND_QUEUE_FULL:
        return "send queue full";
    case DisconnectReason::CLOSED:
        return "closed by the host";
    case DisconnectReason::NONE:
        break;
    }
    return "no reason given";
}

// What a refereed room dropped, as the log line names it.
[[nodiscard]] std::string_view OffenceText(Offence offence)
{
    switch (offence) {
    case Offence::MOVE_WITHOUT_MATCH:
        return "move while no match runs";
    case Offence::MOVE_BY_SPECTATOR:
        return "move from a participant not playing in the match";
    case Offence::MOVE_OUT_OF_TURN:
        return "move out of turn";
    case Offence::MOVE_MALFORMED:
        return "move not written as a player's program writes it";
    case Offence::MOVE_WRONG_COLOUR:
        return "move in a colour not its own";
    case Offence::MOVE_KEEPS_TURN:
        return "move that keeps the turn for more balls";
    case Offence::MOVE_NOT_LANDING:
        return "ball not where its lane lets it rest";
    case Offence::MOVE_FALSE_WIN:
        return "move with a false win flag";
    case Offence::START_BY_SPECTATOR:
        return "start during a match it does not play in";
    case Offence::CHAT_TOO_FAST:
        return "chat faster than a person types";
    }
    return "line not allowed";
}

} // namespace

std::string FormatLogLine(std::chrono::system_clock::time_point when, std::string_view text)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    std::array<char, 32> stamp{};
    const std::size_t length = std::strftime(stamp.data(), stamp.size(), "%Y-%m-%dT%H:%M:%SZ ", &utc);
    return std::string(stamp.data(), length) + std::string(text);
}

std::string LogName(std::string_view cp932)
{
    std::string shown = Cp932ToUtf8(cp932);
    for (char& byte : shown) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F) {
            byte = '?';
        }
    }
    return shown;
}

HostLog::HostLog(LogWriter& output, LogLevel shown) : writer(output), level(shown)
{
}

void HostLog::Note(std::string_view text)
{
    if (level == LogLevel::EVENTS) {
        writer.Write(FormatLogLine(std::chrono::system_clock::now(), text));
    }
}

void HostLog::OnJoin(int id, std::string_view name)
{
    Note(Player(id, name) + " joined");
}

void HostLog::OnLeave(int id, std::string_view name, DisconnectReason reason)
{
    Note(Player(id, name) + " left (" + LeaveReason(reason) + ")");
}

void HostLog::OnMatchStart(std::span<const SeatColour> players)
{
    std::string text = "match started:";
    for (const SeatColour& seat : players) {
        text += (&seat == players.data() ? " " : ", ") + Player(seat.id, seat.name) + " " + ColourWord(seat.colour);
    }
    Note(text);
}

void HostLog::OnWin(int id, std::string_view name, int colour)
{
    Note(Player(id, name) + " won with " + ColourWord(colour));
}

void HostLog::OnRefuse()
{
    Note("a connection was turned away: all four seats are taken");
}

void HostLog::OnDropped(int id, std::string_view name, Offence offence)
{
    Note(Player(id, name) + ": " + std::string(OffenceText(offence)) + ", dropped");
}

void HostLog::OnDropsUnreported(int id, std::string_view name, int lines)
{
    Note(Player(id, name) + ": " + std::to_string(lines) + " more " + (lines == 1 ? "line" : "lines") +
         " of the same kinds dropped");
}

} // namespace pyrandel
