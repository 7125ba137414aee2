#include "server/random_generator.h"

namespace pyrandel {

namespace {

[[nodiscard]] constexpr std::uint32_t RotateLeft(std::uint32_t value, int shift, int width)
{
    const std::uint32_t mask = (1u << width) - 1u;
    value &= mask;
    return ((value << shift) | (value >> (width - shift))) & mask;
}

} // namespace

std::uint32_t RandomGenerator::SetSeed(std::uint32_t seed)
{
    const std::uint32_t previous = state_word;
    state_word = seed;
    return previous;
}

int RandomGenerator::Next(int n)
{
    const std::uint32_t s = state_word;
    const std::uint32_t low = s & 0xFFu;
    const std::uint32_t second = RotateLeft(s >> 8, 8 - 2, 8); // right by 2 within the byte
    std::uint32_t high = RotateLeft(s >> 16, 2, 16);
    high = (RotateLeft(high >> 8, 1, 8) << 8) | (high & 0xFFu);
    const std::uint32_t mixed = (high << 16) | (second << 8) | low;
    const std::uint32_t feedback = ((s >> 30) ^ (s >> 1)) & 1u;
    state_word = (mixed << 1) | feedback;

    // A count below 1 has no number to give; the state still advances so a draw keeps its sequence.
    if (n <= 0) {
        return 0;
    }
    const std::uint32_t folded = (state_word & 0xFFFFu) ^ (state_word >> 16);
    return static_cast<int>(folded % static_cast<std::uint32_t>(n));
}

} // namespace pyrandel
