#pragma once
// The byte classes of code page 932 that code working on raw texts needs: where a double-byte character starts,
// and which bytes may follow it. Every cut, sort and conversion of the program's texts asks these, so they agree
// on where one character ends.

namespace pyrandel {

// The first byte of a double-byte character.
[[nodiscard]] constexpr bool IsCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// A byte that may be the second of a double-byte character.
[[nodiscard]] constexpr bool IsCp932TrailByte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

} // namespace pyrandel
