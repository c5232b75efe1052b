#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lexmill {

// The program's settings, as string values under the key
// Software\<Company>\<AppName>\<Section> of the settings store (RegistryStore).
// Every window that needs settings makes its own instance and sets Company
// "Bramblegate" and AppName "Lexmill" before anything else.
//
// Each operation opens the store, does its work in one transaction and closes
// it again: nothing is kept between calls, so what one instance (or another
// process) writes, every other sees at once. Reads never throw: they fall back
// to their default. Writes and deletions that fail throw RegistryError with
// the store's reason, so nothing reports a value saved that was not.
//
// Section: a key below the application key; a section with backslashes names
// a nested key ("FTP Servers\home"), the empty section the application key
// itself. Key: a value name; "*" is the key's default (unnamed) value.
// Section and key names compare case-insensitively: "Options" and "options"
// are one key, spelled as first written.
class CRegSettings {
  public:
    // What a fresh instance has, and what writing an empty name restores.
    static constexpr std::string_view kFreshCompany = "MyCompany";
    static constexpr std::string_view kFreshAppName = "Lexmill";

    // `storeFile`: the settings file the application chose (see
    // defaultSettingsFile()); tests pass one in a temporary folder.
    explicit CRegSettings(std::filesystem::path storeFile);

    const std::string& Company() const { return company_; }
    // Stored with leading and trailing spaces removed; a name that is empty
    // (or only spaces) restores kFreshCompany.
    void setCompany(std::string_view company);
    const std::string& AppName() const { return appName_; }
    void setAppName(std::string_view appName);

    // Key given: deletes that value. Key empty or omitted: deletes the section
    // key with its values and everything under it. True when the thing to
    // delete existed and was deleted. The empty section with no key would be
    // the whole application key and is refused (false). Throws RegistryError
    // when the store cannot be changed.
    bool DeleteSetting(std::string_view section, std::string_view key = {});

    // The section's REG_SZ values as (name, text) pairs in the order they were
    // first written; values of other types are left out. Empty when the
    // section does not exist or holds no such value.
    std::vector<std::pair<std::string, std::string>> GetAllSettings(std::string_view section);

    // The stored text: the value's bytes, of whatever type, without the last
    // byte (the terminator SaveSetting wrote). A missing section, a missing
    // value, a value of size 0 and an unreadable store give `defaultValue`.
    // An empty setting that was saved reads as "", not as the default.
    std::string GetSetting(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {});

    // Writes `setting` as REG_SZ, followed by one NUL, creating the section
    // (nested ones included) when missing. Throws RegistryError when the value
    // could not be written.
    void SaveSetting(std::string_view section, std::string_view key, std::string_view setting);

    // Software\Company\AppName, then \section when the section is not empty.
    std::string keyPath(std::string_view section) const;

  private:
    std::filesystem::path storeFile_;
    std::string company_{kFreshCompany};
    std::string appName_{kFreshAppName};
};

}  // namespace lexmill
