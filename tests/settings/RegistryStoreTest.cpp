#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "RegistryStore.h"
#include "TempDir.h"

namespace lexmill {
namespace {

using Names = std::vector<std::string>;
using Values = std::vector<RegistryValue>;

Names valueNames(RegistryStore& store, std::string_view key) {
    Names names;
    for (const RegistryValue& value : store.enumValues(key).value_or(Values{}))
        names.push_back(value.name);
    return names;
}

TEST(RegistryStore, KeysAreMadeAlongThePathAndFoundInAnyCase) {
    test::TempDir dir;
    RegistryStore store(dir.file("registry.sqlite"));
    EXPECT_TRUE(store.keyExists(""));
    EXPECT_FALSE(store.keyExists("Software"));
    store.createKey("Software\\Bramblegate\\Lexmill");
    EXPECT_TRUE(store.keyExists("Software\\Bramblegate"));
    EXPECT_TRUE(store.keyExists("software\\BRAMBLEGATE\\lexmill"));
    EXPECT_EQ(store.enumKeys("Software").value(), Names{"Bramblegate"});
    EXPECT_FALSE(store.enumKeys("Software\\Nobody").has_value());
    EXPECT_FALSE(store.enumValues("Software\\Nobody").has_value());
    // A path with an empty part names no key; the root cannot be deleted.
    for (const char* path : {"\\Software", "Software\\", "Software\\\\Bramblegate", "\\"}) {
        EXPECT_THROW(store.createKey(path), RegistryError) << path;
        EXPECT_THROW(store.setValue(path, "v", REG_SZ, "x"), RegistryError) << path;
        EXPECT_THROW(store.deleteKey(path), RegistryError) << path;
    }
    EXPECT_THROW(store.deleteKey(""), RegistryError);
    EXPECT_TRUE(store.keyExists("Software\\Bramblegate\\Lexmill"));
    EXPECT_EQ(store.enumKeys("").value(), Names{"Software"});
}

TEST(RegistryStore, DeleteKeyTakesEverythingUnderItAndNothingElse) {
    test::TempDir dir;
    RegistryStore store(dir.file("registry.sqlite"));
    for (const char* key : {"A\\B", "A\\B\\C", "A\\B\\C\\D", "A\\Bx", "A"})
        store.setValue(key, "in " + std::string(key), REG_SZ, "1");
    EXPECT_TRUE(store.deleteKey("a\\b"));
    EXPECT_FALSE(store.keyExists("A\\B\\C\\D"));
    EXPECT_FALSE(store.deleteKey("A\\B"));
    EXPECT_EQ(valueNames(store, "A"), Names{"in A"});
    EXPECT_EQ(valueNames(store, "A\\Bx"), Names{"in A\\Bx"});
    store.createKey("A\\B\\C\\D");  // recreated keys start empty
    for (const char* key : {"A\\B", "A\\B\\C", "A\\B\\C\\D"})
        EXPECT_TRUE(valueNames(store, key).empty()) << key;
}

TEST(RegistryStore, ValuesKeepTheirTypeAndExactBytes) {
    test::TempDir dir;
    RegistryStore store(dir.file("registry.sqlite"));
    const Values values = {
        {"text", REG_SZ, std::string("abc\0", 4)},
        {"nul inside", REG_SZ, std::string("a\0b\0", 4)},
        {"empty", REG_SZ, ""},
        {"binary", REG_BINARY, std::string("\xff\x00\x80\x01", 4)},
        {"dword", REG_DWORD, std::string("\x2a\0\0\0", 4)},
        {"odd type", 0x12345678u, "x"},
        {"", REG_SZ, std::string("default\0", 8)},
        {"naïve ünïcode", REG_SZ, std::string("\xc3\xa9\0", 3)},
    };
    for (const RegistryValue& value : values)
        store.setValue("K", value.name, value.type, value.data);
    for (const RegistryValue& value : values) EXPECT_EQ(store.queryValue("K", value.name), value);
    EXPECT_EQ(store.enumValues("K").value(), values);
    EXPECT_FALSE(store.queryValue("K", "missing").has_value());
    EXPECT_FALSE(store.queryValue("Missing", "text").has_value());
}

// Names compare without case, Unicode letters included, and keep the spelling
// first written; values list in the order first written.
TEST(RegistryStore, NamesKeepTheirFirstSpellingAndValuesTheirPlace) {
    const std::pair<const char*, const char*> spellings[] = {{"Options", "options"},
                                                             {"FTP Servers", "ftp servers"},
                                                             {"Ärger", "äRGER"},
                                                             {"ΣΊΣΥΦΟΣ", "σίσυφος"}};
    for (const auto& [first, second] : spellings) {
        SCOPED_TRACE(first);
        test::TempDir dir;
        RegistryStore store(dir.file("registry.sqlite"));
        store.setValue(first, first, REG_SZ, "1");
        store.setValue(second, second, REG_SZ, "2");
        EXPECT_EQ(store.enumKeys("").value(), Names{first});
        EXPECT_EQ(store.enumValues(second).value(), (Values{{first, REG_SZ, "2"}}));
    }
    test::TempDir dir;
    RegistryStore store(dir.file("registry.sqlite"));
    store.setValue("K", "zeta", REG_SZ, "1");
    store.setValue("K", "alpha", REG_BINARY, "2");
    store.setValue("K", "mid", REG_SZ, "3");
    store.setValue("K", "ZETA", REG_DWORD, "4444");  // rewritten: keeps place and spelling
    EXPECT_EQ(valueNames(store, "K"), (Names{"zeta", "alpha", "mid"}));
    EXPECT_EQ(store.queryValue("k", "Zeta"), (RegistryValue{"zeta", REG_DWORD, "4444"}));
    EXPECT_TRUE(store.deleteValue("K", "Alpha"));
    EXPECT_FALSE(store.deleteValue("K", "alpha"));
    EXPECT_FALSE(store.deleteValue("Nokey", "alpha"));
    store.setValue("K", "alpha", REG_SZ, "5");  // written anew: goes last
    EXPECT_EQ(valueNames(store, "K"), (Names{"zeta", "mid", "alpha"}));
}

// A second process keeps a store open: it sees this process's write at once,
// nothing being cached; then it holds the whole file twice, and this process's
// read and write each wait for it instead of failing. Forked while this
// process has no connection open.
TEST(RegistryStore, AnotherProcessSeesWritesAtOnceAndItsLockIsWaitedFor) {
    test::TempDir dir;
    const std::string file = dir.file("registry.sqlite");
    RegistryStore(file).setValue("K", "v", REG_SZ, "before");
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild) | ::pipe(toParent), 0);
    char signal = 0;
    const pid_t child = ::fork();
    if (child == 0) {
        RegistryStore store(file);
        const bool seen = ::read(toChild[0], &signal, 1) == 1 &&
                          store.queryValue("k", "V").value_or(RegistryValue{}).data == "written";
        sqlite3* db = nullptr;
        bool held = sqlite3_open(file.c_str(), &db) == SQLITE_OK;
        for (int hold = 0; hold < 2 && held; ++hold) {
            held = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK &&
                   ::write(toParent[1], "h", 1) == 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            held = held && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        }
        sqlite3_close(db);
        ::_exit(seen && held ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    {
        RegistryStore mine(file);
        mine.setValue("K", "v", REG_SZ, "written");
        ASSERT_EQ(::write(toChild[1], "w", 1), 1);
        ASSERT_EQ(::read(toParent[0], &signal, 1), 1);
        EXPECT_EQ(mine.queryValue("K", "v")->data, "written");
        ASSERT_EQ(::read(toParent[0], &signal, 1), 1);
        EXPECT_NO_THROW(mine.setValue("K", "v", REG_SZ, "after"));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process failed";
    EXPECT_EQ(RegistryStore(file).queryValue("K", "v")->data, "after");
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(fd);
}

}  // namespace
}  // namespace lexmill
