#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RegistryStore.h"
#include "TempDir.h"

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
    EXPECT_TRUE(store.keyExists(""));
    EXPECT_FALSE(store.enumKeys("A").has_value());
    EXPECT_FALSE(store.enumValues("A").has_value());
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
    const Values values = {{"text", REG_SZ, std::string("abc\0", 4)},
                           {"nul inside", REG_SZ, std::string("a\0b\0", 4)},
                           {"empty", REG_SZ, ""},
                           {"binary", REG_BINARY, std::string("\xff\x00\x80\x01", 4)},
                           {"dword", REG_DWORD, std::string("\x2a\0\0\0", 4)},
                           {"odd type", 0x12345678u, "x"},
                           {"", REG_SZ, std::string("default\0", 8)},
                           {"naïve ünïcode", REG_SZ, std::string("\xc3\xa9\0", 3)}};
    for (const RegistryValue& value : values)
        store.setValue("K", value.name, value.type, value.data);
    for (const RegistryValue& value : values) EXPECT_EQ(store.queryValue("K", value.name), value);
    EXPECT_EQ(store.enumValues("K").value(), values);
    EXPECT_FALSE(store.queryValue("K", "missing").has_value());
    EXPECT_FALSE(store.queryValue("Missing", "text").has_value());
}

// Names compare without case, Unicode letters included, and keep the spelling
// first written; values list in the order first written.
TEST_F(RegistryStoreTest, NamesKeepTheirFirstSpellingAndValuesTheirPlace) {
    const std::pair<const char*, const char*> spellings[] = {
        {"Options", "options"}, {"Ärger", "äRGER"}, {"ΣΊΣΥΦΟΣ", "σίσυφος"}};
    for (const auto& [first, second] : spellings) {
        store.setValue(first, first, REG_SZ, "1");
        store.setValue(second, second, REG_SZ, "2");
        EXPECT_EQ(store.enumValues(second).value(), (Values{{first, REG_SZ, "2"}}));
    }
    EXPECT_EQ(store.enumKeys("").value(), (Names{"Options", "Ärger", "ΣΊΣΥΦΟΣ"}));
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

// A second process keeps a store open and sees this process's write at once,
// nothing being cached; then it holds the whole file twice, and this process's
// read and write each wait for it instead of failing. Forked before this
// process opens a connection.
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
        for (int hold = 0; hold < 2 && ok; ++hold) {
            ok = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK &&
                 ::write(toParent[1], "h", 1) == 1 && ::usleep(300000) == 0 &&
                 sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        }
        ::_exit(ok ? 0 : 1);
    }
    ::close(toParent[1]);                           // so that its end shows if it fails
    ASSERT_EQ(::read(toParent[0], &signal, 1), 1);  // its store is open
    {
        RegistryStore mine(file);
        mine.setValue("K", "v", REG_SZ, "written");
        ASSERT_EQ(::write(toChild[1], "w", 1), 1);
        ASSERT_EQ(::read(toParent[0], &signal, 1), 1);  // held
        EXPECT_EQ(mine.queryValue("K", "v")->data, "written");
        ASSERT_EQ(::read(toParent[0], &signal, 1), 1);  // held again
        EXPECT_NO_THROW(mine.setValue("K", "v", REG_SZ, "after"));
    }
    int status = 0;
    ::wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process failed";
    EXPECT_EQ(RegistryStore(file).queryValue("K", "v")->data, "after");
}

}  // namespace
}  // namespace lexmill
