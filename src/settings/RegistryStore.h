#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "RegistryError.h"
#include "RegistryValue.h"

struct sqlite3;

namespace lexmill {

// The per-user settings store: a tree of keys from the root, each key holding
// named values with a type and raw bytes, kept in one SQLite file.
//
// Key paths are relative to the root, parts joined by single backslashes
// ("Software\Bramblegate\Lexmill\FTP Servers\home"); the empty path is the
// root itself. A path with an empty part (a leading, trailing or doubled
// backslash) names no key: operations on it throw RegistryError(InvalidName).
// Key and value names compare case-insensitively (see foldName) and keep the
// spelling they were first written with.
//
// Every operation is one transaction and nothing is cached between calls, so a
// write through one store (or by another process) is seen at once by every
// other. Processes using the file together wait for each other (up to
// kBusyTimeoutMs) instead of failing.
//
// Errors are RegistryErrors carrying SQLite's message.
class RegistryStore {
  public:
    static constexpr int kBusyTimeoutMs = 10000;

    // Opens the file, creating it (mode 0600) when it does not exist; the
    // folder must exist. A file that is not a settings database throws
    // RegistryError(Unreadable). Use prepareSettingsFile() at start-up to move
    // such a file aside.
    explicit RegistryStore(const std::filesystem::path& file);
    ~RegistryStore();
    RegistryStore(RegistryStore&&) noexcept;
    RegistryStore& operator=(RegistryStore&&) noexcept;

    // Creates every missing key along the path.
    void createKey(std::string_view path);
    bool keyExists(std::string_view path);

    // The value, or nothing when the key or the value does not exist.
    std::optional<RegistryValue> queryValue(std::string_view path, std::string_view name);
    // The values of a key in the order they were first written (rewriting a
    // value keeps its place), or nothing when the key does not exist.
    std::optional<std::vector<RegistryValue>> enumValues(std::string_view path);
    // Names of the direct subkeys, in the order they were created, or nothing
    // when the key does not exist.
    std::optional<std::vector<std::string>> enumKeys(std::string_view path);

    // Writes a value, creating the key path as needed, in one transaction.
    void setValue(std::string_view path, std::string_view name, std::uint32_t type,
                  std::string_view data);
    // False when the key or the value does not exist.
    bool deleteValue(std::string_view path, std::string_view name);
    // Deletes the key with all its values and subkeys; false when it does not
    // exist. The root cannot be deleted (InvalidName).
    bool deleteKey(std::string_view path);

    // SQLite's quick check of the whole file: empty when sound, otherwise the
    // problems found.
    std::string integrityProblems();

    // Copies into this store, in one transaction, every key and value that can
    // still be read from the damaged Lexmill settings file `damaged`, which is
    // opened read-only and left as it is; values this store already has are
    // kept. Returns how many values were copied (0 when the file is not a
    // Lexmill settings file or nothing can be read).
    std::size_t salvageFrom(const std::filesystem::path& damaged);

    const std::filesystem::path& file() const { return file_; }

    struct Closer {
        void operator()(sqlite3* db) const;
    };

  private:
    void initialise();

    std::filesystem::path file_;
    std::unique_ptr<sqlite3, Closer> db_;
};

}  // namespace lexmill
