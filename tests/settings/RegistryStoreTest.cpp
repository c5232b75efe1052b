#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RegistryStore.h"
#include "SettingsTestSupport.h"

namespace lexmill {
namespace {

using Names = std::vector<std::string>;

Names valueNames(RegistryStore& store, std::string_view key) {
    Names names;
    const auto values = store.enumValues(key);  // kept alive for the loop
    for (const RegistryValue& value : values.value()) names.push_back(value.name);
    return names;
}

class RegistryStoreTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    std::filesystem::path file_ = dir_ / "registry.sqlite";
};

TEST_F(RegistryStoreTest, CreateKeyMakesEveryMissingKeyOnThePath) {
    RegistryStore store(file_);
    EXPECT_TRUE(store.keyExists(""));
    EXPECT_FALSE(store.keyExists("Software"));
    store.createKey("Software\\Bramblegate\\Lexmill");
    EXPECT_TRUE(store.keyExists("Software\\Bramblegate"));
    EXPECT_TRUE(store.keyExists("software\\BRAMBLEGATE\\lexmill"));
    EXPECT_EQ(store.enumKeys("Software").value(), Names{"Bramblegate"});
    EXPECT_FALSE(store.enumKeys("Software\\Nobody").has_value());
    EXPECT_FALSE(store.enumValues("Software\\Nobody").has_value());
}

TEST_F(RegistryStoreTest, PathsWithAnEmptyPartNameNoKey) {
    RegistryStore store(file_);
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

TEST_F(RegistryStoreTest, DeleteKeyTakesEverythingUnderItAndNothingElse) {
    RegistryStore store(file_);
    store.setValue("A\\B", "b", REG_SZ, "1");
    store.setValue("A\\B\\C", "c", REG_SZ, "2");
    store.setValue("A\\B\\C\\D", "d", REG_SZ, "3");
    store.setValue("A\\Bx", "sibling", REG_SZ, "4");
    store.setValue("A", "a", REG_SZ, "5");

    EXPECT_TRUE(store.deleteKey("a\\b"));
    EXPECT_FALSE(store.keyExists("A\\B\\C\\D"));
    EXPECT_FALSE(store.deleteKey("A\\B"));
    EXPECT_EQ(valueNames(store, "A"), Names{"a"});
    EXPECT_EQ(valueNames(store, "A\\Bx"), Names{"sibling"});
    // Recreated keys start empty: no values survive the deletion.
    store.createKey("A\\B\\C\\D");
    for (const char* key : {"A\\B", "A\\B\\C", "A\\B\\C\\D"})
        EXPECT_TRUE(valueNames(store, key).empty()) << key;
}

TEST_F(RegistryStoreTest, ValuesKeepTheirTypeAndExactBytes) {
    RegistryStore store(file_);
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
    for (const RegistryValue& value : cases) EXPECT_EQ(store.queryValue("K", value.name), value);
    EXPECT_EQ(store.enumValues("K").value(), cases);
    EXPECT_FALSE(store.queryValue("K", "missing").has_value());
    EXPECT_FALSE(store.queryValue("Missing", "text").has_value());
}

TEST_F(RegistryStoreTest, ValuesEnumerateInTheOrderFirstWritten) {
    RegistryStore store(file_);
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

TEST(RegistryStoreNames, CompareWithoutCaseAndKeepTheFirstSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"Options", "options"},         {"Favorite Folders", "Favorite folders"},
        {"FTP Servers", "ftp servers"}, {"Ärger", "äRGER"},
        {"ΣΊΣΥΦΟΣ", "σίσυφος"},
    };
    for (const auto& [first, second] : cases) {
        SCOPED_TRACE(first);
        test::TempDir dir;
        RegistryStore store(dir / "registry.sqlite");
        store.setValue(first, first, REG_SZ, "1");
        store.setValue(second, second, REG_SZ, "2");
        EXPECT_EQ(store.enumKeys("").value(), Names{first});
        EXPECT_EQ(store.enumValues(second).value(),
                  (std::vector<RegistryValue>{{first, REG_SZ, "2"}}));
    }
}

// Forked writers: this process has no connection open when it forks, so the
// children start from a clean SQLite state. The file is not there yet: all
// race to create it.
TEST_F(RegistryStoreTest, ProcessesWritingTogetherWaitForEachOther) {
    constexpr int kProcesses = 4;
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int code = 0;
            try {
                RegistryStore store(file_);
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
    RegistryStore store(file_);
    std::size_t total = 0;
    for (int k = 0; k < 3; ++k) total += store.enumValues("K\\" + std::to_string(k))->size();
    EXPECT_EQ(total, std::size_t{kProcesses * kWrites});
}

// Another process holds the whole file for a while: a read and a write each
// wait for it instead of failing.
TEST_F(RegistryStoreTest, ReadersAndWritersWaitWhileAnotherProcessHoldsTheFile) {
    RegistryStore mine(file_);
    mine.setValue("K", "v", REG_SZ, "before");
    for (const bool write : {false, true}) {
        SCOPED_TRACE(write ? "write" : "read");
        test::HelperProcess holder({file_, "hold", "400"});
        ASSERT_EQ(holder.readLine(), "held");
        if (write)
            EXPECT_NO_THROW(mine.setValue("K", "v", REG_SZ, "after"));
        else
            EXPECT_EQ(mine.queryValue("K", "v")->data, "before");
        EXPECT_EQ(holder.wait(), 0);
    }
    std::string seen;
    ASSERT_EQ(test::runHelper({file_, "read", "K", "v"}, &seen), 0);
    EXPECT_EQ(seen, "after");
}

}  // namespace
}  // namespace lexmill
