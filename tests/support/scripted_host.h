#pragma once
// A stand-in host for testing one player: listens on 127.0.0.1 at a port of the system's choosing, accepts one
// connection and then speaks raw lines, so a test both scripts the host's side and sees the player's bytes
// exactly. Lines are taken up to CR LF; every wait has a timeout.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel::test {

inline constexpr std::chrono::milliseconds HOST_WAIT{5000};

class ScriptedHost {
public:
    ScriptedHost();
    ~ScriptedHost();
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    [[nodiscard]] int Port() const { return port; }
    // Waits for the player to connect; a second call takes the next connection.
    bool Accept(std::chrono::milliseconds timeout = HOST_WAIT);
    // Sends text + CR LF to the accepted player.
    bool Send(std::string_view text);
    // The next line from the player, without CR LF; nothing on timeout or when the connection ended.
    [[nodiscard]] std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = HOST_WAIT);
    // The lines before the first one that `is_marker` accepts, which is taken too; nothing when no such line
    // arrives in time or the connection ends first. (No wait here decides that nothing more will come: a test
    // proves that with a marker, as player_round_trip.h does.)
    [[nodiscard]] std::optional<std::vector<std::string>>
    ReadUntil(const std::function<bool(std::string_view)>& is_marker, std::chrono::milliseconds timeout = HOST_WAIT);
    // Ends the player's connection.
    void Drop();
    // Stops listening, so later connections are refused.
    void StopListening();

private:
    bool Fill(std::chrono::milliseconds timeout);

    int listener = -1;
    int connection = -1;
    int port = 0;
    std::string pending;
};

} // namespace pyrandel::test
