// Any bytes through the conversions at the view boundary, where every received name and chat text passes: the
// result is always well-formed in its code, the conversions always finish, and a cut never splits a character.

#include "text/text_codec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Well-formed UTF-8: no stray continuation byte, no cut or overlong sequence, no surrogate, nothing past U+10FFFF.
bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto first = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (first < 0x80) {
            ++i;
            continue;
        } else if (first >= 0xC2 && first <= 0xDF) {
            length = 2;
            code = first & 0x1F;
        } else if (first >= 0xE0 && first <= 0xEF) {
            length = 3;
            code = first & 0x0F;
        } else if (first >= 0xF0 && first <= 0xF4) {
            length = 4;
            code = first & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Received code page 932 text, shown in a widget.
    const std::string shown = pyrandel::Cp932ToUtf8(bytes);
    Require(IsUtf8(shown));
    // Typed text going out: whatever the widget held, the wire gets code page 932 that reads back the same way.
    const std::string typed = pyrandel::Utf8ToCp932(bytes);
    Require(IsUtf8(pyrandel::Cp932ToUtf8(typed)));
    // ASCII is the same in both codes and passes untouched both ways.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        Require(shown == bytes && typed == bytes);
    }

    // A cut at any length is a prefix that ends on a character boundary.
    for (const std::size_t max : {std::size_t{0}, std::size_t{1}, std::size_t{78}, std::size_t{79}, size / 2, size}) {
        const std::string_view cut = pyrandel::Cp932Prefix(bytes, max);
        Require(cut.size() <= max && cut.size() <= size && bytes.substr(0, cut.size()) == cut);
        std::size_t at = 0;
        while (at < cut.size()) {
            at += IsLeadByte(static_cast<unsigned char>(cut[at])) ? 2 : 1;
        }
        Require(at == cut.size());
        // Only a character that would not fit is left out.
        if (cut.size() < std::min(max, size)) {
            Require(IsLeadByte(static_cast<unsigned char>(bytes[cut.size()])) && cut.size() + 2 > std::min(max, size));
        }
    }
    return 0;
}
