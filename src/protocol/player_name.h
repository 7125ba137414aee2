#pragma once
// A player's name given on a command line (UTF-8), checked for the wire: it must become code page 932 bytes
// exactly (no character that code page lacks), fit the FIELD_READ_BYTES a lobby field holds, and hold no control
// character, as a TAB would split the NEW_C line into fields and a line end would end it early.

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace pyrandel {

// Bytes of a lobby text field (the name, the address, a chat line) that every program uses, cut by the logic:
// the fields hold more, but every program reads them into 79 bytes with the terminating zero. A player's name
// goes on the wire as one such field.
inline constexpr std::size_t FIELD_READ_BYTES = 78;

struct NameError {
    std::string reason; // one line, naming no option: the caller says which option it was
};

// The name's code page 932 bytes, or why it cannot be used. An empty name is returned as it is.
[[nodiscard]] std::variant<std::string, NameError> CheckPlayerName(std::string_view utf8);

} // namespace pyrandel
