#pragma once
// An in-memory LobbyView for tests: a window thread made of a plain queue of work run in order, with nested
// loops for the battle window and message boxes just as a real toolkit has them, and a record of everything the
// logic showed. A test acts as the player through the queue (typing, pressing, clicking in the battle window),
// so every user action reaches the logic on the window thread, in order with the posted commands.
//
// Every wait has a deadline, so a behaviour that never happens fails the test instead of hanging it.

#include "app/lobby_view.h"
#include "game/grid.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pyrandel::test {

// Generous, because a sanitizer build on a busy machine runs many times slower; a passing test never waits it out.
inline constexpr std::chrono::milliseconds WAIT_LIMIT{30000};
inline constexpr std::size_t CHAT_KEPT = 1024;

class FakeLobbyView final : public LobbyView {
public:
    FakeLobbyView();
    ~FakeLobbyView();
    FakeLobbyView(const FakeLobbyView&) = delete;
    FakeLobbyView& operator=(const FakeLobbyView&) = delete;

    // The player's actions, queued to the window thread (callable before the lobby runs: they wait in the queue).
    void Type(int id, std::string text);
    // A button or toggle click: a toggle flips first; a disabled control ignores the click.
    void Press(int id);
    void ChatKey(KeyMessage message, int code);
    void HoldKey(HeldKey key, bool held);
    // Sets a toggle at once, for tests that run no window thread.
    void SetToggled(int id, bool pressed);
    void PointAt(std::optional<int> lane);
    void Drop(std::optional<int> lane);
    // The H key in the battle window.
    void AskHint();
    // The player closes the battle window open when the action is handled.
    void CloseBattle(BattleClose how);
    // Runs `work` on the window thread and waits for it; false if it did not run in time.
    bool RunOnWindowThread(const std::function<void()>& work);
    // Dismisses the oldest open message box; false when none is open.
    bool DismissMessageBox();

    // Waiting: true once `condition` holds (checked after every change the view sees).
    [[nodiscard]] bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = WAIT_LIMIT);

    // What the logic showed
    [[nodiscard]] std::vector<std::string> ChatLines() const;
    [[nodiscard]] int ChatReplacements() const;
    // Every line the chat log has shown, across its replacements too: how many so far, and those after the first
    // `shown` of them that are still kept (the latest CHAT_KEPT).
    [[nodiscard]] std::size_t ChatShown() const;
    [[nodiscard]] std::vector<std::string> ChatShownSince(std::size_t shown) const;
    [[nodiscard]] bool ChatHas(std::string_view line) const;
    [[nodiscard]] std::string Status() const;
    [[nodiscard]] std::vector<std::string> Participants() const;
    [[nodiscard]] std::string Field(int id) const;
    [[nodiscard]] int Limit(int id) const;
    [[nodiscard]] bool Enabled(int id) const;
    [[nodiscard]] bool Toggled(int id) const;
    [[nodiscard]] bool BattleOpen() const;
    [[nodiscard]] int BattleIcon() const;
    [[nodiscard]] int BattleOpenings() const;
    [[nodiscard]] int BattleRepaints() const;
    [[nodiscard]] std::optional<Cell> Marker() const;
    [[nodiscard]] std::vector<BattleClose> BattleCloses() const;
    [[nodiscard]] std::vector<std::string> OpenMessageBoxes() const;
    [[nodiscard]] std::vector<std::string> MessageBoxHistory() const;
    [[nodiscard]] std::vector<InputResult> ChatKeyResults() const;
    [[nodiscard]] bool LobbyEnded() const;
    [[nodiscard]] std::optional<Grid> BattleCells(); // what the open battle window would paint, read on its thread

    // LobbyView
    int RunLobby(LobbyEvents& events) override;
    void EndLobby(int result) override;
    void PostCommand(int id, int param) override;
    bool IsKeyHeld(HeldKey key) override;
    std::string FieldText(int id) override;
    void WriteField(int id, std::string_view text) override;
    void LimitField(int id, int characters) override;
    void EnableControl(int id, ControlState state) override;
    bool IsToggled(int id) override;
    void ReleaseToggle(int id) override;
    void ShowStatus(std::string_view text) override;
    void AppendChatLine(std::string_view line) override;
    void ReplaceChatLog(std::string_view line) override;
    void ShowParticipants(const std::vector<std::string>& names) override;
    void ShowMessageBox(std::string_view text) override;
    void OpenBattleWindow(int colour, BattleEvents& events) override;
    bool IsBattleWindowOpen() override;
    void CloseBattleWindow() override;
    void DrawBattleCell(int col, int row) override;
    void DrawBattleMarker(int col, int row) override;
    void RepaintBattleWindow() override;
    void SetBattleIcon(int colour) override;

private:
    using Work = std::function<void()>;
    struct MessageBox {
        std::string text;
        bool open = true;
    };

    void Enqueue(Work work);
    // Runs queued work on the window thread until `done` (checked under the lock) holds.
    void Pump(const std::function<bool()>& done);
    // Queues the close of battle window `generation`, as a platform posts a message to one window.
    void EnqueueClose(int generation, BattleClose how);
    [[nodiscard]] bool OnWindowThread() const;
    void Changed();                   // the lock is held
    void Keep(std::string_view line); // the lock is held

    mutable std::mutex lock;
    std::condition_variable changed;
    std::uint64_t version = 0;
    std::deque<Work> queue;
    LobbyEvents* events = nullptr;
    std::thread::id window_thread;
    bool ended = false;
    int result = 0;

    std::map<int, std::string> fields;
    std::map<int, ControlState> enabled;
    std::map<int, bool> toggles;
    std::map<int, int> limits;
    bool enter_held = false;
    bool escape_held = false;
    std::vector<std::string> chat;
    int chat_replacements = 0;
    std::deque<std::string> chat_kept; // the latest lines shown
    std::size_t chat_shown = 0;
    std::string status;
    std::vector<std::string> participants;
    std::vector<MessageBox> boxes;
    std::vector<InputResult> chat_key_results;

    bool battle_open = false;
    int battle_generation = 0;
    int battle_icon = -1;
    int battle_openings = 0;
    int battle_repaints = 0;
    BattleEvents* battle_events = nullptr;
    std::optional<Cell> marker;
    std::vector<BattleClose> battle_closes;
};

} // namespace pyrandel::test
