#pragma once
// Conversion between the program's code page 932 texts and UTF-8, where a text crosses into the UTF-8 world: the
// views, a browser seat's page, a command line's name, the host's log. What goes on the wire or into the
// settings file stays code page 932 bytes, untouched. Never fails: an invalid or cut sequence (a 79-byte cut can
// split a double-byte character) becomes U+FFFD on the way to UTF-8, and a character code page 932 lacks
// becomes "?".

#include <optional>
#include <string>
#include <string_view>

namespace pyrandel {

[[nodiscard]] std::string Cp932ToUtf8(std::string_view cp932);
[[nodiscard]] std::string Utf8ToCp932(std::string_view utf8);
// The strict direction, for text that must go on the wire exactly as it was typed (a browser seat's chat and
// name): nothing when the UTF-8 is broken or holds a character code page 932 lacks (an emoji, say), instead of
// a "?" in its place.
[[nodiscard]] std::optional<std::string> Utf8ToCp932Strict(std::string_view utf8);

// The longest prefix of `cp932` of at most `max_bytes` bytes that does not end inside a double-byte character.
[[nodiscard]] std::string_view Cp932Prefix(std::string_view cp932, std::size_t max_bytes);

} // namespace pyrandel
