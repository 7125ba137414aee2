// Any bytes as kq.ini: the reader takes only complete, sound records, never more than a record may hold, never
// a byte the file did not supply, and never looks past the two records; what it writes it reads back.

#include "app/settings_file.h"
#include "text/text_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using pyrandel::Settings;
using pyrandel::SettingsFile;

// The text of the record that starts at `pos` as the file holds it, cut at its first NUL.
bool TextMatchesFile(std::string_view bytes, std::size_t pos, const std::string& text)
{
    const std::size_t length = static_cast<unsigned char>(bytes[pos]) |
                               (static_cast<std::size_t>(static_cast<unsigned char>(bytes[pos + 1])) << 8);
    std::string_view stored = bytes.substr(pos + 2, length);
    stored = stored.substr(0, stored.find('\0'));
    return stored == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Settings settings = SettingsFile::Parse(bytes);

    if (settings.address && !settings.name) {
        std::abort(); // the address record is only reached through a complete name record
    }
    std::size_t pos = 0;
    for (const auto* text : {&settings.name, &settings.address}) {
        if (!*text) {
            break;
        }
        if ((*text)->size() > static_cast<std::size_t>(pyrandel::SETTINGS_TEXT_LIMIT) ||
            (*text)->find('\0') != std::string::npos || !TextMatchesFile(bytes, pos, **text)) {
            std::abort();
        }
        const std::size_t length = static_cast<unsigned char>(bytes[pos]) |
                                   (static_cast<std::size_t>(static_cast<unsigned char>(bytes[pos + 1])) << 8);
        pos += 2 + length + 1;
        if (pos > size) {
            std::abort(); // a record the file does not hold in full was taken
        }
    }

    // Bytes after the two largest records are never looked at.
    constexpr std::size_t MOST = 2 * (2 + pyrandel::SETTINGS_TEXT_LIMIT + 1);
    if (size > MOST) {
        const Settings head = SettingsFile::Parse(bytes.substr(0, MOST));
        if (head.name != settings.name || head.address != settings.address) {
            std::abort();
        }
    }

    // Whatever was loaded is saved so that it loads back as the lobby would read it (FIELD_READ_BYTES, whole
    // characters).
    const std::string name = settings.name.value_or(std::string(bytes.substr(0, size / 2)));
    const std::string address = settings.address.value_or(std::string(bytes.substr(size / 2)));
    const Settings again = SettingsFile::Parse(SettingsFile::Format(name, address));
    auto as_written = [](const std::string& text) {
        const std::string_view cut = pyrandel::Cp932Prefix(text, pyrandel::FIELD_READ_BYTES);
        return std::string(cut.substr(0, cut.find('\0')));
    };
    if (again.name != as_written(name) || again.address != as_written(address)) {
        std::abort();
    }
    return 0;
}
