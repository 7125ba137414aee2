#pragma once
// A plain iconv call, independent of the program's own codec, to spell expected code page 932 bytes from
// readable UTF-8 in tests. Returns nothing when iconv refuses the text.

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace pyrandel::test {

inline std::optional<std::string> IconvToCp932(std::u8string_view utf8)
{
    const iconv_t handle = iconv_open("CP932", "UTF-8");
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string input(utf8.begin(), utf8.end());
    std::string output(input.size() * 2 + 8, '\0');
    char* in = input.data();
    std::size_t in_left = input.size();
    char* out = output.data();
    std::size_t out_left = output.size();
    const std::size_t result = iconv(handle, &in, &in_left, &out, &out_left);
    iconv_close(handle);
    if (result == static_cast<std::size_t>(-1) || in_left != 0) {
        return std::nullopt;
    }
    output.resize(output.size() - out_left);
    return output;
}

inline std::string Cp932(std::u8string_view utf8)
{
    return IconvToCp932(utf8).value_or("<iconv refused>");
}

} // namespace pyrandel::test
