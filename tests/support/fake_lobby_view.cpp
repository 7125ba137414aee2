#include "support/fake_lobby_view.h"

#include <algorithm>
#include <memory>

namespace pyrandel::test {

FakeLobbyView::FakeLobbyView()
{
    // As the lobby template starts: the end-match button is disabled, the status reads "not connected".
    enabled[CONTROL_END_MATCH] = ControlState::DISABLED;
    status = "\x96\xA2\x90\xDA\x91\xB1\x82\xC5\x82\xB7";
}

FakeLobbyView::~FakeLobbyView() = default;

// Window thread machinery

bool FakeLobbyView::OnWindowThread() const
{
    return std::this_thread::get_id() == window_thread;
}

void FakeLobbyView::Changed()
{
    ++version;
    changed.notify_all();
}

void FakeLobbyView::Enqueue(Work work)
{
    const std::lock_guard guard(lock);
    queue.push_back(std::move(work));
    Changed();
}

void FakeLobbyView::Pump(const std::function<bool()>& done)
{
    for (;;) {
        Work work;
        {
            std::unique_lock guard(lock);
            changed.wait(guard, [&] { return done() || !queue.empty(); });
            if (done()) {
                return;
            }
            work = std::move(queue.front());
            queue.pop_front();
        }
        work();
    }
}

int FakeLobbyView::RunLobby(LobbyEvents& lobby_events)
{
    {
        const std::lock_guard guard(lock);
        events = &lobby_events;
        window_thread = std::this_thread::get_id();
    }
    lobby_events.OnInit();
    Pump([this] { return ended; });
    const std::lock_guard guard(lock);
    return result;
}

void FakeLobbyView::EndLobby(int lobby_result)
{
    const std::lock_guard guard(lock);
    ended = true;
    result = lobby_result;
    for (MessageBox& box : boxes) {
        box.open = false;
    }
    if (battle_open) {
        queue.push_back([this, generation = battle_generation] { EnqueueClose(generation, BattleClose::PROGRAM); });
    }
    Changed();
}

void FakeLobbyView::PostCommand(int id, int param)
{
    Enqueue([this, id, param] {
        LobbyEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            target = events;
        }
        if (target != nullptr) {
            (void)target->OnCommand(id, param);
        }
    });
}

// The player's actions

void FakeLobbyView::Type(int id, std::string text)
{
    Enqueue([this, id, text = std::move(text)] {
        const std::lock_guard guard(lock);
        fields[id] = text;
        Changed();
    });
}

void FakeLobbyView::Press(int id)
{
    Enqueue([this, id] {
        LobbyEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            const auto state = enabled.find(id);
            if (state != enabled.end() && state->second == ControlState::DISABLED) {
                return;
            }
            if (id == CONTROL_CONNECT || id == CONTROL_HOST) {
                toggles[id] = !toggles[id];
                Changed();
            }
            target = events;
        }
        if (target != nullptr) {
            (void)target->OnCommand(id, 0);
        }
    });
}

void FakeLobbyView::ChatKey(KeyMessage message, int code)
{
    Enqueue([this, message, code] {
        LobbyEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            target = events;
        }
        const InputResult answer = target->FilterChatInput(message, code);
        const std::lock_guard guard(lock);
        chat_key_results.push_back(answer);
        Changed();
    });
}

void FakeLobbyView::HoldKey(HeldKey key, bool held)
{
    const std::lock_guard guard(lock);
    (key == HeldKey::ENTER ? enter_held : escape_held) = held;
}

void FakeLobbyView::SetToggled(int id, bool pressed)
{
    const std::lock_guard guard(lock);
    toggles[id] = pressed;
    Changed();
}

void FakeLobbyView::PointAt(std::optional<int> lane)
{
    Enqueue([this, lane] {
        BattleEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            target = battle_open ? battle_events : nullptr;
        }
        if (target != nullptr) {
            target->PointAt(lane);
        }
    });
}

void FakeLobbyView::Drop(std::optional<int> lane)
{
    Enqueue([this, lane] {
        BattleEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            target = battle_open ? battle_events : nullptr;
        }
        if (target != nullptr) {
            target->Drop(lane);
        }
    });
}

void FakeLobbyView::AskHint()
{
    Enqueue([this] {
        BattleEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            target = battle_open ? battle_events : nullptr;
        }
        if (target != nullptr) {
            target->Hint();
        }
    });
}

void FakeLobbyView::CloseBattle(BattleClose how)
{
    Enqueue([this, how] {
        int generation = 0;
        {
            const std::lock_guard guard(lock);
            generation = battle_generation;
        }
        EnqueueClose(generation, how);
    });
}

void FakeLobbyView::EnqueueClose(int generation, BattleClose how)
{
    Enqueue([this, generation, how] {
        BattleEvents* target = nullptr;
        {
            const std::lock_guard guard(lock);
            if (!battle_open || battle_generation != generation) {
                return;
            }
            target = battle_events;
        }
        target->CloseRequested(how);
        const std::lock_guard guard(lock);
        if (battle_generation == generation) {
            battle_open = false;
            battle_events = nullptr;
            marker.reset();
            battle_closes.push_back(how);
            Changed();
        }
    });
}

bool FakeLobbyView::RunOnWindowThread(const std::function<void()>& work)
{
    auto done = std::make_shared<bool>(false);
    Enqueue([this, work, done] {
        work();
        const std::lock_guard guard(lock);
        *done = true;
        Changed();
    });
    return WaitUntil([this, done] {
        const std::lock_guard guard(lock);
        return *done;
    });
}

bool FakeLobbyView::DismissMessageBox()
{
    const std::lock_guard guard(lock);
    const auto open = std::find_if(boxes.begin(), boxes.end(), [](const MessageBox& box) { return box.open; });
    if (open == boxes.end()) {
        return false;
    }
    open->open = false;
    Changed();
    return true;
}

bool FakeLobbyView::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::uint64_t seen = 0;
        {
            const std::lock_guard guard(lock);
            seen = version;
        }
        if (condition()) {
            return true;
        }
        std::unique_lock guard(lock);
        // Changes made by other objects (a socket, the board) do not pass through here; look again now and then.
        if (!changed.wait_until(guard,
                                std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)),
                                [&] { return version != seen; }) &&
            std::chrono::steady_clock::now() >= deadline) {
            guard.unlock();
            return condition();
        }
    }
}

// Fields and controls

bool FakeLobbyView::IsKeyHeld(HeldKey key)
{
    const std::lock_guard guard(lock);
    return key == HeldKey::ENTER ? enter_held : escape_held;
}

std::string FakeLobbyView::FieldText(int id)
{
    const std::lock_guard guard(lock);
    const auto field = fields.find(id);
    return field == fields.end() ? std::string() : field->second;
}

void FakeLobbyView::WriteField(int id, std::string_view text)
{
    const std::lock_guard guard(lock);
    fields[id] = std::string(text);
    Changed();
}

void FakeLobbyView::LimitField(int id, int characters)
{
    const std::lock_guard guard(lock);
    limits[id] = characters;
}

void FakeLobbyView::EnableControl(int id, ControlState state)
{
    const std::lock_guard guard(lock);
    enabled[id] = state;
    Changed();
}

bool FakeLobbyView::IsToggled(int id)
{
    const std::lock_guard guard(lock);
    return toggles[id];
}

void FakeLobbyView::ReleaseToggle(int id)
{
    const std::lock_guard guard(lock);
    toggles[id] = false;
    Changed();
}

void FakeLobbyView::ShowStatus(std::string_view text)
{
    const std::lock_guard guard(lock);
    status = std::string(text);
    Changed();
}

void FakeLobbyView::AppendChatLine(std::string_view line)
{
    const std::lock_guard guard(lock);
    chat.emplace_back(line);
    Keep(line);
    Changed();
}

void FakeLobbyView::ReplaceChatLog(std::string_view line)
{
    const std::lock_guard guard(lock);
    chat.assign(1, std::string(line));
    ++chat_replacements;
    Keep(line);
    Changed();
}

void FakeLobbyView::ShowParticipants(const std::vector<std::string>& names)
{
    const std::lock_guard guard(lock);
    participants = names;
    Changed();
}

void FakeLobbyView::ShowMessageBox(std::string_view text)
{
    std::size_t index = 0;
    {
        std::unique_lock guard(lock);
        if (ended) {
            return;
        }
        boxes.push_back({std::string(text), true});
        index = boxes.size() - 1;
        Changed();
        if (!OnWindowThread()) {
            changed.wait(guard, [&] { return !boxes[index].open; });
            return;
        }
    }
    Pump([this, index] { return !boxes[index].open; });
}

// Battle window

void FakeLobbyView::OpenBattleWindow(int colour, BattleEvents& battle)
{
    int generation = 0;
    {
        const std::lock_guard guard(lock);
        battle_open = true;
        generation = ++battle_generation;
        battle_icon = colour;
        ++battle_openings;
        battle_events = &battle;
        marker.reset();
        Changed();
    }
    Pump([this, generation] { return !battle_open || battle_generation != generation; });
}

bool FakeLobbyView::IsBattleWindowOpen()
{
    const std::lock_guard guard(lock);
    return battle_open;
}

void FakeLobbyView::CloseBattleWindow()
{
    int generation = 0;
    {
        const std::lock_guard guard(lock);
        if (!battle_open) {
            return;
        }
        generation = battle_generation;
    }
    EnqueueClose(generation, BattleClose::PROGRAM);
}

void FakeLobbyView::DrawBattleCell(int col, int row)
{
    const std::lock_guard guard(lock);
    if (battle_open && marker == Cell{col, row}) {
        marker.reset();
        Changed();
    }
}

void FakeLobbyView::DrawBattleMarker(int col, int row)
{
    const std::lock_guard guard(lock);
    if (battle_open) {
        marker = Cell{col, row};
        Changed();
    }
}

void FakeLobbyView::RepaintBattleWindow()
{
    const std::lock_guard guard(lock);
    if (battle_open) {
        marker.reset();
        ++battle_repaints;
        Changed();
    }
}

void FakeLobbyView::SetBattleIcon(int colour)
{
    const std::lock_guard guard(lock);
    if (battle_open) {
        battle_icon = colour;
        Changed();
    }
}

// What the logic showed

std::vector<std::string> FakeLobbyView::ChatLines() const
{
    const std::lock_guard guard(lock);
    return chat;
}

int FakeLobbyView::ChatReplacements() const
{
    const std::lock_guard guard(lock);
    return chat_replacements;
}

std::size_t FakeLobbyView::ChatShown() const
{
    const std::lock_guard guard(lock);
    return chat_shown;
}

std::vector<std::string> FakeLobbyView::ChatShownSince(std::size_t shown) const
{
    const std::lock_guard guard(lock);
    const std::size_t first_kept = chat_shown - chat_kept.size();
    const auto from = chat_kept.begin() + static_cast<long>(std::max(shown, first_kept) - first_kept);
    return {from, chat_kept.end()};
}

void FakeLobbyView::Keep(std::string_view line)
{
    chat_kept.emplace_back(line);
    ++chat_shown;
    if (chat_kept.size() > CHAT_KEPT) {
        chat_kept.pop_front();
    }
}

bool FakeLobbyView::ChatHas(std::string_view line) const
{
    const std::lock_guard guard(lock);
    return std::find(chat.begin(), chat.end(), line) != chat.end();
}

std::string FakeLobbyView::Status() const
{
    const std::lock_guard guard(lock);
    return status;
}

std::vector<std::string> FakeLobbyView::Participants() const
{
    const std::lock_guard guard(lock);
    return participants;
}

std::string FakeLobbyView::Field(int id) const
{
    const std::lock_guard guard(lock);
    const auto field = fields.find(id);
    return field == fields.end() ? std::string() : field->second;
}

int FakeLobbyView::Limit(int id) const
{
    const std::lock_guard guard(lock);
    const auto limit = limits.find(id);
    return limit == limits.end() ? 0 : limit->second;
}

bool FakeLobbyView::Enabled(int id) const
{
    const std::lock_guard guard(lock);
    const auto state = enabled.find(id);
    return state == enabled.end() || state->second == ControlState::ENABLED;
}

bool FakeLobbyView::Toggled(int id) const
{
    const std::lock_guard guard(lock);
    const auto toggle = toggles.find(id);
    return toggle != toggles.end() && toggle->second;
}

bool FakeLobbyView::BattleOpen() const
{
    const std::lock_guard guard(lock);
    return battle_open;
}

int FakeLobbyView::BattleIcon() const
{
    const std::lock_guard guard(lock);
    return battle_icon;
}

int FakeLobbyView::BattleOpenings() const
{
    const std::lock_guard guard(lock);
    return battle_openings;
}

int FakeLobbyView::BattleRepaints() const
{
    const std::lock_guard guard(lock);
    return battle_repaints;
}

std::optional<Cell> FakeLobbyView::Marker() const
{
    const std::lock_guard guard(lock);
    return marker;
}

std::vector<BattleClose> FakeLobbyView::BattleCloses() const
{
    const std::lock_guard guard(lock);
    return battle_closes;
}

std::vector<std::string> FakeLobbyView::OpenMessageBoxes() const
{
    const std::lock_guard guard(lock);
    std::vector<std::string> open;
    for (const MessageBox& box : boxes) {
        if (box.open) {
            open.push_back(box.text);
        }
    }
    return open;
}

std::vector<std::string> FakeLobbyView::MessageBoxHistory() const
{
    const std::lock_guard guard(lock);
    std::vector<std::string> all;
    for (const MessageBox& box : boxes) {
        all.push_back(box.text);
    }
    return all;
}

std::vector<InputResult> FakeLobbyView::ChatKeyResults() const
{
    const std::lock_guard guard(lock);
    return chat_key_results;
}

bool FakeLobbyView::LobbyEnded() const
{
    const std::lock_guard guard(lock);
    return ended;
}

std::optional<Grid> FakeLobbyView::BattleCells()
{
    std::optional<Grid> cells;
    RunOnWindowThread([&] {
        const std::lock_guard guard(lock);
        if (battle_open && battle_events != nullptr) {
            cells = battle_events->Cells();
        }
    });
    return cells;
}

} // namespace pyrandel::test
