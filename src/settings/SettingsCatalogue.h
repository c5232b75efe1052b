#pragma once

#include <string>
#include <string_view>

// Every value Lexmill keeps between runs: sections, value names and the
// defaults their readers pass to CRegSettings::GetSetting. Each value is
// REG_SZ text; numbers and check box states are plain decimal text
// (std::to_string), read back with leadingNumber() or strictNumber().
// Defaults that depend on the moment (the current directory) are the caller's.
namespace lexmill::catalogue {

inline constexpr std::string_view kCompany = "Bramblegate";
inline constexpr std::string_view kAppName = "Lexmill";

// Options and last-used state of the main window.
namespace options {
inline constexpr std::string_view kSection = "Options";
// The options dialog spells the section this way; section names compare
// case-insensitively, so both address the same key.
inline constexpr std::string_view kSectionInOptionsDialog = "options";

// "0" last used folder, "1" current directory, "2" the folder of kStartupFolder.
inline constexpr std::string_view kStartupFolderOption = "Startup Folder Option";
inline constexpr std::string_view kStartInLastUsedFolder = "0";
inline constexpr std::string_view kStartInCurrentDirectory = "1";
inline constexpr std::string_view kStartInStartupFolder = "2";
// The options dialog's default; the main window passes the current directory.
inline constexpr std::string_view kStartupFolderOptionDefault = "1";

inline constexpr std::string_view kStartupFolder = "Startup Folder";

// kLastUsedFilterChoice, or a filter index as decimal text.
inline constexpr std::string_view kStartupFilter = "Startup Filter";
inline constexpr std::string_view kStartupFilterDefault = "0";
inline constexpr std::string_view kLastUsedFilterChoice = "Last Used";

// Filter indexes of the filter lists.
inline constexpr int kFilterTextFiles = 0;
inline constexpr int kFilterHtmlFiles = 1;
inline constexpr int kFilterAllFiles = 2;
inline constexpr int kFilterCustom = 3;

inline constexpr std::string_view kCustomStartupFilter = "Custom Startup Filter";
inline constexpr std::string_view kCustomStartupFilterDefault = "*.*";

inline constexpr std::string_view kLastUsedFolder = "Last Used Folder";
inline constexpr std::string_view kLastUsedFilter = "Last Used Filter";
inline constexpr std::string_view kLastUsedFilterDefault = "";  // reads as index 0
inline constexpr std::string_view kLastUsedCustomFilter = "Last Used Custom Filter";
inline constexpr std::string_view kLastUsedCustomFilterDefault = "*.*";

// Check box states "0" or "1", read with strictNumber().
inline constexpr std::string_view kMakeBackups = "Make Backups";
inline constexpr std::string_view kMakeBackupsDefault = "1";
inline constexpr std::string_view kSearchOnly = "Search Only";
inline constexpr std::string_view kSearchOnlyDefault = "0";
inline constexpr std::string_view kMatchCase = "Match Case";
inline constexpr std::string_view kMatchCaseDefault = "0";
inline constexpr std::string_view kRegularExpression = "Regular Expression";
inline constexpr std::string_view kRegularExpressionDefault = "0";  // absent: unticked
inline constexpr std::string_view kSubfolders = "Subfolders";
inline constexpr std::string_view kSubfoldersDefault = "0";
}  // namespace options

// Favourite folders: slots "folder0" to "folder4", filled from 0 without gaps.
namespace favorites {
inline constexpr std::string_view kSection = "Favorite Folders";
// The favourites editor's spelling of the same key.
inline constexpr std::string_view kSectionInEditor = "Favorite folders";
inline constexpr int kSlots = 5;
inline constexpr std::string_view kSlotDefault = "";

// "folder" and the slot number, 0 to kSlots - 1.
std::string slotKey(int slot);
}  // namespace favorites

// Saved FTP connections: the count, the names by position from "1", the last
// selected list position, and one nested section per connection.
namespace ftp {
inline constexpr std::string_view kSection = "FTP Servers";

inline constexpr std::string_view kServers = "servers";
inline constexpr std::string_view kServersDefault = "0";
inline constexpr std::string_view kLast = "Last";
inline constexpr std::string_view kLastDefault = "0";
inline constexpr std::string_view kNameDefault = "";

// The key of a connection name: its position from 1, as decimal text.
std::string positionKey(int position);

// "FTP Servers\<name>": the section of one connection. Its values:
std::string connectionSection(std::string_view name);
inline constexpr std::string_view kAddress = "address";
inline constexpr std::string_view kUserName = "username";
inline constexpr std::string_view kPassword = "pw";  // stored as clear text; the file is 0600
inline constexpr std::string_view kRemoteDir = "remotedir";
inline constexpr std::string_view kPort = "port";
// "FTP", "FTP with TLS" or "SFTP"; FTP when absent.
inline constexpr std::string_view kProtocol = "Protocol";
// FTP with TLS: the SHA-256 fingerprint of a certificate the user trusts
// although the system's store does not vouch for it (hex pairs with ":").
inline constexpr std::string_view kPinnedCertificate = "Pinned Certificate";
inline constexpr std::string_view kFieldDefault = "";
}  // namespace ftp

}  // namespace lexmill::catalogue
