#include "app/qt/self_test/self_test.h"

#include "app/lobby_view.h"
#include "app/qt/lobby_window.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>

namespace pyrandel {

namespace {

// Long enough for a loaded machine, short enough that a broken program still ends before its test times out.
constexpr int GIVE_UP_MS = 20000;

void Press(LobbyWindow& window, int id)
{
    if (auto* button = qobject_cast<QPushButton*>(window.Control(id))) {
        button->click();
    }
}

} // namespace

std::optional<SelfTest::Mode> SelfTest::Parse(std::string_view word)
{
    if (word == "host-and-quit") {
        return Mode::HOST_AND_QUIT;
    }
    if (word == "host") {
        return Mode::HOST;
    }
    return std::nullopt;
}

LobbyOptions SelfTest::Options()
{
    LobbyOptions options;
    options.port = 0;
    options.listen_address = "127.0.0.1";
    return options;
}

SelfTest::SelfTest(Mode mode, LobbyWindow& window, const QElapsedTimer& since_start, QObject* parent)
    : QObject(parent), mode(mode), window(window), since_start(since_start)
{
}

void SelfTest::Start()
{
    // The wall-clock time lets a measuring script count from before the process started.
    std::fprintf(stderr, "self-test: lobby shown after %lld ms of main, at %lld ms since the epoch\n",
                 static_cast<long long>(since_start.elapsed()),
                 static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    QListWidget* list = window.Participants();
    connect(list->model(), &QAbstractItemModel::rowsInserted, this, &SelfTest::Joined);
    Press(window, CONTROL_HOST);
    if (mode == Mode::HOST_AND_QUIT) {
        QTimer::singleShot(GIVE_UP_MS, this, [this] {
            if (!joined) {
                std::fputs("self-test: the own player never joined\n", stderr);
                Press(window, CONTROL_QUIT);
            }
        });
    }
}

void SelfTest::Joined()
{
    if (joined) {
        return;
    }
    joined = true;
    std::fprintf(stderr, "self-test: joined after %lld ms\n", static_cast<long long>(since_start.elapsed()));
    if (mode == Mode::HOST_AND_QUIT) {
        // Quit from the event loop, not from inside the list's own signal.
        QTimer::singleShot(0, this, [this] { Press(window, CONTROL_QUIT); });
    }
}

} // namespace pyrandel
