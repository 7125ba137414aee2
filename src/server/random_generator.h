#pragma once
// The program's one random generator, used only for the draw at match start. Bit-exact with every other copy of
// the game, so a host's draw can be reproduced: a 32-bit state word stepped by byte rotations and one feedback
// bit. Not thread-safe; the host uses it under its own lock.

#include <cstdint>

namespace pyrandel {

class RandomGenerator {
public:
    static constexpr std::uint32_t INITIAL_STATE = 0x9778182Bu;

    // Sets the state and returns the previous one.
    std::uint32_t SetSeed(std::uint32_t seed);
    // Advances the state one step and returns a number from 0 to n - 1; 0 for any n of 0 or below.
    int Next(int n);
    [[nodiscard]] std::uint32_t state() const { return state_word; }

private:
    std::uint32_t state_word = INITIAL_STATE;
};

} // namespace pyrandel
