#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RegistryStore.h"
#include "SettingsTestSupport.h"

namespace lexmill {
namespace {

using test::TempDir;

using Names = std::vector<std::string>;

Names valueNames(RegistryStore& store, std::string_view key) {
    Names names;
    const auto values = store.enumValues(key);
    for (const RegistryValue& value : values.value()) names.push_back(value.name);
    return names;
}

TEST(RegistryStoreKeys, CreateKeyMakesEveryMissingKeyOnThePath) {
    TempDir dir;
    RegistryStore store(dir / "registry.sqlite");
    EXPECT_TRUE(store.keyExists(""));
    EXPECT_FALSE(store.keyExists("Software"));

    store.createKey("Software\\Bramblegate\\Lexmill");
    EXPECT_TRUE(store.keyExists("Software"));
    EXPECT_TRUE(store.keyExists("Software\\Bramblegate"));
    EXPECT_TRUE(store.keyExists("software\\BRAMBLEGATE\\lexmill"));
    EXPECT_EQ(store.enumKeys("Software").value(), Names{"Bramblegate"});
    EXPECT_FALSE(store.enumKeys("Software\\Nobody").has_value());
    EXPECT_FALSE(store.enumValues("Software\\Nobody").has_value());
}

TEST(RegistryStoreKeys, PathsWithAnEmptyPartNameNoKey) {
    TempDir dir;
    RegistryStore store(dir / "registry.sqlite");
    store.createKey("A\\B");
    for (const char* path : {"\\A", "A\\", "A\\\\B", "\\"}) {
        SCOPED_TRACE(path);
        EXPECT_THROW(store.createKey(path), RegistryError);
        EXPECT_THROW(store.setValue(path, "v", REG_SZ, "x"), RegistryError);
        try {
            store.deleteKey(path);
            ADD_FAILURE() << "deleted a key by an invalid path";
        } catch (const RegistryError& error) {
            EXPECT_EQ(error.kind(), RegistryError::Kind::InvalidName);
        }
    }
    EXPECT_THROW(store.deleteKey(""), RegistryError);
    EXPECT_TRUE(store.keyExists("A\\B"));
    EXPECT_EQ(store.enumKeys("").value(), Names{"A"});
}

TEST(RegistryStoreKeys, DeleteKeyTakesEverythingUnderItAndNothingElse) {
    TempDir dir;
    RegistryStore store(dir / "registry.sqlite");
    store.setValue("A\\B", "b", REG_SZ, "1");
    store.setValue("A\\B\\C", "c", REG_SZ, "2");
    store.setValue("A\\B\\C\\D", "d", REG_SZ, "3");
    store.setValue("A\\Bx", "sibling", REG_SZ, "4");
    store.setValue("A", "a", REG_SZ, "5");

    EXPECT_TRUE(store.deleteKey("a\\b"));
    EXPECT_FALSE(store.keyExists("A\\B"));
    EXPECT_FALSE(store.keyExists("A\\B\\C\\D"));
    EXPECT_FALSE(store.deleteKey("A\\B"));
    EXPECT_EQ(valueNames(store, "A"), Names{"a"});
    EXPECT_EQ(valueNames(store, "A\\Bx"), Names{"sibling"});

    // Recreated keys start empty: no values survive the deletion.
    store.createKey("A\\B\\C\\D");
    EXPECT_TRUE(valueNames(store, "A\\B").empty());
    EXPECT_TRUE(valueNames(store, "A\\B\\C").empty());
    EXPECT_TRUE(valueNames(store, "A\\B\\C\\D").empty());
}

TEST(RegistryStoreValues, KeepTheirTypeAndExactBytes) {
    TempDir dir;
    RegistryStore store(dir / "registry.sqlite");
    const std::vector<RegistryValue> cases = {
        {"text", REG_SZ, std::string("abc\0", 4)},
        {"nul inside", REG_SZ, std::string("a\0b\0", 4)},
        {"empty", REG_SZ, ""},
        {"binary", REG_BINARY, std::string("\xff\x00\x80\x01", 4)},
        {"dword", REG_DWORD, std::string("\x2a\0\0\0", 4)},
        {"odd type", 0x12345678u, "x"},
        {"", REG_SZ, std::string("default\0", 8)},
        {"naïve ünïcode", REG_SZ, std::string("\xc3\xa9\0", 3)},
    };
    for (const RegistryValue& value : cases)
        store.setValue("K", value.name, value.type, value.data);
    for (const RegistryValue& value : cases) {
        SCOPED_TRACE(value.name);
        EXPECT_EQ(store.queryValue("K", value.name), value);
    }
    EXPECT_EQ(store.enumValues("K").value(), cases);
    EXPECT_FALSE(store.queryValue("K", "missing").has_value());
    EXPECT_FALSE(store.queryValue("Missing", "text").has_value());
}

TEST(RegistryStoreValues, EnumerateInTheOrderFirstWritten) {
    TempDir dir;
    RegistryStore store(dir / "registry.sqlite");
    store.setValue("K", "zeta", REG_SZ, "1");
    store.setValue("K", "alpha", REG_BINARY, "2");
    store.setValue("K", "mid", REG_SZ, "3");
    store.setValue("K", "ZETA", REG_DWORD, "4444");  // rewrite keeps place and spelling
    EXPECT_EQ(valueNames(store, "K"), (Names{"zeta", "alpha", "mid"}));
    EXPECT_EQ(store.queryValue("k", "Zeta"), (RegistryValue{"zeta", REG_DWORD, "4444"}));

    EXPECT_TRUE(store.deleteValue("K", "Alpha"));
    EXPECT_FALSE(store.deleteValue("K", "alpha"));
    EXPECT_FALSE(store.deleteValue("Nokey", "alpha"));
    store.setValue("K", "alpha", REG_SZ, "5");  // written anew: goes last
    EXPECT_EQ(valueNames(store, "K"), (Names{"zeta", "mid", "alpha"}));
}

TEST(RegistryStoreValues, NamesCompareWithoutCaseAndKeepTheFirstSpelling) {
    struct Case {
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"Options", "options"},         {"Favorite Folders", "Favorite folders"},
        {"FTP Servers", "ftp servers"}, {"Ärger", "äRGER"},
        {"ΣΊΣΥΦΟΣ", "σίσυφος"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        TempDir dir;
        RegistryStore store(dir / "registry.sqlite");
        store.setValue(c.first, c.first, REG_SZ, "1");
        store.setValue(c.second, c.second, REG_SZ, "2");
        EXPECT_EQ(store.enumKeys("").value(), Names{c.first});
        EXPECT_EQ(store.enumValues(c.second).value(),
                  (std::vector<RegistryValue>{{c.first, REG_SZ, "2"}}));
    }
}

TEST(RegistryStoreSharing, ASecondStoreOnTheFileSeesEveryChangeAtOnce) {
    TempDir dir;
    RegistryStore first(dir / "registry.sqlite");
    RegistryStore second(dir / "registry.sqlite");
    EXPECT_FALSE(second.queryValue("K", "v").has_value());
    first.setValue("K", "v", REG_SZ, "one");
    EXPECT_EQ(second.queryValue("K", "v")->data, "one");
    second.setValue("K", "v", REG_SZ, "two");
    EXPECT_EQ(first.queryValue("K", "v")->data, "two");
    first.deleteKey("K");
    EXPECT_FALSE(second.keyExists("K"));
}

TEST(RegistryStoreSharing, AnotherProcessSeesWritesAtOnceBothWays) {
    TempDir dir;
    const auto file = dir / "registry.sqlite";
    RegistryStore mine(file);  // stays open throughout
    mine.setValue("K", "from here", REG_SZ, std::string("p\0", 2));

    std::string seen;
    ASSERT_EQ(test::runHelper({file, "read", "k", "FROM HERE"}, &seen), 0);
    EXPECT_EQ(seen, std::string("p\0", 2));
    ASSERT_EQ(test::runHelper({file, "write", "K", "from there", "c"}), 0);
    EXPECT_EQ(mine.queryValue("K", "from there")->data, std::string("c\0", 2));
    mine.deleteKey("K");
    EXPECT_EQ(test::runHelper({file, "read", "K", "from there"}), 1);
}

// Forked writers: this process has no connection open when it forks, so
// the children start from a clean SQLite state.
TEST(RegistryStoreSharing, ProcessesWritingTogetherWaitForEachOther) {
    TempDir dir;
    const auto file = dir / "registry.sqlite";  // not there yet: all race to create it
    constexpr int kProcesses = 4;
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int code = 0;
            try {
                RegistryStore store(file);
                for (int i = 0; i < kWrites; ++i)
                    store.setValue("K\\" + std::to_string(i % 3),
                                   std::to_string(p) + "-" + std::to_string(i), REG_SZ, "x");
            } catch (...) {
                code = 1;
            }
            ::_exit(code);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore store(file);
    std::size_t total = 0;
    for (int k = 0; k < 3; ++k) total += store.enumValues("K\\" + std::to_string(k))->size();
    EXPECT_EQ(total, std::size_t{kProcesses * kWrites});
}

TEST(RegistryStoreSharing, AWriterWaitsWhileAnotherProcessHoldsTheFile) {
    TempDir dir;
    const auto file = dir / "registry.sqlite";
    RegistryStore mine(file);
    mine.setValue("K", "v", REG_SZ, "before");

    test::HelperProcess holder({file, "hold", "400"});
    ASSERT_EQ(holder.readLine(), "held");
    // Blocked until the holder lets go, then succeeds.
    EXPECT_NO_THROW(mine.setValue("K", "v", REG_SZ, "after"));
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_EQ(mine.queryValue("K", "v")->data, "after");
    std::string seen;
    ASSERT_EQ(test::runHelper({file, "read", "K", "v"}, &seen), 0);
    EXPECT_EQ(seen, "after");
}

TEST(RegistryStoreSharing, AReaderWaitsWhileAnotherProcessHoldsTheFile) {
    TempDir dir;
    const auto file = dir / "registry.sqlite";
    RegistryStore mine(file);
    mine.setValue("K", "v", REG_SZ, "value");

    test::HelperProcess holder({file, "hold", "400"});
    ASSERT_EQ(holder.readLine(), "held");
    EXPECT_EQ(mine.queryValue("K", "v")->data, "value");
    EXPECT_EQ(holder.wait(), 0);
}

TEST(RegistryStoreFile, IsCreatedReadableByItsOwnerOnly) {
    TempDir dir;
    const auto file = dir / "registry.sqlite";
    const mode_t old = ::umask(0);
    {
        RegistryStore store(file);
        store.setValue("K", "pw", REG_SZ, "secret");
    }
    ::umask(old);
    EXPECT_EQ(test::fileMode(file), 0600u);
}

TEST(RegistryStoreFile, RefusesWhatIsNotASettingsFile) {
    TempDir dir;
    const auto garbage = dir / "garbage";
    test::writeFile(garbage, std::string(4096, 'x'));
    const auto foreign = dir / "foreign.sqlite";
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);

    for (const auto& file : {garbage, foreign}) {
        SCOPED_TRACE(file);
        const std::string before = test::readFile(file);
        try {
            RegistryStore store(file);
            ADD_FAILURE() << "opened";
        } catch (const RegistryError& error) {
            EXPECT_EQ(error.kind(), RegistryError::Kind::Unreadable) << error.what();
        }
        EXPECT_EQ(test::readFile(file), before);
    }
}

}  // namespace
}  // namespace lexmill
