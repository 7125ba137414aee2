#include "app/settings_file.h"

#include "text/text_codec.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

namespace pyrandel {

namespace {

// Reads one record at `pos`; nothing when it is cut short or its length is out of range.
[[nodiscard]] std::optional<std::string> ReadRecord(std::string_view bytes, std::size_t& pos)
{
    if (bytes.size() - pos < 2) {
        return std::nullopt;
    }
    const auto low = static_cast<unsigned char>(bytes[pos]);
    const auto high = static_cast<unsigned char>(bytes[pos + 1]);
    const auto length = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    if (length < 0 || length > SETTINGS_TEXT_LIMIT) {
        return std::nullopt;
    }
    const auto text_bytes = static_cast<std::size_t>(length);
    // The text and its end byte must both be in the file, as the record is only complete with them.
    if (bytes.size() - pos - 2 < text_bytes + 1) {
        return std::nullopt;
    }
    std::string_view text = bytes.substr(pos + 2, text_bytes);
    text = text.substr(0, text.find('\0'));
    pos += 2 + text_bytes + 1;
    return std::string(text);
}

void WriteRecord(std::string& out, std::string_view text)
{
    const auto length = static_cast<std::uint16_t>(text.size());
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.append(text);
    out.push_back('\0');
}

[[nodiscard]] bool WriteWhole(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

} // namespace

SettingsFile::SettingsFile(std::filesystem::path directory) : directory(std::move(directory))
{
}

std::filesystem::path SettingsFile::Path() const
{
    return directory / SETTINGS_FILE_NAME;
}

Settings SettingsFile::Parse(std::string_view bytes)
{
    Settings settings;
    std::size_t pos = 0;
    settings.name = ReadRecord(bytes, pos);
    if (settings.name) {
        settings.address = ReadRecord(bytes, pos);
    }
    return settings;
}

std::string SettingsFile::Format(std::string_view name, std::string_view address)
{
    // The lobby reads its fields as FIELD_READ_BYTES at most; a longer text from elsewhere is cut the same way, so
    // every file written here can be read back.
    name = Cp932Prefix(name, FIELD_READ_BYTES);
    address = Cp932Prefix(address, FIELD_READ_BYTES);
    std::string out;
    out.reserve(name.size() + address.size() + 6);
    WriteRecord(out, name);
    WriteRecord(out, address);
    return out;
}

Settings SettingsFile::Load() const
{
    // Only a plain file is read: opening a named pipe would hold the program's start until someone writes to it.
    std::error_code error;
    if (!std::filesystem::is_regular_file(Path(), error)) {
        return {};
    }
    std::ifstream file(Path(), std::ios::binary);
    if (!file) {
        return {};
    }
    // Two records of at most SETTINGS_TEXT_LIMIT bytes each: anything past this is never looked at.
    constexpr std::size_t MOST = 2 * (2 + SETTINGS_TEXT_LIMIT + 1);
    std::string bytes(MOST, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(MOST));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return Parse(bytes);
}

bool SettingsFile::Save(std::string_view name, std::string_view address) const
{
    const std::string bytes = Format(name, address);
    if (!directory.empty()) {
        std::error_code error;
        std::filesystem::create_directories(directory, error); // a failure shows when the file is written
    }
    // Written beside the file and renamed over it, so a write that fails half-way (a full disk, a crash) leaves
    // the settings of the last run in place instead of a cut file.
    std::filesystem::path fresh = Path();
    fresh += ".new";
    if (WriteWhole(fresh, bytes)) {
        std::error_code error;
        std::filesystem::rename(fresh, Path(), error);
        if (!error) {
            return true;
        }
        std::filesystem::remove(fresh, error);
    }
    // A directory that takes no new file may still let the file itself be rewritten.
    return WriteWhole(Path(), bytes);
}

std::filesystem::path DefaultSettingsDirectory(const char* xdg_config_home, const char* home)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(SETTINGS_FILE_NAME, error)) {
        return {};
    }
    const auto usable = [](const char* value) {
        return value != nullptr && std::filesystem::path(value).is_absolute();
    };
    if (usable(xdg_config_home)) {
        return std::filesystem::path(xdg_config_home) / SETTINGS_FOLDER_NAME;
    }
    if (usable(home)) {
        return std::filesystem::path(home) / ".config" / SETTINGS_FOLDER_NAME;
    }
    return {};
}

} // namespace pyrandel
