#pragma once

#include <filesystem>
#include <string>

namespace lexmill {

// Where the settings live by default: <config>/Bramblegate/Lexmill/registry.sqlite,
// <config> being $XDG_CONFIG_HOME when it is an absolute path, otherwise
// ~/.config. The folders are created (mode 0700) when missing. Throws
// RegistryError when there is no home folder or a folder cannot be made.
std::filesystem::path defaultSettingsFile();

// The same below a given config folder, creating the folders.
std::filesystem::path settingsFileIn(const std::filesystem::path& configHome);

// What prepareSettingsFile() found.
struct SettingsFileStatus {
    bool movedAside = false;
    std::filesystem::path movedTo;   // where the old file now is
    std::string reason;              // why it could not be used, as SQLite said it
    std::size_t valuesSalvaged = 0;  // values copied from a damaged store into the new one
};

// Makes sure the settings file can be used, once at start-up. A file that
// cannot be opened or is not a sound settings database is renamed to
// "<name>.unreadable-<date>-<time>" (its journal files move with it, so they
// can never be replayed into the new file) and a fresh store is created in its
// place, holding every value that could still be read from a damaged store;
// the status says so, for the caller to tell the user once. Nothing is
// deleted. The file's permissions are narrowed to 0600 when they are wider.
//
// A file that is only busy (beyond RegistryStore::kBusyTimeoutMs) or
// read-only is left alone; that, and a file that can neither be used nor
// moved aside, throws RegistryError.
SettingsFileStatus prepareSettingsFile(const std::filesystem::path& file);

}  // namespace lexmill
