#pragma once

#include <stdexcept>
#include <string>

namespace lexmill {

// A settings store operation that failed, with the reason as SQLite (or the
// system) gave it.
class RegistryError : public std::runtime_error {
  public:
    enum class Kind {
        Unreadable,   // the file cannot be opened or is not a settings database
        Busy,         // other processes held the file longer than we wait
        InvalidName,  // a key path with an empty part, or the root where a key is needed
        Failed,       // anything else: disk full, read-only file, I/O error
    };

    RegistryError(Kind kind, int sqliteCode, const std::string& message)
        : std::runtime_error(message), kind_(kind), sqliteCode_(sqliteCode) {}

    Kind kind() const { return kind_; }
    // SQLite's extended result code, 0 when the failure did not come from SQLite.
    int sqliteCode() const { return sqliteCode_; }

  private:
    Kind kind_;
    int sqliteCode_;
};

}  // namespace lexmill
