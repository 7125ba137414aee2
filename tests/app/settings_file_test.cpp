// kq.ini byte for byte, and a reader that takes nothing from a file it cannot trust.

#include "app/settings_file.h"
#include "support/test_player.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pyrandel::test {
namespace {

using namespace std::string_literals;

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const std::string EXAMPLE =
    Bytes({0x02, 0x00, 0x61, 0x62, 0x00, 0x09, 0x00, 0x6C, 0x6F, 0x63, 0x61, 0x6C, 0x68, 0x6F, 0x73, 0x74, 0x00});

TEST(SettingsFile, Format_WritesTheSeventeenByteExample)
{
    EXPECT_EQ(SettingsFile::Format("ab", "localhost"), EXAMPLE);
}

TEST(SettingsFile, Format_EmptyTextsAreALengthZeroAndOneZeroByte)
{
    EXPECT_EQ(SettingsFile::Format("", ""), Bytes({0, 0, 0, 0, 0, 0}));
}

TEST(SettingsFile, Format_LineEndBytesInLengthsAreStoredUntranslated)
{
    const std::string name(10, 'n');
    const std::string address(13, 'a');
    const std::string bytes = SettingsFile::Format(name, address);
    ASSERT_EQ(bytes.size(), 10u + 13u + 6u);
    EXPECT_EQ(bytes.substr(0, 2), Bytes({10, 0}));
    EXPECT_EQ(bytes.substr(13, 2), Bytes({13, 0}));
}

TEST(SettingsFile, Format_CutsLongTextsSoTheFileStaysReadable)
{
    const std::string long_name = std::string(77, 'a') + "\x82\xA0" + std::string(100, 'b');
    const Settings back = SettingsFile::Parse(SettingsFile::Format(long_name, std::string(300, 'c')));
    EXPECT_EQ(back.name, std::string(77, 'a'));
    EXPECT_EQ(back.address, std::string(FIELD_READ_BYTES, 'c'));
}

struct ParseCase {
    const char* what;
    std::string bytes;
    std::optional<std::string> name;
    std::optional<std::string> address;
};

TEST(SettingsFile, Parse_TakesOnlyCompleteSoundRecords)
{
    const std::string name79(79, 'x');
    const std::vector<ParseCase> cases = {
        {"the example", EXAMPLE, "ab", "localhost"},
        {"empty file", "", std::nullopt, std::nullopt},
        {"one byte", Bytes({2}), std::nullopt, std::nullopt},
        {"name cut short", Bytes({2, 0, 'a', 'b'}), std::nullopt, std::nullopt},
        {"only the name record", Bytes({2, 0, 'a', 'b', 0}), "ab", std::nullopt},
        {"address length cut", Bytes({2, 0, 'a', 'b', 0, 9}), "ab", std::nullopt},
        {"address cut short", EXAMPLE.substr(0, 16), "ab", std::nullopt},
        {"bytes after the records", EXAMPLE + "junk", "ab", "localhost"},
        {"79 bytes fit", Bytes({79, 0}) + name79 + '\0' + Bytes({0, 0, 0}), name79, ""},
        {"80 bytes do not", Bytes({80, 0}) + std::string(80, 'x') + '\0' + Bytes({0, 0, 0}), std::nullopt,
         std::nullopt},
        {"negative name length", Bytes({0xFF, 0xFF}) + std::string(100, 'x'), std::nullopt, std::nullopt},
        {"huge address length", Bytes({1, 0, 'a', 0, 0x00, 0x7F}) + std::string(200, 'y'), "a", std::nullopt},
        {"negative address length", Bytes({1, 0, 'a', 0, 0x00, 0x80, 'z', 0}), "a", std::nullopt},
        {"missing terminators", Bytes({2, 0, 'a', 'b', 'c', 1, 0, 'd', 'e'}), "ab", "d"},
        {"zero inside the text", Bytes({3, 0, 'a', 0, 'b', 0, 0, 0, 0}), "a", ""},
    };
    for (const ParseCase& c : cases) {
        const Settings settings = SettingsFile::Parse(c.bytes);
        EXPECT_EQ(settings.name, c.name) << c.what;
        EXPECT_EQ(settings.address, c.address) << c.what;
    }
}

TEST(SettingsFile, SaveThenLoad_GivesBackTheTextsAndTheExactBytes)
{
    TempDirectory dir;
    const SettingsFile file(dir.path());
    const std::string name = "\x96\xBC\x96\xB3\x82\xB5"; // a double-byte name passes through untouched
    ASSERT_TRUE(file.Save(name, "127.0.0.1"));
    EXPECT_EQ(ReadFile(dir.path() / "kq.ini"), SettingsFile::Format(name, "127.0.0.1"));
    const Settings loaded = file.Load();
    EXPECT_EQ(loaded.name, name);
    EXPECT_EQ(loaded.address, "127.0.0.1");
}

TEST(SettingsFile, Save_ReplacesALongerFileWhole)
{
    TempDirectory dir;
    WriteFile(dir.path() / "kq.ini", std::string(300, 'z'));
    ASSERT_TRUE(SettingsFile(dir.path()).Save("ab", "localhost"));
    EXPECT_EQ(ReadFile(dir.path() / "kq.ini"), EXAMPLE);
}

TEST(SettingsFile, MissingFileOrDirectory_LoadsNothingAndSaveMakesTheFolderOrFails)
{
    TempDirectory dir;
    const Settings loaded = SettingsFile(dir.path()).Load();
    EXPECT_FALSE(loaded.name);
    EXPECT_FALSE(loaded.address);
    ASSERT_TRUE(SettingsFile(dir.path() / "made" / "here").Save("ab", "localhost"));
    EXPECT_EQ(ReadFile(dir.path() / "made" / "here" / "kq.ini"), EXAMPLE);
    WriteFile(dir.path() / "plain", "x"); // a file where the folder would have to be
    EXPECT_FALSE(SettingsFile(dir.path() / "plain" / "sub").Save("a", "b"));
}

// Where kq.ini is kept, worked out in an empty current folder (or one holding kq.ini) with temporary variables.
struct LocationCase {
    const char* label;
    bool kq_ini_here;
    const char* xdg_config_home; // relative to the temporary folder when it starts with no "/"; nullptr unset
    const char* home;
    const char* expected; // relative to the temporary folder; "" for the current folder
};

class SettingsLocationTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(SettingsLocationTest, DefaultDirectory)
{
    const LocationCase& c = GetParam();
    TempDirectory dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    if (c.kq_ini_here) {
        WriteFile("kq.ini", EXAMPLE);
    }
    const auto absolute = [&](const char* value) -> std::string {
        return value == nullptr || *value == '\0' || value[0] == '.' ? std::string(value ? value : "")
                                                                     : (dir.path() / value).string();
    };
    const std::string xdg = absolute(c.xdg_config_home);
    const std::string home = absolute(c.home);
    const std::filesystem::path found =
        DefaultSettingsDirectory(c.xdg_config_home ? xdg.c_str() : nullptr, c.home ? home.c_str() : nullptr);
    EXPECT_EQ(found, *c.expected == '\0' ? std::filesystem::path() : dir.path() / c.expected);
    // Saving there makes the folder and leaves the current one alone (or rewrites its own kq.ini).
    EXPECT_TRUE(SettingsFile(found).Save("ab", "localhost"));
    EXPECT_EQ(ReadFile(found / "kq.ini"), EXAMPLE);
    EXPECT_EQ(std::filesystem::exists("kq.ini"), c.kq_ini_here || *c.expected == '\0');
    std::filesystem::current_path(before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsLocationTest,
    ::testing::Values(LocationCase{"KqIniHereWins", true, "cfg", "home", ""},
                      LocationCase{"XdgConfigHome", false, "cfg", "home", "cfg/pyrandel"},
                      LocationCase{"HomeWhenXdgUnset", false, nullptr, "home", "home/.config/pyrandel"},
                      LocationCase{"HomeWhenXdgEmpty", false, "", "home", "home/.config/pyrandel"},
                      LocationCase{"HomeWhenXdgRelative", false, "./cfg", "home", "home/.config/pyrandel"},
                      LocationCase{"CurrentFolderWithoutEither", false, nullptr, nullptr, ""}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace pyrandel::test

namespace pyrandel::test {
namespace {

TEST(SettingsFileSafety, Save_WhenNoFileCanBeMadeBesideIt_StillRewritesTheFile)
{
    TempDirectory dir;
    const SettingsFile file(dir.path());
    ASSERT_TRUE(file.Save("old", "x"));
    // Something in the way of the file written beside it: the settings are still saved, in place.
    std::filesystem::create_directory(dir.path() / "kq.ini.new");
    ASSERT_TRUE(file.Save("ab", "localhost"));
    EXPECT_EQ(ReadFile(dir.path() / "kq.ini"), EXAMPLE);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "kq.ini.new"));
}

TEST(SettingsFileSafety, Load_OfANamedPipe_LoadsNothingInsteadOfWaiting)
{
    TempDirectory dir;
    ASSERT_EQ(::mkfifo((dir.path() / "kq.ini").c_str(), 0600), 0);
    const Settings loaded = SettingsFile(dir.path()).Load();
    EXPECT_FALSE(loaded.name);
    EXPECT_FALSE(loaded.address);
}

} // namespace
} // namespace pyrandel::test
