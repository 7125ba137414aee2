#pragma once
// A BattleEvents that records what the battle window reports and serves cells that a test sets.

#include "game/battle_events.h"

#include <optional>
#include <vector>

namespace pyrandel::test {

class RecordingBattleEvents final : public BattleEvents {
public:
    RecordingBattleEvents() : cells(EmptyGrid()) {}

    void PointAt(std::optional<int> lane) override { pointed.push_back(lane); }
    void Drop(std::optional<int> lane) override { dropped.push_back(lane); }
    void CloseRequested(BattleClose how) override { closes.push_back(how); }
    [[nodiscard]] Grid Cells() const override { return cells; }
    void Hint() override { ++hints; }
    [[nodiscard]] BoardMarks Marks() const override { return marks; }

    void Put(int colour, int col, int row) { cells[static_cast<std::size_t>(row * COLUMNS + col)] = colour; }

    Grid cells;
    BoardMarks marks;
    std::vector<std::optional<int>> pointed;
    std::vector<std::optional<int>> dropped;
    std::vector<BattleClose> closes;
    int hints = 0;
};

} // namespace pyrandel::test
