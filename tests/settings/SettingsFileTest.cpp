#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>

#include "CRegSettings.h"
#include "RegistryStore.h"
#include "SettingsFile.h"
#include "SettingsTestSupport.h"

namespace lexmill {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::size_t entries(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

// Sets (or, with no value, unsets) an environment variable for a while.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedEnv() { set(old_); }

  private:
    void set(const std::optional<std::string>& value) {
        value ? ::setenv(name_, value->c_str(), 1) : ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsFileLocation, FollowsAnAbsoluteXdgConfigHomeElseHome) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path().string());
    const fs::path inHome = dir / ".config" / "Bramblegate" / "Lexmill" / "registry.sqlite";
    const std::pair<std::optional<std::string>, fs::path> cases[] = {
        {(dir / "config").string(), dir / "config" / "Bramblegate" / "Lexmill" / "registry.sqlite"},
        {std::nullopt, inHome},
        {"relative/config", inHome},
        {"", inHome},
    };
    for (const auto& [xdg, expected] : cases) {
        SCOPED_TRACE(xdg.value_or("unset"));
        ScopedEnv scoped("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(defaultSettingsFile(), expected);
        EXPECT_EQ(defaultSettingsFile(), expected);  // existing folders are fine
        EXPECT_EQ(test::fileMode(expected.parent_path()), 0700u);
        EXPECT_EQ(test::fileMode(expected.parent_path().parent_path()), 0700u);
        EXPECT_FALSE(fs::exists(expected));
    }
}

TEST(SettingsFileLocation, APlainFileWhereAFolderIsNeededIsAnError) {
    TempDir dir;
    test::writeFile(dir / "Bramblegate", "not a folder");
    EXPECT_THROW(settingsFileIn(dir.path()), RegistryError);
    EXPECT_EQ(test::readFile(dir / "Bramblegate"), "not a folder");
}

TEST(PrepareSettingsFile, CreatesAMissingFileAndKeepsASoundOne) {
    TempDir dir;
    const fs::path file = dir / "registry.sqlite";
    const mode_t old = ::umask(0);
    SettingsFileStatus status = prepareSettingsFile(file);
    ::umask(old);
    EXPECT_FALSE(status.movedAside);
    EXPECT_EQ(test::fileMode(file), 0600u);

    RegistryStore(file).setValue("K", "v", REG_SZ, std::string("kept\0", 5));
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    EXPECT_FALSE(prepareSettingsFile(file).movedAside);
    EXPECT_EQ(test::fileMode(file), 0600u);  // the passwords are in it
    EXPECT_EQ(RegistryStore(file).queryValue("K", "v")->data, std::string("kept\0", 5));
    EXPECT_EQ(entries(dir.path()), 1u);
}

// Every way a settings file can be unusable: it is moved aside whole, a fresh
// store takes its place, and the next start finds nothing wrong.
TEST(PrepareSettingsFile, MovesAnUnusableFileAsideAndStartsAfresh) {
    const std::pair<const char*, void (*)(const fs::path&)> cases[] = {
        {"garbage", [](const fs::path& f) { test::writeFile(f, std::string(5000, '\x7f')); }},
        {"foreign database",
         [](const fs::path& f) {
             sqlite3* db = nullptr;
             sqlite3_open(f.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine')", nullptr,
                          nullptr, nullptr);
             sqlite3_close(db);
         }},
        {"truncated store",
         [](const fs::path& f) {
             {
                 RegistryStore store(f);
                 for (int i = 0; i < 120; ++i)
                     store.setValue("Software\\K" + std::to_string(i % 7), std::to_string(i),
                                    REG_SZ, std::string(700, 'v'));
             }
             fs::resize_file(f, fs::file_size(f) / 2);
         }},
        {"folder", [](const fs::path& f) { fs::create_directory(f); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const fs::path file = dir / "registry.sqlite";
        make(file);
        const bool folder = fs::is_directory(file);
        const std::string before = test::readFile(file);

        const SettingsFileStatus status = prepareSettingsFile(file);
        ASSERT_TRUE(status.movedAside);
        EXPECT_FALSE(status.reason.empty());
        EXPECT_EQ(status.movedTo.parent_path(), dir.path());
        EXPECT_EQ(status.movedTo.filename().string().rfind("registry.sqlite.unreadable-", 0), 0u)
            << status.movedTo;
        EXPECT_EQ(test::readFile(status.movedTo), before);
        EXPECT_EQ(fs::is_directory(status.movedTo), folder);

        CRegSettings settings(file);
        EXPECT_TRUE(settings.SaveSetting("Options", "Match Case", "1"));
        EXPECT_EQ(settings.GetSetting("Options", "Match Case"), "1");
        EXPECT_EQ(test::fileMode(file), 0600u);
        EXPECT_FALSE(prepareSettingsFile(file).movedAside);
    }
}

// A damaged store: what can still be read comes over into the new one, byte
// for byte, and nothing that was not in the old file appears.
TEST(PrepareSettingsFile, CopiesWhatCanStillBeReadFromADamagedStore) {
    TempDir dir;
    const fs::path file = dir / "registry.sqlite";
    std::map<std::string, std::string> written;  // "key|name" -> data
    {
        RegistryStore store(file);
        for (int i = 0; i < 120; ++i) {
            const std::string key = "Software\\Bramblegate\\Lexmill\\S" + std::to_string(i % 9);
            const std::string data = std::to_string(i) + std::string(600, 'v') + '\0';
            store.setValue(key, "Value " + std::to_string(i), REG_SZ, data);
            written[key + "|Value " + std::to_string(i)] = data;
        }
    }
    {
        // Wipe a stretch of pages in the middle.
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(fs::file_size(file) / 2));
        f << std::string(8192, '\0');
    }

    const SettingsFileStatus status = prepareSettingsFile(file);
    ASSERT_TRUE(status.movedAside) << "the damage went unnoticed";
    EXPECT_GT(status.valuesSalvaged, 0u);
    EXPECT_LT(status.valuesSalvaged, written.size());
    RegistryStore fresh(file);
    std::size_t found = 0;
    for (int s = 0; s < 9; ++s) {
        const std::string key = "Software\\Bramblegate\\Lexmill\\S" + std::to_string(s);
        for (const RegistryValue& value :
             fresh.enumValues(key).value_or(std::vector<RegistryValue>{})) {
            ++found;
            const auto original = written.find(key + "|" + value.name);
            ASSERT_NE(original, written.end()) << value.name;
            EXPECT_EQ(value.data, original->second);
            EXPECT_EQ(value.type, REG_SZ);
        }
    }
    EXPECT_EQ(found, status.valuesSalvaged);
    EXPECT_EQ(prepareSettingsFile(file).valuesSalvaged, 0u);
}

// Each broken file goes to a name of its own, with its journal beside it, so
// the journal can never be replayed into the new file.
TEST(PrepareSettingsFile, MovesTheJournalAlongAndNeverOverAnEarlierCopy) {
    TempDir dir;
    const fs::path file = dir / "registry.sqlite";
    std::vector<fs::path> moved;
    for (int i = 0; i < 3; ++i) {
        test::writeFile(file, "broken " + std::to_string(i) + std::string(600, '!'));
        test::writeFile(dir / "registry.sqlite-journal", "journal " + std::to_string(i));
        moved.push_back(prepareSettingsFile(file).movedTo);
        EXPECT_FALSE(fs::exists(dir / "registry.sqlite-journal"));
        EXPECT_TRUE(CRegSettings(file).SaveSetting("Options", "Search Only", "0"));
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(test::readFile(moved[i]).substr(0, 8), "broken " + std::to_string(i));
        EXPECT_EQ(test::readFile(moved[i].string() + "-journal"), "journal " + std::to_string(i));
    }
}

// As an unprivileged user: root reads and writes any file, so these failures
// cannot be produced as root.
TEST(PrepareSettingsFile, AReadOnlyFileIsReadAndKeptAnUnopenableOneStays) {
    if (const std::string why = test::whyNotAsNobody(); !why.empty()) GTEST_SKIP() << why;
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const fs::path file = dir / "registry.sqlite";
    RegistryStore(file).setValue("K", "v", REG_SZ, std::string("kept\0", 5));  // 0600, root's
    const std::string before = test::readFile(file);

    std::string output;
    EXPECT_EQ(test::runHelper({file, "prepare"}, &output, true), 2);  // cannot open nor move
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(entries(dir.path()), 1u);

    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    EXPECT_EQ(test::runHelper({file, "prepare"}, &output, true), 0);
    EXPECT_EQ(output, "kept\n");
    EXPECT_EQ(test::runHelper({file, "read", "K", "v"}, &output, true), 0);
    EXPECT_EQ(output, std::string("kept\0", 5));
    EXPECT_EQ(test::runHelper({file, "write", "K", "v", "changed"}, &output, true), 2);
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(test::fileMode(file), 0644u);  // not ours to change
}

}  // namespace
}  // namespace lexmill
