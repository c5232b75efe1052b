#include <gtest/gtest.h>

#include "CRegSettings.h"
#include "RegistryStore.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"
#include "SettingsTestSupport.h"

namespace lexmill {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
const std::string kAppKey = "Software\\Bramblegate\\Lexmill";

std::string appKey(const std::string& section) {
    return section.empty() ? kAppKey : kAppKey + "\\" + section;
}

// A CRegSettings set up as every window sets it up, on a file of its own.
class CRegSettingsTest : public ::testing::Test {
  protected:
    CRegSettings make() {
        CRegSettings settings(file());
        settings.setCompany(catalogue::kCompany);
        settings.setAppName(catalogue::kAppName);
        return settings;
    }
    std::filesystem::path file() const { return dir_ / "registry.sqlite"; }
    std::optional<RegistryValue> stored(const std::string& section, const std::string& name) {
        return RegistryStore(file()).queryValue(appKey(section), name);
    }

    test::TempDir dir_;
};

TEST(CRegSettingsNames, FreshInstanceAndTrimming) {
    CRegSettings settings("/nonexistent/registry.sqlite");
    EXPECT_EQ(settings.keyPath(""), "Software\\MyCompany\\Lexmill");
    const std::pair<const char*, std::string_view> cases[] = {
        {"  Bramblegate  ", "Bramblegate"}, {"Bramble gate", "Bramble gate"},
        {"\tTabbed\t", "\tTabbed\t"},  // only spaces are trimmed
        {"", CRegSettings::kFreshCompany},  {"    ", CRegSettings::kFreshCompany},
    };
    for (const auto& [written, kept] : cases) {
        SCOPED_TRACE(written);
        settings.setCompany("Someone");
        settings.setCompany(written);
        EXPECT_EQ(settings.Company(), kept);
    }
    settings.setAppName(" Other ");
    EXPECT_EQ(settings.AppName(), "Other");
    settings.setAppName("");
    EXPECT_EQ(settings.AppName(), "Lexmill");
}

TEST_F(CRegSettingsTest, SaveWritesRegSzWithItsNulUnderTheSectionKey) {
    CRegSettings settings = make();
    EXPECT_EQ(settings.keyPath("Options"), kAppKey + "\\Options");
    // {section, name written, name stored}: "*" is the key's default value.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Options", "Match Case", "Match Case"}, {"", "top", "top"}, {"Options", "*", ""}};
    for (const auto& [section, name, storedName] : cases) {
        SCOPED_TRACE(name);
        for (const std::string text : {"", "1"}) {
            ASSERT_TRUE(settings.SaveSetting(section, name, text));
            EXPECT_EQ(stored(section, storedName),
                      (RegistryValue{storedName, REG_SZ, text + '\0'}));
            EXPECT_EQ(settings.GetSetting(section, name, "d"), text);
        }
    }
    EXPECT_EQ(settings.GetAllSettings(""), (Pairs{{"top", "1"}}));
    EXPECT_EQ(settings.GetAllSettings("Options"), (Pairs{{"Match Case", "1"}, {"", "1"}}));
    EXPECT_TRUE(settings.DeleteSetting("Options", "*"));
    EXPECT_EQ(settings.GetSetting("Options", "*", "d"), "d");
    EXPECT_FALSE(settings.DeleteSetting("Options", "*"));
    EXPECT_EQ(settings.GetSetting("Options", "Match Case"), "1");
}

TEST_F(CRegSettingsTest, EmptyMissingAndSizeZeroValues) {
    CRegSettings settings = make();
    ASSERT_TRUE(settings.SaveSetting("Options", "Empty", ""));
    ASSERT_TRUE(settings.SaveSetting("Options", "Text", "C:\\Work"));
    RegistryStore store(file());
    store.setValue(appKey("Options"), "Size zero", REG_SZ, "");
    store.setValue(appKey("Options"), "Binary", REG_BINARY, "ab");
    store.setValue(appKey("Options"), "Dword", REG_DWORD, std::string("\x01\0\0\0", 4));
    store.setValue(appKey("Options"), "No terminator", REG_SZ, "xyz");
    store.setValue(appKey("Options"), "Nul inside", REG_SZ, std::string("a\0b\0", 4));
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"Options", "Empty", ""},  // saved empty: "", not the default
        {"Options", "Text", "C:\\Work"},
        {"Options", "Missing", "default"},
        {"Nowhere", "Text", "default"},
        {"Options", "Size zero", "default"},
        {"Options", "Binary", "a"},  // any type, last byte dropped
        {"Options", "Dword", std::string("\x01\0\0", 3)},
        {"Options", "No terminator", "xy"},
        {"Options", "Nul inside", std::string("a\0b", 3)},
    };
    for (const auto& [section, key, expected] : cases) {
        SCOPED_TRACE(key);
        EXPECT_EQ(settings.GetSetting(section, key, "default"), expected);
    }
    EXPECT_EQ(settings.GetSetting("Options", "Missing"), "");
}

// Deleting says whether something went; a section goes with everything
// below it, but never the whole application key.
TEST_F(CRegSettingsTest, DeleteTakesNestedSectionsWholeAndReportsIt) {
    CRegSettings settings = make();
    namespace ftp = catalogue::ftp;
    const std::string home = ftp::connectionSection("Home");
    const std::string work = ftp::connectionSection("Work");
    EXPECT_EQ(home, "FTP Servers\\Home");
    EXPECT_FALSE(settings.DeleteSetting(ftp::kSection));  // nothing stored at all
    ASSERT_TRUE(settings.SaveSetting(ftp::kSection, ftp::kServers, "2"));
    ASSERT_TRUE(settings.SaveSetting(home, ftp::kAddress, "ftp.example.org"));
    ASSERT_TRUE(settings.SaveSetting(work, ftp::kAddress, "w"));
    ASSERT_TRUE(settings.SaveSetting("", "top", "t"));
    EXPECT_EQ(settings.GetSetting("ftp servers\\HOME", "Address"), "ftp.example.org");
    EXPECT_FALSE(settings.DeleteSetting(ftp::kSection, "Missing"));
    EXPECT_FALSE(settings.DeleteSetting("Missing", ftp::kServers));
    EXPECT_FALSE(settings.DeleteSetting("Missing"));
    EXPECT_FALSE(settings.DeleteSetting(""));

    EXPECT_TRUE(settings.DeleteSetting(home));
    EXPECT_EQ(settings.GetSetting(home, ftp::kAddress, "gone"), "gone");
    EXPECT_FALSE(RegistryStore(file()).keyExists(appKey(home)));
    EXPECT_FALSE(settings.DeleteSetting(home));
    EXPECT_EQ(settings.GetSetting(ftp::kSection, ftp::kServers), "2");
    EXPECT_EQ(settings.GetSetting(work, ftp::kAddress), "w");
    EXPECT_TRUE(settings.DeleteSetting("ftp SERVERS", "SERVERS"));
    EXPECT_EQ(settings.GetSetting(ftp::kSection, ftp::kServers, "0"), "0");

    // The whole section, with the connections below it.
    EXPECT_TRUE(settings.DeleteSetting(ftp::kSection, ""));
    EXPECT_EQ(settings.GetSetting(work, ftp::kAddress, "gone"), "gone");
    EXPECT_TRUE(settings.DeleteSetting("", "top"));
    EXPECT_TRUE(RegistryStore(file()).keyExists(kAppKey));
}

TEST_F(CRegSettingsTest, SectionSpellingsMeetInOneKeyWithTheFirstSpellingKept) {
    CRegSettings dialog = make();
    CRegSettings mainWindow = make();
    namespace options = catalogue::options;
    namespace favorites = catalogue::favorites;
    ASSERT_TRUE(dialog.SaveSetting(options::kSectionInOptionsDialog, options::kStartupFilter, "3"));
    EXPECT_EQ(mainWindow.GetSetting(options::kSection, options::kStartupFilter, "0"), "3");
    ASSERT_TRUE(mainWindow.SaveSetting(options::kSection, options::kMatchCase, "1"));
    EXPECT_EQ(dialog.GetSetting(options::kSectionInOptionsDialog, options::kMatchCase), "1");

    ASSERT_TRUE(mainWindow.SaveSetting(favorites::kSection, favorites::slotKey(0), "/a"));
    ASSERT_TRUE(dialog.SaveSetting(favorites::kSectionInEditor, favorites::slotKey(0), "/b"));
    EXPECT_EQ(mainWindow.GetSetting(favorites::kSection, "folder0"), "/b");
    EXPECT_EQ(RegistryStore(file()).enumKeys(kAppKey).value(),
              (std::vector<std::string>{"options", "Favorite Folders"}));
}

TEST_F(CRegSettingsTest, GetAllSettingsListsTextValuesInFirstWrittenOrder) {
    CRegSettings settings = make();
    EXPECT_TRUE(settings.GetAllSettings("FTP Servers").empty());
    ASSERT_TRUE(settings.SaveSetting("FTP Servers", "servers", "2"));
    ASSERT_TRUE(settings.SaveSetting("FTP Servers", "1", "Home"));
    ASSERT_TRUE(settings.SaveSetting("FTP Servers", "2", "Work"));
    ASSERT_TRUE(settings.SaveSetting("FTP Servers", "Servers", "3"));        // keeps its place
    ASSERT_TRUE(settings.SaveSetting("FTP Servers\\Home", "address", "h"));  // not listed
    RegistryStore store(file());
    store.setValue(appKey("FTP Servers"), "binary", REG_BINARY, "bb");
    store.setValue(appKey("FTP Servers"), "expand", REG_EXPAND_SZ, std::string("e\0", 2));
    store.setValue(appKey("FTP Servers"), "size zero", REG_SZ, "");
    EXPECT_EQ(settings.GetAllSettings("ftp servers"),
              (Pairs{{"servers", "3"}, {"1", "Home"}, {"2", "Work"}, {"size zero", ""}}));
    store.setValue(appKey("Binary only"), "b", REG_BINARY, "b");
    EXPECT_TRUE(settings.GetAllSettings("Binary only").empty());
}

TEST_F(CRegSettingsTest, ASecondInstanceAndASecondProcessSeeWritesAtOnce) {
    CRegSettings first = make();
    CRegSettings second = make();
    const std::string key = appKey("Options");
    ASSERT_TRUE(first.SaveSetting("Options", "Last Used Folder", "/one"));
    EXPECT_EQ(second.GetSetting("Options", "Last Used Folder"), "/one");
    ASSERT_TRUE(second.SaveSetting("Options", "Last Used Folder", "/two"));
    EXPECT_EQ(first.GetSetting("Options", "Last Used Folder"), "/two");

    std::string seen;  // the other process's store names things in any case
    ASSERT_EQ(test::runHelper({file(), "read", key, "LAST USED FOLDER"}, &seen), 0);
    EXPECT_EQ(seen, std::string("/two\0", 5));
    ASSERT_EQ(test::runHelper({file(), "write", key, "Last Used Folder", "/other"}), 0);
    EXPECT_EQ(first.GetSetting("Options", "Last Used Folder"), "/other");
    EXPECT_TRUE(second.DeleteSetting("Options", "Last Used Folder"));
    EXPECT_EQ(first.GetSetting("Options", "Last Used Folder", "gone"), "gone");
    EXPECT_EQ(test::runHelper({file(), "read", key, "Last Used Folder"}), 1);
}

TEST_F(CRegSettingsTest, SectionsWithAnEmptyPartNameNoKey) {
    CRegSettings settings = make();
    ASSERT_TRUE(settings.SaveSetting("FTP Servers", "servers", "1"));
    ASSERT_TRUE(settings.SaveSetting("FTP Servers\\Home", "address", "h"));
    // A connection with an empty name must not reach its parent section.
    for (const char* section : {"FTP Servers\\", "\\FTP Servers", "FTP Servers\\\\Home"}) {
        SCOPED_TRACE(section);
        EXPECT_FALSE(settings.SaveSetting(section, "address", "x"));
        EXPECT_EQ(settings.GetSetting(section, "servers", "d"), "d");
        EXPECT_FALSE(settings.DeleteSetting(section));
        EXPECT_TRUE(settings.GetAllSettings(section).empty());
    }
    EXPECT_EQ(settings.GetSetting("FTP Servers", "servers"), "1");
    EXPECT_EQ(settings.GetSetting("FTP Servers\\Home", "address"), "h");
}

TEST(CRegSettingsUnusableStore, ReadsGiveDefaultsAndWritesFailWithoutTouchingTheFile) {
    test::TempDir dir;
    const auto garbage = dir / "registry.sqlite";
    test::writeFile(garbage, "this is not a database, but it is somebody's data\n");
    std::filesystem::create_directory(dir / "dir");
    test::writeFile(dir / "plain", "x");
    for (const auto& file : {garbage, dir / "missing folder" / "registry.sqlite",
                             dir / "plain" / "registry.sqlite", dir / "dir"}) {
        SCOPED_TRACE(file);
        const std::string before = test::readFile(file);
        CRegSettings settings(file);
        EXPECT_FALSE(settings.SaveSetting("Options", "Match Case", "1"));
        EXPECT_EQ(settings.GetSetting("Options", "Match Case", "d"), "d");
        EXPECT_FALSE(settings.DeleteSetting("Options", "Match Case"));
        EXPECT_FALSE(settings.DeleteSetting("Options"));
        EXPECT_TRUE(settings.GetAllSettings("Options").empty());
        EXPECT_EQ(test::readFile(file), before);
    }
}

// The numbers a first run starts with, read from the defaults the windows pass.
TEST(CatalogueDefaults, ReadAsTheStartingNumbers) {
    namespace options = catalogue::options;
    EXPECT_EQ(strictNumber(options::kMakeBackupsDefault), 1);
    EXPECT_EQ(strictNumber(options::kSearchOnlyDefault), 0);
    EXPECT_EQ(strictNumber(options::kMatchCaseDefault), 0);
    EXPECT_EQ(leadingNumber(options::kStartupFilterDefault), options::kFilterTextFiles);
    EXPECT_EQ(leadingNumber(options::kLastUsedFilterDefault), 0);
    EXPECT_EQ(options::kStartupFolderOptionDefault, options::kStartInCurrentDirectory);
    EXPECT_EQ(catalogue::ftp::kServersDefault, "0");
}

}  // namespace
}  // namespace lexmill
