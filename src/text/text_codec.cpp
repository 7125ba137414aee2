#include "text/text_codec.h"

#include "text/cp932_bytes.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace pyrandel {

namespace {

constexpr std::string_view REPLACEMENT_UTF8 = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view UNKNOWN_CP932 = "?";

// Bytes of the character that starts at `text`: a well-formed UTF-8 sequence, or as much of one as is there
// (a cut or broken sequence counts as one unreadable character), or one stray byte.
[[nodiscard]] std::size_t Utf8CharacterLength(std::string_view text)
{
    const auto first = static_cast<unsigned char>(text[0]);
    const std::size_t expected = first >= 0xC2 && first <= 0xDF   ? 2
                                 : first >= 0xE0 && first <= 0xEF ? 3
                                 : first >= 0xF0 && first <= 0xF4 ? 4
                                                                  : 1;
    std::size_t length = 1;
    while (length < expected && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

// One conversion direction; closed when it goes out of scope.
class Converter {
public:
    Converter(const char* to, const char* from) : handle(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) {
            iconv_close(handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    [[nodiscard]] bool valid() const { return handle != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `input` as it can onto the end of `output`; `input` keeps what was not converted.
    // Returns the errno of the stop, or 0 when everything was converted.
    int Convert(std::string_view& input, std::string& output)
    {
        std::array<char, 256> chunk{};
        while (!input.empty()) {
            // iconv's interface takes a non-const input pointer but never writes through it.
            char* in = const_cast<char*>(input.data());
            std::size_t in_left = input.size();
            char* out = chunk.data();
            std::size_t out_left = chunk.size();
            const std::size_t result = iconv(handle, &in, &in_left, &out, &out_left);
            const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
            output.append(chunk.data(), out);
            input.remove_prefix(input.size() - in_left);
            if (error != 0 && error != E2BIG) {
                return error;
            }
        }
        return 0;
    }

    // Returns the converter to its initial shift state after a skipped sequence.
    void Restart() { iconv(handle, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t handle;
};

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    std::string utf8;
    Converter converter("UTF-8", "CP932");
    if (!converter.valid()) {
        // Without the converter only ASCII can be told for sure; everything else is shown as unreadable.
        for (const char c : cp932) {
            utf8 += static_cast<unsigned char>(c) < 0x80 ? std::string_view(&c, 1) : REPLACEMENT_UTF8;
        }
        return utf8;
    }
    while (!cp932.empty()) {
        if (converter.Convert(cp932, utf8) == 0) {
            break;
        }
        utf8 += REPLACEMENT_UTF8;
        // A lead byte with a proper trail byte is one unknown character; anything else is one bad byte, and
        // the next byte starts afresh (it may be ASCII that belongs to the text).
        const bool pair = cp932.size() >= 2 && IsCp932LeadByte(static_cast<unsigned char>(cp932[0])) &&
                          IsCp932TrailByte(static_cast<unsigned char>(cp932[1]));
        cp932.remove_prefix(pair ? 2 : 1);
        converter.Restart();
    }
    return utf8;
}

std::string Utf8ToCp932(std::string_view utf8)
{
    std::string cp932;
    Converter converter("CP932", "UTF-8");
    if (!converter.valid()) {
        for (const char c : utf8) {
            cp932 += static_cast<unsigned char>(c) < 0x80 ? std::string_view(&c, 1) : UNKNOWN_CP932;
        }
        return cp932;
    }
    while (!utf8.empty()) {
        if (converter.Convert(utf8, cp932) == 0) {
            break;
        }
        // A character code page 932 lacks, or a broken sequence, is skipped whole and shown once.
        cp932 += UNKNOWN_CP932;
        utf8.remove_prefix(Utf8CharacterLength(utf8));
        converter.Restart();
    }
    return cp932;
}

std::optional<std::string> Utf8ToCp932Strict(std::string_view utf8)
{
    Converter converter("CP932", "UTF-8");
    if (!converter.valid()) {
        // Without the converter only ASCII is known to be the same bytes in both.
        if (std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            return std::nullopt;
        }
        return std::string(utf8);
    }
    std::string cp932;
    if (converter.Convert(utf8, cp932) != 0) {
        return std::nullopt;
    }
    return cp932;
}

std::string_view Cp932Prefix(std::string_view cp932, std::size_t max_bytes)
{
    const std::size_t limit = std::min(max_bytes, cp932.size());
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(cp932[end])) ? 2 : 1;
        if (end + width > limit) {
            break;
        }
        end += width;
    }
    return cp932.substr(0, end);
}

} // namespace pyrandel
