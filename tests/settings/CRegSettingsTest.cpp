#include <gtest/gtest.h>

#include "CRegSettings.h"
#include "RegistryStore.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"
#include "SettingsTestSupport.h"

namespace lexmill {
namespace {

using test::TempDir;
using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr std::string_view kAppKey = "Software\\Bramblegate\\Lexmill";

std::string appKey(std::string_view section) {
    return std::string(kAppKey) + (section.empty() ? "" : "\\" + std::string(section));
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

    TempDir dir_;
};

TEST(CRegSettingsNames, FreshInstanceAndTrimming) {
    CRegSettings settings("/nonexistent/registry.sqlite");
    EXPECT_EQ(settings.Company(), CRegSettings::kFreshCompany);
    EXPECT_EQ(settings.AppName(), "Lexmill");
    EXPECT_EQ(settings.keyPath(""), "Software\\MyCompany\\Lexmill");

    struct Case {
        const char* written;
        std::string_view kept;
    };
    const Case cases[] = {
        {"  Bramblegate  ", "Bramblegate"}, {"Bramble gate", "Bramble gate"},
        {"\tTabbed\t", "\tTabbed\t"},  // only spaces are trimmed
        {"", CRegSettings::kFreshCompany},  {"    ", CRegSettings::kFreshCompany},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        settings.setCompany("Someone");
        settings.setCompany(c.written);
        EXPECT_EQ(settings.Company(), c.kept);
    }
    settings.setAppName(" Other ");
    EXPECT_EQ(settings.AppName(), "Other");
    settings.setAppName("");
    EXPECT_EQ(settings.AppName(), "Lexmill");
}

TEST_F(CRegSettingsTest, SaveWritesRegSzWithItsNulUnderTheSectionKey) {
    CRegSettings settings = make();
    EXPECT_EQ(settings.keyPath("Options"), "Software\\Bramblegate\\Lexmill\\Options");
    EXPECT_EQ(settings.keyPath(""), kAppKey);
    ASSERT_TRUE(settings.SaveSetting("Options", "Match Case", "1"));
    ASSERT_TRUE(settings.SaveSetting("Options", "Startup Folder", ""));
    RegistryStore store(file());
    EXPECT_EQ(store.queryValue(appKey("Options"), "Match Case"),
              (RegistryValue{"Match Case", REG_SZ, std::string("1\0", 2)}));
    EXPECT_EQ(store.queryValue(appKey("Options"), "Startup Folder")->data, std::string(1, '\0'));
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

    struct Case {
        const char* section;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(settings.GetSetting(c.section, c.key, "default"), c.expected);
    }
    EXPECT_EQ(settings.GetSetting("Options", "Missing"), "");
}

TEST_F(CRegSettingsTest, StarIsTheDefaultValue) {
    CRegSettings settings = make();
    ASSERT_TRUE(settings.SaveSetting("Options", "*", "unnamed"));
    EXPECT_EQ(settings.GetSetting("Options", "*", "d"), "unnamed");
    EXPECT_EQ(RegistryStore(file()).queryValue(appKey("Options"), "")->data,
              std::string("unnamed\0", 8));
    EXPECT_EQ(settings.GetAllSettings("Options"), (Pairs{{"", "unnamed"}}));
    EXPECT_TRUE(settings.DeleteSetting("Options", "*"));
    EXPECT_EQ(settings.GetSetting("Options", "*", "d"), "d");
    EXPECT_FALSE(settings.DeleteSetting("Options", "*"));
    EXPECT_TRUE(RegistryStore(file()).keyExists(appKey("Options")));
}

TEST_F(CRegSettingsTest, NestedSectionsAreCreatedAndDeletedWhole) {
    CRegSettings settings = make();
    namespace ftp = catalogue::ftp;
    const std::string home = ftp::connectionSection("Home");
    ASSERT_TRUE(settings.SaveSetting(ftp::kSection, ftp::kServers, "2"));
    ASSERT_TRUE(settings.SaveSetting(home, ftp::kAddress, "ftp.example.org"));
    ASSERT_TRUE(settings.SaveSetting(home, ftp::kPort, "21"));
    ASSERT_TRUE(settings.SaveSetting(ftp::connectionSection("Work"), ftp::kAddress, "w"));
    EXPECT_EQ(settings.GetSetting("ftp servers\\HOME", "Address"), "ftp.example.org");

    EXPECT_TRUE(settings.DeleteSetting(home));
    EXPECT_EQ(settings.GetSetting(home, ftp::kAddress, "gone"), "gone");
    EXPECT_FALSE(RegistryStore(file()).keyExists(appKey(home)));
    EXPECT_FALSE(settings.DeleteSetting(home));
    EXPECT_EQ(settings.GetSetting(ftp::kSection, ftp::kServers), "2");
    EXPECT_EQ(settings.GetSetting(ftp::connectionSection("Work"), ftp::kAddress), "w");

    // The whole section, with the connections below it.
    EXPECT_TRUE(settings.DeleteSetting(ftp::kSection, ""));
    EXPECT_EQ(settings.GetSetting(ftp::connectionSection("Work"), ftp::kAddress, "gone"), "gone");
    EXPECT_TRUE(RegistryStore(file()).keyExists(std::string(kAppKey)));
}

TEST_F(CRegSettingsTest, DeleteReportsWhetherSomethingWasDeleted) {
    CRegSettings settings = make();
    EXPECT_FALSE(settings.DeleteSetting("Options"));  // nothing stored at all
    ASSERT_TRUE(settings.SaveSetting("Options", "Match Case", "1"));
    ASSERT_TRUE(settings.SaveSetting("", "top", "t"));
    EXPECT_FALSE(settings.DeleteSetting("Options", "Missing"));
    EXPECT_FALSE(settings.DeleteSetting("Missing", "Match Case"));
    EXPECT_FALSE(settings.DeleteSetting("Missing"));
    // Only the whole application key would be left to delete: refused.
    EXPECT_FALSE(settings.DeleteSetting(""));
    EXPECT_EQ(settings.GetSetting("Options", "Match Case"), "1");
    EXPECT_TRUE(settings.DeleteSetting("options", "MATCH CASE"));
    EXPECT_EQ(settings.GetSetting("Options", "Match Case", "0"), "0");
    EXPECT_TRUE(settings.DeleteSetting("", "top"));
}

TEST_F(CRegSettingsTest, EmptySectionAddressesTheApplicationKey) {
    CRegSettings settings = make();
    ASSERT_TRUE(settings.SaveSetting("", "top", "t"));
    EXPECT_EQ(RegistryStore(file()).queryValue(std::string(kAppKey), "top")->data,
              std::string("t\0", 2));
    EXPECT_EQ(settings.GetSetting("", "top"), "t");
    EXPECT_EQ(settings.GetAllSettings(""), (Pairs{{"top", "t"}}));
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

    EXPECT_EQ(RegistryStore(file()).enumKeys(std::string(kAppKey)).value(),
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
    EXPECT_TRUE(settings.GetAllSettings("Missing").empty());
}

TEST_F(CRegSettingsTest, ASecondInstanceAndASecondProcessSeeWritesAtOnce) {
    CRegSettings first = make();
    CRegSettings second = make();
    ASSERT_TRUE(first.SaveSetting("Options", "Last Used Folder", "/one"));
    EXPECT_EQ(second.GetSetting("Options", "Last Used Folder"), "/one");
    ASSERT_TRUE(second.SaveSetting("Options", "Last Used Folder", "/two"));
    EXPECT_EQ(first.GetSetting("Options", "Last Used Folder"), "/two");

    const int code = test::runInChild([&] {
        CRegSettings child = make();
        if (child.GetSetting("Options", "Last Used Folder") != "/two") return 1;
        return child.SaveSetting("Options", "Last Used Folder", "/child") ? 0 : 2;
    });
    ASSERT_EQ(code, 0);
    EXPECT_EQ(first.GetSetting("Options", "Last Used Folder"), "/child");
    EXPECT_TRUE(second.DeleteSetting("Options", "Last Used Folder"));
    EXPECT_EQ(first.GetSetting("Options", "Last Used Folder", "gone"), "gone");
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
    TempDir dir;
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

// A first run: every reader gets the default its window passes, and the
// numbers read from it are the ones the windows start with.
TEST_F(CRegSettingsTest, FirstRunReadsTheCatalogueDefaults) {
    CRegSettings settings = make();
    namespace options = catalogue::options;
    namespace ftp = catalogue::ftp;
    EXPECT_EQ(strictNumber(settings.GetSetting(options::kSection, options::kMakeBackups,
                                               options::kMakeBackupsDefault)),
              1);
    EXPECT_EQ(strictNumber(settings.GetSetting(options::kSection, options::kSearchOnly,
                                               options::kSearchOnlyDefault)),
              0);
    EXPECT_EQ(strictNumber(settings.GetSetting(options::kSection, options::kMatchCase,
                                               options::kMatchCaseDefault)),
              0);
    EXPECT_EQ(leadingNumber(settings.GetSetting(options::kSection, options::kStartupFilter,
                                                options::kStartupFilterDefault)),
              options::kFilterTextFiles);
    EXPECT_EQ(leadingNumber(settings.GetSetting(options::kSection, options::kLastUsedFilter,
                                                options::kLastUsedFilterDefault)),
              0);
    EXPECT_EQ(settings.GetSetting(options::kSectionInOptionsDialog, options::kStartupFolderOption,
                                  options::kStartupFolderOptionDefault),
              options::kStartInCurrentDirectory);
    EXPECT_EQ(settings.GetSetting(ftp::kSection, ftp::kServers, ftp::kServersDefault), "0");
    EXPECT_EQ(catalogue::favorites::slotKey(4), "folder4");
    EXPECT_EQ(ftp::positionKey(12), "12");
    EXPECT_EQ(ftp::connectionSection("Home"), "FTP Servers\\Home");
}

}  // namespace
}  // namespace lexmill
