#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "CRegSettings.h"
#include "RegistryStore.h"
#include "SettingsFile.h"
#include "TempDir.h"
#include "Unprivileged.h"

namespace lexmill {
namespace {

namespace fs = std::filesystem;
const std::string kKept("kept\0", 5);

std::string bytesOf(const std::string& path) {  // empty for anything but a regular file
    return fs::is_regular_file(path) ? test::readFile(path) : "";
}

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(SettingsFileLocation, FollowsAnAbsoluteXdgConfigHomeElseHome) {
    test::TempDir dir;
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", dir.path().c_str(), 1);
    const std::string config = dir.file("config"), home = dir.file(".config");
    const std::pair<const char*, std::string> cases[] = {
        {config.c_str(), config}, {nullptr, home}, {"relative/config", home}, {"", home}};
    for (const auto& [xdg, folder] : cases) {
        xdg ? ::setenv("XDG_CONFIG_HOME", xdg, 1) : ::unsetenv("XDG_CONFIG_HOME");
        const fs::path expected = folder + "/Bramblegate/Lexmill/registry.sqlite";
        EXPECT_EQ(defaultSettingsFile(), expected);
        EXPECT_EQ(defaultSettingsFile(), expected);  // existing folders are fine
        EXPECT_EQ(modeOf(folder + "/Bramblegate") + modeOf(expected.parent_path()), 01600u);
        EXPECT_FALSE(fs::exists(expected));
    }
    ::setenv("HOME", savedHome.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    dir.write("Bramblegate", "not a folder");  // where a folder is needed: an error
    EXPECT_THROW(settingsFileIn(dir.path()), RegistryError);
    EXPECT_EQ(test::readFile(dir.file("Bramblegate")), "not a folder");
}

// A missing file is made 0600 and a sound one narrowed to 0600 (the passwords
// are in it). Every unusable file is moved aside whole, with its journal,
// never over an earlier copy; a fresh store takes its place, and the next
// start finds nothing wrong.
TEST(PrepareSettingsFile, KeepsASoundFileAndMovesAnUnusableOneAside) {
    test::TempDir dir;
    const std::string file = dir.file("registry.sqlite");
    const mode_t umask = ::umask(0);
    EXPECT_FALSE(prepareSettingsFile(file).movedAside);
    ::umask(umask);
    EXPECT_EQ(modeOf(file), 0600u);
    RegistryStore(file).setValue("K", "v", REG_SZ, kKept);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    EXPECT_FALSE(prepareSettingsFile(file).movedAside);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(RegistryStore(file).queryValue("K", "v")->data, kKept);
    const std::pair<const char*, void (*)(const std::string&)> cases[] = {
        {"garbage", [](const std::string& f) { std::ofstream(f) << std::string(5000, '\x7f'); }},
        {"folder", [](const std::string& f) { fs::create_directory(f); }},
        {"foreign database", [](const std::string& f) {
             sqlite3* db = nullptr;
             sqlite3_open(f.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         }}};
    std::vector<std::tuple<fs::path, std::string, std::string>> moved;
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        fs::remove(file);
        make(file);
        // SQLite itself drops an invalid journal found beside a sound database.
        const std::string journal = name == std::string("foreign database") ? "" : name;
        if (!journal.empty()) dir.write("registry.sqlite-journal", journal);
        const std::string before = bytesOf(file);
        const SettingsFileStatus status = prepareSettingsFile(file);
        ASSERT_TRUE(status.movedAside);
        EXPECT_FALSE(status.reason.empty());
        EXPECT_EQ(status.movedTo.parent_path(), dir.path());
        EXPECT_EQ(status.movedTo.filename().string().rfind("registry.sqlite.unreadable-", 0), 0u);
        EXPECT_FALSE(fs::exists(dir.file("registry.sqlite-journal")));
        moved.emplace_back(status.movedTo, before, journal);
        EXPECT_TRUE(CRegSettings(file).SaveSetting("Options", "Match Case", "1"));
        EXPECT_EQ(modeOf(file), 0600u);
        EXPECT_FALSE(prepareSettingsFile(file).movedAside);
    }
    for (const auto& [to, before, journal] : moved) {  // each under a name of its own
        EXPECT_EQ(bytesOf(to), before);
        EXPECT_EQ(fs::is_directory(to), before.empty());
        EXPECT_EQ(bytesOf(to.string() + "-journal"), journal) << to;
    }
}

// A damaged store: what can still be read comes over into the new one, byte
// for byte, and nothing that was not in the old file appears.
TEST(PrepareSettingsFile, CopiesWhatCanStillBeReadFromADamagedStore) {
    test::TempDir dir;
    const std::string file = dir.file("registry.sqlite");
    std::map<std::string, std::string> written;  // "key|name" -> data
    for (int i = 0; i < 120; ++i) {
        const std::string key = "Software\\S" + std::to_string(i % 9), name = std::to_string(i);
        written[key + "|" + name] = name + std::string(600, 'v') + '\0';
        RegistryStore(file).setValue(key, name, REG_SZ, written[key + "|" + name]);
    }
    std::fstream(file, std::ios::in | std::ios::out | std::ios::binary)
            .seekp(static_cast<std::streamoff>(fs::file_size(file) / 2))
        << std::string(8192, '\0');  // a stretch of pages wiped
    const SettingsFileStatus status = prepareSettingsFile(file);
    ASSERT_TRUE(status.movedAside) << "the damage went unnoticed";
    EXPECT_GT(status.valuesSalvaged, 0u);
    EXPECT_LT(status.valuesSalvaged, written.size());
    RegistryStore fresh(file);
    std::size_t found = 0;
    for (int s = 0; s < 9; ++s) {
        const std::string key = "Software\\S" + std::to_string(s);
        for (const RegistryValue& value :
             fresh.enumValues(key).value_or(std::vector<RegistryValue>{}))
            found += value.type == REG_SZ && written.at(key + "|" + value.name) == value.data;
    }
    EXPECT_EQ(found, status.valuesSalvaged);  // each exactly as written, none made up
}

// As another user, since root reads and writes any file: a file that user may
// only read is used and kept, not written; one it cannot open stays as it is.
TEST(PrepareSettingsFile, AsAnotherUserAReadOnlyFileIsKeptAnUnopenableOneStays) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can run a part as another user";
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string file = dir.file("registry.sqlite");
    RegistryStore(file).setValue("K", "v", REG_SZ, kKept);  // 0600, root's
    const std::string before = test::readFile(file);
    const auto asNobody = [&] {
        return test::runUnprivileged([&] {
            std::string out;
            try {
                out = prepareSettingsFile(file).movedAside ? "moved " : "kept ";
                out += RegistryStore(file).queryValue("K", "v")->data;
                RegistryStore(file).setValue("K", "v", REG_SZ, "changed");
            } catch (const RegistryError&) {
                out += "failed";
            }
            return out;
        });
    };
    const auto unopenable = asNobody();
    if (!unopenable) GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_EQ(*unopenable, "failed");  // can neither open it nor move it aside
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    EXPECT_EQ(asNobody(), "kept " + kKept + "failed");
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(modeOf(file), 0644u);  // not that user's to change
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace lexmill
