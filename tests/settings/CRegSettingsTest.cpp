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
const std::string kAppKey = "Software\\Bramblegate\\Lexmill";

// The bytes of a regular file; empty for anything else.
std::string bytesOf(const std::string& path) {
    return std::filesystem::is_regular_file(path) ? test::readFile(path) : "";
}

// What CRegSettings adds to the store (tested on its own): the application
// key, text values with their NUL, sections as nested keys, no exceptions.
class CRegSettingsTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string file = dir.file("registry.sqlite");
    CRegSettings settings{file};
    RegistryStore store() { return RegistryStore(file); }
    void SetUp() override {
        settings.setCompany(catalogue::kCompany);
        settings.setAppName(catalogue::kAppName);
    }
};

TEST(CRegSettingsNames, SpacesAreTrimmedAndEmptyNamesRestoreTheFreshOnes) {
    CRegSettings settings("/nonexistent/registry.sqlite");
    EXPECT_EQ(settings.keyPath(""), "Software\\MyCompany\\Lexmill");
    const std::pair<const char*, std::string_view> cases[] = {
        {"  Bramblegate  ", "Bramblegate"},
        {"Bramble gate", "Bramble gate"},
        {"\tTabbed\t", "\tTabbed\t"},  // only spaces are trimmed
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
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Options", "Match Case", "Match Case"}, {"", "top", "top"}, {"Options", "*", ""}};
    for (const auto& [section, name, storedName] : cases)
        for (const std::string text : {"", "1"}) {
            ASSERT_TRUE(settings.SaveSetting(section, name, text));
            EXPECT_EQ(
                store().queryValue(kAppKey + (section.empty() ? "" : "\\" + section), storedName),
                (RegistryValue{storedName, REG_SZ, text + '\0'}));
            EXPECT_EQ(settings.GetSetting(section, name, "d"), text);  // saved empty: not "d"
        }
    // Any type reads as its bytes without the last; size 0 and missing give the default.
    for (const auto& [name, type, data] : {std::tuple{"Binary", REG_BINARY, std::string("ab")},
                                           {"Dword", REG_DWORD, std::string("\x01\0\0\0", 4)},
                                           {"Nul inside", REG_SZ, std::string("a\0b\0", 4)},
                                           {"Size zero", REG_SZ, std::string()}})
        store().setValue(kAppKey + "\\Options", name, type, data);
    EXPECT_EQ(settings.GetSetting("Options", "Binary", "d"), "a");
    EXPECT_EQ(settings.GetSetting("Options", "Dword", "d"), std::string("\x01\0\0", 3));
    EXPECT_EQ(settings.GetSetting("options", "NUL INSIDE", "d"), std::string("a\0b", 3));
    EXPECT_EQ(settings.GetSetting("Options", "Size zero", "d"), "d");
    EXPECT_EQ(settings.GetSetting("Options", "Missing", "d"), "d");
    EXPECT_EQ(settings.GetSetting("Nowhere", "Match Case", "d"), "d");
    EXPECT_EQ(settings.GetSetting("Options", "Missing"), "");
    // Only text values are listed, in the order first written.
    EXPECT_EQ(settings.GetAllSettings("OPTIONS"), (Pairs{{"Match Case", "1"},
                                                         {"", "1"},
                                                         {"Nul inside", std::string("a\0b", 3)},
                                                         {"Size zero", ""}}));
    EXPECT_EQ(settings.GetAllSettings(""), (Pairs{{"top", "1"}}));
    EXPECT_TRUE(settings.GetAllSettings("Nowhere").empty());
}

// Deleting says whether something went; a section goes with everything below
// it, but never the whole application key.
TEST_F(CRegSettingsTest, DeleteTakesNestedSectionsWholeAndReportsIt) {
    const std::string home = catalogue::ftp::connectionSection("Home");
    ASSERT_EQ(home, "FTP Servers\\Home");
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers"));  // nothing stored at all
    for (const auto& [section, name] : {std::pair{"FTP Servers", "Servers"},
                                        {"FTP Servers\\Home", "Address"},
                                        {"FTP Servers\\Work", "Address"},
                                        {"", "top"}})
        ASSERT_TRUE(settings.SaveSetting(section, name, "x"));
    EXPECT_FALSE(settings.DeleteSetting("FTP Servers", "Missing"));
    EXPECT_FALSE(settings.DeleteSetting("Missing", "Servers"));
    EXPECT_FALSE(settings.DeleteSetting("Missing"));
    EXPECT_FALSE(settings.DeleteSetting(""));
    EXPECT_TRUE(settings.DeleteSetting(home));
    EXPECT_FALSE(store().keyExists(kAppKey + "\\" + home));
    EXPECT_FALSE(settings.DeleteSetting(home));
    EXPECT_EQ(settings.GetSetting("FTP Servers\\Work", "Address"), "x");
    EXPECT_TRUE(settings.DeleteSetting("ftp SERVERS", "SERVERS"));
    EXPECT_EQ(settings.GetSetting("FTP Servers", "Servers", "gone"), "gone");
    EXPECT_TRUE(settings.DeleteSetting("FTP Servers", ""));  // with the connections below
    EXPECT_EQ(settings.GetSetting("FTP Servers\\Work", "Address", "gone"), "gone");
    EXPECT_TRUE(settings.DeleteSetting("", "top"));
    EXPECT_TRUE(store().keyExists(kAppKey));
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
        SCOPED_TRACE(file);
        const std::string before = bytesOf(file);
        CRegSettings settings(file);
        EXPECT_FALSE(settings.SaveSetting("Options", "Match Case", "1"));
        EXPECT_EQ(settings.GetSetting("Options", "Match Case", "d"), "d");
        EXPECT_FALSE(settings.DeleteSetting("Options", "Match Case"));
        EXPECT_FALSE(settings.DeleteSetting("Options"));
        EXPECT_TRUE(settings.GetAllSettings("Options").empty());
        EXPECT_EQ(bytesOf(file), before);
    }
}

}  // namespace
}  // namespace lexmill
