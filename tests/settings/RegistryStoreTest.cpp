#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "CRegSettings.h"
#include "RegistryStore.h"
#include "SettingsFile.h"
#include "TempDir.h"
#include "Unprivileged.h"

namespace lexmill {
namespace {

using Names = std::vector<std::string>;
using Values = std::vector<RegistryValue>;

class RegistryStoreTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string file = dir.file("registry.sqlite");
    RegistryStore store{file};
    Names valueNames(std::string_view key) {
        Names names;
        for (const RegistryValue& value : store.enumValues(key).value_or(Values{}))
            names.push_back(value.name);
        return names;
    }
};

TEST_F(RegistryStoreTest, KeysAreMadeAlongThePathAndDeletedWithAllBelowThem) {
    EXPECT_FALSE(store.enumKeys("A").has_value() || store.enumValues("A").has_value());
    for (const char* key : {"A\\B\\C\\D", "A\\B", "A\\B\\C", "A\\Bx", "A"})
        store.setValue(key, std::string("in ") + key, REG_SZ, "1");
    EXPECT_TRUE(store.keyExists("a\\b\\c"));
    EXPECT_EQ(store.enumKeys("A").value(), (Names{"B", "Bx"}));
    // A path with an empty part names no key; the root cannot be deleted.
    for (const char* path : {"\\A", "A\\", "A\\\\B", "\\"}) {
        EXPECT_THROW(store.createKey(path), RegistryError) << path;
        EXPECT_THROW(store.setValue(path, "v", REG_SZ, "x"), RegistryError) << path;
        EXPECT_THROW(store.deleteKey(path), RegistryError) << path;
    }
    EXPECT_THROW(store.deleteKey(""), RegistryError);
    EXPECT_TRUE(store.deleteKey("a\\b"));
    EXPECT_FALSE(store.keyExists("A\\B\\C\\D"));
    EXPECT_FALSE(store.deleteKey("A\\B"));
    EXPECT_EQ(valueNames("A"), Names{"in A"});
    EXPECT_EQ(valueNames("A\\Bx"), Names{"in A\\Bx"});
    store.createKey("A\\B\\C\\D");  // recreated keys start empty
    for (const char* key : {"A\\B", "A\\B\\C", "A\\B\\C\\D"}) EXPECT_EQ(valueNames(key), Names{});
}

TEST_F(RegistryStoreTest, ValuesKeepTheirTypeAndExactBytes) {
    // clang-format off
    const Values values = {{"text", REG_SZ, {"abc\0", 4}}, {"nul inside", REG_SZ, {"a\0b\0", 4}},
        {"empty", REG_SZ, ""}, {"binary", REG_BINARY, {"\xff\x00\x80\x01", 4}},
        {"dword", REG_DWORD, {"\x2a\0\0\0", 4}}, {"odd type", 0x12345678u, "x"},
        {"", REG_SZ, {"default\0", 8}}, {"naïve ünïcode", REG_SZ, {"\xc3\xa9\0", 3}}};
    // clang-format on
    for (const RegistryValue& value : values)
        store.setValue("K", value.name, value.type, value.data);
    for (const RegistryValue& value : values) EXPECT_EQ(store.queryValue("K", value.name), value);
    EXPECT_EQ(store.enumValues("K").value(), values);
    EXPECT_FALSE(store.queryValue("K", "missing") || store.queryValue("Missing", "text"));
}

// Names compare without case (Unicode too), keep their first spelling and place.
TEST_F(RegistryStoreTest, NamesKeepTheirFirstSpellingAndValuesTheirPlace) {
    store.setValue("Ärger", "ΣΊΣΥΦΟΣ", REG_SZ, "1");
    store.setValue("äRGER", "σίσυφος", REG_SZ, "2");
    EXPECT_EQ(store.enumKeys("").value(), Names{"Ärger"});
    EXPECT_EQ(store.enumValues("ärger").value(), (Values{{"ΣΊΣΥΦΟΣ", REG_SZ, "2"}}));
    store.setValue("K", "zeta", REG_SZ, "1");
    store.setValue("K", "alpha", REG_BINARY, "2");
    store.setValue("K", "mid", REG_SZ, "3");
    store.setValue("K", "ZETA", REG_DWORD, "4444");  // rewritten: keeps place and spelling
    EXPECT_EQ(valueNames("K"), (Names{"zeta", "alpha", "mid"}));
    EXPECT_EQ(store.queryValue("k", "Zeta"), (RegistryValue{"zeta", REG_DWORD, "4444"}));
    EXPECT_TRUE(store.deleteValue("K", "Alpha"));
    EXPECT_FALSE(store.deleteValue("K", "alpha"));
    EXPECT_FALSE(store.deleteValue("Nokey", "alpha"));
    store.setValue("K", "alpha", REG_SZ, "5");  // written anew: goes last
    EXPECT_EQ(valueNames("K"), (Names{"zeta", "mid", "alpha"}));
}

// A second process, forked before this one opens the file, sees a write at
// once (nothing cached); then it holds the whole file, and a write waits.
TEST(RegistryStoreProcesses, SeeWritesAtOnceAndWaitForEachOther) {
    test::TempDir dir;
    const std::string file = dir.file("registry.sqlite");
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild) | ::pipe(toParent), 0);
    char signal = 0;
    if (::fork() == 0) {
        RegistryStore store(file);
        bool ok = ::write(toParent[1], "o", 1) == 1 && ::read(toChild[0], &signal, 1) == 1 &&
                  store.queryValue("k", "V").value_or(RegistryValue{}).data == "written";
        sqlite3* db = nullptr;
        ok = ok && sqlite3_open(file.c_str(), &db) == SQLITE_OK;
        ok = ok && sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK &&
             ::write(toParent[1], "h", 1) == 1 && ::usleep(300000) == 0 &&
             sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        ::_exit(ok ? 0 : 1);
    }
    ::close(toParent[1]);                           // so that its end shows if it fails
    ASSERT_EQ(::read(toParent[0], &signal, 1), 1);  // its store is open
    {
        RegistryStore mine(file);
        mine.setValue("K", "v", REG_SZ, "written");
        ASSERT_EQ(::write(toChild[1], "w", 1), 1);
        ASSERT_EQ(::read(toParent[0], &signal, 1), 1);  // it holds the file
        EXPECT_NO_THROW(mine.setValue("K", "v", REG_SZ, "after"));
    }
    int status = 0;
    ::wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process failed";
}

namespace fs = std::filesystem;
const std::string kKept("kept\0", 5);

const auto modeOf = [](const fs::path& path) { return unsigned(fs::status(path).permissions()); };

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

// A sound file is kept, 0600 (the passwords are in it); an unusable one is
// moved aside whole with its journal, never over an earlier copy, for a fresh one.
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
    // clang-format off
    const std::tuple<const char*, void (*)(const std::string&), std::string> cases[] = {  // journal
        {"garbage", [](const std::string& f) { std::ofstream(f) << std::string(5000, '\x7f');
             std::ofstream(f + "-journal") << "journal"; }, "journal"},
        {"foreign database", [](const std::string& f) { sqlite3* db = nullptr; sqlite3_open(f.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr); sqlite3_close(db); }, ""}};
    // clang-format on
    std::vector<std::tuple<fs::path, std::string, std::string>> moved;
    for (const auto& [name, make, journal] : cases) {
        SCOPED_TRACE(name);
        fs::remove(file);
        make(file);
        ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
        const std::string before = test::readFile(file);
        const SettingsFileStatus status = prepareSettingsFile(file);
        ASSERT_TRUE(status.movedAside);
        EXPECT_FALSE(status.reason.empty());
        EXPECT_EQ(status.movedTo.string().rfind(file + ".unreadable-", 0), 0u) << status.movedTo;
        EXPECT_FALSE(fs::exists(dir.file("registry.sqlite-journal")));
        EXPECT_EQ(modeOf(status.movedTo), 0600u);  // it holds the passwords too
        moved.emplace_back(status.movedTo, before, journal);
        EXPECT_NO_THROW(CRegSettings(file).SaveSetting("Options", "Match Case", "1"));
        EXPECT_EQ(modeOf(file), 0600u);
        EXPECT_FALSE(prepareSettingsFile(file).movedAside);
    }
    for (const auto& [to, before, journal] : moved) {  // each under a name of its own
        EXPECT_EQ(test::readFile(to), before);
        EXPECT_EQ(test::readFile(to.string() + "-journal"), journal) << to;
    }
}

// What can still be read from a damaged store comes over into the new one.
TEST(PrepareSettingsFile, CopiesWhatCanStillBeReadFromADamagedStore) {
    test::TempDir dir;
    const std::string file = dir.file("registry.sqlite");
    const auto data = [](const std::string& name) { return name + std::string(600, 'v') + '\0'; };
    for (int i = 0; i < 120; ++i)
        RegistryStore(file).setValue("S" + std::to_string(i % 9), std::to_string(i), REG_SZ,
                                     data(std::to_string(i)));
    std::fstream(file, std::ios::in | std::ios::out | std::ios::binary)
            .seekp(static_cast<std::streamoff>(fs::file_size(file) / 2))
        << std::string(8192, '\0');  // a stretch of pages wiped
    const SettingsFileStatus status = prepareSettingsFile(file);
    ASSERT_TRUE(status.movedAside) << "the damage went unnoticed";
    EXPECT_TRUE(status.valuesSalvaged > 0 && status.valuesSalvaged < 120) << status.valuesSalvaged;
    std::size_t found = 0;  // each exactly as written, none made up
    for (int s = 0; s < 9; ++s)
        for (const RegistryValue& v :
             RegistryStore(file).enumValues("S" + std::to_string(s)).value_or(Values{}))
            found += v == RegistryValue{v.name, REG_SZ, data(v.name)} && std::stoi(v.name) % 9 == s;
    EXPECT_EQ(found, status.valuesSalvaged);
}

// As another user (root passes every mode): a file it may only read is used,
// kept and not written; one it cannot open stays as it is.
TEST(PrepareSettingsFile, AsAnotherUserAReadOnlyFileIsKeptAnUnopenableOneStays) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can run a part as another user";
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string file = dir.file("registry.sqlite");
    RegistryStore(file).setValue("K", "v", REG_SZ, kKept);  // 0600, root's
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
    EXPECT_EQ(modeOf(file), 0644u);  // not that user's to change
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace lexmill
