#include "protocol/player_name.h"

#include "text/text_codec.h"

namespace pyrandel {

std::variant<std::string, NameError> CheckPlayerName(std::string_view utf8)
{
    for (const char byte : utf8) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F) {
            return NameError{"must not hold tabs, line ends or other control characters"};
        }
    }
    std::string cp932 = Utf8ToCp932(utf8);
    // The codec puts "?" for what code page 932 lacks (and U+FFFD back for broken UTF-8), so only a name that
    // comes back unchanged was taken whole.
    if (Cp932ToUtf8(cp932) != utf8) {
        return NameError{"holds characters that Shift-JIS (code page 932) cannot show"};
    }
    if (cp932.size() > FIELD_READ_BYTES) {
        return NameError{"is longer than " + std::to_string(FIELD_READ_BYTES) + " bytes in Shift-JIS"};
    }
    return cp932;
}

} // namespace pyrandel
