#include "spawned_program.h"

#include "deadline.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

extern char** environ;

namespace pyrandel::test {

SpawnedProgram::SpawnedProgram(const std::string& path, const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment)
{
    std::array<int, 2> out_pipe{-1, -1};
    std::array<int, 2> err_pipe{-1, -1};
    if (::pipe2(out_pipe.data(), O_CLOEXEC) != 0 || ::pipe2(err_pipe.data(), O_CLOEXEC) != 0) {
        return;
    }
    std::vector<std::string> texts{path};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    // The given entries replace the test's own of the same name.
    std::vector<std::string> env_texts(environment.begin(), environment.end());
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        const bool replaced = std::any_of(environment.begin(), environment.end(), [name](const std::string& given) {
            return given.size() > name.size() && given.compare(0, name.size(), name) == 0 && given[name.size()] == '=';
        });
        if (!replaced) {
            env_texts.emplace_back(text);
        }
    }
    std::vector<char*> envp;
    for (std::string& text : env_texts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    // The child starts with no signal blocked, whatever the test's threads have blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    if (posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    out_fd = out_pipe[0];
    err_fd = err_pipe[0];
}

SpawnedProgram::~SpawnedProgram()
{
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    for (const int fd : {out_fd, err_fd}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool SpawnedProgram::Pump(std::chrono::milliseconds timeout)
{
    std::array<pollfd, 2> fds{pollfd{out_fd, POLLIN, 0}, pollfd{err_fd, POLLIN, 0}};
    if (out_fd < 0 && err_fd < 0) {
        return false;
    }
    if (::poll(fds.data(), fds.size(), static_cast<int>(timeout.count())) <= 0) {
        return true;
    }
    std::array<char, 4096> buffer{};
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) {
            continue;
        }
        const ssize_t got = ::read(fds[i].fd, buffer.data(), buffer.size());
        if (got <= 0) {
            ::close(fds[i].fd);
            (i == 0 ? out_fd : err_fd) = -1;
            continue;
        }
        (i == 0 ? out : err).append(buffer.data(), static_cast<std::size_t>(got));
    }
    return true;
}

std::optional<std::string> SpawnedProgram::WaitForLine(const std::string& text, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        for (std::size_t end = out.find('\n', out_seen); end != std::string::npos; end = out.find('\n', out_seen)) {
            std::string line = out.substr(out_seen, end - out_seen);
            out_seen = end + 1;
            if (line.find(text) != std::string::npos) {
                return line;
            }
        }
        if (RemainingMs(deadline) == 0 || !Pump(std::chrono::milliseconds(RemainingMs(deadline)))) {
            return std::nullopt;
        }
    }
}

void SpawnedProgram::Signal(int signal_number)
{
    if (pid > 0) {
        ::kill(pid, signal_number);
    }
}

ProgramResult SpawnedProgram::Finish(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while ((out_fd >= 0 || err_fd >= 0) && RemainingMs(deadline) > 0) {
        Pump(std::chrono::milliseconds(RemainingMs(deadline)));
    }
    ProgramResult result;
    int status = 0;
    while (pid > 0 && RemainingMs(deadline) > 0) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            if (WIFEXITED(status)) {
                result.exit_code = WEXITSTATUS(status);
            }
            break;
        }
        ::poll(nullptr, 0, 10);
    }
    result.out = out;
    result.err = err;
    return result;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment)
{
    SpawnedProgram program(path, arguments, environment);
    return program.Finish();
}

int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

} // namespace pyrandel::test
