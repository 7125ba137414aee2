// A player's program receiving any sequence of lines from its host, mixed with the player's own actions in the
// battle window: any command, any fields, huge or negative numbers, colours and positions out of range. The
// session runs over the program's own lobby controls (chat log, participant list) and a view that does the
// window thread's work in place after each line, and that aborts on any request no real window could carry out.
//
// Input: lines separated by LF, each cut into the 79-byte pieces the transport delivers. A line whose first
// byte is 0x01..0x05 is a player action instead (its second byte the lane): point, drop, close the battle
// window, chat, or press the start button.

#include "app/lobby_controls.h"
#include "app/lobby_view.h"
#include "app/participant_list.h"
#include "client/client_session.h"
#include "game/board.h"
#include "net/line_connection.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace pyrandel;

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

[[nodiscard]] bool OnBoard(int col, int row)
{
    return col >= 0 && col < COLUMNS && row >= 0 && row < ROWS;
}

// The window thread of a headless program: posted commands and close requests wait in one queue and run, in
// order, when Pump is called.
class PumpedView final : public LobbyView {
public:
    void Pump(ClientSession& session)
    {
        while (!queue.empty()) {
            const auto [command, param] = queue.front();
            queue.pop_front();
            if (command == CLOSE_REQUEST) {
                if (battle_events != nullptr && param == generation) {
                    BattleEvents* events = std::exchange(battle_events, nullptr);
                    events->CloseRequested(BattleClose::PROGRAM);
                }
            } else {
                Require(session.HandleCommand(command, param));
            }
        }
    }
    [[nodiscard]] BattleEvents* Battle() const { return battle_events; }
    // The player closes the battle window with its close box: the match logic hears of it, then it is gone.
    void PlayerCloses()
    {
        BattleEvents* events = std::exchange(battle_events, nullptr);
        events->CloseRequested(BattleClose::CLOSE_BOX);
    }
    [[nodiscard]] std::size_t ParticipantsShown() const { return participants_shown; }
    [[nodiscard]] std::size_t ChatBytes() const { return chat_bytes; }

    int RunLobby(LobbyEvents&) override { return 0; }
    void EndLobby(int) override {}
    void PostCommand(int id, int param) override
    {
        Require(id == CMD_START_MATCH || id == CMD_YOUR_TURN || id == CMD_MATCH_OVER);
        queue.emplace_back(id, param);
    }
    bool IsKeyHeld(HeldKey) override { return false; }
    std::string FieldText(int id) override { return id == CONTROL_NAME ? name : std::string(); }
    void WriteField(int id, std::string_view text) override
    {
        if (id == CONTROL_NAME) {
            name.assign(text);
        }
    }
    void LimitField(int, int) override {}
    void EnableControl(int, ControlState) override {}
    bool IsToggled(int) override { return false; }
    void ReleaseToggle(int) override {}
    void ShowStatus(std::string_view) override {}
    void AppendChatLine(std::string_view line) override { chat_bytes += line.size() + 2; }
    void ReplaceChatLog(std::string_view line) override { chat_bytes = line.size() + 2; }
    void ShowParticipants(const std::vector<std::string>& names) override { participants_shown = names.size(); }
    void ShowMessageBox(std::string_view) override {}
    void OpenBattleWindow(int colour, BattleEvents& events) override
    {
        Require(colour >= 0 && colour < COLOURS);
        Require(battle_events == nullptr);
        battle_events = &events;
        ++generation;
        (void)events.Cells();
    }
    bool IsBattleWindowOpen() override { return battle_events != nullptr; }
    void CloseBattleWindow() override
    {
        if (battle_events != nullptr) {
            queue.emplace_back(CLOSE_REQUEST, generation);
        }
    }
    void DrawBattleCell(int col, int row) override { Require(OnBoard(col, row)); }
    void DrawBattleMarker(int col, int row) override { Require(OnBoard(col, row)); }
    void RepaintBattleWindow() override
    {
        if (battle_events != nullptr) {
            for (const int cell : battle_events->Cells()) {
                Require(cell == EMPTY || (cell >= 0 && cell < COLOURS));
            }
        }
    }
    void SetBattleIcon(int colour) override { Require(colour >= 0 && colour < COLOURS); }

private:
    static constexpr int CLOSE_REQUEST = -1;

    std::deque<std::pair<int, int>> queue;
    BattleEvents* battle_events = nullptr;
    int generation = 0;
    std::string name = "fuzz";
    std::size_t chat_bytes = 0;
    std::size_t participants_shown = 0;
};

// The transport's callback is not public: the session is reached the way the transport reaches it, through
// ConnectClient's own OnLine.
struct Transport : ConnectClient {
    static void Deliver(ClientSession& session, const char* line)
    {
        ConnectClient& client = session;
        (client.*&Transport::OnLine)(line);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PumpedView view;
    ParticipantList participants;
    LobbyControls controls(view, participants);
    controls.AttachParticipants();
    Board board(controls);
    ClientSession session(board, controls);

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        const std::string_view line = input.substr(start, end - start);
        start = end + 1;

        const auto action = line.empty() ? 0 : static_cast<unsigned char>(line[0]);
        if (action >= 1 && action <= 5) {
            const std::optional<int> lane =
                line.size() > 1 ? std::optional<int>(static_cast<signed char>(line[1])) : std::nullopt;
            BattleEvents* battle = view.Battle();
            switch (action) {
            case 1:
                if (battle != nullptr) {
                    battle->PointAt(lane);
                }
                break;
            case 2:
                if (battle != nullptr) {
                    battle->Drop(lane);
                }
                break;
            case 3:
                if (battle != nullptr) {
                    view.PlayerCloses();
                }
                break;
            case 4:
                session.SendChat(line.substr(1));
                break;
            default:
                session.SendStart(lane.value_or(0));
                break;
            }
        } else {
            // What the transport hands over: pieces of at most 79 bytes, each ending at its first NUL.
            for (std::size_t at = 0; at == 0 || at < line.size(); at += LINE_LIMIT) {
                const std::string piece(line.substr(at, LINE_LIMIT));
                Transport::Deliver(session, piece.c_str());
            }
        }
        view.Pump(session);

        const Grid cells = board.Snapshot();
        for (const int cell : cells) {
            Require(cell == EMPTY || (cell >= 0 && cell < COLOURS));
        }
        Require(board.own_colour() >= 0 && board.own_colour() < COLOURS);
        // Whatever the host sends, what the player's program keeps of it stays bounded.
        Require(view.ParticipantsShown() <= PARTICIPANT_LIMIT);
        Require(view.ChatBytes() < CHAT_LOG_CAPACITY + 1024);
    }
    return 0;
}
