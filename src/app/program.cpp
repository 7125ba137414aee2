#include "app/program.h"

#include <random>
#include <utility>

namespace pyrandel {

namespace {
// Quick enough to answer a key press at once, and strong enough to see what matters a move ahead.
constexpr int HINT_LEVEL = 3;
} // namespace

Program::Program(LobbyView& view, LobbyOptions options)
    : controls_(view, participants_), board_(controls_), server_(random_), client_(board_, controls_),
      lobby_(view, controls_, board_, server_, client_, std::move(options))
{
    // Only the own colour is known here; the engine takes the other colours from the board.
    client_.SetHintSource([this](const Grid& cells, int own_colour) {
        if (!hint_engine) {
            hint_engine.emplace(HINT_LEVEL, std::random_device{}());
        }
        return hint_engine->ChooseLane(cells, Seating{own_colour, {}});
    });
}

int Program::Run(std::uint32_t seed)
{
    random_.SetSeed(seed);
    lobby_.Run();
    return 0;
}

} // namespace pyrandel
