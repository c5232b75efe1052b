#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "CRegSettings.h"
#include "RegistryStore.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"
#include "TempDir.h"

namespace lexmill {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
const std::string kOptions = "Software\\Bramblegate\\Lexmill\\Options";

// What CRegSettings adds to the store: the application key, text values with
// their NUL, sections as nested keys, and no exceptions.
class CRegSettingsTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string file = dir.file("registry.sqlite");
    CRegSettings settings{file};
    void SetUp() override {
        settings.setCompany(catalogue::kCompany);
        settings.setAppName(catalogue::kAppName);
    }
};

TEST(CRegSettingsNames, SpacesAreTrimmedAndEmptyNamesRestoreTheFreshOnes) {
    CRegSettings settings("/nonexistent/registry.sqlite");
    // Only spaces are trimmed; an empty name restores the fresh one.
    const std::pair<const char*, const char*> cases[] = {
        {" A B ", "A B"}, {"\tT\t", "\tT\t"}, {"", "MyCompany"}, {" ", "MyCompany"}};
    for (const auto& [written, kept] : cases) {
        settings.setCompany("Someone");
        settings.setCompany(written);
        EXPECT_EQ(settings.Company(), kept) << written;
    }
    settings.setAppName(" Other ");
    EXPECT_EQ(settings.keyPath("Options"), "Software\\MyCompany\\Other\\Options");
    settings.setAppName("");
    EXPECT_EQ(settings.AppName(), "Lexmill");
}

TEST_F(CRegSettingsTest, SettingsAreTextWithANulUnderTheSectionKey) {
    // {section, name written, name stored}: "*" is the key's default value.
    // clang-format off
    for (const auto& [section, name, storedName] : {std::tuple{"Options", "Match Case", "Match Case"},
                                                    {"", "top", "top"}, {"Options", "*", ""}})
        for (const std::string text : {"", "1"}) {
            settings.SaveSetting(section, name, text);
            EXPECT_EQ(RegistryStore(file).queryValue(settings.keyPath(section), storedName),
                      (RegistryValue{storedName, REG_SZ, text + '\0'}));
            EXPECT_EQ(settings.GetSetting(section, name, "d"), text);  // saved empty: not "d"
        }
    // Any type reads as its bytes but the last; size 0 gives the default.
    const std::tuple<const char*, std::uint32_t, std::string, std::string> raw[] = {
        {"Binary", REG_BINARY, "ab", "a"}, {"Size zero", REG_SZ, "", "d"},
        {"Dword", REG_DWORD, std::string("\x01\0\0\0", 4), std::string("\x01\0\0", 3)},
        {"Nul inside", REG_SZ, std::string("a\0b\0", 4), std::string("a\0b", 3)}};
    // clang-format on
    EXPECT_EQ(settings.keyPath("Options"), kOptions);
    for (const auto& [name, type, data, text] : raw) {
        RegistryStore(file).setValue(kOptions, name, type, data);
        EXPECT_EQ(settings.GetSetting("OPTIONS", name, "d"), text) << name;
    }
    EXPECT_EQ(settings.GetSetting("Options", "Missing", "d"), "d");
    EXPECT_EQ(settings.GetSetting("Options", "Missing"), "");
    // Only text values are listed, in the order first written.
    const Pairs texts = {
        {"Match Case", "1"}, {"", "1"}, {"Size zero", ""}, {"Nul inside", {"a\0b", 3}}};
    EXPECT_EQ(settings.GetAllSettings("OPTIONS"), texts);
    EXPECT_EQ(settings.GetAllSettings(""), (Pairs{{"top", "1"}}));
    EXPECT_TRUE(settings.GetAllSettings("Nowhere").empty());
}

// A key deletes a value, none the section (the store takes what is below it);
// deleting says whether something went, and never takes the application key.
TEST_F(CRegSettingsTest, DeleteTakesAValueOrASectionAndSaysSo) {
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers"));  // nothing stored at all
    for (const char* section : {"FTP Servers", "FTP Servers\\Home", ""})
        settings.SaveSetting(section, "Address", "x");
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers", "Missing"));
    EXPECT_FALSE(settings.DeleteSetting("Missing", "Address"));
    EXPECT_FALSE(settings.DeleteSetting("Missing"));
    EXPECT_FALSE(settings.DeleteSetting(""));
    EXPECT_TRUE(settings.DeleteSetting("ftp SERVERS", "ADDRESS"));
    EXPECT_EQ(settings.GetSetting(catalogue::ftp::connectionSection("Home"), "Address"), "x");
    EXPECT_TRUE(settings.DeleteSetting("FTP Servers", ""));
    EXPECT_EQ(settings.GetSetting("FTP Servers\\Home", "Address", "gone"), "gone");
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers"));
    EXPECT_TRUE(settings.DeleteSetting("", "Address"));
    EXPECT_TRUE(RegistryStore(file).keyExists("Software\\Bramblegate\\Lexmill"));
}

// Writes throw with the store's reason, so no window says "Saved" for nothing.
TEST(CRegSettingsUnusableStore, ReadsGiveDefaultsAndWritesFailWithoutTouchingTheFile) {
    test::TempDir dir;
    for (const std::string& file :
         {dir.write("registry.sqlite", "not a database, but somebody's data\n"),
          dir.file("missing folder/registry.sqlite")}) {
        CRegSettings settings(file);
        EXPECT_THROW(settings.SaveSetting("Options", "Match Case", "1"), RegistryError) << file;
        EXPECT_EQ(settings.GetSetting("Options", "Match Case", "d"), "d");
        EXPECT_THROW(settings.DeleteSetting("Options", "Match Case"), RegistryError);
        EXPECT_THROW(settings.DeleteSetting("Options"), RegistryError);
        EXPECT_TRUE(settings.GetAllSettings("Options").empty());
    }
    EXPECT_EQ(test::readFile(dir.file("registry.sqlite")), "not a database, but somebody's data\n");
    EXPECT_FALSE(test::exists(dir.file("missing folder")));
}

// The leading number: an exponent without digits is not part of it; halves go
// to even; blanks are skipped wherever they are, a no-break space is no blank;
// out of range gives the nearest 16-bit integer. The strict number: the whole
// text or nothing ("32767.5" rounds out of range).
TEST(SettingConversions, ReadNumbersFromAwkwardTexts) {
    constexpr std::optional<int> no;
    // clang-format off
    const std::pair<const char*, int> leading[] = {
        {"", 0}, {"0", 0}, {"3", 3}, {" 12abc", 12}, {"-3", -3}, {"+7", 7}, {"1e3", 1000},
        {"1E2x", 100}, {"1e", 1}, {"1e+", 1}, {"2e-1", 0}, {"Last Used", 0}, {"abc12", 0},
        {"-", 0}, {".", 0}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"0.5", 0}, {"1.5", 2},
        {"2.51", 3}, {".7", 1}, {"-.7", -1}, {"5.", 5}, {"1.2.3", 1}, {"1 2", 12}, {"\t\n 3", 3},
        {"- 4", -4}, {"007", 7}, {"32767", 32767}, {"-32768", -32768}, {"32768", 32767},
        {"-40000", -32768}, {"1e400", 32767}, {"-1e400", -32768}, {"1e-400", 0},
        {"99999999999999999999999", 32767}, {"0x10", 0}, {"\xc2\xa0" "5", 0}};
    const std::pair<const char*, std::optional<int>> strict[] = {
        {"0", 0}, {"1", 1}, {" 1 ", 1}, {"-3", -3}, {"+2", 2}, {"1e3", 1000}, {"1.5", 2},
        {"2.5", 2}, {"32767", 32767}, {"-32768", -32768}, {"32767.5", no}, {"32768", no},
        {"-32769", no}, {"1e400", no}, {"", no}, {"   ", no}, {" 12abc", no}, {"Last Used", no},
        {"1 2", no}, {"1e", no}, {"-", no}, {".", no}, {"0x1", no}, {"true", no}};
    // clang-format on
    for (const auto& [text, expected] : leading) EXPECT_EQ(leadingNumber(text), expected) << text;
    for (const auto& [text, expected] : strict) EXPECT_EQ(strictNumber(text), expected) << text;
}

}  // namespace
}  // namespace lexmill
