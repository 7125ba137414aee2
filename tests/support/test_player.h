#pragma once
// One whole player's program in a test: the program-wide objects over an in-memory view, its window thread, and
// a settings directory of its own. A host is a player that pressed "become the server"; it listens on 127.0.0.1
// at a port of the system's choosing.

#include "app/program.h"
#include "support/fake_lobby_view.h"

#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace pyrandel::test {

// A fresh directory under the system's temporary directory, removed with everything in it at the end.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return dir; }

private:
    std::filesystem::path dir;
};

// Options for a player whose lobby connects to (and, hosting, listens on) 127.0.0.1 at `port`.
[[nodiscard]] LobbyOptions LoopbackOptions(int port, const std::filesystem::path& settings_directory,
                                           std::optional<WebAddress> web = std::nullopt);

class TestPlayer {
public:
    // A player that joins the host at `port` (0 for a player that will host), with `kq_ini` as its settings file
    // when given. Starts its window thread at once.
    explicit TestPlayer(int port = 0, std::optional<std::string> kq_ini = std::nullopt,
                        std::optional<WebAddress> web = std::nullopt);
    // Quits through the quit button if the lobby still runs, then joins the window thread.
    ~TestPlayer();
    TestPlayer(const TestPlayer&) = delete;
    TestPlayer& operator=(const TestPlayer&) = delete;

    // Becomes the host with `name`; true once its own player has joined (the host lists it).
    bool Host(const std::string& name);
    // Joins the host at 127.0.0.1 with `name`; true once connected and listed.
    bool Join(const std::string& name);
    // The quit button; waits for the lobby to end.
    bool Quit();
    // The port a host listens on.
    [[nodiscard]] int Port() { return program.server().Port(); }
    // Whether the lobby lists exactly `count` participants.
    [[nodiscard]] bool WaitForParticipants(std::size_t count);

    TempDirectory settings;
    const bool settings_written; // written before the program starts, so its lobby finds the file
    FakeLobbyView view;
    Program program;

private:
    std::thread window;
};

} // namespace pyrandel::test
