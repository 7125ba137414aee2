#pragma once
// kq.ini: the player's name and the last host address, kept between runs. Despite its name it is binary: two
// records, each a 16-bit little-endian length N, N text bytes (code page 932) and one byte 0; nothing else.
//
// Reading is hardened, as the file may come from anywhere: a length that is negative or above
// SETTINGS_TEXT_LIMIT (the most a record may hold), or a record the file does not hold in full, counts as missing,
// and so does everything after it. A text ends after its stored length (or at an earlier 0); the byte stored as
// its end is not relied on.

#include "protocol/player_name.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pyrandel {

inline constexpr std::string_view SETTINGS_FILE_NAME = "kq.ini";
inline constexpr std::string_view SETTINGS_FOLDER_NAME = "pyrandel"; // under the user's configuration folder
// A text is written with at most FIELD_READ_BYTES, the most the lobby reads of a field; a reader takes one byte
// more, as every program's reader of the file always has.
inline constexpr int SETTINGS_TEXT_LIMIT = static_cast<int>(FIELD_READ_BYTES) + 1;

struct Settings {
    std::optional<std::string> name;
    std::optional<std::string> address;
};

class SettingsFile {
public:
    // The file in the current directory at the time of each Load or Save.
    SettingsFile() = default;
    // The file in `directory`, which Save creates when it is missing.
    explicit SettingsFile(std::filesystem::path directory);

    // Whatever complete, sound records the file holds (nothing when there is no readable file).
    [[nodiscard]] Settings Load() const;
    // Replaces the file. False when it could not be written.
    bool Save(std::string_view name, std::string_view address) const;

    // The file's bytes, both ways.
    [[nodiscard]] static Settings Parse(std::string_view bytes);
    [[nodiscard]] static std::string Format(std::string_view name, std::string_view address);

    [[nodiscard]] std::filesystem::path Path() const;

private:
    std::filesystem::path directory;
};

// Where kq.ini is kept when the command line names no folder. A kq.ini in the current folder keeps being used
// there (an empty path: the current folder at each load and save), as for players who start the program from its
// own folder; otherwise $XDG_CONFIG_HOME/pyrandel, or $HOME/.config/pyrandel when that variable is unset, empty or
// not absolute. With neither variable usable, the current folder. The two texts are the variables' values
// (nullptr when unset).
[[nodiscard]] std::filesystem::path DefaultSettingsDirectory(const char* xdg_config_home, const char* home);

} // namespace pyrandel
