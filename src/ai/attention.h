#pragma once
// How much of the board a player takes in at one move, so that the levels below the strongest play like people
// of that strength: in a room of three or four nobody wins while every player blocks every line, and a person
// does not. Every ball on the board is noticed, or not, on its own draw from the engine's seeded generator, anew
// at each move: one of the others' with the chance `threats`, one of the player's own with the chance `chances`.
// An overlooked ball still holds up the balls above it, but the engine sees no line through it, so a line of four
// goes unseen more often than a line of two (one of four balls missed is enough), and the look-ahead plays its
// ordinary game around what it missed instead of giving the position up for lost.

#include <array>

namespace pyrandel {

struct Attention {
    double threats = 1.0;
    double chances = 1.0;
    friend bool operator==(const Attention&, const Attention&) = default;
};

// What a player notices in a room of three, and in one of four, where more of the others' balls ask to be watched
// and each is noticed less. Sees everything unless told otherwise.
struct RoomAttention {
    Attention of_three;
    Attention of_four;
    friend bool operator==(const RoomAttention&, const RoomAttention&) = default;
};

// As level 5 always does and every level does in a room of two.
inline constexpr RoomAttention FULL_ATTENTION{};

// By level, 1 to 5, in rooms of three and four. Set so that a careful person with two or three computer players of
// levels 1 to 4 sees a decided game most of the time, and wins the less often the higher the level; in the
// comments, how often a line of four of the others is seen whole.
inline constexpr std::array<RoomAttention, 5> LEVEL_ATTENTION = {{
    {},                           // 1: drops its balls at random and looks at nothing
    {{0.58, 0.72}, {0.18, 0.45}}, // 2: one time in nine; in four, hardly ever
    {{0.765, 0.85}, {0.3, 0.55}}, // 3: one time in three; in four, hardly ever
    {{0.8, 0.88}, {0.37, 0.6}},   // 4: two times in five; in four, one in fifty
    {},                           // 5: always
}};

// The arena's stand-in for a person: careful, but a line now and then escapes it (a four of the others is seen
// four times in five), in a room of any size.
inline constexpr Attention STAND_IN_ATTENTION{0.95, 0.97};

} // namespace pyrandel
