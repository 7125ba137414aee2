#include "support/test_player.h"

#include "text/texts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <system_error>

namespace pyrandel::test {

TempDirectory::TempDirectory()
{
    static std::atomic<int> counter{0};
    dir = std::filesystem::temp_directory_path() /
          ("pyrandel-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    std::filesystem::create_directories(dir);
}

TempDirectory::~TempDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

LobbyOptions LoopbackOptions(int port, const std::filesystem::path& settings_directory, std::optional<WebAddress> web)
{
    LobbyOptions options;
    options.web = std::move(web);
    options.port = port;
    options.listen_address = "127.0.0.1";
    options.settings = SettingsFile(settings_directory);
    // Documentation addresses (RFC 5737, RFC 3849): the line the host shows never depends on the machine.
    options.host_addresses = [] { return std::vector<std::string>{"192.0.2.7", "2001:db8::7"}; };
    return options;
}

namespace {

bool WriteSettings(const std::filesystem::path& directory, const std::optional<std::string>& bytes)
{
    if (!bytes) {
        return false;
    }
    std::ofstream file(directory / SETTINGS_FILE_NAME, std::ios::binary | std::ios::trunc);
    file.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    return static_cast<bool>(file);
}

} // namespace

TestPlayer::TestPlayer(int port, std::optional<std::string> kq_ini, std::optional<WebAddress> web)
    : settings_written(WriteSettings(settings.path(), kq_ini)),
      program(view, LoopbackOptions(port, settings.path(), std::move(web))), window([this] { program.Run(1); })
{
}

TestPlayer::~TestPlayer()
{
    if (!view.LobbyEnded()) {
        view.HoldKey(HeldKey::ENTER, false);
        view.HoldKey(HeldKey::ESCAPE, false);
        view.Press(CONTROL_QUIT);
        // A test that failed half-way must still end: end the lobby directly when the button did not.
        if (!view.WaitUntil([this] { return view.LobbyEnded(); })) {
            view.EndLobby(0);
        }
    }
    window.join();
}

bool TestPlayer::Host(const std::string& name)
{
    view.Type(CONTROL_NAME, name);
    view.Press(CONTROL_HOST);
    return WaitForParticipants(1) && view.WaitUntil([this] { return view.Status() == texts::STATUS_CONNECTED; });
}

bool TestPlayer::Join(const std::string& name)
{
    view.Type(CONTROL_NAME, name);
    view.Type(CONTROL_ADDRESS, "127.0.0.1");
    view.Press(CONTROL_CONNECT);
    return view.WaitUntil([this, name] {
        if (view.Status() != texts::STATUS_CONNECTED) {
            return false;
        }
        for (const std::string& listed : view.Participants()) {
            if (listed == name) {
                return true;
            }
        }
        return false;
    });
}

bool TestPlayer::Quit()
{
    view.Press(CONTROL_QUIT);
    return view.WaitUntil([this] { return view.LobbyEnded(); });
}

bool TestPlayer::WaitForParticipants(std::size_t count)
{
    return view.WaitUntil([this, count] { return view.Participants().size() == count; });
}

} // namespace pyrandel::test
