#include <gtest/gtest.h>

#include <filesystem>

#include "CRegSettings.h"
#include "NameFold.h"
#include "RegistryStore.h"
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
    EXPECT_EQ(settings.keyPath(""), "Software\\MyCompany\\Lexmill");
    const std::pair<const char*, std::string_view> cases[] = {
        {"  Bramble gate  ", "Bramble gate"},
        {"\tTabbed\t", "\tTabbed\t"},  // only spaces
        {"", CRegSettings::kFreshCompany},
        {"    ", CRegSettings::kFreshCompany}};
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
            ASSERT_TRUE(settings.SaveSetting(section, name, text));
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
    EXPECT_EQ(settings.GetSetting("Nowhere", "Match Case", "d"), "d");
    EXPECT_EQ(settings.GetSetting("Options", "Missing"), "");
    // Only text values are listed, in the order first written.
    const Pairs texts = {
        {"Match Case", "1"}, {"", "1"}, {"Size zero", ""}, {"Nul inside", {"a\0b", 3}}};
    EXPECT_EQ(settings.GetAllSettings("OPTIONS"), texts);
    EXPECT_EQ(settings.GetAllSettings(""), (Pairs{{"top", "1"}}));
    EXPECT_TRUE(settings.GetAllSettings("Nowhere").empty());
}

// Deleting says whether something went; a section goes with everything below
// it, but never the whole application key.
TEST_F(CRegSettingsTest, DeleteTakesNestedSectionsWholeAndReportsIt) {
    const std::string home = catalogue::ftp::connectionSection("Home"), work = "FTP Servers\\Work";
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers"));  // nothing stored at all
    for (const std::string& section : {std::string("FTP Servers"), home, work, std::string()})
        ASSERT_TRUE(settings.SaveSetting(section, "Address", "x"));
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers", "Missing"));
    EXPECT_FALSE(settings.DeleteSetting("Missing", "Address"));
    EXPECT_FALSE(settings.DeleteSetting("Missing"));
    EXPECT_FALSE(settings.DeleteSetting(""));
    EXPECT_TRUE(settings.DeleteSetting(home));
    EXPECT_FALSE(
        RegistryStore(file).keyExists("Software\\Bramblegate\\Lexmill\\FTP Servers\\Home"));
    EXPECT_FALSE(settings.DeleteSetting(home));
    EXPECT_TRUE(settings.DeleteSetting("ftp SERVERS", "ADDRESS"));
    EXPECT_EQ(settings.GetSetting(work, "Address"), "x");
    EXPECT_TRUE(settings.DeleteSetting("FTP Servers", ""));  // with the connections below
    EXPECT_EQ(settings.GetSetting(work, "Address", "gone"), "gone");
    EXPECT_TRUE(settings.DeleteSetting("", "Address"));
    EXPECT_TRUE(RegistryStore(file).keyExists("Software\\Bramblegate\\Lexmill"));
}

// The windows spell some sections differently; the store takes them as one.
TEST(CatalogueSpellings, MeetInOneKey) {
    namespace c = catalogue;
    EXPECT_EQ(foldName(c::options::kSection), foldName(c::options::kSectionInOptionsDialog));
    EXPECT_EQ(foldName(c::favorites::kSection), foldName(c::favorites::kSectionInEditor));
}

TEST(CRegSettingsUnusableStore, ReadsGiveDefaultsAndWritesFailWithoutTouchingTheFile) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("dir"));
    dir.write("plain", "x");
    for (const std::string& file :
         {dir.write("registry.sqlite", "not a database, but somebody's data\n"),
          dir.file("missing folder/registry.sqlite"), dir.file("plain/registry.sqlite"),
          dir.file("dir")}) {
        CRegSettings settings(file);
        EXPECT_FALSE(settings.SaveSetting("Options", "Match Case", "1")) << file;
        EXPECT_EQ(settings.GetSetting("Options", "Match Case", "d"), "d");
        EXPECT_FALSE(settings.DeleteSetting("Options", "Match Case"));
        EXPECT_FALSE(settings.DeleteSetting("Options"));
        EXPECT_TRUE(settings.GetAllSettings("Options").empty());
    }
    EXPECT_EQ(test::readFile(dir.file("registry.sqlite")), "not a database, but somebody's data\n");
    EXPECT_FALSE(test::exists(dir.file("missing folder")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("dir")), {}), 0);
}

}  // namespace
}  // namespace lexmill
