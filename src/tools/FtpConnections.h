#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "CRegSettings.h"

namespace lexmill {

// The details of one stored connection, as typed in the upload window.
struct FtpConnection {
    std::string address;
    std::string userName;
    std::string password;  // kept as typed, in clear text
    std::string remoteDir;
    std::string port;
    std::string protocol;  // "FTP", "FTP with TLS" or "SFTP"
    std::string pinnedCertificate;
};

// The protocol names as stored and listed.
inline constexpr const char* kProtocolNames[] = {"FTP", "FTP with TLS", "SFTP"};

// The stored FTP connections under "FTP Servers": the count, the names by
// position from 1, "Last", and one section per name. Every call goes to the
// settings file afresh, through a CRegSettings set up for the program.
//
// The list is the names at positions 1, 2, ... up to the stored count, ending
// early at the first position that holds no value at all: a count larger than
// the names present reads as the names present, and the next addition or
// removal writes the count back to match.
class FtpConnections {
  public:
    explicit FtpConnections(std::filesystem::path settingsFile);

    std::vector<std::string> Names();
    // Throws RegistryError with the store's reason when the settings file
    // exists but cannot be read: the other calls read such a file as empty.
    void CheckReadable() const;
    // The name stored at `position` (from 1), "" when there is none.
    std::string NameAt(int position);
    // The stored 0-based list position, as written (may lie outside the list).
    int Last();
    void SetLast(int position);

    FtpConnection Load(std::string_view name);
    // Stores all but the pinned certificate, which goes when the address,
    // port or protocol changes (it belongs to the server).
    void Store(std::string_view name, const FtpConnection& details);
    void SetPinnedCertificate(std::string_view name, std::string_view fingerprint);
    // Position (from 1) of the first entry equal to `name`, letter case
    // included; 0 when there is none.
    int Find(std::string_view name);
    // Appends `name` to the list.
    void Add(std::string_view name);
    // Takes every entry equal to `name` out of the list, renumbering the rest
    // without gaps, and deletes its details unless another entry (differing
    // only in letter case) still uses them. False, with nothing changed, when
    // no entry is equal to `name`.
    bool Remove(std::string_view name);

  private:
    CRegSettings Settings() const;
    void WriteNames(const std::vector<std::string>& names);

    std::filesystem::path settingsFile_;
};

}  // namespace lexmill
