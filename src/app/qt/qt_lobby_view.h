#pragma once
// The Qt side of the lobby and battle windows: LobbyView over a LobbyWindow and, during a match, a
// BattleWindow.
//
// Threads. The object lives on the window thread. Calls from other threads never wait for it: reads answer
// from copies of the controls' state kept under `lock` (field texts, toggles, whether a battle window is
// open, the key being handled), writes update those copies at once and queue the widget work, which runs on
// the window thread in call order. The work is handed over in our own locked queue; Qt's event queue carries
// only a bare wake-up (QMetaObject::invokeMethod, Qt::QueuedConnection), so the handover is plain to the
// thread sanitizer as well. The one wait is ShowMessageBox from a network thread, which EndLobby and the
// destructor release. Battle-window work carries the number of the window open at the time of the call, so a
// late request never reaches a later window.
//
// Texts are converted here, at the boundary: code page 932 bytes from the logic become UTF-8 for the widgets,
// and what the player types is handed back as code page 932.

#include "app/lobby_view.h"
#include "app/qt/lobby_window.h"
#include "game/qt/board_icons.h"
#include "game/qt/event_sounds.h"
#include "game/qt/preferences.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class QEventLoop;
class QMessageBox;

namespace pyrandel {

class BattleWindow;

class QtLobbyView final : public QObject, public LobbyView {
    Q_OBJECT

public:
    QtLobbyView();
    ~QtLobbyView() override;

    // LobbyView: lobby
    int RunLobby(LobbyEvents& events) override;
    void EndLobby(int result) override;
    void PostCommand(int id, int param) override;
    [[nodiscard]] bool IsKeyHeld(HeldKey key) override;

    // LobbyView: controls
    [[nodiscard]] std::string FieldText(int id) override;
    void WriteField(int id, std::string_view text) override;
    void LimitField(int id, int characters) override;
    void EnableControl(int id, ControlState state) override;
    [[nodiscard]] bool IsToggled(int id) override;
    void ReleaseToggle(int id) override;
    void ShowStatus(std::string_view text) override;
    void AppendChatLine(std::string_view line) override;
    void ReplaceChatLog(std::string_view line) override;
    void ShowParticipants(const std::vector<std::string>& names) override;
    void ShowMessageBox(std::string_view text) override;

    // LobbyView: battle window
    void OpenBattleWindow(int colour, BattleEvents& events) override;
    [[nodiscard]] bool IsBattleWindowOpen() override;
    void CloseBattleWindow() override;
    void DrawBattleCell(int col, int row) override;
    void DrawBattleMarker(int col, int row) override;
    void RepaintBattleWindow() override;
    void SetBattleIcon(int colour) override;
    void AnnounceBattle(BattleAnnouncement what) override;

    // For the program's tests and benchmarks (window thread)
    [[nodiscard]] LobbyWindow& lobby_window() { return window; }
    // The open battle window, or null.
    [[nodiscard]] BattleWindow* battle_window() const;
    // Called once the lobby is on screen (start-up timing, the smoke test).
    void SetShownHandler(std::function<void()> handler) { shown_handler = std::move(handler); }

private:
    // Queues `work` for the window thread, after everything queued before; from any thread.
    void Queue(std::function<void()> work);
    Q_INVOKABLE void RunQueued();

    // Window thread
    void Dispatch(int id, int param);
    void ShowBox(const QString& text, std::function<void()> on_dismissed);
    void DismissBoxes();
    // Queues `work` for the battle window open now; dropped when that window has closed by the time it runs.
    void QueueBattleWork(std::function<void(BattleWindow&)> work);

    LobbyWindow window;
    Preferences preferences;
    EventSounds sounds;
    BoardIcons icons;
    LobbyEvents* events = nullptr; // set by RunLobby
    QEventLoop* lobby_loop = nullptr;
    BattleWindow* battle = nullptr; // the window OpenBattleWindow shows, while its loop runs
    std::list<std::unique_ptr<QMessageBox>> boxes;
    std::function<void()> shown_handler;
    int chat_lines = 0;

    // Shared with other threads
    std::mutex queue_lock; // guards `queued`
    std::deque<std::function<void()>> queued;
    std::mutex lock; // guards the members below
    std::condition_variable box_dismissed;
    std::map<int, std::string> field_texts; // code page 932
    std::map<int, bool> toggles;
    bool ending = false;
    // The key whose press the command being handled comes from. Asking the window system instead would go
    // stale whenever a release never reaches us (the battle window closing on Escape takes its release along).
    std::optional<HeldKey> held_key;
    bool battle_open = false;
    unsigned battle_number = 0; // counts the battle windows opened
};

} // namespace pyrandel
