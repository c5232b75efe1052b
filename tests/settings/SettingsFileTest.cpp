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

// Sets an environment variable for the length of a test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsFileLocation, FollowsXdgConfigHomeAndCreatesPrivateFolders) {
    TempDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "config").string());
    const fs::path file = defaultSettingsFile();
    EXPECT_EQ(file, dir / "config" / "Bramblegate" / "Lexmill" / "registry.sqlite");
    EXPECT_TRUE(fs::is_directory(file.parent_path()));
    EXPECT_EQ(test::fileMode(file.parent_path()), 0700u);
    EXPECT_EQ(test::fileMode(file.parent_path().parent_path()), 0700u);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(defaultSettingsFile(), file);  // existing folders are fine
}

TEST(SettingsFileLocation, FallsBackToHomeWhenXdgConfigHomeIsUnsetOrRelative) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path().string());
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("relative/config"),
          std::optional<std::string>("")}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        EXPECT_EQ(defaultSettingsFile(),
                  dir / ".config" / "Bramblegate" / "Lexmill" / "registry.sqlite");
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
    status = prepareSettingsFile(file);
    EXPECT_FALSE(status.movedAside);
    EXPECT_EQ(test::fileMode(file), 0600u);  // the passwords are in it
    EXPECT_EQ(RegistryStore(file).queryValue("K", "v")->data, std::string("kept\0", 5));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// Every way a settings file can be unusable: it is moved aside whole, a fresh
// store takes its place, and the next start finds nothing wrong.
TEST(PrepareSettingsFile, MovesAnUnusableFileAsideAndStartsAfresh) {
    struct Case {
        const char* name;
        void (*make)(const fs::path& file);
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path file = dir / "registry.sqlite";
        c.make(file);
        const bool folder = fs::is_directory(file);
        const std::string before = folder ? "" : test::readFile(file);

        const SettingsFileStatus status = prepareSettingsFile(file);
        ASSERT_TRUE(status.movedAside);
        EXPECT_FALSE(status.reason.empty());
        EXPECT_EQ(status.movedTo.parent_path(), dir.path());
        EXPECT_EQ(status.movedTo.filename().string().rfind("registry.sqlite.unreadable-", 0), 0u)
            << status.movedTo;
        if (!folder) {
            EXPECT_EQ(test::readFile(status.movedTo), before);
        }
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
    const auto size = fs::file_size(file);
    {
        // Wipe a stretch of pages in the middle.
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size / 2));
        const std::string zeros(8192, '\0');
        f.write(zeros.data(), zeros.size());
    }

    const SettingsFileStatus status = prepareSettingsFile(file);
    ASSERT_TRUE(status.movedAside) << "the damage went unnoticed";
    EXPECT_GT(status.valuesSalvaged, 0u);
    EXPECT_LT(status.valuesSalvaged, written.size());

    RegistryStore fresh(file);
    std::size_t found = 0;
    for (int s = 0; s < 9; ++s) {
        const std::string key = "Software\\Bramblegate\\Lexmill\\S" + std::to_string(s);
        const auto values = fresh.enumValues(key);
        if (!values) continue;
        for (const RegistryValue& value : *values) {
            ++found;
            const auto original = written.find(key + "|" + value.name);
            ASSERT_NE(original, written.end()) << value.name;
            EXPECT_EQ(value.data, original->second);
            EXPECT_EQ(value.type, REG_SZ);
        }
    }
    EXPECT_EQ(found, status.valuesSalvaged);
    EXPECT_TRUE(prepareSettingsFile(file).valuesSalvaged == 0);
}

// Run as an unprivileged user: root reads and writes any file, so these
// failures cannot be produced as root.
TEST(PrepareSettingsFile, AFileThatIsOnlyReadOnlyIsReadAndKept) {
    if (const std::string why = test::whyNotAsNobody(); !why.empty()) GTEST_SKIP() << why;
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const fs::path file = dir / "registry.sqlite";
    RegistryStore(file).setValue("K", "v", REG_SZ, std::string("kept\0", 5));
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    const std::string before = test::readFile(file);

    std::string output;
    EXPECT_EQ(test::runHelper({file, "prepare"}, &output, true), 0);
    EXPECT_EQ(output, "kept\n");
    EXPECT_EQ(test::runHelper({file, "read", "K", "v"}, &output, true), 0);
    EXPECT_EQ(output, std::string("kept\0", 5));
    EXPECT_EQ(test::runHelper({file, "write", "K", "v", "changed"}, &output, true), 2);
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(test::fileMode(file), 0644u);  // not ours to change
}

TEST(PrepareSettingsFile, AFileThatCannotBeOpenedOrMovedStaysWhereItIs) {
    if (const std::string why = test::whyNotAsNobody(); !why.empty()) GTEST_SKIP() << why;
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const fs::path file = dir / "registry.sqlite";
    RegistryStore(file).setValue("K", "v", REG_SZ, "x");  // 0600, root's
    const std::string before = test::readFile(file);

    std::string output;
    EXPECT_EQ(test::runHelper({file, "prepare"}, &output, true), 2);
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(PrepareSettingsFile, TheJournalMovesWithTheFile) {
    TempDir dir;
    const fs::path file = dir / "registry.sqlite";
    test::writeFile(file, std::string(4096, 'x'));
    test::writeFile(dir / "registry.sqlite-journal", "journal of the old file");
    const SettingsFileStatus status = prepareSettingsFile(file);
    ASSERT_TRUE(status.movedAside);
    EXPECT_FALSE(fs::exists(dir / "registry.sqlite-journal"));
    EXPECT_EQ(test::readFile(status.movedTo.string() + "-journal"), "journal of the old file");
    EXPECT_TRUE(CRegSettings(file).SaveSetting("Options", "Search Only", "0"));
}

TEST(PrepareSettingsFile, NeverMovesOverAnEarlierCopy) {
    TempDir dir;
    const fs::path file = dir / "registry.sqlite";
    std::vector<fs::path> moved;
    for (int i = 0; i < 3; ++i) {
        test::writeFile(file, "broken " + std::to_string(i) + std::string(600, '!'));
        moved.push_back(prepareSettingsFile(file).movedTo);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(test::readFile(moved[i]).substr(0, 8), "broken " + std::to_string(i));
}

}  // namespace
}  // namespace lexmill
