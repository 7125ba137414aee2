#pragma once
// A player's name given on a command line (UTF-8), checked for the wire: it must become code page 932 bytes
// exactly (no character that code page lacks), fit the 78 bytes a lobby field holds, and hold no control
// character, as a TAB would split the NEW_C line into fields and a line end would end it early.

#include <string>
#include <string_view>
#include <variant>

namespace pyrandel {

inline constexpr std::size_t NAME_BYTE_LIMIT = 78;

struct NameError {
    std::string reason; // one line, naming no option: the caller says which option it was
};

// The name's code page 932 bytes, or why it cannot be used. An empty name is returned as it is.
[[nodiscard]] std::variant<std::string, NameError> CheckPlayerName(std::string_view utf8);

} // namespace pyrandel
